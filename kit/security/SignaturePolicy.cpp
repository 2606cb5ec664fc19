#include "kit/security/SignaturePolicy.h"

namespace hub {

const SignaturePolicy& SignaturePolicy::tavren()
{
    static const SignaturePolicy& policy = *new SignaturePolicy{QStringLiteral("KD4N8RWT2C"), true, false};
    return policy;
}

QString SignaturePolicy::requirementText() const
{
    return QStringLiteral("anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists and "
                          "certificate leaf[field.1.2.840.113635.100.6.1.13] exists and certificate leaf[subject.OU] = ")
        + u'"' + teamID + u'"';
}

} // namespace hub
