#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/DecodeAccount.h"
#include "app/views/kit/JpegDecoder.h"
#include "app/views/kit/PngDecoder.h"
#include "kit/api/ImageDataCache.h"

#include <QDeadlineTimer>
#include <QImageReader>
#include <QScopeGuard>
#include <QTransform>
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

namespace {

qint64 area(QSize size) { return qint64(size.width()) * size.height(); }

// What Qt's smooth scaling holds besides the two images: its tables of the rows and columns.
constexpr qint64 scalingState = qint64(1) << 20;

// `image` turned as an Exif orientation (2-8) asks, as Qt's reader turns it; one copy.
QImage upright(const QImage& image, int orientation)
{
    const auto turned = [&](int degrees) { return image.transformed(QTransform().rotate(degrees)); };
    switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return turned(90).mirrored(true, false);
    case 6: return turned(90);
    case 7: return turned(270).mirrored(true, false);
    case 8: return turned(270);
    default: return image;
    }
}

// The image read for `target`, its bytes taken in `account`, made upright and scaled down to `target`, each
// copy taken in the account before it is made.
template <typename Decoder>
std::optional<QImage> decodeWith(const QByteArray& bytes, int maxPixels)
{
    DecodeAccount account(Decoder::headerBytes);
    Decoder decoder(bytes, account);
    const QSize canvas = decoder.canvas();
    if (canvas.isEmpty() || qMax(canvas.width(), canvas.height()) > maxCanvasSide || area(canvas) > maxCanvasPixels)
        return std::nullopt;
    const bool scaled = maxPixels > 0 && qMax(canvas.width(), canvas.height()) > maxPixels;
    const QSize target = scaled ? canvas.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio) : canvas;
    const QSize read = decoder.readSize(target);
    const bool turned = decoder.orientation() != 1;
    // At most: the decoder and the image it reads; then that image and its scaled copy; then the scaled one and
    // its upright copy.
    const qint64 peak = qMax(decoder.peakBytes(target),
        qMax(read == target ? 0 : area(read) * 4 + area(target) * 4 + scalingState, turned ? area(target) * 8 : 0));
    if (!budget().take(peak))
        return std::nullopt;
    const auto give = qScopeGuard([peak] { budget().give(peak); });
    account.setLimit(peak);
    QImage image = decoder.read(target);
    if (image.isNull())
        return std::nullopt;
    qint64 held = image.sizeInBytes();
    const auto replace = [&](const auto& make) {
        const qint64 size = area(target) * 4;
        if (!account.take(size))
            return false;
        image = make(image);
        account.give(std::exchange(held, size));
        return !image.isNull();
    };
    // Premultiplied first, in place: Qt's scaling would convert a copy itself, beside this image.
    if (image.hasAlphaChannel())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (read != target && !replace([&](const QImage& from) { return from.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); }))
        return std::nullopt;
    if (turned && !replace([&](const QImage& from) { return upright(from, decoder.orientation()); }))
        return std::nullopt;
    account.give(held);
    return image;
}

} // namespace

std::optional<QImage> decode(const QByteArray& bytes, int maxPixels)
{
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return decodeWith<PngDecoder>(bytes, maxPixels);
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return decodeWith<JpegDecoder>(bytes, maxPixels);
    return std::nullopt;
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
