#pragma once

#include "kit/codesign/SignatureTrust.h"
#include "kit/security/CodeSigningService.h"

#include <QList>
#include <QString>
#include <memory>

namespace hub {

// A compiled code requirement: clauses joined by "and", each one of
//   anchor apple generic
//   certificate leaf|root|N [field.OID] exists
//   certificate leaf|root|N [subject.OU] = "text"
//   identifier "text"
//   notarized
// Any other form does not compile. "notarized" is never met here: notarization cannot be
// confirmed offline.
class CodeRequirement : public CodeSigningService::Requirement {
public:
    static std::shared_ptr<const CodeRequirement> compile(const QString& text);

    // Whether a signature with this chain (empty for ad-hoc code) and identifier meets every clause.
    bool isSatisfiedBy(const CertificateChain& chain, const QString& identifier) const;

    struct Clause {
        enum class Kind { anchorAppleGeneric, fieldExists, subjectOU, identifier, notarized };
        Kind kind;
        int certificate = 0; // leaf 0, then up the chain; negative counts from the anchor (-1)
        QString value;       // OID, organisational unit or identifier
    };
    QList<Clause> clauses;
};

} // namespace hub
