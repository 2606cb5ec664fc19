#include "app/views/library/LibraryRowPresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Action = LibraryRowPresenter::Action;
using Input = LibraryRowPresenter::Input;

InstalledItem item(const QString& name, BundleKind kind)
{
    return {QStringLiteral("/home/ada/Library/Audio/Plug-Ins/") + name, kind, QStringLiteral("com.tavren.x"),
        QStringLiteral("KD4N8RWT2C"), std::nullopt};
}

Input input(std::optional<InstallRecord> record, QList<InstalledItem> present = {}, bool withDownload = true)
{
    StorefrontProduct product = Fixtures::product("rv", "Reverb");
    if (!withDownload)
        product.downloads = std::nullopt;
    Input in{product, std::move(record), std::move(present), QStringLiteral("1.5.0"), {},
        QTimeZone("America/New_York")};
    return in;
}

InstallRecord recorded(QList<InstalledItem> items, const QString& version = QStringLiteral("1.2"))
{
    InstallRecord record = Fixtures::record("rv", "Reverb", version);
    record.installedAt = QDateTime(QDate(2026, 3, 1), QTime(2, 0), Qt::UTC); // Feb 28 in New York
    record.items = std::move(items);
    return record;
}

QList<Action> actions(const QList<LibraryRowPresenter::Entry>& menu, QList<bool>* enabled = nullptr)
{
    QList<Action> list;
    for (const LibraryRowPresenter::Entry& entry : menu) {
        if (!entry.action)
            continue;
        list.append(*entry.action);
        if (enabled)
            enabled->append(entry.enabled);
    }
    return list;
}

TEST(LibraryRowPresenter, StatusLineFollowsTheRecordAndWhatIsStillOnDisk)
{
    const QList<InstalledItem> plugIns{item("A.vst3", BundleKind::vst3), item("A.component", BundleKind::component),
        item("B.vst3", BundleKind::vst3)};
    const QList<InstalledItem> mixed{item("Z.clap", BundleKind::clap), item("Z.app", BundleKind::app), item("Z.vst", BundleKind::vst),
        item("Z.component", BundleKind::component), item("Z.vst3", BundleKind::vst3)};
    Input noVersion = input(std::nullopt);
    noVersion.latestVersion = std::nullopt;
    struct Row {
        const char* name;
        Input input;
        QString status;
    };
    const QList<Row> rows{
        {"no record, no macOS download", input(std::nullopt, {}, false), "No macOS download yet"},
        {"no record", input(std::nullopt), "Not installed. Latest 1.5.0"},
        {"no record, no latest version: ends with the space", noVersion, "Not installed. Latest "},
        {"every item gone", input(recorded(plugIns), {}), "Removed outside the hub"},
        {"formats deduplicated, date in the zone", input(recorded(plugIns), plugIns), "1.2, Audio Unit + VST3. Installed Feb 28, 2026"},
        {"code-point order", input(recorded(mixed), mixed), "1.2, App + Audio Unit + CLAP + VST + VST3. Installed Feb 28, 2026"},
        {"only present items count", input(recorded(plugIns), {plugIns.at(1)}), "1.2, Audio Unit. Installed Feb 28, 2026"},
        {"version as stored", input(recorded(plugIns, " 2.0-beta"), plugIns), " 2.0-beta, Audio Unit + VST3. Installed Feb 28, 2026"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LibraryRowPresenter::status(row.input), row.status) << row.name;
}

TEST(LibraryRowPresenter, MenuOffersTheRecordsActionsOnlyWithARecord)
{
    const InstallRecord plugIn = recorded({item("A.vst3", BundleKind::vst3)});
    const InstallRecord app = recorded({item("A.vst3", BundleKind::vst3), item("A.app", BundleKind::app)});
    struct Row {
        const char* name;
        Input input;
        QList<Action> actions;
        QList<bool> enabled;
    };
    const QList<Row> rows{
        {"nothing installed, no download: check disabled", input(std::nullopt, {}, false), {Action::check, Action::viewInStore},
            {false, true}},
        {"nothing installed", input(std::nullopt), {Action::check, Action::viewInStore}, {true, true}},
        {"a plug-in, even with every item gone", input(plugIn),
            {Action::reveal, Action::reinstall, Action::moveToTrash, Action::check, Action::viewInStore}, {true, true, true, true, true}},
        {"an app, gone from disk: Open still offered", input(app, {app.items.first()}),
            {Action::open, Action::reveal, Action::reinstall, Action::moveToTrash, Action::check, Action::viewInStore},
            {true, true, true, true, true, true}},
    };
    for (const Row& row : rows) {
        QList<bool> enabled;
        const QList<LibraryRowPresenter::Entry> menu = LibraryRowPresenter::menu(row.input);
        EXPECT_EQ(actions(menu, &enabled), row.actions) << row.name;
        EXPECT_EQ(enabled, row.enabled) << row.name;
    }

    QStringList titles;
    for (const LibraryRowPresenter::Entry& entry : LibraryRowPresenter::menu(input(app, app.items)))
        titles.append(entry.action ? entry.title + (entry.destructive ? "!" : "") : QStringLiteral("--"));
    EXPECT_EQ(titles, (QStringList{"Open", "View in File Manager", "Reinstall", "--", "Move to Trash!", "--",
                          "Check This Release Without Installing", "View in Store"}));
    EXPECT_EQ(LibraryRowPresenter::present(input(std::nullopt)).menuLabel, "More for Reverb");
}

TEST(LibraryRowPresenter, WarnsOfSystemWideCopiesOnlyForARecord)
{
    Input in = input(recorded({item("A.component", BundleKind::component), item("A.vst3", BundleKind::vst3)}));
    EXPECT_EQ(LibraryRowPresenter::present(in).warningToolTip, std::nullopt);
    in.systemCopies = {"/Library/Audio/Plug-Ins/Components/A.component", "/Library/Audio/Plug-Ins/VST3/A.vst3"};
    EXPECT_EQ(LibraryRowPresenter::present(in).warningToolTip,
        "/Library/Audio/Plug-Ins/Components/A.component\n/Library/Audio/Plug-Ins/VST3/A.vst3");
    in.record = std::nullopt;
    EXPECT_EQ(LibraryRowPresenter::present(in).warningToolTip, std::nullopt);
}

} // namespace
} // namespace hub
