#include "tests/testkit/BundleLayout.h"
#include "tests/testkit/EmbeddedSignature.h"
#include "tests/testkit/MachOImage.h"
#include "tests/testkit/TestSigner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <openssl/cms.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <plist/plist.h>

using namespace hub::test;

namespace {

// The CodeDirectory of TestSigner::machO({x86_64}, "fixture", 100) signed by developerId() as
// "com.tavren.fixture" with Info.plist "<plist>info</plist>\n" and CodeResources
// "<plist>resources</plist>\n", laid out and hashed by hand: the header typed field by field, the
// special slots and both code pages (4096 + 64 bytes up to the signature at 0x1040) hashed with
// sha256sum over the signed file, the cdhash with openssl dgst -sha256.
const char* const fixtureUnsignedSha256 = "5ce44638eb79745d675b962e698476b49b4570ac0177dedc44203e5948248116";
const char* const fixtureCodeDirectory =
    "fade0c02000001160002040000010000000000d6000000580000000300000002"
    "000010402002000c00000000000000000000006b000000000000000000000000"
    "000000000000000000000000000010000000000000000001636f6d2e74617672"
    "656e2e66697874757265004b44344e38525754324300498fbdd6d516f561cf33"
    "814d8c93c20cbee9705e0db3afb78c9b050e183b1364987920904eab650e7578"
    "8c054aa0b0524e6a80bfc71aa32df8d237a61743f98651112b2b9706d1ea1413"
    "86022b5e1e9a7d46d2ed59bae419be207583e50b59c33eabd491b32297dbfbc6"
    "cc121ab76511ef6e76b1ab0141677dce63817b974bd964c6c04f17661492a23d"
    "8ed7b11e8b2fee1c5db2ae45032778dbfa86d9701e3b";
const char* const fixtureCdhash = "6eebb9ee743a46cba68e474187226f4c78a9cc1c";

QByteArray sha256(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

quint32 le32(const QByteArray& b, qint64 at) { return qFromLittleEndian<quint32>(b.constData() + at); }

// dataoff and datasize of LC_CODE_SIGNATURE, read straight from the load commands.
QPair<qint64, qint64> signatureCommand(const QByteArray& slice)
{
    qint64 at = 32;
    for (quint32 i = 0; i < le32(slice, 16); ++i) {
        if (le32(slice, at) == 0x1d)
            return {le32(slice, at + 8), le32(slice, at + 12)};
        at += le32(slice, at + 4);
    }
    return {-1, -1};
}

// Hash slots of a CodeDirectory: slot -n (n > 0) is special, 0.. are code pages.
QByteArray slot(const QByteArray& cd, int index)
{
    const qint64 size = quint8(cd.at(36));
    return cd.mid(readBE32(cd, 16) + index * size, size);
}

plist_t parsePlist(const QByteArray& bytes)
{
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
    return root;
}

QByteArray plistData(plist_t node)
{
    uint64_t length = 0;
    const char* data = node ? plist_get_data_ptr(node, &length) : nullptr;
    return data ? QByteArray(data, qsizetype(length)) : QByteArray();
}

struct Bundle {
    QTemporaryDir dir;
    QString path;
    BundleLayout layout;
    Bundle(const BundleSpec& spec, const SigningIdentity& identity)
        : path(TestSigner::build(spec, dir.path(), identity)), layout(BundleLayout::of(path))
    {
    }
    QByteArray executable() const { return readBytes(layout.executable); }
};

} // namespace

TEST(TestSigner, CodeDirectoryMatchesTheOneComputedByHand)
{
    const QByteArray image = TestSigner::machO({Architecture::x86_64}, QStringLiteral("fixture"), 100);
    ASSERT_EQ(sha256(image).toHex(), fixtureUnsignedSha256);
    const QByteArray signedImage = TestSigner::signMachO(image, QStringLiteral("com.tavren.fixture"),
                                                         SigningIdentity::developerId(), {},
                                                         QByteArray("<plist>info</plist>\n"),
                                                         QByteArray("<plist>resources</plist>\n"));
    const QByteArray cd = TestSigner::codeDirectories(signedImage).value(0);
    EXPECT_EQ(cd.toHex(), fixtureCodeDirectory);
    EXPECT_EQ(EmbeddedSignature::cdhash(cd).toHex(), fixtureCdhash);
    EXPECT_EQ(signatureCommand(signedImage), (QPair<qint64, qint64>{0x1040, 0x3150}));
}

TEST(TestSigner, SignsEverySliceWithSoundBlobsAndCms)
{
    BundleSpec spec = BundleSpec::plugIn(QStringLiteral("Fat"), BundleSpec::Kind::component);
    spec.signature.digests = Digests::sha1AndSha256;
    spec.signature.entitlements = QByteArray("<plist><dict/></plist>\n");
    const Bundle bundle(spec, SigningIdentity::developerId());
    const QByteArray image = bundle.executable();
    const QByteArray info = readBytes(bundle.layout.infoPlist);
    const QByteArray resources = readBytes(bundle.layout.root + "/_CodeSignature/CodeResources");

    const QList<QByteArray> slices = MachOImage::slices(image);
    ASSERT_EQ(slices.size(), 2);
    for (const QByteArray& slice : slices) {
        const auto [dataoff, datasize] = signatureCommand(slice);
        ASSERT_GT(dataoff, 0);
        EXPECT_EQ(dataoff % 16, 0);
        EXPECT_EQ(dataoff + datasize, slice.size());
        const QByteArray area = slice.mid(dataoff, datasize);
        ASSERT_EQ(readBE32(area, 0), 0xfade0cc0u);
        const quint32 length = readBE32(area, 4);
        ASSERT_LE(length, datasize);
        QList<quint32> order;
        QMap<quint32, QByteArray> blobs;
        for (quint32 i = 0; i < readBE32(area, 8); ++i) {
            const quint32 type = readBE32(area, 12 + 8 * i), offset = readBE32(area, 16 + 8 * i);
            ASSERT_LE(offset + readBE32(area, offset + 4), length);
            order.append(type);
            blobs.insert(type, area.mid(offset, readBE32(area, offset + 4)));
        }
        EXPECT_EQ(order, (QList<quint32>{0, 2, 5, 0x1000, 0x10000}));
        EXPECT_EQ(readBE32(blobs[5], 0), 0xfade7171u);

        for (quint32 type : {0u, 0x1000u}) {
            const QByteArray& cd = blobs[type];
            const auto algorithm = cd.at(37) == 1 ? QCryptographicHash::Sha1 : QCryptographicHash::Sha256;
            auto h = [&](const QByteArray& b) { return QCryptographicHash::hash(b, algorithm); };
            EXPECT_EQ(cd.at(37), type == 0 ? 1 : 2);
            EXPECT_EQ(readBE32(cd, 24), 5u); // special slots
            EXPECT_EQ(slot(cd, -1), h(info));
            EXPECT_EQ(slot(cd, -2), h(blobs[2]));
            EXPECT_EQ(slot(cd, -3), h(resources));
            EXPECT_EQ(slot(cd, -4), QByteArray(cd.at(36), '\0'));
            EXPECT_EQ(slot(cd, -5), h(blobs[5]));
            EXPECT_EQ(readBE32(cd, 32), quint32(dataoff));
            const quint32 pages = readBE32(cd, 28);
            EXPECT_EQ(pages, quint32((dataoff + 4095) / 4096));
            for (quint32 page = 0; page < pages; ++page)
                EXPECT_EQ(slot(cd, int(page)), h(slice.mid(page * 4096, qMin<qint64>(4096, dataoff - page * 4096))));
        }

        // The CMS signs the slot-0 CodeDirectory and chains to the test anchor.
        const QByteArray cmsDer = blobs[0x10000].mid(8);
        const auto* p = reinterpret_cast<const unsigned char*>(cmsDer.constData());
        CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, cmsDer.size());
        ASSERT_NE(cms, nullptr);
        X509_STORE* store = X509_STORE_new();
        for (const QByteArray& anchor : anchors()) {
            const auto* a = reinterpret_cast<const unsigned char*>(anchor.constData());
            X509* root = d2i_X509(nullptr, &a, anchor.size());
            X509_STORE_add_cert(store, root);
            X509_free(root);
        }
        X509_STORE_set_flags(store, X509_V_FLAG_IGNORE_CRITICAL); // the marker extensions are critical
        X509_STORE_set_purpose(store, X509_PURPOSE_ANY);
        BIO* content = BIO_new_mem_buf(blobs[0].constData(), blobs[0].size());
        EXPECT_EQ(CMS_verify(cms, nullptr, store, content, nullptr, CMS_BINARY), 1);
        BIO_free(content);
        BIO* other = BIO_new_mem_buf(blobs[0x1000].constData(), blobs[0x1000].size());
        EXPECT_NE(CMS_verify(cms, nullptr, store, other, nullptr, CMS_BINARY), 1);
        BIO_free(other);
        X509_STORE_free(store);
        CMS_ContentInfo_free(cms);
    }
}

