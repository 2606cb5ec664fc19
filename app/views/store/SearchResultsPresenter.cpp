#include "app/views/store/SearchResultsPresenter.h"

namespace hub {

SearchResultsPresenter::Screen SearchResultsPresenter::present(const QString& search,
    const QList<StorefrontProduct>& products, const QList<ExtrasItem>& items)
{
    Screen screen;
    screen.title = QStringLiteral("Results for \"") + search + u'"';
    if (products.isEmpty() && items.isEmpty()) {
        screen.nothing = QStringLiteral("Nothing in the Tavren store matches that.");
        return screen;
    }
    screen.subtitle = QStringLiteral("Press Return to open the first match");
    screen.storeTitle = QStringLiteral("Store");
    screen.products = products;
    screen.extrasTitle = QStringLiteral("Free Tools and Early Access");
    screen.items = items;
    return screen;
}

} // namespace hub
