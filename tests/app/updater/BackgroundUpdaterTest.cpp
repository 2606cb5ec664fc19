// The background run's gates, log lines, notification and exit status, with every
// service of the run stood in for.

#include "app/updater/BackgroundUpdater.h"
#include "kit/install/WorkFolder.h"

#include "tests/testkit/FakeTokenPersistence.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>

using namespace hub;

namespace {

struct LogLine {
    QtMsgType type;
    QString text;
    bool operator==(const LogLine&) const = default;
};

QList<LogLine> captured;
QtMessageHandler previousHandler = nullptr;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (QByteArray(context.category) == "com.tavren.hub.background-update")
        captured.append({type, text});
}

// One run's services, each recording that it was used.
struct Harness {
    Harness()
    {
        persistence->stored = SessionTokens{QStringLiteral("access"), QStringLiteral("refresh"), QDateTime::currentDateTimeUtc().addDays(1)};
        environment.storedAutoUpdate = [this] { steps << "defaults"; return autoUpdate; };
        environment.appIsRunning = [this] { steps << "running?"; return appRunning; };
        environment.makeLock = [this] {
            steps << "lock";
            if (lockFails)
                throw std::runtime_error("no support folder");
            return std::make_unique<InstallLock>(box.path());
        };
        environment.keychainLocked = [this] { steps << "locked?"; return keychainLocked; };
        environment.makeClient = [this] {
            steps << "client";
            return std::make_shared<MoonbaseClient>(HostPolicy::tavren(), std::make_shared<ScriptedTransport>(), persistence);
        };
        environment.supportFolder = [this] { return folder("support", supportFails); };
        environment.workFolder = [this] { return folder("work", workFails) + QStringLiteral("/work"); };
        environment.runUpdates = [this](std::shared_ptr<MoonbaseClient>, std::shared_ptr<InstallLedger>) {
            steps << "updates";
            EXPECT_TRUE(InstallLock(box.path()).tryLock() == false) << "the run holds the install lock";
            return outcome;
        };
        environment.notificationsAuthorised = [this] { steps << "authorised?"; return authorised; };
        environment.post = [this](const QString& title, const QString& body) {
            EXPECT_FALSE(InstallLock(box.path()).tryLock()) << "the lock is held until the notification is posted";
            posts.append({title, body});
            return uint(posts.size());
        };
        environment.awaitClick = [this](uint id, const QString& link) {
            EXPECT_TRUE(lockIsFree()) << "nothing waits for a click with the lock held";
            awaited.append({id, link});
        };
    }

    QString folder(const char* name, bool fails)
    {
        steps << name;
        if (fails)
            throw std::system_error(EACCES, std::generic_category(), name);
        return box.path();
    }

    bool lockIsFree() { return InstallLock(box.path()).tryLock(); }

    QTemporaryDir box;
    std::shared_ptr<FakeTokenPersistence> persistence = std::make_shared<FakeTokenPersistence>();
    BackgroundEnvironment environment;
    QVariant autoUpdate;
    bool appRunning = false, lockFails = false, supportFails = false, workFails = false, authorised = true, keychainLocked = false;
    UpdateRunner::Outcome outcome;
    QStringList steps;
    QList<std::pair<QString, QString>> posts;
    QList<std::pair<uint, QString>> awaited; // a click on the notification, and what it opens
};

class BackgroundRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        captured.clear();
        previousHandler = qInstallMessageHandler(capture);
    }
    void TearDown() override { qInstallMessageHandler(previousHandler); }
};

