#include "kit/api/Platform.h"

#include <array>

namespace hub {

namespace {

constexpr std::array<std::pair<Platform, const char*>, 7> rawValues{{
    {Platform::universal, "Universal"},
    {Platform::windows, "Windows"},
    {Platform::linux, "Linux"},
    {Platform::mac, "Mac"},
    {Platform::iOS, "iOS"},
    {Platform::android, "Android"},
    {Platform::unknown, "unknown"},
}};

} // namespace

QString toString(Platform platform)
{
    for (const auto& [value, raw] : rawValues) {
        if (value == platform)
            return QString::fromLatin1(raw);
    }
    return QStringLiteral("unknown");
}

std::optional<Platform> platformFromString(QStringView text)
{
    for (const auto& [value, raw] : rawValues) {
        if (text == QLatin1String(raw))
            return value;
    }
    return std::nullopt;
}

bool installableHere(Platform platform) { return platform == Platform::mac || platform == Platform::universal; }

} // namespace hub
