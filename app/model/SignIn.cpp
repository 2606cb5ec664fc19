#include "app/model/SignIn.h"

#include "app/model/Accounts.h"
#include "app/model/Banners.h"
#include "app/model/InstallQueue.h"
#include "app/model/RefreshCycle.h"
#include "app/model/RunOn.h"
#include "app/model/StoreCatalog.h"

#include <QPointer>

namespace hub {

SignIn::SignIn(const Services& services, ModelPools& pools, Parts parts, QObject* parent)
    : QObject(parent), services_(services), pools_(pools), parts_(parts)
{
}

QCoro::Task<> SignIn::signInToStore(QString email, QString password)
{
    QPointer<SignIn> self(this);
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    auto signIn = runOn(pools_.reads, [client, email, password] { return client->signIn(email, password); });
    User user = co_await signIn;
    if (!self)
        co_return;
    const QString banner = QStringLiteral("Store account connected: ") + user.email + QStringLiteral(".");
    QCoro::Task<> connected = storeConnected(std::move(user), banner);
    co_await connected;
}

QCoro::Task<> SignIn::createStoreAccount(QString name, QString email, QString password, bool newsletter)
{
    QPointer<SignIn> self(this);
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    auto signUp = runOn(pools_.reads,
        [client, name, email, password, newsletter] { return client->signUp(name, email, password, newsletter); });
    User user = co_await signUp;
    if (!self)
        co_return;
    const QString banner =
        QStringLiteral("Store account created for ") + email + QStringLiteral(". Moonbase has emailed a link to confirm the address.");
    QCoro::Task<> connected = storeConnected(std::move(user), banner);
    co_await connected;
}

QCoro::Task<> SignIn::storeConnected(User user, QString banner)
{
    QPointer<SignIn> self(this);
    parts_.accounts.setStoreUser(user);
    parts_.accounts.setShowSignIn(false);
    parts_.banners.flash(Banner::Tone::success, banner);
    QCoro::Task<> refresh = parts_.refresh.refreshAll(RefreshCycle::Join::fresh);
    co_await refresh;
    if (self)
        startPendingInstall();
}

void SignIn::startPendingInstall()
{
    const std::optional<PendingInstall> pending = parts_.queue.pendingInstall();
    if (!pending)
        return;
    parts_.queue.setPendingInstall(std::nullopt);
    parts_.queue.install(pending->product, pending->download, false);
}

QCoro::Task<> SignIn::signInWithProvider(TavrenIDProvider provider, std::stop_token stop)
{
    QPointer<SignIn> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    const auto receiver = std::make_shared<LoopbackReceiver>();
    std::erase_if(receivers_, [](const std::weak_ptr<LoopbackReceiver>& r) { return r.expired(); });
    receivers_.push_back(receiver);

    auto starting = runOn(pools_.reads, [receiver] { return receiver->start(); });
    const quint16 port = co_await starting;
    if (!self)
        co_return;
    if (services_.openURL)
        services_.openURL(id->providerURL(provider, receiver->state, port, receiver->challenge));

    auto waiting = runOn(pools_.reads, [receiver, stop] { return receiver->wait(browserWait, stop); });
    const LoopbackReceiver::Callback callback = co_await waiting;
    if (!self)
        co_return;
    auto exchange = runOn(pools_.reads, [id, callback, verifier = receiver->verifier] { id->exchange(callback.code, verifier); });
    co_await exchange;
    if (!self)
        co_return;
    auto fetch = runOn(pools_.reads, [id] { return id->profile(); });
    const TavrenIDProfile profile = co_await fetch;
    if (!self)
        co_return;

    parts_.accounts.setTavrenProfile(profile);
    if (services_.activate)
        services_.activate();
    QCoro::Task<> finish = finishTavrenSignIn();
    co_await finish;
}

QCoro::Task<> SignIn::requestCode(QString email)
{
    return runOn(pools_.reads, [id = services_.tavrenID, email] { id->requestCode(email); });
}

QCoro::Task<> SignIn::signInWithCode(QString email, QString code)
{
    QPointer<SignIn> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    auto check = runOn(pools_.reads, [id, email, code] { return id->completeCode(email, code); });
    const TavrenIDProfile profile = co_await check;
    if (!self)
        co_return;
    parts_.accounts.setTavrenProfile(profile);
    QCoro::Task<> finish = finishTavrenSignIn();
    co_await finish;
}

QCoro::Task<> SignIn::forgotPassword(QString email)
{
    return runOn(pools_.reads, [client = services_.client, email] { client->forgotPassword(email); });
}

QCoro::Task<> SignIn::finishTavrenSignIn()
{
    QPointer<SignIn> self(this);
    // An identity sign-in does not connect the store: a sheet opened for that stays.
    if (parts_.accounts.signInPurpose().isGeneral())
        parts_.accounts.setShowSignIn(false);
    const std::optional<TavrenIDProfile>& profile = parts_.accounts.tavrenProfile();
    parts_.banners.flash(Banner::Tone::success,
        QStringLiteral("Signed in with Tavren ID as ") + (profile ? profile->user.email : QStringLiteral("you")) + QStringLiteral("."));
    QCoro::Task<> refresh = parts_.refresh.refreshAll(RefreshCycle::Join::fresh);
    co_await refresh;
    if (!self)
        co_return;
    if (!parts_.accounts.storeUser() && !parts_.catalog.ownedProducts().isEmpty()) {
        parts_.banners.flash(Banner::Tone::info,
            QStringLiteral("Downloads come from the Tavren store. Connect your store account once to install what you own."));
    }
}

QCoro::Task<> SignIn::revokeTavrenSession(TavrenIDSession session)
{
    QPointer<SignIn> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    const quint64 signedIn = parts_.accounts.identitySession();
    QList<TavrenIDSession> sessions;
    try {
        auto revoke = runOn(pools_.reads, [id, sessionId = session.id] { id->revokeSession(sessionId); });
        co_await revoke;
        auto reload = runOn(pools_.reads, [id] { return id->sessions(); });
        sessions = co_await reload;
    } catch (const std::exception& error) {
        if (self)
            parts_.refresh.report(error, RefreshCycle::Source::identity);
        co_return;
    }
    // The device list of an account signed out meanwhile is not shown.
    if (!self || parts_.accounts.identitySession() != signedIn)
        co_return;
    parts_.accounts.setTavrenSessions(sessions);
    parts_.banners.flash(Banner::Tone::success, QStringLiteral("Signed out ") + session.label + QStringLiteral("."));
}

QCoro::Task<> SignIn::disconnectStore()
{
    QPointer<SignIn> self(this);
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    try {
        auto signOut = runOn(pools_.reads, [client] { client->signOut(); });
        co_await signOut;
    } catch (const std::exception&) {
        // signOut never throws; the model is disconnected either way.
    }
    if (!self)
        co_return;
    parts_.accounts.clearStore();
    parts_.banners.flash(Banner::Tone::info,
        QStringLiteral("Store account disconnected. Its session was removed from the system keyring."));
}

void SignIn::cancelWaits()
{
    for (const std::weak_ptr<LoopbackReceiver>& weak : receivers_) {
        if (const std::shared_ptr<LoopbackReceiver> receiver = weak.lock())
            receiver->cancel();
    }
}

} // namespace hub
