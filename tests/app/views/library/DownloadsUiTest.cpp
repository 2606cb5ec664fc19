// The Downloads screen over the real install queue and a scripted engine: progress
// reaches one row only, and each row's buttons drive its job.

#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/StageView.h"
#include "app/views/library/DownloadRow.h"
#include "app/views/library/DownloadsListModel.h"
#include "app/views/library/DownloadsView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "kit/security/HostPolicy.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace hub {
namespace {

using test::turn;

using test::eventually;
using Kind = InstallStage::Kind;

const StorefrontProduct alpha = Fixtures::product("a", "Alpha");
const StorefrontProduct beta = Fixtures::product("b", "Beta");

QStringList buttons(const DownloadRow* row)
{
    QStringList titles;
    for (const QPushButton* button : row->findChildren<QPushButton*>())
        titles.append(button->text());
    return titles;
}

void press(DownloadRow* row, const QString& title)
{
    for (QPushButton* button : row->findChildren<QPushButton*>())
        if (button->text() == title)
            return button->click();
    ADD_FAILURE() << "no button " << title.toStdString();
}

class DownloadsUi : public ::testing::Test {
protected:
    DownloadsUi()
    {
        model->accounts().setStoreUser(Fixtures::user("ada@tavren.test"));
        model->catalog().setStorefront(Fixtures::storefront({alpha, beta}));
        view.resize(900, 600);
        new FocusKeeper(&view);
        view.show();
    }

    // Both products downloading, their rows on view.
    void startBoth()
    {
        queue.install(alpha);
        queue.install(beta);
        ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList({"a", "b"}); }));
        engine.report("a", InstallStage::downloading(0, 1000));
        engine.report("b", InstallStage::downloading(10, 1000));
        ASSERT_TRUE(eventually([&] {
            return view.row("a") && view.row("b") && queue.job("a")->stage().kind == Kind::downloading
                && queue.job("b")->stage().kind == Kind::downloading;
        }));
        turn();
    }

    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    InstallQueue& queue = model->queue();
    FakeInstallEngine& engine = *harness.engine;
    DownloadsView view{*model};
};

TEST_F(DownloadsUi, ProgressTicksChangeOneRowAndRebuildNothingElse)
{
    startBoth();
    DownloadRow* moving = view.row("a");
    DownloadRow* still = view.row("b");
    const int layouts = view.layouts();
    const int movingBuilds = moving->buttonBuilds();
    const int stillBuilds = still->buttonBuilds();
    const ProgressPresenter::Line stillLine = still->findChild<StageView*>()->line();
    QSignalSpy changes(&view.list(), &QAbstractItemModel::dataChanged);
    QSignalSpy resets(&view.list(), &QAbstractItemModel::modelReset);

    for (int tick = 1; tick <= 1000; ++tick) {
        engine.report("a", InstallStage::downloading(tick, 1000));
        QApplication::processEvents();
    }
    ASSERT_TRUE(eventually([&] { return queue.job("a")->stage().received == 1000; }));
    turn();

    EXPECT_EQ(resets.size(), 0);
    ASSERT_GT(changes.size(), 0);
    for (const QList<QVariant>& change : changes) {
        EXPECT_EQ(change.at(0).toModelIndex().row(), 1) << "only the row of a (the older job) changes";
        EXPECT_EQ(change.at(2).value<QList<int>>(), QList<int>{DownloadsListModel::fractionRole});
    }
    EXPECT_EQ(view.layouts(), layouts) << "the list was not laid out again";
    EXPECT_EQ(view.row("a"), moving);
    EXPECT_EQ(view.row("b"), still);
    EXPECT_EQ(moving->buttonBuilds(), movingBuilds);
    EXPECT_EQ(still->buttonBuilds(), stillBuilds);
    EXPECT_EQ(still->findChild<StageView*>()->line(), stillLine);
    EXPECT_EQ(moving->findChild<StageView*>()->line().fraction, 1.0);
}

