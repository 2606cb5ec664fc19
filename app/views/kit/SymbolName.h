#pragma once

#include <QString>
#include <cstddef>

namespace hub {

// A symbol's name as written in code: "clock"_symbol. Every name written so has its
// file resources/symbols/<name>.svg (a test reads the sources for them).
inline QString operator""_symbol(const char* name, std::size_t length)
{
    return QString::fromLatin1(name, qsizetype(length));
}

} // namespace hub
