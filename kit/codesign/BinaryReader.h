#pragma once

#include "kit/codesign/CodeSignatureFault.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace hub {

// Bounds-checked reads from a byte range; a read outside it raises a CodeSignatureFault with the
// reader's status and a text naming what was being read.
class BinaryReader {
public:
    BinaryReader(const unsigned char* data, size_t size, int32_t status, QString what)
        : data_(data), size_(size), status_(status), what_(std::move(what))
    {
    }

    size_t size() const { return size_; }
    const unsigned char* data() const { return data_; }

    bool contains(size_t offset, size_t length) const { return offset <= size_ && length <= size_ - offset; }

    const unsigned char* bytes(size_t offset, size_t length) const
    {
        if (!contains(offset, length))
            CodeSignatureFault::raise(status_, what_ + QStringLiteral(" is truncated or malformed"));
        return data_ + offset;
    }
    uint8_t u8(size_t offset) const { return *bytes(offset, 1); }
    uint32_t be32(size_t offset) const
    {
        const unsigned char* p = bytes(offset, 4);
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    }
    uint64_t be64(size_t offset) const { return uint64_t(be32(offset)) << 32 | be32(offset + 4); }
    uint32_t le32(size_t offset) const
    {
        const unsigned char* p = bytes(offset, 4);
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
    }
    uint32_t u32(size_t offset, bool bigEndian) const { return bigEndian ? be32(offset) : le32(offset); }

    // The part [offset, offset + length), checked.
    BinaryReader sub(size_t offset, size_t length) const
    {
        return BinaryReader(bytes(offset, length), length, status_, what_);
    }

private:
    const unsigned char* data_;
    size_t size_;
    int32_t status_;
    QString what_;
};

} // namespace hub
