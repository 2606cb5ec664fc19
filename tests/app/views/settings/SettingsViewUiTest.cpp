// The Settings window's switches and picker against the model, the self-updater and a
// launch agent that can refuse.

#include "app/platform/HubUpdater.h"
#include "app/views/settings/SettingsView.h"
#include "app/views/settings/Toggle.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QComboBox>
#include <QLabel>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace hub;

namespace {

class Settings : public ::testing::Test {
protected:
    Settings()
    {
        model = harness.makeModel();
        auto service = std::make_shared<HubUpdateService>(std::make_shared<ScriptedTransport>(), HubUpdateService::Source{},
            InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0"));
        updater = std::make_unique<HubUpdater>(service, harness.settings, HubUpdater::Schedule{});
    }

    std::unique_ptr<SettingsView> make()
    {
        BackgroundSwitch::Agent agent{[this] { return registered; },
                                      [this](bool on) {
                                          requests.append(on);
                                          if (refuses)
                                              throw std::runtime_error("refused");
                                          registered = on;
                                      },
                                      [this] { return managed; }};
        return std::make_unique<SettingsView>(*model, *updater, QJsonObject{{"shortVersion", "1.2"}}, agent);
    }

    QTemporaryDir box;
    ModelHarness harness;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<HubUpdater> updater;
    bool registered = false;
    bool refuses = false;
    bool managed = true;
    QList<bool> requests;
};

TEST_F(Settings, TheBackgroundSwitchFollowsTheAgentAndAsksOnce)
{
    registered = true;
    auto view = make();
    EXPECT_TRUE(view->backgroundToggle()->isChecked()) << "read from the system when made";

    refuses = true;
    registered = false; // turned off elsewhere meanwhile; the switch still shows what it read
    view->backgroundToggle()->click(); // off
    EXPECT_EQ(requests, QList<bool>{false});
    EXPECT_FALSE(view->backgroundToggle()->isChecked());

    view->backgroundToggle()->click(); // on, refused
    EXPECT_EQ(requests, QList<bool>({false, true})) << "putting the switch back asks nothing more";
    EXPECT_FALSE(view->backgroundToggle()->isChecked());
    EXPECT_EQ(view->backgroundNote()->text(), QStringLiteral("refused")) << "the refusal is shown";
    EXPECT_FALSE(view->backgroundNote()->isHidden());

    refuses = false;
    view->backgroundToggle()->click();
    EXPECT_TRUE(view->backgroundToggle()->isChecked());
    EXPECT_TRUE(view->backgroundNote()->isHidden());

    // Automatic updates off greys the switch out; it keeps the agent's state.
    model->preferences().setAutoUpdate(false);
    EXPECT_FALSE(view->autoUpdateToggle()->isChecked());
    EXPECT_FALSE(view->backgroundToggle()->isEnabled());
    EXPECT_TRUE(view->backgroundToggle()->isChecked());
    EXPECT_EQ(requests.size(), 3) << "the agent is not touched";
    view->autoUpdateToggle()->click();
    EXPECT_TRUE(model->preferences().autoUpdate());
    EXPECT_TRUE(view->backgroundToggle()->isEnabled());
}

TEST_F(Settings, WithoutAServiceManagerTheBackgroundSwitchSaysWhy)
{
    managed = false;
    auto view = make();
    EXPECT_FALSE(view->backgroundToggle()->isEnabled());
    EXPECT_FALSE(view->backgroundNote()->isHidden());
    EXPECT_TRUE(view->backgroundNote()->text().contains(u"service manager"));
    view->backgroundToggle()->click();
    EXPECT_TRUE(requests.isEmpty()) << "a disabled switch asks nothing";
}

TEST_F(Settings, TheHubsUpdateSwitchesAndTheCurrency)
{
    updater->setInstallsAutomatically(true);
    auto view = make();
    view->checksToggle()->click();
    EXPECT_FALSE(updater->checksAutomatically());
    EXPECT_FALSE(view->installsToggle()->isEnabled());
    EXPECT_TRUE(view->installsToggle()->isChecked()) << "greyed out, keeping its value";

    Storefront storefront = Fixtures::storefront({Fixtures::product("a", "Alpha")});
    storefront.enabledCurrencies = QStringList{"GBP", "USD", "EUR"};
    model->catalog().setStorefront(storefront);
    QComboBox* picker = view->currencyPicker();
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->currentIndex(), 2);
    emit picker->activated(1);
    EXPECT_EQ(model->preferences().currency(), "USD");
}

} // namespace
