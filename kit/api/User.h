#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace hub {

// The signed-in store account.
struct User {
    QString id;
    QString email;
    QString name;
    std::optional<QString> tenantId;
    std::optional<QStringList> ownedProducts;
    std::optional<bool> confirmedAccount;

    static User fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const User&) const = default;
};

inline size_t qHash(const User& u, size_t seed = 0)
{
    return hashing::fields(seed, u.id, u.email, u.name, u.tenantId, u.ownedProducts, u.confirmedAccount);
}

} // namespace hub
