#include "app/shell/Screens.h"

#include "app/model/AppModel.h"
#include "app/shell/PlaceholderScreen.h"
#include "app/views/extras/ExtrasItemPage.h"
#include "app/views/extras/ExtrasShelfPage.h"
#include "app/views/kit/LaunchClock.h"
#include "app/views/library/DownloadsView.h"
#include "app/views/library/LibraryView.h"
#include "app/views/library/UpdatesView.h"
#include "app/views/product/ProductPage.h"

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
    switch (section) {
    case HubSection::library:
        return new LibraryView(model);
    case HubSection::updates:
        return new UpdatesView(model);
    case HubSection::downloads:
        return new DownloadsView(model);
    case HubSection::freeTools:
        return new ExtrasShelfPage(model, ExtrasItem::Shelf::freeTools);
    case HubSection::earlyAccess:
        return new ExtrasShelfPage(model, ExtrasItem::Shelf::earlyAccess);
    default:
        break;
    }
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

QWidget* Screens::settings(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Settings"), QStringLiteral("Settings are on their way."));
}

QWidget* Screens::cart(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Cart"), QStringLiteral("Your cart is on its way."));
}

} // namespace hub
