#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// One purchase recorded for the Tavren ID account, identified by `id`. The texts
// (status, source, dates) are the service's, kept as sent.
struct TavrenIDPurchase {
    QString id;
    QString productId;
    std::optional<QString> source;
    std::optional<QString> buyerEmail;
    QString status;
    std::optional<QString> purchasedAt;
    std::optional<bool> gifted;

    static TavrenIDPurchase fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const TavrenIDPurchase&) const = default;
};

inline size_t qHash(const TavrenIDPurchase& p, size_t seed = 0)
{
    return hashing::fields(seed, p.id, p.productId, p.source, p.buyerEmail, p.status, p.purchasedAt, p.gifted);
}

} // namespace hub
