#pragma once

class QFrame;
class QScrollArea;
class QWidget;

namespace hub {

// The pieces the library screens' lists are made of.
namespace ListParts {

// A one-pixel separator, indented by `inset` on the leading edge.
QWidget* divider(int inset = 0);
// A frameless vertical scroller around `content`, sized to its width.
QScrollArea* scrollPage(QWidget* content);

} // namespace ListParts

} // namespace hub
