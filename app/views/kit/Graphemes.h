#pragma once

#include <QString>
#include <QStringList>

namespace hub {

// The first user-perceived character of `text` (a whole emoji or combined
// character), unchanged; empty for empty text.
QString firstGrapheme(const QString& text);
// Every user-perceived character of `text`, in order.
QStringList graphemes(const QString& text);

} // namespace hub
