#pragma once

#include <string_view>

namespace hub {

// What our installer tools (tools/) answer beyond their text for people: the exit
// status of a run cut short at its byte limit, and the fixed lines of pkgutil's
// machine-readable signature verdict. Shared by the tools and the install engine.
struct InstallerToolProtocol {
    // ditto or pkgutil stopped once it had written more than "--limit-bytes=N": what it
    // left behind is cut short and must not be used.
    static constexpr int limitReachedStatus = 3;

    // "pkgutil --check-signature --machine-readable PKG" prints "status: <word>\n", then,
    // for a signature that verified, "leaf: <common name>\n", the leaf certificate's
    // common name with "%", control bytes and DEL percent-encoded. Exit status 0 only for
    // the two trusted words.
    static constexpr std::string_view machineReadableOption = "--machine-readable";
    static constexpr std::string_view statusPrefix = "status: ";
    static constexpr std::string_view leafPrefix = "leaf: ";
    static constexpr std::string_view noSignature = "no-signature";
    static constexpr std::string_view invalid = "invalid";
    static constexpr std::string_view untrusted = "untrusted";
    static constexpr std::string_view trusted = "trusted";
    static constexpr std::string_view trustedForDistribution = "trusted-for-distribution";

    InstallerToolProtocol() = delete;
};

} // namespace hub