TEST(TestSigner, StrippingASignatureGivesBackTheUnsignedImage)
{
    const QByteArray image = TestSigner::machO({Architecture::x86_64, Architecture::arm64}, QStringLiteral("strip"), 9000);
    const QByteArray signedImage = TestSigner::signMachO(image, QStringLiteral("com.tavren.strip"), SigningIdentity::adHoc());
    EXPECT_NE(signedImage, image);
    QList<QByteArray> slices = MachOImage::slices(signedImage);
    for (QByteArray& slice : slices)
        slice = MachOImage::strip(slice);
    EXPECT_EQ(MachOImage::replaceSlices(signedImage, slices), image);
    // Signing again replaces the signature instead of stacking a second one.
    EXPECT_EQ(TestSigner::signMachO(signedImage, QStringLiteral("com.tavren.strip"), SigningIdentity::adHoc()), signedImage);
}

TEST(TestSigner, SealsResourcesLinksAndNestedCode)
{
    BundleSpec spec = BundleSpec::app(QStringLiteral("Host"));
    spec.resources.insert(QStringLiteral("en.lproj/Localizable.strings"), "\"a\" = \"b\";\n");
    spec.links.append(BundleLink{QStringLiteral("Resources/outside"), QStringLiteral("../../../../etc/hosts")});
    spec.nested.push_back(BundleSpec::framework(QStringLiteral("Engine")));
    BundleSpec helper = BundleSpec::app(QStringLiteral("Helper"));
    helper.architectures = {Architecture::arm64};
    spec.nested.push_back(helper);
    const Bundle bundle(spec, SigningIdentity::developerId());
    const QString contents = bundle.path + "/Contents";

    plist_t seal = parsePlist(readBytes(contents + "/_CodeSignature/CodeResources"));
    ASSERT_NE(seal, nullptr);
    plist_t files2 = plist_dict_get_item(seal, "files2");
    EXPECT_EQ(plistData(plist_dict_get_item(plist_dict_get_item(files2, "Resources/Info.txt"), "hash2")),
              sha256(readBytes(contents + "/Resources/Info.txt")));
    EXPECT_NE(plist_dict_get_item(plist_dict_get_item(files2, "Resources/en.lproj/Localizable.strings"), "optional"), nullptr);
    char* link = nullptr;
    plist_get_string_val(plist_dict_get_item(plist_dict_get_item(files2, "Resources/outside"), "symlink"), &link);
    EXPECT_STREQ(link, "../../../../etc/hosts");
    free(link);
    for (const char* absent : {"Info.plist", "PkgInfo", "MacOS/Host", "_CodeSignature/CodeResources"})
        EXPECT_EQ(plist_dict_get_item(files2, absent), nullptr) << absent;

    const QString engine = contents + "/Frameworks/Engine.framework";
    const QByteArray engineCd = TestSigner::codeDirectories(readBytes(engine + "/Versions/A/Engine")).value(0);
    EXPECT_EQ(plistData(plist_dict_get_item(plist_dict_get_item(files2, "Frameworks/Engine.framework"), "cdhash")),
              EmbeddedSignature::cdhash(engineCd));
    const QByteArray helperCd = TestSigner::codeDirectories(readBytes(contents + "/Helpers/Helper.app/Contents/MacOS/Helper")).value(0);
    EXPECT_EQ(plistData(plist_dict_get_item(plist_dict_get_item(files2, "Helpers/Helper.app"), "cdhash")),
              EmbeddedSignature::cdhash(helperCd));
    EXPECT_EQ(EmbeddedSignature::identifierOf(helperCd), QStringLiteral("com.tavren.helper"));
    EXPECT_TRUE(QFileInfo(engine + "/Versions/A/Resources/Info.plist").isFile());
    EXPECT_EQ(QFileInfo(engine + "/Versions/Current").symLinkTarget(), engine + "/Versions/A");
    plist_free(seal);

    // Re-signing the changed framework leaves the host's seal pointing at the old cdhash.
    TestSigner::resignNestedChanged(bundle.path, QStringLiteral("Frameworks/Engine.framework"), SigningIdentity::developerId());
    EXPECT_NE(EmbeddedSignature::cdhash(TestSigner::codeDirectories(readBytes(engine + "/Versions/A/Engine")).value(0)),
              EmbeddedSignature::cdhash(engineCd));
}

