#include "app/model/Library.h"

#include "app/model/Assign.h"
#include "app/model/StoreCatalog.h"
#include "kit/support/Version.h"

namespace hub {

Library::Library(const StoreCatalog& catalog, QObject* parent) : QObject(parent), catalog_(catalog) {}

void Library::setInstalled(const QList<InstallRecord>& records)
{
    if (assign(installed_, records))
        emit installedChanged();
}

void Library::mergeReleaseNotes(const ReleaseNotes& fetched)
{
    ReleaseNotes merged = releaseNotes_;
    merged.insert(fetched);
    if (assign(releaseNotes_, std::move(merged)))
        emit releaseNotesChanged();
}

std::optional<InstallRecord> Library::record(const QString& productId) const
{
    for (const InstallRecord& record : installed_) {
        if (record.productId == productId)
            return record;
    }
    return std::nullopt;
}

std::optional<QString> Library::latestVersion(const StorefrontProduct& product) const
{
    const auto notes = releaseNotes_.constFind(product.id);
    if (notes != releaseNotes_.constEnd() && notes->currentVersion)
        return notes->currentVersion;
    return product.currentVersion;
}

QList<StorefrontProduct> Library::updatesAvailable() const
{
    QList<StorefrontProduct> updates;
    for (const StorefrontProduct& product : catalog_.ownedProducts()) {
        const std::optional<InstallRecord> installed = record(product.id);
        const std::optional<QString> latest = latestVersion(product);
        if (installed && latest && Version(installed->version) < Version(*latest))
            updates.append(product);
    }
    return updates;
}

} // namespace hub
