// The self-updater object: its two settings, and a check whose updater is gone before the
// answer comes.

#include "app/platform/HubUpdater.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <atomic>
#include <thread>
#include <gtest/gtest.h>

using namespace hub;

namespace {

struct Harness {
    std::shared_ptr<HubUpdateService> service(QByteArray key = QByteArray(32, '\x01')) const
    {
        return std::make_shared<HubUpdateService>(
            transport, HubUpdateService::Source{QStringLiteral("https://www.tavren.test/hub/releases.json"), std::move(key),
                                                QStringLiteral("www.tavren.test")},
            InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0"));
    }
    std::unique_ptr<HubUpdater> updater(QByteArray key = QByteArray(32, '\x01')) const
    {
        return std::make_unique<HubUpdater>(service(std::move(key)), defaults, HubUpdater::Schedule{std::chrono::hours(24), std::chrono::hours(24)});
    }
    QVariant stored(const char* key) const { return QSettings(defaults->fileName(), QSettings::IniFormat).value(QLatin1String(key)); }

    QTemporaryDir box;
    std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
    std::shared_ptr<QSettings> defaults = std::make_shared<QSettings>(box.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
};

TEST(HubUpdater, SettingsAreReadOnceAndWrittenThroughOnEveryAssignment)
{
    Harness harness;
    auto updater = harness.updater();
    EXPECT_TRUE(updater->checksAutomatically());
    EXPECT_FALSE(updater->installsAutomatically());
    EXPECT_FALSE(harness.stored(HubUpdater::checksKey).isValid());

    QSignalSpy checks(updater.get(), &HubUpdater::checksAutomaticallyChanged);
    QSignalSpy installs(updater.get(), &HubUpdater::installsAutomaticallyChanged);
    updater->setChecksAutomatically(true); // unchanged: written, not announced
    updater->setInstallsAutomatically(false);
    EXPECT_EQ(harness.stored(HubUpdater::checksKey).toString(), QStringLiteral("true"));
    EXPECT_EQ(harness.stored(HubUpdater::installsKey).toString(), QStringLiteral("false"));
    EXPECT_EQ(checks.size() + installs.size(), 0);

    updater->setChecksAutomatically(false);
    updater->setInstallsAutomatically(true);
    EXPECT_EQ(harness.stored(HubUpdater::checksKey).toString(), QStringLiteral("false"));
    EXPECT_EQ(harness.stored(HubUpdater::installsKey).toString(), QStringLiteral("true"));
    EXPECT_EQ(checks.size(), 1);
    EXPECT_EQ(installs.size(), 1);

    // A new updater starts from what was written.
    auto next = harness.updater();
    EXPECT_FALSE(next->checksAutomatically());
    EXPECT_TRUE(next->installsAutomatically());
}

// Going away stops the check under way and waits for it; its answer is dropped.
TEST(HubUpdater, AnUpdaterThatGoesStopsItsCheck)
{
    Harness harness;
    std::atomic<bool> stopped = false;
    harness.transport->route("GET", "/hub/releases.json", [&stopped](const HttpRequest& request) {
        while (!request.stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stopped = true;
        return ScriptedTransport::response(503, {});
    });
    auto updater = harness.updater();
    QCoreApplication::processEvents();
    updater->checkForUpdates();
    updater.reset();
    EXPECT_TRUE(stopped);
    QCoreApplication::processEvents();
    EXPECT_EQ(harness.transport->requests().size(), 1);
}

} // namespace
