#pragma once

class QWidget;

namespace hub {

// Errors and results that a screen reader says as they appear. A marked widget reads
// as an alert named by its accessible name; the desktop's bridge tells the screen
// reader when an alert is shown, which is when it is said.
namespace Announcement {

// Makes `widget` an alert; call before anything asks for its accessibility (setting its
// accessible name does).
void mark(QWidget* widget);

} // namespace Announcement

} // namespace hub
