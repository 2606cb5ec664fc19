#include "tests/testkit/EmbeddedSignature.h"

#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <plist/plist.h>

#include <memory>
#include <stdexcept>

namespace hub::test {

void appendBE32(QByteArray& out, quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void appendBE64(QByteArray& out, quint64 value)
{
    appendBE32(out, quint32(value >> 32));
    appendBE32(out, quint32(value));
}

quint32 readBE32(const QByteArray& in, qint64 offset)
{
    if (offset < 0 || offset + 4 > in.size())
        throw std::runtime_error("read past the end of a blob");
    const auto* p = reinterpret_cast<const unsigned char*>(in.constData() + offset);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

quint64 readBE64(const QByteArray& in, qint64 offset)
{
    return quint64(readBE32(in, offset)) << 32 | readBE32(in, offset + 4);
}

void writeBE32(QByteArray& out, qint64 offset, quint32 value)
{
    QByteArray bytes;
    appendBE32(bytes, value);
    out.replace(offset, 4, bytes);
}

void writeBE64(QByteArray& out, qint64 offset, quint64 value)
{
    QByteArray bytes;
    appendBE64(bytes, value);
    out.replace(offset, 8, bytes);
}

namespace {

int hashSize(quint8 hashType)
{
    switch (hashType) {
    case EmbeddedSignature::sha1: return 20;
    case EmbeddedSignature::sha256: return 32;
    }
    throw std::runtime_error("unknown hash type");
}

qint64 headerSize(quint32 version)
{
    if (version >= 0x20400) return 88;
    if (version >= 0x20300) return 64;
    if (version >= 0x20200) return 52;
    if (version >= 0x20100) return 48;
    return 44;
}

int specialSlotCount(const EmbeddedSignature::Directory& d)
{
    return d.special.isEmpty() ? 0 : d.special.lastKey();
}

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Deleter<T, Free>>;

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("CMS signing failed: ") + what);
}

QByteArray xmlPlist(plist_t root)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    QByteArray out(xml, int(length));
    plist_to_xml_free(xml);
    return out;
}

// SEQUENCE { OBJECT IDENTIFIER digest algorithm, OCTET STRING digest }
QByteArray digestSequence(quint8 hashType, const QByteArray& digest)
{
    const int nid = hashType == EmbeddedSignature::sha1 ? NID_sha1 : NID_sha256;
    const ASN1_OBJECT* oid = OBJ_nid2obj(nid);
    const int oidLength = i2d_ASN1_OBJECT(oid, nullptr);
    QByteArray oidDer(oidLength, '\0');
    auto* p = reinterpret_cast<unsigned char*>(oidDer.data());
    i2d_ASN1_OBJECT(oid, &p);
    QByteArray body = oidDer;
    body.append(char(0x04)).append(char(digest.size())).append(digest);
    QByteArray out;
    out.append(char(0x30)).append(char(body.size())).append(body);
    return out;
}

} // namespace

qint64 EmbeddedSignature::Directory::pageCount() const
{
    if (pageSizeLog2 == 0)
        return codeLimit > 0 ? 1 : 0;
    const qint64 page = qint64(1) << pageSizeLog2;
    return (codeLimit + page - 1) / page;
}

qint64 EmbeddedSignature::Directory::size() const
{
    qint64 size = headerSize(version) + identifier.toUtf8().size() + 1;
    if (!teamID.isEmpty() && version >= 0x20200)
        size += teamID.toUtf8().size() + 1;
    return size + (specialSlotCount(*this) + pageCount()) * hashSize(hashType);
}

QByteArray EmbeddedSignature::hash(quint8 hashType, const char* data, qint64 size)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const EVP_MD* type = hashType == sha1 ? EVP_sha1() : EVP_sha256();
    if (!EVP_Digest(data, size_t(size), md, &length, type, nullptr))
        throw std::runtime_error("digest failed");
    return QByteArray(reinterpret_cast<const char*>(md), int(length));
}

QByteArray EmbeddedSignature::blob(quint32 magic, const QByteArray& payload)
{
    QByteArray out;
    appendBE32(out, magic);
    appendBE32(out, quint32(payload.size() + 8));
    return out + payload;
}

