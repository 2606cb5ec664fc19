#pragma once

class QWidget;

namespace hub {

// Brings the app's window to the user, as a second start or a link asks: a minimized
// window is restored (to the size it had), raised and activated. Where the window
// manager keeps the focus elsewhere, the window asks for attention instead.
void bringForward(QWidget& window);

} // namespace hub
