#include "app/views/kit/ProductTile.h"

#include "app/views/kit/ActionButton.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/ElidedLabel.h"
#include "app/views/kit/PagePresenter.h"
#include "app/views/kit/ProductActions.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace hub {

ProductTile::ProductTile(ProductActions& actions, const StorefrontProduct& product, QWidget* parent)
    : QWidget(parent), actions_(actions), id_(product.id), action_(new ActionButton(actions, product, false, this))
{
    setCursor(Qt::PointingHandCursor);
    const QString subtitleText = PagePresenter::tileSubtitle(product, actions.category(product.id));
    setAccessibleName(product.name);
    setAccessibleDescription(subtitleText);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(6, 8, 6, 8);
    row->setSpacing(12);
    row->addWidget(new ProductIcon(product.iconUrl, product.name, 58, this));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new ElidedLabel(product.name, TextStyle::headline, 1, this);
    auto* subtitle = new ElidedLabel(subtitleText, TextStyle::subheadline, 2, this);
    subtitle->setColor(Theme::secondary());
    texts->addStretch(1);
    texts->addWidget(name);
    texts->addWidget(subtitle);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addWidget(action_, 0, Qt::AlignVCenter);
    action_->setCursor(Qt::ArrowCursor);
    column->addLayout(row);
    column->addWidget(Divider::make(this, 76)); // where the texts start: 6 + 58 + 12
}

void ProductTile::mouseReleaseEvent(QMouseEvent* event)
{
    // The whole row but the action button opens the page (the button takes its own clicks).
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        actions_.show(id_);
    QWidget::mouseReleaseEvent(event);
}

} // namespace hub
