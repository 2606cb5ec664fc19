#include "kit/security/CodeVerifier.h"

#include "kit/support/PropertyList.h"
#include "kit/support/SmallFile.h"

#include <QVariantMap>

namespace hub {

namespace {

constexpr qint64 maxInfoBytes = 16 * 1024 * 1024;

QString lastPathComponent(const QUrl& url)
{
    QString path = url.path();
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

std::optional<QString> textEntry(const QVariantMap& map, const QString& key)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

} // namespace

CodeVerifier::CodeVerifier(SignaturePolicy policy, std::shared_ptr<const CodeSigningService> service)
    : policy(std::move(policy)), service_(std::move(service))
{
}

VerifiedCode CodeVerifier::verify(const QUrl& bundle) const
{
    const QString name = lastPathComponent(bundle);
    const auto code = service_->createStaticCode(bundle.toLocalFile());
    if (!code)
        throw VerificationFailure::invalidSignature(name, QStringLiteral("unreadable"));
    const auto requirement = service_->compileRequirement(policy.requirementText());
    if (!requirement)
        throw VerificationFailure::invalidSignature(name, QStringLiteral("bad requirement"));

    // One check reads the code; the identity, version and notarization below are what it verified.
    const auto validity = service_->checkValidity(*code, bundleFlags, requirement.get());
    if (validity.status == CodeSigningService::errUnsigned)
        throw VerificationFailure::unsigned_(name);
    const QVariantMap info = service_->copySigningInformation(*code, CodeSigningService::signingInformationFlag).value_or(QVariantMap());
    const auto team = textEntry(info, CodeSigningService::infoTeamIdentifier());
    if (validity.status == CodeSigningService::errReqFailed)
        throw VerificationFailure::wrongPublisher(name, team);
    if (validity.status != 0)
        throw VerificationFailure::invalidSignature(name, describe(*service_, validity));
    const auto identifier = textEntry(info, CodeSigningService::infoIdentifier());
    if (!identifier)
        throw VerificationFailure::invalidSignature(name, QStringLiteral("its signing identity cannot be read"));

    // Code whose directory names no team met the requirement through its certificate: the policy's team.
    return VerifiedCode{bundle.toLocalFile(), *identifier, team.value_or(policy.teamID),
                        versionIn(info.value(CodeSigningService::infoPList()).toMap()), service_->isNotarized(*code)};
}

bool CodeVerifier::verifyContainerSignature(const QUrl& image) const
{
    const QString name = lastPathComponent(image);
    const auto code = service_->createStaticCode(image.toLocalFile());
    if (!code)
        return false;
    const auto requirement = service_->compileRequirement(policy.requirementText());
    if (!requirement)
        throw VerificationFailure::invalidSignature(name, QStringLiteral("bad requirement"));
    const auto validity = service_->checkValidity(*code, CodeSigningService::enforceRevocationChecks, requirement.get());
    if (validity.status == 0)
        return true;
    if (validity.status == CodeSigningService::errUnsigned)
        return false;
    throw VerificationFailure::wrongPublisher(name, std::nullopt);
}

bool CodeVerifier::isNotarized(const QUrl& url) const
{
    const auto code = service_->createStaticCode(url.toLocalFile());
    return code && service_->isNotarized(*code);
}

std::optional<QString> CodeVerifier::bundleVersion(const QUrl& bundle)
{
    // Without blocking, through no link and within bounds: whatever lies at the name is refused, not waited on.
    const SmallFile file =
        SmallFile::read(bundle.toLocalFile() + QStringLiteral("/Contents/Info.plist"), maxInfoBytes, SmallFile::Links::refuse);
    if (!file.bytes)
        return std::nullopt;
    const auto plist = PropertyList::parse(*file.bytes);
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return versionIn(plist->toMap());
}

std::optional<QString> CodeVerifier::versionIn(const QVariantMap& info)
{
    if (auto version = textEntry(info, QStringLiteral("CFBundleVersion")))
        return version;
    return textEntry(info, QStringLiteral("CFBundleShortVersionString"));
}

QString CodeVerifier::describe(const CodeSigningService& service, const CodeSigningService::Validity& validity)
{
    const QString fallback = QStringLiteral("status ") + QString::number(validity.status);
    if (validity.error)
        return validity.error->isEmpty() ? fallback : *validity.error;
    const auto text = service.statusMessage(validity.status);
    return text && !text->isEmpty() ? *text : fallback;
}

} // namespace hub
