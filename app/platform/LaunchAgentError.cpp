#include "app/platform/LaunchAgentError.h"

namespace hub {

QString LaunchAgentError::message() const
{
    switch (kind) {
    case Kind::cannotWrite:
        return QStringLiteral("The background updater's files could not be written: ") + detail;
    case Kind::systemctlFailed:
        return QStringLiteral("The user's service manager refused the background updater.");
    case Kind::lineBreakInPath:
        return QStringLiteral("Background updates cannot start Tavren Hub from here: the path of its folder holds a line break.");
    }
    return detail;
}

} // namespace hub
