#pragma once

#include "app/model/CatalogEntry.h"
#include "kit/api/StorefrontProduct.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace hub {

// A product's page: header texts and buttons, the five facts, "What's New", the
// information rows, the share link and the "More from Tavren" products.
struct ProductPagePresenter {
    static constexpr int moreLimit = 6;

    struct Installed {
        QString version;
        QDate on;
    };

    struct Input {
        StorefrontProduct product;
        CatalogEntry entry;
        QString currency;
        bool owns = false;
        bool inCart = false;
        bool wishlisted = false;
        std::optional<QString> failure; // the message of the product's newest job, when it failed
        std::optional<QString> latestVersion;
        std::optional<QString> releaseNotes;
        std::optional<Installed> installed;
        QString storeHost;
        QList<StorefrontProduct> products; // what the store shows, in its order
        std::function<ProductKind(const QString& id)> kindOf;
    };

    struct Fact {
        QString label;
        QString value;
        bool operator==(const Fact&) const = default;
    };
    struct Row {
        QString label;
        QString value;
        std::optional<QUrl> link; // the value opens it
        bool operator==(const Row&) const = default;
    };
    struct WhatsNew {
        QString version;                  // "Version 1.5.0"
        std::optional<QString> notes;     // none: the "no release notes" line
        std::optional<QString> installed; // "You have 1.4.0, installed Dec 8, 2026."
        bool operator==(const WhatsNew&) const = default;
    };

    struct Screen {
        QString category;
        bool showsAddToCart = false;
        bool addToCartEnabled = false;
        std::optional<QString> failure;
        QString wishlistSymbol;
        QString wishlistHelp;
        std::optional<QUrl> shareLink;
        QList<Fact> facts;
        std::optional<QString> description;
        std::optional<WhatsNew> whatsNew;
        QList<Row> information;
        QList<StorefrontProduct> more;
    };

    static Screen screen(const Input& input);

    // The price in the chosen currency, with the list price of a discount in the
    // same currency: "€39.00, was €59.00"; "Not for sale" without a variation.
    static QString price(const std::optional<PricingVariation>& variation, const QString& currency);
    // The distinct platforms of every download, in string order; "Not yet released" without any.
    static QString compatibility(const std::optional<QList<Download>>& downloads);
    // Where the install engine places the kind's bundles.
    static QString installsTo(ProductKind kind);
    // An http or https address with a host, shown as its host.
    static std::optional<Row> website(const std::optional<QString>& text);
    // https://<store host>/buy/<id as one path segment>.
    static std::optional<QUrl> shareLink(const QString& storeHost, const QString& productId);
    // The first six other products of the same kind.
    static QList<StorefrontProduct> more(const QList<StorefrontProduct>& products, const QString& productId,
        ProductKind kind, const std::function<ProductKind(const QString&)>& kindOf);
};

} // namespace hub
