#pragma once

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QThreadPool>
#include <QUrl>
#include <functional>
#include <optional>

namespace hub {

// The decoded images of the running app: 200 entries keyed by address (whatever
// size they were decoded at), the source of their bytes, and the pool that
// fetches and decodes them off the main thread.
namespace ImageMemory {

// Main thread only.
QCache<QString, QImage>& images();
std::optional<QImage> image(const QUrl& url);
void remember(const QUrl& url, const QImage& image);

using Fetch = std::function<std::optional<QByteArray>(const QUrl&)>;
// The bytes of an address; ImageDataCache::shared() unless replaced. Blocks; nothing
// once the pool is stopped.
std::optional<QByteArray> fetch(const QUrl& url);
// Tests and the gallery replace the source; an empty function restores it.
void setFetch(Fetch fetch);

// Decodes the whole image, upright, scaled down (never up) so that neither side
// exceeds `maxPixels`; nothing when the bytes are no image.
std::optional<QImage> decode(const QByteArray& bytes, int maxPixels);

QThreadPool& pool();
// At quit: drops the queued work, ends the fetches under way and waits for the pool's
// threads to finish. Nothing is fetched afterwards. Main thread.
void stop();

} // namespace ImageMemory

} // namespace hub
