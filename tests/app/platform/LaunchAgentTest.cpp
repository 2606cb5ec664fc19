// The launch agent's units, switched through a stub systemctl in a temporary unit
// folder, and the two operations of the windowed app that use it.

#include "app/platform/LaunchAgent.h"
#include "app/platform/LaunchAgentError.h"
#include "app/updater/BackgroundUpdater.h"
#include "tests/testkit/Thrown.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// A systemctl that keeps "enabled" as a file, logs its arguments one call a line, and
// answers as a manager would; flag files change its mind, a "state" file its state.
class StubSystemctl {
public:
    StubSystemctl()
    {
        QFile script(path());
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral(R"(#!/bin/sh
d='%1'
echo "$*" >> "$d/calls"
[ -f "$d/no-manager" ] && { echo "Failed to connect to bus: No medium found" >&2; exit 1; }
case "$2" in
  is-system-running) s=running; [ -f "$d/state" ] && s=$(cat "$d/state"); echo "$s"; [ "$s" = running ] || exit 1 ;;
  daemon-reload) [ -f "$d/reload-fails" ] && { echo "Reload daemon failed: Process org.freedesktop.systemd1 exited with status 1" >&2; exit 1; } ;;
  is-enabled) if [ -f "$d/enabled" ]; then echo enabled; else echo disabled; exit 1; fi ;;
  enable|disable) [ -f "$d/refuse" ] && { echo "Access denied" >&2; exit 1; }
    if [ "$2" = enable ]; then touch "$d/enabled"; else rm -f "$d/enabled"; fi ;;
esac
exit 0
)").arg(box.path()).toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString path() const { return box.filePath(QStringLiteral("systemctl")); }
    QString units() const { return box.filePath(QStringLiteral("config/systemd/user")); }
    void set(const char* flag, bool on) const
    {
        const QString file = box.filePath(QString::fromLatin1(flag));
        on ? void(QFile(file).open(QIODevice::WriteOnly)) : void(QFile::remove(file));
    }
    void setState(const QByteArray& state) const
    {
        QFile file(box.filePath(QStringLiteral("state")));
        if (file.open(QIODevice::WriteOnly))
            file.write(state + '\n');
    }
    // The calls since the last look, without the "--user" every one carries.
    QStringList takeCalls() const
    {
        QFile log(box.filePath(QStringLiteral("calls")));
        QStringList calls;
        if (log.open(QIODevice::ReadOnly))
            calls = QString::fromUtf8(log.readAll()).replace(QStringLiteral("--user "), QString()).split(u'\n', Qt::SkipEmptyParts);
        log.remove();
        return calls;
    }
    LaunchAgent agent() const { return LaunchAgent(QStringLiteral("/opt/Tavren Hub/bin/tavren-hub%$"), units(), path()); }

    QTemporaryDir box;
};

// The lines logged in the hub's own categories while it lives.
struct HubLog {
    HubLog() { lines.clear(); }
    ~HubLog() { qInstallMessageHandler(previous); }
    static inline QStringList lines;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QByteArray(context.category).startsWith("com.tavren.hub"))
            lines.append(text);
    });
};

