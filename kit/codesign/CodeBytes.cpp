#include "kit/codesign/CodeBytes.h"

#include "kit/codesign/CodeSignatureFault.h"

#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <new>
#include <system_error>

namespace hub {

namespace {

constexpr size_t zerosWindowBytes = 1024 * 1024;

} // namespace

CodeBytes CodeBytes::ofFile(const QString& path, int32_t status)
{
    auto file = ReadOnlyFile::openAt(AT_FDCWD, QFile::encodeName(path));
    if (!file)
        CodeSignatureFault::raise(status, QStringLiteral("cannot read ") + path);
    return CodeBytes(std::move(*file), status, path);
}

CodeBytes::CodeBytes(ReadOnlyFile file, int32_t status, QString path)
    : file_(std::move(file)), size_(file_->size()), status_(status), path_(std::move(path))
{
}

void CodeBytes::refuse(const QString& why) const
{
    CodeSignatureFault::raise(status_, why + (path_.isEmpty() ? QString() : QStringLiteral(": ") + path_));
}

const unsigned char* CodeBytes::bytes(uint64_t offset, size_t length, QByteArray& buffer) const
{
    if (!contains(offset, length))
        refuse(QStringLiteral("the code is truncated or malformed"));
    if (data_)
        return data_ + offset;
    try {
        buffer.resize(qsizetype(length));
    } catch (const std::bad_alloc&) {
        refuse(QStringLiteral("no memory to read the code"));
    }
    size_t got = 0;
    try {
        got = file_->read(offset, buffer.data(), length);
    } catch (const std::system_error&) {
        refuse(QStringLiteral("cannot read the file"));
    }
    if (got < length)
        refuse(QStringLiteral("the file changed while it was checked"));
    return reinterpret_cast<const unsigned char*>(buffer.constData());
}

QByteArray CodeBytes::read(uint64_t offset, size_t length) const
{
    QByteArray buffer;
    const unsigned char* part = bytes(offset, length, buffer);
    return data_ ? QByteArray(reinterpret_cast<const char*>(part), qsizetype(length)) : buffer;
}

bool CodeBytes::zeros(uint64_t from, uint64_t to) const
{
    QByteArray buffer;
    for (uint64_t at = from; at < to;) {
        const size_t length = size_t(std::min<uint64_t>(to - at, zerosWindowBytes));
        const unsigned char* part = bytes(at, length, buffer);
        if (!std::all_of(part, part + length, [](unsigned char byte) { return byte == 0; }))
            return false;
        at += length;
    }
    return true;
}

} // namespace hub
