#pragma once

class QWidget;

namespace hub {

class SearchField;

// Puts the typing focus into the search field of the active window (else of the
// first visible main window); nothing without a window or a field.
namespace SearchFocus {

void focus();
// The first SearchField in `root`'s tree, depth first, in child order.
SearchField* find(QWidget* root);

} // namespace SearchFocus

} // namespace hub
