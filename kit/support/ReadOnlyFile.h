#pragma once

#include "kit/support/FileDescriptor.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hub {

// A regular file open for reading a part at a time, at any offset and on several threads at once.
// Opened without blocking and (unless asked) without following a link at its name, so that a link,
// FIFO or device put at the name is refused rather than read through or waited on. Its size is the
// one it had when it was opened; another process may cut it short meanwhile, so a part can read short.
class ReadOnlyFile {
public:
    enum class Links { refuse, follow };

    // The file `name` in the open folder `folder` (with AT_FDCWD, `name` is a path and only its last
    // component is guarded). None with errno when it cannot be opened: ELOOP for a refused link,
    // EISDIR for a folder, EINVAL for anything else that is not a regular file.
    static std::optional<ReadOnlyFile> openAt(int folder, const QByteArray& name, Links links = Links::refuse);
    // The file at a path; throws std::system_error with the errno above.
    static ReadOnlyFile open(const QString& path);

    uint64_t size() const { return size_; }
    // Reads up to `length` bytes at `offset`; fewer only where the file now ends. Throws
    // std::system_error when the file cannot be read.
    size_t read(uint64_t offset, char* into, size_t length) const;
    // Tells the system the file is read from start to end, for a larger read-ahead.
    void readsInOrder() const;

private:
    ReadOnlyFile(FileDescriptor fd, uint64_t size) : fd_(std::move(fd)), size_(size) {}

    FileDescriptor fd_;
    uint64_t size_;
};

} // namespace hub
