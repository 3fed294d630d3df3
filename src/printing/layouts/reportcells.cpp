// Cell drawing shared by the score-report layouts.
#include "controls/grid/grid.h"
#include "printing/layouts/reportlayouts.h"

namespace quorvane::reportlayouts {

QString cellText(const Grid *grid, int row, int col)
{
    return grid ? grid->TextMatrix(row, col) : QString();
}

} // namespace quorvane::reportlayouts
