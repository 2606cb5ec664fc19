#pragma once

#include <QFile>
#include <QString>
#include <cstddef>

namespace hub {

// A whole file mapped read-only into memory (an empty file maps to an empty range).
class MappedFile {
public:
    // Raises CodeSignatureFault with `status` when the file cannot be opened or mapped.
    MappedFile(const QString& path, int32_t status);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    QFile file_;
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace hub
