#include "kit/downloads/DownloadError.h"

namespace hub {

QString DownloadError::message() const
{
    switch (kind) {
    case Kind::httpStatus: return QStringLiteral("The download server returned ") + QString::number(status) + u'.';
    case Kind::insecureRedirect: return QStringLiteral("The download tried to leave HTTPS (") + host + QStringLiteral(") and was stopped.");
    case Kind::tooLarge: return QStringLiteral("The download grew past the size the store published and was stopped.");
    case Kind::wrongRange:
        return QStringLiteral("The download could not continue: the server sent a part of the file that does not follow what "
                              "had arrived.");
    case Kind::overrun: return QStringLiteral("The download was stopped: the server sent more than it announced.");
    }
    return {};
}

} // namespace hub
