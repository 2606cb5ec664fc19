// Installs a zip product of about 1 GiB (a signed plug-in with large resources)
// through the install pipeline from the devstore's download host (its own process) into a
// temporary home, and does the same steps with common tools in the same run: curl downloads,
// bsdtar unpacks, sha256sum reads every file, mv puts the bundle in place.
// Prints the best of two runs of each, the ratio pipeline / tools (aim: at most
// 1.3) and the pipeline's peak resident memory (aim: under 64 MiB; the server
// runs in a child process). The signature check reads sealed files a window at a
// time, so the peak does not grow with the size of the resource files (16 MiB here).
// Usage: InstallBench [MiB] (default 1024).

#include "bench/ResidentMemory.h"
#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/install/InstallPipeline.h"
#include "kit/platform/FileManager.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/testkit/ScriptedTransport.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestSigner.h"
#include "tests/testkit/ZipBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <clocale>
#include <cstdio>

using namespace hub;
using hub::bench::peakResidentKiB;
using hub::bench::resetPeakResident;
using Clock = std::chrono::steady_clock;

namespace {

constexpr qint64 resourceFileSize = 16 << 20;

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Synth.vst3, signed, with `bytes` of random samples in 16 MiB files; zipped without
// compression (samples do not compress) into `zip`.
void buildProduct(const QString& scratch, const QString& zip, qint64 bytes)
{
    test::BundleSpec spec = test::BundleSpec::plugIn(QStringLiteral("Synth"));
    const QString bundle = test::TestSigner::build(spec, scratch, test::SigningIdentity::developerId());
    QDir().mkpath(bundle + QStringLiteral("/Contents/Resources/Samples"));
    QRandomGenerator random(11);
    QByteArray block(resourceFileSize, Qt::Uninitialized);
    for (qint64 written = 0, n = 0; written < bytes; written += block.size(), ++n) {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        QFile file(bundle + QStringLiteral("/Contents/Resources/Samples/bank%1.bin").arg(n, 3, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(block) != block.size())
            throw std::runtime_error("cannot write the samples");
    }
    test::TestSigner::sign(bundle, test::SigningIdentity::developerId());

    test::ZipBuilder builder(zip);
    builder.setStored(true);
    const QDir base(scratch);
    QDirIterator it(bundle, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    builder.add(test::ArchiveEntry::directory(base.relativeFilePath(bundle).toUtf8()));
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray name = base.relativeFilePath(path).toUtf8();
        if (it.fileInfo().isDir()) {
            builder.add(test::ArchiveEntry::directory(name));
            continue;
        }
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        builder.add(test::ArchiveEntry::file(name, file.readAll(), it.fileInfo().isExecutable() ? 0755 : 0644));
    }
    builder.finish();
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "");
    const qint64 mebibytes = argc > 1 ? std::atoll(argv[1]) : 1024;

    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString state = folder.filePath(QStringLiteral("devstore"));
    QDir().mkpath(state + QStringLiteral("/bench"));
    const QString zip = state + QStringLiteral("/bench/Synth.zip");
    buildProduct(folder.filePath(QStringLiteral("build")), zip, mebibytes << 20);
    FileManager::removeItem(folder.filePath(QStringLiteral("build")));
    const qint64 size = QFileInfo(zip).size();

    const test::DevstoreProcess devstore(state);
    const Deployment deployment = devstore.deployment();
    const QString url = devstore.control("POST", QStringLiteral("/__devstore/files"),
                                         {{"path", "bench/Synth.zip"}, {"name", "Synth.zip"}})
                                .value("location")
                                .toString();
    const QString caFile = state + QStringLiteral("/ca.pem");
    const QString home = folder.filePath(QStringLiteral("home"));
    const QString plugIns = home + QStringLiteral("/Library/Audio/Plug-Ins/VST3");
    QDir().mkpath(plugIns);

    // The tools: download, unpack, hash every file, move into place.
    const auto runTools = [&] {
        const QString download = folder.filePath(QStringLiteral("tools.zip"));
        const QString unpacked = folder.filePath(QStringLiteral("tools"));
        QDir().mkpath(unpacked);
        const auto start = Clock::now();
        const bool ok = run(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("--fail"), QStringLiteral("--connect-to"),
                                                     QStringLiteral("::127.0.0.1:") + QString::number(devstore.port()),
                                                     QStringLiteral("--cacert"), caFile, QStringLiteral("-o"), download, url})
            && run(QStringLiteral("bsdtar"), {QStringLiteral("-xf"), download, QStringLiteral("-C"), unpacked})
            && run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("find \"$1\" -type f -exec sha256sum {} + >/dev/null"),
                                          QStringLiteral("sh"), unpacked})
            && run(QStringLiteral("mv"), {unpacked + QStringLiteral("/Synth.vst3"), folder.filePath(QStringLiteral("tools-placed"))});
        const double elapsed = seconds(Clock::now() - start);
        FileManager::removeItem(download);
        FileManager::removeItem(unpacked);
        FileManager::removeItem(folder.filePath(QStringLiteral("tools-placed")));
        return ok ? elapsed : -1.0;
    };

    const HostPolicy policy = HostPolicy::from(deployment);
    auto store = std::make_shared<ScriptedTransport>();
    store->route("GET", "/links/synth", 200, QJsonDocument(QJsonObject{{"location", url}}).toJson());
    auto tokens = std::make_shared<InMemoryTokenPersistence>();
    tokens->save({QStringLiteral("access"), QStringLiteral("refresh"), QDateTime::currentDateTimeUtc().addDays(1)});
    const QString work = folder.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    QDir().mkpath(folder.filePath(QStringLiteral("support")));
    const CodeVerifier verifier(SignaturePolicy::tavren(), std::make_shared<NativeCodeSigning>(test::anchors()));
    BundleInstaller installer(verifier, home, folder.filePath(QStringLiteral("Applications")), [](const QString& item) {
        FileManager::removeItem(item);
        return QString(); // gone: nothing to put back
    });
    installer.isRunning = [](const QString&) { return false; };
    const InstallPipeline pipeline(
        std::make_shared<MoonbaseClient>(policy, store, tokens),
        std::make_shared<const Downloader>(policy, PinnedTrust::from(deployment), work, ConnectionOptions::from(deployment)),
        Extractor(verifier), installer, std::make_shared<InstallLedger>(folder.filePath(QStringLiteral("support"))), work);
    const InstallRequest request{QStringLiteral("synth"), QStringLiteral("Synth"), QStringLiteral("1.0"),
                                 Download{QStringLiteral("Synth.zip"), QStringLiteral("synth-mac"), Platform::mac, size,
                                          QStringLiteral("https://") + deployment.apiHost + QStringLiteral("/links/synth")}};

    long peakKiB = 0;
    long startKiB = -1;
    const auto runPipeline = [&] {
        resetPeakResident();
        if (startKiB < 0)
            startKiB = peakResidentKiB();
        const auto start = Clock::now();
        try {
            pipeline.run(request, std::nullopt, {});
        } catch (const std::exception& error) {
            std::fprintf(stderr, "install failed: %s\n", error.what());
            return -1.0;
        }
        const double elapsed = seconds(Clock::now() - start);
        peakKiB = std::max(peakKiB, peakResidentKiB());
        return elapsed;
    };

    // Alternate the two and keep the best of each, so neither gets a warmer machine.
    double toolsBest = 1e9;
    double pipelineBest = 1e9;
    for (int round = 0; round < 2; ++round) {
        const double toolsTime = runTools();
        const double pipelineTime = runPipeline();
        if (toolsTime < 0 || pipelineTime < 0) {
            std::fprintf(stderr, "a run failed (tools %.2f s, pipeline %.2f s)\n", toolsTime, pipelineTime);
            return 1;
        }
        toolsBest = std::min(toolsBest, toolsTime);
        pipelineBest = std::min(pipelineBest, pipelineTime);
    }

    const double mib = double(size) / double(1 << 20);
    std::printf("zip: %lld bytes (%.0f MiB)\n", static_cast<long long>(size), mib);
    std::printf("curl + bsdtar + sha256sum + mv: %.3f s\n", toolsBest);
    std::printf("install pipeline:               %.3f s\n", pipelineBest);
    std::printf("ratio (pipeline / tools): %.2f (aim <= 1.30)\n", pipelineBest / toolsBest);
    std::printf("pipeline peak resident memory: %.1f MiB (aim < 64), %.1f MiB of it before the run\n",
                double(peakKiB) / 1024.0, double(startKiB) / 1024.0);
    return 0;
}
