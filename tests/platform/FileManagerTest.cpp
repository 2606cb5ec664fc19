#include "kit/platform/FileManager.h"
#include "kit/platform/TrashError.h"
#include "kit/support/FileDescriptor.h"
#include "tests/testkit/ForkedChild.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <sys/fanotify.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace hub;
using S = QString;

namespace {

QByteArray encoded(const S& path) { return QFile::encodeName(path); }
dev_t deviceOf(const S& path) { struct stat s {}; return ::stat(encoded(path).constData(), &s) == 0 ? s.st_dev : 0; }
mode_t mode(const S& path) { struct stat s {}; return ::lstat(encoded(path).constData(), &s) == 0 ? s.st_mode & 07777 : 0; }
bool give(const S& path) { return ::lchown(encoded(path).constData(), 65534, 65534) == 0; }
bool setMode(const S& path, mode_t m) { return ::chmod(encoded(path).constData(), m) == 0; }
bool put(const S& path, const QByteArray& bytes) { QFile f(path); return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(); }
// What is at the path, links not followed: "-> target", "<dir>", "<file>", or "" for nothing.
QByteArray what(const S& path)
{
    const QFileInfo i(path);
    return i.isSymLink() ? "-> " + encoded(i.symLinkTarget()) : QByteArray(i.isDir() ? "<dir>" : i.exists() ? "<file>" : "");
}
// The Path= line of the Trash's entry for `name`.
QByteArray recordedPath(const S& trash, const S& name)
{
    QFile f(trash + "/info/" + name + ".trashinfo");
    return f.open(QIODevice::ReadOnly) ? f.readAll().split('\n').value(1) : QByteArray();
}
// The disk space of the tree at the path, in bytes, as du counts it.
QByteArray diskUse(const S& path) { QProcess du; du.start("du", {"-sB1", path}); du.waitForFinished(); return du.readAllStandardOutput().split('\t').value(0); }
// Where the Trash took the item, or why it did not.
S outcome(const S& item) { try { return FileManager::trashItem(item); } catch (const TrashError& error) { return error.message(); } }

// Each test has its own home Trash. /dev/shm, the second volume, is used only as a volume of its own whose Trash was
// not there before, once what killed runs left there is cleared; runs take turns at it.
class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::flock(shmLock.get(), LOCK_EX);
        ASSERT_TRUE(dir.isValid() && QDir().mkpath(data) && qputenv("XDG_DATA_HOME", encoded(data)));
        for (const S& at : {shmTrash, shared + "/" + uid, shared}) { // what killed runs left: their items, then the emptied folders
            for (const S& entry : QDir(at + "/info").entryList(QDir::Files))
                if (recordedPath(at, entry.chopped(10)).startsWith("Path=tavren-hub-test-") && FileManager::removeItem(at + "/files/" + entry.chopped(10)))
                    QFile::remove(at + "/info/" + entry);
            for (const S& folder : {at + "/files", at + "/info", at})
                QDir().rmdir(folder) && folder.endsWith("/info") && QFile::remove(at + "/directorysizes");
        }
        const bool own = shm.isValid() && deviceOf(shm.path()) != deviceOf(dir.path()) && deviceOf(shmTop) != deviceOf("/dev") && !QFileInfo(shmTop).isSymLink();
        why = !own ? "no second volume at /dev/shm" : (what(shmTrash) + what(shared)).isEmpty() ? S() : shmTrash + " or " + shared + " holds what these tests did not put there";
    }
    void TearDown() override { QDir::setCurrent(startedIn); EXPECT_TRUE(!why.isEmpty() || (FileManager::removeItem(shmTrash) && FileManager::removeItem(shared))); }
    QTemporaryDir dir;
    S data = dir.filePath("data"), trash = data + "/Trash", uid = S::number(::geteuid()), startedIn = QDir::currentPath();
    S shmTop = "/dev/shm", shmTrash = shmTop + "/.Trash-" + uid, shared = shmTop + "/.Trash";
    FileDescriptor shmLock{::open("/dev/shm", O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    QTemporaryDir shm{shmTop + "/tavren-hub-test-XXXXXX"};
    S why; // the second volume cannot be used
};

// An item goes as itself to the Trash of its own folder's volume, from any current folder; no Trash is made elsewhere.
TEST_F(FileManagerTest, AnItemGoesAsItselfToTheTrashOfItsOwnFolder)
{
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    const S volumes[] = {dir.path(), shm.path()}, trashes[] = {trash, shmTrash};
    for (const S& volume : volumes)
        ASSERT_TRUE(QDir().mkpath(volume + "/in") && QFile(volume + "/away").open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir().mkpath(trash) && put(trash + "/directorysizes", "4096 1 Gone\n")); // a folder no longer in files/
    for (int here : {0, 1}) {
        ASSERT_TRUE(QDir::setCurrent(volumes[here]));
        for (int on : {0, 1}) {
            const S mark = S::number(here), items[][2] = {
                {":Synth " + mark, {}}, {"Dangling " + mark, volumes[on] + "/missing"}, {"Away " + mark, volumes[1 - on] + "/away"}};
            for (const auto& [name, target] : items) {
                SCOPED_TRACE((name + u' ' + S::number(on)).toStdString());
                const S item = volumes[on] + "/in/" + name, went = trashes[on] + "/files/" + name;
                ASSERT_TRUE(target.isEmpty() ? QDir().mkpath(item + "/sub") && put(item + "/seal", "12345")
                                                   && !::link(encoded(item + "/seal"), encoded(item + "/sub/seal"))
                                             : QFile::link(target, item));
                const QByteArray before = what(item);
                EXPECT_EQ(FileManager::trashItem(item), went);
                EXPECT_EQ((QList{what(item), what(went)}), (QList<QByteArray>{"", before}));
                EXPECT_EQ(recordedPath(trashes[on], name), "Path=" + QUrl::toPercentEncoding(on ? item.mid(shmTop.size() + 1) : item, "/"));
            }
        }
    }
    const auto entries = [](const S& folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); };
    EXPECT_EQ((QList{entries(volumes[0]), entries(volumes[1])}), (QList<QStringList>{{"away", "data", "in"}, {"away", "in"}}));
    for (const S& at : trashes) { // a folder's line in directorysizes: its disk space, its record's mtime, its name escaped; none for one gone
        const auto line = [&](const S& name, const QByteArray& escaped) {
            const qint64 recorded = QFileInfo(at + "/info/" + name + ".trashinfo").lastModified().toSecsSinceEpoch();
            return diskUse(at + "/files/" + name) + ' ' + QByteArray::number(recorded) + ' ' + escaped + '\n';
        };
        QFile sizes(at + "/directorysizes");
        EXPECT_TRUE(sizes.open(QIODevice::ReadOnly) && sizes.readAll() == line(":Synth 0", "%3ASynth%200") + line(":Synth 1", "%3ASynth%201")
                    && mode(sizes.fileName()) == 0600);
    }
}

