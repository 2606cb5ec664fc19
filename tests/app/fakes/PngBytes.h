#pragma once

#include <QBuffer>
#include <QImage>

namespace hub::test {

// The image saved as PNG.
inline QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace hub::test
