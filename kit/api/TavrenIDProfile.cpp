#include "kit/api/TavrenIDProfile.h"

namespace hub {

QStringList TavrenIDProfile::allEmails() const
{
    QStringList emails{user.email};
    if (linkedEmails)
        emails += *linkedEmails;
    return emails;
}

TavrenIDProfile TavrenIDProfile::fromJson(const JsonReader& json)
{
    return TavrenIDProfile{
        TavrenIDUser::fromJson(json.child(u"user")),
        json.optionalList(u"externalAccounts", TavrenIDConnection::fromJson),
        json.optionalStringList(u"linkedEmails"),
        json.optionalInteger(u"recoveryCodesRemaining"),
        json.optionalStringList(u"products"),
    };
}

QJsonObject TavrenIDProfile::toJson() const
{
    QJsonObject object{{QStringLiteral("user"), user.toJson()}};
    json::putOptional(object, QStringLiteral("externalAccounts"), externalAccounts);
    json::putOptional(object, QStringLiteral("linkedEmails"), linkedEmails);
    json::putOptional(object, QStringLiteral("recoveryCodesRemaining"), recoveryCodesRemaining);
    json::putOptional(object, QStringLiteral("products"), products);
    return object;
}

} // namespace hub
