#include "tests/testkit/SigningIdentity.h"

#include "tests/testkit/CertificateFactory.h"

#include <map>
#include <mutex>
#include <optional>
#include <tuple>

namespace hub::test {

const QString SigningIdentity::tavrenTeam = QStringLiteral("KD4N8RWT2C");
const QString SigningIdentity::otherTeam = QStringLiteral("Z9Y8X7W6V5");

namespace {

const QByteArray null = QByteArray::fromHex("0500");
const CertificateExtension developerIdMarker{"1.2.840.113635.100.6.2.6", null, true};
const CertificateExtension applicationMarker{"1.2.840.113635.100.6.1.13", null, true};
const CertificateExtension installerMarker{"1.2.840.113635.100.6.1.14", null, true};

CertificateOptions authority(QList<CertificateExtension> extensions = {})
{
    CertificateOptions options;
    options.organization = QStringLiteral("Tavren Test");
    options.organizationalUnit = QStringLiteral("Tavren Test Certification Authority");
    options.validity.notAfter = std::chrono::days(3650);
    options.extensions = std::move(extensions);
    return options;
}

// The process-wide test PKI, made on first use.
struct Pki {
    IssuedCertificate root = CertificateFactory::root(QStringLiteral("Tavren Test Root CA"), authority());
    IssuedCertificate intermediate = CertificateFactory::intermediate(
        root, QStringLiteral("Tavren Test Developer ID CA"), authority({developerIdMarker}));
    IssuedCertificate plainIntermediate =
        CertificateFactory::intermediate(root, QStringLiteral("Tavren Test Intermediate CA"), authority());
    std::optional<IssuedCertificate> foreignRoot, foreignIntermediate; // made when first asked for
    std::map<std::tuple<QString, QString, bool, const IssuedCertificate*>, IssuedCertificate> leaves;
};

std::mutex pkiMutex;

Pki& pki()
{
    static Pki instance;
    return instance;
}

SigningIdentity identity(const QString& team, const QString& maker, bool application, const IssuedCertificate& issuer,
                         const IssuedCertificate& root)
{
    Pki& p = pki();
    const auto id = std::make_tuple(team, maker, application, &issuer);
    auto found = p.leaves.find(id);
    if (found == p.leaves.end()) {
        CertificateOptions options;
        options.key = CertificateKey::rsa2048;
        options.organization = maker;
        options.organizationalUnit = team;
        options.validity.notAfter = std::chrono::days(365);
        options.extendedKeyUsage = QList<QByteArray>{"1.3.6.1.5.5.7.3.3"}; // codeSigning
        options.extensions = {application ? applicationMarker : installerMarker};
        const QString role = application ? QStringLiteral("Developer ID Application") : QStringLiteral("Developer ID Installer");
        found = p.leaves.emplace(id, CertificateFactory::leaf(issuer, QStringLiteral("%1: %2 (%3)").arg(role, maker, team), options))
                    .first;
    }
    SigningIdentity out;
    out.privateKey = found->second.privateKeyPem();
    out.certificate = found->second.der();
    out.chain = {issuer.der(), root.der()};
    out.teamID = team;
    return out;
}

} // namespace

SigningIdentity SigningIdentity::developerId(const QString& team, const QString& maker)
{
    std::lock_guard lock(pkiMutex);
    return identity(team, maker, true, pki().intermediate, pki().root);
}

SigningIdentity SigningIdentity::anotherTeam()
{
    return developerId(otherTeam, QStringLiteral("Other Maker"));
}

SigningIdentity SigningIdentity::notApplicationLeaf()
{
    std::lock_guard lock(pkiMutex);
    return identity(tavrenTeam, QStringLiteral("Tavren"), false, pki().intermediate, pki().root);
}

SigningIdentity SigningIdentity::intermediateWithoutMarker()
{
    std::lock_guard lock(pkiMutex);
    return identity(tavrenTeam, QStringLiteral("Tavren"), true, pki().plainIntermediate, pki().root);
}

SigningIdentity SigningIdentity::untrustedRoot()
{
    std::lock_guard lock(pkiMutex);
    Pki& p = pki();
    if (!p.foreignRoot) {
        p.foreignRoot = CertificateFactory::root(QStringLiteral("Untrusted Test Root CA"), authority());
        p.foreignIntermediate = CertificateFactory::intermediate(
            *p.foreignRoot, QStringLiteral("Untrusted Test Developer ID CA"), authority({developerIdMarker}));
    }
    return identity(tavrenTeam, QStringLiteral("Tavren"), true, *p.foreignIntermediate, *p.foreignRoot);
}

SigningIdentity SigningIdentity::adHoc()
{
    return {};
}

QList<QByteArray> anchors()
{
    std::lock_guard lock(pkiMutex);
    return {pki().root.der()};
}

} // namespace hub::test
