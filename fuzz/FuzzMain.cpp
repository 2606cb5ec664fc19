#include "fuzz/FuzzSeeds.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
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
// Without libFuzzer: `<Name>Fuzzer [FILE|DIR...]` runs every seed, then every file given (a folder's
// files, in name order), through the target once, and fails on the first that cannot be read.
// A finding crashes the run.
int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    const auto run = [](const QByteArray& input) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
    };
    const QList<QByteArray> seeds = madeSeeds(argc, argv);
    for (const QByteArray& seed : seeds)
        run(seed);
    qsizetype files = 0;
    for (int i = 1; i < argc; ++i) {
        const QString given = QString::fromLocal8Bit(argv[i]);
        QStringList paths{given};
        if (QFileInfo(given).isDir()) {
            paths.clear();
            QDirIterator it(given, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                paths << it.next();
            paths.sort();
        }
        for (const QString& path : paths) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            run(file.readAll());
            ++files;
        }
    }
    std::printf("%lld seeds and %lld files run\n", static_cast<long long>(seeds.size()), static_cast<long long>(files));
    return 0;
}
#endif
