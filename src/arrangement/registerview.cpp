#include "arrangement/registerview.h"

#include "controls/grid/grid.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace quorvane {

void limitTypedLength(QLineEdit *box, int maxChars)
{
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^.{0,%1}$").arg(maxChars)), box));
}

void fitColumns(Grid *grid)
{
    for (int c = 1; c < grid->Cols(); ++c) {
        int widest = 0;
        for (int r = 1; r < grid->Rows(); ++r)
            widest = std::max(widest, grid->textWidthTwips(grid->TextMatrix(r, c)));
        const int wanted = widest + 14 * Grid::TwipsPerPixel;
        if (widest > 0 && wanted > grid->ColWidth(c))
            grid->setColWidth(c, wanted);
    }
}

} // namespace quorvane
