// "tavren-hub --snapshot DIR" for real, offscreen against the devstore: the demo's
// screenshots are written and none of them is blank.

#include "tests/app/fakes/DrawnImage.h"
#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

TEST(Snapshot, WritesTheScreensOfTheDevstore)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    const QString shots = box.filePath(QStringLiteral("shots"));
    test::HubProcess hub(box.path());
    hub.process().setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ASSERT_TRUE(hub.start({QStringLiteral("--snapshot"), shots}));
    EXPECT_EQ(hub.finish(300'000), 0);

    const QStringList expected{"discover", "product", "browse", "apps", "free", "search", "account", "product-full", "security",
        "sign-in", "library", "updates", "downloads"};
    for (const QString& name : expected) {
        const QImage image(QDir(shots).filePath(name + QStringLiteral(".png")));
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_GT(test::sampledColours(image), 4) << name.toStdString() << " is blank";
    }
}

} // namespace
