#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace hub {

// How long the app took from the start of its process to the first store content
// on screen. Only the first report of a process counts: it is logged, and with
// "--measure-launch" printed as one line on standard output before the app quits.
class LaunchClock {
public:
    struct Hooks {
        QStringList arguments;
        std::function<std::optional<qint64>()> processAgeMs; // nothing: unknown
        std::function<void(const QByteArray&)> write;        // standard output
        std::function<void()> quit;
    };

    explicit LaunchClock(Hooks hooks);

    // The clock of this process.
    static LaunchClock& process();

    // Reports the first content, from "cache" or "network"; later calls do nothing.
    // Returns the milliseconds of the first report.
    std::optional<qint64> firstContent(const QString& source);
    // Runs `work` on a later turn of the event loop than the first report (queued at once
    // when it was made already), unless `context` is gone by then.
    void afterFirstContent(QObject* context, std::function<void()> work);

    // The process's age from the kernel's process record, in whole milliseconds.
    static std::optional<qint64> ageFromProc();
    // Parsing of that record: the start (field 22 of /proc/self/stat, in clock
    // ticks since boot) taken from the time since boot.
    static std::optional<qint64> age(const QByteArray& stat, double secondsSinceBoot, long ticksPerSecond);

private:
    void runLater(QObject* context, std::function<void()> work);

    Hooks hooks_;
    bool reported_ = false;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> after_;
};

} // namespace hub
