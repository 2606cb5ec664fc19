#include "kit/support/SmallFile.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>

namespace hub {

namespace {

SmallFile unreadable(const QString& problem) { return {std::nullopt, problem}; }

QString errorText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

} // namespace

SmallFile SmallFile::read(const QString& path, qint64 maxBytes, Links links)
{
    const auto file = ReadOnlyFile::openAt(AT_FDCWD, QFile::encodeName(path), links);
    if (!file) {
        if (errno == ENOENT)
            return {};
        // A link, when refused, is ELOOP.
        return unreadable(errno == EISDIR || errno == EINVAL ? QStringLiteral("it is not a regular file") : errorText(errno));
    }
    if (file->size() > uint64_t(maxBytes))
        return unreadable(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));

    QByteArray bytes(qsizetype(file->size()), Qt::Uninitialized);
    try {
        if (file->read(0, bytes.data(), size_t(bytes.size())) < size_t(bytes.size()))
            return unreadable(QStringLiteral("it was cut short while being read"));
        // Read again and compared, a byte past the end asked for too: a file written to while
        // it was read (cut short and written back, say) reads otherwise the second time, and
        // the first copy may hold parts of both.
        std::array<char, 16 * 1024> chunk;
        for (qsizetype at = 0; at <= bytes.size(); at += qsizetype(chunk.size())) {
            const qsizetype asked = std::min(qsizetype(chunk.size()), bytes.size() + 1 - at);
            const qsizetype expected = std::min(asked, bytes.size() - at);
            const size_t again = file->read(uint64_t(at), chunk.data(), size_t(asked));
            if (again != size_t(expected) || std::memcmp(chunk.data(), bytes.constData() + at, size_t(expected)) != 0)
                return unreadable(QStringLiteral("it changed while being read"));
        }
    } catch (const std::system_error& error) {
        return unreadable(errorText(error.code().value()));
    }
    return {std::move(bytes), {}};
}

} // namespace hub
