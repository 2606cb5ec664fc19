// Downloads 1 GiB from the loopback TLS server with the Downloader and with the
// curl command-line tool (same server, same run), and prints the throughput
// ratio (aim: at least 0.9) and the downloader's peak resident memory (aim:
// under 64 MiB). Usage: DownloaderBench [MiB] (default 1024).

#include "bench/ResidentMemory.h"
#include "kit/downloads/Downloader.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/LoopbackTlsServer.h"

#include <QCoreApplication>
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

const QString host = QStringLiteral("bucket.objects.test");

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

} // namespace

int main(int argc, char** argv)
{
    qputenv("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    const qint64 size = mebibytes << 20;

    QTemporaryDir folder;
    const auto chain = CertificateFactory::chain(host);
    const QString caFile = folder.filePath(QStringLiteral("ca.pem"));
    CertificateFactory::writePem(caFile, {chain.root});

    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
    LoopbackTlsServer server(chain);
    server.route("/big", LoopbackTlsServer::file(block, {.etag = "\"big\"", .size = size}));
    const QString url = QStringLiteral("https://bucket.objects.test/big");

    const auto runCurl = [&] {
        const QString output = folder.filePath(QStringLiteral("curl.out"));
        const auto start = Clock::now();
        const int status = QProcess::execute(
            QStringLiteral("curl"),
            {QStringLiteral("-sS"), QStringLiteral("--fail"), QStringLiteral("--connect-to"),
             host + QStringLiteral(":443:127.0.0.1:") + QString::number(server.port()), QStringLiteral("--cacert"), caFile,
             QStringLiteral("-o"), output, url});
        const double elapsed = seconds(Clock::now() - start);
        const bool complete = status == 0 && QFile(output).size() == size;
        QFile::remove(output);
        return complete ? elapsed : -1.0;
    };

    const Downloader downloader(HostPolicy{QStringLiteral("api.store.test"), {}, {QStringLiteral("objects.test")}},
                                PinnedTrust{{}, {{QStringLiteral("objects.test"), {chain.root.spkiPin()}}}}, folder.path(),
                                ConnectionOptions{.connectTo = {{host, server.port()}},
                                                  .trustStore = TrustStore::fromPem(chain.root.pem())});
    long peakKiB = 0;
    const auto runDownloader = [&] {
        const QString output = folder.filePath(QStringLiteral("downloader.out"));
        resetPeakResident();
        const auto start = Clock::now();
        try {
            downloader.download(QUrl(url), std::nullopt, output, size, {});
        } catch (const std::exception& error) {
            std::fprintf(stderr, "download failed: %s\n", error.what());
            return -1.0;
        }
        const double elapsed = seconds(Clock::now() - start);
        peakKiB = std::max(peakKiB, peakResidentKiB());
        const bool complete = QFile(output).size() == size;
        QFile::remove(output);
        return complete ? elapsed : -1.0;
    };

    // Alternate the two and keep the best of each, so neither gets a warmer machine.
    double curlBest = 1e9;
    double downloaderBest = 1e9;
    for (int round = 0; round < 2; ++round) {
        const double curlTime = runCurl();
        const double downloaderTime = runDownloader();
        if (curlTime < 0 || downloaderTime < 0) {
            std::fprintf(stderr, "a transfer failed (curl %.2f s, downloader %.2f s)\n", curlTime, downloaderTime);
            return 1;
        }
        curlBest = std::min(curlBest, curlTime);
        downloaderBest = std::min(downloaderBest, downloaderTime);
    }

    const double mib = double(size) / double(1 << 20);
    std::printf("bytes: %lld\n", static_cast<long long>(size));
    std::printf("curl tool:   %.3f s, %.0f MiB/s\n", curlBest, mib / curlBest);
    std::printf("downloader:  %.3f s, %.0f MiB/s\n", downloaderBest, mib / downloaderBest);
    std::printf("throughput ratio (downloader / curl): %.2f (aim >= 0.90)\n", curlBest / downloaderBest);
    std::printf("peak resident memory while downloading: %.1f MiB (aim < 64; includes the in-process server)\n",
                double(peakKiB) / 1024.0);
    return 0;
}
