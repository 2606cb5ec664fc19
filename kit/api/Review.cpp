#include "kit/api/Review.h"

#include "kit/api/MoonbaseDate.h"

namespace hub {

std::optional<QDateTime> Review::date() const
{
    if (updatedAt)
        return MoonbaseDate::parse(*updatedAt);
    if (createdAt)
        return MoonbaseDate::parse(*createdAt);
    return std::nullopt;
}

Review Review::fromJson(const JsonReader& json)
{
    return Review{
        json.string(u"id"),
        json.string(u"productId"),
        json.integer(u"rating"),
        json.string(u"title"),
        json.string(u"body"),
        json.string(u"displayName"),
        json.boolean(u"verifiedPurchase"),
        json.optionalString(u"createdAt"),
        json.optionalString(u"updatedAt"),
        json.optionalBoolean(u"edited"),
        json.optionalBoolean(u"hidden"),
    };
}

QJsonObject Review::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("productId"), productId},
        {QStringLiteral("rating"), rating},
        {QStringLiteral("title"), title},
        {QStringLiteral("body"), body},
        {QStringLiteral("displayName"), displayName},
        {QStringLiteral("verifiedPurchase"), verifiedPurchase},
    };
    json::putOptional(object, QStringLiteral("createdAt"), createdAt);
    json::putOptional(object, QStringLiteral("updatedAt"), updatedAt);
    json::putOptional(object, QStringLiteral("edited"), edited);
    json::putOptional(object, QStringLiteral("hidden"), hidden);
    return object;
}

} // namespace hub
