#include "app/model/Library.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/InstallEngine.h"
#include "app/model/Services.h"
#include "app/model/StoreCatalog.h"
#include "kit/support/Version.h"

#include <QFileInfo>
#include <QPointer>

namespace hub {

Library::Library(const Services& services, const Accounts& accounts, const StoreCatalog& catalog, Banners& banners,
                 QObject* parent)
    : QObject(parent), services_(services), catalog_(catalog), banners_(banners)
{
    // Everything updatesAvailable() reads.
    connect(&catalog, &StoreCatalog::storefrontChanged, this, &Library::recountUpdates);
    connect(&accounts, &Accounts::storeUserChanged, this, &Library::recountUpdates);
    connect(&accounts, &Accounts::storeOwnedChanged, this, &Library::recountUpdates);
    connect(&accounts, &Accounts::tavrenProfileChanged, this, &Library::recountUpdates);
    connect(this, &Library::installedChanged, this, &Library::recountUpdates);
    connect(this, &Library::releaseNotesChanged, this, &Library::recountUpdates);
    connect(this, &Library::updatesAvailableChanged, this, &Library::updateDockBadge);
}

void Library::recountUpdates()
{
    QStringList ids;
    for (const StorefrontProduct& product : updatesAvailable())
        ids.append(product.id);
    if (assign(updates_, std::move(ids)))
        emit updatesAvailableChanged();
}

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
    if (notes == releaseNotes_.constEnd() || !notes->currentVersion)
        return product.currentVersion;
    if (product.currentVersion && Version(*notes->currentVersion) < Version(*product.currentVersion))
        return product.currentVersion;
    return notes->currentVersion;
}

bool Library::needsReleaseNotes(const StorefrontProduct& product) const
{
    const auto notes = releaseNotes_.constFind(product.id);
    if (notes == releaseNotes_.constEnd())
        return true;
    // A release published since the record was fetched.
    return product.currentVersion && notes->currentVersion != product.currentVersion;
}

QList<StorefrontProduct> Library::updatesAvailable() const
{
    QList<StorefrontProduct> updates;
    for (const StorefrontProduct& product : catalog_.ownedProducts()) {
        if (hasUpdate(product))
            updates.append(product);
    }
    return updates;
}

bool Library::hasUpdate(const StorefrontProduct& product) const
{
    const std::optional<InstallRecord> installed = record(product.id);
    const std::optional<QString> latest = latestVersion(product);
    return installed && latest && Version(installed->version) < Version(*latest);
}

void Library::updateDockBadge() const
{
    if (services_.setDockBadge)
        services_.setDockBadge(int(updatesAvailable().size()));
}

void Library::reveal(const InstallRecord& record) const
{
    QStringList paths;
    for (const InstalledItem& item : record.presentItems())
        paths.append(item.path);
    if (!services_.reveal)
        return;
    QStringList names;
    for (const QString& path : paths)
        names.append(QFileInfo(path).fileName());
    services_.reveal(paths, [banners = QPointer<Banners>(&banners_), names] {
        if (banners)
            banners->flash(Banner::Tone::failure, QStringLiteral("No file manager could show ") + names.join(QStringLiteral(", ")) + u'.');
    });
}

void Library::openApp(const InstallRecord& record) const
{
    for (const InstalledItem& item : record.presentItems()) {
        // Another product's app at the name is not this one's to start.
        if (item.kind == BundleKind::app && (!services_.pipeline || services_.pipeline->holds(item))) {
            if (services_.openApp && !services_.openApp(item.path))
                banners_.flash(Banner::Tone::failure,
                               QFileInfo(item.path).completeBaseName() + QStringLiteral(" could not be opened here."));
            return;
        }
    }
}

} // namespace hub
