#pragma once

#include <QString>

namespace hub {

// The first user-perceived character of `text` (a whole emoji or combined
// character), unchanged; empty for empty text.
QString firstGrapheme(const QString& text);

} // namespace hub
