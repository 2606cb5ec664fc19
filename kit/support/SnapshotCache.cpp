#include "kit/support/SnapshotCache.h"

#include "kit/support/AppDirectories.h"
#include "kit/support/AtomicFile.h"
#include "kit/support/PathSafety.h"
#include "kit/support/SmallFile.h"

#include <QFile>
#include <new>

namespace hub {

namespace {

// Far above any storefront's snapshot; a larger file is not one of ours.
constexpr qint64 maxFileBytes = 32 << 20;

} // namespace

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

std::optional<QByteArray> SnapshotCache::readBytes(const QString& key, QStringView extension) const
{
    // Never through a link: the snapshots are the hub's own files.
    try {
        return SmallFile::read(fileFor(key, extension), maxFileBytes, SmallFile::Links::refuse).bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<QJsonDocument> SnapshotCache::load(const QString& key) const
{
    const std::optional<QByteArray> bytes = readBytes(key, u"json");
    if (!bytes)
        return std::nullopt;
    try {
        QJsonParseError error;
        QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
        if (error.error == QJsonParseError::NoError)
            return document;
    } catch (const std::bad_alloc&) {
    }
    return std::nullopt;
}

void SnapshotCache::remove(const QString& key, QStringView extension) const { QFile::remove(fileFor(key, extension)); }

} // namespace hub