TEST_F(DownloadsUi, ButtonsRetryCancelAndClear)
{
    EXPECT_FALSE(view.clearFinished()->isEnabled()) << "nothing to clear in the empty list";
    startBoth();
    EXPECT_EQ(buttons(view.row("a")), (QStringList{"Pause", "Cancel"}));
    engine.finish("a", QStringLiteral("The download server returned 403."));
    engine.finish("b");
    ASSERT_TRUE(eventually([&] { return queue.job("a")->stage().kind == Kind::failed && queue.job("b")->stage().kind == Kind::installed; }));
    turn();
    EXPECT_EQ(buttons(view.row("a")), QStringList{"Retry"});
    EXPECT_EQ(buttons(view.row("b")), QStringList{});
    EXPECT_TRUE(view.clearFinished()->isEnabled());

    press(view.row("a"), "Retry");
    ASSERT_TRUE(eventually([&] { return engine.waiting().contains("a"); }));
    engine.report("a", InstallStage::resolving());
    ASSERT_TRUE(eventually([&] { return queue.job("a")->stage().kind == Kind::resolving; }));
    view.clearFinished()->click();
    turn();
    EXPECT_EQ(view.row("b"), nullptr) << "the installed job is cleared, the running one stays";
    ASSERT_NE(view.row("a"), nullptr);
    EXPECT_EQ(buttons(view.row("a")), QStringList{"Cancel"});
    press(view.row("a"), "Cancel");
    turn();
    EXPECT_TRUE(queue.jobs().isEmpty());
    EXPECT_EQ(view.row("a"), nullptr);
    EXPECT_FALSE(view.clearFinished()->isEnabled());
}

TEST_F(DownloadsUi, AFinishedInstallShowsItsNotesOnItsRowNotInTheBanner)
{
    const QString note = QStringLiteral("Skipped the installer scripts in Beta.pkg; the hub installs files only.");
    engine.notes.insert("b", {note});
    startBoth();
    const auto shown = [&](const char* id) {
        QStringList texts;
        for (const QLabel* label : view.row(id)->findChildren<QLabel*>())
            if (label->isVisible() && label->text() == note)
                texts.append(label->text());
        return texts;
    };
    // As the pipeline does: the installed stage is reported before the run returns its record.
    engine.report("b", InstallStage::installed());
    ASSERT_TRUE(eventually([&] { return queue.job("b")->stage().kind == Kind::installed; }));
    turn();
    engine.finish("a");
    engine.finish("b");
    ASSERT_TRUE(eventually([&] { return !queue.job("b")->isRunning() && queue.job("a")->stage().kind == Kind::installed; }));
    turn();
    EXPECT_EQ(shown("b"), QStringList{note});
    EXPECT_EQ(shown("a"), QStringList());
    const QStringList banners = ModelHarness::bannerTexts(*model);
    EXPECT_TRUE(banners.contains(QStringLiteral("Beta 1.0.0 is installed."))) << banners.join(" | ").toStdString();
}

TEST_F(DownloadsUi, ButtonsKeepTheirPlaceAndTheFocusAcrossStages)
{
    startBoth();
    QApplication::setActiveWindow(&view);
    const auto trailing = [&] {
        turn();
        const QList<QPushButton*> buttons = view.row("a")->findChildren<QPushButton*>();
        return buttons.isEmpty() ? QRect() : QRect(buttons.last()->mapTo(&view, QPoint(0, 0)), buttons.last()->size());
    };
    const QRect running = trailing(); // "Cancel" after "Pause"
    ASSERT_TRUE(running.isValid());
    QPushButton* pause = view.row("a")->findChild<QPushButton*>();
    pause->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pause, Qt::Key_Space);
    ASSERT_TRUE(eventually([&] { return queue.job("a")->stage().kind == Kind::paused; }));
    EXPECT_EQ(trailing(), running) << "\"Cancel\" after \"Resume\"";
    EXPECT_EQ(QApplication::focusWidget(), view.row("a")->findChild<QPushButton*>()) << "Resume, where Pause was";
    press(view.row("a"), "Resume");
    ASSERT_TRUE(eventually([&] { return engine.waiting().contains("a"); }));
    engine.finish("a", QStringLiteral("The download server returned 403."));
    ASSERT_TRUE(eventually([&] { return queue.job("a")->stage().kind == Kind::failed; }));
    const QRect retry = trailing();
    EXPECT_EQ(QPoint(retry.right(), retry.center().y()), QPoint(running.right(), running.center().y())) << "\"Retry\" alone";
    // Cancel has the focus as its job pauses some other way: [Resume, Cancel] keeps it on Cancel.
    view.row("b")->findChildren<QPushButton*>().last()->setFocus(Qt::TabFocusReason);
    queue.job("b")->pause();
    ASSERT_TRUE(eventually([&] { return buttons(view.row("b")) == QStringList({"Resume", "Cancel"}); }));
    turn();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(eventually([&] { return queue.job("b") == nullptr; })) << "cancelled, not resumed";
}

