#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// One rating with its review, as the identity service stores it.
struct Review {
    QString id;
    QString productId;
    qint64 rating = 0; // not range-checked on reading
    QString title;
    QString body;
    QString displayName;
    bool verifiedPurchase = false;
    std::optional<QString> createdAt;
    std::optional<QString> updatedAt;
    std::optional<bool> edited;
    std::optional<bool> hidden; // waiting for a moderator

    // updatedAt when present (nothing when it does not read), else createdAt.
    std::optional<QDateTime> date() const;

    static Review fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const Review&) const = default;
};

inline size_t qHash(const Review& r, size_t seed = 0)
{
    return hashing::fields(seed, r.id, r.productId, r.rating, r.title, r.body, r.displayName, r.verifiedPurchase,
        r.createdAt, r.updatedAt, r.edited, r.hidden);
}

} // namespace hub
