// The real tavren-hub against the devstore, each run in a fresh home: it ends by itself
// with status 0 however its quit meets the work still running.

#include "kit/install/InstallLock.h"
#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/devstore/InstalledAsTheApp.h"
#include "tests/testkit/OwnSession.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace hub;

namespace {

struct Homes {
    explicit Homes(int count)
    {
        for (int i = 0; i < count; ++i)
            runs.push_back(std::make_unique<test::HubProcess>(box.filePath(QString::number(i))));
    }
    QTemporaryDir box;
    std::vector<std::unique_ptr<test::HubProcess>> runs;
};

// Cold, the images are still loading when the first content quits the hub; warm, the
// snapshot the cold run left shows content before the event loop even runs.
TEST(HubLifetime, MeasureLaunchQuitsWithStatusZero)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    Homes homes(10);
    for (const auto& [arguments, source] : {std::pair{QStringList{"--measure-launch", "--cold"}, QByteArray("network")},
                                            std::pair{QStringList{"--measure-launch"}, QByteArray("cache")}}) {
        for (const auto& run : homes.runs)
            ASSERT_TRUE(run->start(arguments));
        for (const auto& run : homes.runs) {
            EXPECT_EQ(run->finish(20'000), 0) << arguments.join(' ').toStdString();
            const QByteArray line = run->process().readAllStandardOutput();
            EXPECT_TRUE(line.startsWith("launch-to-first-content-ms ") && line.trimmed().endsWith(source)) << line.toStdString();
        }
    }
}

// A deployment file that cannot be read or makes no sense ends either run with a message.
TEST(HubLifetime, ABadDeploymentFileEndsWithAMessage)
{
    if (!Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    QFile garbled(box.filePath(QStringLiteral("garbled.json")));
    ASSERT_TRUE(garbled.open(QIODevice::WriteOnly) && garbled.write("{\"port\": 0}") > 0);
    garbled.close();
    for (const QString& file : {box.filePath(QStringLiteral("missing.json")), garbled.fileName()}) {
        for (const QStringList& arguments : {QStringList{}, QStringList{"--background-update"}}) {
            test::HubProcess run(box.filePath(QStringLiteral("home")));
            QProcessEnvironment environment = run.process().processEnvironment();
            environment.insert(QStringLiteral("TAVREN_HUB_DEPLOYMENT"), file);
            run.process().setProcessEnvironment(environment);
            ASSERT_TRUE(run.start(arguments));
            EXPECT_EQ(run.finish(20'000), 1) << arguments.join(' ').toStdString();
            EXPECT_TRUE(run.process().readAllStandardError().contains("deployment")) << file.toStdString();
        }
    }
}

// A second start whose link no hub took (locked, unheard) says so and fails.
TEST(HubLifetime, ASecondStartThatCouldNotHandOverSaysSo)
{
    test::DevstoreProcess store;
    if (!Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    store.useDemoDeployment(); // for the hub started below; this process read an earlier store's
    QTemporaryDir box;
    const QString runtime = box.filePath(QStringLiteral("XDG_RUNTIME_DIR"));
    test::HubProcess second(box.path());
    InstallLock held(runtime, QStringLiteral("com.tavren.hub.instance.lock"));
    ASSERT_TRUE(held.tryLock());
    ASSERT_TRUE(second.start({QStringLiteral("tavren-hub://product/tv-reverb")}));
    EXPECT_EQ(second.finish(20'000), 1);
    EXPECT_TRUE(second.process().readAllStandardError().contains("could not hand over"));
}

// FIFOs at the cached images' names: the hub fetches the images again, and a SIGTERM still ends it at once.
TEST(HubLifetime, FifosInTheImageCacheNeitherHoldNorKeepItRunning)
{
    test::DevstoreProcess store;
    store.useDemoDeployment(); // for the hubs started below; this process may have read an earlier store's
    if (!Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    const QDir images(box.filePath(QStringLiteral("XDG_CACHE_HOME/com.tavren.hub/images")));
    const auto cached = [&] { return images.entryList({QStringLiteral("*.img")}, QDir::Files); }; // regular files only
    const auto runUntil = [&](const std::function<bool()>& done) {
        test::HubProcess hub(box.path());
        EXPECT_TRUE(hub.start({}));
        for (const QDeadlineTimer deadline(30'000); !done() && !deadline.hasExpired() && hub.process().state() == QProcess::Running;)
            QThread::msleep(20);
        EXPECT_TRUE(done());
        hub.process().terminate(); // SIGTERM; nothing when it is not running
        EXPECT_EQ(hub.finish(5'000), 0);
    };
    runUntil([&] { return !cached().isEmpty(); });
    const QStringList names = cached();
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names)
        ASSERT_TRUE(QFile::remove(images.filePath(name)) && ::mkfifo(QFile::encodeName(images.filePath(name)).constData(), 0600) == 0);
    ASSERT_TRUE(cached().isEmpty());
    runUntil([&] { return std::ranges::any_of(names, [&](const QString& name) { return cached().contains(name); }); });
}

constexpr const char* childFlag = "HUB_LIFETIME_CHILD";

TEST(HubLifetime, InstallsRunInASessionOfTheirOwn)
{
    if (qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "inside the child";
    QTemporaryDir sandbox;
    EXPECT_EQ(test::runInOwnSession(test::sandboxedEnvironment(sandbox.path(), QString::fromLatin1(childFlag)),
                                    {QStringLiteral("--gtest_filter=HubLifetime.QuitOrKillDuringADownloadLeavesNothing")}),
              0);
}

QStringList tree(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(folder.size());
    found.sort();
    return found;
}

// Waits until a download's partial file has bytes in it.
bool downloading(const QString& work, const QProcess& hub)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60'000 && hub.state() == QProcess::Running) {
        for (const QString& entry : tree(work)) {
            if (QFileInfo(entry).fileName().startsWith(u"download-") && QFileInfo(work + entry).size() > 0)
                return true;
        }
        QThread::msleep(20);
    }
    return false;
}

// The app signed in through the keychain with an update to install automatically, over a
// throttled store: told to quit during the download it ends at once and leaves nothing;
// killed, the next start sweeps what it left. Neither touches the install or the ledger.
TEST(HubLifetime, QuitOrKillDuringADownloadLeavesNothing)
{
    if (!qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "runs only in its own session";
    test::DevstoreProcess store({}, {QStringLiteral("--throttle-kbps"), QStringLiteral("1000")});
    if (!store.useDemoDeployment())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    ASSERT_EQ(test::installAsTheApp(QStringLiteral("tv-reverb")), QStringLiteral("1.4.0"));
    store.control("POST", QStringLiteral("/__devstore/publish"), {{"product", "tv-reverb"}, {"version", "1.5.0"}});
    const QString home = QDir::homePath();
    const QString work = AppDirectories::work();
    const QString plugIns = home + QStringLiteral("/Library/Audio/Plug-Ins");
    const QStringList installed = tree(plugIns);
    const auto recorded = [] { return InstallLedger(AppDirectories::support()).record(QStringLiteral("tv-reverb"))->version; };

    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        // The sandbox's own home and folders, as this process has them.
        QProcess hub;
        hub.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        hub.setProcessEnvironment([] {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            return environment;
        }());
        hub.start(test::HubProcess::binary(), {});
        ASSERT_TRUE(hub.waitForStarted());
        ASSERT_TRUE(downloading(work, hub));
        ASSERT_GT(hub.processId(), 0); // kill(0) would end the whole process group
        ::kill(pid_t(hub.processId()), signal);
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(hub.waitForFinished(10'000));
        if (signal == SIGTERM) {
            EXPECT_LT(clock.elapsed(), 2000);
            EXPECT_EQ(hub.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(hub.exitCode(), 0);
        } else {
            ASSERT_FALSE(tree(work).isEmpty());
            QProcess restart;
            restart.setProcessEnvironment(hub.processEnvironment());
            restart.start(test::HubProcess::binary(), {QStringLiteral("--measure-launch"), QStringLiteral("--cold")});
            ASSERT_TRUE(restart.waitForFinished(20'000));
            EXPECT_EQ(restart.exitCode(), 0);
        }
        EXPECT_EQ(tree(work), QStringList());
        EXPECT_EQ(tree(plugIns), installed);
        EXPECT_EQ(recorded(), QStringLiteral("1.4.0"));
    }
}

} // namespace
