// The real "tavren-hub --background-update" against the devstore, in a temporary HOME and
// a D-Bus session of its own (its keyring holds the store session the run uses, and a fake
// notification server takes its summary).

#include "app/platform/SingleInstance.h"
#include "tests/app/fakes/FakeNotificationServer.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/devstore/InstalledAsTheApp.h"
#include "tests/testkit/OwnSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace hub;

namespace {

constexpr const char* childFlag = "HUB_BACKGROUND_UPDATE_CHILD";

TEST(BackgroundUpdate, RunsInASessionOfItsOwn)
{
    if (qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "inside the child";
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    EXPECT_EQ(test::runInOwnSession(test::sandboxedEnvironment(sandbox.path(), QString::fromLatin1(childFlag)),
                                    {QStringLiteral("--gtest_filter=BackgroundUpdate.UpdatesTheLedgerHeadless")}),
              0);
}

struct HubRun {
    int status = -1;
    QString log;
};

// The hub's headless run, with no display and a platform plugin that does not exist: a
// GUI application object would abort the process.
HubRun runHub()
{
    QProcess hub;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    hub.setProcessEnvironment(environment);
    hub.start(qEnvironmentVariable("HUB_BUILD_DIR") + QStringLiteral("/bin/tavren-hub"), {QStringLiteral("--background-update")});
    EXPECT_TRUE(hub.waitForStarted());
    // The fake notification server answers on this thread. The run's end may be read by either call, after which
    // waitForFinished() is false at once: the state tells.
    const QDeadlineTimer bound(120'000);
    while (hub.state() != QProcess::NotRunning && !bound.hasExpired()) {
        hub.waitForFinished(20);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(hub.state(), QProcess::NotRunning) << "the run did not end";
    return {hub.exitStatus() == QProcess::NormalExit ? hub.exitCode() : -1, QString::fromUtf8(hub.readAllStandardError())};
}

QString recordedVersion()
{
    const std::optional<InstallRecord> record = InstallLedger(AppDirectories::support()).record(QStringLiteral("tv-reverb"));
    return record ? record->version : QString();
}

TEST(BackgroundUpdate, UpdatesTheLedgerHeadless)
{
    if (!qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "runs only in its own session";
    test::DevstoreProcess store;
    if (!store.useDemoDeployment())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";

    // The app's store session, in the keychain item the run reads, and its install.
    ASSERT_EQ(test::installAsTheApp(QStringLiteral("tv-reverb")), QStringLiteral("1.4.0"));
    ASSERT_EQ(recordedVersion(), QStringLiteral("1.4.0"));
    store.control("POST", QStringLiteral("/__devstore/publish"), {{"product", "tv-reverb"}, {"version", "1.5.0"}});

    test::FakeNotificationServer notifications;
    ASSERT_TRUE(notifications.isServing());
    // Closed at once, as often as it takes the run to listen: it then waits no longer.
    QTimer closing;
    QObject::connect(&closing, &QTimer::timeout, [&] { notifications.close(uint(notifications.posted.size())); });
    QObject::connect(&notifications, &test::FakeNotificationServer::notified, [&] { closing.start(50); });

    {
        // The windowed app is open: the run stays out.
        SingleInstance app;
        ASSERT_TRUE(app.claim());
        const HubRun kept = runHub();
        EXPECT_EQ(kept.status, 0);
        EXPECT_EQ(recordedVersion(), QStringLiteral("1.4.0"));
        EXPECT_TRUE(kept.log.isEmpty()) << kept.log.toStdString();
    }

    const HubRun updated = runHub();
    EXPECT_EQ(updated.status, 0);
    EXPECT_EQ(recordedVersion(), QStringLiteral("1.5.0"));
    EXPECT_TRUE(updated.log.contains(u"com.tavren.hub.background-update: updated tv-reverb to 1.5.0")) << updated.log.toStdString();
    EXPECT_EQ(notifications.posted, QList<test::FakeNotificationServer::Posted>(
                                        {{"Tavren Hub", "Tavren Hub updated 1 product", "TV Reverb 1.5.0", "com.tavren.hub",
                                          "com.tavren.hub", {"default", "Open Tavren Hub"}}}));

    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("peak resident memory of the headless run: %ld KiB\n", usage.ru_maxrss);
    ::testing::Test::RecordProperty("peakResidentKiB", int(usage.ru_maxrss));

    // Nothing newer: no notification, status 0.
    const HubRun idle = runHub();
    EXPECT_EQ(idle.status, 0);
    EXPECT_EQ(notifications.posted.size(), 1);
}

} // namespace
