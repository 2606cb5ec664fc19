#pragma once

#include "app/views/kit/KeyboardGrid.h"
#include "kit/api/StorefrontProduct.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace hub {

class ProductActions;

// A titled group of up to nine product tiles in a keyboard grid (300-pixel
// columns, 28 apart), each tile over a divider; nothing at all without products.
class Shelf : public QWidget {
    Q_OBJECT

public:
    Shelf(ProductActions& actions, const QString& title, const std::optional<QString>& subtitle,
        const QList<StorefrontProduct>& products, std::function<void()> seeAll = {}, QWidget* parent = nullptr);
    // A shelf of any cells: their unique ids, what opening one does and each cell.
    Shelf(const QString& title, const std::optional<QString>& subtitle, const QStringList& ids, KeyboardGrid::Open open,
        const KeyboardGrid::Content& content, std::function<void()> seeAll = {}, QWidget* parent = nullptr);

    // Null for an empty shelf.
    KeyboardGrid* grid() const { return grid_; }

private:
    KeyboardGrid* grid_ = nullptr;
};

} // namespace hub
