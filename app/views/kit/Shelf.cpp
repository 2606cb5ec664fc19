#include "app/views/kit/Shelf.h"

#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/PagePresenter.h"
#include "app/views/kit/ProductActions.h"
#include "app/views/kit/ProductTile.h"
#include "app/views/kit/ShelfHeader.h"
#include "app/views/kit/Theme.h"

#include <QFrame>
#include <QVBoxLayout>

namespace hub {

namespace {

QFrame* divider(QWidget* parent, int indent)
{
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: %1; margin-left: %2px;").arg(Theme::primary(0.1).name(QColor::HexArgb)).arg(indent));
    return line;
}

} // namespace

Shelf::Shelf(ProductActions& actions, const QString& title, const std::optional<QString>& subtitle,
    const QList<StorefrontProduct>& products, std::function<void()> seeAll, QWidget* parent)
    : QWidget(parent)
{
    const QList<StorefrontProduct> shown = PagePresenter::shelfProducts(products);
    if (shown.isEmpty()) {
        setFixedHeight(0);
        return;
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(new ShelfHeader(title, subtitle, std::move(seeAll), this));
    column->addWidget(divider(this, 0));
    QStringList ids;
    for (const StorefrontProduct& product : shown)
        ids << product.id;
    ProductActions* source = &actions;
    grid_ = new KeyboardGrid(ids, 300, 28, [source](const QString& id) { source->show(id); },
        [source, shown](const QString& id) -> QWidget* {
            for (const StorefrontProduct& product : shown) {
                if (product.id != id)
                    continue;
                auto* cell = new QWidget;
                auto* stack = new QVBoxLayout(cell);
                stack->setContentsMargins(0, 0, 0, 0);
                stack->setSpacing(0);
                stack->addWidget(new ProductTile(*source, product, cell));
                stack->addWidget(divider(cell, 76)); // where the tile's text starts: 6 + 58 + 12
                return cell;
            }
            return nullptr;
        },
        this);
    column->addWidget(grid_);
}

} // namespace hub
