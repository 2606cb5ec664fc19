#include "kit/codesign/MachOFile.h"

#include "kit/codesign/BinaryReader.h"
#include "kit/codesign/CodeBytes.h"
#include "kit/codesign/CodeSignatureFault.h"
#include "kit/codesign/EmbeddedSignature.h"
#include "kit/security/CodeSigningService.h"

#include <algorithm>
#include <cstring>

namespace hub {

namespace {

constexpr uint32_t machMagic32 = 0xfeedface;
constexpr uint32_t machMagic64 = 0xfeedfacf;
constexpr uint32_t machCigam32 = 0xcefaedfe;
constexpr uint32_t machCigam64 = 0xcffaedfe;
constexpr uint32_t fatMagic = 0xcafebabe;
constexpr uint32_t fatMagic64 = 0xcafebabf;
constexpr uint32_t loadCodeSignature = 0x1d;
constexpr uint32_t loadSegment = 0x1;
constexpr uint32_t loadSegment64 = 0x19;
constexpr uint32_t maxFatArchitectures = 32; // Java class files, which share the magic, have 45 or more here
// Real load commands take a few kilobytes; a header claiming more is refused before anything is read.
constexpr uint32_t maxLoadCommandBytes = 4 * 1024 * 1024;

BinaryReader reader(const unsigned char* data, size_t size)
{
    return BinaryReader(data, size, CodeSigningService::errBadObjectFormat, QStringLiteral("the Mach-O file"));
}
BinaryReader reader(const QByteArray& part)
{
    return reader(reinterpret_cast<const unsigned char*>(part.constData()), size_t(part.size()));
}

bool isThinMagic(uint32_t magic)
{
    return magic == machMagic32 || magic == machMagic64 || magic == machCigam32 || magic == machCigam64;
}

// Reads the header and load commands of the thin image at `slice`'s offset and size into `slice`.
void readThin(const CodeBytes& file, MachOFile::Slice& slice)
{
    const QByteArray headerBytes = file.read(slice.offset, size_t(std::min<uint64_t>(slice.size, 32)));
    const BinaryReader header = reader(headerBytes);
    const uint32_t magic = header.be32(0);
    if (!isThinMagic(magic))
        CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("an architecture is not a Mach-O image"));
    const bool big = magic == machMagic32 || magic == machMagic64;
    const bool wide = magic == machMagic64 || magic == machCigam64;
    const size_t headerSize = wide ? 32 : 28;
    slice.cpuType = header.u32(4, big);
    slice.cpuSubtype = header.u32(8, big);
    const uint32_t commands = header.u32(16, big);
    const uint32_t commandBytes = header.u32(20, big);
    if (!CodeBytes::fits(slice.size, headerSize, commandBytes))
        CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("the Mach-O file is truncated or malformed"));
    if (commandBytes > maxLoadCommandBytes)
        CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("the load commands are larger than any real ones"));
    const QByteArray loadBytes = file.read(slice.offset + headerSize, commandBytes);
    const BinaryReader loads = reader(loadBytes);
    size_t at = 0;
    for (uint32_t i = 0; i < commands; ++i) {
        const uint32_t command = loads.u32(at, big);
        const uint32_t size = loads.u32(at + 4, big);
        if (size < 8 || size % 4 != 0 || !loads.contains(at, size))
            CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("a load command is malformed"));
        // A segment command too short to be one is left to the loader, which refuses it.
        if ((command == loadSegment && size >= 56) || (command == loadSegment64 && size >= 72)) {
            const bool segment64 = command == loadSegment64;
            const uint64_t fileOffset = segment64 ? uint64_t(loads.u32(at + 40, big)) | uint64_t(loads.u32(at + 44, big)) << 32
                                                  : loads.u32(at + 32, big);
            const uint64_t fileSize = segment64 ? uint64_t(loads.u32(at + 48, big)) | uint64_t(loads.u32(at + 52, big)) << 32
                                                : loads.u32(at + 36, big);
            if (fileSize > 0 && !CodeBytes::fits(slice.size, fileOffset, fileSize))
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                          QStringLiteral("a segment lies outside its architecture"));
            const auto* name = reinterpret_cast<const char*>(loads.bytes(at + 8, 16));
            if (fileSize > 0)
                slice.segmentsEnd = std::max(slice.segmentsEnd, fileOffset + fileSize);
            if (std::strncmp(name, "__LINKEDIT", 16) == 0) {
                if (slice.linkEditOffset)
                    CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("two __LINKEDIT segments"));
                slice.linkEditOffset = fileOffset;
                slice.linkEditEnd = fileOffset + fileSize;
            }
        } else if (command == loadCodeSignature) {
            if (slice.signatureOffset || size < 16)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                          QStringLiteral("the code signature load command is malformed"));
            const uint32_t offset = loads.u32(at + 8, big);
            const uint32_t length = loads.u32(at + 12, big);
            if (!CodeBytes::fits(slice.size, offset, length) || offset < headerSize + commandBytes)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                          QStringLiteral("the code signature lies outside its architecture"));
            if (length > EmbeddedSignature::maxSize)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                          QStringLiteral("the code signature is larger than any real one"));
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

