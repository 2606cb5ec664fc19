#include "fuzz/FuzzSeeds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Runs before libFuzzer reads its flags. `--write-seeds DIR` writes the target's seed corpus into
// DIR (seed-000, seed-001, ...) and exits instead of fuzzing.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("LANG", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    if (*argc != 3 || std::strcmp((*argv)[1], "--write-seeds") != 0)
        return 0;
    QCoreApplication app(*argc, *argv);
    const QString folder = QString::fromLocal8Bit((*argv)[2]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", (*argv)[2]);
        std::exit(1);
    }
    const QList<QByteArray> seeds = hub::fuzz::seeds();
    for (qsizetype i = 0; i < seeds.size(); ++i) {
        QFile file(folder + QStringLiteral("/seed-%1").arg(i, 3, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(seeds.at(i)) != seeds.at(i).size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
    }
    std::printf("%lld seeds written to %s\n", static_cast<long long>(seeds.size()), (*argv)[2]);
    std::exit(0);
}
