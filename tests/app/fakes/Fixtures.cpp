#include "tests/app/fakes/Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace hub::Fixtures {

namespace {

Download macDownload(const QString& id, const QString& version)
{
    return {id + QStringLiteral(".zip"), id + QStringLiteral("-") + version, Platform::mac, 1024,
        QStringLiteral("https://tavren.store.example/api/customer/downloads/") + id};
}

} // namespace

StorefrontProduct product(const QString& id, const QString& name, std::optional<double> euros, const QString& version)
{
    StorefrontProduct p;
    p.id = id;
    p.name = name;
    p.tagline = name + QStringLiteral(" tagline");
    p.currentVersion = version;
    p.downloads = QList<Download>{macDownload(id, version)};
    if (euros) {
        PricingVariation variation;
        variation.id = id + QStringLiteral("-default");
        variation.name = QStringLiteral("Default");
        variation.price = {{QStringLiteral("EUR"), *euros}};
        p.defaultVariation = variation;
    }
    return p;
}

Storefront storefront(const QList<StorefrontProduct>& products)
{
    Storefront s;
    s.suggestedCurrency = QStringLiteral("EUR");
    s.products = products;
    return s;
}

ProductSummary summary(const StorefrontProduct& product, const QString& version)
{
    ProductSummary s = summary(product.id, product.name, version);
    s.tagline = product.tagline;
    return s;
}

ProductSummary summary(const QString& id, const QString& name, const QString& version)
{
    ProductSummary s;
    s.id = id;
    s.name = name;
    s.tagline = name;
    s.currentVersion = version;
    s.releaseDescription = QStringLiteral("Notes of ") + version;
    s.downloads = QList<Download>{macDownload(id, version)};
    return s;
}

User user(const QString& email, const QString& name, std::optional<QStringList> owned)
{
    User u;
    u.id = QStringLiteral("u1");
    u.email = email;
    u.name = name;
    u.ownedProducts = owned;
    return u;
}

InstallRecord record(const QString& id, const QString& name, const QString& version)
{
    InstallRecord r;
    r.productId = id;
    r.productName = name;
    r.version = version;
    r.downloadKey = id + QStringLiteral("-") + version;
    r.installedAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    return r;
}

TavrenIDProfile profile(const QString& email, std::optional<QStringList> products)
{
    TavrenIDProfile p;
    p.user.id = QStringLiteral("id-") + email;
    p.user.email = email;
    p.products = std::move(products);
    return p;
}

TavrenIDSession session(const QString& id, const QString& label)
{
    TavrenIDSession s;
    s.id = id;
    s.label = label;
    return s;
}

TavrenIDPurchase purchase(const QString& id, const QString& productId)
{
    TavrenIDPurchase p;
    p.id = id;
    p.productId = productId;
    p.status = QStringLiteral("paid");
    return p;
}

CatalogExtras extras(const QStringList& names)
{
    QJsonArray items;
    for (const QString& name : names)
        items.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("kind"), QStringLiteral("tool")}});
    const QJsonObject feed{{QStringLiteral("version"), 1}, {QStringLiteral("items"), items}, {QStringLiteral("media"), QJsonObject()}};
    return *CatalogExtras::decode(QJsonDocument(feed).toJson());
}

} // namespace hub::Fixtures
