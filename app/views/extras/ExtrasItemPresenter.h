#pragma once

#include "kit/api/ExtrasItem.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace hub {

// The plain rules of an extras item's action pill and of its page.
struct ExtrasItemPresenter {
    // The code-hosting site whose release pages the browser pill names.
    static constexpr const char* codeHost = "github.com";

    struct Action {
        // store: the store's own action button of `productId`; browser: a pill that
        // opens `url`; soon: a caption; nothing: nothing drawn.
        enum class Kind { store, browser, soon, nothing };
        Kind kind = Kind::nothing;
        QString productId;
        QUrl url;
        QString title;
        QString symbol;
        QString help;
        bool operator==(const Action&) const = default;
    };
    // `storeHasProduct`: whether the storefront holds the hub route's product.
    static Action action(const ExtrasItem::InstallRoute& route, bool storeHasProduct);
    // "GitHub" when the host contains the code-hosting domain, else "View".
    static QString browserTitle(const QUrl& url);

    struct Row {
        QString label;
        QString value;
        std::optional<QUrl> link; // the value is a link that opens this
        bool operator==(const Row&) const = default;
    };

    struct Page {
        QString title;
        std::optional<QString> chip;
        std::optional<QString> summary;
        QString shelf; // the shelf's title
        QList<Row> rows;
        bool operator==(const Page&) const = default;
    };
    static Page page(const ExtrasItem& item, const ExtrasItem::InstallRoute& route);
    static QString installsText(ExtrasItem::InstallRoute::Kind route);
};

} // namespace hub
