#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace hub {

// Text rules of the catalog search and of the model's name orders.
namespace SearchText {

// Case, diacritics and character width folded away, no locale: "É", "é", "e" and
// a full-width "ｅ" all fold to "e".
QString fold(const QString& text);
// The pieces between whitespace characters (Unicode's), empty pieces dropped.
QStringList tokens(const QString& text);
// Plain text order: Unicode scalar values after canonical normalisation,
// case-sensitive, no locale.
bool plainLess(const QString& a, const QString& b);
// The key that plainLess compares; for sorting many names at once.
std::u32string plainKey(const QString& text);

} // namespace SearchText

} // namespace hub
