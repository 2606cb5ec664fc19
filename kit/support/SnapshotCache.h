#pragma once

#include <QJsonDocument>
#include <QString>
#include <exception>
#include <optional>

namespace hub {

// Small JSON snapshots of store data (the last storefront, the extras), one file per
// key, so the app can show them at once on the next start. A snapshot is a
// convenience: a missing or unreadable one is simply a miss. Immutable; any thread.
class SnapshotCache {
public:
    explicit SnapshotCache(QString directory) : directory(std::move(directory)) {}

    // Over AppDirectories::cache("snapshots"); nothing when that folder cannot be made.
    static std::optional<SnapshotCache> standard();

    // Replaces the key's file atomically (0600). Throws std::system_error.
    void save(const QJsonDocument& document, const QString& key) const;
    // Nothing for a missing or unreadable file or one that is not JSON; never throws.
    std::optional<QJsonDocument> load(const QString& key) const;
    // The document read through `decode`; a decode that throws is a miss too.
    template <typename Decode>
    auto load(const QString& key, Decode decode) const -> std::optional<decltype(decode(QJsonDocument()))>
    {
        const std::optional<QJsonDocument> document = load(key);
        if (!document)
            return std::nullopt;
        try {
            return decode(*document);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    void remove(const QString& key, QStringView extension = u"json") const; // never fails

    // The same for a key kept in another form, in its file with `extension`.
    void saveBytes(const QByteArray& bytes, const QString& key, QStringView extension) const;
    // The file's bytes, read into a copy: nothing for a missing or unreadable file, one cut short
    // while read, a link, anything but a regular file, or one too large to be a snapshot.
    std::optional<QByteArray> readBytes(const QString& key, QStringView extension) const;

    // directory + the key as a safe file name (fallback "download") + "." + extension.
    QString fileFor(const QString& key, QStringView extension = u"json") const;

    const QString directory;
};

} // namespace hub
