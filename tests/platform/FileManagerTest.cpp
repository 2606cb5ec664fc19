#include "kit/platform/FileManager.h"
#include "kit/platform/TrashError.h"
#include "kit/support/FileDescriptor.h"
#include "tests/testkit/Thrown.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::thrown;

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

dev_t deviceOf(const QString& path)
{
    struct stat status {};
    return ::stat(encoded(path).constData(), &status) == 0 ? status.st_dev : 0;
}

// What is at the path, links not followed: "-> target", "<dir>", "<file>", or "" for nothing.
QByteArray what(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? "-> " + encoded(info.symLinkTarget()) : QByteArray(info.isDir() ? "<dir>" : info.exists() ? "<file>" : "");
}

// Each test has its own home Trash. /dev/shm is the second volume, a tmpfs of its own on most
// machines; its Trash is shared with other runs of these tests, which take turns, and is
// used only when it was not there before.
class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid() && QDir().mkpath(data));
        qputenv("XDG_DATA_HOME", encoded(data));
        ::flock(shmLock.get(), LOCK_EX);
        secondVolume = shm.isValid() && deviceOf(shm.path()) != deviceOf(dir.path()) && deviceOf(shmTop) != deviceOf(QStringLiteral("/dev"))
            && !QFileInfo(shmTop).isSymLink() && what(shmTrash).isEmpty() && what(shmTop + QStringLiteral("/.Trash")).isEmpty();
    }

    void TearDown() override
    {
        QDir::setCurrent(startedIn);
        if (secondVolume) {
            EXPECT_TRUE(FileManager::removeItem(shmTrash) && FileManager::removeItem(shmTop + QStringLiteral("/.Trash")));
        }
    }

    // The Path= line of the Trash's entry for `name`.
    static QByteArray recordedPath(const QString& trash, const QString& name)
    {
        QFile info(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        return info.open(QIODevice::ReadOnly) ? info.readAll().split('\n').value(1) : QByteArray();
    }

    QTemporaryDir dir;
    QString data = dir.filePath(QStringLiteral("data"));
    QString uid = QString::number(::geteuid());
    QString shmTop = QStringLiteral("/dev/shm"), shmTrash = shmTop + QStringLiteral("/.Trash-") + uid;
    FileDescriptor shmLock{::open("/dev/shm", O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    QTemporaryDir shm{shmTop + QStringLiteral("/tavren-hub-test-XXXXXX")};
    bool secondVolume = false;
    QString startedIn = QDir::currentPath();
};

// An item goes as itself (a link as a link) to the Trash of the volume its own folder is on,
// recorded there under its real folder, whatever folder the process runs in.
TEST_F(FileManagerTest, AnItemGoesAsItselfToTheTrashOfItsOwnFolder)
{
    if (!secondVolume)
        GTEST_SKIP() << "no second volume at /dev/shm";
    const QString volumes[] = {dir.path(), shm.path()}, trashes[] = {data + QStringLiteral("/Trash"), shmTrash};
    for (const QString& volume : volumes)
        ASSERT_TRUE(QDir().mkpath(volume + QStringLiteral("/in")) && QFile(volume + QStringLiteral("/away")).open(QIODevice::WriteOnly));
    for (int here : {0, 1}) {
        ASSERT_TRUE(QDir::setCurrent(volumes[here]));
        for (int on : {0, 1}) {
            const QString mark = QString::number(here);
            const QString items[][2] = {{QStringLiteral(":Synth ") + mark, {}},
                                        {QStringLiteral("Dangling ") + mark, volumes[on] + QStringLiteral("/missing")},
                                        {QStringLiteral("Away ") + mark, volumes[1 - on] + QStringLiteral("/away")}};
            for (const auto& [name, target] : items) {
                SCOPED_TRACE((name + u' ' + QString::number(on)).toStdString());
                const QString item = volumes[on] + QStringLiteral("/in/") + name;
                ASSERT_TRUE(target.isEmpty() ? QDir().mkdir(item) : QFile::link(target, item));
                const QByteArray before = what(item);
                EXPECT_EQ(FileManager::trashItem(item), trashes[on] + QStringLiteral("/files/") + name);
                EXPECT_EQ((QList{what(item), what(trashes[on] + QStringLiteral("/files/") + name)}), (QList<QByteArray>{"", before}));
                EXPECT_EQ(recordedPath(trashes[on], name), "Path=" + QUrl::toPercentEncoding(on ? item.mid(shmTop.size() + 1) : item, "/"));
            }
        }
    }
    // No Trash was made anywhere else: beside a target, or in a current folder.
    const auto entries = [](const QString& folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); };
    EXPECT_EQ((QList{entries(volumes[0]), entries(volumes[1])}), (QList<QStringList>{{"away", "data", "in"}, {"away", "in"}}));
}

// The home Trash may be the user's link, but only to a folder of theirs; files/ and info/ in
// it must be real folders of theirs. Else the item stays and the user reads why.
TEST_F(FileManagerTest, AHomeTrashThatIsNotWhollyTheUsersTakesNothing)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "gives folders to another user";
    const QString trash = data + QStringLiteral("/Trash"), theirs = dir.filePath(QStringLiteral("theirs"));
    const QString item = dir.filePath(QStringLiteral("Synth.vst3"));
    const auto give = [](const QString& path) { return ::lchown(encoded(path).constData(), 65534, 65534) == 0; };
    const auto link = [&] { return QFile::link(theirs, trash); };
    const auto open = [&] { return QDir().mkdir(trash) && ::chmod(encoded(trash).constData(), 0777) == 0; };
    const QString otherUser = trash + QStringLiteral(" belongs to another user");
    const std::pair<std::function<bool()>, QString> cases[] = {
        {[&] { return link() && give(theirs); }, otherUser},
        {[&] { return link() && give(trash); }, otherUser},
        {[&] { return open() && give(trash); }, otherUser},
        {[&] { return open() && QFile::link(theirs, trash + QStringLiteral("/files")); }, trash + QStringLiteral("/files is a link, not a folder")},
        {[&] { return open() && QDir().mkdir(trash + QStringLiteral("/info")) && give(trash + QStringLiteral("/info")); },
         trash + QStringLiteral("/info belongs to another user")},
        {link, {}},
    };
    for (const auto& [setUp, refusal] : cases) {
        SCOPED_TRACE(refusal.toStdString());
        ASSERT_TRUE(FileManager::removeItem(trash) && FileManager::removeItem(theirs) && QDir().mkdir(theirs) && QDir().mkpath(item));
        ASSERT_TRUE(setUp());
        const QString message = [&] {
            try {
                FileManager::trashItem(item);
                return QString();
            } catch (const TrashError& error) {
                return error.message();
            }
        }();
        EXPECT_EQ(message, refusal);
        EXPECT_EQ((QList{QFileInfo::exists(item), QDir(theirs).isEmpty()}), (QList{!refusal.isEmpty(), !refusal.isEmpty()}));
    }
}

