// The real tavren-hub against the devstore, each run in a fresh home: it ends by itself
// with status 0 however its quit meets the work still running.

#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace hub;

namespace {

struct Homes {
    explicit Homes(int count)
    {
        for (int i = 0; i < count; ++i)
            runs.push_back(std::make_unique<test::HubProcess>(box.filePath(QString::number(i))));
    }
    QTemporaryDir box;
    std::vector<std::unique_ptr<test::HubProcess>> runs;
};

// Cold, the images are still loading when the first content quits the hub; warm, the
// snapshot the cold run left shows content before the event loop even runs.
TEST(HubLifetime, MeasureLaunchQuitsWithStatusZero)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    Homes homes(10);
    for (const auto& [arguments, source] : {std::pair{QStringList{"--measure-launch", "--cold"}, QByteArray("network")},
                                            std::pair{QStringList{"--measure-launch"}, QByteArray("cache")}}) {
        for (const auto& run : homes.runs)
            ASSERT_TRUE(run->start(arguments));
        for (const auto& run : homes.runs) {
            EXPECT_EQ(run->finish(20'000), 0) << arguments.join(' ').toStdString();
            const QByteArray line = run->process().readAllStandardOutput();
            EXPECT_TRUE(line.startsWith("launch-to-first-content-ms ") && line.trimmed().endsWith(source)) << line.toStdString();
        }
    }
}

} // namespace
