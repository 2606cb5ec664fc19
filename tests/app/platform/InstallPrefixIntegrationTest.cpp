// An install made to a prefix of its own choosing (cmake --install --prefix) starts the
// hub from there and knows itself as installed there.

#include "app/platform/InstallLocation.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

TEST(InstallPrefix, TheDesktopEntryAndTheInformationFileFollowThePrefix)
{
    const QString build = qEnvironmentVariable("HUB_BUILD_DIR");
    if (build.isEmpty())
        GTEST_SKIP() << "run under CTest";
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("opt/Tavren Hub"));
    QProcess cmake;
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral("cmake"), {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(cmake.waitForFinished(120'000));
    ASSERT_EQ(cmake.exitCode(), 0) << cmake.readAll().toStdString();

    QFile entry(prefix + QStringLiteral("/share/applications/com.tavren.hub.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    QStringList exec;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split(u'\n'))
        if (line.startsWith(QStringLiteral("Exec=")))
            exec.append(line);
    EXPECT_EQ(exec, QStringList{QStringLiteral("Exec=\"%1/bin/tavren-hub\" %u").arg(prefix)});

    const InstallLocation installed = InstallLocation::of(prefix + QStringLiteral("/bin/tavren-hub"));
    EXPECT_EQ(installed.info().value(QStringLiteral("prefix")).toString(), prefix);
    EXPECT_TRUE(installed.isInstalled());
    EXPECT_FALSE(InstallLocation::of(build + QStringLiteral("/bin/tavren-hub")).isInstalled()) << "the build tree";
}