QString read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(LaunchAgent, RegistersEnablesAndRemovesItsUnits)
{
    StubSystemctl systemctl;
    const LaunchAgent agent = systemctl.agent();
    EXPECT_EQ(agent.status(), LaunchAgent::Status::notRegistered);

    agent.registerAgent();
    EXPECT_TRUE(read(agent.servicePath()).contains(u"\nExecStart=\"/opt/Tavren Hub/bin/tavren-hub%%$\" --background-update\n"));
    EXPECT_TRUE(read(agent.timerPath()).contains(u"\nPersistent=true\n"));
    EXPECT_TRUE(read(agent.timerPath()).contains(u"\nUnit=com.tavren.hub.updater.service\n"));
    EXPECT_EQ(QFileInfo(agent.servicePath()).path(), systemctl.units());
    EXPECT_EQ(agent.status(), LaunchAgent::Status::enabled);
    EXPECT_EQ(systemctl.takeCalls(), QStringList({"is-system-running", "daemon-reload", "enable --now com.tavren.hub.updater.timer",
                                                  "is-system-running", "is-enabled com.tavren.hub.updater.timer"}));

    agent.unregisterAgent();
    EXPECT_FALSE(QFileInfo::exists(agent.servicePath()));
    EXPECT_FALSE(QFileInfo::exists(agent.timerPath()));
    EXPECT_EQ(agent.status(), LaunchAgent::Status::notRegistered);
    EXPECT_EQ(systemctl.takeCalls(), QStringList({"disable --now com.tavren.hub.updater.timer", "daemon-reload", "is-system-running"}));

    agent.unregisterAgent(); // nothing left to do
    EXPECT_TRUE(systemctl.takeCalls().isEmpty());

    // Units present but disabled, and no manager to ask.
    agent.registerAgent();
    systemctl.set("enabled", false);
    EXPECT_EQ(agent.status(), LaunchAgent::Status::notRegistered);
    systemctl.set("no-manager", true);
    EXPECT_EQ(agent.status(), LaunchAgent::Status::notFound);
    systemctl.set("no-manager", false);

    // Only a manager that runs counts; systemctl says "offline" without a user bus.
    for (const char* state : {"offline", "unknown", "", "degraded"}) {
        systemctl.setState(state);
        EXPECT_EQ(agent.status(), QByteArray(state) == "degraded" ? LaunchAgent::Status::notRegistered : LaunchAgent::Status::notFound) << state;
    }
}

TEST(LaunchAgent, RefusalsAreThrownWithTheManagersWords)
{
    StubSystemctl systemctl;
    const LaunchAgent agent = systemctl.agent();
    // A refused registration takes back the units it wrote, and says so in a sentence.
    for (const char* refusal : {"refuse", "reload-fails"}) {
        SCOPED_TRACE(refusal);
        systemctl.set(refusal, true);
        const auto error = test::thrown<LaunchAgentError>([&] { agent.registerAgent(); });
        EXPECT_EQ(error.kind, LaunchAgentError::Kind::systemctlFailed);
        EXPECT_EQ(error.message(), QStringLiteral("The user's service manager refused the background updater."));
        EXPECT_FALSE(QFileInfo::exists(agent.servicePath()) || QFileInfo::exists(agent.timerPath()));
        systemctl.set(refusal, false);
    }
    agent.registerAgent();
    systemctl.set("refuse", true);
    EXPECT_EQ(test::thrown<LaunchAgentError>([&] { agent.unregisterAgent(); }),
              LaunchAgentError(LaunchAgentError::Kind::systemctlFailed, QStringLiteral("Access denied")));
    EXPECT_FALSE(QFileInfo::exists(agent.timerPath())) << "the units go even when disabling was refused";
}

TEST(LaunchAgent, APathWithALineBreakWritesNoUnit)
{
    StubSystemctl systemctl;
    for (const char* path : {"/opt/Tavren\nExecStart=/bin/touch /tmp/x\n/bin/tavren-hub", "/opt/Tavren\r/bin/tavren-hub"}) {
        SCOPED_TRACE(path);
        const LaunchAgent agent(QString::fromUtf8(path), systemctl.units(), systemctl.path());
        const auto refused = test::thrown<LaunchAgentError>([&] { agent.registerAgent(); });
        EXPECT_EQ(refused, LaunchAgentError(LaunchAgentError::Kind::lineBreakInPath, QString::fromUtf8(path)));
        EXPECT_EQ(refused.message(), "Background updates cannot start Tavren Hub from here: the path of its folder holds a line break.");
        EXPECT_FALSE(QFileInfo::exists(agent.servicePath()));
        EXPECT_FALSE(systemctl.takeCalls().contains(QStringLiteral("enable --now com.tavren.hub.updater.timer")));
    }
}

