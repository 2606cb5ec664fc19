#include "kit/api/MoonbaseError.h"
#include "kit/downloads/Downloader.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/LoopbackTlsServer.h"
#include "tests/testkit/Thrown.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hub;
using hub::test::thrown;

namespace {

const QString host = QStringLiteral("bucket.objects.test");

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

int mode(const QString& path)
{
    struct stat status{};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
}

// Progress as reported, checked never to go backwards.
struct ProgressLog {
    QList<std::pair<qint64, qint64>> calls;
    std::function<void(qint64, qint64)> onCall;

    Downloader::Progress sink()
    {
        return [this](qint64 received, qint64 expected) {
            if (!calls.isEmpty()) {
                EXPECT_GE(received, calls.last().first) << "progress went backwards";
            }
            calls.append({received, expected});
            if (onCall)
                onCall(received, expected);
        };
    }
};

class DownloaderTest : public ::testing::Test {
protected:
    DownloaderTest() : chain(CertificateFactory::chain(host)), server(chain) {}

    Downloader downloader(const CertificateFactory::Chain& pinned) const
    {
        return Downloader(HostPolicy{QStringLiteral("api.store.test"), {}, {QStringLiteral("objects.test")}},
                          PinnedTrust{{}, {{QStringLiteral("objects.test"), {pinned.root.spkiPin()}}}}, work.path(),
                          ConnectionOptions{.connectTo = {{host, server.port()}},
                                            .trustStore = TrustStore::fromPem(chain.root.pem())});
    }
    Downloader downloader() const { return downloader(chain); }

    QString destination() const { return output.filePath(QStringLiteral("product.pkg")); }
    QStringList workFiles() const { return QDir(work.path()).entryList(QDir::Files | QDir::Hidden); }

    // Downloads /file until half of it has arrived and returns the resume data.
    DownloadResumeData interruptHalfWay(qint64 size)
    {
        std::stop_source stop;
        ProgressLog log;
        log.onCall = [&](qint64 received, qint64) {
            if (received >= size / 2)
                stop.request_stop();
        };
        try {
            downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file?sig=1")), std::nullopt,
                                  destination(), size, log.sink(), stop.get_token());
        } catch (const DownloadInterrupted& paused) {
            EXPECT_EQ(paused.cause, DownloadInterrupted::Cause::stopped);
            EXPECT_TRUE(paused.resumeData.has_value());
            return paused.resumeData.value_or(DownloadResumeData{});
        }
        ADD_FAILURE() << "the download was not interrupted";
        return {};
    }

    CertificateFactory::Chain chain;
    LoopbackTlsServer server;
    QTemporaryDir work;
    QTemporaryDir output;
};

} // namespace

TEST_F(DownloaderTest, ResumedTransferIsByteIdenticalToTheSource)
{
    const QByteArray source = randomBytes(4 << 20, 1);
    server.route("/file", LoopbackTlsServer::file(source, {.etag = "\"v1\""}));
    QFile old(destination());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older download");
    old.close();

    DownloadResumeData resume = interruptHalfWay(source.size());
    EXPECT_GE(resume.offset, source.size() / 2);
    EXPECT_LT(resume.offset, source.size());
    EXPECT_EQ(resume.etag, "\"v1\"");
    EXPECT_EQ(QFileInfo(resume.partialFile).absolutePath(), QFileInfo(work.path()).absoluteFilePath());
    EXPECT_EQ(mode(resume.partialFile), 0600);
    EXPECT_EQ(contents(destination()), "an older download");

    // The store hands out a new signed address; resume data never redirects the fetch.
    resume.url = QStringLiteral("https://elsewhere.test/file");
    ProgressLog log;
    const QString result = downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file?sig=2")), resume,
                                                 destination(), source.size(), log.sink());
    EXPECT_EQ(result, destination());
    EXPECT_TRUE(contents(destination()) == source);
    EXPECT_EQ(mode(destination()), 0600);
    EXPECT_TRUE(workFiles().isEmpty());
    ASSERT_FALSE(log.calls.isEmpty());
    EXPECT_GT(log.calls.first().first, resume.offset);
    EXPECT_EQ(log.calls.last(), std::pair(qint64(source.size()), qint64(source.size())));

    const ReceivedRequest last = server.requests().last();
    EXPECT_EQ(last.target, "/file?sig=2");
    EXPECT_EQ(last.header("Range"), "bytes=" + QByteArray::number(resume.offset) + '-');
    EXPECT_EQ(last.header("If-Range"), "\"v1\"");
    EXPECT_FALSE(last.raw.toLower().contains("cookie"));
}

