#pragma once

#include "kit/api/TavrenIDProfile.h"
#include "kit/api/User.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace hub {

// The two account cards: the Tavren ID and the store account, each connected or not,
// with its lines, its link and its one button.
class AccountCardsPresenter {
public:
    enum class Action { signIn, signOut, connect, disconnect };

    struct Link {
        QString title;
        QUrl url;
        bool operator==(const Link&) const = default;
    };

    struct Card {
        QString title;
        QString symbol;
        bool connected = false;
        std::optional<QString> email;     // the headline, when connected
        std::optional<QString> note;      // the callout line under it
        std::optional<Link> link;         // beside the button, when connected
        QString button;
        bool prominent = false;           // the signed-out call to action
        Action action = Action::signIn;
        bool operator==(const Card&) const = default;
    };

    struct Input {
        std::optional<TavrenIDProfile> profile;
        std::optional<User> storeUser;
        QString webHost;   // the maker's website
        QString storeHost; // the store's site on the commerce platform
    };

    struct Cards {
        Card tavrenID;
        Card store;
    };

    // The reason the sign-in sheet shows when "Connect" opens it.
    static inline const QString connectReason = QStringLiteral("Sign in with the email you bought with.");

    static Cards present(const Input& input);
    // "Signs in with " and the linked providers, each capitalised; none without any.
    static std::optional<QString> providerLine(const TavrenIDProfile& profile);
};

} // namespace hub
