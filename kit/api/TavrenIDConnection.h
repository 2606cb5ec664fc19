#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// A sign-in provider account linked to the Tavren ID. `provider` is the
// service's name for it, any text (not only the browser sign-in providers).
struct TavrenIDConnection {
    QString provider;
    std::optional<QString> email;
    std::optional<QString> linkedAt;

    static TavrenIDConnection fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const TavrenIDConnection&) const = default;
};

inline size_t qHash(const TavrenIDConnection& c, size_t seed = 0)
{
    return hashing::fields(seed, c.provider, c.email, c.linkedAt);
}

} // namespace hub
