#include "app/views/kit/Symbols.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QSvgRenderer>

namespace hub::Symbols {

QString path(const QString& name)
{
    return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg");
}

bool exists(const QString& name)
{
    return !name.isEmpty() && QFile::exists(path(name));
}

namespace {

// The ink's coverage of a symbol drawn `pixels` square: black is ink, white details are holes.
QImage coverage(const QString& name, int pixels)
{
    QImage drawn(pixels, pixels, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    QSvgRenderer renderer(path(name));
    if (renderer.isValid()) {
        QPainter painter(&drawn);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    QImage ink(pixels, pixels, QImage::Format_Alpha8);
    for (int y = 0; y < pixels; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        uchar* to = ink.scanLine(y);
        for (int x = 0; x < pixels; ++x)
            to[x] = uchar(qAlpha(from[x]) * (255 - qGray(from[x])) / 255);
    }
    return ink;
}

// Each symbol is drawn once per size; the colours are laid on its coverage.
QImage cachedCoverage(const QString& name, int pixels)
{
    static QMutex mutex;
    static QHash<std::pair<QString, int>, QImage> drawn;
    const QMutexLocker lock(&mutex);
    const std::pair key{name, pixels};
    if (const auto found = drawn.constFind(key); found != drawn.constEnd())
        return *found;
    if (drawn.size() >= 512)
        drawn.clear();
    return drawn.insert(key, coverage(name, pixels)).value();
}

} // namespace

QImage image(const QString& name, int pixels, const QColor& color)
{
    pixels = qMax(1, pixels);
    const QImage ink = cachedCoverage(name, pixels);
    // Every pixel becomes `color` with the ink's coverage.
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    for (int y = 0; y < pixels; ++y) {
        const uchar* from = ink.constScanLine(y);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pixels; ++x)
            line[x] = qRgba(color.red(), color.green(), color.blue(), from[x] * color.alpha() / 255);
    }
    return image;
}

QPixmap pixmap(const QString& name, int size, const QColor& color, double devicePixelRatio)
{
    QPixmap result = QPixmap::fromImage(image(name, qRound(size * devicePixelRatio), color));
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color)
{
    const double side = qMin(rect.width(), rect.height());
    if (side <= 0)
        return;
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap image = pixmap(name, qCeil(side), color, qMax(1.0, ratio));
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, image, QRectF(image.rect()));
}

} // namespace hub::Symbols
