// Verifies a signed and notarized 100 MB plug-in bundle (a fat executable of 2 × 20 MB, 60 MB of
// resources and a stapled ticket) with the code verifier over the native reader, trusting a notary
// key as a deployment does, and compares it with `sha256sum` over the same files in the same run.
// Prints the best of three runs of each and the ratio verifier / sha256sum (the aim is at most 1.5).
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/security/CodeVerifier.h"
#include "tests/testkit/TestSigner.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <cstdio>

using hub::test::BundleSpec;
using hub::test::SigningIdentity;
using hub::test::TestSigner;

namespace {

constexpr qint64 codeSize = 20 << 20; // per slice
constexpr int resourceFiles = 60;
constexpr qsizetype resourceSize = 1 << 20;

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

QStringList filesIn(const QString& bundle)
{
    QStringList files;
    QDirIterator it(bundle, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/codesign-bench-XXXXXX" : QString());

    BundleSpec spec = BundleSpec::plugIn(QStringLiteral("Large"));
    spec.codeSize = codeSize;
    QRandomGenerator random(7);
    for (int i = 0; i < resourceFiles; ++i) {
        QByteArray data(resourceSize, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        spec.resources.insert(QStringLiteral("Data/chunk%1.bin").arg(i), data);
    }
    std::printf("building a signed bundle in %s\n", qPrintable(dir.path()));
    const QString bundle = TestSigner::build(spec, dir.path(), SigningIdentity::developerId());
    TestSigner::stapleTicket(bundle);
    const QStringList files = filesIn(bundle);
    qint64 bytes = 0;
    for (const QString& file : files)
        bytes += QFileInfo(file).size();

    const hub::CodeVerifier verifier(hub::SignaturePolicy::tavren(),
                                     std::make_shared<hub::NativeCodeSigning>(hub::test::anchors(), nullptr,
                                                                              QList{hub::test::TestNotary::standard().publicKeyDer}));
    double verify = 1e9;
    double baseline = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const bool notarized = verifier.verify(QUrl::fromLocalFile(bundle)).notarized;
        verify = std::min(verify, seconds(timer));
        if (!notarized) {
            std::fprintf(stderr, "the bundle was not found notarized\n");
            return 1;
        }

        QProcess sha;
        sha.setStandardOutputFile(QProcess::nullDevice());
        timer.start();
        sha.start(QStringLiteral("sha256sum"), files);
        if (!sha.waitForFinished(-1) || sha.exitCode() != 0) {
            std::fprintf(stderr, "sha256sum failed\n");
            return 1;
        }
        baseline = std::min(baseline, seconds(timer));
    }
    std::printf("bundle: %.1f MB in %lld files\n", double(bytes) / 1e6, static_cast<long long>(files.size()));
    std::printf("verify (as CodeVerifier::verify makes it, notarization included): %.3f s\n", verify);
    std::printf("sha256sum: %.3f s\n", baseline);
    std::printf("ratio verify / sha256sum: %.2f (aim <= 1.5)\n", verify / baseline);
    return 0;
}
