#include "kit/api/StorefrontProduct.h"

#include <algorithm>

namespace hub {

bool StorefrontProduct::isFree() const
{
    if (!defaultVariation || defaultVariation->price.isEmpty())
        return false;
    const auto zero = [](double amount) { return amount == 0.0; }; // -0 counts, NaN does not
    return std::all_of(defaultVariation->originalPrice.cbegin(), defaultVariation->originalPrice.cend(), zero)
        && std::all_of(defaultVariation->price.cbegin(), defaultVariation->price.cend(), zero);
}

StorefrontProduct StorefrontProduct::fromJson(const JsonReader& json)
{
    StorefrontProduct product;
    product.id = json.string(u"id");
    product.name = json.string(u"name");
    product.tagline = json.string(u"tagline");
    product.description = json.optionalString(u"description");
    product.iconUrl = json.optionalString(u"iconUrl");
    product.website = json.optionalString(u"website");
    product.owned = json.boolean(u"owned");
    product.currentVersion = json.optionalString(u"currentVersion");
    product.downloads = json.optionalList(u"downloads", &Download::fromJson);
    product.defaultVariation = json.optionalChild(u"defaultVariation", &PricingVariation::fromJson);
    product.variations = json.optionalList(u"variations", &PricingVariation::fromJson);
    return product;
}

QJsonObject StorefrontProduct::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("tagline"), tagline},
        {QStringLiteral("owned"), owned},
    };
    json::putOptional(object, QStringLiteral("description"), description);
    json::putOptional(object, QStringLiteral("iconUrl"), iconUrl);
    json::putOptional(object, QStringLiteral("website"), website);
    json::putOptional(object, QStringLiteral("currentVersion"), currentVersion);
    json::putOptional(object, QStringLiteral("downloads"), downloads);
    json::putOptional(object, QStringLiteral("defaultVariation"), defaultVariation);
    json::putOptional(object, QStringLiteral("variations"), variations);
    return object;
}

} // namespace hub
