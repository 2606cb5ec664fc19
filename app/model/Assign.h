#pragma once

#include <utility>

namespace hub {

// Stores `value` in `field` when they differ; true when the field changed. Every
// observable field of the model's parts is written through this, so a NOTIFY
// signal fires only on a real change.
template <typename T, typename U>
bool assign(T& field, U&& value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

} // namespace hub
