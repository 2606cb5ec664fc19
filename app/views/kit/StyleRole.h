#pragma once

class QWidget;

namespace hub {

// The variant of a control's look that a widget asks the style for with its `role`
// property (see Theme::setRole).
enum class StyleRole { none, prominent, regular, link, overlayLink, segment, trackSegment, track, symbol, menu, card, tag, material, clear, field };

StyleRole styleRole(const QWidget* widget);
inline bool hasStyleRole(const QWidget* widget, StyleRole role) { return styleRole(widget) == role; }

} // namespace hub
