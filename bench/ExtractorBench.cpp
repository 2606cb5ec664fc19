// Unzips a 1 GiB archive through the extractor (zipinfo, ditto, link and size
// checks, bundle search, staging) and compares it with `bsdtar -xf` unpacking the
// same archive in the same run. Prints the best of three runs of each and the
// ratio extractor / bsdtar (the aim is at most 1.25).
#include "kit/install/Extractor.h"
#include "tests/testkit/ArchiveEntry.h"
#include "tests/testkit/ZipBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <cstdio>

using hub::test::ArchiveEntry;
using hub::test::ZipBuilder;

namespace {

constexpr int bundles = 4;
constexpr int filesPerBundle = 256;
constexpr qsizetype fileSize = 1 << 20; // 4 × 256 × 1 MiB = 1 GiB

void buildArchive(const QString& path)
{
    QRandomGenerator random(42);
    QByteArray block(4096, Qt::Uninitialized);
    ZipBuilder zip(path);
    for (int b = 0; b < bundles; ++b) {
        const QByteArray bundle = "Plug" + QByteArray::number(b) + ".vst3";
        zip.add(ArchiveEntry::bundle(bundle));
        for (int f = 0; f < filesPerBundle; ++f) {
            // Random 4 KiB blocks, each repeated a few times: deflates about 4:1.
            QByteArray data;
            data.reserve(fileSize);
            while (data.size() < fileSize) {
                random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
                for (int r = 0; r < 4 && data.size() < fileSize; ++r)
                    data += block;
            }
            zip.add(ArchiveEntry::file(bundle + "/Contents/Resources/data" + QByteArray::number(f), data));
        }
    }
    zip.finish();
}

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/extractor-bench-XXXXXX" : QString());
    const QString zip = dir.path() + "/archive.zip";
    std::printf("building a 1 GiB archive in %s\n", qPrintable(dir.path()));
    buildArchive(zip);

    hub::Extractor extractor;
    double best = 1e9;
    double baseline = 1e9;
    for (int run = 0; run < 3; ++run) {
        const QString work = dir.path() + "/work" + QString::number(run);
        QDir().mkpath(work);
        QElapsedTimer timer;
        timer.start();
        const auto extraction = extractor.extract(zip, hub::ArtifactKind::zip, work);
        best = std::min(best, seconds(timer));
        if (extraction.bundles.size() != bundles) {
            std::fprintf(stderr, "expected %d bundles, found %lld\n", bundles, static_cast<long long>(extraction.bundles.size()));
            return 1;
        }
        QDir(work).removeRecursively();

        const QString plain = dir.path() + "/bsdtar" + QString::number(run);
        QDir().mkpath(plain);
        timer.restart();
        if (QProcess::execute("/usr/bin/bsdtar", {"-xf", zip, "-C", plain}) != 0) {
            std::fprintf(stderr, "bsdtar failed\n");
            return 1;
        }
        baseline = std::min(baseline, seconds(timer));
        QDir(plain).removeRecursively();
    }
    std::printf("extractor: %.3f s\nbsdtar -xf: %.3f s\nratio: %.3f (aim <= 1.25)\n", best, baseline, best / baseline);
    return 0;
}
