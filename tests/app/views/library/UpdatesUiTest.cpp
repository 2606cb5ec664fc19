#include "app/views/kit/ActionButton.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/library/UpdateRow.h"
#include "app/views/library/UpdatesView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "kit/security/HostPolicy.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace hub {
namespace {

using test::turn;

// Delay 1.0 and Synth 1.0 installed, each with an update.
std::unique_ptr<AppModel> twoUpdates(ModelHarness& harness)
{
    auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront(
        {Fixtures::product("tv-delay", "Delay", 10.0, "2.0"), Fixtures::product("tv-synth", "Synth", 10.0, "3.0")}));
    model->accounts().setTavrenProfile(Fixtures::profile("ada@tavren.test", QStringList{"tv-delay", "tv-synth"}));
    model->library().setInstalled({Fixtures::record("tv-delay", "Delay", "1.0"), Fixtures::record("tv-synth", "Synth", "1.0")});
    return model;
}

TEST(UpdatesUi, AnExpandedNoteStaysExpandedThroughRebuilds)
{
    ModelHarness harness;
    auto model = twoUpdates(harness);
    ProductSummary delay = Fixtures::summary("tv-delay", "Delay", "2.0");
    delay.releaseDescription = "Line one\nLine two\nLine three\nLine four\nLine five";
    ProductSummary synth = Fixtures::summary("tv-synth", "Synth", "3.0");
    synth.releaseDescription = "Faster";
    model->library().mergeReleaseNotes({{"tv-delay", delay}, {"tv-synth", synth}});
    UpdatesView view(*model);
    view.resize(800, 900);
    view.show();
    turn();
    UpdateRow* row = view.row("tv-delay");
    ASSERT_NE(row, nullptr);
    ASSERT_NE(view.row("tv-synth"), nullptr);
    EXPECT_EQ(row->toggleButton()->text(), "More");
    row->toggleButton()->click();
    EXPECT_EQ(row->toggleButton()->text(), "Less");

    // New notes for the other product, a newer check, another installed version, a new
    // icon: the same row each time, still expanded; the other row still collapsed.
    synth.releaseDescription = "Faster still";
    ImageMemory::setFetch([](const QUrl&) { return std::optional<QByteArray>(); }); // no icon from the network
    StorefrontProduct delayNow = Fixtures::product("tv-delay", "Delay", 10.0, "2.0");
    delayNow.iconUrl = QStringLiteral("https://%1/icons/delay.png").arg(*HostPolicy::tavren().assetHosts.begin());
    const QList<std::function<void()>> changes{
        [&] { model->library().mergeReleaseNotes({{"tv-synth", synth}}); },
        [&] { model->refresh().setLastChecked(harness.now); },
        [&] { model->library().setInstalled({Fixtures::record("tv-delay", "Delay", "1.5"), Fixtures::record("tv-synth", "Synth", "1.0")}); },
        [&] { model->catalog().setStorefront(Fixtures::storefront({delayNow, Fixtures::product("tv-synth", "Synth", 10.0, "3.0")})); },
    };
    for (const auto& change : changes) {
        change();
        turn();
        EXPECT_EQ(view.row("tv-delay"), row);
        EXPECT_TRUE(row->expanded());
        EXPECT_EQ(row->toggleButton()->text(), "Less");
        EXPECT_FALSE(view.row("tv-synth")->expanded());
    }
    EXPECT_EQ(view.row("tv-synth")->notes()->text(), "Faster still");
    EXPECT_EQ(row->findChild<ProductIcon*>()->url(), QUrl(*delayNow.iconUrl));
    ImageMemory::waitForIdle();
    ImageMemory::setFetch({});
}

// The row whose update is done leaves: the focus stays in the list, on the next row's first stop.
TEST(UpdatesUi, ARowThatLeavesHandsTheFocusToTheNextRow)
{
    ModelHarness harness;
    auto model = twoUpdates(harness);
    UpdatesView view(*model);
    new FocusKeeper(&view);
    view.show();
    QApplication::setActiveWindow(&view);
    turn();
    UpdateRow* synth = view.row("tv-synth");
    ASSERT_LT(view.row("tv-delay")->y(), synth->y());
    view.row("tv-delay")->findChild<ActionButton*>()->content()->setFocus(Qt::TabFocusReason);
    model->library().setInstalled({Fixtures::record("tv-delay", "Delay", "2.0"), Fixtures::record("tv-synth", "Synth", "1.0")});
    turn();
    ASSERT_EQ(view.row("tv-delay"), nullptr);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(synth->isAncestorOf(focus) && (focus->focusPolicy() & Qt::TabFocus)) << "a stop of the next row, ringed";
}

} // namespace
} // namespace hub
