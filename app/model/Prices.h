#pragma once

#include "app/model/CartLine.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// Price texts in the chosen currency, formatted by ICU for the default locale.
// A price table's "first entry" is its first key in iteration order, which for a
// PriceMap is the currency codes in ascending order.
class Prices {
public:
    // The table's entry for `currency`, else its first entry; none for an empty table.
    static std::optional<double> amount(const PriceMap& table, const QString& currency);
    // "Free" for an undiscounted zero, the formatted amount otherwise, empty when unpriced.
    static QString price(const PricingVariation& variation, const QString& currency);
    // The amount in the table's currency (the chosen one when listed, else its first),
    // with " / " and the lower-cased cycle length for a recurring variation.
    static QString format(double amount, const PricingVariation& variation, const PriceMap& table, const QString& currency);
    // The sum of every line's entry for `currency` (0 where a line lacks one).
    static QString total(const QList<CartLine>& lines, const QString& currency);
    // The amount as money in `code` (the locale's own currency when none); the plain
    // number when the formatter gives nothing.
    static QString money(double amount, const std::optional<QString>& code);
};

} // namespace hub
