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

QString SnapshotCache::fileFor(const QString& key) const
{
    return directory + u'/' + PathSafety::sanitizedFileName(key, QStringLiteral("download")) + QStringLiteral(".json");
}

void SnapshotCache::save(const QJsonDocument& document, const QString& key) const
{
    AtomicFile::write(fileFor(key), document.toJson(QJsonDocument::Compact));
}

std::optional<QJsonDocument> SnapshotCache::load(const QString& key) const
{
    QFile file(fileFor(key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return document;
}

void SnapshotCache::remove(const QString& key) const { QFile::remove(fileFor(key)); }

} // namespace hub
