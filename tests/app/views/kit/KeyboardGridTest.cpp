#include "app/views/kit/FlowGrid.h"
#include "app/views/kit/KeyboardGridPresenter.h"

#include <QList>
#include <gtest/gtest.h>

namespace hub {
namespace {

using Arrow = KeyboardGridPresenter::Arrow;

TEST(KeyboardGrid, ColumnsAtTheShelfsBoundaries)
{
    const QList<std::pair<double, int>> widths{{0, 1}, {200, 1}, {627, 1}, {628, 2}, {955, 2}, {956, 3}, {1283, 3}, {1284, 4}};
    for (const auto& [width, columns] : widths)
        EXPECT_EQ(FlowGrid::columns(width, 300, 28), columns) << width;
    EXPECT_EQ(FlowGrid::columns(500, 0, 0), 1);  // no step: one column
    EXPECT_EQ(FlowGrid::columns(std::numeric_limits<double>::infinity(), 300, 28), 1);
}

TEST(KeyboardGrid, MovesInReadingOrderAndByWholeRows)
{
    struct Row {
        std::optional<int> from;
        int count;
        int columns;
        Arrow arrow;
        std::optional<int> to;
    };
    const QList<Row> rows{
        // Five cells in three columns: 0 1 2 / 3 4.
        {1, 5, 3, Arrow::down, 4},
        {2, 5, 3, Arrow::down, std::nullopt}, // no cell 5
        {4, 5, 3, Arrow::up, 1},
        {3, 5, 3, Arrow::left, 2},
        {2, 5, 3, Arrow::right, 3},
        {4, 5, 3, Arrow::right, std::nullopt},
        {0, 5, 3, Arrow::left, std::nullopt},
        {1, 5, 3, Arrow::up, std::nullopt},
        {3, 5, 3, Arrow::down, std::nullopt},
        // One column: up and down move by one cell.
        {1, 5, 1, Arrow::down, 2},
        {1, 5, 1, Arrow::up, 0},
        // One cell: every arrow passes on.
        {0, 1, 3, Arrow::left, std::nullopt},
        {0, 1, 3, Arrow::right, std::nullopt},
        {0, 1, 3, Arrow::up, std::nullopt},
        {0, 1, 3, Arrow::down, std::nullopt},
        // Nothing focused, or an empty grid.
        {std::nullopt, 5, 3, Arrow::right, std::nullopt},
        {std::nullopt, 0, 3, Arrow::down, std::nullopt},
        {0, 0, 3, Arrow::right, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(KeyboardGridPresenter::move(row.from, row.count, row.columns, row.arrow), row.to)
            << row.from.value_or(-1) << " of " << row.count << " in " << row.columns << ", arrow " << int(row.arrow);
}

} // namespace
} // namespace hub
