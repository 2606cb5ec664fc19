#pragma once

#include "kit/api/Download.h"
#include "kit/support/Hashing.h"

namespace hub {

// A product as the single-product and owned-products calls return it.
struct ProductSummary {
    QString id;
    QString name;
    QString tagline;
    std::optional<QString> description;
    std::optional<QString> iconUrl;
    std::optional<QString> website;
    std::optional<QString> currentVersion;
    std::optional<QString> version; // where the offered version is needed, currentVersion comes first
    std::optional<QString> releaseDescription;
    std::optional<bool> downloadsNeedsUser;
    std::optional<bool> downloadsNeedsOwnership;
    std::optional<QList<Download>> downloads;

    QList<Download> macDownloads() const { return Download::installableHere(downloads); }

    static ProductSummary fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const ProductSummary&) const = default;
};

inline size_t qHash(const ProductSummary& p, size_t seed = 0)
{
    return hashing::fields(seed, p.id, p.name, p.tagline, p.description, p.iconUrl, p.website, p.currentVersion, p.version, p.releaseDescription, p.downloadsNeedsUser, p.downloadsNeedsOwnership, p.downloads);
}

} // namespace hub
