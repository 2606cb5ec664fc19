#include "app/model/AppModel.h"

namespace hub {

// The parts, in the order they depend on each other (each uses only those above it):
//   Preferences    currency, wishlist, autoUpdate (the user defaults)
//   Banners        the banners on screen and their lifetimes
//   Navigation     selection, path, search
//   Accounts       store user and owned records, the identity account and its lists, the sign-in sheet
//   StoreCatalog   storefront, extras, search index, catalog queries   (Accounts)
//   Library        installed records, release notes, updates available (Banners, Accounts, StoreCatalog)
//   InstallQueue   pending install, jobs, lock, uninstall              (Accounts, Banners, Library)
//   RefreshCycle   loaders, update decision, update loop, report       (all of the above)
//   SignIn         account operations                                  (RefreshCycle, InstallQueue)
//   Startup        restore, start, launch arguments                    (RefreshCycle, Navigation)
//   Cart           cart, wishlist operations, price texts              (Preferences, Banners)
//   Checkout       orders, the checkout sheet, settling                (Cart, Accounts, RefreshCycle)
//   Reviews        review pages, the user's reviews, posting           (Accounts, Banners, RefreshCycle)
//   DeepLinks      tavren-hub: links                                   (Navigation)
// Members are declared in this order, so each part is built after what it uses
// and destroyed before it.
AppModel::AppModel(Services services, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , preferences_(*services_.settings, this)
    , banners_(services_.sleep, this)
    , navigation_(this)
    , accounts_(this)
    , catalog_(accounts_, this)
    , library_(services_, pools_, accounts_, catalog_, banners_, this)
    , queue_(services_, pools_, {accounts_, banners_, library_}, [this](const std::exception& e) { report(e); }, this)
    , refresh_(services_, pools_, {preferences_, banners_, accounts_, catalog_, library_, queue_}, this)
    , signIn_(services_, pools_, {banners_, accounts_, catalog_, queue_, refresh_}, this)
    , startup_(services_, {preferences_, banners_, navigation_, accounts_, catalog_, refresh_}, *this, this)
    , cart_({preferences_, banners_}, this)
    , checkout_(services_, pools_, {preferences_, banners_, accounts_, cart_, refresh_}, this)
    , reviews_(services_, pools_, {banners_, accounts_, refresh_}, this)
    , links_(services_, navigation_, this)
{
    connect(&startup_, &Startup::checkoutRequested, &checkout_,
            [this](const QList<CartLine>& lines, bool clearsCart) { checkout_.beginCheckout(lines, clearsCart); });
    if (services_.ledger)
        library_.setInstalled(services_.ledger->all());
    startup_.restoreFromDisk();
}

AppModel::~AppModel()
{
    // Work still running on the pools may hold kit objects; let it end first,
    // without waiting out a browser sign-in or a request.
    std::stop_source(services_.quitting).request_stop();
    signIn_.cancelWaits();
    queue_.stopAll();
    pools_.drain();
    queue_.sweepWork();
}

void AppModel::report(const std::exception& error, RefreshCycle::Source source)
{
    refresh_.report(error, source);
}

} // namespace hub
