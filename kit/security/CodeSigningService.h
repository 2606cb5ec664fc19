#pragma once

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <optional>

namespace hub {

// The static-code operations the verifier needs: make a code object from a path, check its
// validity (optionally against a compiled requirement), compile requirements, read signing
// information and word statuses. Statuses and flags keep the platform's numbers.
class CodeSigningService {
public:
    // A code object on disk; opaque to callers.
    class StaticCode {
    public:
        virtual ~StaticCode() = default;
    };
    // A compiled code requirement; opaque to callers.
    class Requirement {
    public:
        virtual ~Requirement() = default;
    };
    // Result of a validity check: status 0 on success, else a status and, maybe, an error text.
    struct Validity {
        int32_t status = 0;
        std::optional<QString> error;
    };

    // Validity flags.
    static constexpr uint32_t checkAllArchitectures = 0x1;
    static constexpr uint32_t signingInformationFlag = 0x2;
    static constexpr uint32_t checkNestedCode = 0x8;
    static constexpr uint32_t strictValidate = 0x10;
    static constexpr uint32_t restrictSymlinks = 0x80;
    static constexpr uint32_t enforceRevocationChecks = 0x40000000;

    // Statuses.
    static constexpr int32_t errUnsigned = -67062;
    static constexpr int32_t errSignatureFailed = -67061;
    static constexpr int32_t errSignatureNotVerifiable = -67060;
    static constexpr int32_t errSignatureUnsupported = -67059;
    static constexpr int32_t errBadDictionaryFormat = -67058;
    static constexpr int32_t errResourcesNotSealed = -67057;
    static constexpr int32_t errResourcesNotFound = -67056;
    static constexpr int32_t errResourcesInvalid = -67055;
    static constexpr int32_t errBadResource = -67054;
    static constexpr int32_t errResourceRulesInvalid = -67053;
    static constexpr int32_t errReqInvalid = -67052;
    static constexpr int32_t errReqUnsupported = -67051;
    static constexpr int32_t errReqFailed = -67050;
    static constexpr int32_t errBadObjectFormat = -67049;
    static constexpr int32_t errInfoPlistFailed = -67030;
    static constexpr int32_t errNoMainExecutable = -67029;
    static constexpr int32_t errBadBundleFormat = -67028;
    static constexpr int32_t errResourceDirectoryFailed = -67023;
    static constexpr int32_t errUnsignedNestedCode = -67022;
    static constexpr int32_t errBadNestedCode = -67021;
    static constexpr int32_t errResourceNotSupported = -67016;
    static constexpr int32_t errRegularFile = -67015;
    static constexpr int32_t errUnsealedAppRoot = -67014;
    static constexpr int32_t errUnsealedFrameworkRoot = -67008;
    static constexpr int32_t errWeakResourceEnvelope = -67007;
    static constexpr int32_t errInvalidSymlink = -67003;
    static constexpr int32_t errBadDiskImageFormat = -67001;
    static constexpr int32_t errUnsupportedDigestAlgorithm = -67000;
    static constexpr int32_t errBadTeamIdentifier = -66997;
    static constexpr int32_t errNotTrusted = -2147409622; // the certificate chain is not trusted

    // Keys of the signing information.
    static QString infoIdentifier() { return QStringLiteral("identifier"); }
    static QString infoTeamIdentifier() { return QStringLiteral("teamid"); }
    static QString infoPList() { return QStringLiteral("info-plist"); } // the bound Info.plist, as a map

    virtual ~CodeSigningService() = default;

    // A code object for the item at a path (default flags); nothing when none can be made.
    virtual std::shared_ptr<const StaticCode> createStaticCode(const QString& path) const = 0;
    // Checks the code with the flags and, when given, the requirement.
    virtual Validity checkValidity(const StaticCode& code, uint32_t flags, const Requirement* requirement) const = 0;
    // Compiles a requirement text (default flags); nothing when it cannot be compiled.
    virtual std::shared_ptr<const Requirement> compileRequirement(const QString& text) const = 0;
    // The signing information dictionary (keys above) of the code as a check of it verified it, or
    // nothing when no check has.
    virtual std::optional<QVariantMap> copySigningInformation(const StaticCode& code, uint32_t flags) const = 0;
    // The service's text for a status, or nothing when it has none.
    virtual std::optional<QString> statusMessage(int32_t status) const = 0;
    // Whether the code meets the requirement "notarized". This checks the code for it; a service whose
    // check of a code object settles its notarization answers from that check instead.
    virtual bool isNotarized(const StaticCode& code) const
    {
        const auto requirement = compileRequirement(QStringLiteral("notarized"));
        return requirement && checkValidity(code, checkAllArchitectures, requirement.get()).status == 0;
    }
};

} // namespace hub
