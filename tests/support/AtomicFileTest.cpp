#include "kit/support/AtomicFile.h"
#include "tests/testkit/FilePermissions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/stat.h>

namespace {

std::mutex flushedLock;
std::set<std::pair<dev_t, ino_t>> flushedFolders;

std::pair<dev_t, ino_t> identityOf(const QString& path)
{
    struct stat status{};
    ::stat(QFile::encodeName(path).constData(), &status);
    return {status.st_dev, status.st_ino};
}

bool wasFlushed(const QString& folder)
{
    const std::lock_guard lock(flushedLock);
    return flushedFolders.count(identityOf(folder)) > 0;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// Every fsync of this process passes through here on its way to the C library, so
// the tests can see which folders were flushed.
extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    struct stat status{};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        const std::lock_guard lock(flushedLock);
        flushedFolders.insert({status.st_dev, status.st_ino});
    }
    return real(fd);
}

TEST(AtomicFile, ReplacesWholeOwnerOnlyAndFlushesTheFolder)
{
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source"));
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3 << 20, 'c'));
    file.close();

    const std::pair<const char*, std::function<void(const QString&)>> ways[] = {
        {"write", [](const QString& path) { hub::AtomicFile::write(path, "new content"); }},
        {"copy", [&](const QString& path) { hub::AtomicFile::copy(source, path); }},
    };
    for (const auto& [name, replace] : ways) {
        SCOPED_TRACE(name);
        QTemporaryDir target;
        const QString path = target.filePath(QStringLiteral("state.json"));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content, longer than the new");
        old.close();
        ASSERT_TRUE(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));

        replace(path);
        EXPECT_EQ(contents(path), QByteArrayView(name) == "write" ? QByteArray("new content") : contents(source));
        EXPECT_EQ(hub::test::permissionsOf(path), 0600u);
        EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("state.json")});
        EXPECT_TRUE(wasFlushed(target.path()));
    }

    EXPECT_THROW(hub::AtomicFile::copy(folder.filePath(QStringLiteral("missing")), folder.filePath(QStringLiteral("x"))),
                 std::system_error);
    EXPECT_THROW(hub::AtomicFile::write(folder.filePath(QStringLiteral("no/such/folder")), "x"), std::system_error);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("x"))));
}
