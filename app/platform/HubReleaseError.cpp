#include "app/platform/HubReleaseError.h"

namespace hub {

QString HubReleaseError::message() const
{
    switch (kind) {
    case notConfigured:
        return QStringLiteral("This build of Tavren Hub cannot check for updates.");
    case unreachable:
        return QStringLiteral("Could not reach the Tavren Hub updates: ") + detail;
    case badSignature:
        return QStringLiteral("The Tavren Hub update was refused: the %1 is not signed by Tavren.").arg(detail);
    case malformed:
        return QStringLiteral("The Tavren Hub update was refused: ") + detail;
    case cannotReplace:
        return QStringLiteral("The Tavren Hub update could not be installed: ") + detail;
    }
    return detail;
}

} // namespace hub
