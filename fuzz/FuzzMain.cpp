#include "fuzz/FuzzSeeds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The target's seeds, made while an application object exists (as the test kit's builders
// expect); none is left behind for the inputs, which libFuzzer runs without one.
QList<QByteArray> madeSeeds(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return hub::fuzz::seeds();
}

} // namespace

// Runs before libFuzzer reads its flags. `--write-seeds DIR` writes the target's seed corpus into
// DIR (seed-000, seed-001, ...) and exits instead of fuzzing.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("LANG", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    if (*argc != 3 || std::strcmp((*argv)[1], "--write-seeds") != 0)
        return 0;
    const QString folder = QString::fromLocal8Bit((*argv)[2]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", (*argv)[2]);
        std::exit(1);
    }
    const QList<QByteArray> seeds = madeSeeds(*argc, *argv);
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

#ifndef HUB_LIBFUZZER
// Without libFuzzer: runs each of the target's seeds through it once. A finding crashes the run.
int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    const QList<QByteArray> seeds = madeSeeds(argc, argv);
    for (const QByteArray& seed : seeds)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(seed.constData()), size_t(seed.size()));
    std::printf("%lld seeds run\n", static_cast<long long>(seeds.size()));
    return 0;
}
#endif
