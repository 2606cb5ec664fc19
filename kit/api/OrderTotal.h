#pragma once

#include "kit/api/Money.h"
#include "kit/support/Hashing.h"

#include <optional>

namespace hub {

struct OrderTotal {
    Money original;
    Money discount;
    Money subtotal;
    std::optional<Money> taxes;
    Money due;

    static OrderTotal fromJson(const JsonReader& json)
    {
        return {
            Money::fromJson(json.child(u"original")),
            Money::fromJson(json.child(u"discount")),
            Money::fromJson(json.child(u"subtotal")),
            json.optionalChild(u"taxes", &Money::fromJson),
            Money::fromJson(json.child(u"due")),
        };
    }
    QJsonObject toJson() const
    {
        QJsonObject object{
            {QStringLiteral("original"), original.toJson()},
            {QStringLiteral("discount"), discount.toJson()},
            {QStringLiteral("subtotal"), subtotal.toJson()},
            {QStringLiteral("due"), due.toJson()},
        };
        json::putOptional(object, QStringLiteral("taxes"), taxes);
        return object;
    }
    bool operator==(const OrderTotal&) const = default;
};

inline size_t qHash(const OrderTotal& t, size_t seed = 0)
{
    return hashing::fields(seed, t.original, t.discount, t.subtotal, t.taxes, t.due);
}

} // namespace hub
