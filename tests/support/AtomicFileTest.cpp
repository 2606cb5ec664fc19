#include "kit/support/AtomicFile.h"
#include "tests/testkit/FilePermissions.h"

#include <QDir>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace {

std::mutex flushedLock;
std::set<ino_t> flushedFolders;

} // namespace

// Every fsync of this process passes through here, so the test sees which folders were flushed.
extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    struct stat status{};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        const std::lock_guard lock(flushedLock);
        flushedFolders.insert(status.st_ino);
    }
    return real(fd);
}

TEST(AtomicFile, WritesAndCopiesReplaceWholeOwnerOnlyAndFlushTheFolder)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("state.json"));
    const QString source = folder.filePath(QStringLiteral(".source"));
    hub::AtomicFile::write(source, QByteArray(3 << 20, 'c'));
    for (const bool copy : {false, true}) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("older and longer content") > 0);
        old.close();
        ASSERT_TRUE(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        flushedFolders.clear();

        copy ? hub::AtomicFile::copy(source, path) : hub::AtomicFile::write(path, "new");
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), copy ? QByteArray(3 << 20, 'c') : QByteArray("new"));
        old.close();
        EXPECT_EQ(hub::test::permissionsOf(path), 0600u);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        struct stat status{};
        ASSERT_EQ(::stat(QFile::encodeName(folder.path()).constData(), &status), 0);
        EXPECT_EQ(flushedFolders.count(status.st_ino), 1u) << copy;
    }
    EXPECT_THROW(hub::AtomicFile::copy(folder.filePath(QStringLiteral("missing")), path), std::system_error);
}
