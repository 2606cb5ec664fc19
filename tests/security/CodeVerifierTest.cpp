#include "kit/security/CodeVerifier.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

using Service = CodeSigningService;

// A code-signing service that answers from a script and writes down every call.
class ScriptedService : public Service {
public:
    struct Code : StaticCode {
        QString path;
    };
    struct Compiled : Requirement {
        QString text;
    };

    bool createFails = false;
    QStringList uncompilable;
    QMap<QString, Validity> validity; // by requirement text, "" for none
    std::optional<QVariantMap> info = QVariantMap{};
    QMap<int32_t, QString> messages;
    mutable QStringList calls;

    std::shared_ptr<const StaticCode> createStaticCode(const QString& path) const override
    {
        calls << QStringLiteral("create ") + QDir(path).dirName();
        if (createFails)
            return nullptr;
        auto code = std::make_shared<Code>();
        code->path = path;
        return code;
    }
    Validity checkValidity(const StaticCode&, uint32_t flags, const Requirement* requirement) const override
    {
        const QString text = requirement ? dynamic_cast<const Compiled&>(*requirement).text : QString();
        calls << QStringLiteral("check 0x%1 ").arg(flags, 0, 16) + (requirement ? text : QStringLiteral("-"));
        return validity.value(text);
    }
    std::shared_ptr<const Requirement> compileRequirement(const QString& text) const override
    {
        calls << QStringLiteral("compile ") + text;
        if (uncompilable.contains(text))
            return nullptr;
        auto compiled = std::make_shared<Compiled>();
        compiled->text = text;
        return compiled;
    }
    std::optional<QVariantMap> copySigningInformation(const StaticCode&, uint32_t flags) const override
    {
        calls << QStringLiteral("info 0x%1").arg(flags, 0, 16);
        return info;
    }
    std::optional<QString> statusMessage(int32_t status) const override
    {
        calls << QStringLiteral("message ") + QString::number(status);
        if (!messages.contains(status))
            return std::nullopt;
        return messages.value(status);
    }
};

const QString requirement = SignaturePolicy::tavren().requirementText();

class CodeVerifierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        bundle = dir.filePath(QStringLiteral("Delay.vst3"));
        QDir().mkpath(bundle + QStringLiteral("/Contents"));
        service->info = QVariantMap{{Service::infoIdentifier(), QStringLiteral("com.tavren.delay")},
                                    {Service::infoTeamIdentifier(), QStringLiteral("KD4N8RWT2C")}};
    }

    void writeInfo(const QByteArray& bytes)
    {
        QFile file(bundle + QStringLiteral("/Contents/Info.plist"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    CodeVerifier verifier() const { return CodeVerifier(SignaturePolicy::tavren(), service); }
    QUrl url() const { return QUrl::fromLocalFile(bundle); }

    VerificationFailure failure()
    {
        try {
            verifier().verify(url());
        } catch (const VerificationFailure& failure) {
            return failure;
        }
        ADD_FAILURE() << "verify passed";
        return VerificationFailure::unsigned_({});
    }

    QTemporaryDir dir;
    QString bundle;
    std::shared_ptr<ScriptedService> service = std::make_shared<ScriptedService>();
};

QByteArray infoPlist(const QString& entries)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>") + entries
            + QStringLiteral("</dict></plist>\n"))
        .toUtf8();
}

} // namespace

TEST(SignaturePolicyTest, TavrenPolicyAndRequirement)
{
    const auto& policy = SignaturePolicy::tavren();
    EXPECT_EQ(policy, (SignaturePolicy{QStringLiteral("KD4N8RWT2C"), true, false}));
    EXPECT_EQ(policy.requirementText(),
              QStringLiteral("anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists and "
                             "certificate leaf[field.1.2.840.113635.100.6.1.13] exists and "
                             "certificate leaf[subject.OU] = \"KD4N8RWT2C\""));
}

