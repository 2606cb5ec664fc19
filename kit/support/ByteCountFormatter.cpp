#include "kit/support/ByteCountFormatter.h"

#include <array>
#include <cmath>

namespace hub {

QString ByteCountFormatter::fileString(std::int64_t bytes, const QLocale& locale)
{
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    if (bytes == 1 || bytes == -1)
        return locale.toString(qlonglong(bytes)) + QStringLiteral(" byte");
    if (bytes > -1000 && bytes < 1000)
        return locale.toString(qlonglong(bytes)) + QStringLiteral(" bytes");

    struct Unit {
        const char* name;
        int fractionDigits;
    };
    static constexpr std::array<Unit, 6> units = {{
        {"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2},
    }};
    const double magnitude = std::fabs(double(bytes));
    double scale = 1000.0;
    std::size_t index = 0;
    double rounded = 0;
    for (;; ++index, scale *= 1000.0) {
        const double factor = std::pow(10.0, units[index].fractionDigits);
        rounded = std::round(magnitude / scale * factor) / factor;
        // 999,999 bytes round to 1000 KB: that is 1 MB.
        if (rounded < 1000.0 || index + 1 == units.size())
            break;
    }
    int digits = units[index].fractionDigits;
    while (digits > 0) {
        const double shifted = rounded * std::pow(10.0, digits - 1);
        if (std::fabs(shifted - std::round(shifted)) > 1e-9)
            break;
        --digits;
    }
    const double value = bytes < 0 ? -rounded : rounded;
    return locale.toString(value, 'f', digits) + u' ' + QLatin1StringView(units[index].name);
}

} // namespace hub