TEST(LaunchAgent, RegisterByDefaultOnlyWhenEveryConditionHolds)
{
    struct Case {
        const char* name;
        bool turnedOff;
        QStringList arguments;
        bool installed;
        const char* managerFlag; // a stub flag set before the call
        bool registers;
        QByteArray state = "running";
    };
    const QList<Case> cases{
        {"every condition holds", false, {"tavren-hub"}, true, nullptr, true},
        {"turned off by the user", true, {"tavren-hub"}, true, nullptr, false},
        {"a screenshot run", false, {"tavren-hub", "--snapshot"}, true, nullptr, false},
        {"run from a build tree", false, {"tavren-hub"}, false, nullptr, false},
        {"no user manager", false, {"tavren-hub"}, true, "no-manager", false},
        {"refused: swallowed", false, {"tavren-hub"}, true, "refuse", false},
        {"manager offline", false, {"tavren-hub"}, true, nullptr, false, "offline"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StubSystemctl systemctl;
        QSettings defaults(systemctl.box.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
        if (c.turnedOff)
            defaults.setValue(QStringLiteral("backgroundUpdatesTurnedOff"), true);
        if (c.managerFlag)
            systemctl.set(c.managerFlag, true);
        systemctl.setState(c.state);
        BackgroundUpdater::registerByDefault(defaults, c.arguments, c.installed, systemctl.agent());
        EXPECT_EQ(systemctl.takeCalls().contains(QStringLiteral("enable --now com.tavren.hub.updater.timer")),
                  c.registers || QByteArray(c.managerFlag) == "refuse");
        EXPECT_EQ(QFileInfo::exists(systemctl.agent().servicePath()), c.registers) << "no units left behind";
        systemctl.set(c.managerFlag ? c.managerFlag : "none", false);
        EXPECT_EQ(systemctl.agent().status() == LaunchAgent::Status::enabled, c.registers);
    }

    // An enabled agent is left alone.
    StubSystemctl systemctl;
    QSettings defaults(systemctl.box.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    systemctl.agent().registerAgent();
    systemctl.takeCalls();
    BackgroundUpdater::registerByDefault(defaults, {}, true, systemctl.agent());
    EXPECT_EQ(systemctl.takeCalls(), QStringList({"is-system-running", "is-enabled com.tavren.hub.updater.timer"}));
}

TEST(LaunchAgent, SetEnabledRecordsTheChoiceFirst)
{
    StubSystemctl systemctl;
    QSettings defaults(systemctl.box.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    BackgroundUpdater::setEnabled(true, defaults, systemctl.agent());
    EXPECT_FALSE(defaults.value(QStringLiteral("backgroundUpdatesTurnedOff")).toBool());
    EXPECT_EQ(systemctl.agent().status(), LaunchAgent::Status::enabled);

    systemctl.set("refuse", true);
    EXPECT_THROW(BackgroundUpdater::setEnabled(false, defaults, systemctl.agent()), LaunchAgentError);
    EXPECT_TRUE(QSettings(defaults.fileName(), QSettings::IniFormat).value(QStringLiteral("backgroundUpdatesTurnedOff")).toBool());

    // Once turned off, starting the app never registers again.
    systemctl.set("refuse", false);
    BackgroundUpdater::registerByDefault(defaults, {}, true, systemctl.agent());
    EXPECT_NE(systemctl.agent().status(), LaunchAgent::Status::enabled);
}

TEST(LaunchAgent, ARefusalIsLoggedForTheSwitchButNotAtStart)
{
    StubSystemctl systemctl;
    QSettings defaults(systemctl.box.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    systemctl.set("refuse", true);
    const HubLog log;
    BackgroundUpdater::registerByDefault(defaults, {}, true, systemctl.agent());
    EXPECT_EQ(HubLog::lines, QStringList()) << "a refusal at start is ignored";

    const auto refused = test::thrown<LaunchAgentError>([&] { BackgroundUpdater::setEnabled(true, defaults, systemctl.agent()); });
    EXPECT_EQ(refused.message(), QStringLiteral("The user's service manager refused the background updater."));
    EXPECT_EQ(HubLog::lines, QStringList(QStringLiteral("background updates not turned on: Access denied")));
}

} // namespace
