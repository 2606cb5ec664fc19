#include "app/shell/Composition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

// No application-support folder: the ledger goes to a private folder of this
// process, never a shared temporary one, and there is no install lock.
TEST(Composition, LedgerFallsBackToAPrivateFolder)
{
    QTemporaryDir root;
    const QString blocker = root.filePath("not-a-folder");
    QFile(blocker).open(QIODevice::WriteOnly);
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", blocker.toLocal8Bit());
    qputenv("XDG_CACHE_HOME", root.filePath("cache").toLocal8Bit());

    const Services services = Composition::standard({"tavren-hub", "--measure-launch"});
    qputenv("XDG_DATA_HOME", saved);

    ASSERT_TRUE(services.ledger);
    EXPECT_EQ(services.installLock, nullptr);
    const QFileInfo folder(QFileInfo(services.ledger->file).path());
    EXPECT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() & 0x0077, 0) << "group and others have no access";
    EXPECT_NE(folder.absoluteFilePath(), QDir::tempPath());
    EXPECT_TRUE(services.snapshots.has_value());
    EXPECT_TRUE(services.sleep && services.now && services.settings);
    QDir(folder.absoluteFilePath()).removeRecursively();
}
