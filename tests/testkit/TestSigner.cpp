#include "tests/testkit/TestSigner.h"

#include "tests/testkit/BundleLayout.h"
#include "tests/testkit/EmbeddedSignature.h"
#include "tests/testkit/MachOImage.h"
#include "tests/testkit/SealedResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <plist/plist.h>

#include <stdexcept>
#include <unistd.h>

namespace hub::test {

namespace {

quint32 fileType(BundleSpec::Kind kind)
{
    switch (kind) {
    case BundleSpec::Kind::app: return MachOImage::execute;
    case BundleSpec::Kind::framework: return MachOImage::dylib;
    default: return MachOImage::bundle;
    }
}

const char* packageType(BundleSpec::Kind kind)
{
    switch (kind) {
    case BundleSpec::Kind::app: return "APPL";
    case BundleSpec::Kind::framework: return "FMWK";
    default: return "BNDL";
    }
}

QByteArray infoPlist(const BundleSpec& spec)
{
    plist_t dict = plist_new_dict();
    auto set = [&](const char* key, const QString& value) {
        plist_dict_set_item(dict, key, plist_new_string(value.toUtf8().constData()));
    };
    set("CFBundleDevelopmentRegion", QStringLiteral("en"));
    set("CFBundleExecutable", spec.name);
    set("CFBundleIdentifier", spec.identifier);
    set("CFBundleInfoDictionaryVersion", QStringLiteral("6.0"));
    set("CFBundleName", spec.name);
    set("CFBundlePackageType", QString::fromLatin1(packageType(spec.kind)));
    if (spec.shortVersion)
        set("CFBundleShortVersionString", *spec.shortVersion);
    set("CFBundleSignature", QStringLiteral("????"));
    if (spec.version)
        set("CFBundleVersion", *spec.version);
    char* out = nullptr;
    uint32_t length = 0;
    if (spec.binaryInfoPlist)
        plist_to_bin(dict, &out, &length);
    else
        plist_to_xml(dict, &out, &length);
    QByteArray bytes(out, int(length));
    if (spec.binaryInfoPlist)
        plist_to_bin_free(out);
    else
        plist_to_xml_free(out);
    plist_free(dict);
    return bytes;
}

void link(const QString& path, const QString& target)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0)
        throw std::runtime_error("cannot make link " + path.toStdString());
}

// Writes the unsigned files of spec into bundle; returns the folder its nested code goes under.
QString writeUnsigned(const BundleSpec& spec, const QString& bundle)
{
    const bool framework = spec.kind == BundleSpec::Kind::framework;
    const QString root = framework ? bundle + "/Versions/A" : bundle + "/Contents";
    QDir().mkpath(root);
    if (framework) {
        link(bundle + "/Versions/Current", QStringLiteral("A"));
        link(bundle + "/" + spec.name, "Versions/Current/" + spec.name);
        link(bundle + "/Resources", QStringLiteral("Versions/Current/Resources"));
    }
    if (spec.infoPlist)
        writeBytes(framework ? root + "/Resources/Info.plist" : root + "/Info.plist", infoPlist(spec));
    if (spec.kind == BundleSpec::Kind::app)
        writeBytes(root + "/PkgInfo", "APPL????");
    QList<QByteArray> slices;
    for (Architecture architecture : spec.architectures)
        slices.append(MachOImage::slice(architecture, spec.identifier, spec.codeSize, fileType(spec.kind)));
    const QString executable = framework ? root + "/" + spec.name : root + "/MacOS/" + spec.name;
    writeBytes(executable, slices.size() == 1 ? slices.first() : MachOImage::fat(slices));
    QFile::setPermissions(executable, QFile::permissions(executable) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    for (auto it = spec.resources.begin(); it != spec.resources.end(); ++it)
        writeBytes(root + "/Resources/" + it.key(), it.value());
    for (const BundleLink& l : spec.links)
        link(root + "/" + l.path, l.target);
    return root;
}

QString relativeTo(const QString& root, const QString& path)
{
    return QDir(root).relativeFilePath(path);
}

QByteArray changeCodeByte(const QByteArray& image, std::optional<Architecture> which)
{
    QList<QByteArray> slices = MachOImage::slices(image);
    int index = 0;
    for (int i = 0; i < slices.size(); ++i)
        if (which && MachOImage::architecture(slices.at(i)) == *which)
            index = i;
    QByteArray& slice = slices[index];
    const auto [offset, size] = MachOImage::textSection(slice);
    slice[offset + size / 2] = char(slice.at(offset + size / 2) ^ 0x01);
    return MachOImage::replaceSlices(image, slices);
}

constexpr qint64 kolySize = 512;
constexpr qint64 kolySignatureOffset = 296;
constexpr qint64 kolySignatureLength = 304;

} // namespace

