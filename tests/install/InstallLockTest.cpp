#include "kit/install/InstallLock.h"
#include "tests/testkit/FilePermissions.h"
#include "tests/testkit/ThisTestProcess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>

using hub::InstallLock;
using hub::test::runThisTest;
using hub::test::startThisTest;

namespace {

const char* childFolder = "HUB_LOCK_TEST_FOLDER";

// The answer of a second process's tryLock() on the folder: 0 taken, 1 refused.
int otherProcessTries(const QString& folder)
{
    return runThisTest(QStringLiteral("InstallLockChild.Tries"), {{QString::fromLatin1(childFolder), folder}});
}

} // namespace

TEST(InstallLockChild, Tries)
{
    if (!qEnvironmentVariableIsSet(childFolder))
        GTEST_SKIP() << "runs as a second process";
    InstallLock lock(qEnvironmentVariable(childFolder));
    std::exit(lock.tryLock() ? 0 : 1);
}

TEST(InstallLockChild, HoldsUntilKilled)
{
    if (!qEnvironmentVariableIsSet(childFolder))
        GTEST_SKIP() << "runs as a second process";
    InstallLock lock(qEnvironmentVariable(childFolder));
    std::cout << (lock.tryLock() ? "held" : "refused") << std::endl;
    std::string line;
    std::getline(std::cin, line); // waits for the parent, which kills it
    std::exit(0);
}

TEST(InstallLock, OneHolderAcrossObjectsAndProcesses)
{
    QTemporaryDir folder;
    InstallLock first(folder.path()), second(folder.path());
    EXPECT_FALSE(first.isHeld());
    EXPECT_FALSE(QFileInfo::exists(first.path));

    ASSERT_TRUE(first.tryLock());
    EXPECT_TRUE(first.tryLock()); // already held: no second open
    EXPECT_FALSE(second.tryLock());
    EXPECT_FALSE(second.isHeld());
    EXPECT_EQ(otherProcessTries(folder.path()), 1);

    first.unlock();
    first.unlock(); // not held: nothing happens
    EXPECT_EQ(otherProcessTries(folder.path()), 0);
    EXPECT_TRUE(second.tryLock());
    {
        InstallLock third(folder.path());
        second.unlock();
        ASSERT_TRUE(third.tryLock());
    } // destroying the holder releases it
    EXPECT_TRUE(first.tryLock());
    first.unlock();

    EXPECT_EQ(hub::test::permissionsOf(first.path), 0600u);
    EXPECT_EQ(QFileInfo(first.path).size(), 0);
}

TEST(InstallLock, KilledHolderFreesIt)
{
    QTemporaryDir folder;
    const auto holder = startThisTest(QStringLiteral("InstallLockChild.HoldsUntilKilled"),
                                      {{QString::fromLatin1(childFolder), folder.path()}});
    QByteArray answer; // the child's line after the test framework's own output
    while (answer != "held" && answer != "refused") {
        if (!holder->canReadLine())
            ASSERT_TRUE(holder->waitForReadyRead(60'000));
        else
            answer = holder->readLine().trimmed();
    }
    ASSERT_EQ(answer, QByteArray("held"));

    InstallLock lock(folder.path());
    EXPECT_FALSE(lock.tryLock());
    holder->kill();
    ASSERT_TRUE(holder->waitForFinished(60'000));
    EXPECT_TRUE(lock.tryLock());
}

TEST(InstallLock, MissingFolderIsRefusedAndNotMade)
{
    QTemporaryDir folder;
    InstallLock lock(folder.filePath(QStringLiteral("missing")));
    EXPECT_FALSE(lock.tryLock());
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("missing"))));
}

TEST(InstallLock, ALinkAtTheLockFileIsReplacedNeverWrittenThrough)
{
    QTemporaryDir folder, elsewhere;
    const QString missing = elsewhere.filePath(QStringLiteral("missing")), letter = elsewhere.filePath(QStringLiteral("letter.txt"));
    QFile file(letter);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("mine") == 4 && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    file.close();
    for (const QString& target : {missing, letter}) {
        InstallLock lock(folder.path());
        QFile::remove(lock.path);
        ASSERT_TRUE(QFile::link(target, lock.path));
        EXPECT_TRUE(lock.tryLock());
        EXPECT_TRUE(QFileInfo(lock.path).isFile() && !QFileInfo(lock.path).isSymLink()) << target.toStdString();
        EXPECT_EQ(hub::test::permissionsOf(lock.path), 0600u);
        EXPECT_FALSE(InstallLock(folder.path()).tryLock()) << "the lock is the file that stands there now";
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(hub::test::permissionsOf(letter), 0644u);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("mine"));
}
