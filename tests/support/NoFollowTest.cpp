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

// `depth` folders named "d", each in the one before, below `name` in `folder`; made level by
// level, since their path would be far longer than any path the system takes.
void plantDeepTree(int folder, const char* name, int depth)
{
    ::mkdirat(folder, name, 0700);
    FileDescriptor at(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int level = 0; level < depth && at.valid(); ++level) {
        ::mkdirat(at.get(), "d", 0700);
        at = FileDescriptor(::openat(at.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
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

// A planted deep tree takes no more than a few descriptors and no stack per level: the
// rest of the process can still open files, and a tree too deep is left as it is.
TEST(NoFollow, ADeepTreeNeitherUsesUpDescriptorsNorTheStack)
{
    QTemporaryDir box;
    const FileDescriptor folder(::open(QFile::encodeName(box.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(folder.valid());
    EXPECT_EQ(hub::test::runInChild([&folder] {
        const rlimit few{rlim_t(highestDescriptor() + 16), rlim_t(highestDescriptor() + 16)};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            return 1;
        plantDeepTree(folder.get(), "deep", 100);
        if (!hub::NoFollow::removeTree(folder.get(), "deep") || ::faccessat(folder.get(), "deep", F_OK, AT_SYMLINK_NOFOLLOW) == 0)
            return 2;
        plantDeepTree(folder.get(), "deeper", hub::NoFollow::removeTreeDepth + 10);
        const int before = highestDescriptor();
        if (hub::NoFollow::removeTree(folder.get(), "deeper") || highestDescriptor() != before)
            return 3;
        // Taken from further down, what was too deep goes.
        FileDescriptor below(::openat(folder.get(), "deeper", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        for (int level = 0; level < 20; ++level)
            below = FileDescriptor(::openat(below.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return hub::NoFollow::removeTree(below.get(), "d") && hub::NoFollow::removeTree(folder.get(), "deeper") ? 0 : 4;
    }),
        0);
}
