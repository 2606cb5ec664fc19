#include "app/model/Library.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/InstallEngine.h"
#include "app/model/RunOn.h"
#include "app/model/Services.h"
#include "app/model/StoreCatalog.h"
#include "kit/support/Version.h"

#include <QFileInfo>
#include <QPointer>

namespace hub {

Library::Library(const Services& services, ModelPools& pools, const Accounts& accounts, const StoreCatalog& catalog,
                 Banners& banners, QObject* parent)
    : QObject(parent), services_(services), pools_(pools), catalog_(catalog), banners_(banners)
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

QCoro::Task<> Library::openApp(InstallRecord record)
{
    QList<InstalledItem> apps;
    for (const InstalledItem& item : record.presentItems()) {
        if (item.kind == BundleKind::app)
            apps.append(item);
    }
    if (apps.isEmpty())
        co_return;
    QPointer<Library> self(this);
    std::optional<InstalledItem> own = apps.first();
    if (const std::shared_ptr<const InstallEngine> engine = services_.pipeline) {
        // A full check of the code reads every sealed file.
        auto check = runOn(pools_.reads, [engine, apps]() -> std::optional<InstalledItem> {
            for (const InstalledItem& app : apps) {
                if (engine->holds(app))
                    return app;
            }
            return std::nullopt;
        });
        own = co_await check;
    }
    if (!self)
        co_return;
    const InstalledItem& app = own ? *own : apps.first();
    const std::optional<InstallRecord> now = this->record(record.productId);
    if (!now || !now->items.contains(app))
        co_return; // uninstalled or replaced meanwhile
    const QString opened = QFileInfo(app.path).completeBaseName() + QStringLiteral(" could not be opened here.");
    if (!own)
        banners_.flash(Banner::Tone::failure, opened + QStringLiteral(" It changed since it was installed."));
    else if (services_.openApp && !services_.openApp(own->path))
        banners_.flash(Banner::Tone::failure, opened);
}

} // namespace hub
