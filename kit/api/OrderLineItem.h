#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// One line of an order.
struct OrderLineItem {
    QString id;
    QString type;
    std::optional<QString> productId;
    std::optional<QString> bundleId;
    qint64 quantity = 0;
    QString variationId;

    // A new "Product" line with a fresh lower-case UUID as its id.
    static OrderLineItem product(const QString& productId, const QString& variationId, qint64 quantity);

    static OrderLineItem fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const OrderLineItem&) const = default;
};

inline size_t qHash(const OrderLineItem& l, size_t seed = 0)
{
    return hashing::fields(seed, l.id, l.type, l.productId, l.bundleId, l.quantity, l.variationId);
}

} // namespace hub
