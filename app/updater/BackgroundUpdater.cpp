#include "app/updater/BackgroundUpdater.h"

#include "app/platform/LaunchAgent.h"
#include "app/platform/LaunchAgentError.h"
#include "app/platform/UserLocale.h"
#include "kit/install/WorkFolder.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMetaObject>
#include <cstring>
#include <thread>

namespace hub::BackgroundUpdater {

namespace {

Q_LOGGING_CATEGORY(backgroundLog, "com.tavren.hub.background-update")
Q_LOGGING_CATEGORY(agentLog, "com.tavren.hub.launch-agent")

constexpr const char* argument = "--background-update";

// "autoUpdate" turns the run off only when it is stored and reads as the Boolean false.
bool turnedOff(const QVariant& stored)
{
    if (stored.typeId() == QMetaType::Bool)
        return !stored.toBool();
    if (stored.typeId() == QMetaType::QString)
        return stored.toString().compare(u"false", Qt::CaseInsensitive) == 0;
    return false;
}

// The notification a run posted and what a click on it opens.
struct Posted {
    uint id = 0;
    QString link;
};

Posted notify(const BackgroundEnvironment& environment, const QStringList& updated, const QStringList& failed)
{
    try {
        if (!environment.notificationsAuthorised())
            return {};
        // What is left to finish is in Updates; what was done, in the Library.
        return {environment.post(notificationTitle(updated.size()), notificationBody(updated, failed)),
                failed.isEmpty() ? QStringLiteral("tavren-hub:library") : QStringLiteral("tavren-hub:updates")};
    } catch (...) {
        // A failed post shows nothing; the run goes on.
        return {};
    }
}

// Steps 4 to 12 of a run, with the lock held by the caller.
Posted updateWithLock(const BackgroundEnvironment& environment)
{
    // Unlocking would ask for the password and wait for it, with nobody there to answer.
    if (environment.keychainLocked && environment.keychainLocked()) {
        qCWarning(backgroundLog, "the keychain is locked; this run is skipped");
        return {};
    }
    const std::shared_ptr<MoonbaseClient> client = environment.makeClient();
    if (!client->isSignedIn())
        return {};
    const QString support = environment.supportFolder();
    auto ledger = std::make_shared<InstallLedger>(support);

    const UpdateRunner::Outcome outcome = environment.runUpdates(client, ledger);
    QStringList updated;
    for (const UpdateRunner::Updated& entry : outcome.updated) {
        qCInfo(backgroundLog, "updated %s to %s", qUtf8Printable(entry.productId), qUtf8Printable(entry.version));
        updated << entry.name + u' ' + entry.version;
    }
    QStringList failed;
    for (const UpdateRunner::Failed& entry : outcome.failed) {
        qCCritical(backgroundLog, "update of %s failed: %s", qUtf8Printable(entry.productId), qUtf8Printable(entry.reason));
        failed << entry.name;
    }
    if (updated.isEmpty() && failed.isEmpty())
        return {};
    return notify(environment, updated, failed);
}

} // namespace

bool isRequested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], argument) == 0)
            return true;
    }
    return false;
}

int run(const BackgroundEnvironment& environment)
{
    try {
        if (turnedOff(environment.storedAutoUpdate()))
            return 0;
        if (environment.appIsRunning())
            return 0;
        const std::unique_ptr<InstallLock> lock = environment.makeLock();
        if (!lock || !lock->tryLock())
            return 0;
        Posted posted;
        try {
            // What a crashed or killed run left; only another process's live run keeps its folder.
            WorkFolder(environment.workFolder()).sweep();
            posted = updateWithLock(environment);
        } catch (...) {
            // A folder or the engine that cannot be made stops the run like a gate.
        }
        lock->unlock();
        if (posted.id != 0 && environment.awaitClick)
            environment.awaitClick(posted.id, posted.link);
    } catch (...) {
        // The lock that cannot be made: stop.
    }
    return 0;
}

int runAndExit(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    UserLocale::adopt();
    QCoreApplication::setApplicationName(QStringLiteral("tavren-hub"));
    std::thread worker([&app] {
        const int status = run(BackgroundEnvironment::standard(QCoreApplication::applicationFilePath()));
        QMetaObject::invokeMethod(&app, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    });
    const int status = app.exec();
    worker.join();
    return status;
}

QString notificationTitle(qsizetype updatedCount)
{
    if (updatedCount == 0)
        return QStringLiteral("Tavren updates need you");
    return QStringLiteral("Tavren Hub updated %1 product%2").arg(updatedCount).arg(updatedCount == 1 ? "" : "s");
}

QString notificationBody(const QStringList& updated, const QStringList& failed)
{
    QStringList lines = updated;
    if (!failed.isEmpty())
        lines << QStringLiteral("Open Tavren Hub to finish: ") + failed.join(QStringLiteral(", "));
    return lines.join(u'\n');
}

void registerByDefault(QSettings& defaults, const QStringList& arguments, bool runsFromInstalledLocation,
                       const LaunchAgent& agent)
{
    if (defaults.value(QStringLiteral("backgroundUpdatesTurnedOff"), false).toBool())
        return;
    if (arguments.contains(QStringLiteral("--snapshot")))
        return;
    if (!runsFromInstalledLocation)
        return;
    try {
        if (agent.status() != LaunchAgent::Status::notRegistered)
            return;
        agent.registerAgent();
    } catch (...) {
        // Registering is best effort and quiet: the next start tries again.
    }
}

void setEnabled(bool enabled, QSettings& defaults, const LaunchAgent& agent)
{
    defaults.setValue(QStringLiteral("backgroundUpdatesTurnedOff"), !enabled);
    defaults.sync();
    try {
        if (enabled)
            agent.registerAgent();
        else
            agent.unregisterAgent();
    } catch (const LaunchAgentError& error) {
        qCWarning(agentLog, "background updates not turned %s: %s", enabled ? "on" : "off", qUtf8Printable(error.detail));
        throw;
    }
}

} // namespace hub::BackgroundUpdater
