#include "tools/pkgutil/XarSignatureCheck.h"

#include "kit/support/InstallerToolProtocol.h"
#include "tools/common/ToolSupport.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <zlib.h>

namespace hub::tools {

namespace {

constexpr std::uint64_t maxTocBytes = 64u << 20;
// Marks a developer-distribution intermediate certificate.
constexpr const char* distributionIntermediateOid = "1.2.840.113635.100.6.2.6";

struct HeapRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct FileChecksum {
    HeapRange range;
    std::string style;
    std::string hex;
};

struct Toc {
    std::string checksumStyle;
    HeapRange checksum;
    bool hasChecksum = false;
    bool hasSignature = false;
    std::string signatureStyle;
    HeapRange signature;
    std::vector<QByteArray> certificates; // DER
    std::vector<FileChecksum> files;
};

struct Invalid {
    std::string problem;
};

std::uint64_t bigEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// The digests a signature may rest on, by strength: MD5 and unknown styles count for nothing.
int strength(const std::string& style)
{
    return style == "sha512" ? 3 : style == "sha256" ? 2 : style == "sha1" ? 1 : 0;
}

const EVP_MD* digestNamed(const std::string& style)
{
    switch (strength(style)) {
    case 1:
        return EVP_sha1();
    case 2:
        return EVP_sha256();
    case 3:
        return EVP_sha512();
    default:
        return nullptr;
    }
}

QByteArray digest(const EVP_MD* md, const QByteArray& data)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.constData(), static_cast<size_t>(data.size()), out, &length, md, nullptr) != 1)
        throw ToolFailure("digest failed");
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(length));
}

Toc parseToc(const QByteArray& xml)
{
    Toc toc;
    QXmlStreamReader reader(xml);
    std::vector<QString> path;
    FileChecksum* file = nullptr;
    auto number = [&](bool& ok) { return reader.readElementText().trimmed().toULongLong(&ok); };
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            path.pop_back();
            if (reader.name() == QLatin1String("data"))
                file = nullptr;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = reader.name().toString();
        const QString parent = path.empty() ? QString() : path.back();
        const QString grand = path.size() < 2 ? QString() : path[path.size() - 2];
        bool ok = true;
        bool consumed = false;
        if (name == "checksum" && parent == "toc") {
            toc.hasChecksum = true;
            toc.checksumStyle = reader.attributes().value("style").toString().toStdString();
        } else if (name == "signature" && parent == "toc") {
            toc.hasSignature = true;
            toc.signatureStyle = reader.attributes().value("style").toString().toStdString();
        } else if ((name == "offset" || name == "size") && grand == "toc"
                   && (parent == "checksum" || parent == "signature")) {
            HeapRange& range = parent == "checksum" ? toc.checksum : toc.signature;
            (name == "offset" ? range.offset : range.size) = number(ok);
            consumed = true;
        } else if (name == "X509Certificate" && parent == "X509Data") {
            toc.certificates.push_back(
                QByteArray::fromBase64(reader.readElementText().toLatin1(), QByteArray::AbortOnBase64DecodingErrors));
            if (toc.certificates.back().isEmpty())
                throw Invalid{"a certificate in the table of contents is damaged"};
            consumed = true;
        } else if (name == "data" && parent == "file") {
            toc.files.emplace_back();
            file = &toc.files.back();
        } else if (file && parent == "data" && (name == "offset" || name == "length")) {
            (name == "offset" ? file->range.offset : file->range.size) = number(ok);
            consumed = true;
        } else if (file && parent == "data" && name == "archived-checksum") {
            // Of several checksums the strongest counts.
            std::string style = reader.attributes().value("style").toString().toStdString();
            std::string hex = reader.readElementText().trimmed().toLower().toStdString();
            if (file->style.empty() || strength(style) > strength(file->style)) {
                file->style = std::move(style);
                file->hex = std::move(hex);
            }
            consumed = true;
        }
        if (!ok)
            throw Invalid{"the table of contents holds a malformed number"};
        if (!consumed)
            path.push_back(name);
    }
    if (reader.hasError())
        throw Invalid{"the table of contents is not well-formed XML"};
    return toc;
}

class Package {
public:
    explicit Package(const std::filesystem::path& file)
        : in_(file, std::ios::binary)
    {
        if (!in_)
            throw ToolFailure("cannot open " + file.string());
        unsigned char header[28];
        if (!in_.read(reinterpret_cast<char*>(header), sizeof header) || std::string_view(reinterpret_cast<char*>(header), 4) != "xar!")
            throw Invalid{"not a xar archive"};
        const auto headerSize = bigEndian(header + 4, 2);
        const auto tocCompressed = bigEndian(header + 8, 8);
        const auto tocPlain = bigEndian(header + 16, 8);
        if (headerSize < 28 || tocCompressed > maxTocBytes || tocPlain > maxTocBytes)
            throw Invalid{"the archive header is damaged"};
        compressedToc_ = QByteArray(static_cast<qsizetype>(tocCompressed), Qt::Uninitialized);
        in_.seekg(static_cast<std::streamoff>(headerSize));
        if (!in_.read(compressedToc_.data(), compressedToc_.size()))
            throw Invalid{"the table of contents is truncated"};
        heapStart_ = headerSize + tocCompressed;

        QByteArray xml(static_cast<qsizetype>(tocPlain), Qt::Uninitialized);
        uLongf length = static_cast<uLongf>(tocPlain);
        if (uncompress(reinterpret_cast<Bytef*>(xml.data()), &length,
                       reinterpret_cast<const Bytef*>(compressedToc_.constData()),
                       static_cast<uLong>(compressedToc_.size()))
                != Z_OK
            || length != tocPlain)
            throw Invalid{"the table of contents cannot be decompressed"};
        toc_ = parseToc(xml);
    }

