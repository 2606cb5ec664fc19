#include "app/views/kit/StylePaint.h"

#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/Theme.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

namespace hub::StylePaint {

using namespace Theme;

QColor tint(double opacity)
{
    QColor color = primary(opacity);
    color.setAlpha(color.alpha());
    return color;
}

void fillRounded(QPainter* painter, const QRectF& rect, qreal radius, const QColor& color)
{
    if (color.alpha() == 0)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawRoundedRect(rect, radius, radius);
    painter->restore();
}

void drawFocusRing(QPainter* painter, const QStyleOption* option, const QWidget* widget, const QRect& rect, qreal radius,
    bool onAccent)
{
    const bool keyboard = (option->state & QStyle::State_KeyboardFocusChange)
        && (!widget || widget->window()->testAttribute(Qt::WA_KeyboardFocusChange));
    if (keyboard)
        FocusHighlight::paint(*painter, rect, radius, onAccent ? primary() : accent());
}

void drawBox(QPainter* painter, const QRect& rect, qreal radius, const QColor& border, const QColor& fill)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(border, 1));
    painter->setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter->restore();
}

} // namespace hub::StylePaint
