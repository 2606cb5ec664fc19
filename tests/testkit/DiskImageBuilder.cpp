#include "tests/testkit/DiskImageBuilder.h"

#include "tests/testkit/Crc32.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace hub::test {

namespace {

constexpr quint64 sectorSize = 512;
constexpr quint64 sectorsPerChunk = 2048;

void put32(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

void put64(QByteArray& out, quint64 value)
{
    put32(out, static_cast<quint32>(value >> 32));
    put32(out, static_cast<quint32>(value));
}

void putChecksum(QByteArray& out, quint32 type, quint32 crc)
{
    put32(out, type);
    put32(out, type == 0 ? 0 : 32);
    QByteArray words(128, '\0');
    QByteArray value;
    put32(value, crc);
    words.replace(0, 4, type == 0 ? QByteArray(4, '\0') : value);
    out += words;
}

[[noreturn]] void fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

} // namespace

DiskImageBuilder& DiskImageBuilder::add(const ArchiveEntry& entry)
{
    entries_.append(entry);
    return *this;
}

DiskImageBuilder& DiskImageBuilder::add(const QList<ArchiveEntry>& entries)
{
    entries_.append(entries);
    return *this;
}

void DiskImageBuilder::materialize(const QList<ArchiveEntry>& entries, const QString& root)
{
    const QByteArray base = QFile::encodeName(root) + "/";
    for (const auto& entry : entries) {
        const QByteArray path = base + entry.path;
        const QByteArray parent = path.left(path.lastIndexOf('/'));
        QDir().mkpath(QFile::decodeName(parent));
        switch (entry.type) {
        case ArchiveEntry::Type::file: {
            QFile file(QFile::decodeName(path));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(entry.data) != entry.data.size())
                fail("cannot write " + file.fileName());
            file.close();
            ::chmod(path.constData(), static_cast<mode_t>(entry.mode));
            break;
        }
        case ArchiveEntry::Type::directory:
            if (::mkdir(path.constData(), 0755) != 0 && errno != EEXIST)
                fail("cannot make " + QFile::decodeName(path));
            ::chmod(path.constData(), static_cast<mode_t>(entry.mode));
            break;
        case ArchiveEntry::Type::symlink:
            if (::symlink(entry.target.constData(), path.constData()) != 0)
                fail("cannot link " + QFile::decodeName(path));
            break;
        case ArchiveEntry::Type::hardlink:
            if (::link((base + entry.target).constData(), path.constData()) != 0)
                fail("cannot link " + QFile::decodeName(path));
            break;
        }
    }
}

void DiskImageBuilder::write(const QString& imagePath, const QString& scratch) const
{
    const QString volume = scratch + "/volume";
    const QString iso = scratch + "/volume.iso";
    QDir(volume).removeRecursively();
    QDir().mkpath(volume);
    materialize(entries_, volume);

    QProcess xorriso;
    xorriso.start("/usr/bin/xorriso", {"-as", "mkisofs", "-quiet", "-R", "-V", "Tavren", "-o", iso, volume});
    if (!xorriso.waitForFinished(120000) || xorriso.exitStatus() != QProcess::NormalExit || xorriso.exitCode() != 0)
        fail("xorriso failed: " + QString::fromUtf8(xorriso.readAllStandardError()));
    wrapUdif(iso, imagePath);
}

void DiskImageBuilder::wrapUdif(const QString& volumePath, const QString& imagePath)
{
    QFile volume(volumePath);
    if (!volume.open(QIODevice::ReadOnly))
        fail("cannot read " + volumePath);
    QByteArray data = volume.readAll();
    data.append(QByteArray((sectorSize - data.size() % sectorSize) % sectorSize, '\0'));
    const quint64 sectors = static_cast<quint64>(data.size()) / sectorSize;
    const quint32 crc = crc32Of(data);

    // The block table ("mish"): raw chunks, then the terminator.
    QByteArray mish = "mish";
    put32(mish, 1);
    put64(mish, 0);
    put64(mish, sectors);
    put64(mish, 0);
    put32(mish, 0);
    put32(mish, 0);
    mish += QByteArray(24, '\0');
    putChecksum(mish, 2, crc);
    const quint32 chunks = static_cast<quint32>((sectors + sectorsPerChunk - 1) / sectorsPerChunk) + 1;
    put32(mish, chunks);
    for (quint64 first = 0; first < sectors; first += sectorsPerChunk) {
        const quint64 count = std::min(sectorsPerChunk, sectors - first);
        put32(mish, 1); // raw
        put32(mish, 0);
        put64(mish, first);
        put64(mish, count);
        put64(mish, first * sectorSize);
        put64(mish, count * sectorSize);
    }
    put32(mish, 0xFFFFFFFFu);
    put32(mish, 0);
    put64(mish, sectors);
    put64(mish, 0);
    put64(mish, static_cast<quint64>(data.size()));
    put64(mish, 0);

    const QByteArray name = "disk image (Apple_ISO : 0)";
    const QByteArray plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                             "<plist version=\"1.0\">\n<dict>\n\t<key>resource-fork</key>\n\t<dict>\n\t\t<key>blkx</key>\n\t\t<array>\n\t\t\t<dict>\n"
                             "\t\t\t\t<key>Attributes</key>\n\t\t\t\t<string>0x0050</string>\n"
                             "\t\t\t\t<key>CFName</key>\n\t\t\t\t<string>" + name + "</string>\n"
                             "\t\t\t\t<key>Data</key>\n\t\t\t\t<data>" + mish.toBase64() + "</data>\n"
                             "\t\t\t\t<key>ID</key>\n\t\t\t\t<string>0</string>\n"
                             "\t\t\t\t<key>Name</key>\n\t\t\t\t<string>" + name + "</string>\n"
                             "\t\t\t</dict>\n\t\t</array>\n\t</dict>\n</dict>\n</plist>\n";

    QByteArray koly = "koly";
    put32(koly, 4);   // version
    put32(koly, 512); // header size
    put32(koly, 1);   // flags: flattened
    put64(koly, 0);   // running data fork offset
    put64(koly, 0);   // data fork offset
    put64(koly, static_cast<quint64>(data.size()));
    put64(koly, 0); // resource fork offset
    put64(koly, 0); // resource fork length
    put32(koly, 1); // segment number
    put32(koly, 1); // segment count
    koly += QByteArray::fromHex("74617672656e2d6875622d7465737431"); // segment identifier
    putChecksum(koly, 2, crc);
    put64(koly, static_cast<quint64>(data.size())); // property list offset
    put64(koly, static_cast<quint64>(plist.size()));
    koly += QByteArray(120, '\0'); // reserved; a code signature's offset and length go here
    putChecksum(koly, 0, 0);
    put32(koly, 1); // image variant: device image
    put64(koly, sectors);
    koly += QByteArray(12, '\0');
    Q_ASSERT(koly.size() == 512);

    QFile image(imagePath);
    if (!image.open(QIODevice::WriteOnly | QIODevice::Truncate) || image.write(data + plist + koly) < 0)
        fail("cannot write " + imagePath);
}

} // namespace hub::test
