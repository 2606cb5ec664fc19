#include "app/views/kit/ActionButtonPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Kind = ActionButtonPresenter::Kind;
using Input = ActionButtonPresenter::Input;

Download download(const QString& name, const QString& key, qint64 size)
{
    Download d;
    d.name = name;
    d.key = key;
    d.platform = Platform::mac;
    d.size = size;
    return d;
}

const QList<Download> one{download("Mac", "k1", 12'345'678)};
const QList<Download> two{download("Mac", "k1", 12'345'678), download("Universal", "k2", 2'000'000'000)};

Input owned(QList<Download> downloads = one)
{
    Input in;
    in.owns = true;
    in.macDownloads = std::move(downloads);
    in.hasDefaultVariation = true;
    return in;
}

Input forSale(bool free, const QString& price = "€49.00")
{
    Input in;
    in.hasDefaultVariation = true;
    in.isFree = free;
    in.price = price;
    in.macDownloads = one;
    return in;
}

Input with(Input in, std::function<void(Input&)> change)
{
    change(in);
    return in;
}

TEST(ActionButtonPresenter, TheDecisionChainTakesTheFirstRuleThatApplies)
{
    struct Row {
        const char* name;
        Input input;
        Kind kind;
        QString title;
        QString symbol;
        bool enabled;
    };
    const QList<Row> rows{
        {"resolving job", with(owned(), [](Input& i) { i.jobStage = InstallStage::resolving(); }), Kind::progress, "", "", true},
        {"downloading, not even owned", with(forSale(false), [](Input& i) { i.jobStage = InstallStage::downloading(1, 2); }), Kind::progress, "", "", true},
        {"verifying", with(owned(), [](Input& i) { i.jobStage = InstallStage::verifying(); }), Kind::progress, "", "", true},
        {"installing", with(owned(), [](Input& i) { i.jobStage = InstallStage::installing(); }), Kind::progress, "", "", true},
        {"paused", with(owned(), [](Input& i) { i.jobStage = InstallStage::paused(); }), Kind::resume, "Resume", "", true},
        {"queued job does not count", with(owned(), [](Input& i) { i.jobStage = InstallStage::queued(); }), Kind::install, "Install", "icloud.and.arrow.down", true},
        {"failed job does not count", with(owned(), [](Input& i) { i.jobStage = InstallStage::failed("x"); }), Kind::install, "Install", "icloud.and.arrow.down", true},
        {"finished job, installed", with(owned(), [](Input& i) { i.jobStage = InstallStage::installed(); i.installed = true; }), Kind::installed, "Installed", "", false},
        {"owned without a macOS download", owned({}), Kind::owned, "Owned", "", false},
        {"owned, not installed", owned(), Kind::install, "Install", "icloud.and.arrow.down", true},
        {"update offered: no symbol", with(owned(), [](Input& i) { i.installed = true; i.hasUpdate = true; i.installedApp = true; }), Kind::update, "Update", "", true},
        {"installed app", with(owned(), [](Input& i) { i.installed = true; i.installedApp = true; }), Kind::open, "Open", "", true},
        {"installed plug-in", with(owned(), [](Input& i) { i.installed = true; }), Kind::installed, "Installed", "", false},
        {"owned even without a variation", with(owned(), [](Input& i) { i.hasDefaultVariation = false; }), Kind::install, "Install", "icloud.and.arrow.down", true},
        {"not owned, no variation: nothing", with(forSale(false), [](Input& i) { i.hasDefaultVariation = false; }), Kind::nothing, "", "", false},
        {"free", forSale(true), Kind::get, "Get", "", true},
        {"priced", forSale(false), Kind::price, "€49.00", "", true},
        {"empty price table: empty title", forSale(false, ""), Kind::price, "", "", true},
    };
    for (const Row& row : rows) {
        const ActionButtonPresenter::State state = ActionButtonPresenter::decide(row.input);
        EXPECT_EQ(state.kind, row.kind) << row.name;
        EXPECT_EQ(state.title, row.title) << row.name;
        EXPECT_EQ(state.symbol, row.symbol) << row.name;
        EXPECT_EQ(state.enabled, row.enabled) << row.name;
        EXPECT_TRUE(state.menu.isEmpty()) << row.name;
    }
}

TEST(ActionButtonPresenter, TwoOrMoreDownloadsMakeAMenuOfNameAndDecimalSize)
{
    const auto install = ActionButtonPresenter::decide(owned(two));
    const auto update = ActionButtonPresenter::decide(with(owned(two), [](Input& i) { i.installed = i.hasUpdate = true; }));
    const QList<ActionButtonPresenter::Choice> menu{{"k1", "Mac (12.3 MB)"}, {"k2", "Universal (2 GB)"}};
    EXPECT_EQ(install.menu, menu);
    EXPECT_EQ(install.symbol, "icloud.and.arrow.down");
    EXPECT_EQ(update.menu, menu);
    EXPECT_EQ(ActionButtonPresenter::choiceTitle(download("Tiny", "k", 999)), "Tiny (999 bytes)");
}

TEST(ActionButtonPresenter, PillMetricsOfBothForms)
{
    const auto small = ActionButtonPresenter::metrics(false);
    const auto large = ActionButtonPresenter::metrics(true);
    EXPECT_EQ((std::tuple{small.fontPixels, small.horizontalPadding, small.verticalPadding, small.minimumWidth}),
        (std::tuple{12, 14, 4, 68}));
    EXPECT_EQ((std::tuple{large.fontPixels, large.horizontalPadding, large.verticalPadding, large.minimumWidth}),
        (std::tuple{14, 20, 7, 96}));
}

} // namespace
} // namespace hub
