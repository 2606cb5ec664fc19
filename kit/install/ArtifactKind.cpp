#include "kit/install/ArtifactKind.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace hub {

namespace {

[[noreturn]] void throwErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_ < 0)
            throwErrno("open");
    }
    ~ReadOnlyFile() { ::close(fd_); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Up to four bytes at the offset; fewer only at the end of the file.
    QByteArray readFour(off_t offset) const
    {
        char buffer[4];
        std::size_t filled = 0;
        while (filled < sizeof buffer) {
            const ssize_t count = ::pread(fd_, buffer + filled, sizeof buffer - filled, offset + off_t(filled));
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                throwErrno("read");
            if (count == 0)
                break;
            filled += std::size_t(count);
        }
        return QByteArray(buffer, qsizetype(filled));
    }

    off_t length() const
    {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end < 0)
            throwErrno("seek");
        return end;
    }

private:
    int fd_;
};

} // namespace

std::optional<ArtifactKind> ArtifactKind::fromString(QStringView raw)
{
    for (ArtifactKind kind : {pkg, zip, dmg}) {
        if (raw == kind.toString())
            return kind;
    }
    return std::nullopt;
}

QString ArtifactKind::toString() const
{
    switch (value_) {
    case pkg: return QStringLiteral("pkg");
    case zip: return QStringLiteral("zip");
    case dmg: return QStringLiteral("dmg");
    }
    return {};
}

std::optional<ArtifactKind> ArtifactKind::sniff(const QString& path)
{
    const ReadOnlyFile file(path);
    const QByteArray head = file.readFour(0);
    if (head == QByteArrayLiteral("xar!"))
        return pkg;
    if (head == QByteArrayLiteral("PK\x03\x04"))
        return zip;
    const off_t length = file.length();
    if (length < 512)
        return std::nullopt;
    if (file.readFour(length - 512) == QByteArrayLiteral("koly"))
        return dmg;
    return std::nullopt;
}

} // namespace hub
