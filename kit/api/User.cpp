#include "kit/api/User.h"

namespace hub {

User User::fromJson(const JsonReader& json)
{
    return User{
        json.string(u"id"),
        json.string(u"email"),
        json.string(u"name"),
        json.optionalString(u"tenantId"),
        json.optionalStringList(u"ownedProducts"),
        json.optionalBoolean(u"confirmedAccount"),
    };
}

QJsonObject User::toJson() const
{
    QJsonObject object{{QStringLiteral("id"), id}, {QStringLiteral("email"), email}, {QStringLiteral("name"), name}};
    json::putOptional(object, QStringLiteral("tenantId"), tenantId);
    json::putOptional(object, QStringLiteral("ownedProducts"), ownedProducts);
    json::putOptional(object, QStringLiteral("confirmedAccount"), confirmedAccount);
    return object;
}

} // namespace hub
