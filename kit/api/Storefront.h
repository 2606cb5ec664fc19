#pragma once

#include "kit/api/StorefrontBundle.h"

#include <QStringList>

namespace hub {

// The store's catalog as one document; also the stored form of the snapshot.
struct Storefront {
    QString suggestedCurrency;
    std::optional<QStringList> enabledCurrencies;
    QList<StorefrontProduct> products;
    QList<StorefrontBundle> bundles;

    static Storefront fromJson(const JsonReader& json)
    {
        return {
            json.string(u"suggestedCurrency"),
            json.optionalStringList(u"enabledCurrencies"),
            json.list(u"products", &StorefrontProduct::fromJson),
            json.list(u"bundles", &StorefrontBundle::fromJson),
        };
    }
    QJsonObject toJson() const
    {
        QJsonObject object{
            {QStringLiteral("suggestedCurrency"), suggestedCurrency},
            {QStringLiteral("products"), json::toArray(products)},
            {QStringLiteral("bundles"), json::toArray(bundles)},
        };
        json::putOptional(object, QStringLiteral("enabledCurrencies"), enabledCurrencies);
        return object;
    }
    bool operator==(const Storefront&) const = default;
};

} // namespace hub
