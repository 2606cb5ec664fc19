#include "kit/codesign/SignatureTrust.h"

#include "kit/codesign/CodeSignatureFault.h"
#include "kit/security/CodeSigningService.h"
#include "kit/support/PropertyList.h"

#include <QVariantMap>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace hub {

namespace {

// Signed attribute holding a property list whose "cdhashes" array lists every code directory's hash.
constexpr const char* cdhashesOID = "1.2.840.113635.100.9.1";

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using ObjectPtr = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;
using PKCS7Ptr = std::unique_ptr<PKCS7, Deleter<PKCS7, PKCS7_free>>;
using TsVerifyPtr = std::unique_ptr<TS_VERIFY_CTX, Deleter<TS_VERIFY_CTX, TS_VERIFY_CTX_free>>;
using TstInfoPtr = std::unique_ptr<TS_TST_INFO, Deleter<TS_TST_INFO, TS_TST_INFO_free>>;

struct CertsFree {
    void operator()(STACK_OF(X509) * certs) const { sk_X509_pop_free(certs, X509_free); }
};
using CertsPtr = std::unique_ptr<STACK_OF(X509), CertsFree>;

[[noreturn]] void signatureFailed(const QString& text)
{
    ERR_clear_error();
    CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, text);
}

// The platform's certificate markers (Developer ID and the like) are critical extensions that a
// code-signing chain understands; any other unknown critical extension still fails the chain.
constexpr const char* platformMarkerArc = "1.2.840.113635.100.6.";

int allowPlatformMarkers(int ok, X509_STORE_CTX* context)
{
    if (ok || X509_STORE_CTX_get_error(context) != X509_V_ERR_UNHANDLED_CRITICAL_EXTENSION)
        return ok;
    X509* cert = X509_STORE_CTX_get_current_cert(context);
    for (int i = 0; i < X509_get_ext_count(cert); ++i) {
        X509_EXTENSION* extension = X509_get_ext(cert, i);
        if (!X509_EXTENSION_get_critical(extension) || X509_supported_extension(extension))
            continue;
        char oid[128];
        if (OBJ_obj2txt(oid, sizeof oid, X509_EXTENSION_get_object(extension), 1) <= 0
            || !QByteArray(oid).startsWith(platformMarkerArc))
            return 0;
    }
    X509_STORE_CTX_set_error(context, X509_V_OK);
    return 1;
}

std::shared_ptr<X509> share(X509* cert)
{
    X509_up_ref(cert);
    return std::shared_ptr<X509>(cert, X509_free);
}

std::optional<QList<QByteArray>> signedCdhashes(CMS_SignerInfo* signer)
{
    ObjectPtr oid(OBJ_txt2obj(cdhashesOID, 1));
    const int index = CMS_signed_get_attr_by_OBJ(signer, oid.get(), -1);
    if (index < 0)
        return std::nullopt;
    X509_ATTRIBUTE* attribute = CMS_signed_get_attr(signer, index);
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, 0);
    if (X509_ATTRIBUTE_count(attribute) != 1 || !value || value->type != V_ASN1_OCTET_STRING)
        signatureFailed(QStringLiteral("the signed list of code directories is malformed"));
    const auto plist = PropertyList::parse(
        QByteArray(reinterpret_cast<const char*>(value->value.octet_string->data), value->value.octet_string->length));
    const QVariant list = plist ? plist->toMap().value(QStringLiteral("cdhashes")) : QVariant();
    if (list.typeId() != QMetaType::QVariantList)
        signatureFailed(QStringLiteral("the signed list of code directories is malformed"));
    QList<QByteArray> hashes;
    for (const QVariant& item : list.toList()) {
        if (item.typeId() != QMetaType::QByteArray)
            signatureFailed(QStringLiteral("the signed list of code directories is malformed"));
        hashes.append(item.toByteArray());
    }
    return hashes;
}

} // namespace

SignatureTrust::SignatureTrust(const QList<QByteArray>& anchorsDer, std::function<QDateTime()> clock)
    : store_(X509_STORE_new()), clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTimeUtc(); };
    for (const QByteArray& der : anchorsDer) {
        const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
        if (X509* cert = d2i_X509(nullptr, &p, der.size())) {
            X509_STORE_add_cert(store_, cert);
            X509_free(cert);
        }
    }
    ERR_clear_error();
}

SignatureTrust::~SignatureTrust()
{
    X509_STORE_free(store_);
}

