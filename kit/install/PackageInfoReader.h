#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace hub {

// Reads a component package's PackageInfo document: the "install-location" of its
// last "pkg-info" element (nothing when that element has none). External entities
// are never resolved; a document broken part way keeps what was read before.
class PackageInfoReader {
public:
    static std::optional<QString> installLocation(const QByteArray& document);

    PackageInfoReader() = delete;
};

} // namespace hub
