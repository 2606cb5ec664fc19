#include "kit/codesign/CodeBytes.h"

#include "kit/codesign/CodeSignatureFault.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

constexpr size_t zerosWindowBytes = 1024 * 1024;

} // namespace

CodeBytes CodeBytes::ofFile(const QString& path, int32_t status)
{
    // Without blocking: a FIFO put in the file's place meanwhile is refused, not waited on.
    FileDescriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        CodeSignatureFault::raise(status, QStringLiteral("cannot read ") + path);
    return CodeBytes(std::move(fd), uint64_t(info.st_size), status, path);
}

CodeBytes::CodeBytes(FileDescriptor fd, uint64_t size, int32_t status, QString path)
    : fd_(std::move(fd)), size_(size), status_(status), path_(std::move(path))
{
}

void CodeBytes::refuse(const QString& why) const
{
    CodeSignatureFault::raise(status_, why + (path_.isEmpty() ? QString() : QStringLiteral(": ") + path_));
}

const unsigned char* CodeBytes::bytes(uint64_t offset, size_t length, QByteArray& buffer) const
{
    if (!contains(offset, length))
        refuse(QStringLiteral("the code is truncated or malformed"));
    if (data_)
        return data_ + offset;
    try {
        buffer.resize(qsizetype(length));
    } catch (const std::bad_alloc&) {
        refuse(QStringLiteral("no memory to read the code"));
    }
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_.get(), buffer.data() + done, length - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            refuse(got == 0 ? QStringLiteral("the file changed while it was checked") : QStringLiteral("cannot read the file"));
        done += size_t(got);
    }
    return reinterpret_cast<const unsigned char*>(buffer.constData());
}

QByteArray CodeBytes::read(uint64_t offset, size_t length) const
{
    QByteArray buffer;
    const unsigned char* part = bytes(offset, length, buffer);
    return data_ ? QByteArray(reinterpret_cast<const char*>(part), qsizetype(length)) : buffer;
}

bool CodeBytes::zeros(uint64_t from, uint64_t to) const
{
    QByteArray buffer;
    for (uint64_t at = from; at < to;) {
        const size_t length = size_t(std::min<uint64_t>(to - at, zerosWindowBytes));
        const unsigned char* part = bytes(at, length, buffer);
        if (!std::all_of(part, part + length, [](unsigned char byte) { return byte == 0; }))
            return false;
        at += length;
    }
    return true;
}

} // namespace hub
