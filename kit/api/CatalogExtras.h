#pragma once

#include "kit/api/ExtrasItem.h"
#include "kit/api/ProductMedia.h"
#include "kit/security/HostPolicy.h"
#include "kit/support/JsonReader.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QUrl>
#include <optional>

namespace hub {

// The catalog-extras feed: free tools and early-access items, and screenshots per product.
struct CatalogExtras {
    qint64 version = 1;
    QList<ExtrasItem> items;           // feed order
    QMap<QString, ProductMedia> media; // by product or item id

    // https://<the deployment's web host>/downloads/tavren-catalog-extras.json
    static const QUrl& feedURL();

    // Tolerant reading of a feed document: nothing when it does not begin (after
    // blanks) with "{", is not JSON, has a top-level member of the wrong type, or
    // is not version 1; an item that is not an object, has an empty id or name or
    // repeats an id drops out, and so does a media entry that does not read.
    static std::optional<CatalogExtras> decode(const QByteArray& bytes);

    // Strict reading of the stored form (the snapshot): all three members, every
    // item an object and every media entry readable, or JsonError.
    static CatalogExtras fromJson(const JsonReader& json);
    QJsonObject toJson() const;

    QList<ExtrasItem> freeTools() const;
    QList<ExtrasItem> earlyAccess() const;
    // The product's screenshots that `policy` allows as images, in feed order.
    QList<QUrl> screenshots(const QString& productId, const HostPolicy& policy) const;

    bool operator==(const CatalogExtras&) const = default;
};

inline size_t qHash(const CatalogExtras& e, size_t seed = 0)
{
    return hashing::fields(seed, e.version, e.items, e.media);
}

} // namespace hub
