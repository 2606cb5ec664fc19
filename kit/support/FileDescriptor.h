#pragma once

#include <unistd.h>
#include <utility>

namespace hub {

// Owns an open descriptor (or -1) and closes it when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        std::swap(fd, other.fd);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    // Hands the descriptor over; this one then owns nothing.
    int release() { return std::exchange(fd, -1); }

    int fd;
};

} // namespace hub
