// The windowed hub's launch, offscreen against the devstore: "tavren-hub --measure-launch"
// prints the milliseconds from its process start to the first store content on screen and
// quits. Cold (--cold: no snapshot, the store's answer) and warm (the last snapshot), each the
// best of several runs, beside an empty QCoreApplication run in the same session, as ratios.
// Needs the demo flavour (-DHUB_DEMO=ON). Usage: LaunchBench [runs] (default 5).

#include "tests/devstore/DevstoreProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>

using namespace hub;

namespace {

// The figure the hub printed, and the source it named.
std::pair<double, QString> launch(const QStringList& arguments)
{
    QProcess hub;
    hub.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tavren-hub"), QStringList{QStringLiteral("--measure-launch")} + arguments);
    if (!hub.waitForFinished(120'000))
        throw std::runtime_error("the hub did not quit");
    const QList<QByteArray> words = hub.readAllStandardOutput().trimmed().split(' ');
    if (words.size() != 3 || words.at(0) != "launch-to-first-content-ms")
        throw std::runtime_error("no launch line");
    return {words.at(1).toDouble(), QString::fromUtf8(words.at(2))};
}

double emptyRun()
{
    QElapsedTimer clock;
    clock.start();
    QProcess empty;
    empty.start(QCoreApplication::applicationDirPath() + QStringLiteral("/empty-core-app"), {});
    empty.waitForFinished();
    return double(clock.nsecsElapsed()) / 1e6;
}

int bench(int runs)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment()) {
        std::puts("LaunchBench needs the demo flavour (configure with -DHUB_DEMO=ON)");
        return 0;
    }
    QTemporaryDir home;
    for (const char* folder : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
        qputenv(folder, QFile::encodeName(home.filePath(QString::fromLatin1(folder))));
    qputenv("QT_QPA_PLATFORM", "offscreen");

    double empty = 1e9, cold = 1e9, warm = 1e9;
    QString warmSource;
    for (int i = 0; i < runs; ++i) {
        empty = std::min(empty, emptyRun());
        cold = std::min(cold, launch({QStringLiteral("--cold")}).first);
        const auto [ms, source] = launch({});
        warm = std::min(warm, ms);
        warmSource = source;
    }
    std::printf("empty QCoreApplication run: %.1f ms (best of %d)\n", empty, runs);
    std::printf("launch to first content, cold (network): %.1f ms; ratio to empty %.2f\n", cold, cold / empty);
    std::printf("launch to first content, warm (%s): %.1f ms; ratio to empty %.2f\n", qPrintable(warmSource), warm, warm / empty);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "C.UTF-8");
    QCoreApplication app(argc, argv);
    try {
        return bench(argc > 1 ? std::max(1, std::atoi(argv[1])) : 5);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "LaunchBench: %s\n", error.what());
        return 1;
    }
}
