#include "kit/api/TavrenIDSession.h"

namespace hub {

TavrenIDSession TavrenIDSession::fromJson(const JsonReader& json)
{
    return TavrenIDSession{
        json.string(u"id"),
        json.string(u"label"),
        json.optionalBoolean(u"current"),
        json.optionalString(u"createdAt"),
        json.optionalString(u"lastSeenAt"),
    };
}

QJsonObject TavrenIDSession::toJson() const
{
    QJsonObject object{{QStringLiteral("id"), id}, {QStringLiteral("label"), label}};
    json::putOptional(object, QStringLiteral("current"), current);
    json::putOptional(object, QStringLiteral("createdAt"), createdAt);
    json::putOptional(object, QStringLiteral("lastSeenAt"), lastSeenAt);
    return object;
}

} // namespace hub