QByteArray EmbeddedSignature::codeDirectory(const Directory& d)
{
    const int slotSize = hashSize(d.hashType);
    const int nSpecial = specialSlotCount(d);
    const qint64 nCode = d.pageCount();
    const QByteArray ident = d.identifier.toUtf8();
    const bool withTeam = !d.teamID.isEmpty() && d.version >= 0x20200;
    const QByteArray team = d.teamID.toUtf8();
    const qint64 identOffset = headerSize(d.version);
    const qint64 teamOffset = withTeam ? identOffset + ident.size() + 1 : 0;
    const qint64 hashOffset = identOffset + ident.size() + 1 + (withTeam ? team.size() + 1 : 0)
        + qint64(nSpecial) * slotSize;
    const bool limit64 = d.codeLimit > 0xffffffffLL;

    QByteArray out;
    out.reserve(int(d.size()));
    appendBE32(out, codeDirectoryMagic);
    appendBE32(out, quint32(d.size()));
    appendBE32(out, d.version);
    appendBE32(out, d.flags);
    appendBE32(out, quint32(hashOffset));
    appendBE32(out, quint32(identOffset));
    appendBE32(out, quint32(nSpecial));
    appendBE32(out, quint32(nCode));
    appendBE32(out, limit64 ? 0 : quint32(d.codeLimit));
    out.append(char(slotSize)).append(char(d.hashType)).append(char(0)).append(char(d.pageSizeLog2));
    appendBE32(out, 0); // spare2
    if (d.version >= 0x20100)
        appendBE32(out, 0); // scatterOffset
    if (d.version >= 0x20200)
        appendBE32(out, quint32(teamOffset));
    if (d.version >= 0x20300) {
        appendBE32(out, 0); // spare3
        appendBE64(out, limit64 ? quint64(d.codeLimit) : 0);
    }
    if (d.version >= 0x20400) {
        appendBE64(out, d.execSegBase);
        appendBE64(out, d.execSegLimit);
        appendBE64(out, d.execSegFlags);
    }
    out.append(ident).append('\0');
    if (withTeam)
        out.append(team).append('\0');
    for (int slot = nSpecial; slot >= 1; --slot) {
        if (d.special.contains(slot))
            out.append(hash(d.hashType, d.special.value(slot)));
        else
            out.append(QByteArray(slotSize, '\0'));
    }
    const qint64 page = d.pageSizeLog2 == 0 ? d.codeLimit : qint64(1) << d.pageSizeLog2;
    for (qint64 i = 0; i < nCode; ++i) {
        const qint64 start = i * page;
        QByteArray h = hash(d.hashType, d.code + start, qMin(page, d.codeLimit - start));
        if (i == 0 && d.corruptFirstPage)
            h[0] = char(h[0] ^ 0x5a);
        out.append(h);
    }
    if (out.size() != d.size())
        throw std::logic_error("CodeDirectory size mismatch");
    return out;
}

QByteArray EmbeddedSignature::emptyRequirements()
{
    QByteArray count;
    appendBE32(count, 0);
    return blob(requirementsMagic, count);
}

QByteArray EmbeddedSignature::entitlements(const QByteArray& xml)
{
    return blob(entitlementsMagic, xml);
}

