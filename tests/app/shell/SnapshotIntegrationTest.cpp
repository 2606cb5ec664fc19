// "tavren-hub --snapshot DIR" for real, offscreen against the devstore: the demo's
// screenshots are written and none of them is blank.

#include "tests/app/fakes/DrawnImage.h"
#include "tests/devstore/DevstoreProcess.h"

#include <QDir>
#include <QImage>
#include <QProcess>
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
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* folder : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
        const QString path = box.filePath(QString::fromLatin1(folder));
        QDir().mkpath(path);
        environment.insert(QString::fromLatin1(folder), path);
    }
    const QString shots = box.filePath(QStringLiteral("shots"));
    QProcess hub;
    hub.setProcessEnvironment(environment);
    hub.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hub.start(qEnvironmentVariable("HUB_BUILD_DIR") + QStringLiteral("/bin/tavren-hub"), {QStringLiteral("--snapshot"), shots});
    ASSERT_TRUE(hub.waitForStarted());
    ASSERT_TRUE(hub.waitForFinished(300'000));
    EXPECT_EQ(hub.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(hub.exitCode(), 0);

    const QStringList expected{"discover", "product", "browse", "apps", "free", "search", "account", "product-full", "security",
        "sign-in", "library", "updates", "downloads"};
    for (const QString& name : expected) {
        const QImage image(QDir(shots).filePath(name + QStringLiteral(".png")));
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_GT(test::sampledColours(image), 4) << name.toStdString() << " is blank";
    }
}

} // namespace
