#pragma once

#include "app/model/ProductKind.h"
#include "app/model/SearchIndexEntry.h"
#include "kit/api/CatalogExtras.h"
#include "kit/api/Storefront.h"

#include <QObject>
#include <optional>

namespace hub {

class Accounts;

// The store's catalog and the extras feed as the app shows them, and every query over the catalog: what the
// store shows, what the person owns, one kind, the free products, and search.
class StoreCatalog : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<hub::Storefront> storefront READ storefront NOTIFY storefrontChanged)
    Q_PROPERTY(bool storefrontIsCached READ storefrontIsCached NOTIFY storefrontIsCachedChanged)
    Q_PROPERTY(QList<hub::SearchIndexEntry> searchIndex READ searchIndex NOTIFY searchIndexChanged)
    Q_PROPERTY(std::optional<hub::CatalogExtras> extras READ extras NOTIFY extrasChanged)

public:
    explicit StoreCatalog(const Accounts& accounts, QObject* parent = nullptr);

    const std::optional<Storefront>& storefront() const { return storefront_; }
    bool storefrontIsCached() const { return storefrontIsCached_; }
    // Builds an index that waits (deferSearchIndex) first.
    const QList<SearchIndexEntry>& searchIndex() const;
    const std::optional<CatalogExtras>& extras() const { return extras_; }

    // Every assignment rebuilds the search index, equal or not (at once, unless it waits).
    void setStorefront(const std::optional<Storefront>& storefront);
    // Until buildSearchIndex(), the index of a new storefront waits for its first reader:
    // the launch shows the snapshot without paying for its index.
    void deferSearchIndex() { indexWaits_ = true; }
    // Builds a waiting index; from then on every storefront's index is built at once.
    void buildSearchIndex();
    void setStorefrontIsCached(bool cached);
    void setExtras(const std::optional<CatalogExtras>& extras);

    std::optional<StorefrontProduct> storeProduct(const QString& id) const;
    // Storefront order; a product without a default variation only for its owners.
    QList<StorefrontProduct> products() const;
    bool owns(const QString& id) const;
    QList<StorefrontProduct> products(ProductKind kind) const;
    QList<StorefrontProduct> freeProducts() const;
    // The shown products whose text holds every token of the query, those whose
    // name starts with the first token first, then by name.
    QList<StorefrontProduct> searchResults(const QString& query) const;
    // The extras items whose name, summary, kind and stage hold every token of the query, in feed order.
    QList<ExtrasItem> searchExtras(const QString& query) const;
    std::optional<ExtrasItem> extrasItem(const QString& id) const;
    // The items of one extras shelf, in feed order; none while no feed is held.
    QList<ExtrasItem> extras(ExtrasItem::Shelf shelf) const;
    // Through the hub when the item's store product is in the storefront with a macOS download.
    ExtrasItem::InstallRoute route(const ExtrasItem& item) const;
    // The storefront products the person owns (store records and identity list), by name.
    QList<StorefrontProduct> ownedProducts() const;

signals:
    void storefrontChanged();
    void storefrontIsCachedChanged();
    void searchIndexChanged();
    void extrasChanged();

private:
    void rebuildSearchIndex();
    QList<SearchIndexEntry> makeSearchIndex() const;
    bool isShown(const StorefrontProduct& product) const;

    const Accounts& accounts_;
    std::optional<Storefront> storefront_;
    bool storefrontIsCached_ = false;
    mutable QList<SearchIndexEntry> searchIndex_;
    bool indexWaits_ = false;
    mutable bool indexStale_ = false;
    std::optional<CatalogExtras> extras_;
};

} // namespace hub
