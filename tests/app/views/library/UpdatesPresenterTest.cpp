#include "app/views/library/RelativeDate.h"
#include "app/views/library/UpdatesPresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Block = UpdatesPresenter::Block;
using Input = UpdatesPresenter::Input;

const QDateTime now(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC);

UpdatesPresenter::Update update(const QString& id, std::optional<QString> installed, std::optional<QString> latest,
    std::optional<QString> notes = std::nullopt)
{
    return {Fixtures::product(id, id.toUpper()), std::move(installed), std::move(latest), std::move(notes)};
}

InstallRecord installedAt(const QString& id, const QString& name, const QDateTime& when)
{
    InstallRecord record = Fixtures::record(id, name, QStringLiteral("1.0"));
    record.installedAt = when;
    return record;
}

Input signedIn(QList<UpdatesPresenter::Update> updates)
{
    Input in;
    in.signedIn = true;
    in.updates = std::move(updates);
    in.now = now;
    return in;
}

TEST(UpdatesPresenter, ChoosesTheBlockAndUpdateAllFromTheUpdates)
{
    struct Row {
        const char* name;
        Input input;
        Block block;
        bool updateAll;
        int rows;
    };
    Input signedOut = signedIn({update("a", "1", "2"), update("b", "1", "2")});
    signedOut.signedIn = false;
    const QList<Row> rows{
        {"signed out: the prompt, still Update All", signedOut, Block::signIn, true, 0},
        {"nothing to update", signedIn({}), Block::upToDate, false, 0},
        {"one update: no Update All", signedIn({update("a", "1", "2")}), Block::available, false, 1},
        {"two updates", signedIn({update("a", "1", "2"), update("b", "1", "2")}), Block::available, true, 2},
    };
    for (const Row& row : rows) {
        const UpdatesPresenter::Screen screen = UpdatesPresenter::present(row.input);
        EXPECT_EQ(screen.block, row.block) << row.name;
        EXPECT_EQ(screen.showsUpdateAll, row.updateAll) << row.name;
        EXPECT_EQ(screen.available.size(), row.rows) << row.name;
    }
}

TEST(UpdatesPresenter, AvailableRowsShowBothVersionsAndOnlyRealNotes)
{
    const UpdatesPresenter::Screen screen = UpdatesPresenter::present(signedIn({
        update("a", "1.4.0", "1.5.0", "Fixes.\nFaster."),
        update("b", std::nullopt, " 2.0 ", ""),
        update("c", "1.0", std::nullopt, std::nullopt),
    }));
    ASSERT_EQ(screen.available.size(), 3);
    EXPECT_EQ(screen.available[0].versionLine, "1.4.0 to 1.5.0");
    EXPECT_EQ(screen.available[0].notes, "Fixes.\nFaster.");
    EXPECT_EQ(screen.available[1].versionLine, " to  2.0 ") << "neither side trimmed";
    EXPECT_EQ(screen.available[1].notes, std::nullopt) << "empty notes are none";
    EXPECT_EQ(screen.available[2].versionLine, "1.0 to ");
    EXPECT_EQ(screen.available[2].notes, std::nullopt);
    EXPECT_EQ(UpdatesPresenter::toggleTitle(false), "More");
    EXPECT_EQ(UpdatesPresenter::toggleTitle(true), "Less");
}

TEST(UpdatesPresenter, InstalledListIsNewestFirstWithTiesByName)
{
    const QDateTime day = now.addDays(-2);
    Input in = signedIn({});
    in.signedIn = false; // shown signed out too
    in.installed = {installedAt("a", "Alpha", day), installedAt("b", "Beta", now.addSecs(-300)),
        installedAt("c", "Gamma", day), installedAt("d", "Delta", now.addDays(-1))};
    in.storeProducts.insert("b", Fixtures::product("b", "Beta"));
    const UpdatesPresenter::Screen screen = UpdatesPresenter::present(in);
    QStringList order;
    for (const UpdatesPresenter::InstalledRow& row : screen.installed)
        order.append(row.productId);
    EXPECT_EQ(order, (QStringList{"b", "d", "a", "c"}));
    EXPECT_EQ(screen.installed[0].detail, "1.0, 5 minutes ago");
    EXPECT_EQ(screen.installed[1].detail, "1.0, yesterday");
    EXPECT_TRUE(screen.installed[0].icon.has_value());
    EXPECT_FALSE(screen.installed[1].icon.has_value()) << "not in the storefront: no icon";
    EXPECT_EQ(in.installed.first().productId, "a") << "the input is not reordered";
}

TEST(UpdatesPresenter, CheckedLineAndRelativeDates)
{
    EXPECT_EQ(UpdatesPresenter::checkedLine(std::nullopt, now), "Not checked yet");
    EXPECT_EQ(UpdatesPresenter::checkedLine(now.addSecs(-120), now), "Checked 2 minutes ago");
    struct Row {
        qint64 seconds; // before now; negative: after
        QString text;
    };
    const QList<Row> rows{
        {0, "now"}, {1, "1 second ago"}, {60, "1 minute ago"}, {3599, "59 minutes ago"}, {86'399, "23 hours ago"},
        {86'400, "yesterday"}, {3 * 86'400, "3 days ago"}, {7 * 86'400, "last week"}, {15 * 86'400, "2 weeks ago"},
        {200 * 86'400, "6 months ago"}, {365 * 86'400, "last year"}, {-30, "in 30 seconds"}, {-86'400, "tomorrow"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RelativeDate::named(now.addSecs(-row.seconds), now), row.text) << row.seconds;
}

} // namespace
} // namespace hub
