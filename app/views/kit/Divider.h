#pragma once

class QWidget;

namespace hub {

// A one-pixel separator line in the faint primary colour, starting `indent` pixels
// from the leading edge.
namespace Divider {

QWidget* make(QWidget* parent, int indent = 0);

} // namespace Divider

} // namespace hub
