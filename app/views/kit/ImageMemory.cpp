#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/EncodedImage.h"
#include "kit/api/ImageDataCache.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QScopeGuard>
#include <condition_variable>
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
    QImageReader::setAllocationLimit(int(maxCanvasPixels * 8 >> 20));
}

namespace {

// The decodes' share of memory (decodeBudget), whatever thread they run on, served in the
// order asked.
struct Budget {
    std::mutex mutex;
    std::condition_variable_any changed;
    qint64 held = 0;
    quint64 issued = 0;  // tickets given out
    quint64 serving = 0; // the ticket whose turn it is

    bool take(qint64 bytes)
    {
        std::unique_lock lock(mutex);
        if (bytes > decodeBudget)
            return false;
        const quint64 ticket = issued++;
        if (!changed.wait(lock, stopping().get_token(), [&] { return serving == ticket && held + bytes <= decodeBudget; }))
            return false; // stopped: no turn is served any more
        held += bytes;
        ++serving;
        lock.unlock();
        changed.notify_all();
        return true;
    }
    void give(qint64 bytes)
    {
        {
            std::lock_guard lock(mutex);
            held -= bytes;
        }
        changed.notify_all();
    }
    int waiting()
    {
        std::lock_guard lock(mutex);
        return int(issued - serving);
    }
};

Budget& budget()
{
    static auto* shared = new Budget; // a pool thread may still use it while the process exits
    return *shared;
}

} // namespace

bool takeBudget(qint64 bytes)
{
    return budget().take(bytes);
}

void giveBudget(qint64 bytes)
{
    budget().give(bytes);
}

int budgetQueue()
{
    return budget().waiting();
}

std::optional<QImage> decode(const QByteArray& bytes, int maxPixels)
{
    const std::optional<EncodedImage> encoded = EncodedImage::read(bytes);
    if (!encoded)
        return std::nullopt;
    const QSize canvas = encoded->canvas;
    if (canvas.isEmpty() || qMax(canvas.width(), canvas.height()) > maxCanvasSide || qint64(canvas.width()) * canvas.height() > maxCanvasPixels
        || encoded->scans > maxScans || encoded->scanCost > maxScanCost)
        return std::nullopt;
    const bool scaled = maxPixels > 0 && qMax(canvas.width(), canvas.height()) > maxPixels;
    const QSize target = scaled ? canvas.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio) : canvas;
    const qint64 peak = encoded->peakBytes(target);
    if (!budget().take(peak))
        return std::nullopt;
    const auto give = qScopeGuard([peak] { budget().give(peak); });
    QBuffer buffer;
    buffer.setData(encoded->readable);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, encoded->readerFormat());
    reader.setAutoDetectImageFormat(false); // that format's handler and no other
    reader.setAutoTransform(true);
    if (encoded->readerScales(target))
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    encoded->applyColourKey(image);
    if (maxPixels > 0 && qMax(image.width(), image.height()) > maxPixels) {
        // First in the form that Qt scales as it is, premultiplied and of 32 or 64 bits a pixel (in place where
        // the depth stays): Qt's scaling would convert a copy itself, beside this image.
        switch (image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64_Premultiplied:
            break;
        case QImage::Format_RGBA64:
            image.convertTo(QImage::Format_RGBA64_Premultiplied);
            break;
        case QImage::Format_Grayscale16:
            image.convertTo(QImage::Format_RGBX64);
            break;
        default:
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        }
        image = image.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (image.depth() > 32 || image.format() == QImage::Format_Grayscale16)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return image;
}

bool discard(const QUrl& url, const QByteArray& bytes)
{
    return !replaced() && !stopping().stop_requested() && ImageDataCache::shared().discard(url, bytes);
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

QThreadPool& diskPool()
{
    static QThreadPool* shared = newPool(2);
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
    for (QThreadPool* each : {&pool(), &diskPool(), &networkPool(), &backgroundPool()})
        each->clear();
    stopping().request_stop();
    // Images are never worth waiting for: a thread still busy by then ends with the process.
    const QDeadlineTimer deadline(2000);
    for (QThreadPool* each : {&pool(), &diskPool(), &networkPool(), &backgroundPool()})
        each->waitForDone(int(deadline.remainingTime()));
}

} // namespace hub::ImageMemory
