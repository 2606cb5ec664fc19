#pragma once

#include "app/model/ModelPools.h"
#include "kit/api/ProductSummary.h"
#include "kit/api/StorefrontProduct.h"
#include "kit/install/InstallRecord.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>

namespace hub {

class Accounts;
class Banners;
class StoreCatalog;
struct Services;

// What is installed (the ledger's records) and the store's full product records
// with their release notes; which owned products have an update.
class Library : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<hub::InstallRecord> installed READ installed NOTIFY installedChanged)
    Q_PROPERTY(QHash<QString, hub::ProductSummary> releaseNotes READ releaseNotes NOTIFY releaseNotesChanged)

public:
    using ReleaseNotes = QHash<QString, ProductSummary>;

    Library(const Services& services, ModelPools& pools, const Accounts& accounts, const StoreCatalog& catalog,
            Banners& banners, QObject* parent = nullptr);

    const QList<InstallRecord>& installed() const { return installed_; }
    const ReleaseNotes& releaseNotes() const { return releaseNotes_; }

    void setInstalled(const QList<InstallRecord>& records);
    // Adds or replaces these entries in one change.
    void mergeReleaseNotes(const ReleaseNotes& fetched);

    // The first installed record of the product.
    std::optional<InstallRecord> record(const QString& productId) const;
    // The higher of the release notes' version and the storefront's.
    std::optional<QString> latestVersion(const StorefrontProduct& product) const;
    // No full record is kept, or the kept one names another version than the storefront.
    bool needsReleaseNotes(const StorefrontProduct& product) const;
    // Owned products, in their order, installed below their latest version.
    QList<StorefrontProduct> updatesAvailable() const;
    // Installed below the latest known version.
    bool hasUpdate(const StorefrontProduct& product) const;
    // The number of available updates on the launcher; none at zero.
    void updateDockBadge() const;

    // Selects the record's items still on disk in the file manager.
    void reveal(const InstallRecord& record) const;
    // Starts the record's first application still on disk that is its own code (another
    // product's at its name is passed over); nothing without an application. The code is
    // checked on the reads pool. When none is the product's own, or the one found does not
    // start here, a failure banner names it; nothing when the record lost it meanwhile.
    QCoro::Task<> openApp(InstallRecord record);

signals:
    void installedChanged();
    void releaseNotesChanged();
    // The products of updatesAvailable() changed, whatever moved them.
    void updatesAvailableChanged();

private:
    void recountUpdates();

    const Services& services_;
    ModelPools& pools_;
    const StoreCatalog& catalog_;
    Banners& banners_;
    QList<InstallRecord> installed_;
    ReleaseNotes releaseNotes_;
    QStringList updates_; // ids of updatesAvailable() as last announced
};

} // namespace hub
