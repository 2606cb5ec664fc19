// The real tavren-hub against the devstore, with every image in its cache swapped for a few
// hundred bytes that declare a 24000 x 24000 canvas.

#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"
#include "tests/testkit/ForkedChild.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// Decoders would keep buffers for the whole canvas, 1.6 GB a decode, four at a time.
TEST(ImageBomb, TheWindowRunsInLittleMemoryAndEndsAtOnce)
{
    test::DevstoreProcess store;
    store.useDemoDeployment();
    if (!Deployment::readsDeploymentFile())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    const QDir images(box.filePath(QStringLiteral("XDG_CACHE_HOME/com.tavren.hub/images")));
    const auto cached = [&] { return images.entryList({QStringLiteral("*.img")}, QDir::Files); };
    {
        test::HubProcess filling(box.path());
        ASSERT_TRUE(filling.start({}));
        for (const QDeadlineTimer deadline(30'000); cached().isEmpty() && !deadline.hasExpired();)
            QThread::msleep(20);
        filling.process().terminate();
        EXPECT_EQ(filling.finish(5'000), 0);
    }
    const QByteArray bomb = test::jpegDeclaring({24000, 24000}, true);
    ASSERT_FALSE(cached().isEmpty());
    for (const QString& name : cached()) {
        QFile file(images.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bomb) == bomb.size());
    }

    test::HubProcess hub(box.path());
    ASSERT_TRUE(hub.start({}));
    QThread::msleep(3'000); // the first screen's images are read from the cache at once
    ASSERT_EQ(hub.process().state(), QProcess::Running);
    const qint64 peak = test::peakResident(hub.process().processId());
    QElapsedTimer ending;
    ending.start();
    hub.process().terminate();
    EXPECT_EQ(hub.finish(5'000), 0);
    EXPECT_LT(ending.elapsed(), 5'000);
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, qint64(384) * 1024 * 1024) << "peak resident " << peak / 1024 / 1024 << " MiB";
}

} // namespace
