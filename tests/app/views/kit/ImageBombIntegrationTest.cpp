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

// The real hub against the devstore, every cached image swapped for bytes that give no image within the bounds
// (decoders would hold 128 MB to 1.6 GB for the first three, four at a time). Each run ends on what the hub does with
// them: it lets one go and fetches the store's PNG in its place.
TEST(ImageBomb, TheWindowRunsInLittleMemoryFetchesAgainWhatGivesNoImageAndEndsAtOnce)
{
    hub::test::DevstoreProcess store;
    store.useDemoDeployment();
    if (!hub::Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    const QDir images(box.filePath(QStringLiteral("XDG_CACHE_HOME/com.tavren.hub/images")));
    const auto cached = [&] { return images.entryList({QStringLiteral("*.img")}, QDir::Files); };
    // Runs the hub until `done` or `ms` have passed, then ends it: its peak resident memory.
    const auto run = [&](const std::function<bool()>& done, int ms) {
        hub::test::HubProcess running(box.path());
        EXPECT_TRUE(running.start({}));
        for (const QDeadlineTimer deadline(ms); !done() && !deadline.hasExpired();)
            QThread::msleep(20);
        const qint64 peak = hub::test::peakResident(running.process().processId());
        running.process().terminate();
        EXPECT_EQ(running.finish(5'000), 0);
        return peak;
    };
    run([&] { return !cached().isEmpty(); }, 30'000);
    ASSERT_FALSE(cached().isEmpty());

    QByteArray noise(4096, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data() + 4), noise.size() / 4 - 1);
    const std::pair<const char*, QByteArray> rows[] = {
        {"a JPEG declaring 24000 x 24000", hub::test::jpegDeclaring({24000, 24000}, true)},
        {"a GIF on a 5792 x 5792 screen", hub::test::gifOnLargeScreen()},
        {"an ICO holding a 5600 x 5600 PNG", hub::test::icoHoldingPng({5600, 5600})},
        {"noise", noise},
    };
    for (const auto& [what, bytes] : rows) {
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
        const qint64 peak = run(fetchedAgain, 60'000);
        EXPECT_TRUE(fetchedAgain()) << what << ": kept, never fetched again";
        EXPECT_GT(peak, 0) << what;
        EXPECT_LT(peak, qint64(384) << 20) << what << ": peak resident " << (peak >> 20) << " MiB";
    }
}
