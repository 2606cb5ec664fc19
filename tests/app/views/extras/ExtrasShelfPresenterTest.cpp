#include "app/views/extras/ExtrasShelfPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

ExtrasItem item(const QString& id, const QString& kind = "tool", std::optional<QString> stage = std::nullopt,
    std::optional<QString> summary = std::nullopt)
{
    ExtrasItem i;
    i.id = id;
    i.name = id.toUpper();
    i.kind = kind;
    i.stage = std::move(stage);
    i.summary = std::move(summary);
    return i;
}

TEST(ExtrasShelfPresenter, ShelfPageIsAnEmptyStateOrACountedShelf)
{
    using Shelf = ExtrasItem::Shelf;
    using Page = ExtrasShelfPresenter::Page;
    struct Case {
        Shelf shelf;
        qsizetype items;
        Page page;
    };
    const QString toolsLine = "Open source utilities from Tavren, released on GitHub";
    const QString earlyLine = "Games and tools still being built. Expect rough edges.";
    const Case cases[] = {
        {Shelf::freeTools, 0,
            {"Free Tools", true, "Nothing here yet", "New free tools appear here as they are released.",
                "wrench.and.screwdriver", "", ""}},
        {Shelf::earlyAccess, 0,
            {"Early Access", true, "Nothing here yet", "New early access appear here as they are released.", "flask", "", ""}},
        {Shelf::freeTools, 1, {"Free Tools", false, "", "", "wrench.and.screwdriver", toolsLine, "1 available"}},
        {Shelf::earlyAccess, 3, {"Early Access", false, "", "", "flask", earlyLine, "3 available"}},
        {Shelf::freeTools, 12, {"Free Tools", false, "", "", "wrench.and.screwdriver", toolsLine, "12 available"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtrasShelfPresenter::page(c.shelf, c.items), c.page) << c.items;

    EXPECT_EQ(ExtrasShelfPresenter::shelfText(Shelf::freeTools).title, "Free Tools");
    EXPECT_EQ(ExtrasShelfPresenter::shelfText(Shelf::earlyAccess).subtitle, earlyLine);
}

TEST(ExtrasShelfPresenter, ShelfKeepsOrderAndTheFirstOfEachId)
{
    ExtrasItem second = item("a", "game");
    const QList<ExtrasItem> cells = ExtrasShelfPresenter::shelfItems({item("a"), item("b"), second, item("c"), item("b")});
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(cells.at(0), item("a"));
    EXPECT_EQ(cells.at(1).id, "b");
    EXPECT_EQ(cells.at(2).id, "c");
    EXPECT_TRUE(ExtrasShelfPresenter::shelfItems({}).isEmpty());
}

TEST(ExtrasShelfPresenter, TileShowsSummaryElseKindAndAChipOnlyWithAStage)
{
    using Tile = ExtrasShelfPresenter::Tile;
    struct Case {
        ExtrasItem item;
        Tile tile;
    };
    const Case cases[] = {
        {item("mon", "tool", std::nullopt, "Watch MIDI"), {"MON", std::nullopt, "Watch MIDI"}},
        {item("mon", "tool"), {"MON", std::nullopt, "Tool"}},
        {item("g", "game", "alpha"), {"G", "ALPHA", "Game"}},
        {item("s", "sound TOOL", "public-beta"), {"S", "PUBLIC BETA", "Sound Tool"}},
        {item("e", "tool", "early-access", ""), {"E", "EARLY ACCESS", ""}}, // an empty summary is still one
        {item("x", "", ""), {"X", "", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtrasShelfPresenter::tile(c.item), c.tile) << c.item.id.toStdString();
}

TEST(ExtrasShelfPresenter, CapitalizedAndChipTexts)
{
    const std::pair<QString, QString> capitalized[] = {
        {"tool", "Tool"},
        {"GAME", "Game"},
        {"early access", "Early Access"},
        {"  two\tgaps  ", "  Two\tGaps  "},
        {"plug-in", "Plug-in"}, // only blanks part words
        {QString::fromUtf8("éCLAIR"), QString::fromUtf8("Éclair")},
        {QString::fromUtf8("\U0001D41A"), QString::fromUtf8("\U0001D41A")}, // a letter outside the BMP stays whole
        {"", ""},
    };
    for (const auto& [text, expected] : capitalized)
        EXPECT_EQ(ExtrasShelfPresenter::capitalized(text), expected) << text.toStdString();

    EXPECT_EQ(ExtrasShelfPresenter::chipText("public-beta"), "PUBLIC BETA");
    EXPECT_EQ(ExtrasShelfPresenter::chipText("early-access--2"), "EARLY ACCESS  2");
    EXPECT_EQ(ExtrasShelfPresenter::chipText("Preview"), "PREVIEW");
}

} // namespace
} // namespace hub
