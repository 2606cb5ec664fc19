#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hub {

class CodeBytes;
class ReadOnlyFile;

// The hash types of code directories: 1 SHA-1, 2 SHA-256, 3 SHA-256 cut to 20 bytes, 4 SHA-384.
struct CodeHash {
    static bool isSupported(uint8_t type);
    // Bytes a slot of this type holds (0 when unsupported).
    static size_t size(uint8_t type);
    // Higher is stronger; 0 when unsupported.
    static int strength(uint8_t type);
    // The digest of the bytes, cut to size(type).
    static QByteArray digest(uint8_t type, const unsigned char* data, size_t length);
    static QByteArray digest(uint8_t type, const QByteArray& bytes)
    {
        return digest(type, reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
    }
    // The digest of the whole file, read in order a bounded window at a time so memory stays
    // flat whatever its size. Throws std::system_error on a read error.
    static QByteArray digestOfFile(uint8_t type, const ReadOnlyFile& file);
    // Hashes the `length` bytes of `code` from `offset` page by page (pageSize 0: one page) and
    // compares with `count` expected slots; answers the first page that differs, or nothing when all
    // match. Large code is read and hashed a chunk at a time on several threads.
    static std::optional<size_t> firstMismatch(uint8_t type, const CodeBytes& code, uint64_t offset, size_t length,
                                               size_t pageSize, const unsigned char* expected, size_t count);
};

} // namespace hub
