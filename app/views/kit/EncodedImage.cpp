#include "app/views/kit/EncodedImage.h"

#include <QList>
#include <QtEndian>
#include <QtMath>
#include <algorithm>
#include <cstring>
#include <utility>

namespace hub {

namespace {

qint64 area(QSize size) { return qint64(size.width()) * size.height(); }

// What a decode holds besides its images: the decoders' rows and tables, zlib's window.
constexpr qint64 decoderState = 4 << 20;

// An arithmetic-coded coefficient costs libjpeg about nine times what one of Huffman codes does.
constexpr int arithmeticCost = 9;

// `pieces` one after the other, in a copy of their size alone; `bytes` themselves when the pieces are all of them in turn.
QByteArray joined(const QByteArray& bytes, const QList<QByteArrayView>& pieces)
{
    qsizetype size = 0;
    bool whole = true;
    for (QByteArrayView each : pieces) {
        whole = whole && each.data() == bytes.constData() + size;
        size += each.size();
    }
    if (whole && size == bytes.size())
        return bytes;
    QByteArray copy;
    copy.reserve(size);
    for (QByteArrayView each : pieces)
        copy.append(each);
    return copy;
}

bool isLetters(QByteArrayView type)
{
    return std::all_of(type.begin(), type.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

std::optional<EncodedImage> readPng(const QByteArray& bytes)
{
    EncodedImage png;
    int depth = 0;
    int colour = 0;
    bool interlaced = false;
    bool transparency = false;
    QList<QByteArrayView> kept = {QByteArrayView(bytes).first(8)};
    for (qsizetype at = 8; at + 8 <= bytes.size();) {
        const auto length = qFromBigEndian<quint32>(bytes.constData() + at);
        const QByteArrayView type(bytes.constData() + at + 4, 4);
        // A chunk cut short by the end of the bytes is passed on as it is: the reader ends there.
        const QByteArrayView chunk = QByteArrayView(bytes).sliced(at, std::min<qsizetype>(12 + qint64(length), bytes.size() - at));
        if (length > 0x7FFFFFFF || !isLetters(type))
            return std::nullopt;
        if (at == 8) {
            if (type != "IHDR" || length != 13 || chunk.size() < 21)
                return std::nullopt;
            const auto* header = reinterpret_cast<const uchar*>(chunk.data() + 8);
            const auto width = qFromBigEndian<quint32>(header);
            const auto height = qFromBigEndian<quint32>(header + 4);
            depth = header[8];
            colour = header[9];
            interlaced = header[12] == 1;
            const bool power = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
            const bool matches = colour == 0 || (colour == 3 && depth <= 8) || ((colour == 2 || colour == 4 || colour == 6) && depth >= 8);
            if (width - 1 >= 0x7FFFFFFF || height - 1 >= 0x7FFFFFFF || !power || !matches || header[10] != 0 || header[11] != 0 || header[12] > 1)
                return std::nullopt;
            png.canvas = QSize(int(width), int(height));
        }
        const bool critical = type[0] <= 'Z';
        if (critical && type != "IHDR" && type != "PLTE" && type != "IDAT" && type != "IEND")
            return std::nullopt; // libpng refuses what it does not know of these
        if (type == "tRNS" && colour == 2 && depth == 16 && length == 6 && chunk.size() == 18) {
            // Qt's reader scrambles 16-bit RGB with a colour key: decode() applies it instead.
            const auto* key = reinterpret_cast<const uchar*>(chunk.data() + 8);
            png.colourKey = QRgba64::fromRgba64(qFromBigEndian<quint16>(key), qFromBigEndian<quint16>(key + 2), qFromBigEndian<quint16>(key + 4), 0xFFFF);
        } else if (critical || (type == "tRNS" && length <= 256)) {
            transparency = transparency || type == "tRNS";
            kept.append(chunk);
        }
        at += chunk.size();
        if (type == "IEND")
            break;
    }
    if (png.canvas.isEmpty())
        return std::nullopt;
    png.readable = joined(bytes, kept);
    png.pixelBytes = depth == 16 ? (colour == 0 && !transparency ? 2 : 8) : (colour == 0 || colour == 3 ? 1 : 4);
    png.scalesRows = depth == 8 && colour != 0 && colour != 3 && !interlaced;
    return png;
}

// What a JPEG's reader is given of its first APP1: an Exif of the orientation alone, when the Exif turns the image
// (read as Qt's reader reads it: the first orientation of the first ten IFDs, each further on than the last).
QByteArray exifOrientation(QByteArrayView app1)
{
    if (!app1.startsWith(QByteArrayView("Exif\0\0", 6)) || app1.size() < 14)
        return {};
    const QByteArrayView tiff = app1.sliced(6);
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return {};
    const auto read16 = [&](qsizetype at) { return little ? qFromLittleEndian<quint16>(tiff.data() + at) : qFromBigEndian<quint16>(tiff.data() + at); };
    const auto read32 = [&](qsizetype at) { return little ? qFromLittleEndian<quint32>(tiff.data() + at) : qFromBigEndian<quint32>(tiff.data() + at); };
    if (read16(2) != 0x2A)
        return {};
    qint64 end = 8;
    for (qint64 ifd = read32(4), count = 0; count < 10 && ifd >= end && ifd + 2 <= tiff.size(); ++count) {
        const int entries = read16(ifd);
        end = ifd + 2 + 12 * qint64(entries);
        for (qint64 entry = ifd + 2; entry + 12 <= std::min<qint64>(end, tiff.size()); entry += 12) {
            if (read16(entry) != 0x112)
                continue;
            const quint16 orientation = read16(entry + 8);
            if (read16(entry + 2) != 3 || read32(entry + 4) != 1 || orientation < 2 || orientation > 8)
                return {};
            QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\0\0\0\0\0\0\0\0", 32);
            qToLittleEndian(orientation, exif.data() + 24);
            return exif;
        }
        if (end + 4 > tiff.size())
            return {};
        ifd = read32(end);
        end += 4;
    }
    return {};
}

std::optional<EncodedImage> readJpeg(const QByteArray& bytes)
{
    struct Component {
        uchar id;
        int across;
        int down;
    };
    QList<Component> frame;
    EncodedImage jpeg;
    jpeg.format = EncodedImage::Format::Jpeg;
    bool progressive = false;
    bool arithmetic = false;
    int firstScan = 0;
    // What the reader is given, and the segments rebuilt for it.
    QList<QByteArrayView> kept = {QByteArrayView(bytes).first(2)};
    QList<QByteArray> rebuilt;
    bool exifSeen = false;
    const auto keep = [&](uchar marker, QByteArrayView payload) {
        QByteArray segment = QByteArray("\xFF") + char(marker) + QByteArray(2, '\0') + payload.toByteArray();
        qToBigEndian(quint16(payload.size() + 2), segment.data() + 2);
        rebuilt.append(segment);
        kept.append(rebuilt.last());
    };
    // The blocks of a component, padded to whole units of the frame's largest sampling.
    const auto blocksOf = [&](const Component& component) {
        int across = 1;
        int down = 1;
        for (const Component& each : frame) {
            across = std::max(across, each.across);
            down = std::max(down, each.down);
        }
        return qint64((jpeg.canvas.width() + 8 * across - 1) / (8 * across)) * component.across
            * ((jpeg.canvas.height() + 8 * down - 1) / (8 * down)) * component.down;
    };
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype at = 2; at < size;) {
        // A marker follows an 0xFF and any fill; libjpeg passes over whatever else stands before one.
        const auto* mark = static_cast<const uchar*>(std::memchr(data + at, 0xFF, size_t(size - at)));
        if (!mark)
            break;
        for (at = mark - data; at < size && data[at] == 0xFF;)
            ++at;
        if (at >= size)
            break;
        const qsizetype start = at - 1;
        const uchar marker = data[at++];
        if (marker == 0xD9) { // the end of the image
            kept.append(QByteArrayView(bytes).sliced(start, 2));
            break;
        }
        if (marker == 0x00)
            continue;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // markers without a segment
            kept.append(QByteArrayView(bytes).sliced(start, 2));
            continue;
        }
        const bool application = (marker & 0xF0) == 0xE0 || marker == 0xFE;
        if (size - at < 2 || qFromBigEndian<quint16>(data + at) < 2 || qFromBigEndian<quint16>(data + at) > size - at) {
            if (!application)
                kept.append(QByteArrayView(bytes).sliced(start));
            break; // libjpeg meets the end of the bytes there
        }
        const uchar* segment = data + at + 2;
        const int length = qFromBigEndian<quint16>(data + at) - 2;
        const QByteArrayView payload(segment, length);
        at += length + 2;
        if (application) {
            // Of application data, only what libjpeg and Qt's reader make the pixels of, each rebuilt alone: JFIF's
            // header without its thumbnail, Adobe's colour transform, the first APP1's Exif orientation.
            if (marker == 0xE0 && payload.startsWith(QByteArrayView("JFIF\0", 5)) && length >= 14) {
                QByteArray header = payload.first(14).toByteArray();
                header[12] = header[13] = 0;
                keep(marker, header);
            } else if (marker == 0xEE && payload.startsWith("Adobe") && length >= 12) {
                keep(marker, payload.first(12));
            } else if (marker == 0xE1 && !std::exchange(exifSeen, true)) {
                if (const QByteArray exif = exifOrientation(payload); !exif.isEmpty())
                    keep(marker, exif);
            }
            continue;
        }
        kept.append(QByteArrayView(bytes).sliced(start, at - start));
        if ((marker & 0xF0) == 0xC0 && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            // A frame: baseline, extended or progressive, Huffman or arithmetic, of 8 bits; one at most.
            const int count = length >= 6 ? segment[5] : 0;
            const bool decoded = marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
            if (!frame.isEmpty() || !decoded || segment[0] != 8 || (count != 1 && count != 3 && count != 4) || length < 6 + 3 * count)
                return std::nullopt;
            jpeg.canvas = QSize(qFromBigEndian<quint16>(segment + 3), qFromBigEndian<quint16>(segment + 1));
            for (const uchar* each = segment + 6; each < segment + 6 + 3 * count; each += 3) {
                frame.append({each[0], each[1] >> 4, each[1] & 15});
                if (frame.last().across < 1 || frame.last().across > 4 || frame.last().down < 1 || frame.last().down > 4)
                    return std::nullopt;
            }
            progressive = marker == 0xC2 || marker == 0xCA;
            arithmetic = marker == 0xC9 || marker == 0xCA;
        } else if (marker == 0xDA) {
            const int count = length >= 1 ? segment[0] : 0;
            if (frame.isEmpty() || count < 1 || length < 1 + 2 * count + 3)
                return std::nullopt;
            if (jpeg.scans++ == 0)
                firstScan = count;
            // Each block of the scan decodes every coefficient of its band (a sequential scan all 64, a DC scan of a
            // progression one), in a first pass or a refinement alike.
            const int first = segment[1 + 2 * count];
            const int last = segment[2 + 2 * count];
            const int band = !progressive ? 64 : first == 0 ? 1 : std::clamp(last - first + 1, 1, 63);
            for (const uchar* each = segment + 1; each < segment + 1 + 2 * count; each += 2) {
                const auto found = std::find_if(frame.begin(), frame.end(), [&](const Component& c) { return c.id == *each; });
                if (found == frame.end())
                    return std::nullopt;
                jpeg.scanCost += blocksOf(*found) * band;
            }
            // Past the scan's coded data, to the next marker that is neither a stuffed 0 nor a restart.
            for (;; at += 2) {
                const auto* next = at + 1 < size ? static_cast<const uchar*>(std::memchr(data + at, 0xFF, size_t(size - at - 1))) : nullptr;
                at = next ? next - data : size;
                if (!next || (next[1] != 0 && (next[1] & 0xF8) != 0xD0))
                    break;
            }
            kept.last() = QByteArrayView(bytes).sliced(start, at - start);
        }
    }
    if (frame.isEmpty() || jpeg.scans == 0)
        return std::nullopt;
    jpeg.components = int(frame.size());
    if (arithmetic)
        jpeg.scanCost *= arithmeticCost;
    // Several scans: libjpeg keeps every block's 64 coefficients of 2 bytes until the last.
    if (progressive || firstScan < frame.size()) {
        for (const Component& each : frame)
            jpeg.coefficientBytes += blocksOf(each) * 64 * 2;
    }
    jpeg.readable = joined(bytes, kept);
    return jpeg;
}

// As Qt's reader picks libjpeg's scale: the least eighth of the canvas that covers the target.
QSize jpegRead(QSize canvas, QSize target)
{
    const double factor = qMin(double(canvas.width()) / target.width(), double(canvas.height()) / target.height());
    const int eighths = qBound(1, qCeil(8 / factor), 8);
    return QSize(int((qint64(canvas.width()) * eighths + 7) / 8), int((qint64(canvas.height()) * eighths + 7) / 8));
}

} // namespace

std::optional<EncodedImage> EncodedImage::read(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return readPng(bytes);
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return readJpeg(bytes);
    return std::nullopt;
}

void EncodedImage::applyColourKey(QImage& image) const
{
    if (!colourKey)
        return;
    if (image.format() != QImage::Format_RGBX64 || !image.reinterpretAsFormat(QImage::Format_RGBA64))
        image.convertTo(QImage::Format_RGBA64);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgba64*>(image.scanLine(y));
        for (QRgba64* pixel = row; pixel < row + image.width(); ++pixel) {
            if (pixel->red() == colourKey->red() && pixel->green() == colourKey->green() && pixel->blue() == colourKey->blue())
                *pixel = QRgba64::fromRgba64(0);
        }
    }
}

