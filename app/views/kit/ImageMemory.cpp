#include "app/views/kit/ImageMemory.h"

#include "kit/api/ImageDataCache.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QImageReader>
#include <mutex>
#include <stop_token>

namespace hub::ImageMemory {

namespace {

std::mutex fetchMutex;

std::stop_source& stopping()
{
    static auto* source = new std::stop_source;
    return *source;
}

// Both never destroyed: a pool thread may still read them while the process exits.
Fetch& replacement()
{
    static auto* fetch = new Fetch;
    return *fetch;
}

bool replaced()
{
    std::lock_guard lock(fetchMutex);
    return bool(replacement());
}

} // namespace

QCache<QString, QImage>& images()
{
    static QCache<QString, QImage> cache(200);
    return cache;
}

std::optional<QImage> image(const QUrl& url)
{
    if (const QImage* found = images().object(url.toString()))
        return *found;
    return std::nullopt;
}

void remember(const QUrl& url, const QImage& image)
{
    images().insert(url.toString(), new QImage(image));
}

std::optional<QByteArray> fetch(const QUrl& url)
{
    Fetch fetch;
    {
        std::lock_guard lock(fetchMutex);
        fetch = replacement();
    }
    const std::stop_token stop = stopping().get_token();
    if (stop.stop_requested())
        return std::nullopt;
    if (fetch)
        return fetch(url);
    return ImageDataCache::shared().data(url, stop);
}

std::optional<QByteArray> stored(const QUrl& url)
{
    if (replaced())
        return std::nullopt;
    return ImageDataCache::shared().stored(url);
}

void setFetch(Fetch fetch)
{
    std::lock_guard lock(fetchMutex);
    replacement() = std::move(fetch);
}

void limitAllocation()
{
    QImageReader::setAllocationLimit(int(maxCanvasPixels * 4 >> 20));
}

namespace {

// The reader's format for the formats the store serves, by their signatures; empty for any other.
QByteArray servedFormat(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    return {};
}

} // namespace

std::optional<QImage> decode(const QByteArray& bytes, int maxPixels)
{
    const QByteArray format = servedFormat(bytes);
    if (format.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false); // that format's handler and no other
    reader.setAutoTransform(true);
    const QSize size = reader.size(); // from the header alone
    if (!size.isValid() || size.isEmpty() || qMax(size.width(), size.height()) > maxCanvasSide
        || qint64(size.width()) * size.height() > maxCanvasPixels)
        return std::nullopt;
    const int longer = qMax(size.width(), size.height());
    if (maxPixels > 0 && longer > maxPixels)
        reader.setScaledSize(size.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    // Formats that cannot scale while reading are scaled afterwards.
    if (maxPixels > 0 && qMax(image.width(), image.height()) > maxPixels)
        image = image.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool discard(const QUrl& url, const QByteArray& bytes)
{
    return !replaced() && ImageDataCache::shared().discard(url, bytes);
}

namespace {

QThreadPool* newPool(int threads, QThread::Priority priority = QThread::InheritPriority)
{
    auto* made = new QThreadPool;
    made->setMaxThreadCount(threads);
    made->setThreadPriority(priority);
    return made;
}

} // namespace

QThreadPool& pool()
{
    static QThreadPool* shared = newPool(4);
    return *shared;
}

QThreadPool& networkPool()
{
    static QThreadPool* shared = newPool(6);
    return *shared;
}

QThreadPool& backgroundPool()
{
    static QThreadPool* shared = newPool(2, QThread::LowPriority);
    return *shared;
}

void pruneDisk()
{
    backgroundPool().start([] { ImageDataCache::shared().pruneDisk(QDateTime::currentDateTimeUtc()); });
}

void stop()
{
    for (QThreadPool* each : {&pool(), &networkPool(), &backgroundPool()})
        each->clear();
    stopping().request_stop();
    // Images are never worth waiting for: a thread still busy by then ends with the process.
    const QDeadlineTimer deadline(2000);
    for (QThreadPool* each : {&pool(), &networkPool(), &backgroundPool()})
        each->waitForDone(int(deadline.remainingTime()));
}

} // namespace hub::ImageMemory
