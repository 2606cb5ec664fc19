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

bool SnapshotCache::readBytes(const QString& key, QStringView extension, const std::function<void(const QByteArray&)>& use) const
{
    QFile file(fileFor(key, extension));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Saves replace the file rather than rewrite it, so a mapping never sees it change.
    const qint64 size = file.size();
    if (uchar* mapped = size > 0 ? file.map(0, size, QFileDevice::MapPrivateOption) : nullptr) {
        use(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), size));
        file.unmap(mapped);
        return true;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.isEmpty())
        return false;
    use(bytes);
    return true;
}

std::optional<QJsonDocument> SnapshotCache::load(const QString& key) const
{
    std::optional<QJsonDocument> document;
    readBytes(key, u"json", [&](const QByteArray& bytes) {
        QJsonParseError error;
        QJsonDocument parsed = QJsonDocument::fromJson(bytes, &error);
        if (error.error == QJsonParseError::NoError)
            document = std::move(parsed);
    });
    return document;
}

void SnapshotCache::remove(const QString& key, QStringView extension) const { QFile::remove(fileFor(key, extension)); }

} // namespace hub
