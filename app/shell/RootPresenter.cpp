#include "app/shell/RootPresenter.h"

#include "app/model/Navigation.h"

#include <algorithm>

namespace hub {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

bool RootPresenter::showsSearchResults(const QString& search)
{
    return std::any_of(search.begin(), search.end(), [](QChar c) { return !isBlank(c); });
}

HubSection RootPresenter::rootSection(std::optional<HubSection> selection)
{
    return selection.value_or(HubSection::discover);
}

bool RootPresenter::waitsForStorefront(HubSection section)
{
    return section == HubSection::discover || section == HubSection::plugIns || section == HubSection::apps;
}

RootPresenter::Destination RootPresenter::destination(const QString& entry,
    const std::function<bool(const QString&)>& productExists, const std::function<bool(const QString&)>& extraExists)
{
    if (entry.startsWith(Navigation::extraPrefix)) {
        const QString id = entry.mid(Navigation::extraPrefix.size());
        return {extraExists(id) ? Destination::Kind::extra : Destination::Kind::notAvailable, id};
    }
    return {productExists(entry) ? Destination::Kind::product : Destination::Kind::notInStore, entry};
}

RootPresenter::EmptyText RootPresenter::emptyText(Destination::Kind kind)
{
    if (kind == Destination::Kind::notAvailable)
        return {QStringLiteral("Not available"), QStringLiteral("That release is no longer listed."), QStringLiteral("questionmark.app")};
    return {QStringLiteral("Not in the store"), QStringLiteral("That product is not on sale right now."), QStringLiteral("questionmark.app")};
}

std::optional<RootPresenter::Submission> RootPresenter::submission(const QStringList& productIds, const QStringList& extraIds)
{
    if (!productIds.isEmpty())
        return Submission{false, productIds.first()};
    if (!extraIds.isEmpty())
        return Submission{true, extraIds.first()};
    return std::nullopt;
}

RootPresenter::CartButton RootPresenter::cartButton(qsizetype cartLines)
{
    return {cartLines > 0 ? QStringLiteral("cart.fill") : QStringLiteral("cart"), cartLines};
}

RootPresenter::Menus RootPresenter::menus(const MenuInput& input)
{
    Menus menus;
    menus.backEnabled = input.pathLength > 0;
    menus.updateAllEnabled = input.updatesAvailable > 0;
    menus.accountOpensSignIn = !input.signedIn;
    menus.accountTitle = input.signedIn ? QStringLiteral("Account") : QStringLiteral("Sign In");
    return menus;
}

QString RootPresenter::windowTitle(const QString& navigationTitle)
{
    const QString app = QStringLiteral("Tavren Hub");
    return navigationTitle.isEmpty() ? app : navigationTitle + QStringLiteral(" \u2014 ") + app;
}

bool RootPresenter::showsSplash(const QStringList& arguments)
{
    return !arguments.contains(QStringLiteral("--snapshot")) && !arguments.contains(QStringLiteral("--measure-launch"));
}

} // namespace hub
