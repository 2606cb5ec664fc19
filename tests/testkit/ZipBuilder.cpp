#include "tests/testkit/ZipBuilder.h"

#include "tests/testkit/Crc32.h"

#include <QStringDecoder>
#include <stdexcept>
#include <sys/stat.h>

namespace hub::test {

namespace {

void put16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

QByteArray rawDeflate(const QByteArray& data)
{
    // qCompress gives a 4-byte length, a zlib header (2 bytes), the deflate stream
    // and an Adler-32 (4 bytes).
    const QByteArray zlib = qCompress(data, 6);
    return zlib.mid(6, zlib.size() - 10);
}

} // namespace

ZipBuilder::ZipBuilder(const QString& path)
    : file_(path)
{
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
}

ZipBuilder::~ZipBuilder()
{
    if (!finished_)
        finish();
}

ZipBuilder& ZipBuilder::setStored(bool stored)
{
    stored_ = stored;
    return *this;
}

ZipBuilder& ZipBuilder::declareSize(const QByteArray& path, quint32 size)
{
    declared_.insert(path, size);
    return *this;
}

ZipBuilder& ZipBuilder::add(const QList<ArchiveEntry>& entries)
{
    for (const auto& entry : entries)
        add(entry);
    return *this;
}

ZipBuilder& ZipBuilder::add(const ArchiveEntry& entry)
{
    QByteArray name = entry.path;
    QByteArray data;
    quint32 mode = 0;
    switch (entry.type) {
    case ArchiveEntry::Type::file:
        data = entry.data;
        mode = S_IFREG | entry.mode;
        break;
    case ArchiveEntry::Type::directory:
        if (!name.endsWith('/'))
            name += '/';
        mode = S_IFDIR | entry.mode;
        break;
    case ArchiveEntry::Type::symlink:
        data = entry.target;
        mode = S_IFLNK | 0755;
        break;
    case ArchiveEntry::Type::hardlink:
        throw std::invalid_argument("zip archives have no hard links");
    }
    const bool deflate = !stored_ && entry.type == ArchiveEntry::Type::file && !data.isEmpty();
    const QByteArray payload = deflate ? rawDeflate(data) : data;
    const quint32 crc = crc32Of(data);
    const quint32 size = declared_.value(entry.path, static_cast<quint32>(data.size()));
    const quint32 flags = isUtf8(name) ? 0x0800 : 0;
    const quint32 offset = static_cast<quint32>(file_.pos());

    QByteArray local;
    put32(local, 0x04034b50);
    put16(local, 20);
    put16(local, flags);
    put16(local, deflate ? 8 : 0);
    put16(local, 0);      // time
    put16(local, 0x5A21); // date: 2025-01-01
    put32(local, crc);
    put32(local, static_cast<quint32>(payload.size()));
    put32(local, static_cast<quint32>(data.size()));
    put16(local, static_cast<quint32>(name.size()));
    put16(local, 0);
    local += name;
    file_.write(local);
    file_.write(payload);

    put32(central_, 0x02014b50);
    put16(central_, (3 << 8) | 20); // made on Unix
    put16(central_, 20);
    put16(central_, flags);
    put16(central_, deflate ? 8 : 0);
    put16(central_, 0);
    put16(central_, 0x5A21);
    put32(central_, crc);
    put32(central_, static_cast<quint32>(payload.size()));
    put32(central_, size);
    put16(central_, static_cast<quint32>(name.size()));
    put16(central_, 0);
    put16(central_, 0);
    put16(central_, 0);
    put16(central_, 0);
    put32(central_, (mode << 16) | (entry.type == ArchiveEntry::Type::directory ? 0x10 : 0));
    put32(central_, offset);
    central_ += name;
    ++count_;
    return *this;
}

void ZipBuilder::finish()
{
    finished_ = true;
    const quint32 offset = static_cast<quint32>(file_.pos());
    file_.write(central_);
    QByteArray end;
    put32(end, 0x06054b50);
    put16(end, 0);
    put16(end, 0);
    put16(end, count_);
    put16(end, count_);
    put32(end, static_cast<quint32>(central_.size()));
    put32(end, offset);
    put16(end, 0);
    file_.write(end);
    file_.close();
}

} // namespace hub::test
