#pragma once

#include <QString>
#include <cstdint>

namespace hub {

// A refusal inside the native code-signature reader: the status (the platform's number) and a
// readable text. Thrown within the reader and turned into a validity answer at its edge.
struct CodeSignatureFault {
    int32_t status;
    QString text;

    [[noreturn]] static void raise(int32_t status, QString text) { throw CodeSignatureFault{status, std::move(text)}; }
};

} // namespace hub
