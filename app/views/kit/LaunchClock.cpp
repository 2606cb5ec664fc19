#include "app/views/kit/LaunchClock.h"

#include "app/platform/QueuedQuit.h"
#include "app/views/kit/LaunchLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace hub {

Q_LOGGING_CATEGORY(launchLog, "com.tavren.hub.launch")

LaunchClock::LaunchClock(Hooks hooks) : hooks_(std::move(hooks)) {}

LaunchClock& LaunchClock::process()
{
    static LaunchClock clock([] {
        Hooks hooks;
        hooks.arguments = QCoreApplication::arguments();
        hooks.processAgeMs = &LaunchClock::ageFromProc;
        hooks.write = [](const QByteArray& line) {
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
            std::fflush(stdout);
        };
        hooks.quit = &queuedQuit;
        return hooks;
    }());
    return clock;
}

std::optional<qint64> LaunchClock::firstContent(const QString& source)
{
    if (reported_)
        return std::nullopt;
    reported_ = true;
    // The kernel's record may be unreadable: then the figure runs from this report.
    const qint64 ms = std::max<qint64>(0, hooks_.processAgeMs ? hooks_.processAgeMs().value_or(0) : 0);
    qCDebug(launchLog, "launch to first content: %lld ms (%s)", static_cast<long long>(ms), qUtf8Printable(source));
    if (hooks_.arguments.contains(QStringLiteral("--measure-launch"))) {
        if (hooks_.write)
            hooks_.write("launch-to-first-content-ms " + QByteArray::number(ms) + ' ' + source.toUtf8() + '\n');
        if (hooks_.quit)
            hooks_.quit();
    }
    for (auto& [context, work] : std::exchange(after_, {}))
        runLater(context, std::move(work));
    return ms;
}

void LaunchClock::afterFirstContent(QObject* context, std::function<void()> work)
{
    if (reported_)
        runLater(context, std::move(work));
    else
        after_.append({context, std::move(work)});
}

void LaunchClock::runLater(QObject* context, std::function<void()> work)
{
    if (context)
        QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

std::optional<qint64> LaunchClock::age(const QByteArray& stat, double secondsSinceBoot, long ticksPerSecond)
{
    // "pid (comm) state ppid ..."; comm may hold blanks and parentheses, so count
    // fields after the last ')'. starttime is field 22, the 20th after it.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || ticksPerSecond <= 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() < 20)
        return std::nullopt;
    bool ok = false;
    const qulonglong ticks = fields[19].toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    const double startSeconds = double(ticks) / double(ticksPerSecond);
    return qint64((secondsSinceBoot - startSeconds) * 1000);
}

std::optional<qint64> LaunchClock::ageFromProc()
{
    // The record counts in clock ticks (10 ms on Linux), so the figure is that coarse.
    QFile file(QStringLiteral("/proc/self/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return std::nullopt;
    return age(file.readAll(), double(now.tv_sec) + double(now.tv_nsec) / 1e9, sysconf(_SC_CLK_TCK));
}

} // namespace hub
