// The account page's devices and purchases against the devstore: signing one device out
// changes the list; the device in use cannot be signed out.

#include "tests/devstore/DevstoreTest.h"

#include "app/model/AppModel.h"
#include "app/shell/Composition.h"
#include "app/views/account/AccountActions.h"
#include "app/views/account/AccountView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakeDesktop.h"
#include "tests/app/fakes/FakeSleeper.h"
#include "tests/app/fakes/ModelHarness.h"

using namespace hub;

namespace {

class AccountAgainstDevstore : public test::DevstoreTest {};

QStringList labels(const AppModel& model)
{
    QStringList list;
    for (const AccountPresenter::Device& device : AccountPresenter::present(AccountView::input(model)).devices)
        list << device.label;
    return list;
}

TEST_F(AccountAgainstDevstore, SigningOneDeviceOutChangesTheList)
{
    FakeSleeper sleeper;
    FakeDesktop desktop;
    Services services = Composition::standard({"tavren-hub", "--measure-launch"}); // sessions in memory
    services.sleep = sleeper.sleeper();
    desktop.attach(services);
    AppModel model(std::move(services));
    test::await(model.refresh().refreshAll());

    const std::shared_ptr<TavrenIDClient> id = model.services().tavrenID;
    const QString email = "demo@tavren.test";
    id->requestCode(email);
    model.accounts().setTavrenProfile(
        id->completeCode(email, store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email))["code"].toString()));
    test::await(model.signIn().finishTavrenSignIn());

    const AccountPresenter::Screen before = AccountPresenter::present(AccountView::input(model));
    ASSERT_TRUE(labels(model).contains("Safari on iPhone"));
    qsizetype current = 0;
    for (const AccountPresenter::Device& device : before.devices)
        current += device.current ? 1 : 0;
    EXPECT_EQ(current, 1) << "only this app's own session lacks a sign-out button";

    TavrenIDSession phone;
    for (const TavrenIDSession& session : model.accounts().tavrenSessions())
        if (session.label == "Safari on iPhone")
            phone = session;
    test::await(AccountActions::signOutDevice(model, phone));
    EXPECT_FALSE(labels(model).contains("Safari on iPhone"));
    EXPECT_EQ(labels(model).size(), before.devices.size() - 1);
    EXPECT_EQ(ModelHarness::bannerTexts(model).last(), "Signed out Safari on iPhone.");

    // The service refuses to sign out the session in use: the list stays as it was.
    const QStringList remaining = labels(model);
    for (const TavrenIDSession& session : model.accounts().tavrenSessions())
        if (session.current.value_or(false)) {
            test::await(AccountActions::signOutDevice(model, session));
            break;
        }
    EXPECT_EQ(labels(model), remaining);
    EXPECT_EQ(ModelHarness::bannerTexts(model).last().contains("This is the session you are using."), true);
}

} // namespace
