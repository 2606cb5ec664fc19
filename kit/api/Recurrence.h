#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// Whether a price is a subscription: a `type` of exactly "Recurring".
struct Recurrence {
    QString type;
    std::optional<QString> cycleLength;

    bool isRecurring() const { return type == QLatin1String("Recurring"); }

    static Recurrence fromJson(const JsonReader& json)
    {
        return {json.string(u"type"), json.optionalString(u"cycleLength")};
    }
    QJsonObject toJson() const
    {
        QJsonObject object{{QStringLiteral("type"), type}};
        json::putOptional(object, QStringLiteral("cycleLength"), cycleLength);
        return object;
    }
    bool operator==(const Recurrence&) const = default;
};

inline size_t qHash(const Recurrence& r, size_t seed = 0)
{
    return hashing::fields(seed, r.type, r.cycleLength);
}

} // namespace hub
