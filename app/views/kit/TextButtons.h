#pragma once

#include <QPushButton>

namespace hub {

// The app's text buttons in their three looks: filled with the accent colour (the one
// call to action of a card or page), the regular one, and a link. The looks are the
// app style's (HubStyle); these only pick one.
namespace TextButtons {

enum class Size { small, regular, large };

QPushButton* prominent(const QString& title, QWidget* parent = nullptr);
QPushButton* regular(const QString& title, QWidget* parent = nullptr);
QPushButton* link(const QString& title, QWidget* parent = nullptr);

// The same looks for a button made elsewhere; its font is left as it is.
QPushButton* asProminent(QPushButton* button, Size size = Size::regular);
// Red text when `destructive`; the text on the leading edge when `leading`.
QPushButton* asRegular(QPushButton* button, bool destructive = false, bool leading = false);
QPushButton* asLink(QPushButton* button);

} // namespace TextButtons

} // namespace hub
