#pragma once

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

    // The process's age from the kernel's process record, in whole milliseconds.
    static std::optional<qint64> ageFromProc();
    // Parsing of that record: the start (field 22 of /proc/self/stat, in clock
    // ticks since boot) taken from the time since boot.
    static std::optional<qint64> age(const QByteArray& stat, double secondsSinceBoot, long ticksPerSecond);

private:
    Hooks hooks_;
    bool reported_ = false;
};

} // namespace hub
