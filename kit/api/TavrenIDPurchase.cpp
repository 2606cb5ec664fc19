#include "kit/api/TavrenIDPurchase.h"

namespace hub {

TavrenIDPurchase TavrenIDPurchase::fromJson(const JsonReader& json)
{
    return TavrenIDPurchase{
        json.string(u"id"),
        json.string(u"productId"),
        json.optionalString(u"source"),
        json.optionalString(u"buyerEmail"),
        json.string(u"status"),
        json.optionalString(u"purchasedAt"),
        json.optionalBoolean(u"gifted"),
    };
}

QJsonObject TavrenIDPurchase::toJson() const
{
    QJsonObject object{{QStringLiteral("id"), id}, {QStringLiteral("productId"), productId}};
    json::putOptional(object, QStringLiteral("source"), source);
    json::putOptional(object, QStringLiteral("buyerEmail"), buyerEmail);
    object.insert(QStringLiteral("status"), status);
    json::putOptional(object, QStringLiteral("purchasedAt"), purchasedAt);
    json::putOptional(object, QStringLiteral("gifted"), gifted);
    return object;
}

} // namespace hub
