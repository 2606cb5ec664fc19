// The headless background update with nothing to do (one product, up to date) against the
// devstore, timed as a whole process run of "tavren-hub --background-update", beside an
// empty QCoreApplication run in the same session. Prints the best of several runs of each,
// the ratio (limit: at most 10) and the run's peak resident memory.
// Runs itself again inside a D-Bus session with a keyring of its own, in a temporary HOME.
// Needs the demo flavour (-DHUB_DEMO=ON). Usage: BackgroundUpdateBench [runs] (default 7).

#include "bench/SpawnArgv.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/devstore/InstalledAsTheApp.h"
#include "tests/testkit/OwnSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace hub;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

constexpr const char* childFlag = "HUB_BACKGROUND_BENCH_CHILD";

struct Measured {
    double milliseconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// One process run, timed from spawn to reaping, with its own peak resident size.
Measured spawnAndWait(const QString& program, const QStringList& arguments)
{
    SpawnArgv argv(program, arguments);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv.data()[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program.toStdString());
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(), usage.ru_maxrss,
            WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

int bench(int runs)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment()) {
        std::puts("BackgroundUpdateBench needs the demo flavour (configure with -DHUB_DEMO=ON)");
        return 0;
    }
    test::installAsTheApp(QStringLiteral("tv-reverb"));

    const QString bin = QCoreApplication::applicationDirPath();
    qputenv("QT_QPA_PLATFORM", "no-such-platform");
    Measured empty{1e9}, pass{1e9};
    long peakKiB = 0;
    for (int i = 0; i < runs; ++i) {
        const Measured e = spawnAndWait(bin + QStringLiteral("/empty-core-app"), {});
        const Measured p = spawnAndWait(bin + QStringLiteral("/tavren-hub"), {QStringLiteral("--background-update")});
        if (p.status != 0)
            throw std::runtime_error("the headless run failed");
        empty.milliseconds = std::min(empty.milliseconds, e.milliseconds);
        pass.milliseconds = std::min(pass.milliseconds, p.milliseconds);
        peakKiB = std::max(peakKiB, p.peakKiB);
    }
    const std::optional<InstallRecord> record = InstallLedger(AppDirectories::support()).record(QStringLiteral("tv-reverb"));
    std::printf("empty QCoreApplication run: %.1f ms (best of %d)\n", empty.milliseconds, runs);
    std::printf("headless pass, one product up to date (%s): %.1f ms (best of %d)\n",
                record ? qPrintable(record->version) : "no record", pass.milliseconds, runs);
    std::printf("ratio pass / empty: %.2f (limit: at most 10)\n", pass.milliseconds / empty.milliseconds);
    std::printf("peak resident memory of the pass: %.1f MiB\n", double(peakKiB) / 1024);
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
        std::fprintf(stderr, "BackgroundUpdateBench: %s\n", error.what());
        return 1;
    }
}