TEST(VerificationFailureTest, Messages)
{
    const QString x = QStringLiteral("Delay.vst3");
    EXPECT_EQ(VerificationFailure::unsigned_(x).message(), QStringLiteral("Delay.vst3 is not code signed. Install blocked."));
    EXPECT_EQ(VerificationFailure::invalidSignature(x, QStringLiteral("unreadable")).message(),
              QStringLiteral("Delay.vst3 failed signature validation (unreadable). It may have been modified. Install blocked."));
    EXPECT_EQ(VerificationFailure::wrongPublisher(x, QStringLiteral("ABCDE12345")).message(),
              QStringLiteral("Delay.vst3 is signed by team ABCDE12345, which is not Tavren. Install blocked."));
    EXPECT_EQ(VerificationFailure::wrongPublisher(x, std::nullopt).message(),
              QStringLiteral("Delay.vst3 is ad-hoc signed, without a Tavren Developer ID. Install blocked."));
    EXPECT_EQ(VerificationFailure::notNotarized(x).message(),
              QStringLiteral("Delay.vst3 is signed by Tavren but has not been notarized by Apple. Install blocked."));
    EXPECT_STREQ(VerificationFailure::unsigned_(x).what(), "Delay.vst3 is not code signed. Install blocked.");
    EXPECT_NE(VerificationFailure::wrongPublisher(x, std::nullopt), VerificationFailure::wrongPublisher(x, QString()));
}