QByteArray EmbeddedSignature::cms(const QList<QByteArray>& codeDirectories, const SigningIdentity& identity)
{
    if (identity.isAdHoc())
        return blob(cmsMagic, {});

    Owned<BIO, BIO_free_all> keyPem(BIO_new_mem_buf(identity.privateKey.constData(), identity.privateKey.size()));
    Owned<EVP_PKEY, EVP_PKEY_free> key(PEM_read_bio_PrivateKey(keyPem.get(), nullptr, nullptr, nullptr));
    check(key != nullptr, "leaf key");
    auto readCertificate = [](const QByteArray& der) {
        const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
        Owned<X509, X509_free> certificate(d2i_X509(nullptr, &p, der.size()));
        check(certificate != nullptr, "certificate");
        return certificate;
    };
    auto leaf = readCertificate(identity.certificate);

    const unsigned flags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP;
    Owned<CMS_ContentInfo, CMS_ContentInfo_free> cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags));
    check(cms != nullptr, "SignedData");
    CMS_SignerInfo* signer = CMS_add1_signer(cms.get(), leaf.get(), key.get(), EVP_sha256(), flags);
    check(signer != nullptr, "signer");
    for (const QByteArray& der : identity.chain)
        check(CMS_add1_cert(cms.get(), readCertificate(der).get()) == 1, "chain");

    // 1.2.840.113635.100.9.1: {cdhashes: [20-byte hashes]} as an XML plist in an OCTET STRING.
    plist_t root = plist_new_dict();
    plist_t list = plist_new_array();
    for (const QByteArray& cd : codeDirectories) {
        const QByteArray h = cdhash(cd);
        plist_array_append_item(list, plist_new_data(h.constData(), uint64_t(h.size())));
    }
    plist_dict_set_item(root, "cdhashes", list);
    const QByteArray cdhashesXml = xmlPlist(root);
    plist_free(root);
    Owned<ASN1_OBJECT, ASN1_OBJECT_free> cdhashesOid(OBJ_txt2obj("1.2.840.113635.100.9.1", 1));
    check(CMS_signed_add1_attr_by_OBJ(signer, cdhashesOid.get(), V_ASN1_OCTET_STRING,
                                      cdhashesXml.constData(), cdhashesXml.size()) == 1, "cdhashes");

    // 1.2.840.113635.100.9.2: one SEQUENCE {algorithm, full hash} per CodeDirectory.
    Owned<ASN1_OBJECT, ASN1_OBJECT_free> digestsOid(OBJ_txt2obj("1.2.840.113635.100.9.2", 1));
    QList<QByteArray> values;
    for (const QByteArray& cd : codeDirectories) {
        const quint8 type = hashTypeOf(cd);
        values.append(digestSequence(type, hash(type, cd)));
    }
    Owned<X509_ATTRIBUTE, X509_ATTRIBUTE_free> digests(X509_ATTRIBUTE_create_by_OBJ(
        nullptr, digestsOid.get(), V_ASN1_SEQUENCE, values.first().constData(), values.first().size()));
    check(digests != nullptr, "digest attribute");
    for (qsizetype i = 1; i < values.size(); ++i)
        check(X509_ATTRIBUTE_set1_data(digests.get(), V_ASN1_SEQUENCE, values.at(i).constData(),
                                       values.at(i).size()) == 1, "digest value");
    check(CMS_signed_add1_attr(signer, digests.get()) == 1, "digests");

    Owned<BIO, BIO_free_all> content(BIO_new_mem_buf(codeDirectories.first().constData(), codeDirectories.first().size()));
    check(CMS_final(cms.get(), content.get(), nullptr, flags & ~CMS_PARTIAL) == 1, "final");

    unsigned char* der = nullptr;
    const int length = i2d_CMS_ContentInfo(cms.get(), &der);
    check(length > 0, "encoding");
    QByteArray out(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    return blob(cmsMagic, out);
}

QByteArray EmbeddedSignature::superBlob(const QList<QPair<quint32, QByteArray>>& blobs)
{
    QByteArray out;
    appendBE32(out, superBlobMagic);
    qint64 length = 12 + 8 * blobs.size();
    for (const auto& [slot, bytes] : blobs)
        length += bytes.size();
    appendBE32(out, quint32(length));
    appendBE32(out, quint32(blobs.size()));
    qint64 offset = 12 + 8 * blobs.size();
    for (const auto& [slot, bytes] : blobs) {
        appendBE32(out, slot);
        appendBE32(out, quint32(offset));
        offset += bytes.size();
    }
    for (const auto& [slot, bytes] : blobs)
        out.append(bytes);
    return out;
}

namespace {

QList<EmbeddedSignature::Directory> directories(const EmbeddedSignature::Input& input, const SigningIdentity& identity)
{
    EmbeddedSignature::Directory d = input.base;
    d.teamID = identity.teamID;
    d.flags |= identity.isAdHoc() ? quint32(EmbeddedSignature::adHocFlag) : 0u;
    d.special.insert(EmbeddedSignature::requirementsSlot, EmbeddedSignature::emptyRequirements());
    if (input.entitlementsXml)
        d.special.insert(EmbeddedSignature::entitlementsSlot, EmbeddedSignature::entitlements(*input.entitlementsXml));
    EmbeddedSignature::Directory sha1 = d;
    sha1.hashType = EmbeddedSignature::sha1;
    switch (input.digests) {
    case Digests::sha256: return {d};
    case Digests::sha1AndSha256: return {sha1, d};
    case Digests::sha1: return {sha1};
    }
    return {d};
}

constexpr qint64 cmsAllowance = 12288; // room for the CMS blob: three RSA-2048 certificates and a signer

} // namespace

