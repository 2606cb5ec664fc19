#include "kit/api/StorefrontBundle.h"

namespace hub {

StorefrontBundle StorefrontBundle::fromJson(const JsonReader& json)
{
    StorefrontBundle bundle;
    bundle.id = json.string(u"id");
    bundle.name = json.string(u"name");
    bundle.tagline = json.string(u"tagline");
    bundle.description = json.optionalString(u"description");
    bundle.iconUrl = json.optionalString(u"iconUrl");
    bundle.owned = json.boolean(u"owned");
    bundle.partial = json.boolean(u"partial");
    bundle.products = json.list(u"products", &StorefrontProduct::fromJson);
    bundle.defaultVariation = json.optionalChild(u"defaultVariation", &PricingVariation::fromJson);
    bundle.variations = json.optionalList(u"variations", &PricingVariation::fromJson);
    return bundle;
}

QJsonObject StorefrontBundle::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("tagline"), tagline},
        {QStringLiteral("owned"), owned},
        {QStringLiteral("partial"), partial},
        {QStringLiteral("products"), json::toArray(products)},
    };
    json::putOptional(object, QStringLiteral("description"), description);
    json::putOptional(object, QStringLiteral("iconUrl"), iconUrl);
    json::putOptional(object, QStringLiteral("defaultVariation"), defaultVariation);
    json::putOptional(object, QStringLiteral("variations"), variations);
    return object;
}

} // namespace hub
