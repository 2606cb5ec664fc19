#include "app/views/settings/Toggle.h"

#include "app/views/kit/Theme.h"

#include <QPainter>

namespace hub {

Toggle::Toggle(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setAccessibleName(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Toggle::sizeHint() const
{
    return {34, 20};
}

void Toggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double radius = track.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? Theme::accent() : Theme::primary(0.18));
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

} // namespace hub
