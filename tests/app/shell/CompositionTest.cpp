#include "app/shell/Composition.h"

#include "app/model/PipelineEngine.h"
#include "tests/testkit/ForkedChild.h"
#include "tests/testkit/ThisTestProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

using namespace hub;

namespace {
const char* childData = "HUB_COMPOSITION_CHILD_DATA";
QStringList warnings;
} // namespace

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

    std::optional<Services> services = Composition::standard({"tavren-hub", "--measure-launch"});
    qputenv("XDG_DATA_HOME", saved);

    ASSERT_TRUE(services->ledger);
    EXPECT_EQ(services->installLock, nullptr);
    const QFileInfo folder(QFileInfo(services->ledger->file).path());
    EXPECT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() & 0x0077, 0) << "group and others have no access";
    EXPECT_NE(folder.absoluteFilePath(), QDir::tempPath());
    EXPECT_TRUE(services->snapshots.has_value());
    EXPECT_TRUE(services->sleep && services->now && services->settings);
    services.reset(); // the quit
    EXPECT_FALSE(QFileInfo::exists(folder.absoluteFilePath())) << "the folder goes with the ledger";

    // The private folder vanished and another took its name: the quit leaves that one alone.
    qputenv("XDG_DATA_HOME", blocker.toLocal8Bit());
    std::optional<Services> again = Composition::standard({"tavren-hub", "--measure-launch"});
    qputenv("XDG_DATA_HOME", saved);
    const QString made = QFileInfo(again->ledger->file).path();
    ASSERT_TRUE(QDir(made).removeRecursively() && QDir().mkdir(made) && QFile(made + "/theirs.txt").open(QIODevice::WriteOnly));
    again.reset();
    EXPECT_EQ(QDir(made).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"theirs.txt"});
    QDir(made).removeRecursively();
}

// No work folder, or one that links to the user's own files (left as they are): installs go on in a private folder.
TEST(Composition, WorkFolderFallsBackToAPrivateFolder)
{
    QTemporaryDir root;
    const QString blocker = root.filePath("not-a-folder");
    QFile(blocker).open(QIODevice::WriteOnly);
    const QString documents = root.filePath("documents"), linkedCache = root.filePath("linked-cache");
    QDir().mkpath(documents);
    QDir().mkpath(linkedCache + "/com.tavren.hub");
    QFile::link(documents, linkedCache + "/com.tavren.hub/work");
    QFile(documents + "/letter.txt").open(QIODevice::WriteOnly);
    QFile::setPermissions(documents, QFileDevice::Permissions(0x7755)); // rwxr-xr-x
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_DATA_HOME", root.filePath("data").toLocal8Bit());
    for (const QString& cache : {blocker, linkedCache}) {
        SCOPED_TRACE(cache.toStdString());
        qputenv("XDG_CACHE_HOME", cache.toLocal8Bit());
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings.append(text); });
        std::optional<Services> services = Composition::standard({"tavren-hub", "--measure-launch"});
        qInstallMessageHandler(previous);
        qputenv("XDG_CACHE_HOME", saved);

        const auto* engine = dynamic_cast<const PipelineEngine*>(services->pipeline.get());
        ASSERT_NE(engine, nullptr);
        const QFileInfo folder(engine->pipeline().workRoot);
        EXPECT_TRUE(folder.isDir());
        EXPECT_EQ(folder.permissions() & 0x0077, 0) << "group and others have no access";
        EXPECT_FALSE(folder.absoluteFilePath().startsWith(cache));
        EXPECT_EQ(warnings.filter("no work folder").size(), 1) << warnings.join('\n').toStdString();
        QFile(folder.absoluteFilePath() + "/download-Ab34Cd").open(QIODevice::WriteOnly); // a run's leftover
        services.reset(); // the quit
        EXPECT_FALSE(QFileInfo::exists(folder.absoluteFilePath())) << "the folder goes with the install engine";
    }
    EXPECT_EQ(QFileInfo(documents).permissions() & 0x0077, 0x0055) << "the user's folder keeps its permissions";
    EXPECT_EQ(QDir(documents).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"letter.txt"});
}

// The second process of the next test, with little address space to spare.
TEST(CompositionChild, KeepsTheSupportFolder)
{
    if (!qEnvironmentVariableIsSet(childData))
        GTEST_SKIP() << "runs as a second process";
    ASSERT_TRUE(test::limitAddressSpace(qint64(512) << 20));
    const Services services = Composition::standard({"tavren-hub", "--measure-launch"});
    ASSERT_TRUE(services.ledger);
    EXPECT_EQ(services.ledger->file, qEnvironmentVariable(childData) + "/Tavren Hub/installed.json");
    EXPECT_NE(services.installLock, nullptr);
    EXPECT_EQ(services.ledger->floor("com.tavren.synth"), "2.0");
}

// A huge ledger is no reason to leave the support folder: its install lock and version floors hold.
TEST(Composition, AHugeLedgerKeepsTheSupportFolder)
{
    QTemporaryDir root;
    const QString data = root.filePath("data"), support = data + "/Tavren Hub";
    ASSERT_TRUE(QDir().mkpath(support));
    QFile ledger(support + "/installed.json");
    ASSERT_TRUE(ledger.open(QIODevice::WriteOnly) && ::ftruncate(ledger.handle(), qint64(4) << 30) == 0);
    QFile floors(support + "/version-floors.json");
    ASSERT_TRUE(floors.open(QIODevice::WriteOnly) && floors.write(R"({"com.tavren.synth":"2.0"})") > 0 && floors.flush());
    EXPECT_EQ(test::runThisTest("CompositionChild.*", {{childData, data}, {"XDG_DATA_HOME", data}, {"XDG_CACHE_HOME", root.filePath("cache")}}), 0);
}
