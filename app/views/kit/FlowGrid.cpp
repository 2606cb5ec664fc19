#include "app/views/kit/FlowGrid.h"

#include <QWidget>
#include <cmath>

namespace hub {

FlowGrid::FlowGrid(double minimum, double spacing, QWidget* parent)
    : QLayout(parent), minimum_(minimum), spacing_(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowGrid::~FlowGrid()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

int FlowGrid::columns(double width, double minimum, double spacing)
{
    const double step = minimum + spacing;
    if (step <= 0 || !std::isfinite(width))
        return 1;
    return std::max(1, int(std::trunc((width + spacing) / step)));
}

void FlowGrid::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* FlowGrid::itemAt(int index) const
{
    return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

QLayoutItem* FlowGrid::takeAt(int index)
{
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

QSize FlowGrid::sizeHint() const
{
    const int width = int(minimum_);
    return {width, heightForWidth(width)};
}

QSize FlowGrid::minimumSize() const
{
    return {int(minimum_ / 2), 0};
}

int FlowGrid::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

void FlowGrid::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowGrid::arrange(const QRect& rect, bool apply) const
{
    const int count = columns(rect.width(), minimum_, spacing_);
    if (apply)
        columns_ = count;
    const double cell = (rect.width() - spacing_ * (count - 1)) / count;
    int y = rect.y();
    for (qsizetype row = 0; row * count < items_.size(); ++row) {
        int height = 0;
        for (int column = 0; column < count && row * count + column < items_.size(); ++column) {
            QLayoutItem* item = items_[row * count + column];
            const int h = item->hasHeightForWidth() ? item->heightForWidth(int(cell)) : item->sizeHint().height();
            height = std::max(height, h);
        }
        for (int column = 0; apply && column < count && row * count + column < items_.size(); ++column) {
            const int x = rect.x() + int(std::round(column * (cell + spacing_)));
            items_[row * count + column]->setGeometry(QRect(x, y, int(cell), height));
        }
        y += height;
    }
    return y - rect.y();
}

} // namespace hub
