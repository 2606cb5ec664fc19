#pragma once

#include "app/model/ModelPools.h"
#include "app/model/Services.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QSet>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <stop_token>

namespace hub {

class Accounts;
class Banners;
class InstallQueue;
class Library;
class Preferences;
class StoreCatalog;

// Brings the model up to date from the services and the disk: four loaders at
// once, then the ledger, release notes and the decision about available updates;
// every 6 hours again. Also the model's one sink for errors of network operations.
class RefreshCycle : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(std::optional<QDateTime> lastChecked READ lastChecked NOTIFY lastCheckedChanged)

public:
    // Which client an error came from. The store's "not signed in" ends the store
    // session and asks for a sign-in; the identity client's signs the identity
    // account out and shows its message, leaving the store alone.
    enum class Source { store, identity };

    struct Parts {
        Preferences& preferences;
        Banners& banners;
        Accounts& accounts;
        StoreCatalog& catalog;
        Library& library;
        InstallQueue& queue;
    };

    // What a refresh asked for while one runs waits for: the one running, or
    // (after a sign-in or a payment) one that begins after it was asked for.
    enum class Join { running, fresh };

    static constexpr std::chrono::seconds updateInterval{21'600};
    static inline const QString storeSessionEnded = QStringLiteral("Your store session ended. Sign in again to continue.");

    RefreshCycle(const Services& services, ModelPools& pools, Parts parts, QObject* parent = nullptr);

    bool loading() const { return loading_; }
    const std::optional<QDateTime>& lastChecked() const { return lastChecked_; }
    // Products whose available update was already announced or handed over during this run.
    const QSet<QString>& notifiedUpdates() const { return notifiedUpdates_; }

    // Written by the refresh itself; public for the tests of the notifications.
    void setLoading(bool loading);
    void setLastChecked(const std::optional<QDateTime>& when);

    QCoro::Task<> refreshAll(Join join = Join::running);
    QCoro::Task<> loadStorefront();
    QCoro::Task<> loadTavrenID();
    QCoro::Task<> loadStoreAccount();
    QCoro::Task<> loadExtras();
    // Fetches the full records of the products that have none yet, or whose kept
    // record names another version than the storefront. Once stopped, what arrives is dropped.
    QCoro::Task<> loadReleaseNotes(QStringList ids, std::stop_token stop = {});
    // Every 6 hours a refresh, for as long as the model lives.
    QCoro::Task<> updateLoop();

    // Queues an install of every available update.
    void updateAll();
    void updateDockBadge();
    // The failure of an operation the user started: every one shows its own banner.
    void report(const std::exception& error, Source source = Source::store);

signals:
    void loadingChanged();
    void lastCheckedChanged();

private:
    QCoro::Task<> runCycle();
    // A loader's failure: the same text shows once per refresh.
    void reportLoad(const std::exception& error, Source source = Source::store);
    // Ends the session an error ended; the text to show, none for an ended store session.
    std::optional<QString> settle(const std::exception& error, Source source);
    void afterRefresh();
    // Runs `save` over the snapshot folder on the saves pool; failures are dropped.
    void saveSnapshot(std::function<void(const SnapshotCache&)> save);
    QCoro::Task<std::optional<ProductSummary>> fetchProduct(QString id);

    const Services& services_;
    ModelPools& pools_;
    Parts parts_;
    bool loading_ = false;
    std::optional<QDateTime> lastChecked_;
    std::optional<QFuture<void>> running_; // finishes when the refresh under way ends
    quint64 runs_ = 0;                      // refreshes begun
    QSet<QString> notifiedUpdates_;
    QSet<QString> cycleFailures_; // the failures the running refresh has shown
};

} // namespace hub
