#include "app/shell/Screens.h"

#include "app/shell/PlaceholderScreen.h"

namespace hub {

// SEAM: each screen is a placeholder named after what it shows until its view exists.

QWidget* Screens::section(HubSection section, AppModel&)
{
    return new PlaceholderScreen(title(section), QStringLiteral("This screen is on its way."));
}

QWidget* Screens::searchResults(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Search"), QStringLiteral("Results for your search are on their way."));
}

QWidget* Screens::productPage(const StorefrontProduct& product, AppModel&)
{
    return new PlaceholderScreen(product.name, QStringLiteral("This product's page is on its way."));
}

QWidget* Screens::extrasItemPage(const ExtrasItem& item, AppModel&)
{
    return new PlaceholderScreen(item.name, QStringLiteral("This release's page is on its way."));
}

QWidget* Screens::signIn(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Sign In"), QStringLiteral("Signing in here is on its way."));
}

QWidget* Screens::cart(AppModel&)
{
    return new PlaceholderScreen(QStringLiteral("Cart"), QStringLiteral("Your cart is on its way."));
}

} // namespace hub
