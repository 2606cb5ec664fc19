#include "app/views/extras/ExtrasShelfPresenter.h"

#include "app/model/HubSection.h"

#include <QSet>

namespace hub {

ExtrasShelfPresenter::ShelfText ExtrasShelfPresenter::shelfText(ExtrasItem::Shelf shelf)
{
    if (shelf == ExtrasItem::Shelf::earlyAccess)
        return {QStringLiteral("Early Access"), QStringLiteral("Games and tools still being built. Expect rough edges."),
            symbol(HubSection::earlyAccess)};
    return {QStringLiteral("Free Tools"), QStringLiteral("Open source utilities from Tavren, released on GitHub"),
        symbol(HubSection::freeTools)};
}

ExtrasShelfPresenter::Page ExtrasShelfPresenter::page(ExtrasItem::Shelf shelf, qsizetype items)
{
    const ShelfText text = shelfText(shelf);
    Page page;
    page.title = text.title;
    page.symbol = text.symbol;
    page.empty = items <= 0;
    if (page.empty) {
        page.emptyTitle = QStringLiteral("Nothing here yet");
        page.emptyMessage = QStringLiteral("New ") + text.title.toLower() + QStringLiteral(" appear here as they are released.");
        return page;
    }
    page.subtitle = text.subtitle;
    page.shelfTitle = QString::number(items) + QStringLiteral(" available");
    return page;
}

QList<ExtrasItem> ExtrasShelfPresenter::shelfItems(const QList<ExtrasItem>& items)
{
    QList<ExtrasItem> cells;
    QSet<QString> seen;
    for (const ExtrasItem& item : items) {
        if (seen.contains(item.id))
            continue;
        seen.insert(item.id);
        cells.append(item);
    }
    return cells;
}

ExtrasShelfPresenter::Tile ExtrasShelfPresenter::tile(const ExtrasItem& item)
{
    Tile tile;
    tile.name = item.name;
    if (item.stage)
        tile.chip = chipText(*item.stage);
    tile.subtitle = item.summary ? *item.summary : capitalized(item.kind);
    return tile;
}

QString ExtrasShelfPresenter::chipText(const QString& stage)
{
    return QString(stage).replace(u'-', u' ').toUpper();
}

QString ExtrasShelfPresenter::capitalized(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool wordStart = true;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (c.isSpace()) {
            result.append(c);
            wordStart = true;
            continue;
        }
        // A surrogate pair is one letter: case it as a whole.
        const qsizetype length = c.isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
        const QString letter = text.mid(at, length);
        result.append(wordStart ? letter.toUpper() : letter.toLower());
        at += length - 1;
        wordStart = false;
    }
    return result;
}

} // namespace hub
