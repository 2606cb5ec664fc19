#pragma once

#include <QString>
#include <optional>

namespace hub {

// The platform a download is built for. Reading a download maps any text it
// does not know to `unknown`.
enum class Platform { universal, windows, linux, mac, iOS, android, unknown };

QString toString(Platform platform);
// The case whose raw value is exactly `text` (case-sensitive); nothing otherwise.
std::optional<Platform> platformFromString(QStringView text);
// Mac and universal files can be installed here.
bool installableHere(Platform platform);

} // namespace hub
