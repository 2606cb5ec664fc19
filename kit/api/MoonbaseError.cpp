#include "kit/api/MoonbaseError.h"

namespace hub {

QString MoonbaseError::message() const
{
    switch (kind) {
    case Kind::notFound: return text + QStringLiteral(" was not found.");
    case Kind::forbidden: return text;
    case Kind::server: return QStringLiteral("The store returned ") + QString::number(status) + QStringLiteral(". ") + text;
    case Kind::decoding: return QStringLiteral("The store sent a response the app could not read. ") + text;
    case Kind::blockedURL: return QStringLiteral("Refused to contact ") + text + u'.';
    case Kind::notSignedIn: return QStringLiteral("Sign in to continue.");
    case Kind::invalidCredentials: return QStringLiteral("That email and password did not match a Tavren store account.");
    }
    return {};
}

} // namespace hub
