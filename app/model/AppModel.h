#pragma once

#include "app/model/Accounts.h"
#include "app/model/Banners.h"
#include "app/model/Cart.h"
#include "app/model/Checkout.h"
#include "app/model/DeepLinks.h"
#include "app/model/InstallQueue.h"
#include "app/model/Library.h"
#include "app/model/ModelPools.h"
#include "app/model/Navigation.h"
#include "app/model/Preferences.h"
#include "app/model/RefreshCycle.h"
#include "app/model/Reviews.h"
#include "app/model/Services.h"
#include "app/model/SignIn.h"
#include "app/model/Startup.h"
#include "app/model/StoreCatalog.h"

#include <QObject>

namespace hub {

// The one owner of the app's state, and the only thing views receive. The state
// lives in member parts, each with its own fields and NOTIFY signals; AppModel
// builds and wires them, starts the app and is the one error sink. Main thread only.
class AppModel : public QObject {
    Q_OBJECT

public:
    using SignInPurpose = hub::SignInPurpose;

    // Builds every part, reads the settings and shows the last snapshot; no network.
    explicit AppModel(Services services, QObject* parent = nullptr);
    ~AppModel() override;

    const Services& services() const { return services_; }
    ModelPools& pools() { return pools_; }

    Preferences& preferences() { return preferences_; }
    Banners& banners() { return banners_; }
    Navigation& navigation() { return navigation_; }
    Accounts& accounts() { return accounts_; }
    StoreCatalog& catalog() { return catalog_; }
    Library& library() { return library_; }
    const Preferences& preferences() const { return preferences_; }
    const Banners& banners() const { return banners_; }
    const Navigation& navigation() const { return navigation_; }
    const Accounts& accounts() const { return accounts_; }
    const StoreCatalog& catalog() const { return catalog_; }
    const Library& library() const { return library_; }
    InstallQueue& queue() { return queue_; }
    RefreshCycle& refresh() { return refresh_; }
    SignIn& signIn() { return signIn_; }
    Startup& startup() { return startup_; }
    Cart& cart() { return cart_; }
    Checkout& checkout() { return checkout_; }
    Reviews& reviews() { return reviews_; }
    DeepLinks& links() { return links_; }
    const Cart& cart() const { return cart_; }
    const Checkout& checkout() const { return checkout_; }
    const Reviews& reviews() const { return reviews_; }

    // The fixture folder of a snapshot run.
    std::optional<QString> fixtureDirectory() const { return services_.arguments.fixtureDirectory(); }

    QCoro::Task<> start() { return startup_.start(); }
    // Turns an error into a failure banner, or ends the store session.
    void report(const std::exception& error, RefreshCycle::Source source = RefreshCycle::Source::store);
    void flash(Banner::Tone tone, const QString& text) { banners_.flash(tone, text); }

private:
    const Services services_;
    ModelPools pools_;
    Preferences preferences_;
    Banners banners_;
    Navigation navigation_;
    Accounts accounts_;
    StoreCatalog catalog_;
    Library library_;
    InstallQueue queue_;
    RefreshCycle refresh_;
    SignIn signIn_;
    Startup startup_;
    Cart cart_;
    Checkout checkout_;
    Reviews reviews_;
    DeepLinks links_;
};

} // namespace hub
