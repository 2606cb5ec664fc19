// The sidebar's Updates badge over a model whose accounts change under it, and its rows
// under the keyboard.

#include "app/shell/SidebarBadgeDelegate.h"
#include "app/shell/SidebarView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/DrawnImage.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace hub;

TEST(SidebarUi, TheUpdatesBadgeFollowsSignOutAndSignIn)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->library().setInstalled({Fixtures::record("a", "Alpha", "1.0.0")});
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha", 10.0, "1.1.0")}));
    model->library().mergeReleaseNotes({{"a", Fixtures::summary("a", "Alpha", "1.1.0")}});
    SidebarView sidebar(*model);
    const auto badge = [&] {
        const QList<QListWidgetItem*> found = sidebar.list()->findItems("Updates", Qt::MatchExactly);
        return found.size() == 1 ? found.first()->data(SidebarBadgeDelegate::badgeRole).toString() : QStringLiteral("(no row)");
    };
    EXPECT_EQ(badge(), "");

    model->accounts().setStoreOwned({Fixtures::summary("a", "Alpha")});
    EXPECT_TRUE(test::eventually([&] { return badge() == "1"; })) << "signed in, release notes already kept";
    model->accounts().clearStore();
    EXPECT_TRUE(test::eventually([&] { return badge() == ""; })) << "signed out: " << badge().toStdString();
}

// Tab from Search reaches the list, whose current row shows the focus, where Down chooses the
// next section.
TEST(SidebarUi, TheCurrentRowShowsTheKeyboardsFocus)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    SidebarView sidebar(*model);
    sidebar.resize(230, 600);
    sidebar.show();
    QListWidget* list = sidebar.list();
    sidebar.searchField()->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    const QImage unfocused = list->viewport()->grab().toImage();
    QListWidgetItem* discover = list->currentItem();
    ASSERT_NE(discover, nullptr);

    QTest::keyClick(sidebar.searchField(), Qt::Key_Tab);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_GT(test::largestChange(unfocused, list->viewport()->grab().toImage(), list->visualItemRect(discover)), 60);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_NE(model->navigation().selection(), HubSection::discover);
}
