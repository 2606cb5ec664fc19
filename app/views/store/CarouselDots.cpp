#include "app/views/store/CarouselDots.h"

#include <QMouseEvent>
#include <QPainter>

namespace hub {

namespace {

constexpr int diameter = 7;
constexpr int spacing = 6;

} // namespace

CarouselDots::CarouselDots(std::function<void(int)> choose, QWidget* parent) : QWidget(parent), choose_(std::move(choose))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void CarouselDots::setDots(const QList<bool>& dots)
{
    if (dots == dots_)
        return;
    const bool resized = dots.size() != dots_.size();
    dots_ = dots;
    if (resized) {
        updateGeometry();
        adjustSize();
    }
    update();
}

QSize CarouselDots::sizeHint() const
{
    const int count = int(dots_.size());
    return {count == 0 ? 0 : count * diameter + (count - 1) * spacing, diameter};
}

std::optional<int> CarouselDots::dotAt(const QPoint& point) const
{
    if (point.y() < 0 || point.y() >= height() || point.x() < 0)
        return std::nullopt;
    // Each dot takes the clicks of its half of the gaps beside it.
    const int at = (point.x() + spacing / 2) / (diameter + spacing);
    return at < dots_.size() ? std::optional(at) : std::nullopt;
}

void CarouselDots::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int at = 0; at < dots_.size(); ++at) {
        painter.setBrush(QColor::fromRgbF(1, 1, 1, dots_.at(at) ? 0.95 : 0.4));
        painter.drawEllipse(QRectF(at * (diameter + spacing), 0, diameter, diameter));
    }
}

void CarouselDots::mouseReleaseEvent(QMouseEvent* event)
{
    if (const std::optional<int> at = dotAt(event->position().toPoint()); at && choose_)
        choose_(*at);
    event->accept();
}

} // namespace hub
