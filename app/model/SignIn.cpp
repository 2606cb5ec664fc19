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
    QCoro::Task<> refresh = parts_.refresh.refreshAll();
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

QCoro::Task<> SignIn::finishTavrenSignIn()
{
    QPointer<SignIn> self(this);
    // An identity sign-in does not connect the store: a sheet opened for that stays.
    if (parts_.accounts.signInPurpose().isGeneral())
        parts_.accounts.setShowSignIn(false);
    // SEAM: the identity profile's e-mail once the identity account is held here.
    parts_.banners.flash(Banner::Tone::success, QStringLiteral("Signed in with Tavren ID as you."));
    QCoro::Task<> refresh = parts_.refresh.refreshAll();
    co_await refresh;
    if (!self)
        co_return;
    if (!parts_.accounts.storeUser() && !parts_.catalog.ownedProducts().isEmpty()) {
        parts_.banners.flash(Banner::Tone::info,
            QStringLiteral("Downloads come from the Tavren store. Connect your store account once to install what you own."));
    }
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
        QStringLiteral("Store account disconnected. Its session was removed from the keychain."));
}

} // namespace hub
