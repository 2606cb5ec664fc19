#include "app/views/library/LibraryPresenter.h"

namespace hub {

const QList<LibraryPresenter::Filter>& LibraryPresenter::filters()
{
    static const QList<Filter> all{Filter::all, Filter::installed, Filter::notInstalled};
    return all;
}

QString LibraryPresenter::toString(Filter filter)
{
    switch (filter) {
    case Filter::installed:
        return QStringLiteral("Installed");
    case Filter::notInstalled:
        return QStringLiteral("Not Installed");
    case Filter::all:
        break;
    }
    return QStringLiteral("All");
}

std::optional<LibraryPresenter::Filter> LibraryPresenter::fromString(const QString& raw)
{
    for (Filter filter : filters())
        if (toString(filter) == raw)
            return filter;
    return std::nullopt;
}

QList<StorefrontProduct> LibraryPresenter::filtered(const Input& input)
{
    if (input.filter == Filter::all)
        return input.owned;
    const bool wantInstalled = input.filter == Filter::installed;
    QList<StorefrontProduct> kept;
    for (const StorefrontProduct& product : input.owned)
        if (input.recorded.contains(product.id) == wantInstalled)
            kept.append(product);
    return kept;
}

LibraryPresenter::Screen LibraryPresenter::present(const Input& input)
{
    Screen screen;
    if (!input.storeConnected && !input.tavrenSignedIn)
        return screen;
    if (input.owned.isEmpty()) {
        screen.state = State::empty;
        return screen;
    }
    screen.state = State::list;
    screen.countLine = QStringLiteral("%1 owned, %2 installed").arg(input.owned.size()).arg(input.installedCount);
    screen.showsCallout = !input.storeConnected;
    screen.rows = filtered(input);
    return screen;
}

} // namespace hub