    const Toc& toc() const { return toc_; }
    const QByteArray& compressedToc() const { return compressedToc_; }

    QByteArray heap(const HeapRange& range)
    {
        if (range.size > maxTocBytes)
            throw Invalid{"a heap range is too large to hold"};
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(heapStart_ + range.offset));
        QByteArray bytes(static_cast<qsizetype>(range.size), Qt::Uninitialized);
        if (!in_.read(bytes.data(), bytes.size()))
            throw Invalid{"a heap range is out of bounds"};
        return bytes;
    }

    // Hash of a heap range of any size, read in pieces.
    QByteArray heapDigest(const HeapRange& range, const EVP_MD* md)
    {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestInit_ex(ctx.get(), md, nullptr);
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(heapStart_ + range.offset));
        std::vector<char> buffer(1 << 16);
        std::uint64_t left = range.size;
        while (left > 0) {
            const auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(left, buffer.size()));
            if (!in_.read(buffer.data(), want))
                throw Invalid{"a file's data lies outside the archive"};
            EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(want));
            left -= static_cast<std::uint64_t>(want);
        }
        unsigned char out[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(ctx.get(), out, &length);
        return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(length));
    }

private:
    std::ifstream in_;
    QByteArray compressedToc_;
    std::uint64_t heapStart_ = 0;
    Toc toc_;
};

using X509Ptr = std::unique_ptr<X509, decltype(&X509_free)>;

X509Ptr parseCertificate(const QByteArray& der)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    X509* cert = d2i_X509(nullptr, &bytes, der.size());
    if (!cert)
        throw Invalid{"a certificate in the table of contents cannot be read"};
    return X509Ptr(cert, X509_free);
}

XarSignatureCheck::Certificate describe(X509* cert)
{
    XarSignatureCheck::Certificate out;
    X509_NAME* subject = X509_get_subject_name(cert);
    const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (index >= 0) {
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
        if (length >= 0) {
            out.commonName.assign(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(length));
            OPENSSL_free(utf8);
        }
    }
    std::tm tm{};
    if (ASN1_TIME_to_tm(X509_get0_notAfter(cert), &tm) == 1) {
        char text[64];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &tm);
        out.expires = text;
    }
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(cert, EVP_sha256(), md, &length);
    for (unsigned int i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i + 1 < length ? "%02X " : "%02X", md[i]);
        out.fingerprint += pair;
    }
    return out;
}

bool hasExtension(X509* cert, const char* oid)
{
    std::unique_ptr<ASN1_OBJECT, decltype(&ASN1_OBJECT_free)> object(OBJ_txt2obj(oid, 1), ASN1_OBJECT_free);
    return object && X509_get_ext_by_OBJ(cert, object.get(), -1) >= 0;
}

// Developer certificates carry critical marker extensions under 1.2.840.113635.100.6
// that OpenSSL does not know; those, and only those, are accepted.
int acceptMarkerExtensions(int ok, X509_STORE_CTX* ctx)
{
    if (ok || X509_STORE_CTX_get_error(ctx) != X509_V_ERR_UNHANDLED_CRITICAL_EXTENSION)
        return ok;
    X509* cert = X509_STORE_CTX_get_current_cert(ctx);
    for (int i = 0; i < X509_get_ext_count(cert); ++i) {
        X509_EXTENSION* extension = X509_get_ext(cert, i);
        if (!X509_EXTENSION_get_critical(extension) || X509_supported_extension(extension))
            continue;
        char oid[128];
        OBJ_obj2txt(oid, sizeof oid, X509_EXTENSION_get_object(extension), 1);
        if (!std::string_view(oid).starts_with("1.2.840.113635.100.6."))
            return 0;
    }
    return 1;
}

} // namespace

