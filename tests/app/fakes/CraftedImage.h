#pragma once

#include "tests/testkit/Crc32.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

namespace hub::test {

// A JPEG of a few hundred bytes, a 16 x 16 picture whose frame header declares `canvas`; empty when it cannot be made.
inline QByteArray jpegDeclaring(QSize canvas, bool progressive)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(10);
    writer.setOptimizedWrite(true);
    writer.setProgressiveScanWrite(progressive);
    // The frame header: marker (2), length (2), precision (1), height (2), width (2).
    const qsizetype at = buffer.open(QIODevice::WriteOnly) && writer.write(picture) ? bytes.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0") : -1;
    if (at < 0)
        return {};
    qToBigEndian(quint16(canvas.height()), bytes.data() + at + 5);
    qToBigEndian(quint16(canvas.width()), bytes.data() + at + 7);
    return bytes;
}

// A progressive JPEG in CMYK declaring `canvas`, of 133 bytes for one scan: its tables, then `scans` scans of the
// components' DC, each of a header alone.
inline QByteArray cmykJpegDeclaring(QSize canvas, int scans = 1)
{
    QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xDB\0\x43\0", 7) + QByteArray(64, '\x01')
        + QByteArray("\xFF\xC2\0\x14\x08hhww\x04\x01\x11\0\x02\x11\0\x03\x11\0\x04\x11\0\xFF\xC4\0\x14\0\x01", 28) + QByteArray(16, '\0')
        + QByteArray("\xFF\xDA\0\x0E\x04\x01\0\x02\0\x03\0\x04\0\0\0\0", 16).repeated(scans) + "\xFF\xD9";
    qToBigEndian(quint16(canvas.height()), jpeg.data() + 76);
    qToBigEndian(quint16(canvas.width()), jpeg.data() + 78);
    return jpeg;
}

// A PNG chunk: length, type, data, CRC.
inline QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk = QByteArray(4, '\0') + type + data + QByteArray(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    qToBigEndian(crc32Of(chunk.sliced(4, data.size() + 4)), chunk.end() - 4);
    return chunk;
}

// A PNG in RGBA (or grey, 0; RGB, 2; grey and alpha, 4) of `canvas`, every pixel 0, `depth` bits a channel,
// compressed about 1000 to 1 (110 KB for 5120 x 2880 at 16 bits), with `texts` zTXt chunks before its data, each
// inflating to 7.5 MB.
inline QByteArray pngOfZeros(QSize canvas, int depth, int texts = 0, int colour = 6)
{
    const int channels = colour == 0 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : 4;
    const auto zeros = [](qint64 size) { return qCompress(QByteArray(size, '\0'), 9).sliced(4); };
    QByteArray header(13, '\0');
    qToBigEndian(quint32(canvas.width()), header.data());
    qToBigEndian(quint32(canvas.height()), header.data() + 4);
    header[8] = char(depth);
    header[9] = char(colour);
    return "\x89PNG\r\n\x1A\n" + pngChunk("IHDR", header) + pngChunk("zTXt", QByteArray("Comment\0\0", 9) + zeros(7'500'000)).repeated(texts)
        + pngChunk("IDAT", zeros((1 + canvas.width() * channels * depth / 8) * qint64(canvas.height()))) + pngChunk("IEND", {});
}

// A GIF of 35 bytes: one 1 x 1 frame on a 8192 x 8192 screen, which its decoder paints whole.
inline QByteArray gifOnLargeScreen()
{
    return QByteArray("GIF89a\0\x20\0\x20\x80\0\0" "\0\0\0\xFF\xFF\xFF" "\x2C\0\0\0\0\x01\0\x01\0\0" "\x02\x02\x44\x01\0\x3B", 35);
}

// A JPEG of a 227 x 149 picture (or `canvas`) with `count` segments of `marker` after its start, each of the most
// a segment holds (65533 bytes): comments (0xFE) or ICC profile parts (0xE2). 120 comments make about 7.9 MB.
inline QByteArray jpegWithSegments(uchar marker, int count, QSize canvas = {227, 149})
{
    QImage picture(canvas, QImage::Format_RGB32);
    picture.fill(QColor(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "jpeg").write(picture))
        return {};
    QByteArray segments;
    for (int index = 0; index < count; ++index) {
        QByteArray segment = QByteArray("\xFF") + char(marker) + "\xFF\xFF";
        if (marker == 0xE2)
            segment += QByteArray("ICC_PROFILE\0", 12) + char(index + 1) + char(count);
        segments += segment + QByteArray(65537 - segment.size(), marker == 0xFE ? 'c' : '\0');
    }
    return bytes.insert(2, segments);
}

// A progressive grey JPEG of `canvas`, arithmetic-coded, of headers alone (700 bytes for 64 scans): a DC scan, then
// `scans` - 1 scans of coefficients 1-63, by turns a first pass to bit 1 and its refinement, which the decoder works
// through for every block however little the bytes hold.
inline QByteArray arithmeticProgressiveJpeg(QSize canvas = {4096, 4096}, int scans = 64)
{
    QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xDB\0\x43\0", 7) + QByteArray(64, '\x01')
        + QByteArray("\xFF\xCA\0\x0B\x08hhww\x01\x01\x11\0\xFF\xDA\0\x08\x01\x01\0\0\0\0", 23);
    for (int scan = 1; scan < scans; ++scan)
        jpeg += QByteArray("\xFF\xDA\0\x08\x01\x01\0\x01\x3F", 9) + char(scan % 2 ? 0x01 : 0x10);
    qToBigEndian(quint16(canvas.height()), jpeg.data() + 76);
    qToBigEndian(quint16(canvas.width()), jpeg.data() + 78);
    return jpeg + "\xFF\xD9";
}

// An ICO whose one entry says 256 x 256 but holds a PNG of `canvas`, of one colour (about 100 KB for 6000 x 6000).
inline QByteArray icoHoldingPng(QSize canvas)
{
    const QByteArray png = pngOfZeros(canvas, 8);
    QByteArray directory("\0\0\x01\0\x01\0" "\0\0\0\0\x01\0\x20\0" "size" "\x16\0\0\0", 22); // 32 bits, at 22
    qToLittleEndian(quint32(png.size()), directory.data() + 14);
    return directory + png;
}

} // namespace hub::test
