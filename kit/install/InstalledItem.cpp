#include "kit/install/InstalledItem.h"

#include <QFile>
#include <QHashFunctions>
#include <sys/stat.h>

namespace hub {

QString InstalledItem::name() const { return path.section(u'/', -1, -1, QString::SectionSkipEmpty); }

bool InstalledItem::present(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISLNK(info.st_mode);
}

bool InstalledItem::occupied(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool InstalledItem::holds(const CodeVerifier& verifier, const QString& path, const QString& identifier, const QString& teamID)
{
    if (!present(path))
        return false;
    try {
        const VerifiedCode code = verifier.verify(QUrl::fromLocalFile(path));
        return code.identifier == identifier && code.teamID == teamID;
    } catch (const std::exception&) {
        return false;
    }
}

QJsonObject InstalledItem::toJson() const
{
    QJsonObject object{
        {QStringLiteral("path"), path},
        {QStringLiteral("kind"), kind.toString()},
        {QStringLiteral("identifier"), identifier},
        {QStringLiteral("teamID"), teamID},
    };
    json::putOptional(object, QStringLiteral("version"), version);
    return object;
}

InstalledItem InstalledItem::fromJson(const JsonReader& reader)
{
    const QString kindText = reader.string(u"kind");
    const std::optional<BundleKind> kind = BundleKind::fromString(kindText);
    if (!kind)
        reader.fail(u"kind", QStringLiteral("unknown bundle kind \"") + kindText + u'"');
    return {reader.string(u"path"), *kind, reader.string(u"identifier"), reader.string(u"teamID"),
            reader.optionalString(u"version")};
}

bool InstalledItem::operator==(const InstalledItem& other) const
{
    return path == other.path && BundleKind::Value(kind) == BundleKind::Value(other.kind) && identifier == other.identifier
        && teamID == other.teamID && version == other.version;
}

size_t qHash(const InstalledItem& item, size_t seed)
{
    return qHashMulti(seed, item.path, int(BundleKind::Value(item.kind)), item.identifier, item.teamID, item.version.value_or(QString()),
                      item.version.has_value());
}

} // namespace hub
