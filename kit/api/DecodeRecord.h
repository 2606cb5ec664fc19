#pragma once

#include "kit/api/MoonbaseError.h"
#include "kit/support/JsonReader.h"

#include <QByteArray>

namespace hub {

// A record read from an answer's body; a body that does not fit is MoonbaseError::decoding.
template <typename T>
T decodeRecord(const QByteArray& body)
{
    try {
        return T::fromJson(JsonReader::parse(body));
    } catch (const JsonError& error) {
        throw MoonbaseError::decoding(error.description);
    }
}

} // namespace hub
