#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <chrono>

namespace hub {

// Runs a system tool by absolute path, without a shell, with a fixed minimal
// environment, standard input from /dev/null, both outputs captured, and a time-out.
// A tool that outlives its time-out is sent SIGTERM (with its process group), then
// SIGKILL once the grace period has passed, is always reaped, and the call throws
// InstallError::toolFailed(name, "timed out"). A tool that cannot be launched
// throws std::system_error and leaves no descriptor behind. A tool dies with the
// thread that started it (SIGKILL from the kernel), so a killed hub leaves no tool
// writing on; the calling thread blocks until the tool ends, so that is the process.
class Subprocess {
public:
    struct Result {
        int status = 0;    // the exit code, or the signal number for a tool killed by one
        QByteArray stdout; // raw bytes
        QString stderr;    // UTF-8, invalid sequences replaced by U+FFFD

        bool operator==(const Result&) const = default;
    };

    static constexpr std::chrono::milliseconds defaultTerminationGrace{5000};

    // Returns whatever the exit status; the caller judges it.
    static Result run(const QString& tool, const QStringList& arguments, double timeout,
                      std::chrono::milliseconds terminationGrace = defaultTerminationGrace);
    // run, then a non-zero status throws InstallError::toolFailed(name, trimmed stderr).
    static Result check(const QString& tool, const QStringList& arguments, double timeout,
                        std::chrono::milliseconds terminationGrace = defaultTerminationGrace);

    // A non-zero status throws InstallError::toolFailed(name, trimmed stderr).
    static void checkStatus(const QString& tool, const Result& result);

    // Exactly PATH, HOME, TMPDIR and LANG; nothing else of ours reaches a tool.
    static const QMap<QString, QString>& environment();

    Subprocess() = delete;
};

} // namespace hub
