#pragma once

#include "kit/security/CodeSigningService.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace hub::test {

// A bundle for tests that need a verifier but not real signatures: Contents/Info.plist
// (identifier, version), the files given, and Contents/Seal, a text file naming the
// identifier, the team, whether it is notarized and the SHA-256 of every other file.
// A copy made by any tool carries its seal along; a partial or edited copy breaks it.
struct SealedBundle {
    QString name = QStringLiteral("Synth.vst3");
    QString identifier = QStringLiteral("com.tavren.synth");
    QString team = QStringLiteral("KD4N8RWT2C"); // empty: the seal names no team
    std::optional<QString> version = QStringLiteral("1.0");
    bool notarized = true;
    // Paths below Contents/; files under MacOS/ are made executable.
    QMap<QString, QByteArray> files{{QStringLiteral("MacOS/Synth"), "synth code"}};

    // Writes the bundle into the folder (replacing what is there) and returns its path.
    QString write(const QString& folder) const;

    // The digest a seal holds for the bundle's files as they are now.
    static QByteArray digest(const QString& bundle);
    // What the Info.plist of the bundle at the path says its version is.
    static std::optional<QString> versionAt(const QString& bundle);
};

// A code-signing service that believes seals: no seal is unsigned, a seal that does not
// match the files is a failed signature, the publisher requirement is met by the policy
// team in the seal and "notarized" by a notarized seal. Something that is not a folder
// gives no code object. `onCreate` sees every path a code object is made for.
class SealCodeSigning : public CodeSigningService {
public:
    std::shared_ptr<const StaticCode> createStaticCode(const QString& path) const override;
    Validity checkValidity(const StaticCode& code, uint32_t flags, const Requirement* requirement) const override;
    std::shared_ptr<const Requirement> compileRequirement(const QString& text) const override;
    std::optional<QVariantMap> copySigningInformation(const StaticCode& code, uint32_t flags) const override;
    std::optional<QString> statusMessage(int32_t status) const override;

    std::function<void(const QString& path)> onCreate;
};

} // namespace hub::test
