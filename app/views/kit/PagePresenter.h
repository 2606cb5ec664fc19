#pragma once

#include "kit/api/StorefrontProduct.h"

#include <QList>
#include <QString>

namespace hub {

// The plain rules of the shared page pieces: shelves, tiles, the sign-in prompt,
// the account footer and the avatar.
struct PagePresenter {
    static constexpr int shelfLimit = 9;

    // The shelf's cells: the first of each id, then the first nine.
    static QList<StorefrontProduct> shelfProducts(const QList<StorefrontProduct>& products);
    // The tile's second line: the tagline, else the catalog category.
    static QString tileSubtitle(const StorefrontProduct& product, const QString& category);

    struct Prompt {
        QString title;
        QString button;
        bool operator==(const Prompt&) const = default;
    };
    static Prompt signInPrompt(bool storeOnly);

    // "Tavren ID and store", "Store account", "Tavren ID", or empty.
    static QString accountLine(bool storeAccount, bool tavrenID);

    struct Footer {
        bool signedIn = false;
        QString avatarText; // the e-mail whose initial is shown, "?" signed out
        QString title;      // the display name, or "Sign In"
        QString subtitle;   // the account line; empty (not shown) signed out
        bool operator==(const Footer&) const = default;
    };
    static Footer footer(bool storeAccount, bool tavrenID, const QString& displayName,
        const std::optional<QString>& displayEmail);

    // The avatar's initial: the first character, upper-cased.
    static QString initial(const QString& text);
    static double initialSize(double diameter) { return diameter * 0.45; }
};

} // namespace hub
