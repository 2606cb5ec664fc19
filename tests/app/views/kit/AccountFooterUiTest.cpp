#include "app/views/kit/AccountFooter.h"
#include "app/views/kit/Avatar.h"
#include "app/views/kit/BannerStack.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/SignInPrompt.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

namespace hub {
namespace {

using test::turn;

TEST(AccountFooterUi, AvatarsAndProductIconsAreLeftOutOfTheAccessibilityTree)
{
    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    QWidget window;
    auto* footer = new AccountFooter(*model, &window);
    auto* icon = new ProductIcon(QString("https://assets.tavren.test/icon.png"), "Delay", 58, &window);
    window.show();
    turn();
    auto* avatar = footer->findChild<Avatar*>();
    ASSERT_NE(avatar, nullptr);
    for (QWidget* hidden : {static_cast<QWidget*>(avatar), static_cast<QWidget*>(icon)}) {
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(hidden);
        ASSERT_NE(element, nullptr);
        EXPECT_TRUE(element->state().invisible) << hidden->metaObject()->className();
        EXPECT_EQ(element->childCount(), 0);
        EXPECT_EQ(element->text(QAccessible::Name), "");
    }
    // The footer itself is still read.
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(footer)->state().invisible);
}

TEST(AccountFooterUi, FollowsTheAccountsAndOpensTheRightPlace)
{
    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    Accounts& accounts = model->accounts();
    AccountFooter footer(*model);
    footer.show();

    accounts.setSignInPurpose(SignInPurpose::connectStore("before"));
    footer.click();
    EXPECT_EQ(footer.title(), "Sign In");
    EXPECT_EQ(footer.subtitle(), "");
    EXPECT_EQ(accounts.signInPurpose(), SignInPurpose::general());
    EXPECT_TRUE(accounts.showSignIn());

    accounts.setShowSignIn(false);
    accounts.setTavrenProfile(Fixtures::profile("zoe@tavren.test"));
    accounts.setStoreUser(Fixtures::user("shop@tavren.test", ""));
    turn();
    EXPECT_EQ(footer.title(), "zoe@tavren.test");
    EXPECT_EQ(footer.subtitle(), "Tavren ID and store");
    model->navigation().setPath({"tv-reverb"});
    model->navigation().setSelection(HubSection::library);
    footer.click();
    EXPECT_EQ(model->navigation().selection(), HubSection::account);
    EXPECT_FALSE(accounts.showSignIn());
    model->navigation().setPath({"tv-reverb"});
    footer.click(); // already there: the open page stays
    EXPECT_EQ(model->navigation().path(), QStringList{"tv-reverb"});
}

TEST(AccountFooterUi, SignInPromptAndBannerStackWriteTheModel)
{
    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    SignInPrompt store(*model, "Connect to install.", true);
    store.findChild<QPushButton*>()->click();
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::connectStore("Connect to install."));
    EXPECT_TRUE(model->accounts().showSignIn());
    SignInPrompt general(*model, "Sign in to see your library.", false);
    EXPECT_EQ(general.findChild<QPushButton*>()->text(), "Sign in");
    general.findChild<QPushButton*>()->click();
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::general());

    BannerStack stack(*model);
    stack.show();
    model->flash(Banner::Tone::info, "first");
    model->flash(Banner::Tone::failure, "<b>second</b>");
    turn();
    const QList<Banner> banners = model->banners().banners();
    ASSERT_EQ(banners.size(), 2);
    QWidget* first = stack.row(banners[0].id);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly) != nullptr, true);
    stack.row(banners[1].id)->findChild<QToolButton*>()->click();
    turn();
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"first"});
    EXPECT_EQ(stack.row(banners[0].id), first); // kept by id across the rebuild
    EXPECT_EQ(stack.row(banners[1].id), nullptr);
}

} // namespace
} // namespace hub
