#pragma once

#include <optional>

namespace hub {

// Where an arrow key takes the focus in a grid of `count` cells laid out in
// `columns` columns: left and right walk reading order, up and down move a whole
// row; no wrap-around, no clamping. Nothing means the key is passed on.
struct KeyboardGridPresenter {
    enum class Arrow { left, right, up, down };

    static std::optional<int> move(std::optional<int> focused, int count, int columns, Arrow arrow);
};

} // namespace hub
