#include "kit/platform/TrashError.h"

#include <cerrno>
#include <cstring>

namespace hub {

QString TrashError::message() const
{
    switch (kind) {
    case Kind::noName:
        return u'"' + path + QStringLiteral("\" names no item of its own");
    case Kind::notAFolder:
        return path + QStringLiteral(" is not a folder");
    case Kind::link:
        return path + QStringLiteral(" is a link, not a folder");
    case Kind::otherOwner:
        return path + QStringLiteral(" belongs to another user");
    case Kind::system:
        break;
    }
    switch (code) {
    case EACCES:
    case EPERM:
        return QStringLiteral("you may not change ") + path;
    case EROFS:
        return path + QStringLiteral(" is on a read-only disk");
    case ENOSPC:
    case EDQUOT:
        return path + QStringLiteral(" is on a full disk");
    case ENOENT:
        return path + QStringLiteral(" is missing");
    case EXDEV:
        return path + QStringLiteral(" is on another disk than its Trash");
    case EBUSY:
        return path + QStringLiteral(" is in use");
    default:
        return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code));
    }
}

} // namespace hub
