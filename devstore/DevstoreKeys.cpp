#include "devstore/DevstoreKeys.h"

#include "kit/support/AtomicFile.h"
#include "tests/testkit/CertificateFactory.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdexcept>

namespace hub::devstore {

namespace {

const QByteArray null = QByteArray::fromHex("0500");

CertificateOptions authority(QList<CertificateExtension> extensions = {})
{
    CertificateOptions options;
    options.organization = QStringLiteral("Tavren Devstore");
    options.validity.notAfter = std::chrono::days(3650);
    options.extensions = std::move(extensions);
    return options;
}

QByteArray derOf(const QByteArray& pem)
{
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    if (certificates.isEmpty())
        throw std::runtime_error("keys.json holds a certificate that does not read");
    return certificates.first().toDer();
}

QByteArray publicPemOf(EVP_PKEY* key)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_PUBKEY(bio.get(), key);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(length));
}

DevstoreKeys create(const DevstoreHosts& hosts)
{
    DevstoreKeys keys;
    const IssuedCertificate root = CertificateFactory::root(QStringLiteral("Tavren Devstore Root CA"), authority());
    const IssuedCertificate intermediate =
        CertificateFactory::intermediate(root, QStringLiteral("Tavren Devstore TLS CA"), authority());
    CertificateOptions leafOptions;
    leafOptions.hosts = hosts.all();
    leafOptions.validity.notAfter = std::chrono::days(800);
    const IssuedCertificate leaf = CertificateFactory::leaf(intermediate, hosts.api, leafOptions);
    keys.tlsRootPem = root.pem();
    keys.tlsIntermediatePem = intermediate.pem();
    keys.tlsLeafPem = leaf.pem();
    keys.tlsLeafKeyPem = leaf.privateKeyPem();
    keys.tlsPins = {root.spkiPin(), intermediate.spkiPin()};

    const IssuedCertificate codeRoot = CertificateFactory::root(QStringLiteral("Tavren Devstore Code Signing Root"), authority());
    const IssuedCertificate developerCa = CertificateFactory::intermediate(
        codeRoot, QStringLiteral("Tavren Devstore Developer ID CA"),
        authority({{"1.2.840.113635.100.6.2.6", null, true}}));
    CertificateOptions signerOptions;
    signerOptions.key = CertificateKey::rsa2048;
    signerOptions.organization = QStringLiteral("Tavren");
    signerOptions.organizationalUnit = test::SigningIdentity::tavrenTeam;
    signerOptions.validity.notAfter = std::chrono::days(3650);
    signerOptions.extendedKeyUsage = QList<QByteArray>{"1.3.6.1.5.5.7.3.3"};
    signerOptions.extensions = {{"1.2.840.113635.100.6.1.13", null, true}};
    const IssuedCertificate signer = CertificateFactory::leaf(
        developerCa, QStringLiteral("Developer ID Application: Tavren (%1)").arg(test::SigningIdentity::tavrenTeam),
        signerOptions);
    keys.codeRootPem = codeRoot.pem();
    keys.signer.privateKey = signer.privateKeyPem();
    keys.signer.certificate = signer.der();
    keys.signer.chain = {developerCa.der(), codeRoot.der()};
    keys.signer.teamID = test::SigningIdentity::tavrenTeam;

    const IssuedCertificate notary = CertificateFactory::root(QStringLiteral("Tavren Devstore Notary"), authority());
    keys.notaryKeyPem = notary.privateKeyPem();
    keys.notaryPublicPem = publicPemOf(notary.key());

    keys.tokenSecret.resize(32);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(keys.tokenSecret.data()), 8);
    return keys;
}

QString text(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

QJsonObject toJson(const DevstoreKeys& keys)
{
    QJsonArray chain;
    for (const QByteArray& der : keys.signer.chain)
        chain.append(text(der.toBase64()));
    return {
        {"tlsRoot", text(keys.tlsRootPem)},
        {"tlsIntermediate", text(keys.tlsIntermediatePem)},
        {"tlsLeaf", text(keys.tlsLeafPem)},
        {"tlsLeafKey", text(keys.tlsLeafKeyPem)},
        {"tlsPins", QJsonArray::fromStringList(keys.tlsPins)},
        {"codeRoot", text(keys.codeRootPem)},
        {"signerKey", text(keys.signer.privateKey)},
        {"signerCertificate", text(keys.signer.certificate.toBase64())},
        {"signerChain", chain},
        {"notaryKey", text(keys.notaryKeyPem)},
        {"notaryPublicKey", text(keys.notaryPublicPem)},
        {"tokenSecret", text(keys.tokenSecret.toBase64())},
    };
}

DevstoreKeys fromJson(const QJsonObject& object)
{
    const auto bytes = [&](const char* key) {
        const QString value = object.value(QLatin1String(key)).toString();
        if (value.isEmpty())
            throw std::runtime_error(std::string("keys.json lacks ") + key);
        return value.toLatin1();
    };
    DevstoreKeys keys;
    keys.tlsRootPem = bytes("tlsRoot");
    keys.tlsIntermediatePem = bytes("tlsIntermediate");
    keys.tlsLeafPem = bytes("tlsLeaf");
    keys.tlsLeafKeyPem = bytes("tlsLeafKey");
    for (const QJsonValue& pin : object.value(QLatin1String("tlsPins")).toArray())
        keys.tlsPins << pin.toString();
    keys.codeRootPem = bytes("codeRoot");
    keys.signer.privateKey = bytes("signerKey");
    keys.signer.certificate = QByteArray::fromBase64(bytes("signerCertificate"));
    for (const QJsonValue& der : object.value(QLatin1String("signerChain")).toArray())
        keys.signer.chain << QByteArray::fromBase64(der.toString().toLatin1());
    keys.signer.teamID = test::SigningIdentity::tavrenTeam;
    keys.notaryKeyPem = bytes("notaryKey");
    keys.notaryPublicPem = bytes("notaryPublicKey");
    keys.tokenSecret = QByteArray::fromBase64(bytes("tokenSecret"));
    derOf(keys.tlsRootPem);
    if (keys.tlsPins.isEmpty() || keys.signer.chain.size() != 2)
        throw std::runtime_error("keys.json is incomplete");
    return keys;
}

} // namespace

test::TestNotary DevstoreKeys::notary() const
{
    QByteArray base64 = notaryPublicPem;
    base64.replace("-----BEGIN PUBLIC KEY-----", "").replace("-----END PUBLIC KEY-----", "");
    return {notaryKeyPem, QByteArray::fromBase64(base64.simplified().replace(" ", "")), notaryPublicPem};
}

QString DevstoreKeys::fingerprint() const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(signer.certificate);
    hash.addData(notaryPublicPem);
    return QString::fromLatin1(hash.result().toHex().left(16));
}

DevstoreKeys DevstoreKeys::loadOrCreate(const QString& stateFolder, const DevstoreHosts& hosts)
{
    const QString path = stateFolder + QStringLiteral("/keys.json");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        if (document.isObject())
            return fromJson(document.object());
        throw std::runtime_error("keys.json in the state folder is not JSON; remove it to start afresh");
    }
    DevstoreKeys keys = create(hosts);
    AtomicFile::write(path, QJsonDocument(toJson(keys)).toJson());
    return keys;
}

} // namespace hub::devstore
