#pragma once

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

namespace crafted {

inline void appendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int at = 0; at < size; ++at)
        bytes.append(char(value >> (8 * at) & 0xFF));
}

} // namespace crafted

// A GIF of 35 bytes: one 1 x 1 frame on a logical screen of `screen`, which its decoder paints whole.
inline QByteArray gifOnScreen(QSize screen)
{
    QByteArray bytes("GIF89a");
    crafted::appendLittleEndian(bytes, quint32(screen.width()), 2);
    crafted::appendLittleEndian(bytes, quint32(screen.height()), 2);
    bytes.append("\x80\0\0" "\0\0\0\xFF\xFF\xFF", 9); // a global table of two colours
    bytes.append("\x2C\0\0\0\0\x01\0\x01\0\0", 10); // the frame: at 0, 0, 1 x 1
    bytes.append("\x02\x02\x44\x01\0\x3B", 6); // its one pixel, the end
    return bytes;
}

// An ICO whose one entry declares 256 x 256 and holds a PNG of `canvas`, of one colour (about 120 KB for 5600 x 5600).
inline QByteArray icoHoldingPng(QSize canvas)
{
    QByteArray png;
    {
        QImage picture(canvas, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "png").write(picture))
            return {};
    }
    QByteArray bytes("\0\0\x01\0\x01\0" "\0\0\0\0\x01\0\x20\0", 14); // one image; 256 x 256, 32 bits
    crafted::appendLittleEndian(bytes, quint32(png.size()), 4);
    crafted::appendLittleEndian(bytes, 22, 4); // where the PNG starts
    return bytes + png;
}

} // namespace hub::test
