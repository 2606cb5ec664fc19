#include "app/views/kit/FocusHighlight.h"

#include "app/views/kit/Motion.h"
#include "app/views/kit/Theme.h"

#include <QPainter>
#include <QPointer>

namespace hub {

FocusHighlight::FocusHighlight(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FocusHighlight::setOn(bool on)
{
    if (on == on_)
        return;
    on_ = on;
    QPointer<FocusHighlight> self(this);
    Motion::animate(this, opacity_, on ? 1.0 : 0.0, 120, QEasingCurve::OutQuad, [self](const QVariant& value) {
        if (!self)
            return;
        self->opacity_ = value.toDouble();
        self->update();
    });
}

void FocusHighlight::paintEvent(QPaintEvent*)
{
    if (opacity_ <= 0)
        return;
    QPainter painter(this);
    paint(painter, rect(), 12, Theme::accent(), opacity_);
}

void FocusHighlight::paint(QPainter& painter, const QRectF& bounds, double radius, const QColor& colour, double opacity)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = colour;
    fill.setAlphaF(float(0.1 * opacity));
    QColor border = colour;
    border.setAlphaF(float(0.8 * opacity));
    const QRectF inside = bounds.adjusted(1, 1, -1, -1); // the stroke lies within the shape
    painter.setBrush(fill);
    painter.setPen(QPen(border, 2));
    painter.drawRoundedRect(inside, radius - 1, radius - 1);
    painter.restore();
}

} // namespace hub