// A volume's top-directory Trash: .Trash/$uid when .Trash is a real sticky folder, else .Trash-$uid, never a link or a file.
TEST_F(FileManagerTest, AnItemOnAnotherVolumeGoesToTheTrashAtItsTop)
{
    if (!secondVolume)
        GTEST_SKIP() << "no second volume at /dev/shm";
    const QString elsewhere = shm.filePath(QStringLiteral("elsewhere")), own = shmTrash, shared = shmTop + QStringLiteral("/.Trash");
    const auto mode = [](const QString& path) {
        struct stat status {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
    };
    const auto item = [&](const QString& name) {
        const QString path = shm.filePath(name);
        EXPECT_TRUE(QDir().mkpath(path + QStringLiteral("/Contents")));
        return path;
    };

    ASSERT_TRUE(QDir().mkpath(elsewhere));
    EXPECT_EQ(FileManager::trashItem(item(QStringLiteral("TV Delay.vst3"))), own + QStringLiteral("/files/TV Delay.vst3"));
    QFile info(own + QStringLiteral("/info/TV Delay.vst3.trashinfo"));
    EXPECT_EQ((QList{mode(own), mode(own + QStringLiteral("/files")), mode(own + QStringLiteral("/info")), mode(info.fileName())}),
              (QList<mode_t>{0700, 0700, 0700, 0600}));
    EXPECT_EQ(recordedPath(own, QStringLiteral("TV Delay.vst3")), "Path=" + encoded(QFileInfo(shm.path()).fileName()) + "/TV%20Delay.vst3");

    ASSERT_TRUE(QDir().mkdir(shared) && ::chmod(QFile::encodeName(shared).constData(), 01777) == 0);
    EXPECT_EQ(FileManager::trashItem(item(QStringLiteral("A.vst3"))), shared + u'/' + uid + QStringLiteral("/files/A.vst3"));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
    EXPECT_EQ(FileManager::trashItem(item(QStringLiteral("B.vst3"))), own + QStringLiteral("/files/B.vst3"));
    const QString linked = elsewhere + QStringLiteral("/shared");
    ASSERT_TRUE(QDir(shared).removeRecursively() && QDir().mkdir(linked) && QFile::link(linked, shared));
    ASSERT_EQ(::chmod(QFile::encodeName(linked).constData(), 01777), 0);
    EXPECT_EQ(FileManager::trashItem(item(QStringLiteral("C.vst3"))), own + QStringLiteral("/files/C.vst3"));

    const QString kept = item(QStringLiteral("D.vst3"));
    ASSERT_TRUE(QDir(own).removeRecursively() && QFile::link(elsewhere, own));
    EXPECT_EQ(thrown<TrashError>([&] { FileManager::trashItem(kept); }), TrashError::link(own));
    ASSERT_TRUE(QFile::remove(own) && QFile(own).open(QIODevice::WriteOnly));
    EXPECT_EQ(thrown<TrashError>([&] { FileManager::trashItem(kept); }), TrashError::notAFolder(own));
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"shared"});
}

} // namespace
