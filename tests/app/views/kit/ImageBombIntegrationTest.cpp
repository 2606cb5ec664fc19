#include "kit/api/ImageDataCache.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/testkit/ForkedChild.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest/QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The real hub of this build in `home`, its views' decoded images in its log (the debug lines of
// com.tavren.hub.images).
class LoggedHub {
public:
    explicit LoggedHub(const QString& home) : hub_(home), log_(home + QStringLiteral("/hub.log"))
    {
        QFile::remove(log_);
        QProcessEnvironment environment = hub_.process().processEnvironment();
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tavren.hub.images.debug=true"));
        hub_.process().setProcessEnvironment(environment);
        hub_.process().setStandardErrorFile(log_);
        EXPECT_TRUE(hub_.start({}));
        pid_ = hub_.process().processId();
    }

    // The addresses decoded so far.
    QSet<QString> decoded() const
    {
        static const QByteArray prefix = "com.tavren.hub.images: decoded ";
        QSet<QString> addresses;
        QFile file(log_);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n'))
                if (line.startsWith(prefix))
                    addresses.insert(QString::fromUtf8(line.mid(prefix.size()).split(' ').first()));
        }
        return addresses;
    }
    // The disk cache's names of those.
    QSet<QString> decodedNames() const
    {
        QSet<QString> names;
        for (const QString& address : decoded())
            names.insert(hub::ImageDataCache::key(QUrl(address)));
        return names;
    }
    // The CPU seconds (user and system) it has spent.
    double cpu() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid_));
        const QList<QByteArray> fields = stat.open(QIODevice::ReadOnly) ? stat.readAll().split(')').last().split(' ') : QList<QByteArray>();
        return fields.size() > 14 ? double(fields[12].toLongLong() + fields[13].toLongLong()) / double(::sysconf(_SC_CLK_TCK)) : 0;
    }
    qint64 resident() const { return hub::test::resident(pid_); }
    qint64 peak() const { return hub::test::peakResident(pid_); }
    // Ends it as a signal to end does: 0 once it ended within 5 s.
    int end()
    {
        hub_.process().terminate();
        return hub_.finish(5'000);
    }

private:
    hub::test::HubProcess hub_;
    QString log_;
    qint64 pid_ = 0;
};

} // namespace