bool MachOFile::isMachO(const CodeBytes& file)
{
    const QByteArray head = file.read(0, size_t(std::min<uint64_t>(file.size(), 8)));
    return isMachO(reinterpret_cast<const unsigned char*>(head.constData()), size_t(head.size()));
}

bool MachOFile::isMachOFile(const QString& path)
{
    try {
        return isMachO(CodeBytes::ofFile(path, CodeSigningService::errBadObjectFormat));
    } catch (const CodeSignatureFault&) {
        return false;
    }
}

QList<MachOFile::Slice> MachOFile::slices(const CodeBytes& bytes)
{
    const QByteArray head = bytes.read(0, size_t(std::min<uint64_t>(bytes.size(), 8 + maxFatArchitectures * 32)));
    const BinaryReader file = reader(head);
    const uint32_t magic = file.be32(0);
    QList<Slice> result;
    if (isThinMagic(magic)) {
        Slice slice;
        slice.size = bytes.size();
        readThin(bytes, slice);
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
        if (slice.offset < headerEnd || !bytes.contains(slice.offset, slice.size))
            CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat,
                                      QStringLiteral("an architecture lies outside the universal file"));
        for (const Slice& other : result) {
            if (slice.offset < other.offset + other.size && other.offset < slice.offset + slice.size)
                CodeSignatureFault::raise(CodeSigningService::errBadObjectFormat, QStringLiteral("architectures overlap"));
        }
        readThin(bytes, slice);
        result.append(slice);
    }
    return result;
}

void MachOFile::checkNothingUnsigned(const CodeBytes& file, const QList<Slice>& slices)
{
    auto refuse = [](const QString& text) { CodeSignatureFault::raise(CodeSigningService::errSignatureFailed, text); };
    for (const Slice& slice : slices) {
        if (!slice.signatureOffset)
            continue;
        const uint64_t signatureEnd = uint64_t(*slice.signatureOffset) + slice.signatureSize;
        if (!slice.linkEditOffset || slice.linkEditEnd != slice.size || slice.segmentsEnd != slice.size || signatureEnd != slice.size
            || *slice.signatureOffset < *slice.linkEditOffset)
            refuse(QStringLiteral("the ") + slice.architecture() + QStringLiteral(" code has bytes its signature does not cover"));
        // The superblob's own length says where its zero padding begins.
        const QByteArray signature = file.read(slice.offset + *slice.signatureOffset, std::min<uint32_t>(slice.signatureSize, 8));
        const uint64_t blobLength = signature.size() < 8 ? 0 : reader(signature).be32(4);
        if (blobLength > slice.signatureSize || !file.zeros(slice.offset + *slice.signatureOffset + blobLength, slice.offset + signatureEnd))
            refuse(QStringLiteral("the ") + slice.architecture() + QStringLiteral(" code has bytes its signature does not cover"));
    }
    if (slices.size() == 1 && slices.first().offset == 0)
        return;
    // A universal file: the header, then the slices in file order with only zeros between them.
    QList<Slice> ordered = slices;
    std::sort(ordered.begin(), ordered.end(), [](const Slice& a, const Slice& b) { return a.offset < b.offset; });
    const bool wide = reader(file.read(0, 4)).be32(0) == fatMagic64;
    uint64_t covered = 8 + uint64_t(slices.size()) * (wide ? 32 : 20);
    for (const Slice& slice : ordered) {
        if (!file.zeros(covered, slice.offset))
            refuse(QStringLiteral("the universal file has bytes between its architectures"));
        covered = slice.offset + slice.size;
    }
    if (covered != file.size())
        refuse(QStringLiteral("the universal file has bytes after its last architecture"));
}

} // namespace hub
