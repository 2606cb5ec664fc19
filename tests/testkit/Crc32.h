#pragma once

#include <QByteArray>

namespace hub::test {

// CRC-32 (the zip and UDIF checksum) of data.
quint32 crc32Of(const QByteArray& data);

} // namespace hub::test
