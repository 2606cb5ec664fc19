#pragma once

#include "app/model/CartLine.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The cart popover: one row per line with its price in the chosen currency (else
// the line's first), and the total before tax, which counts the chosen currency only.
// A line not sold in the chosen currency says so, and the total names it.
struct CartPresenter {
    struct Row {
        QString id;
        QString name;
        std::optional<QString> iconUrl;
        QString price;
        QString removeLabel;
        std::optional<QString> unsold; // "Not sold in GBP"
        bool operator==(const Row&) const = default;
    };

    struct Screen {
        QString title = QStringLiteral("Cart");
        std::optional<QString> empty; // "Your cart is empty." and nothing else
        QList<Row> rows;
        QString totalLabel;
        QString total;
        std::optional<QString> leftOut; // the lines the total does not count
        QString checkOut;
    };

    static Screen present(const QList<CartLine>& lines, const QString& currency);
};

} // namespace hub
