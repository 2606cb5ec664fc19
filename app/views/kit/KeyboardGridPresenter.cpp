#include "app/views/kit/KeyboardGridPresenter.h"

#include <algorithm>

namespace hub {

std::optional<int> KeyboardGridPresenter::move(std::optional<int> focused, int count, int columns, Arrow arrow)
{
    if (!focused || *focused < 0 || *focused >= count)
        return std::nullopt;
    const int row = std::max(1, columns);
    int delta = 0;
    switch (arrow) {
    case Arrow::left: delta = -1; break;
    case Arrow::right: delta = 1; break;
    case Arrow::up: delta = -row; break;
    case Arrow::down: delta = row; break;
    }
    const int target = *focused + delta;
    if (target < 0 || target >= count)
        return std::nullopt;
    return target;
}

} // namespace hub
