#pragma once

#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hub {

class CodeBytes;

// The architectures of a Mach-O file, thin or fat, and where each keeps its embedded signature.
struct MachOFile {
    struct Slice {
        uint32_t cpuType = 0;
        uint32_t cpuSubtype = 0;
        uint64_t offset = 0; // of the slice in the file
        uint64_t size = 0;
        // LC_CODE_SIGNATURE: where the signature lies within the slice.
        std::optional<uint32_t> signatureOffset;
        uint32_t signatureSize = 0;
        // Where the __LINKEDIT segment's file bytes begin and end, and where the last of any
        // segment's file bytes end, within the slice.
        std::optional<uint64_t> linkEditOffset;
        uint64_t linkEditEnd = 0;
        uint64_t segmentsEnd = 0;

        QString architecture() const;
    };

    // True when the bytes begin like a Mach-O file (thin or fat).
    static bool isMachO(const unsigned char* data, size_t size);
    static bool isMachO(const CodeBytes& file);
    // True when the file at a path begins like a Mach-O file.
    static bool isMachOFile(const QString& path);
    // The slices, in file order; raises CodeSignatureFault (bad object format) for a malformed file.
    static QList<Slice> slices(const CodeBytes& file);
    // Raises errSignatureFailed unless the file holds nothing its signatures leave out: each
    // signed slice ends with __LINKEDIT, which ends with the signature, whose room after the
    // superblob is zeros; a universal file ends with its last slice and has only zeros between
    // its header and slices.
    static void checkNothingUnsigned(const CodeBytes& file, const QList<Slice>& slices);
};

} // namespace hub
