#include "kit/support/AppDirectories.h"
#include "tests/testkit/FilePermissions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// A folder of the user's own files that another program puts where the hub keeps its folders.
TEST(AppDirectories, AFolderThatIsALinkOrAnotherUsersIsRefusedAndLeftAsItIs)
{
    struct Case {
        const char* name;
        std::function<void(const QString& cache, const QString& documents)> plant;
    };
    const auto link = [](const QString& target, const QString& at) {
        QDir().mkpath(QFileInfo(at).path());
        ASSERT_TRUE(QFile::link(target, at));
    };
    const Case cases[] = {
        {"work is a link", [&](const QString& cache, const QString& documents) { link(documents, cache + "/com.tavren.hub/work"); }},
        {"the cache root is a link", [&](const QString& cache, const QString& documents) { link(documents, cache + "/com.tavren.hub"); }},
        {"work is a dangling link",
         [&](const QString& cache, const QString& documents) { link(documents + "/missing", cache + "/com.tavren.hub/work"); }},
        {"work is another user's",
         [](const QString& cache, const QString&) {
             const QString work = cache + "/com.tavren.hub/work";
             QDir().mkpath(work);
             ASSERT_EQ(::chown(QFile::encodeName(work).constData(), 65534, 65534), 0);
             ASSERT_EQ(::chmod(QFile::encodeName(work).constData(), 0755), 0);
         }},
    };
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        if (QByteArray(each.name).contains("another user") && ::geteuid() != 0)
            continue; // only root can give a folder away
        QTemporaryDir box;
        const QString cache = box.filePath(QStringLiteral("cache")), documents = box.filePath(QStringLiteral("documents"));
        QDir().mkpath(documents);
        QFile(documents + QStringLiteral("/letter.txt")).open(QIODevice::WriteOnly);
        ASSERT_EQ(::chmod(QFile::encodeName(documents).constData(), 0755), 0);
        each.plant(cache, documents);
        qputenv("XDG_CACHE_HOME", cache.toLocal8Bit());
        EXPECT_THROW(hub::AppDirectories::work(), std::system_error);
        EXPECT_EQ(hub::test::permissionsOf(documents), 0755u);
        EXPECT_EQ(QDir(documents).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"letter.txt"});
        if (QByteArray(each.name).contains("another user")) {
            EXPECT_EQ(hub::test::permissionsOf(cache + QStringLiteral("/com.tavren.hub/work")), 0755u);
        }
    }
    qputenv("XDG_CACHE_HOME", saved);
}

// Unlike the cache, the support folder holds the ledger: one the user moved behind a link stays in use.
TEST(AppDirectories, ASupportFolderTheUserMovedBehindALinkStaysInUse)
{
    QTemporaryDir box;
    const QString data = box.filePath(QStringLiteral("data")), moved = box.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(data);
    QDir().mkpath(moved);
    ASSERT_TRUE(QFile::link(moved, data + QStringLiteral("/Tavren Hub")));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    EXPECT_EQ(hub::AppDirectories::support(), data + QStringLiteral("/Tavren Hub"));
    qputenv("XDG_DATA_HOME", saved);
}

} // namespace