XarSignatureCheck XarSignatureCheck::run(const std::filesystem::path& file, const std::filesystem::path& anchors)
{
    XarSignatureCheck result;
    try {
        Package package(file);
        const Toc& toc = package.toc();
        if (!toc.hasSignature)
            return result;
        result.status = Status::invalid;

        const EVP_MD* md = digestNamed(toc.checksumStyle);
        if (!toc.hasChecksum || !md)
            throw Invalid{"the table of contents has no usable checksum"};
        const QByteArray tocDigest = digest(md, package.compressedToc());
        if (package.heap(toc.checksum) != tocDigest)
            throw Invalid{"checksum did not verify"};
        for (const auto& entry : toc.files) {
            const EVP_MD* fileMd = digestNamed(entry.style);
            if (!fileMd)
                throw Invalid{"a file has no usable checksum"};
            if (package.heapDigest(entry.range, fileMd).toHex().toStdString() != entry.hex)
                throw Invalid{"checksum did not verify"};
        }

        if (toc.signatureStyle != "RSA" || toc.certificates.empty())
            throw Invalid{"the signature is not an RSA signature with certificates"};
        std::vector<X509Ptr> certs;
        for (const auto& der : toc.certificates)
            certs.push_back(parseCertificate(der));
        const QByteArray signature = package.heap(toc.signature);
        EVP_PKEY* key = X509_get0_pubkey(certs.front().get());
        std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> verify(
            key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr, EVP_PKEY_CTX_free);
        if (!verify || EVP_PKEY_verify_init(verify.get()) != 1 || EVP_PKEY_CTX_set_signature_md(verify.get(), md) != 1
            || EVP_PKEY_verify(verify.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                               static_cast<size_t>(signature.size()),
                               reinterpret_cast<const unsigned char*>(tocDigest.constData()),
                               static_cast<size_t>(tocDigest.size()))
                   != 1)
            throw Invalid{"signature did not verify"};

        for (const auto& cert : certs)
            result.chain.push_back(describe(cert.get()));
        result.status = Status::untrusted;

        std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
        std::error_code ec;
        if (!std::filesystem::exists(anchors, ec) || X509_STORE_load_file(store.get(), anchors.c_str()) != 1)
            return result;
        auto freeStack = [](STACK_OF(X509)* stack) { sk_X509_free(stack); };
        std::unique_ptr<STACK_OF(X509), decltype(freeStack)> others(sk_X509_new_null(), freeStack);
        for (std::size_t i = 1; i < certs.size(); ++i)
            sk_X509_push(others.get(), certs[i].get());
        std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> ctx(X509_STORE_CTX_new(), X509_STORE_CTX_free);
        if (X509_STORE_CTX_init(ctx.get(), store.get(), certs.front().get(), others.get()) != 1)
            return result;
        X509_STORE_CTX_set_verify_cb(ctx.get(), acceptMarkerExtensions);
        if (X509_verify_cert(ctx.get()) != 1)
            return result;

        STACK_OF(X509)* verified = X509_STORE_CTX_get0_chain(ctx.get());
        result.chain.clear();
        bool distribution = false;
        for (int i = 0; i < sk_X509_num(verified); ++i) {
            X509* cert = sk_X509_value(verified, i);
            result.chain.push_back(describe(cert));
            if (i > 0 && hasExtension(cert, distributionIntermediateOid))
                distribution = true;
        }
        result.status = distribution ? Status::trustedForDistribution : Status::trusted;
    } catch (const Invalid& invalid) {
        result.status = Status::invalid;
        result.problem = invalid.problem;
        result.chain.clear();
    }
    return result;
}

std::string XarSignatureCheck::verdict() const
{
    using Protocol = InstallerToolProtocol;
    std::string_view word;
    switch (status) {
    case Status::noSignature:
        word = Protocol::noSignature;
        break;
    case Status::invalid:
        word = Protocol::invalid;
        break;
    case Status::untrusted:
        word = Protocol::untrusted;
        break;
    case Status::trusted:
        word = Protocol::trusted;
        break;
    case Status::trustedForDistribution:
        word = Protocol::trustedForDistribution;
        break;
    }
    std::string out = std::string(Protocol::statusPrefix) + std::string(word) + "\n";
    if (chain.empty())
        return out;
    out += Protocol::leafPrefix;
    for (const char c : chain.front().commonName) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || byte == '%') {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\n";
}

std::string XarSignatureCheck::report(const std::string& packageName) const
{
    std::string out = "Package \"" + packageName + "\":\n   Status: ";
    switch (status) {
    case Status::noSignature:
        return out + "no signature\n";
    case Status::invalid:
        return out + "package is invalid (" + problem + ")\n";
    case Status::untrusted:
        out += "signed by untrusted certificate\n";
        break;
    case Status::trusted:
        out += "signed by a certificate trusted by the installer anchors\n";
        break;
    case Status::trustedForDistribution:
        out += "signed by a developer certificate issued by Apple for distribution\n";
        break;
    }
    out += "   Certificate Chain:\n";
    for (std::size_t i = 0; i < chain.size(); ++i) {
        out += "    " + std::to_string(i + 1) + ". " + chain[i].commonName + "\n";
        out += "       Expires: " + chain[i].expires + "\n";
        out += "       SHA256 Fingerprint:\n           " + chain[i].fingerprint + "\n";
        out += "       ------------------------------------------------------------------------\n";
    }
    return out;
}

} // namespace hub::tools
