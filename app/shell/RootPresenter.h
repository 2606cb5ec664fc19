#pragma once

#include "app/model/HubSection.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace hub {

// The main window's decisions: what the detail column shows at its root and for each
// entry of the navigation path, where Return in the search field goes, the toolbar's
// cart button and the menu items that change with the model.
class RootPresenter {
public:
    // One entry of the navigation path, resolved.
    struct Destination {
        enum class Kind { product, extra, notInStore, notAvailable };
        Kind kind;
        QString id; // the product's or the extras item's id
        bool operator==(const Destination&) const = default;
    };
    struct EmptyText {
        QString title;
        QString message;
        QString symbol;
    };

    // Where Return in the search field goes: a product page, else an extras item's page.
    struct Submission {
        bool extra = false;
        QString id;
        bool operator==(const Submission&) const = default;
    };

    struct CartButton {
        QString symbol;
        qsizetype badge = 0;
        bool operator==(const CartButton&) const = default;
    };

    struct MenuInput {
        qsizetype pathLength = 0;
        qsizetype updatesAvailable = 0;
        bool signedIn = false; // a store account or a Tavren ID profile is held
    };
    struct Menus {
        bool backEnabled = false;
        bool updateAllEnabled = false;
        QString accountTitle; // "Sign In" or "Account"
        bool accountOpensSignIn = false;
        bool operator==(const Menus&) const = default;
    };

    // The search results stand at the root while the text, without spaces and tabs at
    // its ends, is not empty.
    static bool showsSearchResults(const QString& search);
    // The section whose screen stands at the root: Discover when none is selected.
    static HubSection rootSection(std::optional<HubSection> selection);
    // Discover and the browse screens show the store placeholder until a storefront is held.
    static bool waitsForStorefront(HubSection section);

    // An entry "extra:" and an id is an extras item's page; any other a product's.
    static Destination destination(const QString& entry, const std::function<bool(const QString&)>& productExists,
        const std::function<bool(const QString&)>& extraExists);
    static EmptyText emptyText(Destination::Kind kind); // notInStore or notAvailable

    // Given the ids of the search's store matches and then of its extras matches, best first.
    static std::optional<Submission> submission(const QStringList& productIds, const QStringList& extraIds);

    static CartButton cartButton(qsizetype cartLines);
    static Menus menus(const MenuInput& input);

    // The window's title: the shown screen's navigation title (none while the store
    // is loading, or for a page that is gone), then the app's name.
    static QString windowTitle(const QString& navigationTitle);

    // The launch splash covers a new window unless the process was started to take
    // screenshots or to measure the launch (whole arguments only).
    static bool showsSplash(const QStringList& arguments);
};

} // namespace hub
