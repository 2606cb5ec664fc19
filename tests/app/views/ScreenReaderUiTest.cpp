// Every screen walked as a screen reader reads it (test::misread).

#include "app/shell/SidebarView.h"
#include "app/views/extras/ExtrasShelfPage.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/ProgressPill.h"
#include "app/views/kit/ScreenshotViewer.h"
#include "app/views/kit/Theme.h"
#include "app/views/library/DownloadsView.h"
#include "app/views/library/LibraryView.h"
#include "app/views/library/UpdatesView.h"
#include "app/views/product/ProductPage.h"
#include "app/views/store/BrowseView.h"
#include "app/views/store/DiscoverView.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/AccessibleWalk.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakeProductActions.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QApplication>
#include <QListWidget>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace hub;
using Role = QAccessible::Role;
using test::eventually;
using test::Said;

namespace {

// Shows `screen` if hidden; each object of the table is under `walked` (or the screen), and
// nothing there trips a screen reader up.
void expectReads(QWidget* screen, const QList<Said>& table, QWidget* walked = nullptr)
{
    if (!screen->isVisible()) {
        screen->resize(1100, 900);
        screen->show();
    }
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(test::misread(walked ? walked : screen, table), QStringList());
}

// Delay downloading (42 %), Synth installed with an update and its notes, Reverb owned, Gate
// failed, Chorus asking for its download; Delay has reviews and screenshots.
class ScreenReader : public ::testing::Test {
protected:
    ScreenReader()
    {
        Theme::apply(*qApp); // as in the app: a page's scroll view takes no focus
        ImageMemory::setFetch([](const QUrl&) { return std::optional<QByteArray>(); });
        for (const QString name : {"Delay", "Synth", "Reverb", "Gate", "Chorus"})
            products.append(Fixtures::product("tv-" + name.toLower(), name, 10.0, name == "Synth" ? "3.0" : "1.0"));
        model->catalog().setStorefront(Fixtures::storefront(products));
        const QStringList owned{"tv-delay", "tv-synth", "tv-reverb"};
        model->accounts().setStoreUser(Fixtures::user("ada@tavren.test", "Ada", owned));
        model->accounts().setTavrenProfile(Fixtures::profile("ada@tavren.test", owned));
        ProductSummary notes = Fixtures::summary("tv-synth", "Synth", "3.0");
        notes.releaseDescription = QStringLiteral("Faster");
        model->library().mergeReleaseNotes({{"tv-synth", notes}});

        CatalogExtras extras = Fixtures::extras({QStringLiteral("Gain Meter")});
        extras.items[0].releaseUrl = QStringLiteral("https://example.test/gain-meter");
        for (int i = 1; i <= 3; ++i)
            shots.append(QUrl(QStringLiteral("https://%1/shot-%2.png").arg(*HostPolicy::tavren().assetHosts.cbegin()).arg(i)));
        extras.media.insert(QStringLiteral("tv-delay"), ProductMedia{{shots[0].toString(), shots[1].toString()}});
        model->catalog().setExtras(extras);
        ReviewPage reviews{QStringLiteral("tv-delay"), {}, {}, std::nullopt};
        reviews.summary = {23, 4.4, QMap<QString, qint64>{{"5", 14}, {"4", 6}, {"3", 2}, {"2", 1}}};
        reviews.reviews = {Review{"r1", "tv-delay", 5, "Warm", "Sits well in a mix.", "Ada", true, {}, {}, {}, {}}};
        model->reviews().storePage(QStringLiteral("tv-delay"), reviews);

        install("tv-delay", InstallStage::downloading(420, 1000));
        install("tv-gate", std::nullopt);
        harness.engine->finish("tv-gate", QStringLiteral("The download server returned 403."));
        EXPECT_TRUE(eventually([&] { return model->queue().job("tv-gate")->stage().kind == InstallStage::Kind::failed; }));
        install("tv-chorus", InstallStage::resolving());
        model->library().setInstalled({Fixtures::record("tv-synth", "Synth", "1.0")}); // after the failed job's read
    }
    ~ScreenReader() override
    {
        for (const QString& id : harness.engine->waiting())
            harness.engine->finish(id);
        ImageMemory::waitForIdle();
        ImageMemory::setFetch({});
    }