// The home Trash (maybe the user's link) and its files/ and info/ must be real folders of the user's, else nothing goes.
TEST_F(FileManagerTest, AHomeTrashThatIsNotWhollyTheUsersTakesNothing)
{
    if (::geteuid() != 0) GTEST_SKIP() << "gives folders to another user";
    const S theirs = dir.filePath("theirs"), item = dir.filePath("Synth.vst3"), otherUser = trash + " belongs to another user";
    const auto link = [&] { return QFile::link(theirs, trash); };
    const auto open = [&] { return QDir().mkdir(trash) && setMode(trash, 0777); };
    const std::pair<std::function<bool()>, S> cases[] = {{[&] { return link() && give(theirs); }, otherUser},
        {[&] { return link() && give(trash); }, otherUser}, {[&] { return open() && give(trash); }, otherUser},
        {[&] { return open() && QFile::link(theirs, trash + "/files"); }, trash + "/files is a link, not a folder"},
        {[&] { return open() && QDir().mkdir(trash + "/info") && give(trash + "/info"); }, trash + "/info belongs to another user"}, {link, trash + "/files/Synth.vst3"}};
    for (const auto& [setUp, refusal] : cases) {
        SCOPED_TRACE(refusal.toStdString());
        ASSERT_TRUE(FileManager::removeItem(trash) && FileManager::removeItem(theirs) && QDir().mkdir(theirs) && QDir().mkpath(item) && setUp());
        const bool refused = !refusal.endsWith("/files/Synth.vst3");
        EXPECT_EQ(outcome(item), refusal);
        EXPECT_EQ((QList{QFileInfo::exists(item), QDir(theirs).isEmpty()}), (QList{refused, refused}));
    }
}

