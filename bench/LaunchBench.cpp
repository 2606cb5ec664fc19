// The windowed hub's launch, offscreen against the devstore, beside an empty QWidget
// window's first paint (empty-window, built beside this bench). Each round runs the empty
// window, the hub cold ("--measure-launch --cold": no snapshot, the store's answer), the
// empty window again and the hub warm ("--measure-launch": the snapshot of the run before),
// each timed from its spawn until its line arrives on standard output; the ratios are
// taken round by round, so both sides of a ratio meet the same load, and their medians
// reported (limit: warm at most 5; the cold ratio has none), with each run's peak resident memory.
// Then one hub as a person starts it, left idle: its peak resident memory at first content
// and its resident memory after five idle seconds (limit: at most 64 MiB).
// Runs itself again inside a D-Bus session with a keyring of its own, in a temporary HOME.
// Needs the demo flavour (-DHUB_DEMO=ON). Usage: LaunchBench [rounds] (default 7).

#include "bench/SpawnArgv.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/testkit/OwnSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace hub;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

constexpr const char* childFlag = "HUB_LAUNCH_BENCH_CHILD";
constexpr int quitTimeoutMs = 60'000;

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// A started program with its standard output and error on pipes.
class Child {
public:
    Child(const QString& program, const QStringList& arguments) : start_(Clock::now())
    {
        SpawnArgv argv(program, arguments);
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        start_ = Clock::now();
        const int failed = posix_spawn(&pid_, argv.data()[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        fds_[0] = out[0];
        fds_[1] = err[0];
        if (failed != 0)
            throw std::runtime_error("cannot start " + program.toStdString());
    }
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : fds_)
            ::close(fd);
    }

    pid_t pid() const { return pid_; }
    Clock::time_point start() const { return start_; }