QString TestSigner::build(const BundleSpec& spec, const QString& dir, const SigningIdentity& identity)
{
    const QString bundle = QDir(dir).filePath(spec.fileName());
    QDir(bundle).removeRecursively();
    const QString root = writeUnsigned(spec, bundle);
    for (const BundleSpec& nested : spec.nested)
        build(nested, root + "/" + nested.nestedFolder, identity);
    sign(bundle, identity, spec.signature);
    return bundle;
}

void TestSigner::sign(const QString& bundle, const SigningIdentity& identity, const SignatureOptions& options)
{
    const BundleLayout layout = BundleLayout::of(bundle);
    QDir(layout.root + "/_CodeSignature").removeRecursively();
    const QSet<QString> excluded{relativeTo(layout.root, layout.executable), relativeTo(layout.root, layout.infoPlist)};
    const QByteArray resources = SealedResources::codeResources(layout.root, excluded);
    writeBytes(layout.root + "/_CodeSignature/CodeResources", resources);
    std::optional<QByteArray> info;
    if (QFileInfo(layout.infoPlist).isFile())
        info = readBytes(layout.infoPlist);
    writeBytes(layout.executable,
               signMachO(readBytes(layout.executable), layout.identifier, identity, options, info, resources));
}

QByteArray TestSigner::machO(const QList<Architecture>& architectures, const QString& seed, qint64 codeSize,
                             bool executable)
{
    QList<QByteArray> slices;
    for (Architecture architecture : architectures)
        slices.append(MachOImage::slice(architecture, seed, codeSize,
                                        executable ? MachOImage::execute : MachOImage::bundle));
    return slices.size() == 1 ? slices.first() : MachOImage::fat(slices);
}

QByteArray TestSigner::signMachO(const QByteArray& image, const QString& identifier, const SigningIdentity& identity,
                                 const SignatureOptions& options, const std::optional<QByteArray>& infoPlist,
                                 const std::optional<QByteArray>& codeResources)
{
    QList<QByteArray> slices = MachOImage::slices(image);
    for (QByteArray& slice : slices) {
        EmbeddedSignature::Input input;
        input.base.identifier = identifier;
        input.base.flags = options.hardenedRuntime ? quint32(EmbeddedSignature::runtimeFlag) : 0u;
        if (infoPlist)
            input.base.special.insert(1, *infoPlist);
        if (codeResources)
            input.base.special.insert(3, *codeResources);
        input.base.corruptFirstPage = options.badSlice == MachOImage::architecture(slice);
        input.digests = options.digests;
        input.entitlementsXml = options.entitlements;
        slice = MachOImage::sign(slice, input, identity);
    }
    return MachOImage::replaceSlices(image, slices);
}

void TestSigner::signDiskImage(const QString& path, const SigningIdentity& identity, const QString& identifier)
{
    const QByteArray image = readBytes(path);
    if (image.size() < kolySize || image.right(kolySize).left(4) != "koly")
        throw std::runtime_error("not a UDIF image: " + path.toStdString());
    QByteArray koly = image.right(kolySize);
    const quint64 previous = readBE64(koly, kolySignatureOffset);
    const qint64 start = previous != 0 && readBE64(koly, kolySignatureLength) != 0 ? qint64(previous)
                                                                                   : image.size() - kolySize;
    writeBE64(koly, kolySignatureOffset, quint64(start));
    writeBE64(koly, kolySignatureLength, 0);

    EmbeddedSignature::Input input;
    input.base.version = 0x20200;
    input.base.pageSizeLog2 = 0;
    input.base.identifier = identifier.isEmpty() ? QFileInfo(path).completeBaseName() : identifier;
    input.base.code = image.constData();
    input.base.codeLimit = start;
    input.base.special.insert(6, koly);
    const QByteArray signature = EmbeddedSignature::build(input, identity);
    writeBE64(koly, kolySignatureLength, quint64(signature.size()));
    writeBytes(path, image.left(start) + signature + koly);
}

