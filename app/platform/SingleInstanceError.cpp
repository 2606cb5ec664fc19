#include "app/platform/SingleInstanceError.h"

#include <system_error>

namespace hub {

QString SingleInstanceError::message() const
{
    const QString reason = QString::fromStdString(std::generic_category().message(error));
    switch (kind) {
    case Kind::cannotLock:
        return QStringLiteral("could not take the lock file %1: %2.").arg(path, reason);
    case Kind::cannotListen:
        return QStringLiteral("could not listen for other starts at %1: %2.").arg(path, reason);
    case Kind::unanswered:
        break;
    }
    return QStringLiteral("could not hand over to the Tavren Hub already running: it did not answer.");
}

} // namespace hub