    // Reads both pipes until a line of `stream` (0 out, 1 error) holds `marker`, and returns
    // that line; nothing when the pipes close or `timeoutMs` passes first.
    std::optional<QByteArray> waitForLine(int stream, const QByteArray& marker, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            for (qsizetype newline; (newline = buffers_[stream].indexOf('\n')) >= 0;) {
                const QByteArray line = buffers_[stream].left(newline);
                buffers_[stream].remove(0, newline + 1);
                if (line.contains(marker))
                    return line;
            }
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (left <= 0 || !pump(left))
                return std::nullopt;
        }
    }
    // Drains the pipes for `ms` (so the program never blocks on a full one).
    void idle(int ms)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        for (int left = ms; left > 0; left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count())) {
            if (!pump(left))
                std::this_thread::sleep_until(deadline);
        }
        buffers_[0].clear();
        buffers_[1].clear();
    }
    // Waits for the program to end (draining its output), its peak resident KiB; -1 on time-out.
    long reap(int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (pump(int(std::max<qint64>(1, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count())))) {
            if (Clock::now() > deadline)
                return -1;
            buffers_[0].clear();
            buffers_[1].clear();
        }
        int status = 0;
        rusage usage{};
        while (wait4(pid_, &status, WNOHANG, &usage) == 0) {
            if (Clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("a run ended with status " + std::to_string(status));
        return usage.ru_maxrss;
    }
    void terminate()
    {
        ::kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (waitpid(pid_, nullptr, WNOHANG) == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

private:
    // One read from whichever pipe is ready; false when both are closed or nothing came in time.
    bool pump(int timeoutMs)
    {
        pollfd polled[2] = {{fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0}};
        if (fds_[0] < 0 && fds_[1] < 0)
            return false;
        if (poll(polled, 2, timeoutMs) <= 0)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (!(polled[i].revents & (POLLIN | POLLHUP)))
                continue;
            char chunk[4096];
            const ssize_t got = ::read(fds_[i], chunk, sizeof chunk);
            if (got > 0) {
                buffers_[i].append(chunk, got);
            } else {
                ::close(fds_[i]);
                fds_[i] = -1;
            }
        }
        return true;
    }

    pid_t pid_ = -1;
    int fds_[2] = {-1, -1};
    QByteArray buffers_[2];
    Clock::time_point start_;
};

struct Run {
    double ms = 0;       // spawn to the line
    double ownMs = 0;    // the hub's own figure (from its process start, in clock ticks)
    QByteArray source;   // "cache" or "network" (the hub's line)
    long peakKiB = 0;    // over the whole run, which ends at first content
};

Run emptyWindow(const QString& bin)
{
    Child child(bin + QStringLiteral("/empty-window"), {});
    if (!child.waitForLine(0, "first-paint", quitTimeoutMs))
        throw std::runtime_error("the empty window did not paint");
    Run run{msSince(child.start())};
    run.peakKiB = child.reap(quitTimeoutMs);
    return run;
}

Run hub(const QString& bin, const QStringList& arguments)
{
    Child child(bin + QStringLiteral("/tavren-hub"), QStringList{QStringLiteral("--measure-launch")} + arguments);
    const std::optional<QByteArray> line = child.waitForLine(0, "launch-to-first-content-ms", quitTimeoutMs);
    if (!line)
        throw std::runtime_error("the hub printed no launch line");
    Run run{msSince(child.start())};
    const QList<QByteArray> words = line->trimmed().split(' ');
    if (words.size() == 3) {
        run.ownMs = words.at(1).toDouble();
        run.source = words.at(2);
    }
    run.peakKiB = child.reap(quitTimeoutMs);
    if (run.peakKiB < 0)
        throw std::runtime_error("the hub did not quit after its launch line");
    return run;
}

// A value of /proc/<pid>/status, in its own unit (KiB for memory).
long status(pid_t pid, const char* field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

qsizetype sharedObjects(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QSet<QByteArray> paths;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && line.contains(".so"))
            paths.insert(line.mid(slash));
    }
    return paths.size();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

double mib(long kib) { return double(kib) / 1024; }

QByteArray load()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

int bench(int rounds)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment()) {
        std::puts("LaunchBench needs the demo flavour (configure with -DHUB_DEMO=ON)");
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString bin = QCoreApplication::applicationDirPath();
    std::printf("load average at the start: %s\n", load().constData());

    // The first cold run leaves the snapshot that the warm runs show; one round warms the page cache.
    emptyWindow(bin);
    hub(bin, {QStringLiteral("--cold")});
    if (hub(bin, {}).source != "cache")
        throw std::runtime_error("the warm run found no snapshot");

    QList<double> empty, cold, warm, coldRatio, warmRatio, coldOwn, warmOwn;
    long emptyPeak = 0, coldPeak = 0, warmPeak = 0;
    for (int i = 0; i < rounds; ++i) {
        const Run e1 = emptyWindow(bin);
        const Run c = hub(bin, {QStringLiteral("--cold")});
        const Run e2 = emptyWindow(bin);
        const Run w = hub(bin, {});
        empty << e1.ms << e2.ms;
        cold << c.ms;
        warm << w.ms;
        coldOwn << c.ownMs;
        warmOwn << w.ownMs;
        coldRatio << c.ms / e1.ms;
        warmRatio << w.ms / e2.ms;
        emptyPeak = std::max({emptyPeak, e1.peakKiB, e2.peakKiB});
        coldPeak = std::max(coldPeak, c.peakKiB);
        warmPeak = std::max(warmPeak, w.peakKiB);
    }
    std::printf("empty QWidget window, spawn to first paint: median %.1f ms, best %.1f ms (%d rounds, 2 each)\n", median(empty),
                *std::min_element(empty.begin(), empty.end()), rounds);
    std::printf("hub cold (network), spawn to first content: median %.1f ms, best %.1f ms (own figure median %.0f ms)\n",
                median(cold), *std::min_element(cold.begin(), cold.end()), median(coldOwn));
    std::printf("hub warm (cache), spawn to first content: median %.1f ms, best %.1f ms (own figure median %.0f ms)\n",
                median(warm), *std::min_element(warm.begin(), warm.end()), median(warmOwn));
    std::printf("ratio to the empty window, paired round by round: cold median %.2f (best %.2f), "
                "warm median %.2f (best %.2f; limit: at most 5)\n",
                median(coldRatio), *std::min_element(coldRatio.begin(), coldRatio.end()), median(warmRatio),
                *std::min_element(warmRatio.begin(), warmRatio.end()));
    std::printf("peak resident memory of a run to first content: empty window %.1f MiB, hub cold %.1f MiB, hub warm %.1f MiB\n",
                mib(emptyPeak), mib(coldPeak), mib(warmPeak));

    // The window as a person starts it (sessions in the keyring), left alone for five seconds.
    qputenv("QT_LOGGING_RULES", "com.tavren.hub.launch.debug=true");
    Child window(bin + QStringLiteral("/tavren-hub"), {});
    qunsetenv("QT_LOGGING_RULES");
    if (!window.waitForLine(1, "launch to first content", quitTimeoutMs))
        throw std::runtime_error("the hub window reported no first content");
    const long peakAtContent = status(window.pid(), "VmHWM:");
    window.idle(5000);
    const long idleResident = status(window.pid(), "VmRSS:");
    const long idlePeak = status(window.pid(), "VmHWM:");
    std::printf("hub window: peak resident memory at first content %.1f MiB; after five idle seconds resident %.1f MiB "
                "(limit: at most 64), peak %.1f MiB, %ld threads, %lld shared objects\n",
                mib(peakAtContent), mib(idleResident), mib(idlePeak), status(window.pid(), "Threads:"),
                static_cast<long long>(sharedObjects(window.pid())));
    window.terminate();
    std::printf("load average at the end: %s\n", load().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "C.UTF-8");
    QCoreApplication app(argc, argv);
    if (!qEnvironmentVariableIsSet(childFlag)) {
        QTemporaryDir sandbox;
        return test::runInOwnSession(test::sandboxedEnvironment(sandbox.path(), QString::fromLatin1(childFlag)),
                                     QCoreApplication::arguments().mid(1), -1);
    }
    try {
        return bench(argc > 1 ? std::max(1, std::atoi(argv[1])) : 7);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "LaunchBench: %s\n", error.what());
        return 1;
    }
}
