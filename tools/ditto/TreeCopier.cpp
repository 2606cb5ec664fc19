#include "tools/ditto/TreeCopier.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace hub::tools {

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path)
{
    throw ToolFailure(what + " " + path.string() + ": " + std::strerror(errno));
}

void copyTimes(const fs::path& dest, const struct stat& info)
{
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    utimensat(AT_FDCWD, dest.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
};

// One read and write, for file systems that cannot copy ranges.
ssize_t copyByReading(int in, int out, size_t most)
{
    std::vector<char> buffer(most);
    const ssize_t got = read(in, buffer.data(), buffer.size());
    for (ssize_t done = 0; done < got;) {
        const ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
        if (put < 0)
            return -1;
        done += put;
    }
    return got;
}

} // namespace

TreeCopier::TreeCopier(WriteBudget& budget)
    : budget_(budget)
{
}

bool TreeCopier::copy(const fs::path& source, const fs::path& dest)
{
    struct stat info {};
    if (lstat(source.c_str(), &info) != 0)
        fail("cannot read", source);
    fs::path target = dest;
    if (!S_ISDIR(info.st_mode) && fs::is_directory(dest))
        target = dest / source.filename();
    return copyEntry(source, target);
}

bool TreeCopier::copyEntry(const fs::path& source, const fs::path& dest)
{
    struct stat info {};
    if (lstat(source.c_str(), &info) != 0)
        fail("cannot read", source);
    const mode_t mode = writtenMode(info.st_mode);

    if (S_ISLNK(info.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(info.st_size) + 1);
        const ssize_t length = readlink(source.c_str(), target.data(), target.size());
        if (length < 0)
            fail("cannot read link", source);
        unlink(dest.c_str());
        if (symlink(std::string(target.data(), static_cast<std::size_t>(length)).c_str(), dest.c_str()) != 0)
            fail("cannot create link", dest);
        copyTimes(dest, info);
        return true;
    }
    if (S_ISREG(info.st_mode))
        return copyFile(source, dest, mode);
    if (!S_ISDIR(info.st_mode))
        throw ToolFailure("refusing " + source.string() + ": not a file, folder or link");

    struct stat existing {};
    if (lstat(dest.c_str(), &existing) == 0) {
        if (!S_ISDIR(existing.st_mode))
            throw ToolFailure("cannot replace " + dest.string() + " with a folder");
    } else if (mkdir(dest.c_str(), 0700) != 0) {
        fail("cannot create", dest);
    }
    std::vector<fs::path> children;
    for (const auto& child : fs::directory_iterator(source))
        children.push_back(child.path().filename());
    for (const auto& name : children) {
        if (!copyEntry(source / name, dest / name))
            return false;
    }
    chmod(dest.c_str(), mode);
    copyTimes(dest, info);
    return true;
}

bool TreeCopier::copyFile(const fs::path& source, const fs::path& dest, mode_t mode)
{
    Fd in{open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    if (in.fd < 0)
        fail("cannot open", source);
    struct stat info {};
    if (fstat(in.fd, &info) != 0)
        fail("cannot read", source);
    unlink(dest.c_str());
    Fd out{open(dest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (out.fd < 0)
        fail("cannot create", dest);
    for (;;) {
        const std::int64_t room = budget_.limit - budget_.written + 1;
        const auto chunk = static_cast<size_t>(std::min<std::int64_t>(room, 1 << 30));
        ssize_t copied = copy_file_range(in.fd, nullptr, out.fd, nullptr, chunk, 0);
        if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            copied = copyByReading(in.fd, out.fd, std::min<size_t>(chunk, 1 << 20));
        if (copied < 0)
            fail("cannot copy", source);
        if (copied == 0)
            break;
        budget_.written += copied;
        if (budget_.exhausted())
            return false;
    }
    fchmod(out.fd, mode);
    copyTimes(dest, info);
    return true;
}

} // namespace hub::tools
