#include "kit/api/TavrenIDUser.h"

namespace hub {

TavrenIDUser TavrenIDUser::fromJson(const JsonReader& json)
{
    return TavrenIDUser{
        json.string(u"id"),
        json.string(u"email"),
        json.optionalString(u"createdAt"),
        json.optionalString(u"emailVerifiedAt"),
    };
}

QJsonObject TavrenIDUser::toJson() const
{
    QJsonObject object{{QStringLiteral("id"), id}, {QStringLiteral("email"), email}};
    json::putOptional(object, QStringLiteral("createdAt"), createdAt);
    json::putOptional(object, QStringLiteral("emailVerifiedAt"), emailVerifiedAt);
    return object;
}

} // namespace hub
