#pragma once

#include <QtCore/qcontainerfwd.h>
#include <iosfwd>

// Readable QString and QStringList values in GoogleTest failure messages. Every test source
// is compiled with this header included first (tests/CMakeLists.txt), so it declares only:
// a test may need its own headers before Qt's.
void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& list, std::ostream* out);
