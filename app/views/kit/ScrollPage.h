#pragma once

#include <QScrollArea>

namespace hub {

// The vertical scroll view of a page: frameless, its content as wide as the view.
namespace ScrollPage {

QScrollArea* make(QWidget* content, QWidget* parent);

} // namespace ScrollPage

} // namespace hub
