#pragma once

class QScrollArea;
class QWidget;

namespace hub {

// The pieces the library screens' lists are made of.
namespace ListParts {

// A frameless vertical scroller around `content`, sized to its width.
QScrollArea* scrollPage(QWidget* content);

} // namespace ListParts

} // namespace hub
