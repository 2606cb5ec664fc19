#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QPalette>
#include <QRectF>
#include <QString>

class QApplication;
class QWidget;

namespace hub {

// The app's fixed colours and its brand gradient. The app is dark.
namespace Theme {

QColor accent();
QColor violet();
QColor magenta();
QColor orange();
// Leading to trailing edge of `rect`, through three evenly spaced colours of its own.
QLinearGradient brand(const QRectF& rect);

// The text and fill colours of the dark look.
QColor primary();          // text, and the base of translucent fills
QColor secondary();        // secondary text and symbols
QColor primary(double opacity); // the primary colour at that opacity
QColor green();
QColor red();
QColor systemOrange();
QColor windowBackground();
QColor materialBackground(); // the banner's regular material

// The palette the whole app is drawn with.
QPalette darkPalette();
// The one style sheet of the app's own controls: push buttons (the default button of a
// dialog in the accent colour), thin scroll bars without arrows, underlined tabs, and the
// variants a widget asks for with its `role` property (see setRole).
QString styleSheet();
// Gives `widget` the sheet's look for `role`: "prominent", "regular" and "link" push
// buttons, "segment" and "trackSegment" buttons on a "track", "symbol" and "menu" tool
// buttons, "card", "tag" and "material" surfaces, "clear" scroll areas, "field" inputs.
void setRole(QWidget* widget, const char* role);
// Draws `app` in the dark look: Fusion under the palette and the style sheet above.
void apply(QApplication& app);

} // namespace Theme

} // namespace hub