QByteArray EncodedImage::readerFormat() const { return format == Format::Png ? "png" : "jpeg"; }

bool EncodedImage::readerScales(QSize target) const
{
    return target != canvas && (format == Format::Jpeg || scalesRows);
}

qint64 EncodedImage::peakBytes(QSize target) const
{
    const qint64 held = readable.size() + decoderState;
    if (format == Format::Jpeg) {
        const QSize read = readerScales(target) ? jpegRead(canvas, target) : canvas;
        const qint64 image = area(read) * (components == 1 ? 1 : 4);
        // libjpeg lets go of its coefficients before the image read is scaled (a grey one brought to
        // 4 bytes a pixel first) and turned upright.
        qint64 after = image + area(target) * 4;
        if (read != target)
            after += area(target) * 4 + (components == 1 ? area(read) * 4 : 0);
        return held + std::max(coefficientBytes + image, after);
    }
    if (readerScales(target))
        return held + area(target) * 4;
    // 16 bits a channel are scaled at 8 bytes a pixel, then brought to 4; fewer than 4 bytes a pixel
    // are brought to the scaled format whole first.
    const bool deep = pixelBytes >= 2;
    qint64 peak = held + area(canvas) * pixelBytes + (deep ? area(target) * 4 : 0);
    if (target != canvas)
        peak += area(target) * (deep ? 8 : 4) + (pixelBytes < 4 ? area(canvas) * (deep ? 8 : 4) : 0);
    return peak;
}

} // namespace hub