// A volume's top-directory Trash: .Trash/$uid when .Trash is a real sticky folder, else .Trash-$uid, never a link or a file.
TEST_F(FileManagerTest, AnItemOnAnotherVolumeGoesToTheTrashAtItsTop)
{
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    const S elsewhere = shm.filePath("elsewhere"), linked = elsewhere + "/shared", own = shmTrash;
    const auto item = [&](const S& name) { EXPECT_TRUE(QDir().mkpath(shm.filePath(name + "/Contents"))); return shm.filePath(name); };
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    EXPECT_EQ(FileManager::trashItem(item("TV Delay.vst3")), own + "/files/TV Delay.vst3");
    EXPECT_EQ((QList{mode(own), mode(own + "/files"), mode(own + "/info"), mode(own + "/info/TV Delay.vst3.trashinfo")}),
              (QList<mode_t>{0700, 0700, 0700, 0600}));
    EXPECT_EQ(recordedPath(own, "TV Delay.vst3"), "Path=" + encoded(QFileInfo(shm.path()).fileName()) + "/TV%20Delay.vst3");
    const std::pair<std::function<bool()>, S> tops[] = {{[&] { return QDir().mkdir(shared) && setMode(shared, 01777); }, shared + "/" + uid + "/files/A"},
        {[&] { return setMode(shared, 0777); }, own + "/files/B"},
        {[&] { return QDir(shared).removeRecursively() && QDir().mkdir(linked) && QFile::link(linked, shared) && setMode(linked, 01777); }, own + "/files/C"},
        {[&] { return QDir(own).removeRecursively() && QFile::link(elsewhere, own); }, TrashError::link(own).message()},
        {[&] { return QFile::remove(own) && QFile(own).open(QIODevice::WriteOnly); }, TrashError::notAFolder(own).message()}};
    for (char letter = 'A'; const auto& [make, went] : tops) {
        const S name(QLatin1Char(letter++)), path = item(name);
        ASSERT_TRUE(make());
        EXPECT_EQ(outcome(path), went);
        EXPECT_EQ(QFileInfo::exists(path), !went.endsWith("/files/" + name));
    }
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"shared"});
}

// What a killed run trashed on the second volume is cleared before the next test, which then runs.
TEST_F(FileManagerTest, ARunKilledOnTheSecondVolumeStopsNoLaterTest)
{
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    ASSERT_TRUE(QDir().mkdir(shm.filePath("left")) && FileManager::trashItem(shm.filePath("left")) == shmTrash + "/files/left");
    SetUp();
    EXPECT_EQ(why, S());
}

// A folder above the items swapped for a link to the other volume's and back while they go: each goes to the Trash of
// the volume it is on, recorded where it was; no Trash is made below the volume's top.
TEST_F(FileManagerTest, AFolderSwappedForALinkMeanwhileSendsNothingAstray)
{
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    const S real = shm.filePath("a"), link = shm.filePath("link"), other = dir.filePath("a"), below = "Path=" + QFileInfo(shm.path()).fileName();
    ASSERT_TRUE(QDir().mkpath(real + "/b") && QDir().mkpath(other + "/b") && QFile::link(other, link));
    const int items = 2750;
    for (int i = 0; i < items; ++i)
        ASSERT_TRUE(QFile(real + "/b/" + S::number(i)).open(QIODevice::WriteOnly) && QFile(other + "/b/" + S::number(i)).open(QIODevice::WriteOnly));
    std::atomic<int> swaps = 0;
    std::jthread swapper([&](std::stop_token stop) { while (!stop.stop_requested()) swaps += !::renameat2(AT_FDCWD, encoded(real), AT_FDCWD, encoded(link), RENAME_EXCHANGE); });
    int met = 0; // moves a swap met
    for (int i = 0; i < items; ++i) {
        for (const int last = swaps; swaps == last;) // the swapper is running as the move starts
            std::this_thread::yield();
        const int before = swaps;
        const S name = "/" + S::number(i), went = outcome(real + "/b" + name), at = went.section('/', 0, -3);
        met += swaps != before;
        const QStringList where = at == shmTrash ? QStringList{below + "/a/b" + name, below + "/link/b" + name} : QStringList{"Path=" + other + "/b" + name};
        EXPECT_TRUE(went.endsWith("/files" + name) && where.contains(recordedPath(at, name.mid(1)))) << went.toStdString();
    }
    swapper.request_stop();
    swapper.join();
    EXPECT_GE(met, items / 2);
    EXPECT_FALSE(QDirIterator(shm.path(), {".Trash*"}, QDir::AllEntries | QDir::Hidden, QDirIterator::Subdirectories).hasNext());
}

