#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class QStyleOption;
class QWidget;

namespace hub::StylePaint {

// The primary colour at `opacity`, its alpha in eight bits like every other colour here.
QColor tint(double opacity);
void fillRounded(QPainter* painter, const QRectF& rect, qreal radius, const QColor& color);
// A rounded 1px border inside `rect`, over `fill` when that is given.
void drawBox(QPainter* painter, const QRect& rect, qreal radius, const QColor& border, const QColor& fill = QColor());
// The window's focus ring inside `rect` while the keyboard moved the focus (an item view
// forces the keyboard's flag on its current item: the window's own is asked as well). On the
// accent, it is drawn in the primary colour.
void drawFocusRing(QPainter* painter, const QStyleOption* option, const QWidget* widget, const QRect& rect, qreal radius,
    bool onAccent);

} // namespace hub::StylePaint
