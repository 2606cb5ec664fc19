#pragma once

#include <QImage>
#include <QSet>

namespace hub::test {

// How many colours a sample grid of the image holds: a drawn window has many, a blank
// one a handful.
inline qsizetype sampledColours(const QImage& image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            seen.insert(image.pixel(x, y));
    return seen.size();
}

} // namespace hub::test
