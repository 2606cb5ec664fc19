#pragma once

#include <QString>
#include <optional>

namespace hub {

// The container format of a downloaded file, told from its bytes alone.
class ArtifactKind {
public:
    enum Value { pkg, zip, dmg };

    constexpr ArtifactKind(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // Exact, case-sensitive match on "pkg", "zip", "dmg".
    static std::optional<ArtifactKind> fromString(QStringView raw);
    QString toString() const;

    // "xar!" at the start is a package, a zip local file header at the start a zip,
    // "koly" at the start of the last 512 bytes a disk image, tested in that order;
    // none of these gives nothing. Throws std::system_error when the path is not a
    // regular file (a link at it is not followed) or cannot be read.
    static std::optional<ArtifactKind> sniff(const QString& path);

private:
    Value value_;
};

} // namespace hub
