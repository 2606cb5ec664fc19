#pragma once

#include "app/model/HubSection.h"
#include "kit/api/ExtrasItem.h"
#include "kit/api/StorefrontProduct.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace hub {

// The store home: the featured products of the carousel and the column of shelves
// under it, each leading to the full screen of its section.
struct DiscoverPresenter {
    // The carousel's products, in display order.
    static const QStringList& featured();

    struct Input {
        QList<StorefrontProduct> storefront; // every product the store lists, in its order
        QList<StorefrontProduct> products;   // the ones it shows
        QList<StorefrontProduct> updates;
        QList<StorefrontProduct> plugIns;
        QList<StorefrontProduct> apps;
        QList<StorefrontProduct> free;
        QList<ExtrasItem> freeTools;
        QList<ExtrasItem> earlyAccess;
        std::function<bool(const QString& productId)> owns;
        bool signedIn = false; // a store account or a Tavren ID
    };

    struct Shelf {
        QString title;
        std::optional<QString> subtitle;
        QList<StorefrontProduct> products;
        QList<ExtrasItem> items; // an extras shelf when set
        std::optional<HubSection> seeAll;
        bool extras = false;
    };

    struct Screen {
        QList<StorefrontProduct> featured;
        // Only the shelves that draw something, top to bottom.
        QList<Shelf> shelves;
    };

    static Screen present(const Input& input);
    // The featured slugs found in the store's own list, in slug order, for sale.
    static QList<StorefrontProduct> featuredProducts(const QList<StorefrontProduct>& storefront);
    // The shown products neither owned nor free, in their order.
    static QList<StorefrontProduct> notYetOwned(const QList<StorefrontProduct>& products,
        const std::function<bool(const QString&)>& owns);
    // Weekday, day and month in the locale's own order ("Sunday 1 March"); no year, no time.
    static QString dateText(const QDateTime& when, const QString& locale);
};

} // namespace hub
