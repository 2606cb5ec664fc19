#pragma once

#include "kit/api/StorefrontProduct.h"
#include "kit/support/Hashing.h"

namespace hub {

// A bundle of products offered in the storefront.
struct StorefrontBundle {
    QString id;
    QString name;
    QString tagline;
    std::optional<QString> description;
    std::optional<QString> iconUrl;
    bool owned = false;
    bool partial = false;
    QList<StorefrontProduct> products;
    std::optional<PricingVariation> defaultVariation;
    std::optional<QList<PricingVariation>> variations;

    static StorefrontBundle fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const StorefrontBundle&) const = default;
};

inline size_t qHash(const StorefrontBundle& b, size_t seed = 0)
{
    return hashing::fields(seed, b.id, b.name, b.tagline, b.description, b.iconUrl, b.owned, b.partial, b.products, b.defaultVariation, b.variations);
}

} // namespace hub
