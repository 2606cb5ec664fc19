#pragma once

#include "app/model/ProductKind.h"
#include "kit/api/StorefrontProduct.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace hub {

// The store's list screens: one kind in category shelves, the free products, and
// the wishlist with its "Add all" button.
struct BrowsePresenter {
    struct Shelf {
        QString title;
        QList<StorefrontProduct> products;
        bool operator==(const Shelf&) const = default;
    };

    struct Page {
        QString title;
        std::optional<QString> subtitle;
        QList<Shelf> shelves;
    };

    // The products of one kind grouped by catalog category, the categories in shelf
    // order, each shelf by plain name order (equal names keep their order).
    static Page browse(ProductKind kind, const QList<StorefrontProduct>& products,
        const std::function<QString(const QString& productId)>& category);
    static Page free(const QList<StorefrontProduct>& freeProducts);

    struct Wishlist {
        bool empty = true; // the empty state instead of the page
        Page page;
        QList<StorefrontProduct> buyable;
        std::optional<QString> addAll; // the button's label, shown for two or more
    };
    // The shown products saved in `saved`, in their order; buyable when not owned and for sale.
    static Wishlist wishlist(const QList<StorefrontProduct>& products, const QSet<QString>& saved,
        const std::function<bool(const QString&)>& owns);
};

} // namespace hub