TEST(TestSigner, VariantsAndMutationsChangeWhatTheyClaim)
{
    const Bundle adHoc(BundleSpec::plugIn(QStringLiteral("Loose")), SigningIdentity::adHoc());
    for (const QByteArray& slice : MachOImage::slices(adHoc.executable())) {
        const QByteArray signature = MachOImage::signature(slice);
        const QByteArray cd = EmbeddedSignature::codeDirectoriesIn(signature).value(0);
        EXPECT_EQ(EmbeddedSignature::flagsOf(cd) & 0x2, 0x2u);
        EXPECT_EQ(EmbeddedSignature::teamOf(cd), QString());
        EXPECT_EQ(EmbeddedSignature::blobsIn(signature).last().second, QByteArray::fromHex("fade0b0100000008"));
    }

    BundleSpec badSpec = BundleSpec::plugIn(QStringLiteral("Bad"), BundleSpec::Kind::clap);
    badSpec.signature.badSlice = Architecture::arm64;
    const Bundle bad(badSpec, SigningIdentity::developerId());
    for (const QByteArray& slice : MachOImage::slices(bad.executable())) {
        const QByteArray cd = EmbeddedSignature::codeDirectoriesIn(MachOImage::signature(slice)).value(0);
        EXPECT_EQ(slot(cd, 0) == sha256(slice.left(4096)), MachOImage::architecture(slice) == Architecture::x86_64);
    }

    const QByteArray before = bad.executable();
    TestSigner::flipCodeByte(bad.path, Architecture::arm64);
    const QByteArray after = bad.executable();
    ASSERT_EQ(before.size(), after.size());
    int changed = 0;
    for (qsizetype i = 0; i < before.size(); ++i)
        changed += before.at(i) != after.at(i);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(MachOImage::slices(after).value(0), MachOImage::slices(before).value(0));

    TestSigner::stripSignature(bad.path);
    for (const QByteArray& slice : MachOImage::slices(bad.executable()))
        EXPECT_EQ(signatureCommand(slice).first, -1);
    EXPECT_FALSE(QFileInfo::exists(bad.layout.root + "/_CodeSignature"));
}

