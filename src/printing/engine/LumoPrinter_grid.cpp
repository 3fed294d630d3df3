// The print control: printing a whole grid as a paginated table in one call.
#include "LumoPrinter.h"
#include "controls/grid/grid.h"

namespace quorvane {

namespace {
OleColor oleColor(const QColor &c)
{
    return OleColor(c.red()) | (OleColor(c.green()) << 8) | (OleColor(c.blue()) << 16);
}

bool allDigits(const QString &text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}
} // namespace

void LumoPrinter::DirectPrint(QWidget *GridToPrint, const QString &Title, int TitleFontSize, int TitleAlignment,
                              float TableStartX, bool PrintGridHeaderColor)
{
    if (m_refused || m_cancelRequested)
        return;
    Surface &s = out();
    const QFont saved = s.font;
    if (!m_isPrinter)
        s.font.setPointSizeF(s.font.pointSizeF() * double(m_zoom));
    const double startX = lumo::mmToTwips(TableStartX);
    s.currentX += startX;
    // The project's grid stands for the flex grids; other controls print nothing.
    if (auto *grid = qobject_cast<Grid *>(GridToPrint))
        printFlexGrid(*grid, Title, TitleFontSize, TitleAlignment, startX, PrintGridHeaderColor);
    double zero = 0;
    RowText(0, startX, zero);
    out().font = saved;
}

void LumoPrinter::printFlexGrid(Grid &grid, const QString &title, int titleFontSize, int titleAlignment,
                                double startX, bool headerColor)
{
    double tableWidth = 0;
    for (int c = 0; c < grid.Cols(); ++c)
        tableWidth += grid.ColWidth(c);
    const auto titleBlock = [&] {
        if (!title.isEmpty()) {
            TitleText(title, titleFontSize, titleAlignment, startX, tableWidth);
            out().currentX += startX;
        }
    };
    const OleColor headerFill = headerColor ? oleColor(grid.BackColorFixed()) : NoColor;
    const auto header = [&] {
        for (int r = 0; r < grid.FixedRows() && r < grid.Rows(); ++r) {
            printFlexRow(grid, r, headerFill);
            double h = grid.RowHeight(r);
            RowText(0, startX, h);
        }
    };
    titleBlock();
    header();
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
        if (m_cancelRequested)
            break;
        if (out().currentY + grid.RowHeight(r) > printableH()) {
            NewPage();
            Q_EMIT NewPageAutoCreated(m_currentPage, QStringLiteral("MSFlexGrid"));
            out().currentX = startX;
            titleBlock();
            header();
        }
        printFlexRow(grid, r, NoColor);
        double h = grid.RowHeight(r);
        RowText(0, startX, h);
    }
    double last = -1;
    RowText(0, startX, last);
}

void LumoPrinter::printFlexRow(Grid &grid, int row, OleColor fill)
{
    const int rows = grid.Rows(), cols = grid.Cols();
    for (int c = 0; c < cols;) {
        const QString text = grid.TextMatrix(row, c);
        int align = grid.CellAlignment(row, c);
        if (align == 0)
            align = grid.ColAlignment(c);
        if (align == 9)
            align = allDigits(text) ? 7 : 1;
        double w = grid.ColWidth(c);
        double h = grid.RowHeight(row);
        int span = 1;
        bool columnRun = false;
        if (grid.MergeCol(c) && !text.isEmpty()) {
            if (row > 0 && grid.TextMatrix(row - 1, c) == text) {
                out().currentX += w; // covered by the run drawn above
                ++c;
                continue;
            }
            for (int below = row + 1; below < rows && grid.TextMatrix(below, c) == text; ++below) {
                h += grid.RowHeight(below);
                columnRun = true;
            }
        }
        if (!columnRun && grid.MergeRow(row) && !text.isEmpty()) {
            while (c + span < cols && grid.TextMatrix(row, c + span) == text) {
                w += grid.ColWidth(c + span);
                ++span;
            }
        }
        OleColor f = fill, border = NoColor;
        bool multi = true;
        double rs = 28.34645;
        pDrawCell(text, w, h, align, QStringLiteral("1111"), f, multi, rs, border);
        c += span;
    }
}

} // namespace quorvane