TEST_F(CodeVerifierTest, PassingBundleMakesTheCallsInOrder)
{
    // The version is the one of the Info.plist the check read, not of whatever lies at its name afterwards.
    writeInfo(infoPlist(QStringLiteral("<key>CFBundleVersion</key><string>1</string>")));
    service->info->insert(Service::infoPList(), QVariantMap{{QStringLiteral("CFBundleVersion"), QStringLiteral("120")},
                                                            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.2")}});
    service->validity[QStringLiteral("notarized")] = {-67050, {}};
    const VerifiedCode code = verifier().verify(url());
    EXPECT_EQ(code, (VerifiedCode{bundle, QStringLiteral("com.tavren.delay"), QStringLiteral("KD4N8RWT2C"),
                                  QStringLiteral("120"), false}));
    EXPECT_EQ(service->calls, (QStringList{
                                  QStringLiteral("create Delay.vst3"),
                                  QStringLiteral("compile ") + requirement,
                                  QStringLiteral("check 0x40000099 ") + requirement,
                                  QStringLiteral("info 0x2"),
                                  QStringLiteral("compile notarized"),
                                  QStringLiteral("check 0x1 notarized"),
                              }));
}

// The identity is what the check read: without an identifier it fails; without a team, the policy's that the check met.
TEST_F(CodeVerifierTest, SigningInformationComesFromTheCheckOrItFails)
{
    service->validity[QStringLiteral("notarized")] = {0, {}};
    service->info = QVariantMap{{Service::infoIdentifier(), QStringLiteral("com.tavren.delay")}};
    EXPECT_EQ(verifier().verify(url()),
              (VerifiedCode{bundle, QStringLiteral("com.tavren.delay"), QStringLiteral("KD4N8RWT2C"), std::nullopt, true}));
    for (const auto& info : {std::optional<QVariantMap>(), std::optional<QVariantMap>({{Service::infoIdentifier(), 7}})}) {
        service->info = info;
        EXPECT_EQ(failure(), VerificationFailure::invalidSignature(QStringLiteral("Delay.vst3"),
                                                                   QStringLiteral("its signing identity cannot be read")));
    }
}

TEST_F(CodeVerifierTest, RefusalsAndTheirDetails)
{
    const QString x = QStringLiteral("Delay.vst3");
    service->messages[-67061] = QStringLiteral("the code or its signature has been modified");
    struct Case {
        const char* name;
        Service::Validity validity;
        std::optional<QVariantMap> info;
        VerificationFailure expected;
    };
    const QVariantMap otherTeam{{Service::infoTeamIdentifier(), QStringLiteral("ABCDE12345")}};
    const Case cases[] = {
        {"unsigned", {-67062, QStringLiteral("ignored")}, {}, VerificationFailure::unsigned_(x)},
        {"error text", {-67054, QStringLiteral("a sealed resource is missing or invalid")}, {},
         VerificationFailure::invalidSignature(x, QStringLiteral("a sealed resource is missing or invalid"))},
        {"error without text", {-67054, QString()}, {}, VerificationFailure::invalidSignature(x, QStringLiteral("status -67054"))},
        {"status message", {-67061, {}}, {},
         VerificationFailure::invalidSignature(x, QStringLiteral("the code or its signature has been modified"))},
        {"no message", {-67030, {}}, {}, VerificationFailure::invalidSignature(x, QStringLiteral("status -67030"))},
        {"another team", {-67050, {}}, otherTeam, VerificationFailure::wrongPublisher(x, QStringLiteral("ABCDE12345"))},
        {"ad-hoc", {-67050, {}}, QVariantMap{}, VerificationFailure::wrongPublisher(x, std::nullopt)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service->validity[requirement] = c.validity;
        service->info = c.info;
        EXPECT_EQ(failure(), c.expected);
    }
}

TEST_F(CodeVerifierTest, UnreadableAndUncompilable)
{
    service->createFails = true;
    EXPECT_EQ(failure(), VerificationFailure::invalidSignature(QStringLiteral("Delay.vst3"), QStringLiteral("unreadable")));
    EXPECT_FALSE(verifier().isNotarized(url()));
    EXPECT_FALSE(verifier().verifyContainerSignature(url()));

    service->createFails = false;
    service->uncompilable = {requirement, QStringLiteral("notarized")};
    EXPECT_EQ(failure(), VerificationFailure::invalidSignature(QStringLiteral("Delay.vst3"), QStringLiteral("bad requirement")));
    EXPECT_FALSE(verifier().isNotarized(url()));
    service->calls.clear();
    try {
        verifier().verifyContainerSignature(url());
        ADD_FAILURE() << "no failure";
    } catch (const VerificationFailure& failure) {
        EXPECT_EQ(failure, VerificationFailure::invalidSignature(QStringLiteral("Delay.vst3"), QStringLiteral("bad requirement")));
    }
    EXPECT_EQ(service->calls, (QStringList{QStringLiteral("create Delay.vst3"), QStringLiteral("compile ") + requirement}));
}

TEST_F(CodeVerifierTest, ContainerSignature)
{
    const QUrl image = QUrl::fromLocalFile(dir.filePath(QStringLiteral("Delay.dmg")));
    EXPECT_TRUE(verifier().verifyContainerSignature(image));
    EXPECT_EQ(service->calls, (QStringList{QStringLiteral("create Delay.dmg"), QStringLiteral("compile ") + requirement,
                                           QStringLiteral("check 0x40000000 ") + requirement}));
    service->validity[requirement] = {-67062, {}};
    EXPECT_FALSE(verifier().verifyContainerSignature(image));
    for (int32_t status : {-67050, -67061}) {
        service->validity[requirement] = {status, QStringLiteral("detail")};
        try {
            verifier().verifyContainerSignature(image);
            ADD_FAILURE() << "no failure for " << status;
        } catch (const VerificationFailure& failure) {
            EXPECT_EQ(failure, VerificationFailure::wrongPublisher(QStringLiteral("Delay.dmg"), std::nullopt));
        }
    }
}

TEST_F(CodeVerifierTest, BundleVersion)
{
    const QByteArray binaryBoth = QByteArray::fromHex( // {CFBundleShortVersionString: "1.2", CFBundleVersion: "120"}
        "62706c6973743030d2010203045f101a434642756e646c6553686f727456657273696f6e537472696e675f100f434642"
        "756e646c6556657273696f6e53312e3253313230080d2a3c400000000000000101000000000000000500000000000000"
        "000000000000000044");
    struct Case {
        const char* name;
        std::optional<QByteArray> bytes;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"no Info.plist", std::nullopt, std::nullopt},
        {"both", infoPlist(QStringLiteral("<key>CFBundleShortVersionString</key><string>1.2</string>"
                                          "<key>CFBundleVersion</key><string>120</string>")),
         QStringLiteral("120")},
        {"short only", infoPlist(QStringLiteral("<key>CFBundleShortVersionString</key><string>1.2</string>")), QStringLiteral("1.2")},
        {"build not text", infoPlist(QStringLiteral("<key>CFBundleVersion</key><integer>120</integer>"
                                                    "<key>CFBundleShortVersionString</key><string>1.2</string>")),
         QStringLiteral("1.2")},
        {"neither", infoPlist(QStringLiteral("<key>CFBundleName</key><string>Delay</string>")), std::nullopt},
        {"binary", binaryBoth, QStringLiteral("120")},
        {"array at top", QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>1</string></array></plist>"),
         std::nullopt},
        {"garbage", QByteArray("not a property list"), std::nullopt},
        {"empty", QByteArray(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(bundle + QStringLiteral("/Contents/Info.plist"));
        if (c.bytes)
            writeInfo(*c.bytes);
        EXPECT_EQ(CodeVerifier::bundleVersion(url()), c.expected);
    }
    // Not read through a link.
    writeInfo(infoPlist(QStringLiteral("<key>CFBundleVersion</key><string>120</string>")));
    const QString info = bundle + QStringLiteral("/Contents/Info.plist"), elsewhere = dir.filePath(QStringLiteral("Info.plist"));
    ASSERT_TRUE(QFile::rename(info, elsewhere) && QFile::link(elsewhere, info));
    EXPECT_EQ(CodeVerifier::bundleVersion(url()), std::nullopt);
}