// The item's folder swapped for a link while its record is written (a permission watch on info/ holds the write): the
// record names where the folder is, not the name it passed through.
TEST_F(FileManagerTest, ARecordNamesWhereTheFolderIsNotANameItPassedThrough)
{
    const S real = dir.filePath("a"), link = dir.filePath("link");
    FileDescriptor watch(::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY));
    ASSERT_TRUE(QDir().mkpath(real + "/Synth.vst3") && QDir().mkpath(trash + "/info") && QFile::link(dir.path(), link));
    if (::fanotify_mark(watch.get(), FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, encoded(trash + "/info").constData())) GTEST_SKIP() << "no permission watch: it needs root";
    std::jthread swapper([&, events = 0](std::stop_token stop) mutable {
        for (fanotify_event_metadata event; !stop.stop_requested();)
            if (::read(watch.get(), &event, sizeof event) == sizeof event) {
                (void)(events++ || ::renameat2(AT_FDCWD, encoded(real), AT_FDCWD, encoded(link), RENAME_EXCHANGE));
                const fanotify_response allow{event.fd, FAN_ALLOW};
                (void)!::write(watch.get(), &allow, sizeof allow), ::close(event.fd);
            }
    });
    EXPECT_EQ(FileManager::trashItem(real + "/Synth.vst3"), trash + "/files/Synth.vst3");
    swapper = {}, watch = FileDescriptor(); // nothing holds the reads below
    EXPECT_EQ((QList{what(link), recordedPath(trash, "Synth.vst3")}), (QList<QByteArray>{"<dir>", "Path=" + QUrl::toPercentEncoding(link + "/Synth.vst3", "/")}));
}

// The item's folder swapped for a link as soon as the item has left it: every record names where the folder was when the
// item left, never where it went after.
TEST_F(FileManagerTest, ARecordNamesWhereTheFolderWasWhenTheItemLeft)
{
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString(); // a swap on tmpfs is quick enough to beat a second look
    const S real = shm.filePath("a"), link = shm.filePath("link"), below = real.mid(shmTop.size() + 1);
    ASSERT_TRUE(QDir().mkpath(real) && QDir().mkpath(shm.filePath("b")) && QFile::link(shm.filePath("b"), link));
    const FileDescriptor folder(::open(encoded(real), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const auto swap = [&] { return !::renameat2(AT_FDCWD, encoded(real), AT_FDCWD, encoded(link), RENAME_EXCHANGE); };
    std::atomic<int> armed = -1; // the item whose leaving swaps the folder
    std::jthread swapper([&](std::stop_token stop) {
        for (struct stat s {}; !stop.stop_requested();)
            if (const int item = armed; item >= 0 && ::fstatat(folder.get(), QByteArray::number(item), &s, AT_SYMLINK_NOFOLLOW))
                armed = swap() ? -1 : -2;
    });
    for (int i = 0; i < 3000; ++i) {
        const S name = S::number(i);
        ASSERT_TRUE(put(real + "/" + name, {}) && (armed = i) == i && FileManager::trashItem(real + "/" + name) == shmTrash + "/files/" + name);
        while (armed >= 0) std::this_thread::yield();
        ASSERT_TRUE(armed == -1 && swap()); // and back
        ASSERT_EQ(S(recordedPath(shmTrash, name)), S("Path=" + QUrl::toPercentEncoding(below + "/" + name, "/")));
    }
}

// A refused item stays, and the refusal names what refused: a path without a name of its own (it would send the folder
// it leads to, with all it holds), the folder it is in when the user may not write there, or an item that may not move
// (immutable), not the Trash that takes the others.
TEST_F(FileManagerTest, ARefusalNamesWhatRefusedAndNothingMoves)
{
    const S here = dir.filePath("here"), fixed = here + "/sub/Synth.vst3";
    ASSERT_TRUE(QDir().mkpath(fixed) && QDir::setCurrent(here));
    for (const S& path : {S(), S("."), S(".."), S("sub/.."), S("sub/./"), S(here + "/sub/../"), S("/")})
        EXPECT_EQ(outcome(path), TrashError::noName(path).message());
    EXPECT_EQ((QList{what(fixed), what(trash)}), (QList<QByteArray>{"<dir>", ""}));
    if (::geteuid() != 0 || !setMode(dir.path(), 0755) || !QDir().mkdir(dir.filePath("nobody")) || !give(dir.filePath("nobody"))) GTEST_SKIP() << "runs as another user";
    EXPECT_EQ(test::runInChild([&] { // as nobody, with a Trash of its own, from this user's folder
        return ::setgid(65534) || ::setuid(65534) || !qputenv("XDG_DATA_HOME", encoded(dir.filePath("nobody"))) ? 2 : outcome(fixed) == TrashError::system(here + "/sub", EACCES).message() ? 0 : 1;
    }), 0);
    EXPECT_EQ(what(fixed), "<dir>");
    if (QProcess::execute("chattr", {"+i", fixed}) != 0) GTEST_SKIP() << "chattr +i refused: it needs root";
    EXPECT_EQ(outcome(fixed), TrashError::system(fixed, EPERM).message());
    EXPECT_EQ(QProcess::execute("chattr", {"-i", fixed}), 0);
}

} // namespace
