#include "app/platform/LaunchAgent.h"

#include "app/platform/LaunchAgentError.h"
#include "kit/support/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <system_error>

namespace hub {

namespace {

constexpr int systemctlTimeoutMs = 30'000;

// The states a user manager that runs reports; without one systemctl says "offline"
// (no user bus), "unknown" or nothing.
constexpr std::array<QLatin1StringView, 6> runningManagerStates{
    QLatin1StringView("initializing"), QLatin1StringView("starting"), QLatin1StringView("running"),
    QLatin1StringView("degraded"), QLatin1StringView("maintenance"), QLatin1StringView("stopping")};

// The program of ExecStart=, quoted: systemd reads '%' as a specifier but expands no
// variables in a program, so a '$' stays as it is. (It starts no program whose path
// holds a quote, a backslash or a control character; a line break would end the line.)
QString unitProgram(const QString& path)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (c == u'%')
            out += u'%';
        out += c;
    }
    return out + u'"';
}

} // namespace

LaunchAgent::LaunchAgent(QString executable, QString unitFolder, QString systemctl)
    : executable_(std::move(executable)), unitFolder_(std::move(unitFolder)), systemctl_(std::move(systemctl))
{
}

QString LaunchAgent::defaultUnitFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/systemd/user");
}

QString LaunchAgent::servicePath() const { return QDir(unitFolder_).filePath(QString::fromLatin1(serviceName)); }
QString LaunchAgent::timerPath() const { return QDir(unitFolder_).filePath(QString::fromLatin1(timerName)); }

QString LaunchAgent::serviceUnit() const
{
    return QStringLiteral("[Unit]\n"
                          "Description=Tavren Hub background updates\n"
                          "\n"
                          "[Service]\n"
                          "Type=oneshot\n"
                          "ExecStart=%1 --background-update\n")
        .arg(unitProgram(executable_));
}

QString LaunchAgent::timerUnit() const
{
    return QStringLiteral("[Unit]\n"
                          "Description=Tavren Hub background updates, every six hours\n"
                          "\n"
                          "[Timer]\n"
                          "OnCalendar=*-*-* 00/6:00:00\n"
                          "RandomizedDelaySec=30min\n"
                          "Persistent=true\n"
                          "Unit=%1\n"
                          "\n"
                          "[Install]\n"
                          "WantedBy=timers.target\n")
        .arg(QString::fromLatin1(serviceName));
}

LaunchAgent::Answer LaunchAgent::systemctl(const QStringList& arguments) const
{
    QProcess process;
    process.setProgram(systemctl_);
    process.setArguments(QStringList{QStringLiteral("--user")} + arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    Answer answer;
    if (!process.waitForStarted(systemctlTimeoutMs)) {
        answer.errors = process.errorString();
        return answer;
    }
    answer.started = true;
    if (!process.waitForFinished(systemctlTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        answer.errors = QStringLiteral("systemctl did not answer");
        return answer;
    }
    answer.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    answer.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    answer.errors = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return answer;
}

void LaunchAgent::check(const Answer& answer) const
{
    if (answer.status == 0)
        return;
    const QString detail = answer.errors.isEmpty() ? QStringLiteral("status %1").arg(answer.status) : answer.errors;
    throw LaunchAgentError(LaunchAgentError::Kind::systemctlFailed, detail);
}

LaunchAgent::Status LaunchAgent::status() const
{
    const Answer manager = systemctl({QStringLiteral("is-system-running")});
    if (!manager.started || std::ranges::find(runningManagerStates, manager.output) == runningManagerStates.end())
        return Status::notFound;
    if (!QFileInfo::exists(servicePath()) || !QFileInfo::exists(timerPath()))
        return Status::notRegistered;
    const Answer timer = systemctl({QStringLiteral("is-enabled"), QString::fromLatin1(timerName)});
    return timer.output == u"enabled" ? Status::enabled : Status::notRegistered;
}

void LaunchAgent::writeUnits() const
{
    // The rest of the path would be read as lines of the unit's own.
    if (executable_.contains(u'\n') || executable_.contains(u'\r'))
        throw LaunchAgentError(LaunchAgentError::Kind::lineBreakInPath, executable_);
    try {
        if (!QDir().mkpath(unitFolder_))
            throw std::system_error(errno, std::generic_category(), unitFolder_.toStdString());
        AtomicFile::write(servicePath(), serviceUnit().toUtf8());
        AtomicFile::write(timerPath(), timerUnit().toUtf8());
    } catch (const std::system_error& error) {
        throw LaunchAgentError(LaunchAgentError::Kind::cannotWrite, QString::fromLocal8Bit(error.what()));
    }
}

void LaunchAgent::registerAgent() const
{
    try {
        writeUnits();
        check(systemctl({QStringLiteral("daemon-reload")}));
        check(systemctl({QStringLiteral("enable"), QStringLiteral("--now"), QString::fromLatin1(timerName)}));
    } catch (const LaunchAgentError&) {
        // Takes back what this registration did; its own failure is the one reported.
        try {
            unregisterAgent();
        } catch (const LaunchAgentError&) {
        }
        throw;
    }
}

void LaunchAgent::unregisterAgent() const
{
    if (!QFileInfo::exists(servicePath()) && !QFileInfo::exists(timerPath()))
        return;
    const Answer disabled = systemctl({QStringLiteral("disable"), QStringLiteral("--now"), QString::fromLatin1(timerName)});
    const bool removed = (!QFileInfo::exists(timerPath()) || QFile::remove(timerPath()))
                         && (!QFileInfo::exists(servicePath()) || QFile::remove(servicePath()));
    if (disabled.status == 0)
        systemctl({QStringLiteral("daemon-reload")});
    check(disabled);
    if (!removed)
        throw LaunchAgentError(LaunchAgentError::Kind::cannotWrite, QStringLiteral("cannot remove the units in ") + unitFolder_);
}

} // namespace hub
