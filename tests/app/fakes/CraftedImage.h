#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

namespace hub::test {

// A JPEG of a few hundred bytes whose frame header declares `canvas`: a 16 x 16 picture with
// its size patched, so that the scan data runs out long before the canvas is filled. Empty
// when it cannot be made.
inline QByteArray jpegDeclaring(QSize canvas, bool progressive)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(10);
    writer.setOptimizedWrite(true);
    writer.setProgressiveScanWrite(progressive);
    // The frame header: marker, length (2), precision (1), height (2), width (2).
    const qsizetype at = writer.write(picture) ? bytes.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0") : -1;
    if (at < 0)
        return {};
    bytes[at + 5] = char(canvas.height() >> 8);
    bytes[at + 6] = char(canvas.height());
    bytes[at + 7] = char(canvas.width() >> 8);
    bytes[at + 8] = char(canvas.width());
    return bytes;
}

} // namespace hub::test
