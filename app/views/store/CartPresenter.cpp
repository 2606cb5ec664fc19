#include "app/views/store/CartPresenter.h"

#include "app/model/Prices.h"

namespace hub {

CartPresenter::Screen CartPresenter::present(const QList<CartLine>& lines, const QString& currency)
{
    Screen screen;
    if (lines.isEmpty()) {
        screen.empty = QStringLiteral("Your cart is empty.");
        return screen;
    }
    for (const CartLine& line : lines)
        screen.rows.append({line.product.id, line.product.name, line.product.iconUrl, Prices::price(line.variation, currency),
            QStringLiteral("Remove ") + line.product.name});
    screen.totalLabel = QStringLiteral("Total before tax");
    screen.total = Prices::total(lines, currency);
    screen.checkOut = QStringLiteral("Check Out");
    return screen;
}

} // namespace hub
