#include "kit/api/PricingVariation.h"

namespace hub {

namespace {

PriceMap readPrices(const JsonReader& prices)
{
    PriceMap out;
    for (const QString& currency : prices.object().keys())
        out.insert(currency, prices.number(currency));
    return out;
}

QJsonObject writePrices(const PriceMap& prices)
{
    QJsonObject out;
    for (auto it = prices.begin(); it != prices.end(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

} // namespace

PricingVariation PricingVariation::fromJson(const JsonReader& json)
{
    PricingVariation variation;
    variation.id = json.string(u"id");
    variation.name = json.string(u"name");
    variation.originalPrice = readPrices(json.child(u"originalPrice"));
    variation.price = readPrices(json.child(u"price"));
    variation.hasDiscount = json.boolean(u"hasDiscount");
    variation.recurrence = Recurrence::fromJson(json.child(u"recurrence"));
    return variation;
}

QJsonObject PricingVariation::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("originalPrice"), writePrices(originalPrice)},
        {QStringLiteral("price"), writePrices(price)},
        {QStringLiteral("hasDiscount"), hasDiscount},
        {QStringLiteral("recurrence"), recurrence.toJson()},
    };
}

} // namespace hub
