#pragma once

#include <QFont>
#include <optional>

namespace hub {

// The text styles the screens name, each with its one size (in pixels, which are
// the screens' points) and weight.
enum class TextStyle { largeTitle, pageTitle, title2, title3, headline, body, callout, subheadline, footnote, caption };

namespace Typography {

int pixelSize(TextStyle style);
QFont::Weight weight(TextStyle style);
// The system font in that style; `weight` overrides the style's own.
QFont font(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
// The system font at an arbitrary size (the monogram, the avatar's initial).
QFont font(double pixelSize, QFont::Weight weight);
// `font` with digits of one width, so counts and prices do not shift as they change:
// the font itself when its digits already are (the usual system fonts), else the same
// size and weight in a sans family whose digits are.
QFont monospacedDigits(const QFont& font);

} // namespace Typography

} // namespace hub
