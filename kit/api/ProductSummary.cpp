#include "kit/api/ProductSummary.h"

namespace hub {

ProductSummary ProductSummary::fromJson(const JsonReader& json)
{
    ProductSummary product;
    product.id = json.string(u"id");
    product.name = json.string(u"name");
    product.tagline = json.string(u"tagline");
    product.description = json.optionalString(u"description");
    product.iconUrl = json.optionalString(u"iconUrl");
    product.website = json.optionalString(u"website");
    product.currentVersion = json.optionalString(u"currentVersion");
    product.version = json.optionalString(u"version");
    product.releaseDescription = json.optionalString(u"releaseDescription");
    product.downloadsNeedsUser = json.optionalBoolean(u"downloadsNeedsUser");
    product.downloadsNeedsOwnership = json.optionalBoolean(u"downloadsNeedsOwnership");
    product.downloads = json.optionalList(u"downloads", &Download::fromJson);
    return product;
}

QJsonObject ProductSummary::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("tagline"), tagline},
    };
    json::putOptional(object, QStringLiteral("description"), description);
    json::putOptional(object, QStringLiteral("iconUrl"), iconUrl);
    json::putOptional(object, QStringLiteral("website"), website);
    json::putOptional(object, QStringLiteral("currentVersion"), currentVersion);
    json::putOptional(object, QStringLiteral("version"), version);
    json::putOptional(object, QStringLiteral("releaseDescription"), releaseDescription);
    json::putOptional(object, QStringLiteral("downloadsNeedsUser"), downloadsNeedsUser);
    json::putOptional(object, QStringLiteral("downloadsNeedsOwnership"), downloadsNeedsOwnership);
    json::putOptional(object, QStringLiteral("downloads"), downloads);
    return object;
}

} // namespace hub
