#include "kit/support/AtomicFile.h"

#include <QFile>
#include <QUuid>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace hub::AtomicFile {

namespace {

[[noreturn]] void fail(int error, const QString& what, const QString& path)
{
    throw std::system_error(error, std::generic_category(), (what + u' ' + path).toStdString());
}

void writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw std::system_error(errno, std::generic_category());
        data += written;
        size -= size_t(written);
    }
}

// After a rename the new name is only durable once its folder is flushed. A file
// system that cannot flush folders (EINVAL) has nothing more to offer.
void flushFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(errno, QStringLiteral("open folder"), folder);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0 && error != EINVAL)
        fail(error, QStringLiteral("flush folder"), folder);
}

// Creates the temporary file, lets `fill` write it, flushes it and renames it over `path`.
void replace(const QString& path, const std::function<void(int fd)>& fill)
{
    // Named apart from the file, so that a name near the 255-byte limit still has room.
    const QString folder = path.left(path.lastIndexOf(u'/') + 1);
    const QString temporary = folder + QStringLiteral(".tmp-") + QUuid::createUuid().toString(QUuid::Id128);
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        fail(errno, QStringLiteral("create"), temporary);

    const auto abandon = [&](int error, const char* what) {
        ::close(fd);
        ::unlink(temporaryName.constData());
        fail(error, QString::fromLatin1(what), temporary);
    };
    try {
        fill(fd);
    } catch (const std::system_error& error) {
        abandon(error.code().value(), "write");
    }
    if (::fsync(fd) != 0)
        abandon(errno, "flush");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporaryName.constData());
        fail(error, QStringLiteral("close"), temporary);
    }
    if (::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        ::unlink(temporaryName.constData());
        fail(error, QStringLiteral("replace"), path);
    }
    flushFolder(folder.isEmpty() ? QStringLiteral(".") : folder);
}

} // namespace

void write(const QString& path, const QByteArray& bytes)
{
    replace(path, [&](int fd) { writeAll(fd, bytes.constData(), size_t(bytes.size())); });
}

void copy(const QString& from, const QString& path)
{
    const int source = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        fail(errno, QStringLiteral("open"), from);
    try {
        replace(path, [source](int fd) {
            std::vector<char> buffer(1 << 20);
            while (true) {
                const ssize_t got = ::read(source, buffer.data(), buffer.size());
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    throw std::system_error(errno, std::generic_category());
                if (got == 0)
                    return;
                writeAll(fd, buffer.data(), size_t(got));
            }
        });
    } catch (...) {
        ::close(source);
        throw;
    }
    ::close(source);
}

} // namespace hub::AtomicFile
