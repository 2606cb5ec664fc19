#include "kit/codesign/CodeBytes.h"
#include "kit/codesign/CodeDirectory.h"
#include "kit/codesign/CodeSignatureFault.h"
#include "kit/codesign/DiskImageTrailer.h"
#include "kit/codesign/EmbeddedSignature.h"
#include "kit/codesign/MachOFile.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/security/CodeSigningService.h"
#include "tests/testkit/EmbeddedSignature.h"
#include "tests/testkit/ForkedChild.h"
#include "tests/testkit/SigningIdentity.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <openssl/sha.h>

using namespace hub;

namespace {

QByteArray le32(uint32_t value)
{
    QByteArray out(4, 0);
    qToLittleEndian(value, out.data());
    return out;
}
QByteArray be32(uint32_t value)
{
    QByteArray out(4, 0);
    qToBigEndian(value, out.data());
    return out;
}
QByteArray be64(uint64_t value)
{
    QByteArray out(8, 0);
    qToBigEndian(value, out.data());
    return out;
}

// A thin 64-bit little-endian image with the given load commands, padded to `size` bytes.
QByteArray thin(const QList<QByteArray>& commands, int size, uint32_t cpu = 0x01000007)
{
    QByteArray loads;
    for (const QByteArray& command : commands)
        loads += command;
    QByteArray image = le32(0xfeedfacf) + le32(cpu) + le32(3) + le32(2) + le32(uint32_t(commands.size()))
        + le32(uint32_t(loads.size())) + le32(0) + le32(0) + loads;
    image.append(size - image.size(), '\0');
    return image;
}

QByteArray signatureCommand(uint32_t offset, uint32_t size)
{
    return le32(0x1d) + le32(16) + le32(offset) + le32(size);
}

QByteArray fat(const QList<std::tuple<uint32_t, uint32_t, QByteArray>>& slices)
{
    QByteArray header = be32(0xcafebabe) + be32(uint32_t(slices.size()));
    QByteArray body;
    for (const auto& [cpu, offset, image] : slices) {
        header += be32(cpu) + be32(3) + be32(offset) + be32(uint32_t(image.size())) + be32(12);
        Q_UNUSED(image);
    }
    QByteArray file = header;
    for (const auto& [cpu, offset, image] : slices) {
        if (file.size() < int(offset))
            file.append(int(offset) - file.size(), '\0');
        file.replace(int(offset), image.size(), image);
    }
    return file;
}

std::optional<int32_t> faultOf(const std::function<void()>& body)
{
    try {
        body();
    } catch (const CodeSignatureFault& fault) {
        return fault.status;
    }
    return std::nullopt;
}

const auto* bytes(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

QList<MachOFile::Slice> slicesOf(const QByteArray& file)
{
    return MachOFile::slices(CodeBytes(bytes(file), size_t(file.size()), CodeSigningService::errBadObjectFormat));
}

void verifyCode(const CodeDirectory& cd, const QByteArray& code, qsizetype length, const QString& what)
{
    cd.verifyCode(CodeBytes(bytes(code), size_t(code.size()), CodeSigningService::errSignatureFailed), 0, size_t(length), what);
}

QByteArray sha256(const QByteArray& data)
{
    unsigned char out[SHA256_DIGEST_LENGTH];
    SHA256(bytes(data), size_t(data.size()), out);
    return QByteArray(reinterpret_cast<const char*>(out), sizeof out);
}

// A version 0x20200 code directory over `code` (4 KiB pages, SHA-256) with two special slots.
QByteArray codeDirectory(const QByteArray& code, const QByteArray& infoHash, const QString& identifier,
                         const QString& team, uint8_t hashType = 2, int extraSlots = 0)
{
    const QByteArray ident = identifier.toUtf8() + '\0';
    const QByteArray teamBytes = team.toUtf8() + '\0';
    const uint32_t pages = uint32_t((code.size() + 4095) / 4096) + uint32_t(extraSlots);
    const uint32_t identOffset = 52;
    const uint32_t teamOffset = identOffset + uint32_t(ident.size());
    const uint32_t hashOffset = teamOffset + uint32_t(teamBytes.size()) + 2 * 32;
    QByteArray hashes = QByteArray(32, '\0') + infoHash; // slot -2 (requirements) then -1 (Info.plist)
    for (uint32_t page = 0; page < pages; ++page)
        hashes += sha256(code.mid(qsizetype(page) * 4096, 4096));
    const uint32_t length = hashOffset + pages * 32;
    QByteArray blob = be32(0xfade0c02) + be32(length) + be32(0x20200) + be32(0) + be32(hashOffset) + be32(identOffset)
        + be32(2) + be32(pages) + be32(uint32_t(code.size()));
    blob += char(32);
    blob += char(hashType);
    blob += char(0);
    blob += char(12);
    blob += be32(0) + be32(0) + be32(teamOffset) + ident + teamBytes + hashes;
    return blob;
}

} // namespace

TEST(MachOFileTest, Slices)
{
    const QByteArray signedThin = thin({signatureCommand(4096, 64)}, 4160);
    const auto one = slicesOf(signedThin);
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one[0].architecture(), QStringLiteral("x86_64"));
    EXPECT_EQ(one[0].signatureOffset, 4096u);
    EXPECT_EQ(one[0].signatureSize, 64u);

