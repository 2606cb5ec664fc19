#include "app/shell/BringForward.h"

#include <QApplication>
#include <QWidget>

namespace hub {

void bringForward(QWidget& window)
{
    // Maximized or full screen stays so.
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
    // Nothing while the window is active; else it asks for attention until it is.
    QApplication::alert(&window);
}

} // namespace hub
