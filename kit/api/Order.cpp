#include "kit/api/Order.h"

namespace hub {

Order Order::fromJson(const JsonReader& json)
{
    Order order;
    order.id = json.string(u"id");
    order.status = orderStatusFromString(json.string(u"status")).value_or(OrderStatus::unknown);
    order.currency = json.string(u"currency");
    order.total = json.optionalChild(u"total", &OrderTotal::fromJson);
    order.items = json.list(u"items", &OrderLineItem::fromJson);
    order.checkoutUrl = json.optionalString(u"checkoutUrl");
    order.embeddedCheckoutUrl = json.optionalString(u"embeddedCheckoutUrl");
    return order;
}

QJsonObject Order::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("status"), toString(status)},
        {QStringLiteral("currency"), currency},
        {QStringLiteral("items"), json::toArray(items)},
    };
    json::putOptional(object, QStringLiteral("total"), total);
    json::putOptional(object, QStringLiteral("checkoutUrl"), checkoutUrl);
    json::putOptional(object, QStringLiteral("embeddedCheckoutUrl"), embeddedCheckoutUrl);
    return object;
}

} // namespace hub
