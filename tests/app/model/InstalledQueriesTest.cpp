// Installed-item queries and extras look-ups.

#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <gtest/gtest.h>
#include <semaphore>

using namespace hub;

TEST(InstalledQueries, RecordLatestVersionAndUpdate)
{
    struct Case {
        const char* name;
        std::optional<QString> installed;   // the record's version, none: not installed
        std::optional<QString> storefront;  // the storefront's current version
        std::optional<QString> releaseNote; // the single-product record's
        std::optional<QString> latest;
        bool update;
    };
    const Case cases[] = {
        {"not installed", std::nullopt, "2.0", std::nullopt, "2.0", false},
        {"newer in the store", "1.0", "1.1", std::nullopt, "1.1", true},
        {"the release notes are newer", "1.0", "0.9", "1.2", "1.2", true},
        {"the storefront is newer (a release published since)", "1.2", "2.0", "1.2", "2.0", true},
        {"no version known", "1.0", std::nullopt, std::nullopt, std::nullopt, false},
        {"trailing zero is equal", "1.0", "1.0.0", std::nullopt, "1.0.0", false},
        {"installed is newer", "2.0", "1.9", std::nullopt, "1.9", false},
        {"release above its pre-release", "1.0-beta", "1.0", std::nullopt, "1.0", true},
    };
    for (const Case& c : cases) {
        ModelHarness harness;
        const auto model = harness.makeModel();
        StorefrontProduct product = Fixtures::product("p", "Product");
        product.currentVersion = c.storefront;
        if (c.installed)
            model->library().setInstalled({Fixtures::record("other", "Other", "9"), Fixtures::record("p", "Product", *c.installed)});
        if (c.releaseNote) {
            ProductSummary notes = Fixtures::summary("p", "Product", *c.releaseNote);
            model->library().mergeReleaseNotes({{"p", notes}});
        }
        const std::optional<InstallRecord> record = model->library().record("p");
        EXPECT_EQ(record.has_value(), c.installed.has_value()) << c.name;
        if (record) {
            EXPECT_EQ(record->version, *c.installed) << c.name;
        }
        EXPECT_EQ(model->library().latestVersion(product), c.latest) << c.name;
        EXPECT_EQ(model->library().hasUpdate(product), c.update) << c.name;
    }
}

TEST(InstalledQueries, ExtrasSearchLookUpAndRoute)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const QJsonArray items{
        QJsonObject{{"id", "tuner"}, {"name", "Chromatic Tuner"}, {"summary", "Tune guitars fast"}, {"kind", "tool"}},
        QJsonObject{{"id", "cafe"}, {"name", "Café Rumble"}, {"kind", "plugin"}, {"stage", "beta"}, {"signedByTavren", true},
            {"productId", "rumble"}, {"releaseUrl", "https://tavren.example/rumble"}},
        QJsonObject{{"id", "plain"}, {"name", "Plain"}},
    };
    model->catalog().setExtras(CatalogExtras::decode(
        QJsonDocument(QJsonObject{{"version", 1}, {"items", items}, {"media", QJsonObject()}}).toJson()));

    const auto found = [&](const QString& query) {
        QStringList ids;
        for (const ExtrasItem& item : model->catalog().searchExtras(query))
            ids.append(item.id);
        return ids;
    };
    const std::pair<QString, QStringList> searches[] = {
        {"  \t ", {}},
        {"CAFE", {"cafe"}},
        {QString::fromUtf8("café"), {"cafe"}},
        {"guitars chromatic", {"tuner"}}, // one word from the summary, one from the name
        {"tool", {"tuner", "plain"}},     // the kind; feed order
        {"beta plugin", {"cafe"}},
        {"plain tool", {"plain"}},         // no summary, no stage
        {"tuner beta", {}},
    };
    for (const auto& [query, ids] : searches)
        EXPECT_EQ(found(query), ids) << query.toStdString();

    EXPECT_EQ(model->catalog().extrasItem("cafe")->name, QString::fromUtf8("Café Rumble"));
    EXPECT_EQ(model->catalog().extrasItem("Cafe"), std::nullopt);

    // Through the hub only while its store product is on sale with a macOS download.
    const ExtrasItem cafe = *model->catalog().extrasItem("cafe");
    EXPECT_EQ(model->catalog().route(cafe), ExtrasItem::InstallRoute::browser(QUrl("https://tavren.example/rumble")));
    StorefrontProduct rumble = Fixtures::product("rumble", "Rumble");
    model->catalog().setStorefront(Fixtures::storefront({rumble}));
    EXPECT_EQ(model->catalog().route(cafe), ExtrasItem::InstallRoute::hub("rumble"));
    rumble.downloads->first().platform = Platform::windows;
    model->catalog().setStorefront(Fixtures::storefront({rumble}));
    EXPECT_EQ(model->catalog().route(cafe), ExtrasItem::InstallRoute::browser(QUrl("https://tavren.example/rumble")));
    EXPECT_EQ(model->catalog().route(*model->catalog().extrasItem("plain")), ExtrasItem::InstallRoute::unavailable());

    // Each shelf in feed order; none without a feed.
    const auto shelf = [&](ExtrasItem::Shelf on) {
        QStringList ids;
        for (const ExtrasItem& item : model->catalog().extras(on))
            ids.append(item.id);
        return ids;
    };
    EXPECT_EQ(shelf(ExtrasItem::Shelf::freeTools), (QStringList{"tuner", "cafe", "plain"}));
    EXPECT_EQ(shelf(ExtrasItem::Shelf::earlyAccess), QStringList{});
    model->catalog().setExtras(std::nullopt);
    EXPECT_EQ(shelf(ExtrasItem::Shelf::freeTools), QStringList{});
}

