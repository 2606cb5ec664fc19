#include "app/model/RefreshCycle.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/InstallQueue.h"
#include "app/model/Library.h"
#include "app/model/Preferences.h"
#include "app/model/RunOn.h"
#include "app/model/SearchText.h"
#include "app/model/StoreCatalog.h"
#include "kit/api/MoonbaseError.h"
#include "kit/api/StorefrontSnapshot.h"

#include <QCoroFuture>
#include <QPointer>
#include <QPromise>
#include <algorithm>
#include <vector>

namespace hub {

namespace {

QString messageOf(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const Error*>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}

bool isNotSignedIn(const std::exception& error)
{
    const auto* moonbase = dynamic_cast<const MoonbaseError*>(&error);
    return moonbase && moonbase->kind == MoonbaseError::Kind::notSignedIn;
}

// The work's result, or an empty one when it fails.
template <typename Work>
auto orEmpty(QThreadPool& pool, Work work) -> QCoro::Task<std::invoke_result_t<Work>>
{
    auto task = runOn(pool, std::move(work));
    try {
        co_return co_await task;
    } catch (const std::exception&) {
        co_return std::invoke_result_t<Work>();
    }
}

} // namespace

RefreshCycle::RefreshCycle(const Services& services, ModelPools& pools, Parts parts, QObject* parent)
    : QObject(parent), services_(services), pools_(pools), parts_(parts)
{
}

void RefreshCycle::setLoading(bool loading)
{
    if (assign(loading_, loading))
        emit loadingChanged();
}

void RefreshCycle::setLastChecked(const std::optional<QDateTime>& when)
{
    if (assign(lastChecked_, when))
        emit lastCheckedChanged();
}

QCoro::Task<> RefreshCycle::refreshAll(Join join)
{
    QPointer<RefreshCycle> self(this);
    const quint64 asked = runs_;
    while (running_) {
        const QFuture<void> current = *running_;
        const bool begunSince = runs_ > asked;
        co_await current;
        if (!self || join == Join::running || begunSince)
            co_return;
    }
    // A cycle begun since the ask may already be over by the time this one wakes.
    if (runs_ > asked)
        co_return;
    QPromise<void> done;
    done.start();
    running_ = done.future();
    cycleFailures_.clear();
    ++runs_;
    QCoro::Task<> cycle = runCycle();
    co_await cycle;
    done.finish();
    if (self)
        running_.reset();
}

QCoro::Task<> RefreshCycle::runCycle()
{
    QPointer<RefreshCycle> self(this);
    setLoading(true);
    // All four start now; each handles its own errors.
    QCoro::Task<> storefront = loadStorefront();
    QCoro::Task<> tavrenID = loadTavrenID();
    QCoro::Task<> storeAccount = loadStoreAccount();
    QCoro::Task<> extras = loadExtras();
    co_await storefront;
    co_await tavrenID;
    co_await storeAccount;
    co_await extras;
    if (!self)
        co_return;

    const std::shared_ptr<InstallLedger> ledger = services_.ledger;
    if (ledger) {
        QList<InstallRecord> records;
        try {
            auto reload = runOn(pools_.reads, [ledger] {
                ledger->reload();
                return ledger->all();
            });
            records = co_await reload;
        } catch (const std::exception&) {
            // reload() never fails; keep what is shown if it ever does.
            records = parts_.library.installed();
        }
        if (!self)
            co_return;
        parts_.library.setInstalled(records);
    }
    setLastChecked(services_.now ? services_.now() : QDateTime::currentDateTimeUtc());

    QStringList owned;
    for (const StorefrontProduct& product : parts_.catalog.ownedProducts())
        owned.append(product.id);
    QCoro::Task<> notes = loadReleaseNotes(owned);
    co_await notes;
    if (!self)
        co_return;
    afterRefresh();
    setLoading(false);
}

QCoro::Task<> RefreshCycle::loadStorefront()
{
    QPointer<RefreshCycle> self(this);
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    try {
        auto fetch = runOn(pools_.reads, [client] { return client->storefront(); });
        const Storefront storefront = co_await fetch;
        if (!self)
            co_return;
        parts_.catalog.setStorefront(storefront);
        parts_.catalog.setStorefrontIsCached(false);
        saveSnapshot([storefront](const SnapshotCache& cache) { StorefrontSnapshot::save(cache, storefront); });
        if (storefront.enabledCurrencies && !storefront.enabledCurrencies->contains(parts_.preferences.currency()))
            parts_.preferences.setCurrency(storefront.suggestedCurrency);
    } catch (const std::exception& error) {
        // While the launch snapshot is on screen a failed fetch stays quiet.
        if (self && !parts_.catalog.storefrontIsCached())
            reportLoad(error);
    }
}

QCoro::Task<> RefreshCycle::loadTavrenID()
{
    QPointer<RefreshCycle> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    if (!id)
        co_return;
    // Answers for a session that has ended or changed meanwhile are dropped.
    quint64 asked = parts_.accounts.identitySession();
    const auto current = [&] { return self && parts_.accounts.identitySession() == asked; };
    std::optional<TavrenIDProfile> profile;
    try {
        auto session = runOn(pools_.reads, [id] { return id->isSignedIn(); });
        const bool signedIn = co_await session;
        if (!current() || !signedIn)
            co_return;
        auto fetch = runOn(pools_.reads, [id] { return id->profile(); });
        profile = co_await fetch;
    } catch (const std::exception& error) {
        // An ended identity session is not the store's: only the profile goes, quietly.
        if (current() && isNotSignedIn(error))
            parts_.accounts.setTavrenProfile(std::nullopt);
        else if (current())
            reportLoad(error, Source::identity);
        co_return;
    }
    if (!current())
        co_return;
    parts_.accounts.setTavrenProfile(profile);
    asked = parts_.accounts.identitySession();
    QCoro::Task<QList<TavrenIDSession>> sessions = orEmpty(pools_.reads, [id] { return id->sessions(); });
    QCoro::Task<QList<TavrenIDPurchase>> purchases = orEmpty(pools_.reads, [id] { return id->purchases(); });
    const QList<TavrenIDSession> devices = co_await sessions;
    if (current())
        parts_.accounts.setTavrenSessions(devices);
    const QList<TavrenIDPurchase> bought = co_await purchases;
    if (current())
        parts_.accounts.setTavrenPurchases(bought);
}

QCoro::Task<> RefreshCycle::loadStoreAccount()
{
    QPointer<RefreshCycle> self(this);
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    quint64 asked = parts_.accounts.storeSession();
    const auto current = [&] { return self && parts_.accounts.storeSession() == asked; };
    try {
        auto session = runOn(pools_.reads, [client] { return client->isSignedIn(); });
        const bool signedIn = co_await session;
        if (!current() || !signedIn)
            co_return;
        auto account = runOn(pools_.reads, [client] { return client->currentUser(); });
        const User user = co_await account;
        if (!current())
            co_return;
        parts_.accounts.setStoreUser(user);
        asked = parts_.accounts.storeSession();
        auto ownedFetch = runOn(pools_.reads, [client] { return client->ownedProducts(); });
        QList<ProductSummary> owned = co_await ownedFetch;
        if (!current())
            co_return;
        QList<std::pair<std::u32string, ProductSummary>> keyed;
        for (ProductSummary& product : owned)
            keyed.append({SearchText::plainKey(product.name), std::move(product)});
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        owned.clear();
        for (auto& entry : keyed)
            owned.append(std::move(entry.second));
        parts_.accounts.setStoreOwned(owned);
    } catch (const std::exception& error) {
        if (!current())
            co_return;
        if (isNotSignedIn(error))
            parts_.accounts.clearStore();
        else
            reportLoad(error);
    }
}

QCoro::Task<> RefreshCycle::loadExtras()
{
    QPointer<RefreshCycle> self(this);
    const std::shared_ptr<const CatalogExtrasClient> client = services_.extrasClient;
    // Snapshot runs on a fixture folder use local data only.
    if (!client || services_.arguments.fixtureDirectory())
        co_return;
    auto fetch = runOn(pools_.reads, [client] { return client->fetch(); });
    const std::optional<CatalogExtras> feed = co_await fetch;
    if (!self || !feed)
        co_return;
    parts_.catalog.setExtras(feed);
    saveSnapshot([feed = *feed](const SnapshotCache& cache) { cache.save(QJsonDocument(feed.toJson()), QStringLiteral("extras")); });
}

QCoro::Task<std::optional<ProductSummary>> RefreshCycle::fetchProduct(QString id)
{
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    try {
        auto fetch = runOn(pools_.reads, [client, id] { return client->product(id); });
        co_return co_await fetch;
    } catch (const std::exception&) {
        co_return std::nullopt; // tried again at the next refresh
    }
}

QCoro::Task<> RefreshCycle::loadReleaseNotes(QStringList ids, std::stop_token stop)
{
    QPointer<RefreshCycle> self(this);
    ids.removeIf([&](const QString& id) {
        const std::optional<StorefrontProduct> product = parts_.catalog.storeProduct(id);
        return product ? !parts_.library.needsReleaseNotes(*product) : parts_.library.releaseNotes().contains(id);
    });
    if (ids.isEmpty())
        co_return;
    std::vector<QCoro::Task<std::optional<ProductSummary>>> fetches;
    for (const QString& id : ids)
        fetches.push_back(fetchProduct(id));
    Library::ReleaseNotes fetched;
    for (size_t i = 0; i < fetches.size(); ++i) {
        std::optional<ProductSummary> product = co_await fetches[i];
        if (product)
            fetched.insert(ids.at(qsizetype(i)), std::move(*product));
    }
    if (self && !stop.stop_requested() && !fetched.isEmpty())
        parts_.library.mergeReleaseNotes(fetched);
}

void RefreshCycle::afterRefresh()
{
    updateDockBadge();
    const QList<StorefrontProduct> available = parts_.library.updatesAvailable();
    QSet<QString> fresh;
    for (const StorefrontProduct& product : available) {
        if (!notifiedUpdates_.contains(product.id))
            fresh.insert(product.id);
    }
    if (fresh.isEmpty())
        return;
    notifiedUpdates_ += fresh;

    if (parts_.preferences.autoUpdate() && parts_.accounts.storeUser()) {
        updateAll();
        return;
    }
    const QString title = available.size() == 1 ? QStringLiteral("An update is ready")
                                                : QString::number(available.size()) + QStringLiteral(" updates are ready");
    QStringList names;
    for (const StorefrontProduct& product : available)
        names.append(product.name);
    if (services_.isFrontmost && services_.isFrontmost())
        return;
    if (services_.notify)
        services_.notify(title, names.join(QStringLiteral(", ")), QStringLiteral("tavren-hub:updates"));
}

void RefreshCycle::updateAll()
{
    for (const StorefrontProduct& product : parts_.library.updatesAvailable())
        parts_.queue.install(product, std::nullopt, false);
}

void RefreshCycle::updateDockBadge()
{
    parts_.library.updateDockBadge();
}

void RefreshCycle::report(const std::exception& error, Source source)
{
    if (const std::optional<QString> text = settle(error, source))
        parts_.banners.flash(Banner::Tone::failure, *text);
}

void RefreshCycle::reportLoad(const std::exception& error, Source source)
{
    // One outage fails every loader of a refresh alike: it shows once per refresh.
    const std::optional<QString> text = settle(error, source);
    if (!text || (running_ && cycleFailures_.contains(*text)))
        return;
    if (running_)
        cycleFailures_.insert(*text);
    parts_.banners.flash(Banner::Tone::failure, *text);
}

std::optional<QString> RefreshCycle::settle(const std::exception& error, Source source)
{
    if (isNotSignedIn(error) && source == Source::store) {
        parts_.accounts.clearStore();
        parts_.accounts.openSignIn(SignInPurpose::connectStore(storeSessionEnded));
        return std::nullopt;
    }
    if (isNotSignedIn(error))
        parts_.accounts.clearTavrenID();
    return messageOf(error);
}

QCoro::Task<> RefreshCycle::updateLoop()
{
    QPointer<RefreshCycle> self(this);
    const Sleeper sleep = services_.sleep;
    if (!sleep)
        co_return;
    for (;;) {
        QCoro::Task<> wait = sleep(updateInterval);
        co_await wait;
        if (!self)
            co_return;
        QCoro::Task<> refresh = self->refreshAll();
        co_await refresh;
        if (!self)
            co_return;
    }
}

void RefreshCycle::saveSnapshot(std::function<void(const SnapshotCache&)> save)
{
    if (!services_.snapshots)
        return;
    pools_.saves.start([snapshots = *services_.snapshots, save = std::move(save)] {
        try {
            save(snapshots);
        } catch (const std::exception&) {
            // A snapshot is a convenience; the next refresh writes it again.
        }
    });
}

} // namespace hub
