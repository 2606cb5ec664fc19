#include "devstore/WebHost.h"

#include "devstore/FixtureCatalog.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>

namespace hub::devstore {

namespace {

// A PNG of a colour drawn from the path, so each image differs; `quality` as QImage::save has it.
QByteArray png(const QString& path, QSize size, int quality = -1)
{
    QImage image(size, QImage::Format_RGB32);
    const uint seed = qHash(path);
    image.fill(QColor::fromHsv(int(seed % 360), 120, 200));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(int((seed / 7) % 360), 160, 120));
    painter.drawEllipse(QRect(QPoint(size.width() / 4, size.height() / 4), size / 2));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", quality);
    return bytes;
}

QJsonObject item(std::initializer_list<std::pair<QString, QJsonValue>> members)
{
    QJsonObject object;
    for (const auto& [key, value] : members)
        object.insert(key, value);
    return object;
}

} // namespace

WebHost::WebHost(DevstoreHosts hosts, int screenshots) : hosts_(std::move(hosts)), screenshots_(screenshots) {}

QJsonObject WebHost::feed() const
{
    const QString asset = QStringLiteral("https://") + hosts_.asset;
    const QString web = QStringLiteral("https://") + hosts_.web;
    const QString code = QStringLiteral("https://github.com/tavren-audio/");
    QJsonArray items{
        item({{"id", "tv-panner-tool"}, {"name", "TV Panner"}, {"kind", "tool"}, {"summary", "Automatic panning, free."},
              {"releaseUrl", code + "tv-panner/releases"}, {"signedByTavren", true}, {"productId", "tv-panner"}}),
        item({{"id", "tv-midi-monitor"}, {"name", "TV MIDI Monitor"}, {"kind", "tool"}, {"summary", "See every MIDI message."},
              {"releaseUrl", code + "midi-monitor/releases"}, {"signedByTavren", false}}),
        item({{"title", "TV Sysex Tool"}, {"tagline", "Send and receive system exclusive dumps."}, {"stage", "public-beta"},
              {"releaseUrl", web + "/tools/sysex"}}),
        item({{"id", "tv-old-util"}, {"name", "TV Old Util"}, {"kind", "tool"}, {"summary", "An old helper."},
              {"releaseUrl", "http://" + hosts_.web + "/tools/old-util"}, {"signedByTavren", true}, {"productId", "tv-unlisted"}}),
        item({{"id", "tv-game-ea"}, {"name", "TV Game"}, {"kind", "game"}, {"stage", "alpha"}, {"summary", "Play the rhythm game early."},
              {"releaseUrl", code + "tv-game/releases"}, {"signedByTavren", true}, {"productId", "tv-game"}}),
        item({{"id", "tv-granular"}, {"name", "TV Granular"}, {"kind", "tool"}, {"stage", "preview"},
              {"summary", "A granular texture tool."}, {"releaseUrl", web + "/early/granular"}, {"signedByTavren", false}}),
        QJsonValue("broken"),
        item({{"id", "tv-midi-monitor"}, {"name", "TV MIDI Monitor again"}}),
    };
    const auto shots = [](const QString& base, const QString& id, int count) {
        QJsonArray list;
        for (int i = 1; i <= count; ++i)
            list.append(QStringLiteral("%1/screenshots/%2-%3.png").arg(base, id).arg(i));
        return list;
    };
    QJsonArray compressor = shots(asset, QStringLiteral("tv-compressor"), 4);
    compressor.append(QStringLiteral("http://%1/screenshots/tv-compressor-5.png").arg(hosts_.asset));
    compressor.append(QStringLiteral("https://images.elsewhere.test/tv-compressor-6.png"));
    QJsonObject media{{"tv-compressor", QJsonObject{{"screenshots", compressor}}},
                      {"tv-reverb", QJsonObject{{"screenshots", shots(asset, QStringLiteral("tv-reverb"), 3)}}},
                      {"tv-panner-tool", QJsonObject{{"screenshots", shots(web + "/images", QStringLiteral("tv-panner-tool"), 2)}}},
                      {"tv-game-ea", QJsonObject{{"screenshots", shots(asset, QStringLiteral("tv-game-ea"), 2)}}}};
    for (const FixtureProduct& product : FixtureCatalog::products()) {
        if (screenshots_ > 0 && !media.contains(product.id))
            media.insert(product.id, QJsonObject{{"screenshots", shots(asset, product.id + QStringLiteral("-wide"), screenshots_)}});
    }
    return {{"version", 1}, {"items", items}, {"media", media}};
}

DevstoreReply WebHost::handle(const DevstoreRequest& request) const
{
    if (request.method != "GET")
        return DevstoreReply::empty(405);
    const QString path = request.path;
    if (path.endsWith(u".png")) {
        const bool icon = path.contains(u"/icons/");
        if (path.contains(u"-wide-"))
            return {200, {{"Content-Type", "image/png"}}, png(path, QSize(1200, 675), 100)};
        return {200, {{"Content-Type", "image/png"}}, png(path, icon ? QSize(256, 256) : QSize(1280, 800))};
    }
    if (request.host == hosts_.asset)
        return DevstoreReply::problem(404, QStringLiteral("Asset"));
    if (path == u"/downloads/tavren-catalog-extras.json")
        return {200, {{"Content-Type", "application/json"}}, QJsonDocument(feed()).toJson()};
    if (path == u"/hub/checkout-complete")
        return DevstoreReply::html(QStringLiteral("Thank you"),
                                   QStringLiteral("<h1>Thank you</h1><p>Your order is confirmed. Return to Tavren Hub to install what you bought.</p>"));
    return DevstoreReply::html(QStringLiteral("Tavren"), QStringLiteral("<h1>Tavren</h1><p>%1</p>").arg(path.toHtmlEscaped()));
}

} // namespace hub::devstore
