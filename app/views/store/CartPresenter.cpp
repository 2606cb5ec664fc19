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
    QStringList unsold;
    for (const CartLine& line : lines) {
        Row row{line.product.id, line.product.name, line.product.iconUrl, Prices::price(line.variation, currency),
            QStringLiteral("Remove ") + line.product.name, std::nullopt};
        if (!line.variation.price.contains(currency)) {
            row.unsold = QStringLiteral("Not sold in ") + currency;
            unsold.append(line.product.name);
        }
        screen.rows.append(row);
    }
    screen.totalLabel = QStringLiteral("Total before tax");
    screen.total = Prices::total(lines, currency);
    if (!unsold.isEmpty())
        screen.leftOut = QStringLiteral("Leaves out ") + unsold.join(QStringLiteral(", ")) + QStringLiteral(", not sold in ") + currency + u'.';
    screen.checkOut = QStringLiteral("Check Out");
    return screen;
}

} // namespace hub