// The real hub against the devstore, every cached image swapped for other bytes in turn. Those that give no image within
// the bounds (decoders would hold 128 MB to 1.6 GB for the first three, six at a time) or would take too long (many
// scans) are let go of, and the store's PNG fetched in their place; the others are kept. Each run lasts until the window
// has decoded every image; the hub stays within memory, ends at once, and spends little more time than on a plain start.
TEST(ImageBomb, TheWindowRunsInLittleMemoryFetchesAgainWhatGivesNoImageAndEndsAtOnce)
{
    hub::test::DevstoreProcess store;
    store.useDemoDeployment();
    if (!hub::Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    const QDir images(box.filePath(QStringLiteral("XDG_CACHE_HOME/com.tavren.hub/images")));
    const auto cached = [&] {
        const QStringList names = images.entryList({QStringLiteral("*.img")}, QDir::Files);
        return QSet<QString>(names.begin(), names.end());
    };
    const auto allDecoded = [&](const LoggedHub& hub) { return !cached().isEmpty() && hub.decodedNames().contains(cached()); };
    {
        LoggedHub first(box.path());
        ASSERT_TRUE(QTest::qWaitFor([&] { return allDecoded(first); }, 30'000));
        EXPECT_EQ(first.end(), 0);
    }
    const QSet<QString> names = cached();
    // The CPU seconds of a run's first 8 s.
    const auto firstSeconds = [](const LoggedHub& hub) {
        double cpu = 0;
        for (const QDeadlineTimer first(8'000); !first.hasExpired(); QThread::msleep(20))
            cpu = hub.cpu();
        return cpu;
    };
    double plainCpu = 0;
    {
        LoggedHub plain(box.path());
        plainCpu = firstSeconds(plain);
        EXPECT_TRUE(QTest::qWaitFor([&] { return plain.decodedNames().contains(names); }, 30'000));
        EXPECT_EQ(plain.end(), 0);
    }

    QByteArray noise(4096, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data() + 4), noise.size() / 4 - 1);
    struct Row {
        const char* what;
        QByteArray bytes;
        bool kept;       // decoded as it is, not fetched again
        int peakMiB;     // the bound of the run's peak resident memory
        double cpuAbove; // the CPU seconds of its first 8 s it may take beyond a plain start; 0: not measured
    };
    const Row rows[] = {
        {"a JPEG declaring 24000 x 24000", hub::test::jpegDeclaring({24000, 24000}, true), false, 384, 0},
        {"a GIF on a 8192 x 8192 screen", hub::test::gifOnLargeScreen(), false, 384, 0},
        {"an ICO holding a 6000 x 6000 PNG", hub::test::icoHoldingPng({6000, 6000}), false, 384, 0},
        {"noise", noise, false, 384, 0},
        {"a 5120 x 2880 PNG of 16 bits a channel", hub::test::pngOfZeros({5120, 2880}, 16), true, 384, 0},
        {"a 2896 x 2896 PNG of 16 bits a channel", hub::test::pngOfZeros({2896, 2896}, 16), true, 384, 0},
        {"a CMYK progressive JPEG declaring 4096 x 4096", hub::test::cmykJpegDeclaring({4096, 4096}), false, 384, 0},
        {"a progressive JPEG of 10,000 empty scans", hub::test::cmykJpegDeclaring({2048, 2048}, 10'000), false, 384, 6},
        {"a PNG of 900 zTXt chunks", hub::test::pngOfZeros({64, 64}, 8, 900), true, 384, 6},
        {"an arithmetic progressive JPEG of 64 scans", hub::test::arithmeticProgressiveJpeg(), false, 384, 6},
    };
    for (const Row& row : rows) {
        ASSERT_FALSE(row.bytes.isEmpty()) << row.what;
        for (const QString& name : names) {
            QFile file(images.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(row.bytes) == row.bytes.size());
        }
        const auto fetchedAgain = [&] {
            return std::all_of(names.begin(), names.end(), [&](const QString& name) {
                QFile file(images.filePath(name));
                return file.open(QIODevice::ReadOnly) && file.read(8) == "\x89PNG\r\n\x1A\n";
            });
        };
        const auto unchanged = [&] {
            return std::all_of(names.begin(), names.end(), [&](const QString& name) { QFile file(images.filePath(name)); return file.open(QIODevice::ReadOnly) && file.readAll() == row.bytes; });
        };
        LoggedHub running(box.path());
        const auto done = [&] { return running.decodedNames().contains(names) && (row.kept || fetchedAgain()); };
        const double cpu = row.cpuAbove > 0 ? firstSeconds(running) : 0;
        EXPECT_TRUE(QTest::qWaitFor(done, 30'000)) << row.what << ": not every image decoded";
        const qint64 peak = running.peak();
        EXPECT_EQ(running.end(), 0) << row.what;
        EXPECT_TRUE(row.kept ? unchanged() : fetchedAgain()) << row.what << (row.kept ? ": let go of" : ": kept, never fetched again");
        EXPECT_GT(peak, 0) << row.what;
        EXPECT_LT(peak, qint64(row.peakMiB) << 20) << row.what << ": peak resident " << (peak >> 20) << " MiB";
        if (row.cpuAbove > 0) {
            EXPECT_LT(cpu, plainCpu + row.cpuAbove) << row.what << ": " << cpu << " s of CPU in its first 8 s, " << plainCpu << " on a plain start";
        }
    }
}

// A long browse: product page after product page, each one's screenshots decoded before the next opens, 200 distinct
// ones of 1200 x 675 in all (2.4 MB each as the store sends them). What the hub keeps of them stays within its share.
TEST(ImageBomb, TwoHundredScreenshotsShownLeaveTheHubSmall)
{
    hub::test::DevstoreProcess store({}, {QStringLiteral("--screenshots"), QStringLiteral("10")});
    store.useDemoDeployment();
    if (!hub::Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    const hub::Deployment values = store.deployment();
    hub::URLSessionTransport transport(hub::PinnedTrust::from(values), hub::ConnectionOptions::from(values));
    hub::HttpRequest request;
    request.url = "https://" + values.webHost.toUtf8() + "/downloads/tavren-catalog-extras.json";
    const QJsonObject media = QJsonDocument::fromJson(transport.send(request).body).object().value("media").toObject();

    QTemporaryDir box;
    LoggedHub running(box.path());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !running.decoded().isEmpty(); }, 30'000)) << "the store front shows no image";
    const qint64 before = running.resident();
    QSet<QString> shown;
    int pages = 0;
    const QStringList leave{QStringLiteral("tavren-hub:library"), QStringLiteral("tavren-hub:updates")};
    for (const QString& id : media.keys()) {
        QStringList shots;
        for (const QJsonValue& shot : media.value(id).toObject().value("screenshots").toArray())
            if (shot.toString().contains(u"-wide-"))
                shots.append(shot.toString());
        if (shots.isEmpty() || shown.size() >= 200)
            continue;
        // A second start hands its link to the running hub; the page before goes as another section is chosen.
        for (const QString& link : {QStringLiteral("tavren-hub:product/") + id, leave.at(pages++ % 2)}) {
            hub::test::HubProcess sender(box.path());
            ASSERT_TRUE(sender.start({link}));
            EXPECT_EQ(sender.finish(10'000), 0) << qPrintable(link);
            if (link.contains(u"product/")) {
                const bool all = QTest::qWaitFor([&] { return running.decoded().contains(QSet<QString>(shots.begin(), shots.end())); }, 30'000);
                if (!all)
                    break; // a product the store front does not list
                shown.unite(QSet<QString>(shots.begin(), shots.end()));
            }
        }
    }
    const qint64 after = running.resident();
    EXPECT_GE(shown.size(), 200) << "screenshots decoded";
    EXPECT_LT(after, qint64(256) << 20) << "resident " << (before >> 20) << " MiB before, " << (after >> 20) << " MiB after "
                                        << shown.size() << " screenshots; peak " << (running.peak() >> 20) << " MiB";
    EXPECT_EQ(running.end(), 0);
}
