#pragma once

#include "kit/api/TavrenIDConnection.h"
#include "kit/api/TavrenIDUser.h"

#include <QList>
#include <QStringList>

namespace hub {

// The Tavren ID account as the account screen shows it: the answer of the profile call.
struct TavrenIDProfile {
    TavrenIDUser user;
    std::optional<QList<TavrenIDConnection>> externalAccounts; // in the service's order
    std::optional<QStringList> linkedEmails;                   // in the service's order
    std::optional<qint64> recoveryCodesRemaining;
    std::optional<QStringList> products; // product ids, as sent

    // The primary address, then every linked one in order; never empty, nothing merged.
    QStringList allEmails() const;

    static TavrenIDProfile fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const TavrenIDProfile&) const = default;
};

inline size_t qHash(const TavrenIDProfile& p, size_t seed = 0)
{
    return hashing::fields(seed, p.user, p.externalAccounts, p.linkedEmails, p.recoveryCodesRemaining, p.products);
}

} // namespace hub
