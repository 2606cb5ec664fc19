#include "kit/api/TavrenIDConnection.h"

namespace hub {

TavrenIDConnection TavrenIDConnection::fromJson(const JsonReader& json)
{
    return TavrenIDConnection{
        json.string(u"provider"),
        json.optionalString(u"email"),
        json.optionalString(u"linkedAt"),
    };
}

QJsonObject TavrenIDConnection::toJson() const
{
    QJsonObject object{{QStringLiteral("provider"), provider}};
    json::putOptional(object, QStringLiteral("email"), email);
    json::putOptional(object, QStringLiteral("linkedAt"), linkedAt);
    return object;
}

} // namespace hub
