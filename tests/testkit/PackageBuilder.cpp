#include "tests/testkit/PackageBuilder.h"

#include <QCryptographicHash>
#include <QFile>
#include <archive.h>
#include <archive_entry.h>
#include <lzma.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdexcept>
#include <sys/stat.h>

namespace hub::test {

namespace {

la_ssize_t appendToBuffer(struct archive*, void* buffer, const void* data, size_t size)
{
    static_cast<QByteArray*>(buffer)->append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    return static_cast<la_ssize_t>(size);
}

QByteArray writeArchive(const QList<ArchiveEntry>& entries, bool gzip)
{
    QByteArray out;
    std::unique_ptr<struct archive, decltype(&archive_write_free)> writer(archive_write_new(), archive_write_free);
    archive_write_set_format_cpio(writer.get());
    if (gzip)
        archive_write_add_filter_gzip(writer.get());
    archive_write_set_bytes_in_last_block(writer.get(), 1);
    if (archive_write_open(writer.get(), &out, nullptr, appendToBuffer, nullptr) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(writer.get()));
    // cpio ties hard links together by inode: a link shares its target's inode.
    auto inodeOf = [&](qsizetype index) {
        const auto& item = entries[index];
        if (item.type == ArchiveEntry::Type::hardlink) {
            for (qsizetype i = 0; i < index; ++i) {
                if (entries[i].path == item.target)
                    return i + 1;
            }
        }
        return index + 1;
    };
    auto linkCount = [&](qsizetype inode) {
        qsizetype count = 0;
        for (qsizetype i = 0; i < entries.size(); ++i)
            count += inodeOf(i) == inode ? 1 : 0;
        return count;
    };
    for (qsizetype index = 0; index < entries.size(); ++index) {
        const auto& item = entries[index];
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
        archive_entry_set_pathname(entry.get(), item.path.constData());
        archive_entry_set_perm(entry.get(), static_cast<mode_t>(item.mode));
        archive_entry_set_mtime(entry.get(), 1735689600, 0);
        archive_entry_set_size(entry.get(), 0);
        archive_entry_set_dev(entry.get(), 1);
        archive_entry_set_ino(entry.get(), inodeOf(index));
        archive_entry_set_nlink(entry.get(), static_cast<unsigned>(linkCount(inodeOf(index))));
        switch (item.type) {
        case ArchiveEntry::Type::file:
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_size(entry.get(), item.data.size());
            break;
        case ArchiveEntry::Type::directory:
            archive_entry_set_filetype(entry.get(), AE_IFDIR);
            break;
        case ArchiveEntry::Type::symlink:
            archive_entry_set_filetype(entry.get(), AE_IFLNK);
            archive_entry_set_symlink(entry.get(), item.target.constData());
            break;
        case ArchiveEntry::Type::hardlink:
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            break;
        }
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK)
            throw std::runtime_error(archive_error_string(writer.get()));
        if (item.type == ArchiveEntry::Type::file && !item.data.isEmpty())
            archive_write_data(writer.get(), item.data.constData(), static_cast<size_t>(item.data.size()));
    }
    archive_write_close(writer.get());
    return out;
}

void putBigEndian64(QByteArray& out, quint64 value)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

QByteArray escaped(const QByteArray& text)
{
    return QString::fromUtf8(text).toHtmlEscaped().toUtf8();
}

// A node of the xar's file tree.
struct XarNode {
    QByteArray name;
    bool directory = true;
    QByteArray data;
    std::optional<QByteArray> link; // the target of a symbolic link
    int mode = 0755;
    QList<XarNode> children;

    XarNode& child(const QByteArray& childName)
    {
        for (auto& existing : children) {
            if (existing.name == childName)
                return existing;
        }
        children.append(XarNode{childName});
        return children.back();
    }
};

class XarWriter {
public:
    void add(const QByteArray& path, bool directory, const QByteArray& data, int mode,
             std::optional<QByteArray> link = std::nullopt)
    {
        XarNode* node = &root_;
        const QList<QByteArray> parts = path.split('/');
        for (const auto& part : parts) {
            if (!part.isEmpty())
                node = &node->child(part);
        }
        node->directory = directory;
        node->data = data;
        node->mode = mode;
        node->link = std::move(link);
    }

