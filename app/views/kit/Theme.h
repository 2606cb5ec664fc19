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
// Gives `widget` the app style's look for `role`: "prominent", "regular" and "link" push
// buttons, "segment" and "trackSegment" buttons on a "track", "symbol" and "menu" tool
// buttons, "card", "tag" and "material" surfaces, "clear" scroll areas, "field" inputs.
void setRole(QWidget* widget, const char* role);
// Draws `app` in the dark look: the app's style (HubStyle) under the palette.
void apply(QApplication& app);

} // namespace Theme

} // namespace hub
