#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hub::tools {

// The table-of-contents signature of a xar package, checked the way an installer
// does: the stored TOC checksum, every file's archived checksum, the RSA signature
// over the TOC checksum and the certificate chain against the installer anchors.
// Checksums must be SHA-1 or stronger; of several for one file the strongest counts.
struct XarSignatureCheck {
    enum class Status { noSignature, invalid, untrusted, trusted, trustedForDistribution };

    struct Certificate {
        std::string commonName;
        std::string expires;     // "YYYY-MM-DD hh:mm:ss +0000"
        std::string fingerprint; // SHA-256, upper-case hexadecimal pairs separated by spaces
    };

    Status status = Status::noSignature;
    std::string problem; // why the package is invalid
    std::vector<Certificate> chain; // leaf first; the verified chain when trusted

    static XarSignatureCheck run(const std::filesystem::path& package, const std::filesystem::path& anchors);

    // The verdict in InstallerToolProtocol's fixed lines, for the install engine.
    std::string verdict() const;

    // The report the way the installer tool prints it.
    std::string report(const std::string& packageName) const;
};

} // namespace hub::tools
