#pragma once

#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

namespace hub {

// What the hub's small panels (About, the answer of a check for updates) share.
namespace PanelParts {

// The panel's column, 340 pixels wide, headed by the hub's icon (from the desktop's theme,
// else its mark) over `title` in bold; the caller adds the rest.
QVBoxLayout* column(QWidget* panel, const QString& title);
// `text` that no line breaks inside (an address kept whole).
QString unbroken(const QString& text);

} // namespace PanelParts

} // namespace hub
