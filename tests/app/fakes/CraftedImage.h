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

// A GIF of 35 bytes: one 1 x 1 frame on a 5792 x 5792 screen, which its decoder paints whole.
inline QByteArray gifOnLargeScreen()
{
    return QByteArray("GIF89a\xA0\x16\xA0\x16\x80\0\0" "\0\0\0\xFF\xFF\xFF" "\x2C\0\0\0\0\x01\0\x01\0\0" "\x02\x02\x44\x01\0\x3B", 35);
}

// An ICO whose one entry says 256 x 256 but holds a PNG of `canvas`, of one colour (about 100 KB for 5600 x 5600).
inline QByteArray icoHoldingPng(QSize canvas)
{
    QImage picture(canvas, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "png"))
        return {};
    QByteArray directory("\0\0\x01\0\x01\0" "\0\0\0\0\x01\0\x20\0" "size" "\x16\0\0\0", 22); // 32 bits, at 22
    qToLittleEndian(quint32(png.size()), directory.data() + 14);
    return directory + png;
}

} // namespace hub::test
