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
// Any other form does not compile. "notarized" is met by code its checker found notarized.
class CodeRequirement : public CodeSigningService::Requirement {
public:
    static std::shared_ptr<const CodeRequirement> compile(const QString& text);

    // Whether a signature with this chain (empty for ad-hoc code) and identifier, of code that is
    // or is not notarized, meets every clause.
    bool isSatisfiedBy(const CertificateChain& chain, const QString& identifier, bool notarized = false) const;
    // Whether a clause asks for notarization (so the checker must look for a ticket).
    bool needsNotarization() const;

    struct Clause {
        enum class Kind { anchorAppleGeneric, fieldExists, subjectOU, identifier, notarized };
        Kind kind;
        int certificate = 0; // leaf 0, then up the chain; negative counts from the anchor (-1)
        QString value;       // OID, organisational unit or identifier
    };
    QList<Clause> clauses;
};

} // namespace hub