    void install(const QString& id, const std::optional<InstallStage>& stage)
    {
        model->queue().install(*model->catalog().storeProduct(id));
        EXPECT_TRUE(eventually([&] { return harness.engine->waiting().contains(id); }));
        if (stage) {
            harness.engine->report(id, *stage);
            EXPECT_TRUE(eventually([&] { return model->queue().job(id)->stage() == *stage; }));
        }
    }

    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    QList<StorefrontProduct> products;
    QList<QUrl> shots;
};

TEST_F(ScreenReader, EveryScreenAndTheSidebar)
{
    ProductPage page(*model, products.first());
    expectReads(&page, {{Role::ProgressBar, "Downloading", nullptr, "42%"}, {Role::Button, "Pause", "Delay", nullptr, "focusable"},
                           {Role::StaticText, "14 of 23"}, {Role::StaticText, "6 of 23"}, {Role::StaticText, "0 of 23"},
                           {Role::ListItem, "Synth", "Synth tagline", nullptr, "focusable"}});
    // The arrow that keeps the focus says where each step landed.
    ScreenshotViewer viewer(shots, 1, QStringLiteral("Delay"));
    expectReads(&viewer, {{Role::Button, "Previous screenshot", "Screenshot 2 of 3", nullptr, "focusable"},
                             {Role::Button, "Next screenshot", "Screenshot 2 of 3", nullptr, "focusable"},
                             {Role::Graphic, "Screenshot 2 of 3"}});
    viewer.forwardButton()->click();
    expectReads(&viewer, {{Role::Button, "Next screenshot", "Screenshot 3 of 3", nullptr, "disabled"},
                             {Role::Button, "Previous screenshot", "Screenshot 3 of 3"}});

    LibraryView library(*model);
    expectReads(&library, {{Role::ProgressBar, "Downloading", nullptr, "42%"}, {Role::Button, "Pause", "Delay", nullptr, "focusable"},
                              {Role::Button, "Install", "Reverb", nullptr, "focusable"},
                              {Role::Button, "Update", "Synth", nullptr, "focusable"}});
    UpdatesView updates(*model);
    expectReads(&updates, {{Role::Button, "Update", "Synth", nullptr, "focusable"}, {Role::Button, "More", "Synth", nullptr, "focusable"}});
    DownloadsView downloads(*model);
    expectReads(&downloads, {{Role::ProgressBar, "Downloading", nullptr, "42"}, {Role::Button, "Pause", "Delay", nullptr, "focusable"},
                                {Role::Button, "Cancel", "Delay", nullptr, "focusable"},
                                {Role::Button, "Retry", "Gate", nullptr, "focusable"},
                                {Role::Animation, "", nullptr, nullptr, "busy"}}); // Chorus
    SidebarView sidebar(*model);
    expectReads(&sidebar, {{Role::List, "Sections"}, {Role::ListItem, "Updates", "1"}, {Role::ListItem, "Downloads", "2"}},
        sidebar.list());

    DiscoverView discover(*model);
    expectReads(&discover, {{Role::List, "Plug-ins"}, {Role::ListItem, "Reverb", "Reverb tagline", nullptr, "focusable"},
                               {Role::StaticText, "Reverb"}, {Role::StaticText, "Reverb tagline"}});
    BrowseView browse(*model, ProductKind::plugIn);
    expectReads(&browse, {{Role::List, "Time & Space"}, {Role::ListItem, "Reverb", "Reverb tagline", nullptr, "focusable"}});
    ExtrasShelfPage tools(*model, ExtrasItem::Shelf::freeTools);
    expectReads(&tools, {{Role::ListItem, "Gain Meter", nullptr, nullptr, "focusable"}, {Role::StaticText, "Gain Meter"},
                            {Role::Button, "View", "Gain Meter"}});
    model->catalog().setStorefront(std::nullopt);
    model->refresh().setLoading(true);
    expectReads(&discover, {{Role::Client, "Loading the store", nullptr, nullptr, "busy"}});
}

// The pill is named by its stage and valued by the percentage; a job that ended (the pill
// about to go) keeps the last name.
TEST(ScreenReaderPill, NamedByTheStageValuedByThePercentage)
{
    FakeProductActions actions;
    ProgressPill pill(actions, QStringLiteral("tv-delay"), QStringLiteral("Delay"), true);
    pill.show();
    const std::pair<std::optional<InstallStage>, const char*> cases[] = { // no stage: the job ended
        {InstallStage::queued(), "ProgressBar \"Waiting\" 0 in 0..0"},
        {InstallStage::resolving(), "ProgressBar \"Starting\" 0 in 0..0"},
        {InstallStage::downloading(0, 1000), "ProgressBar \"Downloading\" = 0% 0 in 0..100"},
        {InstallStage::downloading(421, 1000), "ProgressBar \"Downloading\" = 42% 42 in 0..100"},
        {InstallStage::installing(), "ProgressBar \"Installing\" 0 in 0..0"},
        {std::nullopt, "ProgressBar \"Installing\" 0 in 0..0"},
    };
    for (const auto& [stage, line] : cases) {
        if (stage) {
            actions.setStage(QStringLiteral("tv-delay"), *stage);
        } else {
            actions.stages.clear();
            emit actions.changed();
        }
        EXPECT_EQ(test::accessibleTree(&pill).value(0).line(), line);
    }
    expectReads(&pill, {{Role::Button, "Pause", "Delay", nullptr, "focusable"}});
}

} // namespace
