// Cell drawing shared by the score-report layouts.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/reportlayouts.h"

namespace quorvane::reportlayouts {

QString cellText(const Grid *grid, int row, int col)
{
    return grid ? grid->TextMatrix(row, col) : QString();
}

void bodyCell(LumoPrinter &p, const QString &text, float width, float height, int alignment, const QString &border)
{
    const float inner = width - p.LeftCellMargin() - p.RightCellMargin();
    if (text.isEmpty() || text.contains(QLatin1Char('\n')) || p.TextWidth(text) <= inner) {
        p.CellOut(text, width, height, alignment, border);
        return;
    }
    // The print control wraps the text and draws as many lines as the cell's height holds. A cell
    // with room for one line would show "611." of a total of 611.5 (or squeeze a second line over
    // its borders): such a text is drawn smaller, on one line, instead. A cell with room for two
    // lines inside its margins keeps the wrapped text.
    const double room = height - p.TopCellMargin() - p.BottomCellMargin();
    if (2 * double(p.TextHeight(QStringLiteral("的"))) + 0.5 <= room) {
        p.CellOut(text, width, height, alignment, border);
        return;
    }
    const float size = p.FontSize();
    for (float s = size - 0.5f; s >= 5 && p.TextWidth(text) > inner; s -= 0.5f)
        p.setFontSize(s);
    p.CellOut(text, width, height, alignment, border);
    p.setFontSize(size);
}

} // namespace quorvane::reportlayouts