// Resume and Retry start the job again, and the row shows no button until it runs: the focus
// waits on the next stop, ringed, until Pause comes; the second Space pauses that job, not the other one.
TEST_F(DownloadsUi, SpaceOnResumeOrRetryKeepsTheFocusInThatJobsRow)
{
    startBoth();
    QApplication::setActiveWindow(&view);
    press(view.row("a"), "Pause");
    engine.finish("b", QStringLiteral("The download server returned 403."));
    ASSERT_TRUE(eventually([&] { return queue.job("a")->stage().kind == Kind::paused && queue.job("b")->stage().kind == Kind::failed; }));
    turn();
    const auto inRow = [&](const char* id) { return view.row(id)->isAncestorOf(QApplication::focusWidget()); };
    for (const auto& [id, other] : {std::pair("a", "b"), std::pair("b", "a")}) {
        SCOPED_TRACE(id);
        const Kind otherKind = queue.job(other)->stage().kind;
        QPushButton* first = view.row(id)->findChild<QPushButton*>(); // Resume or Retry
        first->setFocus(Qt::TabFocusReason);
        QTest::keyClick(first, Qt::Key_Space);
        ASSERT_TRUE(eventually([&] { return engine.waiting().contains(id); }));
        turn();
        EXPECT_TRUE(QApplication::focusWidget()->focusPolicy() & Qt::TabFocus) << "no button yet: a stop, not the row";
        engine.report(id, InstallStage::downloading(5, 1000));
        ASSERT_TRUE(eventually([&] { return queue.job(id)->stage().kind == Kind::downloading; }));
        turn();
        ASSERT_TRUE(inRow(id));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_TRUE(eventually([&] { return queue.job(id)->stage().kind == Kind::paused; }));
        EXPECT_EQ(queue.job(other)->stage().kind, otherKind);
    }
}

// Two failed jobs; Retry on the upper one by Space, and it fails again: its Retry, made anew, stands in
// the Tab order where the old one stood, above the lower job's.
TEST_F(DownloadsUi, ARetryMadeAnewTakesTheTabPlaceOfTheOneItReplaces)
{
    startBoth();
    QApplication::setActiveWindow(&view);
    const QString failure = QStringLiteral("The download server returned 403.");
    const auto retry = [&](const char* id) { return buttons(view.row(id)) == QStringList{"Retry"}; };
    engine.finish("a", failure);
    engine.finish("b", failure);
    ASSERT_TRUE(eventually([&] { return retry("a") && retry("b"); }));
    QTest::keyClick(view.row("b")->findChild<QPushButton*>(), Qt::Key_Space); // the upper one
    ASSERT_TRUE(eventually([&] { return engine.waiting().contains("b"); }));
    engine.finish("b", failure);
    ASSERT_TRUE(eventually([&] { return retry("b"); }));
    QString order;
    view.clearFinished()->setFocus(Qt::TabFocusReason);
    for (int tab = 0; tab < 3; ++tab) { // without the hub's style the scroll view is a stop too
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (const char* id : {"a", "b"})
            order += view.row(id)->isAncestorOf(QApplication::focusWidget()) ? id : "";
    }
    EXPECT_LT(view.row("b")->y(), view.row("a")->y());
    EXPECT_EQ(order, "ba");
}

TEST_F(DownloadsUi, ARowTakesItsIconWhenTheStorefrontComesAndFollowsANewAddress)
{
    model->catalog().setStorefront(Fixtures::storefront({}));
    queue.install(alpha);
    ASSERT_TRUE(eventually([&] { return view.row("a") != nullptr; }));
    DownloadRow* row = view.row("a");
    const auto icon = [&] {
        const ProductIcon* shown = row->findChild<ProductIcon*>();
        return shown && shown->isVisibleTo(row) ? shown->url() : QUrl();
    };
    EXPECT_EQ(icon(), QUrl());
    for (const char* name : {"alpha.png", "alpha-2.png"}) {
        StorefrontProduct now = alpha;
        now.iconUrl = QStringLiteral("https://%1/icons/%2").arg(*HostPolicy::tavren().assetHosts.begin(), QLatin1String(name));
        model->catalog().setStorefront(Fixtures::storefront({now}));
        turn();
        EXPECT_EQ(icon(), QUrl(*now.iconUrl)) << name;
    }
    EXPECT_EQ(view.row("a"), row);
}

} // namespace
} // namespace hub
