#include "kit/api/ImageDataCache.h"

#include "kit/api/PlainImageTransport.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/support/AppDirectories.h"
#include "kit/support/AtomicFile.h"
#include "kit/support/NoFollow.h"
#include "kit/support/SmallFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

namespace hub {

namespace {

// What the disk holds of an image: a regular file of one byte up to the cap, read without
// following a link or waiting on a FIFO. Anything else at its name is removed (a link goes,
// never what it points at; a folder with what it holds), so that the image is fetched again.
std::optional<QByteArray> readCached(const QString& file)
{
    SmallFile cached = SmallFile::read(file, ImageDataCache::maxBytes, SmallFile::Links::refuse);
    if (cached.bytes && !cached.bytes->isEmpty())
        return std::move(cached.bytes);
    if (!cached.missing())
        NoFollow::removeTree(AT_FDCWD, QFile::encodeName(file));
    return std::nullopt;
}

QByteArray digestOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

ImageDataCache::ImageDataCache(QString directory, HostPolicy policy, PinnedTrust trust, HTTPTransport& pinned,
                               HTTPTransport& plain, const std::optional<QDateTime>& now)
    : directory(std::move(directory)), policy(std::move(policy)), trust(std::move(trust)), pinned_(pinned), plain_(plain)
{
    if (now)
        pruneDisk(*now);
}

void ImageDataCache::pruneDisk(const QDateTime& now) const
{
    if (!directory.isEmpty())
        prune(directory, now);
}

ImageDataCache& ImageDataCache::shared()
{
    // Never destroyed: pool threads may still be inside it while the process exits.
    static auto* pinned = new URLSessionTransport(PinnedTrust::tavren());
    static auto* plain = new PlainImageTransport;
    static auto* cache = new ImageDataCache(
        [] {
            try {
                return AppDirectories::cache(QStringLiteral("images"));
            } catch (const std::exception&) {
                return QString();
            }
        }(),
        HostPolicy::tavren(), PinnedTrust::tavren(), *pinned, *plain, std::nullopt);
    return *cache;
}

QString ImageDataCache::key(const QUrl& url)
{
    return QString::fromLatin1(QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha256).toHex())
        + QStringLiteral(".img");
}

std::optional<QByteArray> ImageDataCache::data(const QUrl& url, std::stop_token stop)
{
    if (!policy.allowsImage(url))
        return std::nullopt;
    const QString address = QString::fromUtf8(url.toEncoded());

    std::promise<std::optional<QByteArray>> promise;
    std::unique_lock lock(mutex_);
    if (unusable_.contains(address))
        return std::nullopt;
    if (const auto hit = memory_.constFind(address); hit != memory_.constEnd())
        return *hit;
    if (const auto running = inFlight_.constFind(address); running != inFlight_.constEnd()) {
        const std::shared_future<std::optional<QByteArray>> joined = *running;
        lock.unlock();
        return joined.get();
    }
    inFlight_.insert(address, promise.get_future().share());
    lock.unlock();

    std::optional<QByteArray> result;
    try {
        result = load(url, stop);
    } catch (...) {
        result.reset();
    }
    lock.lock();
    inFlight_.remove(address);
    if (result) {
        remember(address, *result);
        if (const auto dropped = dropped_.find(address); dropped != dropped_.end())
            dropped->answerSince = digestOf(*result);
    }
    lock.unlock();
    promise.set_value(result);
    return result;
}

std::optional<QByteArray> ImageDataCache::stored(const QUrl& url)
{
    if (!policy.allowsImage(url))
        return std::nullopt;
    const QString address = QString::fromUtf8(url.toEncoded());
    {
        const std::lock_guard lock(mutex_);
        if (unusable_.contains(address))
            return std::nullopt;
        if (const auto hit = memory_.constFind(address); hit != memory_.constEnd())
            return *hit;
    }
    if (directory.isEmpty())
        return std::nullopt;
    std::optional<QByteArray> bytes = readCached(directory + u'/' + key(url));
    if (!bytes)
        return std::nullopt;
    const std::lock_guard lock(mutex_);
    if (givenUp(address, *bytes))
        return std::nullopt; // read before its discard removed it
    remember(address, *bytes);
    return bytes;
}

bool ImageDataCache::discard(const QUrl& url, const QByteArray& bytes)
{
    const QString address = QString::fromUtf8(url.toEncoded());
    const QString file = directory.isEmpty() ? QString() : directory + u'/' + key(url);
    std::unique_lock lock(mutex_);
    if (unusable_.contains(address))
        return false;
    if (const auto hit = memory_.constFind(address); hit != memory_.constEnd()) {
        if (*hit != bytes)
            return true; // a later fetch's
        forget(address);
    } else if (givenUp(address, bytes)) {
        return true; // another caller of the same answer let go of it first
    } else if (const auto dropped = dropped_.constFind(address);
               dropped != dropped_.constEnd() && dropped->answerSince && *dropped->answerSince != digestOf(bytes)) {
        return true; // an earlier answer than the one fetched since, wherever that is now
    } else if (!file.isEmpty()) {
        // Out of memory, and perhaps never written: only other bytes on the disk are a later answer's.
        lock.unlock();
        const std::optional<QByteArray> onDisk = readCached(file);
        lock.lock();
        if ((onDisk && *onDisk != bytes) || givenUp(address, bytes) || unusable_.contains(address))
            return !unusable_.contains(address);
    }
    const bool again = !dropped_.contains(address);
    dropped_.insert(address, {digestOf(bytes)});
    if (!again)
        unusable_.insert(address);
    lock.unlock();
    if (!file.isEmpty())
        NoFollow::removeTree(AT_FDCWD, QFile::encodeName(file));
    return again;
}

bool ImageDataCache::givenUp(const QString& address, const QByteArray& bytes) const
{
    const auto dropped = dropped_.constFind(address);
    return dropped != dropped_.constEnd() && !dropped->answerSince && dropped->digest == digestOf(bytes);
}

std::optional<QByteArray> ImageDataCache::load(const QUrl& url, std::stop_token stop)
{
    const QString file = directory.isEmpty() ? QString() : directory + u'/' + key(url);
    if (!file.isEmpty()) {
        std::optional<QByteArray> bytes = readCached(file);
        const std::lock_guard lock(mutex_);
        if (bytes && !givenUp(QString::fromUtf8(url.toEncoded()), *bytes))
            return bytes;
    }

    HTTPTransport& transport = trust.pinned(url.host()) ? pinned_ : plain_;
    HttpRequest request;
    request.url = url.toEncoded();
    request.timeout = std::chrono::seconds(60);
    request.maxBodyBytes = maxBytes;
    request.stop = std::move(stop);
    HttpResponse response;
    try {
        response = transport.send(request);
    } catch (...) {
        return std::nullopt;
    }
    if (response.status != 200 || response.body.isEmpty() || response.body.size() > maxBytes)
        return std::nullopt;
    if (!file.isEmpty()) {
        try {
            AtomicFile::write(file, response.body);
        } catch (const std::exception&) {
            // The bytes are still good for this caller.
        }
    }
    return response.body;
}

qint64 ImageDataCache::costOf(const QString& address, const QByteArray& bytes)
{
    return bytes.size() + address.size() * qint64(sizeof(QChar)) + memoryEntryBytes;
}

void ImageDataCache::remember(const QString& address, const QByteArray& bytes)
{
    forget(address);
    const qint64 cost = costOf(address, bytes);
    if (cost > memoryBytes)
        return;
    order_.push_back(address);
    memory_.insert(address, bytes);
    memoryHeld_ += cost;
    while (memoryHeld_ > memoryBytes)
        forget(order_.front());
}

void ImageDataCache::forget(const QString& address)
{
    const auto held = memory_.constFind(address);
    if (held == memory_.constEnd())
        return;
    memoryHeld_ -= costOf(address, *held);
    memory_.erase(held);
    order_.erase(std::find(order_.begin(), order_.end(), address));
}

void ImageDataCache::prune(const QString& directory, const QDateTime& now)
{
    const qint64 cutOff = now.toSecsSinceEpoch() - maxAgeSeconds;
    // Everything happens in the folder opened here: a link put in its place later is never followed.
    FileDescriptor folder;
    try {
        folder = NoFollow::openOwnedFolder(directory);
    } catch (const std::system_error&) {
        return;
    }
    for (const QByteArray& name : NoFollow::entries(folder.get())) {
        // The entry's own age: a link is judged as itself, not by what it points at.
        struct stat entry {};
        if (::fstatat(folder.get(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && entry.st_mtime < cutOff)
            NoFollow::removeTree(folder.get(), name); // a folder too, within bounds
    }
}

bool ImageDataCache::inMemory(const QUrl& url) const
{
    const std::lock_guard lock(mutex_);
    return memory_.contains(QString::fromUtf8(url.toEncoded()));
}

qsizetype ImageDataCache::fetchesInFlight() const
{
    const std::lock_guard lock(mutex_);
    return inFlight_.size();
}

} // namespace hub
