#pragma once

#include <QString>

namespace hub::devstore {

// One line on standard output, flushed at once (tests and scripts read it as it comes).
void say(const QString& line);

} // namespace hub::devstore