TEST(InstalledQueries, RevealAndOpenUseWhatIsStillOnDisk)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const QString app = harness.path("Applications/Tool.app");
    const QString plugIn = harness.path("Plug-Ins/Tool.vst3");
    QDir().mkpath(app);
    QDir().mkpath(plugIn);
    InstallRecord record = Fixtures::record("t", "Tool", "1.0");
    record.items = {{harness.path("gone.clap"), BundleKind::clap, "com.tavren.gone", "TEAM", std::nullopt},
        {plugIn, BundleKind::vst3, "com.tavren.tool", "TEAM", std::nullopt},
        {app, BundleKind::app, "com.tavren.tool.app", "TEAM", std::nullopt}};
    model->library().setInstalled({record});

    model->library().reveal(record);
    test::await(model->library().openApp(record));
    record.items.removeLast();
    test::await(model->library().openApp(record));
    record.items.clear();
    model->library().reveal(record);
    EXPECT_EQ(harness.desktop.revealed, (QList<QStringList>{{plugIn, app}, {}}));
    EXPECT_EQ(harness.desktop.started, QStringList{app}) << "a record of plug-ins opens nothing";
    EXPECT_TRUE(model->banners().banners().isEmpty());

    // An application that cannot start here says so, by its name.
    record.items = {{app, BundleKind::app, "com.tavren.tool.app", "TEAM", std::nullopt}};
    harness.desktop.opens = false;
    test::await(model->library().openApp(record));
    ASSERT_EQ(model->banners().banners().size(), 1);
    EXPECT_EQ(model->banners().banners().first().tone, Banner::Tone::failure);
    EXPECT_EQ(model->banners().banners().first().text, QStringLiteral("Tool could not be opened here."));

    // Another product's app at the name (or one whose seal broke) is not the record's to start, and says so.
    struct Strangers : FakeInstallEngine { bool holds(const InstalledItem& item) const override { return item.kind != BundleKind::app; } };
    ModelHarness other;
    other.engine = std::make_shared<Strangers>();
    const auto strangers = other.makeModel();
    strangers->library().setInstalled({record});
    test::await(strangers->library().openApp(record));
    EXPECT_EQ(other.desktop.started, QStringList());
    EXPECT_EQ(ModelHarness::bannerTexts(*strangers), QStringList{"Tool could not be opened here. It changed since it was installed."});

    // Files nothing could show say so, by their names.
    record.items = {{plugIn, BundleKind::vst3, "com.tavren.tool", "TEAM", std::nullopt}};
    harness.desktop.reveals = false;
    model->library().reveal(record);
    ASSERT_EQ(model->banners().banners().size(), 2);
    EXPECT_EQ(model->banners().banners().last().text, QStringLiteral("No file manager could show Tool.vst3."));
}

// Open returns while the app's code is checked off the main thread; only an app still installed when the check ends starts.
TEST(InstalledQueries, OpenReturnsWhileTheCodeIsChecked)
{
    struct Held : FakeInstallEngine {
        bool holds(const InstalledItem&) const override { return released.try_acquire_for(std::chrono::seconds(5)); }
        mutable std::binary_semaphore released{0};
    };
    ModelHarness harness;
    const auto held = std::make_shared<Held>();
    harness.engine = held;
    const auto model = harness.makeModel();
    const QString app = harness.path("Tool.app");
    QDir().mkpath(app);
    InstallRecord record = Fixtures::record("t", "Tool", "1.0");
    record.items = {{app, BundleKind::app, "com.tavren.tool.app", "TEAM", std::nullopt}};
    for (const bool uninstalledMeanwhile : {false, true}) {
        model->library().setInstalled({record});
        auto opening = model->library().openApp(record);
        if (uninstalledMeanwhile)
            model->library().setInstalled({});
        QTimer::singleShot(0, [held] { held->released.release(); });
        test::await(std::move(opening));
    }
    EXPECT_EQ(harness.desktop.started, QStringList{app});
    EXPECT_TRUE(model->banners().banners().isEmpty());
}
