#pragma once
#include "controls/grid/grid.h"

#include <QTest>

namespace quorvane::test {

// Clicks a row of a list grid as a user does: a left click in the middle of its cell in the given
// column, rows counted as the grid counts them (the heading row is row 0). False, and no click,
// when the grid is hidden or has no such cell. Use as QVERIFY(clickRow(grid, 2)).
[[nodiscard]] inline bool clickRow(Grid *grid, int row, int column = 1)
{
    const int tableRow = grid->FixedRows() > 0 ? row - 1 : row;
    if (!grid->isVisible() || tableRow < 0 || tableRow >= grid->model()->rowCount() || column < 0 || column >= grid->model()->columnCount())
        return false;
    const QModelIndex cell = grid->model()->index(tableRow, column);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    return true;
}

} // namespace quorvane::test
