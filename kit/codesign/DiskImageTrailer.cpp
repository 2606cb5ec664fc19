#include "kit/codesign/DiskImageTrailer.h"

#include "kit/codesign/BinaryReader.h"
#include "kit/security/CodeSigningService.h"

#include <cstring>

namespace hub {

namespace {

// Within what was once reserved space, after 64 bytes that still are.
constexpr size_t signatureOffsetField = 296;
constexpr size_t signatureLengthField = 304;

} // namespace

std::optional<DiskImageTrailer> DiskImageTrailer::read(const unsigned char* data, size_t length)
{
    if (length < size)
        return std::nullopt;
    const unsigned char* block = data + length - size;
    if (std::memcmp(block, "koly", 4) != 0)
        return std::nullopt;
    const BinaryReader reader(block, size, CodeSigningService::errBadDiskImageFormat, QStringLiteral("the disk image trailer"));
    DiskImageTrailer trailer;
    trailer.header = QByteArray(reinterpret_cast<const char*>(block), size);
    trailer.signatureOffset = reader.be64(signatureOffsetField);
    trailer.signatureLength = reader.be64(signatureLengthField);
    return trailer;
}

QByteArray DiskImageTrailer::headerWithoutSignature() const
{
    QByteArray copy = header;
    std::memset(copy.data() + signatureLengthField, 0, 8);
    return copy;
}

} // namespace hub
