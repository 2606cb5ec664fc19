#pragma once

#include "kit/api/Download.h"
#include "kit/api/PricingVariation.h"
#include "kit/support/Hashing.h"

namespace hub {

// One product of the storefront.
struct StorefrontProduct {
    QString id;
    QString name;
    QString tagline;
    std::optional<QString> description;
    std::optional<QString> iconUrl;
    std::optional<QString> website;
    bool owned = false;
    std::optional<QString> currentVersion;
    std::optional<QList<Download>> downloads;
    std::optional<PricingVariation> defaultVariation;
    std::optional<QList<PricingVariation>> variations;

    QList<Download> macDownloads() const { return Download::installableHere(downloads); }
    // A default variation with a non-empty price map whose every price and original price is zero.
    bool isFree() const;
    bool isPurchasable() const { return defaultVariation.has_value(); }

    static StorefrontProduct fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const StorefrontProduct&) const = default;
};

inline size_t qHash(const StorefrontProduct& p, size_t seed = 0)
{
    return hashing::fields(seed, p.id, p.name, p.tagline, p.description, p.iconUrl, p.website, p.owned, p.currentVersion, p.downloads, p.defaultVariation, p.variations);
}

} // namespace hub
