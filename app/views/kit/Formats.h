#pragma once

#include <QDate>
#include <QString>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace hub {

// Numbers and dates the screens format themselves; dates in the user's locale.
namespace Formats {

// A file size in decimal units: "999 bytes", "12 KB", "12.3 MB", "1.23 GB".
QString byteCount(qint64 bytes);
// The abbreviated date without time: "Dec 8, 2026" in a US locale, "8. Dez. 2026" in a German one.
QString mediumDate(const QDate& date);
// The locale's own pattern for a date skeleton ("yMMMd"); empty when the locale has none.
// Each locale's pattern generator is made once (making one reads much of its data) and
// may be made ahead, on any thread, by asking for any skeleton.
icu::UnicodeString datePattern(const icu::Locale& locale, const icu::UnicodeString& skeleton);

} // namespace Formats

} // namespace hub
