#include "kit/codesign/EmbeddedSignature.h"

#include "kit/codesign/BinaryReader.h"
#include "kit/security/CodeSigningService.h"

#include <QMap>

namespace hub {

namespace {

constexpr uint32_t superBlobMagic = 0xfade0cc0;
constexpr uint32_t requirementsMagic = 0xfade0c01;
constexpr uint32_t entitlementsMagic = 0xfade7171;
constexpr uint32_t derEntitlementsMagic = 0xfade7172;
constexpr uint32_t wrapperMagic = 0xfade0b01;
constexpr uint32_t codeDirectoryMagic = 0xfade0c02;

constexpr uint32_t codeDirectorySlot = 0;
constexpr uint32_t requirementsSlot = 2;
constexpr uint32_t entitlementsSlot = 5;
constexpr uint32_t derEntitlementsSlot = 7;
constexpr uint32_t alternateSlots = 0x1000;
constexpr uint32_t alternateCount = 5;
constexpr uint32_t signatureSlot = 0x10000;
constexpr uint32_t maxEntries = 64;

[[noreturn]] void malformed(const QString& what)
{
    CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the embedded signature is malformed: ") + what);
}

} // namespace

EmbeddedSignature EmbeddedSignature::parse(const unsigned char* data, size_t size)
{
    const BinaryReader area(data, size, CodeSigningService::errSignatureFailed, QStringLiteral("the embedded signature"));
    if (area.be32(0) != superBlobMagic)
        malformed(QStringLiteral("no signature blob"));
    const uint32_t length = area.be32(4);
    const BinaryReader super = area.sub(0, length);
    const uint32_t count = super.be32(8);
    if (count > maxEntries)
        malformed(QStringLiteral("too many entries"));
    const size_t indexEnd = 12 + size_t(count) * 8;
    super.bytes(0, indexEnd);

    QMap<uint32_t, QByteArray> blobs;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t type = super.be32(12 + size_t(i) * 8);
        const uint32_t offset = super.be32(16 + size_t(i) * 8);
        if (offset < indexEnd)
            malformed(QStringLiteral("an entry overlaps the index"));
        const uint32_t blobLength = super.be32(offset + 4);
        if (blobLength < 8)
            malformed(QStringLiteral("an entry is too short"));
        if (blobs.contains(type))
            malformed(QStringLiteral("an entry appears twice"));
        blobs.insert(type, QByteArray(reinterpret_cast<const char*>(super.bytes(offset, blobLength)), blobLength));
    }

    auto magicOf = [](const QByteArray& blob) {
        const auto* p = reinterpret_cast<const unsigned char*>(blob.constData());
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    };
    auto expect = [&](uint32_t slot, uint32_t magic) -> std::optional<QByteArray> {
        if (!blobs.contains(slot))
            return std::nullopt;
        const QByteArray blob = blobs.value(slot);
        if (magicOf(blob) != magic)
            malformed(QStringLiteral("an entry has the wrong type"));
        return blob;
    };

    EmbeddedSignature signature;
    const auto primary = expect(codeDirectorySlot, codeDirectoryMagic);
    if (!primary)
        malformed(QStringLiteral("no code directory"));
    signature.codeDirectories.append(CodeDirectory::parse(*primary));
    for (uint32_t slot = alternateSlots; slot < alternateSlots + alternateCount; ++slot) {
        if (const auto alternate = expect(slot, codeDirectoryMagic))
            signature.codeDirectories.append(CodeDirectory::parse(*alternate));
    }
    signature.requirements = expect(requirementsSlot, requirementsMagic);
    signature.entitlements = expect(entitlementsSlot, entitlementsMagic);
    signature.derEntitlements = expect(derEntitlementsSlot, derEntitlementsMagic);
    if (const auto wrapper = expect(signatureSlot, wrapperMagic))
        signature.cms = wrapper->mid(8);
    return signature;
}

} // namespace hub