    const QByteArray arm = thin({signatureCommand(4096, 64)}, 4160, 0x0100000c);
    const QByteArray universal = fat({{0x01000007, 4096, signedThin}, {0x0100000c, 16384, arm}});
    ASSERT_TRUE(MachOFile::isMachO(bytes(universal), size_t(universal.size())));
    const auto two = slicesOf(universal);
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[1].architecture(), QStringLiteral("arm64"));
    EXPECT_EQ(two[1].offset, 16384u);
    EXPECT_EQ(two[1].signatureOffset, 4096u);

    const QByteArray unsignedThin = thin({le32(0x19) + le32(8)}, 256);
    EXPECT_FALSE(slicesOf(unsignedThin)[0].signatureOffset);

    QByteArray bigEndian = be32(0xfeedface) + be32(18) + be32(0) + be32(2) + be32(1) + be32(16) + be32(0)
        + be32(0x1d) + be32(16) + be32(200) + be32(8);
    bigEndian.append(208 - bigEndian.size(), '\0');
    EXPECT_EQ(slicesOf(bigEndian)[0].signatureOffset, 200u);

    const QByteArray javaClass = be32(0xcafebabe) + be32(52) + QByteArray(64, '\0');
    EXPECT_FALSE(MachOFile::isMachO(bytes(javaClass), size_t(javaClass.size())));
    EXPECT_FALSE(MachOFile::isMachO(bytes(QByteArray("#!/bin/sh\n")), 10));
}

TEST(MachOFileTest, MalformedFilesAreRefused)
{
    const QByteArray good = thin({signatureCommand(4096, 64)}, 4160);
    struct Case {
        const char* name;
        QByteArray file;
    };
    const Case cases[] = {
        {"truncated header", good.left(20)},
        {"commands past the end", thin({signatureCommand(4096, 64)}, 4160).replace(20, 4, le32(5000))},
        {"command of size zero", thin({le32(0x19) + le32(0) + QByteArray(8, '\0')}, 256)},
        {"signature past the end", thin({signatureCommand(4096, 65)}, 4160)},
        {"signature over the commands", thin({signatureCommand(16, 64)}, 4160)},
        {"two signatures", thin({signatureCommand(4096, 32), signatureCommand(4128, 32)}, 4160)},
        {"overlapping slices", fat({{0x01000007, 4096, good}, {0x0100000c, 8000, good}})},
        {"slice past the end", fat({{0x01000007, 4096, good}}).left(6000)},
        {"slice over the header", fat({{0x01000007, 4096, good}}).replace(16, 4, be32(8))},
        {"slice is not Mach-O", fat({{0x01000007, 4096, QByteArray(4160, 'x')}})},
        {"no architectures", be32(0xcafebabe) + be32(0) + QByteArray(64, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(faultOf([&] { slicesOf(c.file); }), CodeSigningService::errBadObjectFormat);
    }
}

TEST(CodeDirectoryTest, PagesSlotsAndIdentity)
{
    QByteArray code(10000, '\0');
    for (int i = 0; i < code.size(); ++i)
        code[i] = char(i * 7);
    const QByteArray info = "<plist/>";
    const CodeDirectory cd = CodeDirectory::parse(codeDirectory(code, sha256(info), "com.tavren.delay", "KD4N8RWT2C"));
    EXPECT_EQ(cd.identifier(), QStringLiteral("com.tavren.delay"));
    EXPECT_EQ(cd.teamID(), QStringLiteral("KD4N8RWT2C"));
    EXPECT_EQ(cd.codeLimit(), 10000u);
    EXPECT_FALSE(cd.isAdhoc());
    EXPECT_EQ(cd.cdhash(), sha256(cd.blob()).left(20));

    EXPECT_EQ(faultOf([&] { verifyCode(cd, code, code.size(), "code"); }), std::nullopt);
    QByteArray flipped = code;
    flipped[9000] = char(flipped[9000] ^ 1);
    try {
        verifyCode(cd, flipped, flipped.size(), QStringLiteral("the code"));
        ADD_FAILURE() << "flipped byte passed";
    } catch (const CodeSignatureFault& fault) {
        EXPECT_EQ(fault.status, CodeSigningService::errSignatureFailed);
        EXPECT_EQ(fault.text, QStringLiteral("code has been modified: page 2 of the code does not match its hash"));
    }
    EXPECT_EQ(faultOf([&] { verifyCode(cd, code, 9999, "code"); }), CodeSigningService::errSignatureFailed);

    const int32_t status = CodeSigningService::errInfoPlistFailed;
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(1, info, status, "Info.plist"); }), std::nullopt);
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(1, QByteArray("<plist />"), status, "Info.plist"); }), status);
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(1, std::nullopt, status, "Info.plist"); }), status);
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(2, std::nullopt, status, "requirements"); }), std::nullopt);
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(2, QByteArray("x"), status, "requirements"); }), status);
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(5, std::nullopt, status, "entitlements"); }), std::nullopt);
    EXPECT_EQ(faultOf([&] { cd.verifySpecialSlot(5, QByteArray("x"), status, "entitlements"); }), status);
}