    QByteArray write(const std::optional<PackageSigning>& signing)
    {
        using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
        Key key(nullptr, EVP_PKEY_free);
        qint64 signatureSize = 0;
        if (signing) {
            std::unique_ptr<BIO, decltype(&BIO_free)> bio(
                BIO_new_mem_buf(signing->privateKeyPem.constData(), static_cast<int>(signing->privateKeyPem.size())), BIO_free);
            key.reset(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
            if (!key)
                throw std::runtime_error("cannot read the signing key");
            signatureSize = EVP_PKEY_get_size(key.get());
        }
        style_ = signing ? signing->checksumStyle : QByteArray("sha1");
        const qsizetype checksumSize = hash({}).size();
        heap_.clear();
        heap_.append(QByteArray(checksumSize, '\0')); // the TOC checksum
        if (signing)
            heap_.append(QByteArray(signatureSize, '\0'));

        QByteArray toc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xar>\n<toc>\n<checksum style=\"" + style_
            + "\"><offset>0</offset><size>" + QByteArray::number(checksumSize) + "</size></checksum>\n";
        if (signing) {
            toc += "<signature style=\"RSA\"><offset>" + QByteArray::number(checksumSize) + "</offset><size>"
                + QByteArray::number(signatureSize)
                + "</size><KeyInfo xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><X509Data>";
            for (const auto& der : signing->certificatesDer)
                toc += "<X509Certificate>" + der.toBase64() + "</X509Certificate>";
            toc += "</X509Data></KeyInfo></signature>\n";
        }
        toc += "<creation-time>2025-01-01T00:00:00</creation-time>\n";
        int id = 0;
        for (const auto& node : root_.children)
            writeNode(node, toc, id);
        toc += "</toc>\n</xar>\n";

        const QByteArray compressed = qCompress(toc, 9).mid(4);
        const QByteArray checksum = hash(compressed);
        heap_.replace(0, checksumSize, checksum);
        if (signing) {
            std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(key.get(), nullptr), EVP_PKEY_CTX_free);
            size_t length = static_cast<size_t>(signatureSize);
            QByteArray signature(signatureSize, '\0');
            if (EVP_PKEY_sign_init(ctx.get()) != 1
                || EVP_PKEY_CTX_set_signature_md(ctx.get(), EVP_get_digestbyname(style_.constData())) != 1
                || EVP_PKEY_sign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                                 reinterpret_cast<const unsigned char*>(checksum.constData()), size_t(checksum.size()))
                       != 1)
                throw std::runtime_error("cannot sign the table of contents");
            heap_.replace(checksumSize, signatureSize, signature.left(static_cast<qsizetype>(length)));
        }

        QByteArray out = "xar!";
        out.append(char(0)).append(char(28)); // header size
        out.append(char(0)).append(char(1));  // version
        putBigEndian64(out, static_cast<quint64>(compressed.size()));
        putBigEndian64(out, static_cast<quint64>(toc.size()));
        out.append(QByteArray("\0\0\0\1", 4)); // SHA-1
        return out + compressed + heap_;
    }

private:
    QByteArray hash(const QByteArray& data) const
    {
        const auto algorithm = style_ == "md5" ? QCryptographicHash::Md5
            : style_ == "sha256"                ? QCryptographicHash::Sha256
                                                : QCryptographicHash::Sha1;
        return QCryptographicHash::hash(data, algorithm);
    }

    void writeNode(const XarNode& node, QByteArray& toc, int& id)
    {
        toc += "<file id=\"" + QByteArray::number(++id) + "\">";
        if (!node.directory && !node.link) {
            const QByteArray sum = hash(node.data).toHex();
            toc += "<data><length>" + QByteArray::number(node.data.size()) + "</length><offset>"
                + QByteArray::number(heap_.size()) + "</offset><size>" + QByteArray::number(node.data.size())
                + "</size><encoding style=\"application/octet-stream\"/>"
                + "<archived-checksum style=\"" + style_ + "\">" + sum + "</archived-checksum>"
                + "<extracted-checksum style=\"" + style_ + "\">" + sum + "</extracted-checksum></data>";
            heap_ += node.data;
        }
        const QByteArray type = node.link ? "symlink" : node.directory ? "directory" : "file";
        toc += "<name>" + escaped(node.name) + "</name><type>" + type + "</type><mode>0" + QByteArray::number(node.mode, 8)
            + "</mode>\n";
        if (node.link)
            toc += "<link type=\"file\">" + escaped(*node.link) + "</link>\n";
        for (const auto& child : node.children)
            writeNode(child, toc, id);
        toc += "</file>\n";
    }

