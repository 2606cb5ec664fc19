#pragma once

#include "kit/api/ExtrasItem.h"
#include "kit/api/StorefrontProduct.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The search pane: the matching store products and extras items, as the model
// ranked them, under a header that quotes the text as typed.
struct SearchResultsPresenter {
    struct Screen {
        QString title;
        std::optional<QString> subtitle;
        std::optional<QString> nothing; // shown instead of the shelves
        QString storeTitle;
        QList<StorefrontProduct> products;
        QString extrasTitle;
        QList<ExtrasItem> items;
    };

    static Screen present(const QString& search, const QList<StorefrontProduct>& products, const QList<ExtrasItem>& items);
};

} // namespace hub
