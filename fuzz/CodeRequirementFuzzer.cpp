// Requirement text: the tokenizer and the clause reader, then a check against unsigned code.
#include "fuzz/FuzzSeeds.h"

#include "kit/codesign/CodeRequirement.h"
#include "kit/security/SignaturePolicy.h"

using namespace hub;

QList<QByteArray> hub::fuzz::seeds()
{
    return {
        SignaturePolicy::tavren().requirementText().toUtf8(),
        "notarized",
        "identifier \"com.tavren.foo\" and anchor apple generic",
        "certificate 1[field.1.2.840.113635.100.6.2.6] exists and certificate leaf[subject.OU] = \"A\\\"B\"",
        "certificate root [field.1.2.3] exists and identifier = \"x\"",
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto requirement = CodeRequirement::compile(text))
        requirement->isSatisfiedBy({}, QStringLiteral("com.tavren.foo"));
    return 0;
}
