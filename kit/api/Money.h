#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>

namespace hub {

// An amount in the currency's major unit.
struct Money {
    QString currency;
    double amount = 0;

    static Money fromJson(const JsonReader& json) { return {json.string(u"currency"), json.number(u"amount")}; }
    QJsonObject toJson() const { return {{QStringLiteral("currency"), currency}, {QStringLiteral("amount"), amount}}; }
    bool operator==(const Money&) const = default;
};

inline size_t qHash(const Money& m, size_t seed = 0)
{
    return hashing::fields(seed, m.currency, m.amount);
}

} // namespace hub
