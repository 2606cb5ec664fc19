// The sidebar's Updates badge over a model whose accounts change under it.

#include "app/shell/SidebarBadgeDelegate.h"
#include "app/shell/SidebarView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QListWidget>
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
