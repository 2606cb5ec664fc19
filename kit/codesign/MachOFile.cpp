#include "kit/codesign/MachOFile.h"

#include "kit/codesign/BinaryReader.h"
#include "kit/security/CodeSigningService.h"

#include <QFile>

namespace hub {

namespace {

constexpr uint32_t machMagic32 = 0xfeedface;
constexpr uint32_t machMagic64 = 0xfeedfacf;
constexpr uint32_t machCigam32 = 0xcefaedfe;
constexpr uint32_t machCigam64 = 0xcffaedfe;
constexpr uint32_t fatMagic = 0xcafebabe;
constexpr uint32_t fatMagic64 = 0xcafebabf;
constexpr uint32_t loadCodeSignature = 0x1d;
constexpr uint32_t maxFatArchitectures = 32; // Java class files, which share the magic, have 45 or more here

BinaryReader reader(const unsigned char* data, size_t size)
{
    return BinaryReader(data, size, CodeSigningService::errBadObjectFormat, QStringLiteral("the Mach-O file"));
}

bool isThinMagic(uint32_t magic)
{
    return magic == machMagic32 || magic == machMagic64 || magic == machCigam32 || magic == machCigam64;
}

// Reads the header and load commands of one thin image into `slice`.
void readThin(const BinaryReader& image, MachOFile::Slice& slice)
{
    const uint32_t magic = image.be32(0);
    if (!isThinMagic(magic))
        CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("an architecture is not a Mach-O image"));
    const bool big = magic == machMagic32 || magic == machMagic64;
    const bool wide = magic == machMagic64 || magic == machCigam64;
    const size_t headerSize = wide ? 32 : 28;
    slice.cpuType = image.u32(4, big);
    slice.cpuSubtype = image.u32(8, big);
    const uint32_t commands = image.u32(16, big);
    const uint32_t commandBytes = image.u32(20, big);
    const BinaryReader loads = image.sub(headerSize, commandBytes);
    size_t at = 0;
    for (uint32_t i = 0; i < commands; ++i) {
        const uint32_t command = loads.u32(at, big);
        const uint32_t size = loads.u32(at + 4, big);
        if (size < 8 || size % 4 != 0 || !loads.contains(at, size))
            CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("a load command is malformed"));
        if (command == loadCodeSignature) {
            if (slice.signatureOffset || size < 16)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                          QStringLiteral("the code signature load command is malformed"));
            const uint32_t offset = loads.u32(at + 8, big);
            const uint32_t length = loads.u32(at + 12, big);
            if (!image.contains(offset, length) || offset < headerSize + commandBytes)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                          QStringLiteral("the code signature lies outside its architecture"));
            slice.signatureOffset = offset;
            slice.signatureSize = length;
        }
        at += size;
    }
}

} // namespace

QString MachOFile::Slice::architecture() const
{
    switch (cpuType) {
    case 7: return QStringLiteral("i386");
    case 0x01000007: return QStringLiteral("x86_64");
    case 12: return QStringLiteral("arm");
    case 0x0100000c: return (cpuSubtype & 0xff) == 2 ? QStringLiteral("arm64e") : QStringLiteral("arm64");
    case 18: return QStringLiteral("ppc");
    case 0x01000012: return QStringLiteral("ppc64");
    default: return QStringLiteral("cpu ") + QString::number(cpuType);
    }
}

bool MachOFile::isMachO(const unsigned char* data, size_t size)
{
    if (size < 8)
        return false;
    const BinaryReader bytes = reader(data, size);
    const uint32_t magic = bytes.be32(0);
    if (isThinMagic(magic))
        return true;
    // Java class files share the fat magic; they carry a version number where the count would be.
    return (magic == fatMagic || magic == fatMagic64) && bytes.be32(4) > 0 && bytes.be32(4) <= maxFatArchitectures;
}

bool MachOFile::isMachOFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    return isMachO(reinterpret_cast<const unsigned char*>(head.constData()), size_t(head.size()));
}

QList<MachOFile::Slice> MachOFile::slices(const unsigned char* data, size_t size)
{
    const BinaryReader file = reader(data, size);
    const uint32_t magic = file.be32(0);
    QList<Slice> result;
    if (isThinMagic(magic)) {
        Slice slice;
        slice.size = size;
        readThin(file, slice);
        result.append(slice);
        return result;
    }
    if (magic != fatMagic && magic != fatMagic64)
        CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("not a Mach-O file"));
    const bool wide = magic == fatMagic64;
    const uint32_t count = file.be32(4);
    if (count == 0 || count > maxFatArchitectures)
        CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("the universal header is malformed"));
    const size_t entrySize = wide ? 32 : 20;
    const size_t headerEnd = 8 + size_t(count) * entrySize;
    file.bytes(8, headerEnd - 8);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = 8 + size_t(i) * entrySize;
        Slice slice;
        slice.cpuType = file.be32(at);
        slice.cpuSubtype = file.be32(at + 4);
        slice.offset = wide ? file.be64(at + 8) : file.be32(at + 8);
        slice.size = wide ? file.be64(at + 16) : file.be32(at + 12);
        if (slice.offset < headerEnd || !file.contains(slice.offset, slice.size))
            CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                      QStringLiteral("an architecture lies outside the universal file"));
        for (const Slice& other : result) {
            if (slice.offset < other.offset + other.size && other.offset < slice.offset + slice.size)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("architectures overlap"));
        }
        readThin(file.sub(slice.offset, slice.size), slice);
        result.append(slice);
    }
    return result;
}

} // namespace hub
