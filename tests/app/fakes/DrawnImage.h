#pragma once

#include <QImage>
#include <QRect>
#include <QSet>
#include <algorithm>
#include <cstdlib>

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

// The largest change of brightness (0 to 255) between two drawings of the same widget
// within `area`: a ring that shows changes some pixel by far more than a few steps.
inline int largestChange(const QImage& before, const QImage& after, const QRect& area)
{
    int largest = 0;
    const QRect within = area & before.rect() & after.rect();
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            largest = std::max(largest, std::abs(qGray(before.pixel(x, y)) - qGray(after.pixel(x, y))));
    return largest;
}

} // namespace hub::test
