#pragma once

#include <QAccessible>

class QWidget;

namespace hub {

// What assistive technology is told about our own widgets.
namespace Accessibility {

// Leaves `widget` and everything inside it out of the accessibility tree: it reports
// itself invisible, with no name and no children. Call before the widget is shown.
void hide(QWidget* widget);
bool isHidden(const QWidget* widget);

// The role a plain widget of ours reports instead of a bare container's (a grid's cell
// reads as a list item, a spinner as an animation). An alert (AlertMessage) is said by the
// screen reader as it is shown: errors and results. Call before the widget is shown.
void setRole(QWidget* widget, QAccessible::Role role);
// Reports `widget` busy while it stands for work under way (a spinner, a skeleton).
void setBusy(QWidget* widget, bool busy);

// Adds the interfaces `factory` makes for a widget class of ours, once however often it
// is called (main thread only). A factory added later is asked first.
void addFactory(QAccessible::InterfaceFactory factory);

} // namespace Accessibility

} // namespace hub