TEST_F(DownloaderTest, AWholeFileAnswerToARangeRequestStartsAgainFromZero)
{
    struct Case {
        const char* name;
        QByteArray etagAfter;
        bool ignoreRanges;
    };
    for (const Case& test : {Case{"file changed", "\"v2\"", false}, Case{"ranges ignored", "\"v1\"", true}}) {
        SCOPED_TRACE(test.name);
        const QByteArray before = randomBytes(2 << 20, 2);
        const QByteArray after = randomBytes(3 << 20, 3);
        server.route("/file", LoopbackTlsServer::file(before, {.etag = "\"v1\""}));
        const DownloadResumeData resume = interruptHalfWay(before.size());

        server.route("/file", LoopbackTlsServer::file(after, {.etag = test.etagAfter, .ignoreRanges = test.ignoreRanges}));
        ProgressLog log;
        downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file")), resume, destination(),
                              after.size(), log.sink());
        EXPECT_TRUE(contents(destination()) == after);
        EXPECT_LT(log.calls.first().first, resume.offset);
        EXPECT_TRUE(workFiles().isEmpty());
    }
}

TEST_F(DownloaderTest, TheCapStopsAnnouncedAndUnannouncedOversizedBodies)
{
    const QByteArray body = randomBytes(64 << 10, 4);
    server.route("/exact", ScriptedResponse{.body = body});
    server.route("/chunked", ScriptedResponse{.body = body, .bodySize = 16 << 20, .chunked = true});
    server.route("/lying", ScriptedResponse{.body = body, .contentLength = 1000});
    const auto fetch = [&](const char* path, qint64 cap, ProgressLog& log) {
        return downloader().download(QUrl(QStringLiteral("https://bucket.objects.test") + QLatin1String(path)),
                                     std::nullopt, destination(), cap, log.sink());
    };

    ProgressLog exact;
    fetch("/exact", body.size(), exact);
    EXPECT_TRUE(contents(destination()) == body);

    ProgressLog announced;
    EXPECT_EQ(thrown<DownloadError>([&] { fetch("/exact", body.size() - 1, announced); }), DownloadError::tooLarge());
    EXPECT_TRUE(announced.calls.isEmpty()); // refused on the announced length, before a byte was written
    EXPECT_FALSE(QFile::exists(destination()));

    ProgressLog unannounced;
    EXPECT_EQ(thrown<DownloadError>([&] { fetch("/chunked", 100'000, unannounced); }), DownloadError::tooLarge());
    EXPECT_LE(unannounced.calls.last().first, 100'000);
    EXPECT_FALSE(QFile::exists(destination()));

    // A server sending more than its Content-Length never gets the extra bytes written.
    ProgressLog lying;
    fetch("/lying", 2000, lying);
    EXPECT_EQ(contents(destination()), body.left(1000));
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(DownloaderTest, AnErrorStatusLeavesNoFile)
{
    server.route("/gone", ScriptedResponse{.status = 404, .body = "not here"});
    const DownloadError error = thrown<DownloadError>([&] {
        downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/gone")), std::nullopt, destination(),
                              1000, {});
    });
    EXPECT_EQ(error, DownloadError::httpStatus(404));
    EXPECT_EQ(error.message(), QStringLiteral("The download server returned 404."));
    EXPECT_FALSE(QFile::exists(destination()));
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(DownloaderTest, RedirectsAreFollowedOnlyWithinTheDownloadDomains)
{
    server.route("/file", LoopbackTlsServer::file("payload"));
    server.route("/inside", LoopbackTlsServer::redirect(302, "/file"));
    server.route("/outside", LoopbackTlsServer::redirect(301, "https://evil.test/file"));
    server.route("/plain", LoopbackTlsServer::redirect(307, "http://bucket.objects.test/file"));
    server.route("/loop", LoopbackTlsServer::redirect(302, "/loop"));
    const auto fetch = [&](const char* path) {
        return downloader().download(QUrl(QStringLiteral("https://bucket.objects.test") + QLatin1String(path)),
                                     std::nullopt, destination(), 1000, {});
    };
    const auto failure = [&](const char* path) { return thrown<DownloadError>([&] { fetch(path); }); };

    fetch("/inside");
    EXPECT_EQ(contents(destination()), "payload");
    const DownloadError outside = failure("/outside");
    EXPECT_EQ(outside, DownloadError::insecureRedirect(QStringLiteral("evil.test")));
    EXPECT_EQ(outside.message(), QStringLiteral("The download tried to leave HTTPS (evil.test) and was stopped."));
    EXPECT_EQ(failure("/plain"), DownloadError::insecureRedirect(host));
    EXPECT_EQ(failure("/loop"), DownloadError::httpStatus(302));
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(DownloaderTest, RefusesAddressesAndServersOutsideThePolicyAndPins)
{
    const DownloadResumeData resume{QStringLiteral("https://bucket.objects.test/file"), work.filePath("x"), 10, "\"v1\""};
    try {
        downloader().download(QUrl(QStringLiteral("https://objects.test/file")), resume, destination(), 1000, {});
        FAIL() << "no error";
    } catch (const MoonbaseError& error) {
        EXPECT_EQ(error, MoonbaseError::blockedURL(QStringLiteral("https://objects.test/file")));
    }
    EXPECT_EQ(server.connections(), 0);

    const auto stranger = CertificateFactory::chain(host);
    EXPECT_THROW(downloader(stranger).download(QUrl(QStringLiteral("https://bucket.objects.test/file")), std::nullopt,
                                               destination(), 1000, {}),
                 TransportError);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(DownloaderTest, AFailureDuringTheTransferOutranksTheStopThatEndsIt)
{
    server.route("/file", LoopbackTlsServer::file(randomBytes(1 << 20, 5), {.etag = "\"v1\""}));
    std::stop_source stop;
    ProgressLog log;
    log.onCall = [&](qint64, qint64) {
        stop.request_stop();
        throw std::runtime_error("disk full");
    };
    EXPECT_THROW(downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file")), std::nullopt,
                                       destination(), 1 << 20, log.sink(), stop.get_token()),
                 std::runtime_error);
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(DownloaderTest, AResumeKeepsOnlyWholeAnswersOfTheSameFile)
{
    const QByteArray before = randomBytes(1000, 6);
    const QByteArray after = randomBytes(1200, 7);
    // Answers to "Range: bytes=100-" sending `sent` bytes of the file from offset 100.
    const auto answer = [&](int status, const QByteArray& range, const QByteArray& etag, qsizetype sent,
                            qint64 announced = -1, bool chunked = false) {
        HttpHeaders headers{{"Content-Range", range}};
        if (!etag.isEmpty())
            headers.append({"ETag", etag});
        return ScriptedResponse{.status = status, .headers = headers, .body = before.mid(100, sent),
                                .contentLength = announced >= 0 ? std::optional(announced) : std::nullopt,
                                .chunked = chunked};
    };
    ScriptedResponse pastItsRange = answer(206, "bytes 100-999/1000", "\"v1\"", 900, -1, true);
    pastItsRange.body += QByteArray(50, 'x');
    enum class Outcome { refused, overrun, restarted, paused, failed };
    const std::tuple<const char*, ScriptedResponse, Outcome> cases[] = {
        {"a shorter range than asked", answer(206, "bytes 100-199/1000", "\"v1\"", 100), Outcome::refused},
        {"an unknown total", answer(206, "bytes 100-999/*", "\"v1\"", 900), Outcome::refused},
        {"a length short of the range", answer(206, "bytes 100-999/1000", "\"v1\"", 100), Outcome::refused},
        {"a body past its range", pastItsRange, Outcome::overrun},
        {"another version of the file", answer(206, "bytes 100-999/1000", "\"v2\"", 900), Outcome::restarted},
        {"no validator", answer(206, "bytes 100-999/1000", {}, 900), Outcome::restarted},
        {"a body that ends early", answer(206, "bytes 100-999/1000", "\"v1\"", 100, -1, true), Outcome::paused},
        {"a connection lost midway", answer(206, "bytes 100-999/1000", "\"v1\"", 100, 900), Outcome::paused},
        {"lost without a validator", answer(200, {}, {}, 100, 1000), Outcome::failed},
    };
    for (const auto& [name, response, outcome] : cases) {
        SCOPED_TRACE(name);
        const QString partial = work.filePath(QStringLiteral("download-earlier"));
        QFile file(partial);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(before.left(100));
        file.close();
        server.route("/file", [&](const ReceivedRequest& request) {
            return request.header("Range") ? response : ScriptedResponse{.headers = {{"ETag", "\"v2\""}}, .body = after};
        });
        const auto fetch = [&] {
            downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file")),
                                  DownloadResumeData{{}, partial, 100, "\"v1\""}, destination(), after.size(), {});
        };
        if (outcome == Outcome::refused || outcome == Outcome::overrun) {
            const DownloadError refused = thrown<DownloadError>(fetch);
            EXPECT_EQ(refused, outcome == Outcome::refused ? DownloadError::wrongRange() : DownloadError::overrun());
            EXPECT_FALSE(refused.message().contains(QStringLiteral("206"))) << refused.message().toStdString();
        } else if (outcome == Outcome::failed) {
            EXPECT_THROW(fetch(), TransportError);
        } else if (outcome == Outcome::restarted) {
            fetch();
            EXPECT_TRUE(contents(destination()) == after);
            EXPECT_EQ(server.requests().last().header("Range"), std::nullopt);
        } else {
            const DownloadInterrupted paused = thrown<DownloadInterrupted>(fetch);
            EXPECT_EQ(paused.cause, DownloadInterrupted::Cause::connectionLost);
            EXPECT_EQ(paused.message(), QStringLiteral("The connection was lost."));
            ASSERT_TRUE(paused.resumeData);
            EXPECT_EQ(paused.resumeData->offset, 200);
            EXPECT_TRUE(contents(partial) == before.left(200));
            QFile::remove(partial);
        }
        EXPECT_EQ(QFile::exists(destination()), outcome == Outcome::restarted);
        EXPECT_TRUE(workFiles().isEmpty());
        QFile::remove(destination());
    }
}

TEST_F(DownloaderTest, APartialFileWithASecondNameOrOfAnotherKindIsNeverWritten)
{
    const QByteArray source = randomBytes(1000, 9);
    server.route("/file", LoopbackTlsServer::file(source, {.etag = "\"v1\""}));
    const QByteArray outside = QFile::encodeName(output.filePath(QStringLiteral("elsewhere")));
    const QByteArray inWork = QFile::encodeName(work.filePath(QStringLiteral("download-earlier")));
    for (const bool pipe : {false, true}) {
        QFile file(QFile::decodeName(outside));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("precious");
        file.close();
        ASSERT_EQ(pipe ? ::mkfifo(inWork, 0600) : ::link(outside, inWork), 0);

        downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file")),
                              DownloadResumeData{{}, QFile::decodeName(inWork), 4, "\"v1\""}, destination(), 1000, {});
        EXPECT_TRUE(contents(destination()) == source);
        EXPECT_EQ(contents(QFile::decodeName(outside)), "precious");
        EXPECT_TRUE(workFiles().isEmpty());
    }
}

TEST_F(DownloaderTest, AFinishedDownloadMovesToAnotherVolume)
{
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/hub-downloads-XXXXXX"));
    struct stat workVolume{}, otherVolume{};
    if (::stat(QFile::encodeName(work.path()), &workVolume) != 0 || ::stat(QFile::encodeName(elsewhere.path()), &otherVolume) != 0
        || workVolume.st_dev == otherVolume.st_dev)
        GTEST_SKIP() << "no second volume";
    const QByteArray source = randomBytes(3 << 20, 11);
    server.route("/file", LoopbackTlsServer::file(source));
    const QString target = elsewhere.filePath(QStringLiteral("product.pkg"));
    downloader().download(QUrl(QStringLiteral("https://bucket.objects.test/file")), std::nullopt, target, source.size(), {});
    EXPECT_TRUE(contents(target) == source);
    EXPECT_EQ(mode(target), 0600);
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("product.pkg")});
    EXPECT_TRUE(workFiles().isEmpty());
}
