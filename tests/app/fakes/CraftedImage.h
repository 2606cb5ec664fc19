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

} // namespace hub::test
