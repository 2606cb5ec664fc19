#include "app/shell/Screens.h"

#include "app/model/AppModel.h"
#include "app/platform/InstallLocation.h"
#include "app/platform/LaunchAgent.h"
#include "app/platform/UserDefaults.h"
#include "app/updater/BackgroundUpdater.h"
#include "app/views/account/AccountView.h"
#include "app/views/extras/ExtrasItemPage.h"
#include "app/views/extras/ExtrasShelfPage.h"
#include "app/views/library/DownloadsView.h"
#include "app/views/library/LibraryView.h"
#include "app/views/library/UpdatesView.h"
#include "app/views/product/ProductPage.h"
#include "app/views/settings/SettingsView.h"
#include "app/views/signin/SignInView.h"
#include "app/views/store/BrowseView.h"
#include "app/views/store/CartView.h"
#include "app/views/store/DiscoverView.h"
#include "app/views/store/FreeView.h"
#include "app/views/store/SearchResultsView.h"
#include "app/views/store/WishlistView.h"

namespace hub {

QWidget* Screens::section(HubSection section, AppModel& model, QWidget* parent)
{
    switch (section) {
    case HubSection::discover:
        break;
    case HubSection::plugIns:
        return new BrowseView(model, ProductKind::plugIn, parent);
    case HubSection::apps:
        return new BrowseView(model, ProductKind::app, parent);
    case HubSection::free:
        return new FreeView(model, parent);
    case HubSection::wishlist:
        return new WishlistView(model, parent);
    case HubSection::account:
        return new AccountView(model, parent);
    case HubSection::library:
        return new LibraryView(model, parent);
    case HubSection::updates:
        return new UpdatesView(model, parent);
    case HubSection::downloads:
        return new DownloadsView(model, parent);
    case HubSection::freeTools:
        return new ExtrasShelfPage(model, ExtrasItem::Shelf::freeTools, parent);
    case HubSection::earlyAccess:
        return new ExtrasShelfPage(model, ExtrasItem::Shelf::earlyAccess, parent);
    }
    return new DiscoverView(model, parent);
}

QWidget* Screens::searchResults(AppModel& model, QWidget* parent)
{
    return new SearchResultsView(model, parent);
}

QWidget* Screens::productPage(const StorefrontProduct& product, AppModel& model, QWidget* parent)
{
    return new ProductPage(model, product, parent);
}

QWidget* Screens::extrasItemPage(const ExtrasItem& item, AppModel& model, QWidget* parent)
{
    return new ExtrasItemPage(model, item, parent);
}

QWidget* Screens::signIn(AppModel& model)
{
    return new SignInView(model);
}

QWidget* Screens::settings(AppModel& model, HubUpdater& updater, const QJsonObject& info)
{
    // The switch asks the system each time; the user defaults record the choice.
    const LaunchAgent agent(InstallLocation::current().executable);
    std::shared_ptr<QSettings> defaults = model.services().settings ? model.services().settings : UserDefaults::open();
    BackgroundSwitch::Agent background{
        [agent] { return agent.status() == LaunchAgent::Status::enabled; },
        [agent, defaults](bool on) { BackgroundUpdater::setEnabled(on, *defaults, agent); },
        [agent] { return agent.status() != LaunchAgent::Status::notFound; },
    };
    return new SettingsView(model, updater, info, std::move(background));
}

QWidget* Screens::cart(AppModel& model)
{
    return new CartView(model, {});
}

} // namespace hub
