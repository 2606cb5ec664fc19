#pragma once

#include <QString>
#include <optional>

namespace hub {

// What a passed signature check found about one bundle.
struct VerifiedCode {
    QString path;                   // the checked bundle's file-system path
    QString identifier;             // signing identifier of the code the check read
    QString teamID;                 // signing team; the policy's, met by the certificate, when the signature names none
    std::optional<QString> version; // CFBundleVersion, else CFBundleShortVersionString, of the Info.plist the signature binds
    bool notarized = false;

    bool operator==(const VerifiedCode&) const = default;
};

} // namespace hub
