#pragma once

#include "kit/api/StorefrontProduct.h"
#include "kit/api/TavrenIDPurchase.h"
#include "kit/api/TavrenIDSession.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace hub {

// The account page without its cards: the header, the signed-in devices and the
// purchase history, in the model's order.
class AccountPresenter {
public:
    struct Input {
        QString displayName;
        std::optional<QString> displayEmail;
        qsizetype ownedCount = 0;
        bool signedIn = false; // a store account or a Tavren ID
        QList<TavrenIDSession> sessions;
        QList<TavrenIDPurchase> purchases;
        // The storefront's product with that id, if any.
        std::function<std::optional<StorefrontProduct>(const QString&)> product;
    };

    struct Header {
        QString avatarText; // the e-mail, or "?"
        bool signedIn = false;
        QString name;
        std::optional<QString> email; // only when it differs from the name
        QString count;
        bool operator==(const Header&) const = default;
    };

    struct Device {
        QString id;
        QString label;
        QString symbol;
        std::optional<QString> lastActive; // "Last active …"
        bool current = false;              // "This computer" instead of a sign-out button
        bool operator==(const Device&) const = default;
    };

    struct Purchase {
        QString id;
        QString name; // the product's name, else the raw product id
        bool showsIcon = false;
        std::optional<QString> iconUrl;
        bool gift = false;
        QString status;
        QString date; // may be empty
        bool operator==(const Purchase&) const = default;
    };

    struct Screen {
        Header header;
        QList<Device> devices;     // the section shows only when not empty
        QList<Purchase> purchases; // likewise
    };

    static Screen present(const Input& input);

    // The symbol for a device label: the first of iphone, android, mac, hub, windows,
    // linux found in the lower-cased label decides; "globe" otherwise.
    static QString icon(const QString& label);
    // First letter of each word upper case, the rest lower case.
    static QString capitalized(const QString& text);
    // The first `count` user-perceived characters of `text`.
    static QString leadingCharacters(const QString& text, int count);
};

} // namespace hub