// Pages smaller and larger than a read window, and one page over all the code, are checked to the last byte.
TEST(CodeDirectoryTest, PagesOfEverySizeAreCheckedAcrossReadWindows)
{
    QByteArray code((5 << 20) + 123, Qt::Uninitialized);
    for (qsizetype i = 0; i < code.size(); ++i)
        code[i] = char(i * 7 + (i >> 12));
    QByteArray flipped = code;
    flipped[flipped.size() - 1] = char(flipped.back() ^ 1);
    for (const quint8 pageSizeLog2 : {12, 22, 0}) {
        SCOPED_TRACE(int(pageSizeLog2));
        test::EmbeddedSignature::Directory directory;
        directory.pageSizeLog2 = pageSizeLog2;
        directory.identifier = QStringLiteral("com.tavren.large");
        directory.code = code.constData();
        directory.codeLimit = code.size();
        const CodeDirectory cd = CodeDirectory::parse(test::EmbeddedSignature::codeDirectory(directory));
        EXPECT_EQ(faultOf([&] { verifyCode(cd, code, code.size(), "code"); }), std::nullopt);
        EXPECT_EQ(faultOf([&] { verifyCode(cd, flipped, flipped.size(), "code"); }), CodeSigningService::errSignatureFailed);
    }
}
TEST(CodeDirectoryTest, MalformedDirectoriesAreRefused)
{
    const QByteArray code(5000, 'c');
    const QByteArray good = codeDirectory(code, QByteArray(32, '\0'), "id", "TEAM");
    struct Case {
        const char* name;
        QByteArray blob;
        int32_t status;
    };
    const Case cases[] = {
        {"wrong magic", QByteArray(good).replace(0, 4, be32(0xfade0c01)), CodeSigningService::errSignatureFailed},
        {"wrong length", QByteArray(good).replace(4, 4, be32(uint32_t(good.size() + 1))), CodeSigningService::errSignatureFailed},
        {"truncated", good.left(40), CodeSigningService::errSignatureFailed},
        {"too old", QByteArray(good).replace(8, 4, be32(0x10000)), CodeSigningService::errSignatureUnsupported},
        {"unknown hash", codeDirectory(code, QByteArray(32, '\0'), "id", "TEAM", 9), CodeSigningService::errUnsupportedDigestAlgorithm},
        {"hash size", codeDirectory(code, QByteArray(32, '\0'), "id", "TEAM", 1), CodeSigningService::errSignatureFailed},
        {"page count", codeDirectory(code, QByteArray(32, '\0'), "id", "TEAM", 2, 1), CodeSigningService::errSignatureFailed},
        {"identifier outside", QByteArray(good).replace(20, 4, be32(uint32_t(good.size()))), CodeSigningService::errSignatureFailed},
        {"slots outside", QByteArray(good).replace(16, 4, be32(uint32_t(good.size()))), CodeSigningService::errSignatureFailed},
        {"scattered", QByteArray(good).replace(44, 4, be32(60)), CodeSigningService::errSignatureUnsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(faultOf([&] { CodeDirectory::parse(c.blob); }), c.status);
    }
}

TEST(EmbeddedSignatureTest, SuperBlob)
{
    const QByteArray cd = codeDirectory(QByteArray(100, 'c'), QByteArray(32, '\0'), "id", "TEAM");
    const QByteArray requirements = be32(0xfade0c01) + be32(12) + be32(0);
    const QByteArray wrapper = be32(0xfade0b01) + be32(8);
    auto superBlob = [](const QList<std::pair<uint32_t, QByteArray>>& blobs) {
        uint32_t offset = 12 + 8 * uint32_t(blobs.size());
        QByteArray index, body;
        for (const auto& [slot, blob] : blobs) {
            index += be32(slot) + be32(offset + uint32_t(body.size()));
            body += blob;
        }
        return be32(0xfade0cc0) + be32(offset + uint32_t(body.size())) + be32(uint32_t(blobs.size())) + index + body;
    };
    const QByteArray whole = superBlob({{0, cd}, {2, requirements}, {0x10000, wrapper}});
    const auto parsed = EmbeddedSignature::parse(bytes(whole), size_t(whole.size()));
    EXPECT_EQ(parsed.codeDirectories.size(), 1);
    EXPECT_EQ(parsed.requirements, requirements);
    EXPECT_EQ(parsed.entitlements, std::nullopt);
    EXPECT_TRUE(parsed.cms.isEmpty());

    const int32_t failed = CodeSigningService::errSignatureFailed;
    struct Case {
        const char* name;
        QByteArray blob;
    };
    const Case cases[] = {
        {"no code directory", superBlob({{2, requirements}})},
        {"wrong type in a slot", superBlob({{0, cd}, {2, wrapper}})},
        {"slot twice", superBlob({{0, cd}, {2, requirements}, {2, requirements}})},
        {"wrong magic", QByteArray(whole).replace(0, 4, be32(0xfade0cc1))},
        {"length past the end", QByteArray(whole).replace(4, 4, be32(uint32_t(whole.size() + 4)))},
        {"entry past the end", QByteArray(whole).replace(16, 4, be32(uint32_t(whole.size())))},
        {"entry over the index", QByteArray(whole).replace(16, 4, be32(8))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(faultOf([&] { EmbeddedSignature::parse(bytes(c.blob), size_t(c.blob.size())); }), failed);
    }
}

TEST(DiskImageTrailerTest, ReadsTheSignatureFields)
{
    QByteArray koly(512, '\0');
    koly.replace(0, 4, "koly");
    koly.replace(296, 16, be64(1000) + be64(200));
    const QByteArray image = QByteArray(1200, 'd') + koly;
    const auto trailer = DiskImageTrailer::read(bytes(image), size_t(image.size()));
    ASSERT_TRUE(trailer);
    EXPECT_EQ(trailer->signatureOffset, 1000u);
    EXPECT_EQ(trailer->signatureLength, 200u);
    EXPECT_EQ(trailer->header, koly);
    EXPECT_EQ(trailer->headerWithoutSignature(), QByteArray(koly).replace(304, 8, QByteArray(8, '\0')));
    EXPECT_FALSE(DiskImageTrailer::read(bytes(image), 511));
    EXPECT_FALSE(DiskImageTrailer::read(bytes(image), 1200));
}

// Headers claiming parts far larger than real ones (sparse files hold them): refused as malformed, nothing allocated for them.
TEST(NativeCodeSigningLimitsTest, PartsFarLargerThanRealOnesAreRefusedAsMalformed)
{
    QTemporaryDir dir;
    constexpr uint32_t huge = 3u << 30;
    const auto le64 = [](uint64_t value) { return le32(uint32_t(value)) + le32(uint32_t(value >> 32)); };
    const QByteArray linkEdit = le32(0x19) + le32(72) + QByteArray("__LINKEDIT").leftJustified(16, '\0') + le64(0) + le64(huge)
        + le64(4096) + le64(huge) + QByteArray(16, '\0');
    QByteArray koly = QByteArray("koly").leftJustified(512, '\0');
    koly.replace(296, 16, be64(4096) + be64(huge));
    const struct {
        const char* name;
        QByteArray head, tail; // at the start and at the end of the file
        qint64 size;
        int32_t status;
    } cases[] = {
        {"load commands", thin({}, 64).replace(20, 4, le32(huge)), {}, qint64(huge) + 4096, CodeSigningService::errBadObjectFormat},
        {"code signature", thin({linkEdit, signatureCommand(4096, huge)}, 4096) + be32(0xfade0cc0) + be32(huge), {}, qint64(huge) + 4096,
         CodeSigningService::errBadObjectFormat},
        {"disk image signature", {}, koly, qint64(huge) + 4096 + 512, CodeSigningService::errBadDiskImageFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(dir.filePath(QString::fromUtf8(c.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.head) == c.head.size() && file.resize(c.size)
                    && file.seek(c.size - c.tail.size()) && file.write(c.tail) == c.tail.size());
        file.close();
        const auto refused = [&] {
            const NativeCodeSigning service(test::anchors());
            const auto code = service.createStaticCode(file.fileName());
            return code ? int(service.checkValidity(*code, 0, nullptr).status == c.status) : 2;
        };
        EXPECT_EQ(test::runInChild(refused, 256 << 20), 1);
    }
}
