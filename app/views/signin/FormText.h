#pragma once

#include <QString>

namespace hub {

// The text rules the sign-in forms share.
namespace FormText {

// `text` without leading and trailing space separators and tabs; line breaks stay.
QString trimmed(const QString& text);
// The characters of `text` (as the user sees them) whose first code point has a
// numeric type: digits of every script, fractions, circled numbers.
int numberCount(const QString& text);
// The characters of `text` as the user sees them.
int characterCount(const QString& text);

} // namespace FormText

} // namespace hub
