#pragma once

#include "kit/api/Recurrence.h"
#include "kit/support/Hashing.h"

#include <QMap>

namespace hub {

// Currency code to amount in the currency's major unit.
using PriceMap = QMap<QString, double>;

// One way to buy a product or bundle.
struct PricingVariation {
    QString id;
    QString name;
    PriceMap originalPrice;
    PriceMap price;
    bool hasDiscount = false;
    Recurrence recurrence;

    static PricingVariation fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const PricingVariation&) const = default;
};

inline size_t qHash(const PricingVariation& v, size_t seed = 0)
{
    return hashing::fields(seed, v.id, v.name, v.originalPrice, v.price, v.hasDiscount, v.recurrence);
}

} // namespace hub
