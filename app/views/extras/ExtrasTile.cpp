#include "app/views/extras/ExtrasTile.h"

#include "app/model/AppModel.h"
#include "app/views/extras/ExtrasActionButton.h"
#include "app/views/extras/ExtrasShelfPresenter.h"
#include "app/views/extras/StageChip.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/ElidedLabel.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace hub {

namespace {
constexpr int iconSize = 58;
constexpr int sidePadding = 6;
constexpr int spacing = 12;
} // namespace

ExtrasTile::ExtrasTile(AppModel& model, const ExtrasItem& item, QWidget* parent)
    : QWidget(parent), model_(model), id_(item.id), action_(new ExtrasActionButton(model, item, false, this))
{
    const ExtrasShelfPresenter::Tile tile = ExtrasShelfPresenter::tile(item);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(tile.name);
    setAccessibleDescription(tile.subtitle);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(sidePadding, 8, sidePadding, 8);
    row->setSpacing(spacing);
    row->addWidget(new ProductIcon(item.iconUrl, item.name, iconSize, this));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(6);
    nameRow->addWidget(new ElidedLabel(tile.name, TextStyle::headline, 1, this), 0, Qt::AlignVCenter);
    if (tile.chip)
        nameRow->addWidget(new StageChip(*item.stage, this), 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    auto* subtitle = new ElidedLabel(tile.subtitle, TextStyle::subheadline, 2, this);
    subtitle->setColor(Theme::secondary());
    texts->addStretch(1);
    texts->addLayout(nameRow);
    texts->addWidget(subtitle);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addWidget(action_, 0, Qt::AlignVCenter);
    action_->setCursor(Qt::ArrowCursor);
    column->addLayout(row);
    column->addWidget(Divider::make(this, sidePadding + iconSize + spacing)); // under the texts
}

void ExtrasTile::mouseReleaseEvent(QMouseEvent* event)
{
    // Everything but the action opens the page; the action's own empty corners too stay out.
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && rect().contains(at) && !action_->geometry().contains(at))
        model_.navigation().showExtra(id_);
    QWidget::mouseReleaseEvent(event);
}

} // namespace hub
