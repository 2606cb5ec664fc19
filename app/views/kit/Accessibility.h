#pragma once

class QWidget;

namespace hub {

// What assistive technology is told about our own widgets.
namespace Accessibility {

// Leaves `widget` and everything inside it out of the accessibility tree: it reports
// itself invisible, with no name and no children. Call before the widget is shown.
void hide(QWidget* widget);
bool isHidden(const QWidget* widget);

} // namespace Accessibility

} // namespace hub
