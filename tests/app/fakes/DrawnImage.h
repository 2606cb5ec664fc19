#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QSet>
#include <QWidget>
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

// Whether `widget` drawn now differs from `before` within `area` by far more than a few steps in a
// colour channel (0 to 255): a focus ring shows, not a faint fill.
inline bool ringShows(QWidget& widget, const QImage& before, const QRect& area)
{
    QCoreApplication::processEvents();
    const QImage after = widget.grab().toImage();
    const QRect within = area & before.rect() & after.rect();
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            const QRgb a = before.pixel(x, y), b = after.pixel(x, y);
            if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}) > 60)
                return true;
        }
    }
    return false;
}

} // namespace hub::test
