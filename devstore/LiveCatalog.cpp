#include "devstore/LiveCatalog.h"

#include "devstore/FixtureCatalog.h"

#include <QtConcurrent/QtConcurrentMap>
#include <stdexcept>

namespace hub::devstore {

namespace {

struct Job {
    const FixtureProduct* product;
    FixtureArtifact artifact;
    QString version;
};

} // namespace

LiveCatalog::LiveCatalog(const FixtureBuilder& builder, DevstoreHosts hosts)
    : builder_(builder), hosts_(std::move(hosts))
{
}

void LiveCatalog::buildAll()
{
    QList<Job> jobs;
    for (const FixtureProduct& product : FixtureCatalog::products()) {
        QStringList versions{product.version};
        if (product.id == u"tv-reverb")
            versions << QStringLiteral("1.5.0") << QStringLiteral("1.3.0");
        for (const QString& version : versions) {
            for (const FixtureArtifact& artifact : product.artifacts)
                jobs.append({&product, artifact, version});
        }
    }
    const QList<BuiltArtifact> built = QtConcurrent::blockingMapped(
        jobs, [this](const Job& job) { return builder_.artifact(*job.product, job.artifact, job.version); });
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        byKey_.insert(built[i].key, built[i]);
        if (jobs[i].version == jobs[i].product->version) {
            versions_.insert(jobs[i].product->id, jobs[i].version);
            current_[jobs[i].product->id].append(built[i]);
        }
    }
}

void LiveCatalog::publish(const QString& productId, const QString& version)
{
    const FixtureProduct* product = FixtureCatalog::find(productId);
    if (!product)
        throw std::invalid_argument("no such product");
    QList<BuiltArtifact> built;
    for (const FixtureArtifact& artifact : product->artifacts)
        built << builder_.artifact(*product, artifact, version);
    for (const BuiltArtifact& one : built)
        byKey_.insert(one.key, one);
    versions_.insert(productId, version);
    current_.insert(productId, built);
}

QString LiveCatalog::version(const QString& productId) const
{
    return versions_.value(productId);
}

QList<BuiltArtifact> LiveCatalog::artifacts(const QString& productId) const
{
    return current_.value(productId);
}

std::optional<BuiltArtifact> LiveCatalog::byKey(const QString& key) const
{
    const auto found = byKey_.constFind(key);
    return found == byKey_.constEnd() ? std::nullopt : std::optional(*found);
}

QString LiveCatalog::iconUrl(const FixtureProduct& product) const
{
    switch (product.icon) {
    case FixtureProduct::Icon::asset: return QStringLiteral("https://%1/icons/%2.png").arg(hosts_.asset, product.id);
    case FixtureProduct::Icon::web: return QStringLiteral("https://%1/images/icons/%2.png").arg(hosts_.web, product.id);
    case FixtureProduct::Icon::foreign: return QStringLiteral("https://images.elsewhere.test/%1.png").arg(product.id);
    case FixtureProduct::Icon::none: return {};
    }
    return {};
}

QJsonArray LiveCatalog::downloads(const FixtureProduct& product) const
{
    QJsonArray list;
    for (const BuiltArtifact& artifact : artifacts(product.id)) {
        list.append(QJsonObject{
            {"name", artifact.name},
            {"key", artifact.key},
            {"platform", artifact.platform},
            {"size", artifact.size},
            {"path", QStringLiteral("https://%1/api/customer/downloads/%2?key=%3").arg(hosts_.api, product.id, artifact.key)},
        });
    }
    return list;
}

QJsonObject LiveCatalog::common(const FixtureProduct& product) const
{
    QJsonObject object{{"id", product.id},
                       {"name", product.name},
                       {"tagline", product.tagline},
                       {"description", product.description},
                       {"website", QStringLiteral("https://%1/products/%2").arg(hosts_.web, product.id)},
                       {"currentVersion", version(product.id)}};
    if (const QString icon = iconUrl(product); !icon.isEmpty())
        object.insert("iconUrl", icon);
    if (!product.downloadsAbsent)
        object.insert("downloads", downloads(product));
    return object;
}

QJsonObject LiveCatalog::storefrontProduct(const FixtureProduct& product, bool owned) const
{
    QJsonObject object = common(product);
    object.insert("owned", owned);
    if (product.hasDefaultVariation && !product.variations.isEmpty())
        object.insert("defaultVariation", product.variations.first());
    QJsonArray variations;
    for (const QJsonObject& variation : product.variations)
        variations.append(variation);
    if (!variations.isEmpty())
        object.insert("variations", variations);
    return object;
}

QJsonObject LiveCatalog::summary(const FixtureProduct& product) const
{
    QJsonObject object = common(product);
    object.insert("releaseDescription", FixtureCatalog::releaseNotes(product, version(product.id)));
    object.insert("downloadsNeedsUser", true);
    object.insert("downloadsNeedsOwnership", !product.variations.isEmpty());
    return object;
}

} // namespace hub::devstore