TEST(TestSigner, SignsADiskImageThroughItsTrailer)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tavren.dmg"));
    const QByteArray data(70000, 'd');
    TestSigner::writeMinimalDiskImage(path, data);
    const QByteArray unsignedImage = readBytes(path);
    TestSigner::signDiskImage(path, SigningIdentity::developerId());
    TestSigner::signDiskImage(path, SigningIdentity::developerId()); // re-signing replaces the signature
    const QByteArray image = readBytes(path);

    const QByteArray koly = image.right(512);
    ASSERT_EQ(koly.left(4), "koly");
    const qint64 offset = qint64(readBE64(koly, 296)), length = qint64(readBE64(koly, 304));
    EXPECT_EQ(offset, unsignedImage.size() - 512);
    EXPECT_EQ(offset + length + 512, image.size());
    EXPECT_EQ(image.left(offset), unsignedImage.left(offset));
    const QByteArray superBlob = image.mid(offset, length);
    ASSERT_EQ(readBE32(superBlob, 0), 0xfade0cc0u);
    EXPECT_EQ(readBE32(superBlob, 4), quint32(length));
    const QByteArray cd = EmbeddedSignature::codeDirectoriesIn(superBlob).value(0);
    EXPECT_EQ(readBE32(cd, 28), 1u);   // one code slot
    EXPECT_EQ(cd.at(39), char(0));     // over everything up to the signature
    EXPECT_EQ(slot(cd, 0), sha256(image.left(offset)));
    QByteArray hashedKoly = koly;
    writeBE64(hashedKoly, 304, 0);
    EXPECT_EQ(slot(cd, -6), sha256(hashedKoly));
    EXPECT_EQ(EmbeddedSignature::identifierOf(cd), QStringLiteral("Tavren"));
    EXPECT_EQ(EmbeddedSignature::teamOf(cd), SigningIdentity::tavrenTeam);
}
