#include "kit/downloads/PartialFile.h"

#include "kit/support/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace hub {

namespace {

[[noreturn]] void throwErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

} // namespace

namespace {

constexpr QByteArrayView namePrefix = "download-";

} // namespace

bool PartialFile::isPartialName(QByteArrayView name)
{
    // The prefix, then the six letters or digits that mkostemp puts in place of "XXXXXX".
    return name.size() == namePrefix.size() + 6 && name.startsWith(namePrefix)
        && std::all_of(name.begin() + namePrefix.size(), name.end(), [](char c) { return std::isalnum(uchar(c)); });
}

PartialFile PartialFile::create(const QString& folder)
{
    QByteArray path = QFile::encodeName(folder) + '/' + namePrefix.toByteArray() + "XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC); // mode 0600
    if (fd < 0)
        throwErrno("cannot create the download file");
    return PartialFile(QFile::decodeName(path), fd, 0);
}

std::optional<PartialFile> PartialFile::adopt(const QString& folder, const DownloadResumeData& data)
{
    const QFileInfo info(data.partialFile);
    if (data.partialFile.isEmpty() || QDir(info.absolutePath()).canonicalPath() != QDir(folder).canonicalPath())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    // Never through a link, never blocking on a FIFO, and never a file that has a
    // second name elsewhere: writing would change that file too.
    const int fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat status{};
    if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1
        && data.offset > 0 && status.st_size >= data.offset && !data.validator().isEmpty()
        && ::ftruncate(fd, data.offset) == 0 && ::lseek(fd, data.offset, SEEK_SET) == data.offset)
        return PartialFile(info.absoluteFilePath(), fd, data.offset);
    if (fd >= 0)
        ::close(fd);
    ::unlink(path.constData());
    return std::nullopt;
}

PartialFile::PartialFile(QString path, int fd, qint64 size) : path_(std::move(path)), fd_(fd), size_(size) {}

PartialFile::PartialFile(PartialFile&& other) noexcept
    : path_(other.path_), fd_(std::exchange(other.fd_, -1)), size_(other.size_)
{
}

PartialFile::~PartialFile() { close(); }

void PartialFile::truncate()
{
    if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
        throwErrno("cannot rewrite the download file");
    size_ = 0;
}

void PartialFile::write(QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throwErrno("cannot write the download file");
        data += written;
        left -= written;
        size_ += written;
    }
}

void PartialFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void PartialFile::remove()
{
    close();
    ::unlink(QFile::encodeName(path_).constData());
}

// No fsync on the same volume: the file is a throw-away copy that is checked (size,
// signature) before anything uses it, and syncing a gigabyte halves the speed.
void PartialFile::moveTo(const QString& destination)
{
    close();
    const QByteArray from = QFile::encodeName(path_);
    if (::rename(from.constData(), QFile::encodeName(destination).constData()) == 0)
        return;
    if (errno != EXDEV)
        throwErrno("cannot move the download into place");
    AtomicFile::copy(path_, destination);
    ::unlink(from.constData());
}

} // namespace hub
