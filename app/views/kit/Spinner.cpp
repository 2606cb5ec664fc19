#include "app/views/kit/Spinner.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

namespace hub {

Spinner::Spinner(int side, QWidget* parent) : QWidget(parent)
{
    setFixedSize(side, side);
    Accessibility::setRole(this, QAccessible::Animation);
    Accessibility::setBusy(this, true); // shown only while something runs
}

void Spinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!Motion::enabled() || turn_)
        return;
    turn_ = new QVariantAnimation(this);
    turn_->setStartValue(0.0);
    turn_->setEndValue(360.0);
    turn_->setDuration(900);
    turn_->setLoopCount(-1);
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        angle_ = value.toDouble();
        update();
    });
    turn_->start();
}

void Spinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    delete turn_;
    turn_ = nullptr;
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = qMax(1.5, width() / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    painter.setPen(QPen(Theme::secondary(), pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, int(-angle_ * 16), 270 * 16);
}

} // namespace hub
