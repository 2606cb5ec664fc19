#include "tests/support/SigningIdentity.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <tuple>

namespace hub::test {

const QString SigningIdentity::tavrenTeam = QStringLiteral("KD4N8RWT2C");
const QString SigningIdentity::otherTeam = QStringLiteral("Z9Y8X7W6V5");

namespace {

constexpr const char* developerIdMarker = "1.2.840.113635.100.6.2.6";
constexpr const char* applicationMarker = "1.2.840.113635.100.6.1.13";
constexpr const char* installerMarker = "1.2.840.113635.100.6.1.14";

using Key = std::shared_ptr<EVP_PKEY>;
using Certificate = std::shared_ptr<X509>;

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

Key newKey()
{
    Key key(EVP_RSA_gen(2048), EVP_PKEY_free);
    check(key != nullptr, "key generation");
    return key;
}

void addExtension(X509* cert, X509V3_CTX* ctx, int nid, const char* value)
{
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, ctx, nid, value);
    check(ext != nullptr, value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// A critical extension whose value is DER NULL, the form of the platform's marker extensions.
void addMarker(X509* cert, const char* oid)
{
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
    const unsigned char null[] = {0x05, 0x00};
    ASN1_OCTET_STRING_set(value, null, 2);
    X509_EXTENSION* ext = X509_EXTENSION_create_by_OBJ(nullptr, object, 1, value);
    check(ext != nullptr, oid);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
    ASN1_OCTET_STRING_free(value);
    ASN1_OBJECT_free(object);
}

struct Name {
    QList<QPair<const char*, QString>> entries;
};

X509_NAME* x509Name(const Name& name)
{
    X509_NAME* out = X509_NAME_new();
    for (const auto& [field, value] : name.entries) {
        const QByteArray utf8 = value.toUtf8();
        check(X509_NAME_add_entry_by_txt(out, field, MBSTRING_UTF8,
                                         reinterpret_cast<const unsigned char*>(utf8.constData()), -1, -1, 0) == 1,
              field);
    }
    return out;
}

struct Issued {
    Key key;
    Certificate certificate;
};

enum class Role { root, intermediate, leaf };

// issuer empty: self-signed.
Certificate issue(const Name& subject, const Key& key, const Issued* issuer, Role role, const QList<const char*>& markers)
{
    Certificate cert(X509_new(), X509_free);
    X509_set_version(cert.get(), 2);
    unsigned char serial[8];
    check(RAND_bytes(serial, sizeof serial) == 1, "serial");
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_NAME* name = x509Name(subject);
    X509_set_subject_name(cert.get(), name);
    X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer->certificate.get()) : name);
    X509_NAME_free(name);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -86400L);
    X509_time_adj_ex(X509_getm_notAfter(cert.get()), role == Role::leaf ? 5 * 365 : 20 * 365, 0, nullptr);
    X509_set_pubkey(cert.get(), key.get());

    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer ? issuer->certificate.get() : cert.get(), cert.get(), nullptr, nullptr, 0);
    switch (role) {
    case Role::root:
        addExtension(cert.get(), &ctx, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert.get(), &ctx, NID_key_usage, "critical,keyCertSign,cRLSign");
        addExtension(cert.get(), &ctx, NID_subject_key_identifier, "hash");
        break;
    case Role::intermediate:
        addExtension(cert.get(), &ctx, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
        addExtension(cert.get(), &ctx, NID_key_usage, "critical,keyCertSign,cRLSign");
        addExtension(cert.get(), &ctx, NID_subject_key_identifier, "hash");
        addExtension(cert.get(), &ctx, NID_authority_key_identifier, "keyid:always");
        break;
    case Role::leaf:
        addExtension(cert.get(), &ctx, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(cert.get(), &ctx, NID_key_usage, "critical,digitalSignature");
        addExtension(cert.get(), &ctx, NID_ext_key_usage, "critical,codeSigning");
        addExtension(cert.get(), &ctx, NID_subject_key_identifier, "hash");
        addExtension(cert.get(), &ctx, NID_authority_key_identifier, "keyid:always");
        break;
    }
    for (const char* marker : markers)
        addMarker(cert.get(), marker);
    check(X509_sign(cert.get(), issuer ? issuer->key.get() : key.get(), EVP_sha256()) > 0, "signature");
    return cert;
}

QByteArray der(const Certificate& cert)
{
    unsigned char* out = nullptr;
    const int length = i2d_X509(cert.get(), &out);
    check(length > 0, "encoding");
    QByteArray bytes(reinterpret_cast<const char*>(out), length);
    OPENSSL_free(out);
    return bytes;
}

QByteArray pkcs8(const Key& key)
{
    PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(key.get());
    check(info != nullptr, "PKCS#8");
    unsigned char* out = nullptr;
    const int length = i2d_PKCS8_PRIV_KEY_INFO(info, &out);
    PKCS8_PRIV_KEY_INFO_free(info);
    check(length > 0, "PKCS#8 encoding");
    QByteArray bytes(reinterpret_cast<const char*>(out), length);
    OPENSSL_free(out);
    return bytes;
}

Name caName(const QString& commonName)
{
    return {{{"CN", commonName}, {"OU", QStringLiteral("Tavren Test Certification Authority")},
             {"O", QStringLiteral("Tavren Test")}, {"C", QStringLiteral("US")}}};
}

// The process-wide test PKI, made on first use.
struct Pki {
    Issued root, intermediate, plainIntermediate, foreignRoot, foreignIntermediate;
    Key leafKey;
    std::map<std::tuple<QString, QString, int>, Certificate> leaves;

    Pki()
    {
        root.key = newKey();
        root.certificate = issue(caName(QStringLiteral("Tavren Test Root CA")), root.key, nullptr, Role::root, {});
        intermediate.key = newKey();
        intermediate.certificate = issue(caName(QStringLiteral("Tavren Test Developer ID CA")), intermediate.key,
                                         &root, Role::intermediate, {developerIdMarker});
        plainIntermediate.key = intermediate.key;
        plainIntermediate.certificate = issue(caName(QStringLiteral("Tavren Test Intermediate CA")),
                                              intermediate.key, &root, Role::intermediate, {});
        foreignRoot.key = newKey();
        foreignRoot.certificate = issue(caName(QStringLiteral("Untrusted Test Root CA")), foreignRoot.key, nullptr,
                                        Role::root, {});
        foreignIntermediate.key = intermediate.key;
        foreignIntermediate.certificate = issue(caName(QStringLiteral("Untrusted Test Developer ID CA")),
                                                intermediate.key, &foreignRoot, Role::intermediate, {developerIdMarker});
        leafKey = newKey();
    }
};

std::mutex pkiMutex;

Pki& pki()
{
    static Pki instance;
    return instance;
}

enum class LeafKind { application, installer };

SigningIdentity identity(const QString& team, const QString& maker, LeafKind kind, const Issued& issuer,
                         const Issued& root)
{
    std::lock_guard lock(pkiMutex);
    Pki& p = pki();
    const auto id = std::make_tuple(team, maker + QString::number(quintptr(&issuer)), int(kind));
    auto found = p.leaves.find(id);
    if (found == p.leaves.end()) {
        const QString role = kind == LeafKind::application ? QStringLiteral("Developer ID Application")
                                                           : QStringLiteral("Developer ID Installer");
        const Name subject{{{"UID", team},
                            {"CN", QStringLiteral("%1: %2 (%3)").arg(role, maker, team)},
                            {"OU", team},
                            {"O", maker},
                            {"C", QStringLiteral("US")}}};
        found = p.leaves.emplace(id, issue(subject, p.leafKey, &issuer, Role::leaf,
                                           {kind == LeafKind::application ? applicationMarker : installerMarker}))
                    .first;
    }
    SigningIdentity out;
    out.privateKey = pkcs8(p.leafKey);
    out.certificate = der(found->second);
    out.chain = {der(issuer.certificate), der(root.certificate)};
    out.teamID = team;
    return out;
}

} // namespace

SigningIdentity SigningIdentity::developerId(const QString& team, const QString& maker)
{
    return identity(team, maker, LeafKind::application, pki().intermediate, pki().root);
}

SigningIdentity SigningIdentity::anotherTeam()
{
    return developerId(otherTeam, QStringLiteral("Other Maker"));
}

SigningIdentity SigningIdentity::notApplicationLeaf()
{
    return identity(tavrenTeam, QStringLiteral("Tavren"), LeafKind::installer, pki().intermediate, pki().root);
}

SigningIdentity SigningIdentity::intermediateWithoutMarker()
{
    return identity(tavrenTeam, QStringLiteral("Tavren"), LeafKind::application, pki().plainIntermediate, pki().root);
}

SigningIdentity SigningIdentity::untrustedRoot()
{
    return identity(tavrenTeam, QStringLiteral("Tavren"), LeafKind::application, pki().foreignIntermediate,
                    pki().foreignRoot);
}

SigningIdentity SigningIdentity::adHoc()
{
    return {};
}

QList<QByteArray> anchors()
{
    std::lock_guard lock(pkiMutex);
    return {der(pki().root.certificate)};
}

} // namespace hub::test
