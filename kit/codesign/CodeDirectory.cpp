#include "kit/codesign/CodeDirectory.h"

#include "kit/codesign/BinaryReader.h"
#include "kit/codesign/CodeBytes.h"
#include "kit/codesign/CodeHash.h"
#include "kit/security/CodeSigningService.h"

#include <algorithm>

namespace hub {

namespace {

constexpr uint32_t codeDirectoryMagic = 0xfade0c02;
constexpr uint32_t earliestVersion = 0x20001;
constexpr uint32_t scatterVersion = 0x20100;
constexpr uint32_t teamVersion = 0x20200;
constexpr uint32_t codeLimit64Version = 0x20300;

QString cString(const BinaryReader& blob, uint32_t offset)
{
    const size_t length = blob.size();
    if (offset >= length)
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the code directory is malformed"));
    const auto* start = blob.bytes(offset, length - offset);
    const auto* end = std::find(start, start + (length - offset), 0);
    if (end == start + (length - offset))
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the code directory is malformed"));
    return QString::fromUtf8(reinterpret_cast<const char*>(start), end - start);
}

} // namespace

CodeDirectory CodeDirectory::parse(QByteArray blob)
{
    CodeDirectory cd;
    cd.blob_ = std::move(blob);
    const BinaryReader r(reinterpret_cast<const unsigned char*>(cd.blob_.constData()), size_t(cd.blob_.size()),
                         CodeSigningService::errSignatureFailed, QStringLiteral("the code directory"));
    if (r.be32(0) != codeDirectoryMagic || r.be32(4) != r.size())
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the code directory is malformed"));
    cd.version_ = r.be32(8);
    cd.flags_ = r.be32(12);
    cd.hashOffset_ = r.be32(16);
    const uint32_t identOffset = r.be32(20);
    cd.specialSlots_ = r.be32(24);
    cd.codeSlots_ = r.be32(28);
    cd.codeLimit_ = r.be32(32);
    cd.hashSize_ = r.u8(36);
    cd.hashType_ = r.u8(37);
    cd.pageSizeLog2_ = r.u8(39);
    if (cd.version_ < earliestVersion)
        CodeSignatureFault::raise(CodeSigningService::errSignatureUnsupported, QStringLiteral("the code directory is too old"));
    if (!CodeHash::isSupported(cd.hashType_))
        CodeSignatureFault::raise(CodeSigningService::errUnsupportedDigestAlgorithm,
                                  QStringLiteral("the code directory uses hash type ") + QString::number(cd.hashType_));
    if (cd.hashSize_ != CodeHash::size(cd.hashType_) || cd.pageSizeLog2_ > 30)
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the code directory is malformed"));
    if (cd.version_ >= scatterVersion && r.be32(44) != 0)
        CodeSignatureFault::raise(CodeSigningService::errSignatureUnsupported, QStringLiteral("scattered code is not supported"));
    if (cd.version_ >= teamVersion) {
        if (const uint32_t teamOffset = r.be32(48))
            cd.teamID_ = cString(r, teamOffset);
    }
    if (cd.version_ >= codeLimit64Version) {
        if (const uint64_t limit64 = r.be64(56)) {
            if (cd.codeLimit_ != 0)
                CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the code directory is malformed"));
            cd.codeLimit_ = limit64;
        }
    }
    cd.identifier_ = cString(r, identOffset);
    // The slots must lie inside the blob.
    const uint64_t special = uint64_t(cd.specialSlots_) * cd.hashSize_;
    if (special > cd.hashOffset_ || !r.contains(cd.hashOffset_, uint64_t(cd.codeSlots_) * cd.hashSize_))
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, QStringLiteral("the code directory is malformed"));
    // One slot per page, no more, no fewer.
    const uint64_t pages = cd.pageSizeLog2_ == 0 ? (cd.codeLimit_ > 0 ? 1 : 0)
                                                 : (cd.codeLimit_ + (uint64_t(1) << cd.pageSizeLog2_) - 1) >> cd.pageSizeLog2_;
    if (pages != cd.codeSlots_)
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed,
                                  QStringLiteral("the code directory's page count does not match its code limit"));
    return cd;
}

QByteArray CodeDirectory::hash() const
{
    // The cut type keeps 20 bytes of SHA-256 in its slots; the directory's own hash is the whole digest.
    return CodeHash::digest(hashType_ == 3 ? 2 : hashType_, blob_);
}

void CodeDirectory::verifyCode(const CodeBytes& file, uint64_t offset, size_t length, const QString& what) const
{
    if (length != codeLimit_)
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed,
                                  QStringLiteral("the signature does not cover all of ") + what);
    const auto* expected = reinterpret_cast<const unsigned char*>(blob_.constData()) + hashOffset_;
    const size_t pageSize = pageSizeLog2_ == 0 ? 0 : size_t(1) << pageSizeLog2_;
    if (const auto page = CodeHash::firstMismatch(hashType_, file, offset, length, pageSize, expected, codeSlots_))
        CodeSignatureFault::raise(CodeSigningService::errSignatureFailed,
                                  QStringLiteral("code has been modified: page %1 of %2 does not match its hash").arg(*page).arg(what));
}

QByteArray CodeDirectory::slotHash(int slot) const
{
    if (slot <= 0 || uint32_t(slot) > specialSlots_)
        return {};
    return blob_.mid(qsizetype(hashOffset_) - qsizetype(slot) * hashSize_, hashSize_);
}

bool CodeDirectory::hasSpecialSlot(int slot) const
{
    const QByteArray hash = slotHash(slot);
    return std::any_of(hash.begin(), hash.end(), [](char c) { return c != 0; });
}

void CodeDirectory::verifySpecialSlot(int slot, const std::optional<QByteArray>& data, int32_t status, const QString& what) const
{
    if (!data) {
        if (hasSpecialSlot(slot))
            CodeSignatureFault::raise(status, what + QStringLiteral(" is sealed by the signature but missing"));
        return;
    }
    if (!hasSpecialSlot(slot))
        CodeSignatureFault::raise(status, what + QStringLiteral(" is not sealed by the signature"));
    if (CodeHash::digest(hashType_, *data) != slotHash(slot))
        CodeSignatureFault::raise(status, what + QStringLiteral(" has been modified"));
}

} // namespace hub
