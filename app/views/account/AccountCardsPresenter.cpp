#include "app/views/account/AccountCardsPresenter.h"

#include "app/views/account/AccountPresenter.h"
#include "app/views/kit/SymbolName.h"

#include <QStringList>

namespace hub {

namespace {

AccountCardsPresenter::Card tavrenCard(const AccountCardsPresenter::Input& input)
{
    using Card = AccountCardsPresenter::Card;
    Card card;
    card.title = QStringLiteral("Tavren ID");
    card.symbol = "person.crop.circle.badge.checkmark"_symbol;
    card.connected = input.profile.has_value();
    if (!input.profile) {
        card.note = QStringLiteral("Your Tavren ID is your account on %1. Sign in with Apple, Google, GitHub or an emailed code.")
                        .arg(input.webHost);
        card.button = QStringLiteral("Sign In");
        card.prominent = true;
        card.action = AccountCardsPresenter::Action::signIn;
        return card;
    }
    card.email = input.profile->user.email;
    card.note = AccountCardsPresenter::providerLine(*input.profile);
    card.link = AccountCardsPresenter::Link{QStringLiteral("Manage on %1").arg(input.webHost),
                                            QUrl(QStringLiteral("https://%1/account/").arg(input.webHost))};
    card.button = QStringLiteral("Sign Out");
    card.action = AccountCardsPresenter::Action::signOut;
    return card;
}

AccountCardsPresenter::Card storeCard(const AccountCardsPresenter::Input& input)
{
    using Card = AccountCardsPresenter::Card;
    Card card;
    card.title = QStringLiteral("Store account");
    card.symbol = "bag.circle"_symbol;
    card.connected = input.storeUser.has_value();
    if (!input.storeUser) {
        card.note = QStringLiteral("Your purchases created a Moonbase account with the email you bought with. "
                                   "Downloading needs it.");
        card.button = QStringLiteral("Connect");
        card.prominent = true;
        card.action = AccountCardsPresenter::Action::connect;
        return card;
    }
    card.email = input.storeUser->email;
    card.note = QStringLiteral("Downloads of what you own come through this account.");
    card.link = AccountCardsPresenter::Link{QStringLiteral("Open the store"), QUrl(QStringLiteral("https://%1/").arg(input.storeHost))};
    card.button = QStringLiteral("Disconnect");
    card.action = AccountCardsPresenter::Action::disconnect;
    return card;
}

} // namespace

std::optional<QString> AccountCardsPresenter::providerLine(const TavrenIDProfile& profile)
{
    if (!profile.externalAccounts || profile.externalAccounts->isEmpty())
        return std::nullopt;
    QStringList names;
    for (const TavrenIDConnection& connection : *profile.externalAccounts)
        names << AccountPresenter::capitalized(connection.provider);
    return QStringLiteral("Signs in with ") + names.join(QStringLiteral(", "));
}

AccountCardsPresenter::Cards AccountCardsPresenter::present(const Input& input)
{
    return {tavrenCard(input), storeCard(input)};
}

} // namespace hub
