#pragma once

#include <QString>

namespace hub {

// Who must have signed a bundle, and which kinds must also be notarized.
struct SignaturePolicy {
    QString teamID;                  // the developer team id signatures must carry
    bool requireNotarizedApps = false;    // bundles of kind app
    bool requireNotarizedPlugIns = false; // every other bundle kind

    // The maker's policy: team "KD4N8RWT2C", apps notarized, plug-ins not.
    static const SignaturePolicy& tavren();

    // The code requirement a bundle must meet: a Developer ID chain whose leaf names the team.
    QString requirementText() const;

    bool operator==(const SignaturePolicy&) const = default;
};

} // namespace hub
