#pragma once

#include <QDate>
#include <QString>

namespace hub {

// Numbers and dates the screens format themselves; dates in the user's locale.
namespace Formats {

// A file size in decimal units: "999 bytes", "12 KB", "12.3 MB", "1.23 GB".
QString byteCount(qint64 bytes);
// The abbreviated date without time: "Dec 8, 2026" in a US locale, "8. Dez. 2026" in a German one.
QString mediumDate(const QDate& date);

} // namespace Formats

} // namespace hub
