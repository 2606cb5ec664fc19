#include "kit/support/SnapshotCache.h"

#include "kit/support/AppDirectories.h"
#include "kit/support/AtomicFile.h"
#include "kit/support/PathSafety.h"

#include <QFile>

namespace hub {

std::optional<SnapshotCache> SnapshotCache::standard()
{
    try {
        return SnapshotCache(AppDirectories::cache(QStringLiteral("snapshots")));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QString SnapshotCache::fileFor(const QString& key, QStringView extension) const
{
    return directory + u'/' + PathSafety::sanitizedFileName(key, QStringLiteral("download")) + u'.' + extension.toString();
}

void SnapshotCache::save(const QJsonDocument& document, const QString& key) const
{
    saveBytes(document.toJson(QJsonDocument::Compact), key, u"json");
}

void SnapshotCache::saveBytes(const QByteArray& bytes, const QString& key, QStringView extension) const
{
    AtomicFile::write(fileFor(key, extension), bytes);
}

std::optional<QByteArray> SnapshotCache::loadBytes(const QString& key, QStringView extension) const
{
    QFile file(fileFor(key, extension));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

std::optional<QJsonDocument> SnapshotCache::load(const QString& key) const
{
    const std::optional<QByteArray> bytes = loadBytes(key, u"json");
    if (!bytes)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

void SnapshotCache::remove(const QString& key, QStringView extension) const { QFile::remove(fileFor(key, extension)); }

} // namespace hub
