#pragma once

#include "kit/api/Recurrence.h"

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

} // namespace hub