void TestSigner::writeMinimalDiskImage(const QString& path, const QByteArray& data)
{
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                           "\t<key>resource-fork</key>\n\t<dict/>\n</dict>\n</plist>\n";
    QByteArray koly("koly");
    appendBE32(koly, 4);   // version
    appendBE32(koly, 512); // header size
    appendBE32(koly, 1);   // flags
    appendBE64(koly, 0);   // running data fork offset
    appendBE64(koly, 0);   // data fork offset
    appendBE64(koly, quint64(data.size()));
    koly.resize(56, '\0'); // resource fork offset and length
    appendBE32(koly, 1);   // segment number
    appendBE32(koly, 1);   // segment count
    koly.resize(216, '\0');
    appendBE64(koly, quint64(data.size())); // XML offset
    appendBE64(koly, quint64(xml.size()));
    koly.resize(488, '\0');
    appendBE32(koly, 1); // image variant
    appendBE64(koly, quint64((data.size() + 511) / 512));
    koly.resize(kolySize, '\0');
    writeBytes(path, data + xml + koly);
}

void TestSigner::writeFile(const QString& bundle, const QString& relativePath, const QByteArray& bytes)
{
    writeBytes(BundleLayout::of(bundle).root + "/" + relativePath, bytes);
}

void TestSigner::flipCodeByte(const QString& bundle, std::optional<Architecture> slice)
{
    const QString executable = BundleLayout::of(bundle).executable;
    writeBytes(executable, changeCodeByte(readBytes(executable), slice));
}

void TestSigner::stripSignature(const QString& bundle)
{
    const BundleLayout layout = BundleLayout::of(bundle);
    const QByteArray image = readBytes(layout.executable);
    QList<QByteArray> slices = MachOImage::slices(image);
    for (QByteArray& slice : slices)
        slice = MachOImage::strip(slice);
    writeBytes(layout.executable, MachOImage::replaceSlices(image, slices));
    QDir(layout.root + "/_CodeSignature").removeRecursively();
}

void TestSigner::resignNestedChanged(const QString& bundle, const QString& nestedRelativePath,
                                     const SigningIdentity& identity)
{
    const QString nested = BundleLayout::of(bundle).root + "/" + nestedRelativePath;
    flipCodeByte(nested);
    sign(nested, identity);
}

void TestSigner::stapleTicket(const QString& bundle, const TestNotary& notary, const std::optional<QList<QByteArray>>& cdhashes)
{
    const QList<QByteArray> named = cdhashes.value_or(ticketCdhashes(bundle));
    QByteArray ticket = QByteArray("TVNT\x01", 5) + char(named.size());
    for (const QByteArray& cdhash : named)
        ticket += cdhash;
    std::unique_ptr<BIO, decltype(&BIO_free)> pem(BIO_new_mem_buf(notary.privateKeyPem.constData(), int(notary.privateKeyPem.size())),
                                                  BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(PEM_read_bio_PrivateKey(pem.get(), nullptr, nullptr, nullptr),
                                                            EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    size_t length = 0;
    if (!key || !context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1
        || EVP_DigestSign(context.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(ticket.constData()),
                          size_t(ticket.size())) != 1)
        throw std::runtime_error("cannot sign a ticket");
    QByteArray signature(qsizetype(length), '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(ticket.constData()), size_t(ticket.size())) != 1)
        throw std::runtime_error("cannot sign a ticket");
    signature.truncate(qsizetype(length));
    writeBytes(BundleLayout::of(bundle).root + "/_NotarizationTicket", ticket + signature);
}

QList<QByteArray> TestSigner::ticketCdhashes(const QString& bundle)
{
    QList<QByteArray> cdhashes;
    for (const QByteArray& slice : MachOImage::slices(readBytes(BundleLayout::of(bundle).executable))) {
        const QList<QByteArray> directories = EmbeddedSignature::codeDirectoriesIn(MachOImage::signature(slice));
        if (directories.isEmpty())
            throw std::runtime_error("the bundle is not signed: " + bundle.toStdString());
        QByteArray strongest = directories.first();
        for (const QByteArray& directory : directories) {
            if (EmbeddedSignature::hashTypeOf(directory) == 2)
                strongest = directory;
        }
        cdhashes.append(EmbeddedSignature::cdhash(strongest));
    }
    return cdhashes;
}

QList<QByteArray> TestSigner::codeDirectories(const QByteArray& image)
{
    QList<QByteArray> out;
    for (const QByteArray& slice : MachOImage::slices(image)) {
        const QByteArray signature = MachOImage::signature(slice);
        out.append(signature.isEmpty() ? QByteArray() : EmbeddedSignature::codeDirectoriesIn(signature).value(0));
    }
    return out;
}

} // namespace hub::test
