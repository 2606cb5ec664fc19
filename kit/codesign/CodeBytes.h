#pragma once

#include "kit/support/ReadOnlyFile.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hub {

// The bytes whose signature is checked: a file opened once, read a part at a time as the check needs
// it (never mapped: another process may cut or rewrite it meanwhile). Reading a part raises
// CodeSignatureFault with the status given when the part lies beyond the end, or the file no
// longer holds it. Parts may be read on several threads at once.
class CodeBytes {
public:
    // Raises CodeSignatureFault with `status` when the path is not a regular file that can be read;
    // a link at the path is not followed.
    static CodeBytes ofFile(const QString& path, int32_t status);
    // The file already open; `path` names it in refusals.
    CodeBytes(ReadOnlyFile file, int32_t status, QString path);
    // Bytes in memory, for tests and fuzzers that try the parsers without a file; the product
    // checks files only.
    CodeBytes(const unsigned char* data, size_t size, int32_t status) : data_(data), size_(size), status_(status) {}

    uint64_t size() const { return size_; }
    bool contains(uint64_t offset, uint64_t length) const { return fits(size_, offset, length); }
    // Whether [offset, offset + length) lies within the first `size` bytes, without overflow.
    static bool fits(uint64_t size, uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; }

    // The part [offset, offset + length): in place for bytes in memory, else read into `buffer`.
    const unsigned char* bytes(uint64_t offset, size_t length, QByteArray& buffer) const;
    QByteArray read(uint64_t offset, size_t length) const;
    // Whether the part [from, to) holds only zeros, read a bounded window at a time.
    bool zeros(uint64_t from, uint64_t to) const;

private:
    [[noreturn]] void refuse(const QString& why) const;

    const unsigned char* data_ = nullptr; // null for a file
    std::optional<ReadOnlyFile> file_;
    uint64_t size_ = 0;
    int32_t status_;
    QString path_;
};

} // namespace hub
