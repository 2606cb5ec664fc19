#pragma once

#include "kit/codesign/NotaryTrust.h"
#include "kit/codesign/SignatureTrust.h"
#include "kit/security/CodeSigningService.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <functional>
#include <memory>
#include <mutex>

namespace hub {

class CodeBytes;
class CodeDirectory;
class CodeRequirement;
struct EmbeddedSignature;

// Reads real code signatures: bundles (Contents/MacOS executable, Info.plist, sealed resources,
// nested code), single Mach-O files (thin or fat) and disk images (signature through the UDIF
// trailer). Signatures are trusted up to the given code-signing anchors (DER). The requirement
// "notarized" is met by a bundle whose stapled ticket one of the notary keys signed over the
// cdhashes of its main executable (see NotaryTrust); without notary keys it is never met.
// Revocation is not checked: the flag is accepted but not acted on.
// A code object stands for the code its first passing check read: the signing information is what
// that check verified, and a later check of the object that finds other code fails.
class NativeCodeSigning : public CodeSigningService {
public:
    // Anchors as certificate DER, notary keys as SubjectPublicKeyInfo DER. They are parsed at
    // the first check, so that building the service costs nothing.
    explicit NativeCodeSigning(const QList<QByteArray>& anchorsDer, std::function<QDateTime()> clock = {},
                               const QList<QByteArray>& notaryKeysDer = {});
    ~NativeCodeSigning() override;

    // The service over this deployment's code-signing anchors.
    static std::shared_ptr<const NativeCodeSigning> standard();

    std::shared_ptr<const StaticCode> createStaticCode(const QString& path) const override;
    Validity checkValidity(const StaticCode& code, uint32_t flags, const Requirement* requirement) const override;
    std::shared_ptr<const Requirement> compileRequirement(const QString& text) const override;
    std::optional<QVariantMap> copySigningInformation(const StaticCode& code, uint32_t flags) const override;
    // Told from what the object's first check read when that check covered every architecture; else
    // the object is checked for it.
    bool isNotarized(const StaticCode& code) const override;
    std::optional<QString> statusMessage(int32_t status) const override;

private:
    struct SpecialData;
    struct SignedCode;
    struct CheckedCode;
    struct Anchors;
    using AnchorsFactory = std::function<std::unique_ptr<const Anchors>()>;

    explicit NativeCodeSigning(AnchorsFactory makeAnchors);
    // Built once, by whichever thread checks first.
    const Anchors& anchors() const;

    // Checks the code at a path (and its nested code); answers what it read and verified. Raises
    // CodeSignatureFault. Each file checked is opened once, without following a link.
    CheckedCode check(const QString& path, uint32_t flags, int depth) const;
    // Raises errReqFailed unless every architecture of the checked code meets the requirement.
    void checkRequirement(const CheckedCode& code, const QString& path, const CodeRequirement& requirement) const;
    CheckedCode checkBundle(const QString& path, uint32_t flags, int depth) const;
    QList<SignedCode> checkMachO(const CodeBytes& file, const QString& name, uint32_t flags, const SpecialData& special) const;
    QList<SignedCode> checkDiskImage(const CodeBytes& file) const;
    // Checks a signature against the codeLength bytes of code at codeOffset in the file.
    SignedCode checkSignature(const QByteArray& signature, const CodeBytes& file, uint64_t codeOffset, size_t codeLength,
                              const SpecialData& special, const QString& what) const;
    // Checks the code, Info.plist, sealed resource list, trailer, requirements and entitlements
    // that one code directory binds.
    static void checkBindings(const CodeDirectory& directory, const EmbeddedSignature& signature, const CodeBytes& file,
                              uint64_t codeOffset, size_t codeLength, const SpecialData& special, const QString& what);

    // Whether the bundle's stapled ticket vouches for the checked cdhashes of its main executable.
    bool hasTicket(const QString& bundle, const QList<QList<QByteArray>>& cdhashes) const;

    AnchorsFactory makeAnchors_;
    mutable std::once_flag anchorsBuilt_;
    mutable std::unique_ptr<const Anchors> anchors_;
};

} // namespace hub
