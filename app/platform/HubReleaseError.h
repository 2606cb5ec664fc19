#pragma once

#include "kit/support/Error.h"

namespace hub {

// Checking for or installing a release of the hub itself failed.
class HubReleaseError : public Error {
public:
    enum Kind {
        notConfigured, // this build has no release key
        unreachable,   // the feed or the archive could not be fetched (detail: why)
        badSignature,  // the feed or the archive is not signed by the release key (detail: which)
        malformed,     // the feed or the archive is not what it should be (detail: what)
        cannotReplace, // the install folder could not be swapped (detail: why)
    };

    HubReleaseError(Kind kind, QString detail = {}) : kind(kind), detail(std::move(detail)) {}

    QString message() const override;
    bool operator==(const HubReleaseError&) const = default;

    Kind kind;
    QString detail;
};

} // namespace hub