    XarNode root_;
    QByteArray heap_;
    QByteArray style_ = "sha1";
};

} // namespace

QByteArray PackageBuilder::payload(const QList<ArchiveEntry>& entries, PackageComponent::Compression compression)
{
    if (compression == PackageComponent::Compression::gzip)
        return writeArchive(entries, true);
    return pbzx(writeArchive(entries, false));
}

QByteArray PackageBuilder::pbzx(const QByteArray& data)
{
    constexpr qsizetype chunkSize = 1 << 24;
    QByteArray out = "pbzx";
    putBigEndian64(out, chunkSize);
    for (qsizetype start = 0; start < data.size(); start += chunkSize) {
        const QByteArray chunk = data.mid(start, chunkSize);
        QByteArray xz(static_cast<qsizetype>(lzma_stream_buffer_bound(static_cast<size_t>(chunk.size()))), '\0');
        size_t written = 0;
        if (lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(chunk.constData()),
                                    static_cast<size_t>(chunk.size()), reinterpret_cast<uint8_t*>(xz.data()), &written,
                                    static_cast<size_t>(xz.size()))
            != LZMA_OK)
            throw std::runtime_error("xz encoding failed");
        xz.truncate(static_cast<qsizetype>(written));
        putBigEndian64(out, static_cast<quint64>(chunk.size()));
        putBigEndian64(out, static_cast<quint64>(xz.size()));
        out += xz;
    }
    return out;
}

QByteArray PackageBuilder::packageInfo(const PackageComponent& component)
{
    QByteArray info = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<pkg-info format-version=\"2\" identifier=\"com.tavren.test."
        + escaped(component.folder.isEmpty() ? QByteArray("root") : component.folder) + "\" version=\"1.0\"";
    if (component.installLocation)
        info += " install-location=\"" + escaped(*component.installLocation) + "\"";
    info += " auth=\"root\">\n    <payload numberOfFiles=\"1\" installKBytes=\"" + QByteArray::number(component.installKBytes)
        + "\"/>\n</pkg-info>\n";
    return info;
}

PackageBuilder& PackageBuilder::add(PackageComponent component)
{
    components_.append(std::move(component));
    return *this;
}

PackageBuilder& PackageBuilder::addEntry(ArchiveEntry entry)
{
    extra_.append(std::move(entry));
    return *this;
}

PackageBuilder& PackageBuilder::sign(PackageSigning signing)
{
    signing_ = std::move(signing);
    return *this;
}

void PackageBuilder::write(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes()) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray PackageBuilder::bytes() const
{
    XarWriter xar;
    if (components_.size() > 1 || (components_.size() == 1 && !components_.front().folder.isEmpty()))
        xar.add("Distribution", false, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<installer-gui-script minSpecVersion=\"2\"/>\n", 0644);
    for (const auto& component : components_) {
        const QByteArray prefix = component.folder.isEmpty() ? QByteArray() : component.folder + "/";
        if (!component.folder.isEmpty())
            xar.add(component.folder, true, {}, 0755);
        xar.add(prefix + "PackageInfo", false, component.packageInfo.value_or(packageInfo(component)), 0644);
        xar.add(prefix + "Bom", false, QByteArray("BOMStore"), 0644);
        if (component.payload)
            xar.add(prefix + "Payload", false, payload(*component.payload, component.compression), 0644);
        if (component.scripts)
            xar.add(prefix + "Scripts", false, payload(*component.scripts, component.compression), 0644);
    }
    for (const auto& entry : extra_) {
        const bool link = entry.type == ArchiveEntry::Type::symlink;
        xar.add(entry.path, entry.type == ArchiveEntry::Type::directory, entry.data, link ? 0755 : entry.mode,
                link ? std::optional<QByteArray>(entry.target) : std::nullopt);
    }
    return xar.write(signing_);
}

} // namespace hub::test