SignatureTrust::Signer SignatureTrust::verify(const QByteArray& cms, const QByteArray& content) const
{
    BioPtr input(BIO_new_mem_buf(cms.constData(), int(cms.size())));
    CmsPtr info(d2i_CMS_bio(input.get(), nullptr));
    if (!info || OBJ_obj2nid(CMS_get0_type(info.get())) != NID_pkcs7_signed || !CMS_is_detached(info.get()))
        signatureFailed(QStringLiteral("the CMS signature is malformed"));
    STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(info.get());
    if (sk_CMS_SignerInfo_num(signers) != 1)
        signatureFailed(QStringLiteral("the CMS signature must have exactly one signer"));
    CMS_SignerInfo* signerInfo = sk_CMS_SignerInfo_value(signers, 0);

    // Given a memory BIO, CMS_verify reads a copy that it does not free when it fails before
    // digesting (an unknown digest algorithm, for one): OpenSSL 3.0 loses 272 bytes each time. A
    // pass-through filter in front keeps it reading ours.
    BioPtr data(BIO_new(BIO_f_null()));
    BIO* bytes = BIO_new_mem_buf(content.constData(), int(content.size()));
    if (!data || !bytes) {
        BIO_free(bytes);
        signatureFailed(QStringLiteral("cannot read the code directory"));
    }
    BIO_push(data.get(), bytes);
    if (CMS_verify(info.get(), nullptr, nullptr, data.get(), nullptr, CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) != 1)
        signatureFailed(QStringLiteral("the CMS signature does not match the code directory"));
    X509* leaf = nullptr;
    CMS_SignerInfo_get0_algs(signerInfo, nullptr, &leaf, nullptr, nullptr);
    if (!leaf)
        signatureFailed(QStringLiteral("the CMS signature carries no signing certificate"));

    Signer signer;
    signer.cdhashes = signedCdhashes(signerInfo);

    const QDateTime when = timestamp(signerInfo).value_or(clock_());
    CertsPtr certs(CMS_get1_certs(info.get()));
    StoreCtxPtr context(X509_STORE_CTX_new());
    if (!context || X509_STORE_CTX_init(context.get(), store_, leaf, certs.get()) != 1)
        signatureFailed(QStringLiteral("cannot evaluate the signing certificate"));
    X509_VERIFY_PARAM_set_time(X509_STORE_CTX_get0_param(context.get()), time_t(when.toSecsSinceEpoch()));
    X509_STORE_CTX_set_verify_cb(context.get(), allowPlatformMarkers);
    if (X509_verify_cert(context.get()) != 1) {
        const QString reason = QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get())));
        ERR_clear_error();
        CodeSignatureFault::raise(CodeSigningService::errNotTrusted,
                                  QStringLiteral("the signing certificate is not trusted: ") + reason);
    }
    const uint32_t usage = X509_get_extended_key_usage(leaf);
    if (usage != UINT32_MAX && !(usage & XKU_CODE_SIGN))
        CodeSignatureFault::raise(CodeSigningService::errNotTrusted,
                                  QStringLiteral("the signing certificate is not meant for code signing"));
    STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context.get());
    for (int i = 0; i < sk_X509_num(chain); ++i)
        signer.chain.append(share(sk_X509_value(chain, i)));
    return signer;
}

QStringList SignatureTrust::organisationalUnits(X509* certificate)
{
    QStringList units;
    X509_NAME* subject = X509_get_subject_name(certificate);
    for (int i = X509_NAME_get_index_by_NID(subject, NID_organizationalUnitName, -1); i >= 0;
         i = X509_NAME_get_index_by_NID(subject, NID_organizationalUnitName, i)) {
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, i)));
        if (length >= 0) {
            units << QString::fromUtf8(reinterpret_cast<const char*>(utf8), length);
            OPENSSL_free(utf8);
        }
    }
    return units;
}

// The time of a timestamp token over this signature, when it verifies up to an anchor.
std::optional<QDateTime> SignatureTrust::timestamp(void* opaqueSigner) const
{
    auto* signerInfo = static_cast<CMS_SignerInfo*>(opaqueSigner);
    const int index = CMS_unsigned_get_attr_by_NID(signerInfo, NID_id_smime_aa_timeStampToken, -1);
    if (index < 0)
        return std::nullopt;
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_unsigned_get_attr(signerInfo, index), 0);
    if (!value || value->type != V_ASN1_SEQUENCE)
        return std::nullopt;
    const unsigned char* p = value->value.sequence->data;
    PKCS7Ptr token(d2i_PKCS7(nullptr, &p, value->value.sequence->length));
    const ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(signerInfo);
    TsVerifyPtr verify(TS_VERIFY_CTX_new());
    if (!token || !signature || !verify) {
        ERR_clear_error();
        return std::nullopt;
    }
    TS_VERIFY_CTX_set_flags(verify.get(), TS_VFY_SIGNATURE | TS_VFY_DATA);
    TS_VERIFY_CTX_set_data(verify.get(), BIO_new_mem_buf(signature->data, signature->length));
    X509_STORE_up_ref(store_);
    TS_VERIFY_CTX_set_store(verify.get(), store_);
    const bool valid = TS_RESP_verify_token(verify.get(), token.get()) == 1;
    TstInfoPtr tst(valid ? PKCS7_to_TS_TST_INFO(token.get()) : nullptr);
    struct tm moment {};
    if (!tst || ASN1_TIME_to_tm(TS_TST_INFO_get_time(tst.get()), &moment) != 1) {
        ERR_clear_error();
        return std::nullopt;
    }
    return QDateTime::fromSecsSinceEpoch(qint64(timegm(&moment)), Qt::UTC);
}

} // namespace hub
