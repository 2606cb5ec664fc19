#include "kit/support/FileDescriptor.h"
#include "kit/support/NoFollow.h"
#include "tests/testkit/ForkedChild.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using hub::FileDescriptor;

namespace {

// Opens (made first when `make`) `depth` folders named "d" each in the one before, below `name` in `folder`,
// level by level: their path is longer than any the system takes.
FileDescriptor descend(int folder, const char* name, int depth, bool make)
{
    FileDescriptor at;
    for (int level = 0; level <= depth && (level == 0 || at.valid()); ++level) {
        const int in = level == 0 ? folder : at.get();
        if (make)
            ::mkdirat(in, level == 0 ? name : "d", 0700);
        at = FileDescriptor(::openat(in, level == 0 ? name : "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return at;
}

// The highest descriptor open in this process.
int highestDescriptor()
{
    int highest = -1;
    for (const QString& entry : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System))
        highest = std::max(highest, entry.toInt());
    return highest;
}

} // namespace

// A planted deep tree takes a few descriptors and no stack per level; one too deep is left as it is.
TEST(NoFollow, ADeepTreeNeitherUsesUpDescriptorsNorTheStack)
{
    QTemporaryDir box;
    const FileDescriptor folder(::open(QFile::encodeName(box.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(folder.valid());
    EXPECT_EQ(hub::test::runInChild([&folder] {
        const rlimit few{rlim_t(highestDescriptor() + 16), rlim_t(highestDescriptor() + 16)};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            return 1;
        descend(folder.get(), "deep", 100, true);
        if (!hub::NoFollow::removeTree(folder.get(), "deep") || ::faccessat(folder.get(), "deep", F_OK, AT_SYMLINK_NOFOLLOW) == 0)
            return 2;
        descend(folder.get(), "deeper", hub::NoFollow::removeTreeDepth + 10, true);
        const int before = highestDescriptor();
        if (hub::NoFollow::removeTree(folder.get(), "deeper") || highestDescriptor() != before)
            return 3;
        // Taken from further down, what was too deep goes.
        const FileDescriptor below = descend(folder.get(), "deeper", 20, false);
        return hub::NoFollow::removeTree(below.get(), "d") && hub::NoFollow::removeTree(folder.get(), "deeper") ? 0 : 4;
    }),
        0);
}
