#include "app/views/kit/Symbols.h"

#include <QFile>
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

QImage image(const QString& name, int pixels, const QColor& color)
{
    pixels = qMax(1, pixels);
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path(name));
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    // The drawing is ink on nothing: black is ink, white details are holes. Every
    // pixel becomes `color` with the ink's coverage.
    for (int y = 0; y < pixels; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pixels; ++x) {
            const int ink = qAlpha(line[x]) * (255 - qGray(line[x])) / 255;
            line[x] = qRgba(color.red(), color.green(), color.blue(), ink * color.alpha() / 255);
        }
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
