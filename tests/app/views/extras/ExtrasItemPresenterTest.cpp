#include "app/views/extras/ExtrasItemPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Action = ExtrasItemPresenter::Action;
using Kind = Action::Kind;
using Route = ExtrasItem::InstallRoute;
using Row = ExtrasItemPresenter::Row;

const QString help = "Open the release page in your browser";

TEST(ExtrasItemPresenter, ActionFollowsTheRoute)
{
    const QUrl github("https://github.com/tavren/monitor/releases");
    const QUrl web("https://www.tavren.test/tools/sysex");
    struct Case {
        Route route;
        bool storeHasProduct;
        Action action;
    };
    const Case cases[] = {
        {Route::hub("tv-panner"), true, {Kind::store, "tv-panner", {}, "", "", ""}},
        {Route::hub("tv-panner"), false, {Kind::nothing, "", {}, "", "", ""}}, // the storefront lost it
        {Route::browser(github), false, {Kind::browser, "", github, "GitHub", "arrow.up.right", help}},
        {Route::browser(web), true, {Kind::browser, "", web, "View", "arrow.up.right", help}},
        {Route::unavailable(), false, {Kind::soon, "", {}, "Soon", "", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtrasItemPresenter::action(c.route, c.storeHasProduct), c.action) << c.route.url.toString().toStdString();
}

TEST(ExtrasItemPresenter, BrowserPillNamesTheCodeHostByItsHostOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"https://github.com/tavren/tool", "GitHub"},
        {"https://GitHub.com/tavren/tool", "GitHub"}, // hosts are read lower-cased
        {"https://releases.github.com/x", "GitHub"},
        {"https://github.com.example.test/x", "GitHub"}, // a label, not a trust decision
        {"https://example.test/github.com/x", "View"},
        {"https://gitlab.com/tavren/tool", "View"},
        {"https://www.tavren.test/early/granular", "View"},
        {"file:///github.com", "View"},
        {"github.com", "View"}, // no host at all
    };
    for (const auto& [url, title] : cases)
        EXPECT_EQ(ExtrasItemPresenter::browserTitle(QUrl(QString::fromLatin1(url))), title) << url;
}

ExtrasItem item(const QString& kind, std::optional<QString> stage, std::optional<QString> releaseUrl, bool signedByTavren)
{
    ExtrasItem i;
    i.id = "tv-item";
    i.name = "TV Item";
    i.kind = kind;
    i.stage = std::move(stage);
    i.summary = "Does one thing";
    i.releaseUrl = std::move(releaseUrl);
    i.signedByTavren = signedByTavren;
    return i;
}

QList<Row> rows(const QString& kind, const std::optional<QString>& stage, const QString& installs)
{
    QList<Row> list{{"Provider", "Tavren", std::nullopt}, {"Kind", kind, std::nullopt}};
    if (stage)
        list.append({"Stage", *stage, std::nullopt});
    list.append({{"Price", "Free", std::nullopt}, {"Installs", installs, std::nullopt}});
    return list;
}

TEST(ExtrasItemPresenter, PageRowsFollowTheItemAndItsRoute)
{
    const QString hub = "Through the hub, after its signature is checked";
    const QString browser = "From the release page. The hub only installs code signed by Tavren.";
    const QString soon = "Not yet released";
    const QString release = "https://github.com/tavren/item/releases";
    const Row releaseRow{"Release page", "github.com", QUrl(release)};

    struct Case {
        const char* name;
        ExtrasItem item;
        bool storeHasMacDownload;
        QList<Row> rows;
    };
    const Case cases[] = {
        {"signed and in the store, release page too", item("tool", std::nullopt, release, true), true,
            rows("Tool", std::nullopt, hub) << releaseRow},
        {"signed without a macOS download", item("game", "early-access", release, true), false,
            rows("Game", "Early Access", browser) << releaseRow},
        {"unsigned but in the store", item("tool", "public-beta", release, false), true,
            rows("Tool", "Public Beta", browser) << releaseRow},
        {"neither", item("sound tool", std::nullopt, std::nullopt, false), false, rows("Sound Tool", std::nullopt, soon)},
        {"plain http release page", item("tool", std::nullopt, "http://github.com/x", true), false,
            rows("Tool", std::nullopt, soon)},
        {"release page on another port", item("tool", std::nullopt, "https://github.com:8443/x", false), false,
            rows("Tool", std::nullopt, soon)},
    };
    for (const Case& c : cases) {
        const Route route = c.item.installRoute([&](const QString&) { return c.storeHasMacDownload; });
        const ExtrasItemPresenter::Page page = ExtrasItemPresenter::page(c.item, route);
        EXPECT_EQ(page.rows, c.rows) << c.name;
        EXPECT_EQ(page.title, "TV Item") << c.name;
        EXPECT_EQ(page.summary, std::optional<QString>("Does one thing")) << c.name;
    }
}

TEST(ExtrasItemPresenter, PageHeaderTexts)
{
    const ExtrasItemPresenter::Page early = ExtrasItemPresenter::page(item("game", "alpha-2", std::nullopt, false), Route::unavailable());
    EXPECT_EQ(early.chip, std::optional<QString>("ALPHA 2"));
    EXPECT_EQ(early.shelf, "Early Access");

    ExtrasItem plain = item("tool", std::nullopt, "https://www.tavren.test/tools/sysex", false);
    plain.summary.reset();
    const ExtrasItemPresenter::Page tools = ExtrasItemPresenter::page(plain, Route::browser(*plain.releaseURL()));
    EXPECT_EQ(tools.chip, std::nullopt);
    EXPECT_EQ(tools.summary, std::nullopt);
    EXPECT_EQ(tools.shelf, "Free Tools");
    EXPECT_EQ(tools.rows.last(), (Row{"Release page", "www.tavren.test", QUrl("https://www.tavren.test/tools/sysex")}));
}

} // namespace
} // namespace hub
