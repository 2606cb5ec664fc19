#pragma once

#include "kit/api/HTTPTransport.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/PinnedTrust.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <stop_token>

namespace hub {

// The shared cache of image bytes: in memory for the running app (memoryBytes of them
// at most, the first to enter first out) and on disk for later launches, one fetch per
// address however many callers wait for it, and nothing fetched from a host the policy
// does not allow for images. Never fails its callers: every problem is a miss. On disk only a
// regular file of 1 to maxBytes bytes counts; anything else at an image's name (a link, a
// FIFO, a device, an empty or too large file) is removed and fetched again. Thread-safe;
// the lock is never held across disk or network work.
class ImageDataCache {
public:
    static constexpr qint64 maxBytes = 8 * 1024 * 1024; // largest image taken from the network
    // What the bodies in memory hold at most, each counted with its address and memoryEntryBytes.
    static constexpr qint64 memoryBytes = qint64(32) << 20;
    // An entry's own cost beside its bytes and address: their headers and the table's bookkeeping.
    static constexpr qint64 memoryEntryBytes = 256;
    static constexpr qint64 maxAgeSeconds = 30 * 24 * 3600;

    // `directory` empty: memory only. A folder given is pruned of stale files first, as of
    // `now` (nothing pruned without it).
    // Hosts that `trust` has pins for are fetched through `pinned`, all others through `plain`.
    ImageDataCache(QString directory, HostPolicy policy, PinnedTrust trust, HTTPTransport& pinned, HTTPTransport& plain,
                   const std::optional<QDateTime>& now = QDateTime::currentDateTimeUtc());

    // The app-wide cache: cache("images") (memory only when that folder cannot be
    // made), the built-in host policy and pins, a pinned and a plain transport.
    // It lives to the end of the process, so a thread still fetching never meets it destroyed.
    // Its folder is not pruned here: the app does it once its first screen is up (pruneDisk).
    static ImageDataCache& shared();

    // prune() on this cache's folder, if it has one.
    void pruneDisk(const QDateTime& now) const;

    // The image's bytes, or nothing. Blocks; call from a worker thread. Stopping ends
    // the network fetch: a miss for this caller and any joined to it.
    std::optional<QByteArray> data(const QUrl& url, std::stop_token stop = {});
    // What memory or the disk holds of an allowed image, without any network work (a
    // disk hit is remembered in memory). Blocks on the disk only.
    std::optional<QByteArray> stored(const QUrl& url);
    // The bytes of an address that its caller could not use (they decode to no image). They
    // leave memory and the disk, wherever they still are, and the address is fetched again,
    // once in this cache's life, whether or not they ever reached the disk: bytes given up a
    // second time leave too, and the address is a miss from then on. Other bytes held for the
    // address (a later fetch's) change nothing, and neither do those of an answer before the one
    // fetched since, wherever that one is now. Whether fetching it again may give other bytes.
    // Blocks on the disk.
    bool discard(const QUrl& url, const QByteArray& bytes);

    // Deletes every entry of the folder last written more than 30 days before `now` (a link
    // by its own time). The folder must be a real one of this user's: nothing is pruned
    // through a link.
    static void prune(const QString& directory, const QDateTime& now);
    // The disk file name of an address: lower-case hex SHA-256 of its text + ".img".
    static QString key(const QUrl& url);

    bool inMemory(const QUrl& url) const;
    qsizetype fetchesInFlight() const;

    const QString directory;
    const HostPolicy policy;
    const PinnedTrust trust;

private:
    std::optional<QByteArray> load(const QUrl& url, std::stop_token stop);
    void remember(const QString& address, const QByteArray& bytes);
    void forget(const QString& address);
    static qint64 costOf(const QString& address, const QByteArray& bytes);
    // Whether `bytes` are what discard() last let go of at `address`, with no answer fetched
    // since. Under the lock.
    bool givenUp(const QString& address, const QByteArray& bytes) const;

    struct GivenUp {
        QByteArray digest;                    // of the bytes given up
        std::optional<QByteArray> answerSince; // the digest of the answer fetched since, if one came
    };

    HTTPTransport& pinned_;
    HTTPTransport& plain_;

    mutable std::mutex mutex_;
    QHash<QString, QByteArray> memory_;
    std::deque<QString> order_; // keys of memory_, oldest first
    qint64 memoryHeld_ = 0;     // what memory_ costs (costOf)
    QHash<QString, GivenUp> dropped_; // by address: the bytes last given up
    QSet<QString> unusable_;             // addresses given up twice: misses without any work
    QHash<QString, std::shared_future<std::optional<QByteArray>>> inFlight_;
};

} // namespace hub
