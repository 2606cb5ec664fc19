#include "app/views/kit/Shelf.h"

#include "app/views/kit/Divider.h"
#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/PagePresenter.h"
#include "app/views/kit/ProductActions.h"
#include "app/views/kit/ProductTile.h"
#include "app/views/kit/ShelfHeader.h"

#include <QVBoxLayout>

namespace hub {

namespace {

QStringList ids(const QList<StorefrontProduct>& products)
{
    QStringList list;
    for (const StorefrontProduct& product : products)
        list << product.id;
    return list;
}

} // namespace

Shelf::Shelf(ProductActions& actions, const QString& title, const std::optional<QString>& subtitle,
    const QList<StorefrontProduct>& products, std::function<void()> seeAll, QWidget* parent)
    : Shelf(title, subtitle, ids(PagePresenter::shelfProducts(products)),
          [source = &actions](const QString& id) { source->show(id); },
          [source = &actions, shown = PagePresenter::shelfProducts(products)](const QString& id) -> QWidget* {
              for (const StorefrontProduct& product : shown) {
                  if (product.id == id)
                      return new ProductTile(*source, product);
              }
              return nullptr;
          },
          std::move(seeAll), parent)
{
}

Shelf::Shelf(const QString& title, const std::optional<QString>& subtitle, const QStringList& ids, KeyboardGrid::Open open,
    const KeyboardGrid::Content& content, std::function<void()> seeAll, QWidget* parent)
    : QWidget(parent)
{
    if (ids.isEmpty()) {
        setFixedHeight(0);
        return;
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(new ShelfHeader(title, subtitle, std::move(seeAll), this));
    column->addWidget(Divider::make(this));
    grid_ = new KeyboardGrid(ids, 300, 28, std::move(open), content, this);
    grid_->setAccessibleName(title);
    column->addWidget(grid_);
}

} // namespace hub
