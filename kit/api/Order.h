#pragma once

#include "kit/api/OrderLineItem.h"
#include "kit/api/OrderStatus.h"
#include "kit/api/OrderTotal.h"

#include <QList>

namespace hub {

// A store order. The checkout addresses stay text until someone checks and opens them.
struct Order {
    QString id;
    OrderStatus status = OrderStatus::unknown;
    QString currency;
    std::optional<OrderTotal> total;
    QList<OrderLineItem> items;
    std::optional<QString> checkoutUrl;
    std::optional<QString> embeddedCheckoutUrl;

    static Order fromJson(const JsonReader& json);
    QJsonObject toJson() const;
};

} // namespace hub
