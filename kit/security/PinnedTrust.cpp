#include "kit/security/PinnedTrust.h"

#include "kit/deployment/Deployment.h"

#include <QCryptographicHash>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace hub {

namespace {

using PkeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

PkeyPtr publicKey(const QByteArray& der)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    std::unique_ptr<X509, decltype(&X509_free)> certificate(d2i_X509(nullptr, &bytes, long(der.size())),
                                                            X509_free);
    return {certificate ? X509_get_pubkey(certificate.get()) : nullptr, EVP_PKEY_free};
}

// PKCS #1 RSAPublicKey DER.
std::optional<QByteArray> exportRsa(EVP_PKEY* key)
{
    const int length = i2d_PublicKey(key, nullptr);
    if (length <= 0)
        return std::nullopt;
    QByteArray out(length, Qt::Uninitialized);
    auto* cursor = reinterpret_cast<unsigned char*>(out.data());
    i2d_PublicKey(key, &cursor);
    return out;
}

// 04 || X || Y, each coordinate padded to the field size.
std::optional<QByteArray> exportEcPoint(EVP_PKEY* key, int bits)
{
    BIGNUM* x = nullptr;
    BIGNUM* y = nullptr;
    std::optional<QByteArray> out;
    const int size = (bits + 7) / 8;
    if (EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1
        && EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1) {
        QByteArray point(1 + 2 * size, Qt::Uninitialized);
        point[0] = 0x04;
        auto* data = reinterpret_cast<unsigned char*>(point.data());
        if (BN_bn2binpad(x, data + 1, size) == size && BN_bn2binpad(y, data + 1 + size, size) == size)
            out = point;
    }
    BN_free(x);
    BN_free(y);
    return out;
}

} // namespace

const QSet<QString>& PinnedTrust::amazonRoots()
{
    static const QSet<QString>& set = *new QSet<QString>(Deployment::builtIn().apiPins);
    return set;
}

const QSet<QString>& PinnedTrust::letsEncryptRoots()
{
    static const QSet<QString>& set = *new QSet<QString>(Deployment::builtIn().identityPins);
    return set;
}

const QSet<QString>& PinnedTrust::cloudflareRoots()
{
    static const QSet<QString>& set = *new QSet<QString>(Deployment::builtIn().downloadPins);
    return set;
}

const PinnedTrust& PinnedTrust::tavren()
{
    static const PinnedTrust& trust = *new PinnedTrust(from(Deployment::current()));
    return trust;
}

PinnedTrust PinnedTrust::from(const Deployment& deployment)
{
    return PinnedTrust{
        {
            {deployment.apiHost, deployment.apiPins},
            {deployment.identityHost, deployment.identityPins},
            {deployment.webHost, deployment.webPins},
        },
        {
            {deployment.downloadDomain, deployment.downloadPins},
        },
    };
}

std::optional<QSet<QString>> PinnedTrust::pinned(const QString& host) const
{
    const QString name = host.toLower();
    if (const auto exact = pins.constFind(name); exact != pins.constEnd())
        return *exact;
    for (auto entry = suffixPins.constBegin(); entry != suffixPins.constEnd(); ++entry) {
        if (name.endsWith(u'.' + entry.key()))
            return entry.value();
    }
    return std::nullopt;
}

bool PinnedTrust::accepts(const ServerTrust& trust, const QString& host) const
{
    const std::optional<QSet<QString>> hashes = pinned(host);
    if (!hashes || hashes->isEmpty())
        return false;
    const std::optional<QList<QByteArray>> chain = trust.evaluate(host);
    if (!chain)
        return false;
    for (const QByteArray& certificate : *chain) {
        const std::optional<QString> hash = spkiHash(certificate);
        if (hash && hashes->contains(*hash))
            return true;
    }
    return false;
}

std::optional<QString> PinnedTrust::spkiHash(const QByteArray& certificateDer)
{
    PkeyPtr key = publicKey(certificateDer);
    if (!key)
        return std::nullopt;
    const int bits = EVP_PKEY_get_bits(key.get());
    QString type;
    std::optional<QByteArray> exported;
    switch (EVP_PKEY_get_base_id(key.get())) {
    case EVP_PKEY_RSA:
        type = QString::fromLatin1(keyTypeRSA);
        exported = exportRsa(key.get());
        break;
    case EVP_PKEY_EC: {
        // Only the NIST prime curves share the headers below.
        char curve[64] = {};
        if (EVP_PKEY_get_utf8_string_param(key.get(), OSSL_PKEY_PARAM_GROUP_NAME, curve, sizeof curve, nullptr) != 1)
            return std::nullopt;
        const QByteArrayView name(curve);
        if (name != "prime256v1" && name != "secp384r1")
            return std::nullopt;
        type = QString::fromLatin1(keyTypeEC);
        exported = exportEcPoint(key.get(), bits);
        break;
    }
    default:
        return std::nullopt;
    }
    const std::optional<QByteArray> header = spkiHeader(type, bits);
    if (!header || !exported)
        return std::nullopt;
    const QByteArray digest = QCryptographicHash::hash(*header + *exported, QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toBase64());
}

std::optional<QByteArray> PinnedTrust::spkiHeader(const QString& type, int bits)
{
    const char* hex = nullptr;
    if (type == QLatin1String(keyTypeRSA) && bits == 2048)
        hex = "30820122300d06092a864886f70d01010105000382010f00";
    else if (type == QLatin1String(keyTypeRSA) && bits == 4096)
        hex = "30820222300d06092a864886f70d01010105000382020f00";
    else if (type == QLatin1String(keyTypeEC) && bits == 256)
        hex = "3059301306072a8648ce3d020106082a8648ce3d030107034200";
    else if (type == QLatin1String(keyTypeEC) && bits == 384)
        hex = "3076301006072a8648ce3d020106052b81040022036200";
    if (!hex)
        return std::nullopt;
    return QByteArray::fromHex(hex);
}

} // namespace hub
