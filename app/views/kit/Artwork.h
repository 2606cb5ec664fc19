#pragma once

#include <QPainter>
#include <QSizeF>

namespace hub {

// The app's own artwork: the mark and the wordmark.
namespace Artwork {

inline constexpr const char* mark = ":/TavrenMark.svg";
inline constexpr const char* wordmark = ":/TavrenWordmark.svg";

// The drawing fitted into `rect`, aspect kept, centred.
void paint(QPainter& painter, const char* artwork, const QRectF& rect);
// Its width at `height`.
double widthAt(const char* artwork, double height);

} // namespace Artwork

} // namespace hub
