#pragma once

#include <QByteArray>
#include <QImage>
#include <QThreadPool>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

namespace hub {

// The decoded images of the running app, keyed by address (whatever size they were
// decoded at), the source of their bytes, and the pools that read, fetch and decode
// them off the main thread.
namespace ImageMemory {

// What the decoded images hold at most, whoever keeps them: those kept after their decode and
// those the views show are one account, counted in their bytes (QImage::sizeInBytes) and what
// each entry costs beside them (its address and keptEntryBytes); the least recently used that
// no view shows leave first. With the shared cache's bodies in memory (ImageDataCache::memoryBytes)
// and the decodes under way (decodeBudget), the hub's images stay within their own share of
// memory, however many pages are open: views hold their images only while shown within reach.
constexpr qint64 keptBytes = qint64(64) << 20;
// An entry's own cost: the image's header, its pixels' block and the account's bookkeeping.
constexpr qint64 keptEntryBytes = 768;

// A kept image that a view shows (main thread only): it stays kept, counted in the account,
// as long as any view holds it, and is the most recently used once the last lets go.
class Held {
public:
    Held() = default;
    // The kept image of the address, if any.
    explicit Held(const QUrl& url);
    Held(Held&& other) noexcept;
    Held& operator=(Held&& other) noexcept;
    ~Held();

    explicit operator bool() const { return !image_.isNull(); }
    const QImage& image() const { return image_; }

private:
    void release();

    QString address_;
    QImage image_;
};

// Keeps `image` for the address, held for the caller (nothing held when it is larger than
// keptBytes on its own: not kept). An address a view shows keeps the image shown.
Held remember(const QUrl& url, const QImage& image);

using Fetch = std::function<std::optional<QByteArray>(const QUrl&)>;
// The bytes of an address; ImageDataCache::shared() unless replaced. Blocks; nothing
// once the pool is stopped.
std::optional<QByteArray> fetch(const QUrl& url);
// What the shared cache holds of an address in memory or on disk (nothing while the
// source is replaced). Blocks on the disk only.
std::optional<QByteArray> stored(const QUrl& url);
// Tests and the gallery replace the source; an empty function restores it.
void setFetch(Fetch fetch);

// The bytes of an address for `done`, on the main thread (nothing on a miss), unless
// `context` is gone by then. A request for an address already on its way joins it and
// holds no thread while it waits. What memory or the disk holds is read on diskPool(),
// never behind the decodes that wait for the budget on pool(); the network fetches run
// on a pool of their own, at most two per host at once, so slow or dead hosts hold up
// neither the images on disk nor those of other hosts. Main thread.
using BytesDone = std::function<void(const std::optional<QByteArray>&)>;
void requestBytes(const QUrl& url, QObject* context, BytesDone done);
// Tests: runs the pools and the main thread's queue until no request is left.
void waitForIdle();

// The largest canvas decoded, in pixels a side and in all. Nothing is drawn larger than
// 2048 a side; a 5K screenshot (5120 x 2880) or a 8192 x 2048 panorama still fits.
constexpr int maxCanvasSide = 8192;
constexpr qint64 maxCanvasPixels = 4096 * 4096;
// The memory that all decodes hold at once, on every pool: each reserves what it holds at its peak (told by the
// canvas and the format alone, as the decoder library reads them from the header) before it starts, and waits
// while the others leave too little; its decoder is held to that (DecodeAccount). The largest canvas read as a
// progressive CMYK JPEG (128 MiB of coefficients) fits on its own.
constexpr qint64 decodeBudget = qint64(256) << 20;
// The budget, taken in turn: each waits until every earlier taker has its share and `bytes` fit
// beside what the others hold, so a large decode is never passed by smaller ones. False at once
// when they never fit, and once stop() is called. giveBudget() returns what takeBudget() took.
bool takeBudget(qint64 bytes);
void giveBudget(qint64 bytes);
// How many wait for their turn.
int budgetQueue();
// A JPEG's decode ends once one component takes part in more than this many scans (each costs the decoder a pass
// over all of its blocks, however few bytes the scan holds; libjpeg's own progression gives each component 6), or
// past this much of its thread's CPU time from its header on (what libjpeg makes of an ordinary 4096 x 2304 picture,
// in any coding, decodes in a fraction of it).
constexpr int maxScans = 10;
constexpr std::chrono::milliseconds maxDecodeCpu{1500};

// Caps what any image reader may allocate for one image at the largest canvas, 8 bytes a pixel
// (16 bits a channel), whatever its header declares (a GIF's screen, an ICO entry's PNG). Called
// once as the app starts, before anything is decoded.
void limitAllocation();

// Decodes the whole image with libjpeg or libpng (JpegDecoder, PngDecoder), upright, scaled down (never up) so
// that neither side exceeds `maxPixels`, at 8 bits a channel (RGB32, or premultiplied ARGB32 with alpha); nothing
// when the bytes are no image of a format the store serves (PNG or JPEG, told by their signature), when their
// header declares no size, a canvas over the bounds above or a decode larger than the whole budget (all refused
// before decoding), when the decoder fails, warns or is stopped by the bounds above, and once stop() is called
// while it waits for the budget. A PNG's text, a JPEG's comments, profiles and other application data are
// passed over unread.
std::optional<QImage> decode(const QByteArray& bytes, int maxPixels);
// Bytes fetched for `url` that decode() gave nothing for: the shared cache lets go of them
// (ImageDataCache::discard). Whether fetching the address again may give other bytes;
// false while the source is replaced, and once stop() is called (kept for the next run then).
// Blocks on the disk.
bool discard(const QUrl& url, const QByteArray& bytes);

// The visible images' decodes.
QThreadPool& pool();
// What memory or the disk holds of them (requestBytes).
QThreadPool& diskPool();
// Their network fetches (requestBytes).
QThreadPool& networkPool();
// Work below them: the palette's colours, the disk cache's pruning (low-priority threads).
QThreadPool& backgroundPool();

// Prunes the shared cache's folder of stale files, in the background.
void pruneDisk();
// At quit: drops the queued work, ends the fetches under way and waits for the pools'
// threads to finish, two seconds at most. Nothing is fetched afterwards. Main thread.
void stop();

} // namespace ImageMemory

} // namespace hub
