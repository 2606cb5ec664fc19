#pragma once

#include "kit/security/CodeSigningService.h"
#include "kit/security/SignaturePolicy.h"
#include "kit/security/VerificationFailure.h"
#include "kit/security/VerifiedCode.h"

#include <QUrl>
#include <memory>
#include <optional>

namespace hub {

// Decides whether a bundle may be installed: its signature must be intact and made by the
// policy's team. Holds no mutable state; safe on any thread.
class CodeVerifier {
public:
    // Flags of every bundle check: all architectures, nested code, strict, restricted links, revocation.
    static constexpr uint32_t bundleFlags = 0x40000099;

    CodeVerifier(SignaturePolicy policy, std::shared_ptr<const CodeSigningService> service);

    // Throws VerificationFailure (never notNotarized: the installer compares `notarized` with the policy).
    // The identity, version and notarization are those of the code the check read, never read again.
    VerifiedCode verify(const QUrl& bundle) const;
    // True when the disk image is signed and meets the requirement, false when it is not signed;
    // throws VerificationFailure for any other refusal.
    bool verifyContainerSignature(const QUrl& image) const;
    // True when the code meets the requirement "notarized". Never throws.
    bool isNotarized(const QUrl& url) const;
    // CFBundleVersion, else CFBundleShortVersionString, of Contents/Info.plist (not read through a
    // link). Never throws.
    static std::optional<QString> bundleVersion(const QUrl& bundle);

    SignaturePolicy policy;

private:
    static std::optional<QString> versionIn(const QVariantMap& info);
    static QString describe(const CodeSigningService& service, const CodeSigningService::Validity& validity);

    std::shared_ptr<const CodeSigningService> service_;
};

} // namespace hub
