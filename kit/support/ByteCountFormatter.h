#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

namespace hub {

// Byte counts as the desktop's file-size formatter writes them: decimal units
// (1 KB = 1000 bytes) with the unit name, "Zero KB" for nothing, bytes and KB
// without fraction digits, MB with up to one, GB and above with up to two
// (trailing zeros dropped), the number in the given locale.
struct ByteCountFormatter {
    static QString fileString(std::int64_t bytes, const QLocale& locale = QLocale());
};

} // namespace hub
