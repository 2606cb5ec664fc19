#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/testkit/ForkedChild.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

// The real hub against the devstore, every cached image swapped for other bytes in turn. Those that give no image within
// the bounds (decoders would hold 128 MB to 1.6 GB for the first three, six at a time) or would take too long (many
// scans) are let go of, and the store's PNG fetched in their place; the others are kept. The hub stays within memory,
// ends at once, and spends little more time than on a plain start.
TEST(ImageBomb, TheWindowRunsInLittleMemoryFetchesAgainWhatGivesNoImageAndEndsAtOnce)
{
    hub::test::DevstoreProcess store;
    store.useDemoDeployment();
    if (!hub::Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    const QDir images(box.filePath(QStringLiteral("XDG_CACHE_HOME/com.tavren.hub/images")));
    const auto cached = [&] { return images.entryList({QStringLiteral("*.img")}, QDir::Files); };
    // Runs the hub for 8 s and on until `done` or `ms` have passed, then ends it: its peak resident memory and the CPU
    // seconds (user and system) of its first 8 s.
    const auto run = [&](const std::function<bool()>& done, int ms) {
        hub::test::HubProcess running(box.path());
        EXPECT_TRUE(running.start({}));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(running.process().processId()));
        double cpu = 0;
        for (const QDeadlineTimer deadline(ms), first(8'000); !(first.hasExpired() && done()) && !deadline.hasExpired(); QThread::msleep(20)) {
            const QList<QByteArray> fields = !first.hasExpired() && stat.open(QIODevice::ReadOnly) ? stat.readAll().split(')').last().split(' ') : QList<QByteArray>();
            stat.close();
            cpu = fields.size() > 14 ? double(fields[12].toLongLong() + fields[13].toLongLong()) / double(::sysconf(_SC_CLK_TCK)) : cpu;
        }
        const qint64 peak = hub::test::peakResident(running.process().processId());
        running.process().terminate();
        EXPECT_EQ(running.finish(5'000), 0);
        return std::pair(peak, cpu);
    };
    run([&] { return !cached().isEmpty(); }, 30'000);
    ASSERT_FALSE(cached().isEmpty());
    const double plainCpu = run([] { return true; }, 8'000).second;

    QByteArray noise(4096, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data() + 4), noise.size() / 4 - 1);
    // What each is, whether it is kept, whether it would take long.
    const std::tuple<const char*, QByteArray, bool, bool> rows[] = {
        {"a JPEG declaring 24000 x 24000", hub::test::jpegDeclaring({24000, 24000}, true), false, false},
        {"a GIF on a 8192 x 8192 screen", hub::test::gifOnLargeScreen(), false, false},
        {"an ICO holding a 6000 x 6000 PNG", hub::test::icoHoldingPng({6000, 6000}), false, false},
        {"noise", noise, false, false},
        {"a 5120 x 2880 PNG of 16 bits a channel", hub::test::pngOfZeros({5120, 2880}, 16), true, false},
        {"a 2896 x 2896 PNG of 16 bits a channel", hub::test::pngOfZeros({2896, 2896}, 16), true, false},
        {"a CMYK progressive JPEG declaring 4096 x 4096", hub::test::cmykJpegDeclaring({4096, 4096}), true, false},
        {"a progressive JPEG of 10,000 empty scans", hub::test::cmykJpegDeclaring({2048, 2048}, 10'000), false, true},
        {"a PNG of 900 zTXt chunks", hub::test::pngOfZeros({64, 64}, 8, 900), true, true},
    };
    for (const auto& [what, bytes, kept, costly] : rows) {
        ASSERT_FALSE(bytes.isEmpty()) << what;
        const QStringList names = cached();
        for (const QString& name : names) {
            QFile file(images.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        }
        const auto fetchedAgain = [&] {
            return std::any_of(names.begin(), names.end(), [&](const QString& name) {
                QFile file(images.filePath(name));
                return file.open(QIODevice::ReadOnly) && file.read(8) == "\x89PNG\r\n\x1A\n";
            });
        };
        const auto unchanged = [&] {
            return std::all_of(names.begin(), names.end(), [&](const QString& name) { QFile file(images.filePath(name)); return file.open(QIODevice::ReadOnly) && file.readAll() == bytes; });
        };
        const auto [peak, cpu] = run([&] { return kept || fetchedAgain(); }, 60'000);
        EXPECT_TRUE(kept ? unchanged() : fetchedAgain()) << what << (kept ? ": let go of" : ": kept, never fetched again");
        EXPECT_GT(peak, 0) << what;
        EXPECT_LT(peak, qint64(384) << 20) << what << ": peak resident " << (peak >> 20) << " MiB";
        EXPECT_LT(costly ? cpu : 0, plainCpu + 6) << what << ": " << cpu << " s of CPU in its first 8 s, " << plainCpu << " on a plain start";
    }
}
