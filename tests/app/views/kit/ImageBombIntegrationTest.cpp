#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/testkit/ForkedChild.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

// The real hub against the devstore, every cached image swapped for a few hundred bytes declaring a 24000 x 24000
// canvas (decoders would keep buffers for all of it, 1.6 GB a decode, four at a time).
TEST(ImageBomb, TheWindowRunsInLittleMemoryAndEndsAtOnce)
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
    const QByteArray bomb = hub::test::jpegDeclaring({24000, 24000}, true);
    ASSERT_FALSE(cached().isEmpty());
    for (const QString& name : cached()) {
        QFile file(images.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bomb) == bomb.size());
    }
    const qint64 peak = run([] { return false; }, 3'000); // the first screen's images are read from the cache at once
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, qint64(384) << 20) << "peak resident " << (peak >> 20) << " MiB";
}
