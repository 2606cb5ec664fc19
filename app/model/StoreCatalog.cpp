#include "app/model/StoreCatalog.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Catalog.h"
#include "app/model/SearchText.h"
#include "kit/support/ParallelFor.h"

#include <QSet>
#include <algorithm>

namespace hub {

namespace {

// Stable sort by plain name order; the keys are made once, not per comparison.
template <typename Item, typename NameOf>
void sortByName(QList<Item>& items, NameOf nameOf)
{
    QList<std::pair<std::u32string, qsizetype>> keys;
    keys.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        keys.append({SearchText::plainKey(nameOf(items.at(i))), i});
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<Item> sorted;
    sorted.reserve(items.size());
    for (const auto& key : keys)
        sorted.append(items.at(key.second));
    items = std::move(sorted);
}

} // namespace

StoreCatalog::StoreCatalog(const Accounts& accounts, QObject* parent) : QObject(parent), accounts_(accounts) {}

void StoreCatalog::setStorefront(const std::optional<Storefront>& storefront)
{
    const bool changed = assign(storefront_, storefront);
    if (changed)
        emit storefrontChanged();
    if (!indexWaits_) {
        rebuildSearchIndex();
    } else if (changed) {
        indexStale_ = true;
        emit searchIndexChanged();
    }
}

const QList<SearchIndexEntry>& StoreCatalog::searchIndex() const
{
    // A reader that comes before buildSearchIndex() gets the index at once.
    if (indexStale_) {
        searchIndex_ = makeSearchIndex();
        indexStale_ = false;
    }
    return searchIndex_;
}

void StoreCatalog::buildSearchIndex()
{
    indexWaits_ = false;
    if (indexStale_) {
        indexStale_ = false;
        rebuildSearchIndex();
    }
}

void StoreCatalog::setStorefrontIsCached(bool cached)
{
    if (assign(storefrontIsCached_, cached))
        emit storefrontIsCachedChanged();
}

void StoreCatalog::setExtras(const std::optional<CatalogExtras>& extras)
{
    if (assign(extras_, extras))
        emit extrasChanged();
}

void StoreCatalog::rebuildSearchIndex()
{
    if (assign(searchIndex_, makeSearchIndex()))
        emit searchIndexChanged();
}

QList<SearchIndexEntry> StoreCatalog::makeSearchIndex() const
{
    QList<SearchIndexEntry> index;
    if (storefront_) {
        const QList<StorefrontProduct>& products = storefront_->products;
        index.resize(products.size());
        // Folding is the costly part of a large catalog: spread it over a few threads.
        parallelFor(size_t(products.size()), [&](size_t i) {
            const StorefrontProduct& product = products.at(qsizetype(i));
            const CatalogEntry entry = Catalog::entry(product.id);
            // The name comes first: searchResults reads name prefixes from the text.
            const QString text = QStringList{product.name, product.tagline, product.description.value_or(QString()),
                entry.category, toString(entry.kind), entry.formats}
                                     .join(QLatin1Char(' '));
            index[qsizetype(i)] = {product, SearchText::fold(text)};
        });
    }
    return index;
}

std::optional<StorefrontProduct> StoreCatalog::storeProduct(const QString& id) const
{
    if (storefront_) {
        for (const StorefrontProduct& product : storefront_->products) {
            if (product.id == id)
                return product;
        }
    }
    return std::nullopt;
}

bool StoreCatalog::owns(const QString& id) const
{
    return accounts_.owns(id);
}

QList<StorefrontProduct> StoreCatalog::products() const
{
    QList<StorefrontProduct> shown;
    if (!storefront_)
        return shown;
    for (const StorefrontProduct& product : storefront_->products) {
        if (isShown(product))
            shown.append(product);
    }
    return shown;
}

bool StoreCatalog::isShown(const StorefrontProduct& product) const
{
    return product.defaultVariation || owns(product.id);
}

QList<StorefrontProduct> StoreCatalog::products(ProductKind kind) const
{
    QList<StorefrontProduct> ofKind = products();
    ofKind.removeIf([&](const StorefrontProduct& p) { return Catalog::entry(p.id).kind != kind; });
    return ofKind;
}

QList<StorefrontProduct> StoreCatalog::freeProducts() const
{
    QList<StorefrontProduct> free = products();
    free.removeIf([](const StorefrontProduct& p) { return !p.isFree(); });
    return free;
}

QList<StorefrontProduct> StoreCatalog::searchResults(const QString& query) const
{
    const QStringList tokens = SearchText::tokens(SearchText::fold(query));
    if (tokens.isEmpty())
        return {};

    struct Match {
        const StorefrontProduct* product;
        bool prefix;
    };
    QList<Match> matches;
    for (const SearchIndexEntry& entry : searchIndex()) {
        if (!isShown(entry.product))
            continue;
        const bool all = std::all_of(tokens.begin(), tokens.end(), [&](const QString& t) { return entry.text.contains(t); });
        // The text begins with the folded name and a space, and no token holds a space.
        if (all)
            matches.append({&entry.product, entry.text.startsWith(tokens.first())});
    }

    // Name-prefix matches of the first token first, each group by plain name order.
    std::stable_partition(matches.begin(), matches.end(), [](const Match& m) { return m.prefix; });
    const auto boundary = std::find_if(matches.begin(), matches.end(), [](const Match& m) { return !m.prefix; });
    QList<Match> first(matches.begin(), boundary);
    QList<Match> rest(boundary, matches.end());
    const auto nameOf = [](const Match& m) -> const QString& { return m.product->name; };
    sortByName(first, nameOf);
    sortByName(rest, nameOf);

    QList<StorefrontProduct> results;
    results.reserve(matches.size());
    for (const Match& m : first + rest)
        results.append(*m.product);
    return results;
}

QList<ExtrasItem> StoreCatalog::searchExtras(const QString& query) const
{
    const QStringList tokens = SearchText::tokens(SearchText::fold(query));
    QList<ExtrasItem> found;
    if (tokens.isEmpty() || !extras_)
        return found;
    for (const ExtrasItem& item : extras_->items) {
        const QString text = SearchText::fold(
            QStringList{item.name, item.summary.value_or(QString()), item.kind, item.stage.value_or(QString())}.join(QLatin1Char(' ')));
        if (std::all_of(tokens.begin(), tokens.end(), [&](const QString& t) { return text.contains(t); }))
            found.append(item);
    }
    return found;
}

std::optional<ExtrasItem> StoreCatalog::extrasItem(const QString& id) const
{
    if (extras_) {
        for (const ExtrasItem& item : extras_->items) {
            if (item.id == id)
                return item;
        }
    }
    return std::nullopt;
}

QList<ExtrasItem> StoreCatalog::extras(ExtrasItem::Shelf shelf) const
{
    if (!extras_)
        return {};
    return shelf == ExtrasItem::Shelf::earlyAccess ? extras_->earlyAccess() : extras_->freeTools();
}

ExtrasItem::InstallRoute StoreCatalog::route(const ExtrasItem& item) const
{
    return item.installRoute([this](const QString& productId) {
        const std::optional<StorefrontProduct> product = storeProduct(productId);
        return product && !product->macDownloads().isEmpty();
    });
}

QList<StorefrontProduct> StoreCatalog::ownedProducts() const
{
    QList<StorefrontProduct> owned;
    if (!storefront_)
        return owned;
    const QSet<QString> ids = accounts_.libraryIds();
    for (const StorefrontProduct& product : storefront_->products) {
        if (ids.contains(product.id))
            owned.append(product);
    }
    sortByName(owned, [](const StorefrontProduct& p) -> const QString& { return p.name; });
    return owned;
}

} // namespace hub
