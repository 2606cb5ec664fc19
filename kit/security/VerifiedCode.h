#pragma once

#include <QString>
#include <optional>

namespace hub {

// What a passed signature check found about one bundle.
struct VerifiedCode {
    QString path;                   // the checked bundle's file-system path
    QString identifier;             // signing identifier; the bundle's file name when the signature names none
    QString teamID;                 // signing team; the policy's team when the signature names none
    std::optional<QString> version; // CFBundleVersion, else CFBundleShortVersionString
    bool notarized = false;

    bool operator==(const VerifiedCode&) const = default;
};

} // namespace hub
