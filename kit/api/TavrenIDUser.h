#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// The Tavren ID account's identity. Dates are kept as the text the service sent.
struct TavrenIDUser {
    QString id;
    QString email;
    std::optional<QString> createdAt;
    std::optional<QString> emailVerifiedAt;

    static TavrenIDUser fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const TavrenIDUser&) const = default;
};

inline size_t qHash(const TavrenIDUser& u, size_t seed = 0)
{
    return hashing::fields(seed, u.id, u.email, u.createdAt, u.emailVerifiedAt);
}

} // namespace hub
