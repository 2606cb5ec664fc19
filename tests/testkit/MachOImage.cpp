#include "tests/testkit/MachOImage.h"

#include <QtEndian>

#include <stdexcept>

namespace hub::test {

namespace {

constexpr quint32 magic64 = 0xfeedfacf;
constexpr quint32 fatMagic = 0xcafebabe;
constexpr quint32 segment64 = 0x19;
constexpr quint32 codeSignature = 0x1d;
constexpr qint64 headerSize = 32;
constexpr qint64 codeStart = 0x400; // room after the load commands, as linkers leave
constexpr quint32 fatAlignLog2 = 14;

struct CpuType {
    quint32 type;
    quint32 subtype;
};

CpuType cpu(Architecture architecture)
{
    return architecture == Architecture::x86_64 ? CpuType{0x01000007, 3} : CpuType{0x0100000c, 0};
}

qint64 segmentAlign(Architecture architecture)
{
    return architecture == Architecture::arm64 ? 0x4000 : 0x1000;
}

qint64 alignUp(qint64 value, qint64 alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

quint32 le32(const QByteArray& b, qint64 offset)
{
    if (offset < 0 || offset + 4 > b.size())
        throw std::runtime_error("Mach-O read past the end");
    return qFromLittleEndian<quint32>(b.constData() + offset);
}

quint64 le64(const QByteArray& b, qint64 offset)
{
    if (offset < 0 || offset + 8 > b.size())
        throw std::runtime_error("Mach-O read past the end");
    return qFromLittleEndian<quint64>(b.constData() + offset);
}

void putLE32(QByteArray& b, qint64 offset, quint32 value) { qToLittleEndian(value, b.data() + offset); }
void putLE64(QByteArray& b, qint64 offset, quint64 value) { qToLittleEndian(value, b.data() + offset); }

void appendLE32(QByteArray& b, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    b.append(bytes, 4);
}

void appendLE64(QByteArray& b, quint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    b.append(bytes, 8);
}

QByteArray name16(const char* name)
{
    QByteArray out(name);
    out.resize(16, '\0');
    return out;
}

void appendSegment(QByteArray& b, const char* name, quint64 vmaddr, quint64 vmsize, quint64 fileoff,
                   quint64 filesize, quint32 prot, quint32 nsects)
{
    appendLE32(b, segment64);
    appendLE32(b, 72 + 80 * nsects);
    b.append(name16(name));
    appendLE64(b, vmaddr);
    appendLE64(b, vmsize);
    appendLE64(b, fileoff);
    appendLE64(b, filesize);
    appendLE32(b, prot);
    appendLE32(b, prot);
    appendLE32(b, nsects);
    appendLE32(b, 0);
}

// Deterministic bytes: xorshift64 seeded from an FNV-1a hash of the seed text.
void fillPseudoRandom(char* out, qint64 size, const QByteArray& seed)
{
    quint64 state = 1469598103934665603ULL;
    for (char c : seed)
        state = (state ^ quint8(c)) * 1099511628211ULL;
    qint64 i = 0;
    while (i < size) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        for (int k = 0; k < 8 && i < size; ++k, ++i)
            out[i] = char(state >> (8 * k));
    }
}

struct Layout {
    quint32 ncmds = 0;
    quint32 sizeofcmds = 0;
    quint32 fileType = 0;
    qint64 text = -1;      // offset of the __TEXT segment command
    qint64 linkedit = -1;  // offset of the __LINKEDIT segment command
    qint64 signature = -1; // offset of LC_CODE_SIGNATURE
};

Layout layout(const QByteArray& slice)
{
    if (le32(slice, 0) != magic64)
        throw std::runtime_error("not a 64-bit Mach-O slice");
    Layout l;
    l.fileType = le32(slice, 12);
    l.ncmds = le32(slice, 16);
    l.sizeofcmds = le32(slice, 20);
    qint64 at = headerSize;
    for (quint32 i = 0; i < l.ncmds; ++i) {
        const quint32 cmd = le32(slice, at);
        const quint32 size = le32(slice, at + 4);
        if (size < 8)
            throw std::runtime_error("bad load command size");
        if (cmd == segment64) {
            const QByteArray name = slice.mid(at + 8, 16);
            if (name == name16("__TEXT"))
                l.text = at;
            else if (name == name16("__LINKEDIT"))
                l.linkedit = at;
        } else if (cmd == codeSignature) {
            l.signature = at;
        }
        at += size;
    }
    if (l.text < 0 || l.linkedit < 0)
        throw std::runtime_error("Mach-O slice without __TEXT or __LINKEDIT");
    return l;
}

void setLinkeditFileSize(QByteArray& slice, const Layout& l, qint64 end)
{
    const quint64 fileoff = le64(slice, l.linkedit + 40);
    putLE64(slice, l.linkedit + 48, quint64(end) - fileoff);
    putLE64(slice, l.linkedit + 32, quint64(alignUp(end - qint64(fileoff), segmentAlign(MachOImage::architecture(slice)))));
}

} // namespace

QByteArray MachOImage::slice(Architecture architecture, const QString& seed, qint64 codeSize, quint32 fileType)
{
    const qint64 align = segmentAlign(architecture);
    const bool isExecute = fileType == execute;
    const quint64 base = isExecute ? 0x100000000ULL : 0;
    const qint64 textSize = alignUp(codeStart + codeSize, align);
    const QByteArray linkedit = QByteArray("__LINKEDIT of ").append(seed.toUtf8()).leftJustified(64, '\0', true);

    QByteArray commands;
    quint32 ncmds = 0;
    if (isExecute) {
        appendSegment(commands, "__PAGEZERO", 0, base, 0, 0, 0, 0);
        ++ncmds;
    }
    appendSegment(commands, "__TEXT", base, quint64(textSize), 0, quint64(textSize), 5, 1);
    commands.append(name16("__text"));
    commands.append(name16("__TEXT"));
    appendLE64(commands, base + codeStart);
    appendLE64(commands, quint64(codeSize));
    appendLE32(commands, quint32(codeStart));
    appendLE32(commands, 4);          // align 2^4
    appendLE32(commands, 0);          // reloff
    appendLE32(commands, 0);          // nreloc
    appendLE32(commands, 0x80000400); // pure instructions, some instructions
    appendLE32(commands, 0);
    appendLE32(commands, 0);
    appendLE32(commands, 0);
    ++ncmds;
    appendSegment(commands, "__LINKEDIT", base + quint64(textSize), quint64(alignUp(linkedit.size(), align)),
                  quint64(textSize), quint64(linkedit.size()), 1, 0);
    ++ncmds;

    QByteArray out;
    out.reserve(int(textSize + linkedit.size() + 0x4000));
    appendLE32(out, magic64);
    appendLE32(out, cpu(architecture).type);
    appendLE32(out, cpu(architecture).subtype);
    appendLE32(out, fileType);
    appendLE32(out, ncmds);
    appendLE32(out, quint32(commands.size()));
    appendLE32(out, 0x1 | 0x4 | 0x80 | (isExecute ? 0x200000 : 0)); // noundefs, dyldlink, twolevel, pie
    appendLE32(out, 0);
    out.append(commands);
    out.resize(codeStart, '\0');
    out.resize(codeStart + codeSize);
    const QByteArray archSeed = seed.toUtf8() + (architecture == Architecture::x86_64 ? "/x86_64" : "/arm64");
    fillPseudoRandom(out.data() + codeStart, codeSize, archSeed);
    out.resize(textSize, '\0');
    out.append(linkedit);
    return out;
}

QByteArray MachOImage::fat(const QList<QByteArray>& slices)
{
    QByteArray out;
    appendBE32(out, fatMagic);
    appendBE32(out, quint32(slices.size()));
    qint64 offset = alignUp(8 + 20 * slices.size(), qint64(1) << fatAlignLog2);
    QList<qint64> offsets;
    for (const QByteArray& s : slices) {
        appendBE32(out, le32(s, 4));
        appendBE32(out, le32(s, 8));
        appendBE32(out, quint32(offset));
        appendBE32(out, quint32(s.size()));
        appendBE32(out, fatAlignLog2);
        offsets.append(offset);
        offset = alignUp(offset + s.size(), qint64(1) << fatAlignLog2);
    }
    for (int i = 0; i < slices.size(); ++i) {
        out.resize(offsets.at(i), '\0');
        out.append(slices.at(i));
    }
    return out;
}

QList<QByteArray> MachOImage::slices(const QByteArray& image)
{
    if (image.size() >= 4 && readBE32(image, 0) == fatMagic) {
        QList<QByteArray> out;
        const quint32 count = readBE32(image, 4);
        for (quint32 i = 0; i < count; ++i) {
            const qint64 entry = 8 + 20 * qint64(i);
            const qint64 offset = readBE32(image, entry + 8);
            const qint64 size = readBE32(image, entry + 12);
            if (offset + size > image.size())
                throw std::runtime_error("fat slice past the end");
            out.append(image.mid(offset, size));
        }
        return out;
    }
    return {image};
}

QByteArray MachOImage::replaceSlices(const QByteArray& original, const QList<QByteArray>& slices)
{
    if (original.size() >= 4 && readBE32(original, 0) == fatMagic)
        return fat(slices);
    return slices.value(0);
}

Architecture MachOImage::architecture(const QByteArray& slice)
{
    return le32(slice, 4) == cpu(Architecture::arm64).type ? Architecture::arm64 : Architecture::x86_64;
}

QByteArray MachOImage::strip(const QByteArray& input)
{
    const Layout l = layout(input);
    if (l.signature < 0)
        return input;
    QByteArray slice = input;
    const quint32 dataoff = le32(slice, l.signature + 8);
    const quint32 size = le32(slice, l.signature + 4);
    const qint64 commandsEnd = headerSize + l.sizeofcmds;
    slice.remove(l.signature, size);
    slice.insert(commandsEnd - size, QByteArray(int(size), '\0'));
    putLE32(slice, 16, l.ncmds - 1);
    putLE32(slice, 20, l.sizeofcmds - size);
    slice.truncate(dataoff);
    setLinkeditFileSize(slice, layout(slice), dataoff);
    return slice;
}

QByteArray MachOImage::sign(const QByteArray& input, EmbeddedSignature::Input request, const SigningIdentity& identity)
{
    QByteArray slice = strip(input);
    Layout l = layout(slice);
    const qint64 commandsEnd = headerSize + l.sizeofcmds;
    const auto [textOffset, textSize] = textSection(slice);
    if (commandsEnd + 16 > textOffset)
        throw std::runtime_error("no room for LC_CODE_SIGNATURE");

    const qint64 linkeditEnd = qint64(le64(slice, l.linkedit + 40) + le64(slice, l.linkedit + 48));
    const qint64 dataoff = alignUp(linkeditEnd, 16);
    slice.resize(dataoff, '\0');

    request.base.codeLimit = dataoff;
    request.base.execSegBase = le64(slice, l.text + 40);
    request.base.execSegLimit = le64(slice, l.text + 48);
    request.base.execSegFlags = l.fileType == execute ? 1 : 0;
    const qint64 reserved = EmbeddedSignature::reservedSize(request, identity);

    QByteArray command;
    appendLE32(command, codeSignature);
    appendLE32(command, 16);
    appendLE32(command, quint32(dataoff));
    appendLE32(command, quint32(reserved));
    slice.replace(commandsEnd, 16, command);
    putLE32(slice, 16, l.ncmds + 1);
    putLE32(slice, 20, l.sizeofcmds + 16);
    setLinkeditFileSize(slice, l, dataoff + reserved);

    request.base.code = slice.constData();
    QByteArray signature = EmbeddedSignature::build(request, identity);
    signature.resize(reserved, '\0');
    slice.append(signature);
    return slice;
}

QByteArray MachOImage::signature(const QByteArray& slice)
{
    const Layout l = layout(slice);
    if (l.signature < 0)
        return {};
    const qint64 dataoff = le32(slice, l.signature + 8);
    const QByteArray area = slice.mid(dataoff, le32(slice, l.signature + 12));
    return area.left(readBE32(area, 4));
}

QPair<qint64, qint64> MachOImage::textSection(const QByteArray& slice)
{
    const Layout l = layout(slice);
    // The first section of __TEXT follows its 72-byte segment command.
    return {le32(slice, l.text + 72 + 48), qint64(le64(slice, l.text + 72 + 40))};
}

} // namespace hub::test
