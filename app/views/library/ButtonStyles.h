#pragma once

class QAbstractButton;
class QPushButton;

namespace hub {

// The button looks of the library screens, on plain push buttons.
namespace ButtonStyles {

// Filled with the accent colour, white text.
QPushButton* prominent(QPushButton* button, bool large = false);
// A light bordered button; red text when destructive.
QPushButton* bordered(QPushButton* button, bool destructive = false);
// Accent-coloured text without a frame.
QPushButton* link(QPushButton* button);

} // namespace ButtonStyles

} // namespace hub
