#include "kit/downloads/DownloadError.h"

namespace hub {

QString DownloadError::message() const
{
    switch (kind) {
    case Kind::httpStatus: return QStringLiteral("The download server returned ") + QString::number(status) + u'.';
    case Kind::insecureRedirect: return QStringLiteral("The download tried to leave HTTPS (") + host + QStringLiteral(") and was stopped.");
    case Kind::tooLarge: return QStringLiteral("The download grew past the size the store published and was stopped.");
    }
    return {};
}

} // namespace hub
