#pragma once

#include "kit/api/ExtrasItem.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The plain rules of the extras shelves: the shelf page, the shelf and its tiles.
struct ExtrasShelfPresenter {
    // The texts and symbol that belong to a shelf.
    struct ShelfText {
        QString title;
        QString subtitle;
        QString symbol; // the symbol of its sidebar section
        bool operator==(const ShelfText&) const = default;
    };
    static ShelfText shelfText(ExtrasItem::Shelf shelf);

    // The shelf page: an empty state, or a header over one shelf of every item.
    struct Page {
        QString title; // the shelf's title, also the page's
        bool empty = true;
        QString emptyTitle;
        QString emptyMessage;
        QString symbol;
        QString subtitle;
        QString shelfTitle; // "3 available"
        bool operator==(const Page&) const = default;
    };
    static Page page(ExtrasItem::Shelf shelf, qsizetype items);

    // The grid's cells: the first item of each id, in order.
    static QList<ExtrasItem> shelfItems(const QList<ExtrasItem>& items);

    struct Tile {
        QString name;
        std::optional<QString> chip; // the stage chip's text
        QString subtitle;            // the summary, else the kind capitalised
        bool operator==(const Tile&) const = default;
    };
    static Tile tile(const ExtrasItem& item);

    // "public-beta" -> "PUBLIC BETA".
    static QString chipText(const QString& stage);
    // The first letter of each blank-separated word upper case, the rest lower case.
    static QString capitalized(const QString& text);
};

} // namespace hub
