#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

class QPainter;
class QRectF;

namespace hub {

// The app's symbols: SVG files of its own under the symbol names, drawn in one colour.
namespace Symbols {

// ":/symbols/<name>.svg".
QString path(const QString& name);
bool exists(const QString& name);
// The symbol fitted into `rect`, tinted with `color`; nothing for an unknown name.
void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
// A square image of `pixels` pixels.
QImage image(const QString& name, int pixels, const QColor& color);
// A square pixmap of `size` device-independent pixels at `devicePixelRatio`.
QPixmap pixmap(const QString& name, int size, const QColor& color, double devicePixelRatio = 2.0);

} // namespace Symbols

} // namespace hub
