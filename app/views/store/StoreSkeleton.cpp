#include "app/views/store/StoreSkeleton.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/FlowGrid.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/Theme.h"

#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>
#include <algorithm>

namespace hub {

namespace {

constexpr int padding = 28;
constexpr int gap = 28;
constexpr int heroHeight = 280;
constexpr int tiles = 6;
constexpr int tileHeight = 58;
constexpr int rowGap = 18;

int rows(int width)
{
    const int columns = FlowGrid::columns(std::max(0, width - 2 * padding), 300, 28);
    return (tiles + columns - 1) / columns;
}

// Ease in and out on the way up and again on the way down.
qreal breath(qreal t)
{
    const QEasingCurve inOut(QEasingCurve::InOutQuad);
    return t < 0.5 ? inOut.valueForProgress(t * 2) : inOut.valueForProgress((1 - t) * 2);
}

} // namespace

StoreSkeleton::StoreSkeleton(QWidget* parent) : QWidget(parent)
{
    Accessibility::setBusy(this, true);
    setAccessibleName(QStringLiteral("Loading the store"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void StoreSkeleton::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!Motion::enabled()) {
        pulse_ = 1;
        update();
        return;
    }
    if (breath_)
        return;
    breath_ = new QVariantAnimation(this);
    breath_->setStartValue(0.0);
    breath_->setEndValue(1.0);
    breath_->setDuration(1800); // 0.9 s up, 0.9 s down
    breath_->setLoopCount(-1);
    connect(breath_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        pulse_ = breath(value.toReal());
        update();
    });
    breath_->start();
}

void StoreSkeleton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    delete breath_;
    breath_ = nullptr;
    pulse_ = 0;
}

void StoreSkeleton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::primary(opacity(pulse_)));
    const auto shape = [&](double x, double y, double w, double h, double radius) {
        painter.drawRoundedRect(QRectF(x, y, w, h), radius, radius);
    };

    const int width = this->width() - 2 * padding;
    double y = padding;
    shape(padding, y, 220, 30, 8);
    y += 30 + gap;
    shape(padding, y, width, heroHeight, 18);
    y += heroHeight + gap;

    const int columns = FlowGrid::columns(width, 300, 28);
    const double columnWidth = (width - (columns - 1) * 28.0) / columns;
    for (int shelf = 0; shelf < 2; ++shelf) {
        shape(padding, y, 160, 22, 6);
        y += 22 + 14;
        for (int tile = 0; tile < tiles; ++tile) {
            const double x = padding + (tile % columns) * (columnWidth + 28);
            const double top = y + (tile / columns) * (tileHeight + rowGap);
            shape(x, top, 58, 58, 13);
            const double text = x + 58 + 12;
            const double lines = top + (tileHeight - 28) / 2.0; // 12 + 6 + 10, centred on the icon
            shape(text, lines, 140, 12, 4);
            shape(text, lines + 18, 200, 10, 4);
        }
        y += rows(this->width()) * tileHeight + (rows(this->width()) - 1) * rowGap + gap;
    }
}

} // namespace hub
