#include "kit/support/AtomicFile.h"

#include <QFile>
#include <QUuid>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace hub::AtomicFile {

namespace {

[[noreturn]] void fail(int error, const QString& what, const QString& path)
{
    throw std::system_error(error, std::generic_category(), (what + u' ' + path).toStdString());
}

} // namespace

void write(const QString& path, const QByteArray& bytes)
{
    // Named apart from the file, so that a name near the 255-byte limit still has room.
    const QString temporary = path.left(path.lastIndexOf(u'/') + 1) + QStringLiteral(".tmp-")
        + QUuid::createUuid().toString(QUuid::Id128);
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        fail(errno, QStringLiteral("create"), temporary);

    const auto abandon = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporaryName.constData());
        fail(error, QString::fromLatin1(what), temporary);
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            abandon("write");
        done += written;
    }
    if (::fsync(fd) != 0)
        abandon("flush");
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
}

} // namespace hub::AtomicFile