qint64 EmbeddedSignature::reservedSize(const Input& input, const SigningIdentity& identity)
{
    const auto list = directories(input, identity);
    qint64 size = 12 + 8 * (list.size() + 2 + (input.entitlementsXml ? 1 : 0));
    for (const Directory& d : list)
        size += d.size();
    size += emptyRequirements().size();
    if (input.entitlementsXml)
        size += entitlements(*input.entitlementsXml).size();
    size += identity.isAdHoc() ? 8 : cmsAllowance;
    return (size + 15) / 16 * 16;
}

QByteArray EmbeddedSignature::build(const Input& input, const SigningIdentity& identity)
{
    QList<QByteArray> cds;
    for (const Directory& d : directories(input, identity))
        cds.append(codeDirectory(d));
    QList<QPair<quint32, QByteArray>> blobs{{codeDirectorySlot, cds.first()}, {requirementsSlot, emptyRequirements()}};
    if (input.entitlementsXml)
        blobs.append({entitlementsSlot, entitlements(*input.entitlementsXml)});
    for (int i = 1; i < cds.size(); ++i)
        blobs.append({alternateCodeDirectorySlot + quint32(i - 1), cds.at(i)});
    blobs.append({cmsSlot, cms(cds, identity)});
    QByteArray out = superBlob(blobs);
    if (out.size() > reservedSize(input, identity))
        throw std::runtime_error("signature larger than the room reserved for it");
    return out;
}

quint8 EmbeddedSignature::hashTypeOf(const QByteArray& codeDirectory)
{
    if (codeDirectory.size() < 44 || readBE32(codeDirectory, 0) != codeDirectoryMagic)
        throw std::runtime_error("not a CodeDirectory");
    return quint8(codeDirectory.at(37));
}

QByteArray EmbeddedSignature::cdhash(const QByteArray& codeDirectory)
{
    return hash(hashTypeOf(codeDirectory), codeDirectory).left(20);
}

quint32 EmbeddedSignature::flagsOf(const QByteArray& codeDirectory)
{
    hashTypeOf(codeDirectory);
    return readBE32(codeDirectory, 12);
}

namespace {

QString cString(const QByteArray& blob, qint64 offset)
{
    if (offset <= 0 || offset >= blob.size())
        return {};
    const qint64 end = blob.indexOf('\0', offset);
    return QString::fromUtf8(blob.mid(offset, (end < 0 ? blob.size() : end) - offset));
}

} // namespace

QString EmbeddedSignature::identifierOf(const QByteArray& codeDirectory)
{
    hashTypeOf(codeDirectory);
    return cString(codeDirectory, readBE32(codeDirectory, 20));
}

QString EmbeddedSignature::teamOf(const QByteArray& codeDirectory)
{
    hashTypeOf(codeDirectory);
    if (readBE32(codeDirectory, 8) < 0x20200)
        return {};
    return cString(codeDirectory, readBE32(codeDirectory, 48));
}

QList<QPair<quint32, QByteArray>> EmbeddedSignature::blobsIn(const QByteArray& superBlob)
{
    if (readBE32(superBlob, 0) != superBlobMagic)
        throw std::runtime_error("not a signature superblob");
    QList<QPair<quint32, QByteArray>> out;
    const quint32 count = readBE32(superBlob, 8);
    for (quint32 i = 0; i < count; ++i) {
        const quint32 slot = readBE32(superBlob, 12 + 8 * qint64(i));
        const quint32 offset = readBE32(superBlob, 16 + 8 * qint64(i));
        out.append({slot, superBlob.mid(offset, readBE32(superBlob, offset + 4))});
    }
    return out;
}

QList<QByteArray> EmbeddedSignature::codeDirectoriesIn(const QByteArray& superBlob)
{
    QList<QByteArray> out;
    for (const auto& [slot, blob] : blobsIn(superBlob))
        if (slot == codeDirectorySlot || (slot >= alternateCodeDirectorySlot && slot < alternateCodeDirectorySlot + 5))
            out.append(blob);
    return out;
}

} // namespace hub::test
