#include "kit/security/VerificationFailure.h"

namespace hub {

QString VerificationFailure::message() const
{
    switch (kind) {
    case Kind::unsigned_:
        return name + QStringLiteral(" is not code signed. Install blocked.");
    case Kind::invalidSignature:
        return name + QStringLiteral(" failed signature validation (") + detail
            + QStringLiteral("). It may have been modified. Install blocked.");
    case Kind::wrongPublisher:
        if (team)
            return name + QStringLiteral(" is signed by team ") + *team + QStringLiteral(", which is not Tavren. Install blocked.");
        return name + QStringLiteral(" is ad-hoc signed, without a Tavren Developer ID. Install blocked.");
    case Kind::notNotarized:
        return name + QStringLiteral(" is signed by Tavren but has not been notarized by Apple. Install blocked.");
    }
    return {};
}

} // namespace hub
