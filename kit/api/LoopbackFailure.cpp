#include "kit/api/LoopbackFailure.h"

namespace hub {

QString LoopbackFailure::message() const
{
    switch (kind) {
    case Kind::listenerFailed:
        return QStringLiteral("Could not wait for the browser: ") + description;
    case Kind::timedOut:
        return QStringLiteral("Sign-in timed out. Try again.");
    case Kind::stateMismatch:
        return QStringLiteral("The sign-in response did not match this request and was ignored.");
    case Kind::serverTooOld:
        return QStringLiteral("The Tavren ID server has not been updated for Tavren Hub yet. Use an email code for now.");
    }
    return {};
}

} // namespace hub
