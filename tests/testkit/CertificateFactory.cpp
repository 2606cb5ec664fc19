#include "tests/testkit/CertificateFactory.h"

#include <QCryptographicHash>
#include <QFile>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace hub {

namespace {

[[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string("certificate factory: ") + what); }

QByteArray readBio(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(length));
}

std::shared_ptr<EVP_PKEY> makeKey(CertificateFactory::Key kind)
{
    EVP_PKEY* key = nullptr;
    switch (kind) {
    case CertificateFactory::Key::rsa2048: key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(2048)); break;
    case CertificateFactory::Key::rsa3072: key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(3072)); break;
    case CertificateFactory::Key::rsa4096: key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(4096)); break;
    case CertificateFactory::Key::p256: key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"); break;
    case CertificateFactory::Key::p384: key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-384"); break;
    }
    if (!key)
        fail("key generation failed");
    return {key, EVP_PKEY_free};
}

void addText(X509_NAME* name, const char* field, const QString& value)
{
    if (value.isEmpty())
        return;
    const QByteArray utf8 = value.toUtf8();
    if (X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(utf8.constData()),
                                   int(utf8.size()), -1, 0) != 1)
        fail("bad subject name");
}

void addConfigured(X509* certificate, X509V3_CTX* context, int nid, const QByteArray& value)
{
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, context, nid, value.constData());
    if (!extension || X509_add_ext(certificate, extension, -1) != 1)
        fail("bad extension");
    X509_EXTENSION_free(extension);
}

void addRaw(X509* certificate, const CertificateFactory::Extension& raw)
{
    ASN1_OBJECT* oid = OBJ_txt2obj(raw.oid.constData(), 1);
    ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
    if (!oid || !value
        || ASN1_OCTET_STRING_set(value, reinterpret_cast<const unsigned char*>(raw.der.constData()), int(raw.der.size())) != 1)
        fail("bad extension");
    X509_EXTENSION* extension = X509_EXTENSION_create_by_OBJ(nullptr, oid, raw.critical ? 1 : 0, value);
    if (!extension || X509_add_ext(certificate, extension, -1) != 1)
        fail("bad extension");
    X509_EXTENSION_free(extension);
    ASN1_OCTET_STRING_free(value);
    ASN1_OBJECT_free(oid);
}

enum class Role { root, intermediate, leaf };

IssuedCertificate issue(const IssuedCertificate* issuer, const QString& commonName,
                        const CertificateFactory::Options& options, Role role)
{
    std::shared_ptr<EVP_PKEY> key = makeKey(options.key);
    std::shared_ptr<X509> certificate(X509_new(), X509_free);
    X509* x = certificate.get();
    X509_set_version(x, 2);

    unsigned char serial[12];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(x));
    BN_free(number);

    X509_gmtime_adj(X509_getm_notBefore(x), long(options.validity.notBefore.count()));
    X509_gmtime_adj(X509_getm_notAfter(x), long(options.validity.notAfter.count()));

    X509_NAME* subject = X509_get_subject_name(x);
    addText(subject, "O", options.organization);
    addText(subject, "OU", options.organizationalUnit);
    addText(subject, "CN", commonName);
    X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer->x509()) : subject);
    X509_set_pubkey(x, key.get());

    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer ? issuer->x509() : x, x, nullptr, nullptr, 0);
    const bool authority = role != Role::leaf;
    addConfigured(x, &context, NID_basic_constraints, authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    addConfigured(x, &context, NID_key_usage,
                  authority ? "critical,keyCertSign,cRLSign,digitalSignature" : "critical,digitalSignature,keyEncipherment");
    addConfigured(x, &context, NID_subject_key_identifier, "hash");
    if (issuer)
        addConfigured(x, &context, NID_authority_key_identifier, "keyid:always");
    if (!options.hosts.isEmpty()) {
        QByteArray names;
        for (const QString& host : options.hosts)
            names += (names.isEmpty() ? "DNS:" : ",DNS:") + host.toUtf8();
        addConfigured(x, &context, NID_subject_alt_name, names);
    }
    const QList<QByteArray> usages = options.extendedKeyUsage.value_or(
        authority ? QList<QByteArray>{} : QList<QByteArray>{"1.3.6.1.5.5.7.3.1"});
    if (!usages.isEmpty())
        addConfigured(x, &context, NID_ext_key_usage, usages.join(','));
    for (const CertificateFactory::Extension& extension : options.extensions)
        addRaw(x, extension);

    if (X509_sign(x, issuer ? issuer->key() : key.get(), EVP_sha256()) <= 0)
        fail("signing failed");
    return IssuedCertificate(certificate, key);
}

} // namespace

IssuedCertificate::IssuedCertificate(std::shared_ptr<X509> certificate, std::shared_ptr<EVP_PKEY> key)
    : certificate_(std::move(certificate)), key_(std::move(key))
{
}

QByteArray IssuedCertificate::der() const
{
    unsigned char* data = nullptr;
    const int length = i2d_X509(x509(), &data);
    QByteArray out(reinterpret_cast<const char*>(data), length);
    OPENSSL_free(data);
    return out;
}

QByteArray IssuedCertificate::pem() const
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_X509(bio.get(), x509());
    return readBio(bio.get());
}

QByteArray IssuedCertificate::privateKeyPem() const
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_PrivateKey(bio.get(), key(), nullptr, nullptr, 0, nullptr, nullptr);
    return readBio(bio.get());
}

QByteArray IssuedCertificate::publicKeyDer() const
{
    unsigned char* data = nullptr;
    const int length = i2d_PUBKEY(X509_get0_pubkey(x509()), &data);
    QByteArray out(reinterpret_cast<const char*>(data), length);
    OPENSSL_free(data);
    return out;
}

QString IssuedCertificate::spkiPin() const
{
    return QString::fromLatin1(QCryptographicHash::hash(publicKeyDer(), QCryptographicHash::Sha256).toBase64());
}

IssuedCertificate CertificateFactory::root(const QString& commonName, const Options& options)
{
    return issue(nullptr, commonName, options, Role::root);
}

IssuedCertificate CertificateFactory::intermediate(const IssuedCertificate& issuer, const QString& commonName,
                                                   const Options& options)
{
    return issue(&issuer, commonName, options, Role::intermediate);
}

IssuedCertificate CertificateFactory::leaf(const IssuedCertificate& issuer, const QString& commonName,
                                           const Options& options)
{
    return issue(&issuer, commonName, options, Role::leaf);
}

CertificateFactory::Chain CertificateFactory::chain(const QString& host, Options leafOptions, Key caKey)
{
    if (leafOptions.hosts.isEmpty())
        leafOptions.hosts = {host};
    IssuedCertificate root = CertificateFactory::root(QStringLiteral("Test Root for ") + host, {.key = caKey});
    IssuedCertificate intermediate = CertificateFactory::intermediate(root, QStringLiteral("Test CA for ") + host,
                                                                     {.key = caKey});
    IssuedCertificate leaf = CertificateFactory::leaf(intermediate, leafOptions.hosts.first(), leafOptions);
    return {root, intermediate, leaf};
}

void CertificateFactory::writePem(const QString& path, const QList<IssuedCertificate>& certificates)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail("cannot write the PEM file");
    for (const IssuedCertificate& certificate : certificates)
        file.write(certificate.pem());
}

} // namespace hub
