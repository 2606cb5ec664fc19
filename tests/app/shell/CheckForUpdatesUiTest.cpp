// The "Check for Updates..." menu item follows whether a check is possible.

#include "app/platform/HubUpdater.h"
#include "app/shell/CheckForUpdatesAction.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

TEST(CheckForUpdatesAction, DisabledUntilACheckIsPossible)
{
    QTemporaryDir box;
    auto transport = std::make_shared<ScriptedTransport>();
    auto service = std::make_shared<HubUpdateService>(
        transport, HubUpdateService::Source{QStringLiteral("https://www.tavren.test/hub/releases.json"), QByteArray(32, '\x01'),
                                            QStringLiteral("www.tavren.test")},
        InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0"));
    HubUpdater updater(service, std::make_shared<QSettings>(box.filePath(QStringLiteral("d.ini")), QSettings::IniFormat),
                       {std::chrono::hours(24), std::chrono::hours(24)});
    CheckForUpdatesAction action(updater);
    EXPECT_EQ(action.text(), QStringLiteral("Check for Updates..."));
    EXPECT_FALSE(action.isEnabled());
    action.trigger(); // disabled: nothing happens
    QCoreApplication::processEvents();
    EXPECT_TRUE(action.isEnabled()) << "enabled without user action once checks are possible";
    EXPECT_TRUE(transport->requests().isEmpty());

    QSignalSpy finished(&updater, &HubUpdater::problemChanged);
    action.trigger();
    EXPECT_FALSE(action.isEnabled()) << "while the check runs";
    ASSERT_TRUE(finished.wait());
    EXPECT_TRUE(action.isEnabled());
    EXPECT_EQ(transport->requests().size(), 1);
}
