#pragma once

#include <QColor>

class QWidget;

namespace hub {

// A one-pixel separator line in the faint primary colour (or `colour`), starting
// `indent` pixels from the leading edge. Its length follows the layout; the caller
// fixes the other side for a vertical one.
namespace Divider {

QWidget* make(QWidget* parent, int indent = 0);
QWidget* make(QWidget* parent, int indent, const QColor& colour);

} // namespace Divider

} // namespace hub
