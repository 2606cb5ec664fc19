#include "app/views/extras/ExtrasItemPresenter.h"

#include "app/views/extras/ExtrasShelfPresenter.h"
#include "app/views/kit/SymbolName.h"

namespace hub {

using RouteKind = ExtrasItem::InstallRoute::Kind;

ExtrasItemPresenter::Action ExtrasItemPresenter::action(const ExtrasItem::InstallRoute& route, bool storeHasProduct)
{
    Action action;
    switch (route.kind) {
    case RouteKind::hub:
        if (storeHasProduct) {
            action.kind = Action::Kind::store;
            action.productId = route.productId;
        }
        break;
    case RouteKind::browser:
        action.kind = Action::Kind::browser;
        action.url = route.url;
        action.title = browserTitle(route.url);
        action.symbol = "arrow.up.right"_symbol;
        action.help = QStringLiteral("Open the release page in your browser");
        break;
    case RouteKind::unavailable:
        action.kind = Action::Kind::soon;
        action.title = QStringLiteral("Soon");
        break;
    }
    return action;
}

QString ExtrasItemPresenter::browserTitle(const QUrl& url)
{
    const QString host = url.host();
    if (!host.isEmpty() && host.contains(QLatin1String(codeHost)))
        return QStringLiteral("GitHub");
    return QStringLiteral("View");
}

QString ExtrasItemPresenter::installsText(RouteKind route)
{
    switch (route) {
    case RouteKind::hub:
        return QStringLiteral("Through the hub, after its signature is checked");
    case RouteKind::browser:
        return QStringLiteral("From the release page. The hub only installs code signed by Tavren.");
    case RouteKind::unavailable:
        break;
    }
    return QStringLiteral("Not yet released");
}

ExtrasItemPresenter::Page ExtrasItemPresenter::page(const ExtrasItem& item, const ExtrasItem::InstallRoute& route)
{
    Page page;
    page.title = item.name;
    if (item.stage)
        page.chip = ExtrasShelfPresenter::chipText(*item.stage);
    page.summary = item.summary;
    page.shelf = ExtrasShelfPresenter::shelfText(item.shelf()).title;

    page.rows.append({QStringLiteral("Provider"), QStringLiteral("Tavren"), std::nullopt});
    page.rows.append({QStringLiteral("Kind"), ExtrasShelfPresenter::capitalized(item.kind), std::nullopt});
    if (item.stage)
        page.rows.append(
            {QStringLiteral("Stage"), ExtrasShelfPresenter::capitalized(QString(*item.stage).replace(u'-', u' ')), std::nullopt});
    page.rows.append({QStringLiteral("Price"), QStringLiteral("Free"), std::nullopt});
    page.rows.append({QStringLiteral("Installs"), installsText(route.kind), std::nullopt});
    if (const std::optional<QUrl> release = item.releaseURL()) {
        const QString host = release->host();
        page.rows.append({QStringLiteral("Release page"), host.isEmpty() ? release->toString() : host, *release});
    }
    return page;
}

} // namespace hub
