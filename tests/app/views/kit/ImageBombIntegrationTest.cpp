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
#include <xcb/xcb.h>

namespace {

// The real hub of this build in `home`, its views' decoded images in its log (the debug lines of
// com.tavren.hub.images).
class LoggedHub {
public:
    explicit LoggedHub(const QString& home, const QString& display = {}) : hub_(home), log_(home + QStringLiteral("/hub.log"))
    {
        QFile::remove(log_);
        QProcessEnvironment environment = hub_.process().processEnvironment();
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tavren.hub.images.debug=true"));
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        hub_.process().setProcessEnvironment(environment);
        hub_.process().setStandardErrorFile(log_);
        EXPECT_TRUE(hub_.start({}));
        pid_ = hub_.process().processId();
    }

    // The addresses the views took, decoded or kept, in turn.
    QStringList taken(std::initializer_list<QByteArray> kinds = {"decoded ", "kept "}) const
    {
        QStringList addresses;
        QFile file(log_);
        for (const QByteArray& line : file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>())
            for (const QByteArray& kind : kinds)
                if (const QByteArray prefix = "com.tavren.hub.images: " + kind; line.startsWith(prefix))
                    addresses.append(QString::fromUtf8(line.mid(prefix.size()).split(' ').first()));
        return addresses;
    }
    // The addresses decoded so far.
    QStringList decoded() const { return taken({"decoded "}); }
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
    bool runs() { return hub_.process().state() == QProcess::Running; }
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

// A virtual X display of its own, and a keyboard that types into the window holding its focus, as the server sends keys.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        xvfb_.start(QStringLiteral("Xvfb"), QStringList{"-displayfd", "1", "-screen", "0", "1280x1000x24", "-nolisten", "tcp"});
        if (xvfb_.waitForStarted() && QTest::qWaitFor([&] { return xvfb_.canReadLine(); }, 10'000))
            name_ = u':' + QString::fromLatin1(xvfb_.readLine().trimmed());
        connection_.reset(name_.isEmpty() ? nullptr : xcb_connect(name_.toLatin1().constData(), nullptr));
    }
    ~VirtualDisplay()
    {
        xvfb_.terminate();
        xvfb_.waitForFinished();
    }
    // Empty when there is none.
    const QString& name() const { return name_; }

    // False when no window has the focus.
    bool press(xcb_keycode_t key)
    {
        xcb_connection_t* const x = connection_.get();
        const std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focus(
            x ? xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr) : nullptr, &std::free);
        if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
            return false;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        for (const uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
            const xcb_key_press_event_t event{.response_type = type, .detail = key, .root = root, .event = focus->focus, .same_screen = 1};
            const uint32_t mask = type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE;
            xcb_send_event(x, 0, focus->focus, mask, reinterpret_cast<const char*>(&event));
        }
        return xcb_flush(x) > 0;
    }

private:
    QProcess xvfb_;
    QString name_;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection_{nullptr, &xcb_disconnect};
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

// Product pages of 60 screenshots (1200 x 675, 2.4 MB each as sent) on a desktop: eight opened by link, each twice, then
// the last one's strip Tabbed through. The pages kept for Back hold none, each screenshot shows, and the hub stays small.
TEST(ImageBomb, PagesOfSixtyScreenshotsLeaveTheHubSmall)
{
    hub::test::DevstoreProcess store({}, {QStringLiteral("--screenshots"), QStringLiteral("60")});
    store.useDemoDeployment();
    if (!hub::Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    const hub::Deployment values = store.deployment();
    hub::URLSessionTransport transport(hub::PinnedTrust::from(values), hub::ConnectionOptions::from(values));
    hub::HttpRequest request;
    request.url = "https://" + values.webHost.toUtf8() + "/downloads/tavren-catalog-extras.json";
    const QJsonObject media = QJsonDocument::fromJson(transport.send(request).body).object().value("media").toObject();
    const auto shotsOf = [&](const QString& id) { return media.value(id).toObject().value("screenshots").toVariant().toStringList(); };
    VirtualDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << "no virtual X display";
    QTemporaryDir box;
    LoggedHub running(box.path(), display.name());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !running.decoded().isEmpty(); }, 30'000)) << "the store front shows no image";
    qsizetype mark = 0; // where the log stood as the last page opened
    // A second start hands the link to the running hub; true once the page shows its first screenshot (decoded or kept).
    const auto open = [&](const QString& id) {
        mark = running.taken().size();
        hub::test::HubProcess sender(box.path());
        EXPECT_TRUE(sender.start({QStringLiteral("tavren-hub://product/") + id}));
        EXPECT_EQ(sender.finish(10'000), 0) << qPrintable(id);
        return QTest::qWaitFor([&] { return running.taken().mid(mark).contains(shotsOf(id).first()); }, 10'000);
    };
    QStringList products;
    for (auto entry = media.begin(); entry != media.end() && products.size() < 8; ++entry)
        if (shotsOf(entry.key()).size() == 60 && open(entry.key()))
            products.append(entry.key()); // else a product the store front does not list
    ASSERT_EQ(products.size(), 8);
    for (const QString& id : products)
        EXPECT_TRUE(open(id)) << qPrintable(id);
    EXPECT_LT(running.resident(), qint64(256) << 20) << "after 16 pages";
    const QStringList shots = shotsOf(products.last());
    const auto shown = [&] {
        const QStringList taken = running.taken().mid(mark);
        return std::ranges::count_if(shots, [&](const QString& shot) { return taken.contains(shot); });
    };
    for (int press = 0; press < 400 && shown() < shots.size(); ++press) {
        ASSERT_TRUE(display.press(23)) << "no window has the keyboard"; // Tab
        QTest::qWait(25);
    }
    EXPECT_EQ(shown(), shots.size());
    EXPECT_LT(running.resident(), qint64(256) << 20) << "after the strip";
    EXPECT_TRUE(running.runs());
    EXPECT_EQ(running.end(), 0);
}