TEST_F(BackgroundRun, GatesStopInOrderSilentlyAndLeaveTheLockFree)
{
    struct Case {
        const char* name;
        std::function<void(Harness&)> arrange;
        QStringList steps; // what the run asked for, in order
    };
    const QStringList all{"defaults", "running?", "lock", "work", "locked?", "client", "support", "updates"};
    const QList<Case> cases{
        {"updates off", [](Harness& h) { h.autoUpdate = false; }, {"defaults"}},
        {"updates off, as text", [](Harness& h) { h.autoUpdate = QStringLiteral("false"); }, {"defaults"}},
        {"never written", [](Harness&) {}, all},
        {"not a Boolean", [](Harness& h) { h.autoUpdate = QStringLiteral("sometimes"); }, all},
        {"stored true", [](Harness& h) { h.autoUpdate = QStringLiteral("true"); }, all},
        {"the app is running", [](Harness& h) { h.appRunning = true; }, {"defaults", "running?"}},
        {"no lock", [](Harness& h) { h.lockFails = true; }, {"defaults", "running?", "lock"}},
        {"no session", [](Harness& h) { h.persistence->stored.reset(); }, {"defaults", "running?", "lock", "work", "locked?", "client"}},
        {"no support folder", [](Harness& h) { h.supportFails = true; }, {"defaults", "running?", "lock", "work", "locked?", "client", "support"}},
        {"no work folder", [](Harness& h) { h.workFails = true; }, {"defaults", "running?", "lock", "work"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness harness;
        c.arrange(harness);
        EXPECT_EQ(BackgroundUpdater::run(harness.environment), 0);
        EXPECT_EQ(harness.steps, c.steps);
        EXPECT_TRUE(harness.lockIsFree());
        EXPECT_TRUE(harness.posts.isEmpty());
    }
    EXPECT_TRUE(captured.isEmpty());
}

TEST_F(BackgroundRun, LockHeldElsewhereStopsTheRunAndStaysHeld)
{
    Harness harness;
    InstallLock app(harness.box.path());
    ASSERT_TRUE(app.tryLock());
    EXPECT_EQ(BackgroundUpdater::run(harness.environment), 0);
    EXPECT_EQ(harness.steps, QStringList({"defaults", "running?", "lock"}));
    EXPECT_TRUE(app.isHeld());
    EXPECT_FALSE(harness.lockIsFree());
}

TEST_F(BackgroundRun, SweepsLeftoversFirstAndSkipsALockedKeychain)
{
    Harness harness;
    harness.keychainLocked = true;
    const QString work = harness.box.filePath(QStringLiteral("work"));
    const WorkFolder folder(work);
    std::optional<WorkFolder::Claim> live = folder.claim(QStringLiteral("tv-reverb")); // another process's run
    ASSERT_TRUE(live);
    ASSERT_TRUE(folder.claim(QStringLiteral("tv-gate")));
    QDir().mkpath(work + QStringLiteral("/tv-gate/bundles"));
    QFile(work + QStringLiteral("/download-Ab12Cd")).open(QIODevice::WriteOnly);

    EXPECT_EQ(BackgroundUpdater::run(harness.environment), 0);
    EXPECT_EQ(harness.steps, QStringList({"defaults", "running?", "lock", "work", "locked?"}));
    EXPECT_EQ(captured, QList<LogLine>({{QtWarningMsg, "the keychain is locked; this run is skipped"}}));
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(work).entryList(all), QStringList({".claims", "tv-reverb"}));
    EXPECT_EQ(QDir(work + QStringLiteral("/.claims")).entryList(all), QStringList({"tv-reverb.lock"}));
    EXPECT_TRUE(harness.lockIsFree());
}

TEST_F(BackgroundRun, LogsEveryResultAndPostsOneSummary)
{
    Harness harness;
    harness.outcome.updated = {{"tv-reverb", "TV Reverb", "1.5.0"}, {"tv-delay", "TV Delay", "2.0"}};
    harness.outcome.failed = {{"tv-gate", "TV Gate", "The download was cut short."}, {"tv-limiter", "TV Limiter", "Refused."}};
    EXPECT_EQ(BackgroundUpdater::run(harness.environment), 0);

    EXPECT_EQ(captured, QList<LogLine>({{QtInfoMsg, "updated tv-reverb to 1.5.0"},
                                        {QtInfoMsg, "updated tv-delay to 2.0"},
                                        {QtCriticalMsg, "update of tv-gate failed: The download was cut short."},
                                        {QtCriticalMsg, "update of tv-limiter failed: Refused."}}));
    ASSERT_EQ(harness.posts.size(), 1);
    EXPECT_EQ(harness.posts[0].first, QStringLiteral("Tavren Hub updated 2 products"));
    EXPECT_EQ(harness.posts[0].second, QStringLiteral("TV Reverb 1.5.0\nTV Delay 2.0\nOpen Tavren Hub to finish: TV Gate, TV Limiter"));
    EXPECT_EQ(harness.awaited, (QList<std::pair<uint, QString>>{{1, "tavren-hub:updates"}}));
    EXPECT_TRUE(harness.lockIsFree());
}

TEST_F(BackgroundRun, PostsOnlyWhenSomethingHappenedAndPostingIsAllowed)
{
    Harness quiet;
    EXPECT_EQ(BackgroundUpdater::run(quiet.environment), 0);
    EXPECT_FALSE(quiet.steps.contains("authorised?"));
    EXPECT_TRUE(quiet.posts.isEmpty());

    Harness denied;
    denied.authorised = false;
    denied.outcome.failed = {{"tv-gate", "TV Gate", "Refused."}};
    EXPECT_EQ(BackgroundUpdater::run(denied.environment), 0);
    EXPECT_TRUE(denied.posts.isEmpty());
    EXPECT_EQ(captured.size(), 1);

    Harness throwing;
    throwing.outcome.updated = {{"tv-reverb", "TV Reverb", "1.5.0"}};
    throwing.environment.post = [](const QString&, const QString&) -> uint { throw std::runtime_error("no server"); };
    EXPECT_EQ(BackgroundUpdater::run(throwing.environment), 0);
    EXPECT_TRUE(throwing.awaited.isEmpty()) << "no notification, no wait";
    EXPECT_TRUE(throwing.lockIsFree());
}

TEST(BackgroundNotification, TitleAndBodyFollowTheCounts)
{
    struct Case {
        QStringList updated, failed;
        QString title, body;
    };
    const QList<Case> cases{
        {{"TV Reverb 1.5.0"}, {}, "Tavren Hub updated 1 product", "TV Reverb 1.5.0"},
        {{}, {"TV Gate"}, "Tavren updates need you", "Open Tavren Hub to finish: TV Gate"},
        {{"TV Reverb 1.5.0"}, {"TV Gate", "TV Limiter"}, "Tavren Hub updated 1 product",
         "TV Reverb 1.5.0\nOpen Tavren Hub to finish: TV Gate, TV Limiter"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BackgroundUpdater::notificationTitle(c.updated.size()), c.title);
        EXPECT_EQ(BackgroundUpdater::notificationBody(c.updated, c.failed), c.body);
    }
}

TEST(BackgroundArguments, OnlyTheExactArgumentChoosesTheHeadlessRun)
{
    const auto requested = [](std::vector<const char*> args) {
        return BackgroundUpdater::isRequested(int(args.size()), const_cast<char**>(args.data()));
    };
    EXPECT_TRUE(requested({"tavren-hub", "--open", "x", "--background-update"}));
    EXPECT_FALSE(requested({"tavren-hub", "--background-updates", "x--background-update"}));
}

} // namespace
