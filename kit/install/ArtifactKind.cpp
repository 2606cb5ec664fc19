#include "kit/install/ArtifactKind.h"

#include "kit/support/ReadOnlyFile.h"

namespace hub {

namespace {

// Up to four bytes at the offset; fewer only at the end of the file.
QByteArray fourBytesAt(const ReadOnlyFile& file, uint64_t offset)
{
    char buffer[4];
    return QByteArray(buffer, qsizetype(file.read(offset, buffer, sizeof buffer)));
}

} // namespace

std::optional<ArtifactKind> ArtifactKind::fromString(QStringView raw)
{
    for (ArtifactKind kind : {pkg, zip, dmg}) {
        if (raw == kind.toString())
            return kind;
    }
    return std::nullopt;
}

QString ArtifactKind::toString() const
{
    switch (value_) {
    case pkg: return QStringLiteral("pkg");
    case zip: return QStringLiteral("zip");
    case dmg: return QStringLiteral("dmg");
    }
    return {};
}

std::optional<ArtifactKind> ArtifactKind::sniff(const QString& path)
{
    const ReadOnlyFile file = ReadOnlyFile::open(path);
    const QByteArray head = fourBytesAt(file, 0);
    if (head == QByteArrayLiteral("xar!"))
        return pkg;
    if (head == QByteArrayLiteral("PK\x03\x04"))
        return zip;
    if (file.size() < 512)
        return std::nullopt;
    if (fourBytesAt(file, file.size() - 512) == QByteArrayLiteral("koly"))
        return dmg;
    return std::nullopt;
}

} // namespace hub
