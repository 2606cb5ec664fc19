#include "devstore/Console.h"

#include <cstdio>

namespace hub::devstore {

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace hub::devstore
