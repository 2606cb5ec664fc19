#include "app/shell/Screens.h"

#include "app/model/AppModel.h"
#include "app/platform/InstallLocation.h"
#include "app/platform/LaunchAgent.h"
#include "app/platform/UserDefaults.h"
#include "app/shell/PlaceholderScreen.h"
#include "app/updater/BackgroundUpdater.h"
#include "app/views/account/AccountView.h"
#include "app/views/extras/ExtrasItemPage.h"
#include "app/views/extras/ExtrasShelfPage.h"
#include "app/views/kit/LaunchClock.h"
#include "app/views/product/ProductPage.h"
#include "app/views/settings/SettingsView.h"

#include <QEvent>

namespace hub {

namespace {

// The first time the screen is on view with store content, the launch clock stops.
class FirstContent : public QObject {
public:
    FirstContent(QWidget* screen, AppModel& model) : QObject(screen), screen_(screen), model_(model)
    {
        screen->installEventFilter(this);
        connect(&model.catalog(), &StoreCatalog::storefrontChanged, this, &FirstContent::check);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == screen_ && event->type() == QEvent::Show)
            check();
        return false;
    }

private:
    void check()
    {
        if (!screen_->isVisible() || model_.catalog().products().isEmpty())
            return;
        LaunchClock::process().firstContent(model_.catalog().storefrontIsCached() ? QStringLiteral("cache") : QStringLiteral("network"));
        deleteLater();
    }

    QWidget* screen_;
    AppModel& model_;
};

} // namespace

// SEAM: each screen is a placeholder named after what it shows until its view exists.

QWidget* Screens::section(HubSection section, AppModel& model)
{
    if (section == HubSection::account)
        return new AccountView(model);
    if (section == HubSection::freeTools)
        return new ExtrasShelfPage(model, ExtrasItem::Shelf::freeTools);
    if (section == HubSection::earlyAccess)
        return new ExtrasShelfPage(model, ExtrasItem::Shelf::earlyAccess);
    auto* screen = new PlaceholderScreen(title(section), QStringLiteral("This screen is on its way."));
    if (section == HubSection::discover)
        new FirstContent(screen, model);
    return screen;
}

QWidget* Screens::searchResults(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Search"), QStringLiteral("Results for your search are on their way."));
}

QWidget* Screens::productPage(const StorefrontProduct& product, AppModel& model)
{
    return new ProductPage(model, product);
}

QWidget* Screens::extrasItemPage(const ExtrasItem& item, AppModel& model)
{
    return new ExtrasItemPage(model, item);
}

QWidget* Screens::signIn(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Sign In"), QStringLiteral("Signing in here is on its way."));
}

QWidget* Screens::settings(AppModel& model, HubUpdater& updater, const QJsonObject& info)
{
    // The switch asks the system each time; the user defaults record the choice.
    const LaunchAgent agent(InstallLocation::current().executable);
    std::shared_ptr<QSettings> defaults = model.services().settings ? model.services().settings : UserDefaults::open();
    BackgroundSwitch::Agent background{
        [agent] { return agent.status() == LaunchAgent::Status::enabled; },
        [agent, defaults](bool on) { BackgroundUpdater::setEnabled(on, *defaults, agent); },
    };
    return new SettingsView(model, updater, info, std::move(background));
}

QWidget* Screens::cart(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Cart"), QStringLiteral("Your cart is on its way."));
}

} // namespace hub
