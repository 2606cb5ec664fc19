#include "kit/codesign/CodeRequirement.h"

#include "kit/security/SignaturePolicy.h"
#include "tests/testkit/CertificateFactory.h"

#include <gtest/gtest.h>
#include <openssl/x509.h>

using namespace hub;

namespace {

std::shared_ptr<X509> shared(const IssuedCertificate& certificate)
{
    X509_up_ref(certificate.x509());
    return std::shared_ptr<X509>(certificate.x509(), X509_free);
}

const QByteArray null = QByteArray::fromHex("0500");

} // namespace

TEST(CodeRequirementTest, CompilesOnlyTheKnownForms)
{
    struct Case {
        const char* text;
        bool compiles;
    };
    const Case cases[] = {
        {"anchor apple generic", true},
        {"notarized", true},
        {"identifier \"com.tavren.delay\"", true},
        {"identifier = \"com.tavren.delay\"", true},
        {"certificate leaf[field.1.2.840.113635.100.6.1.13] exists", true},
        {"certificate 1[field.1.2.840.113635.100.6.2.6] exists", true},
        {"certificate root[field.1.2.3] exists", true},
        {"certificate -1[field.1.2.3] exists", true},
        {"certificate leaf[subject.OU] = \"KD4N8RWT2C\"", true},
        {"certificate leaf[subject.OU] = \"with \\\"quote\\\"\"", true},
        {"anchor apple generic and notarized and identifier \"a\"", true},
        {"", false},
        {"   ", false},
        {"anchor apple", false},
        {"anchor trusted", false},
        {"anchor apple generic or notarized", false},
        {"anchor apple generic and", false},
        {"and notarized", false},
        {"(anchor apple generic)", false},
        {"!notarized", false},
        {"identifier com.tavren.delay", false},
        {"identifier \"unterminated", false},
        {"certificate leaf[subject.CN] = \"x\"", false},
        {"certificate leaf[field.1.2.3] = \"x\"", false},
        {"certificate leaf[field.1] exists", false},
        {"certificate leaf[field.a.b] exists", false},
        {"certificate leaf[subject.OU] exists", false},
        {"certificate leaf[subject.OU] = KD4N8RWT2C", false},
        {"certificate intermediate[field.1.2.3] exists", false},
        {"certificate leaf field.1.2.3 exists", false},
        {"notarized notarized", false},
        {"cdhash H\"0011\"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CodeRequirement::compile(QString::fromUtf8(c.text)) != nullptr, c.compiles);
    }
    const auto quoted = CodeRequirement::compile(QStringLiteral("certificate leaf[subject.OU] = \"with \\\"quote\\\"\""));
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->clauses.first().value, QStringLiteral("with \"quote\""));
}

TEST(CodeRequirementTest, EvaluatesAgainstTheChain)
{
    const auto root = CertificateFactory::root(QStringLiteral("Test Root"));
    const auto developerCA = CertificateFactory::intermediate(
        root, QStringLiteral("Developer ID CA"), {.extensions = {{"1.2.840.113635.100.6.2.6", null}}});
    const auto application = CertificateFactory::leaf(
        developerCA, QStringLiteral("Developer ID Application: Tavren (KD4N8RWT2C)"),
        {.organizationalUnit = QStringLiteral("KD4N8RWT2C"), .extendedKeyUsage = QList<QByteArray>{"1.3.6.1.5.5.7.3.3"},
         .extensions = {{"1.2.840.113635.100.6.1.13", null}}});
    const auto installer = CertificateFactory::leaf(
        developerCA, QStringLiteral("Developer ID Installer: Tavren (KD4N8RWT2C)"),
        {.organizationalUnit = QStringLiteral("KD4N8RWT2C"), .extensions = {{"1.2.840.113635.100.6.1.14", null}}});
    const auto plainCA = CertificateFactory::intermediate(root, QStringLiteral("Other CA"));
    const auto otherApplication = CertificateFactory::leaf(
        plainCA, QStringLiteral("Application"),
        {.organizationalUnit = QStringLiteral("KD4N8RWT2C"), .extensions = {{"1.2.840.113635.100.6.1.13", null}}});

    const CertificateChain good{shared(application), shared(developerCA), shared(root)};
    const auto policy = CodeRequirement::compile(SignaturePolicy::tavren().requirementText());
    ASSERT_TRUE(policy);
    EXPECT_TRUE(policy->isSatisfiedBy(good, QStringLiteral("com.tavren.delay")));
    EXPECT_FALSE(policy->isSatisfiedBy({}, QStringLiteral("com.tavren.delay"))); // ad-hoc
    EXPECT_FALSE(policy->isSatisfiedBy({shared(installer), shared(developerCA), shared(root)}, {}));
    EXPECT_FALSE(policy->isSatisfiedBy({shared(otherApplication), shared(plainCA), shared(root)}, {}));
    EXPECT_FALSE(CodeRequirement::compile(SignaturePolicy{QStringLiteral("ABCDE12345"), true, false}.requirementText())
                     ->isSatisfiedBy(good, {}));
    EXPECT_FALSE(policy->isSatisfiedBy({shared(application)}, {})); // no certificate 1

    struct Case {
        const char* text;
        bool met;
    };
    const Case cases[] = {
        {"identifier \"com.tavren.delay\"", true},
        {"identifier \"com.tavren.other\"", false},
        {"certificate root[field.1.2.840.113635.100.6.2.6] exists", false},
        {"certificate -2[field.1.2.840.113635.100.6.2.6] exists", true},
        {"certificate 3[field.1.2.3] exists", false},
        {"certificate -4[field.1.2.3] exists", false},
        {"anchor apple generic and notarized", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CodeRequirement::compile(QString::fromUtf8(c.text))->isSatisfiedBy(good, QStringLiteral("com.tavren.delay")), c.met);
    }
}
