#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// One signed-in device of the Tavren ID account, identified by `id`.
struct TavrenIDSession {
    QString id; // what the revoke call names
    QString label;
    std::optional<bool> current; // the session this app's requests carry
    std::optional<QString> createdAt;
    std::optional<QString> lastSeenAt;

    static TavrenIDSession fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const TavrenIDSession&) const = default;
};

inline size_t qHash(const TavrenIDSession& s, size_t seed = 0)
{
    return hashing::fields(seed, s.id, s.label, s.current, s.createdAt, s.lastSeenAt);
}

} // namespace hub
