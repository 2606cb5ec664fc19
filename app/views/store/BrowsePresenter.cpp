#include "app/views/store/BrowsePresenter.h"

#include "app/model/Catalog.h"
#include "app/model/SearchText.h"

#include <QHash>
#include <algorithm>

namespace hub {

BrowsePresenter::Page BrowsePresenter::browse(ProductKind kind, const QList<StorefrontProduct>& products,
    const std::function<QString(const QString&)>& category)
{
    Page page;
    page.title = toString(kind);
    page.subtitle = kind == ProductKind::plugIn ? QStringLiteral("VST3 and Audio Unit, for every Mac DAW") : QStringLiteral("For your computer");

    QStringList order;
    QHash<QString, QList<StorefrontProduct>> groups;
    for (const StorefrontProduct& product : products) {
        const QString key = category(product.id);
        if (!groups.contains(key))
            order.append(key);
        groups[key].append(product);
    }
    std::stable_sort(order.begin(), order.end(), &Catalog::shelfOrder);
    for (const QString& key : order) {
        QList<StorefrontProduct> shelf = groups.value(key);
        std::stable_sort(shelf.begin(), shelf.end(), [](const StorefrontProduct& a, const StorefrontProduct& b) {
            return SearchText::plainLess(a.name, b.name);
        });
        page.shelves.append({key, shelf});
    }
    return page;
}

BrowsePresenter::Page BrowsePresenter::free(const QList<StorefrontProduct>& freeProducts)
{
    return {QStringLiteral("Free"), QStringLiteral("No charge. You still get a licence, so updates arrive like any other."),
        {{QStringLiteral("Free downloads"), freeProducts}}};
}

BrowsePresenter::Wishlist BrowsePresenter::wishlist(const QList<StorefrontProduct>& products, const QSet<QString>& saved,
    const std::function<bool(const QString&)>& owns)
{
    Wishlist list;
    QList<StorefrontProduct> kept;
    for (const StorefrontProduct& product : products) {
        if (!saved.contains(product.id))
            continue;
        kept.append(product);
        if (!owns(product.id) && product.defaultVariation)
            list.buyable.append(product);
    }
    list.empty = kept.isEmpty();
    list.page.title = QStringLiteral("Wishlist");
    if (!list.empty)
        list.page.shelves.append({QString::number(kept.size()) + QStringLiteral(" saved"), kept});
    if (list.buyable.size() >= 2)
        list.addAll = QStringLiteral("Add all %1 to cart").arg(list.buyable.size());
    return list;
}

} // namespace hub
