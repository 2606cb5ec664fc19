#pragma once

#include <unistd.h>
#include <utility>

namespace hub {

// Owns an open descriptor (or -1) and closes it when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd(other.release()) {}
    // Closes what this one owned, then takes the other's descriptor.
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            close();
            fd = other.release();
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }

    // Hands the descriptor over; this one then owns nothing.
    int release() { return std::exchange(fd, -1); }

private:
    void close()
    {
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
    }

    int fd;
};

} // namespace hub
