#pragma once

#include "devstore/BuiltArtifact.h"
#include "devstore/DevstoreHosts.h"
#include "devstore/FixtureBuilder.h"
#include "devstore/FixtureProduct.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>

namespace hub::devstore {

// The products as the store offers them now: each product's current version and its built
// downloads. Publishing switches a product to another version (building it when needed);
// downloads of earlier versions stay reachable by their keys.
class LiveCatalog {
public:
    LiveCatalog(const FixtureBuilder& builder, DevstoreHosts hosts);

    // Builds every product's downloads at its first version, and the other versions of the
    // update scenario, several at a time.
    void buildAll();
    void publish(const QString& productId, const QString& version);
    // Serves a file of the caller's under its key (for benchmarks); it belongs to no product.
    void addFile(const BuiltArtifact& artifact) { byKey_.insert(artifact.key, artifact); }

    QString version(const QString& productId) const;
    QList<BuiltArtifact> artifacts(const QString& productId) const;
    std::optional<BuiltArtifact> byKey(const QString& key) const;

    QJsonObject storefrontProduct(const FixtureProduct& product, bool owned) const;
    QJsonObject summary(const FixtureProduct& product) const;
    QString iconUrl(const FixtureProduct& product) const;

private:
    QJsonArray downloads(const FixtureProduct& product) const;
    // The members storefront objects and summaries share.
    QJsonObject common(const FixtureProduct& product) const;
    void record(const QString& productId, const QString& version, const QList<BuiltArtifact>& built);

    const FixtureBuilder& builder_;
    DevstoreHosts hosts_;
    QHash<QString, QString> versions_;
    QHash<QString, QList<BuiltArtifact>> current_;
    QHash<QString, BuiltArtifact> byKey_;
};

} // namespace hub::devstore
