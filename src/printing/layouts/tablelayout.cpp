#include "printing/layouts/tablelayout.h"

#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"

#include <algorithm>
#include <cmath>

namespace quorvane::tablelayout {

QString borderCode(RowKind kind, int col, int cols)
{
    const QChar left = col == 0 ? QLatin1Char('2') : QLatin1Char('1');
    const QChar right = col == cols - 1 ? QLatin1Char('2') : QLatin1Char('1');
    const QChar top = kind == RowKind::Heading ? QLatin1Char('2') : QLatin1Char('1');
    const QChar bottom = kind == RowKind::LastBody ? QLatin1Char('2') : QLatin1Char('1');
    return QString(left) + top + right + bottom;
}

int pageCount(int rows, int rowsPerPage)
{
    if (rows <= 0 || rowsPerPage <= 0)
        return 0;
    return rows % rowsPerPage == 0 ? rows / rowsPerPage : rows / rowsPerPage + 1;
}

int firstRow(int page, int rowsPerPage)
{
    return (page - 1) * rowsPerPage + 1;
}

int lastRow(int page, int rowsPerPage, int rows)
{
    // A page's range ends at page x rowsPerPage, or at the last row on the report's last page.
    return std::min(page * rowsPerPage, rows);
}

void setPageRange(printsform &form, int rows, int rowsPerPage)
{
    form.pagecount = qint16(pageCount(rows, rowsPerPage));
    form.frompage = 1;
    form.topage = form.pagecount;
    if (form.curpage > 0) {
        form.frompage = form.curpage;
        form.topage = form.curpage;
    }
}

void layPages(printsform &form, LumoPrinter &printer, const std::function<void(int page)> &layPage)
{
    for (int page = form.frompage; page <= form.topage; ++page) {
        layPage(page);
        if (page < form.topage)
            printer.NewPage();
    }
    printer.EndDoc();
}

bool isNumber(const QString &text)
{
    bool digit = false;
    for (const QChar c : text) {
        if (c.isDigit())
            digit = true;
        else if (c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char('+') && c != QLatin1Char('%'))
            return false;
    }
    return digit;
}

void fitCell(LumoPrinter &p, const QString &text, float width, float height, int alignment, const QString &border)
{
    QString shown = text;
    while (shown.endsWith(QLatin1Char(' ')))
        shown.chop(1);
    const float inner = width - p.LeftCellMargin() - p.RightCellMargin();
    if (shown.isEmpty() || shown.contains(QLatin1Char('\n')) || p.TextWidth(shown) <= inner) {
        p.CellOut(text, width, height, alignment, border);
        return;
    }
    // The print control wraps a text that is too wide and draws as many lines as the cell's height
    // holds: in a cell with room for one line the rest is lost ("阿卜杜热" of 阿卜杜热合曼). Only a
    // text of words in a cell with room for two lines inside its margins keeps the wrapping.
    const double room = height - p.TopCellMargin() - p.BottomCellMargin();
    if (!isNumber(shown) && 2 * double(p.TextHeight(QStringLiteral("的"))) + 0.5 <= room) {
        p.CellOut(text, width, height, alignment, border);
        return;
    }
    // Smaller, in half points, until the text fits; the font's size is kept zoomed on the preview.
    const QFont saved = p.Font();
    const double zoom = p.IsPrinter() ? 1.0 : double(p.ZoomFactor());
    const double size = saved.pointSizeF() / zoom;
    double s = std::floor(2 * size * inner / p.TextWidth(shown)) / 2;
    s = std::clamp(s, 4.0, size - 0.5);
    p.setFontSize(float(s));
    while (s > 4 && p.TextWidth(shown) > inner) {
        s -= 0.5;
        p.setFontSize(float(s));
    }
    p.CellOut(shown, width, height, alignment, border);
    p.Font() = saved;
}

int rowsThatFit(LumoPrinter &p, int rows, double top, double headingHeight, double rowHeight)
{
    if (rowHeight <= 0)
        return std::max(rows, 1);
    // The page foot's text starts one line of the page's font below the printable area, its rule
    // 60 twips above that text: the table may reach down to the rule, not over it. A hundredth of
    // a millimetre of slack covers the rounding of lengths to four places.
    const double footRule = double(p.TextHeight(QStringLiteral("我"))) - 60 / lumo::TwipsPerMm;
    const double room = double(p.ScaleHeight()) + std::max(0.0, footRule) - top - headingHeight + 0.01;
    const int fit = int(std::floor(room / rowHeight));
    return std::clamp(fit, 1, std::max(rows, 1));
}

double titleBlockHeight(LumoPrinter &p, const QString &title, int size)
{
    // The same steps as NewRow, a font face of 黑体 and TitleOut: an empty line of the font in
    // force, the title at its size, and the line TitleOut moves on by at the size it restores
    // (whole points of the font as it stood).
    const QFont saved = p.Font();
    const double zoom = p.IsPrinter() ? 1.0 : double(p.ZoomFactor());
    double h = p.TextHeight(QStringLiteral("AA"));
    p.Font().setFamily(QStringLiteral("黑体"));
    const double remembered = std::nearbyint(p.Font().pointSizeF());
    p.Font().setPointSizeF(size * zoom);
    h += p.TextHeight(title);
    if (remembered > 0)
        p.Font().setPointSizeF(remembered);
    h += p.TextHeight(QStringLiteral("AA"));
    p.Font() = saved;
    return h;
}

double titleBlock(printsform &form, LumoPrinter &p, const QString &title, int size, int alignment)
{
    double top = 0;
    if (form.curpage == 0 || form.curpage == 1) {
        p.NewRow();
        p.Font().setFamily(QStringLiteral("黑体"));
        p.TitleOut(title, size, alignment);
    } else {
        top = titleBlockHeight(p, title, size);
    }
    p.Font().setFamily(QStringLiteral("宋体"));
    return top;
}

float widthFactor(LumoPrinter &p, double tableWidth)
{
    // A table that ends on the paper, if in its right margin, keeps its widths (some reports are
    // a few millimetres wider than the space between their margins, by design); one that would
    // run past the paper's edge is narrowed to the space between the margins.
    const double room = p.ScaleWidth();
    const double paper = room + std::max(0.f, p.RightMargin());
    if (tableWidth <= paper + 0.01 || room <= 0)
        return 1;
    return float(room / tableWidth);
}

void cellRow(LumoPrinter &printer, const QVector<float> &widths, float height, int alignment, RowKind kind,
             const std::function<QString(int col)> &text)
{
    const int cols = int(widths.size());
    for (int c = 0; c < cols; ++c)
        fitCell(printer, text ? text(c) : QString(), widths[c], height, alignment, borderCode(kind, c, cols));
    printer.NewCellRow(0, 0, height);
}

void run(printsform &form, int &dest, const Table &t)
{
    LumoPrinter &p = *form.LumoPrinter1;
    p.StartPrint(dest);
    if (t.geometry)
        t.geometry(p);
    p.NewPage();

    // Where the table starts on the report's first page: below the title block (drawn or not in
    // this run) and the lines drawn above the table.
    double top = titleBlock(form, p, t.title, t.titleSize, t.titleAlignment);
    p.setFontSize(t.bodyFontSize);

    if (t.beforeTable)
        t.beforeTable(p);
    top += p.CurrentY();

    const int n = t.rows;
    const int r = rowsThatFit(p, t.rowsPerPage, top, t.headingHeight, t.rowHeight);
    setPageRange(form, n, r);

    QVector<float> widths = t.widths;
    double tableWidth = 0;
    for (float w : widths)
        tableWidth += w;
    const float k = widthFactor(p, tableWidth);
    for (float &w : widths)
        w *= k;

    layPages(form, p, [&](int page) {
        if (t.boldHeading)
            p.Font().setBold(true);
        cellRow(p, widths, t.headingHeight, t.alignment, RowKind::Heading, t.heading);
        if (t.boldHeading)
            p.Font().setBold(false);

        const int last = lastRow(page, r, n);
        for (int i = firstRow(page, r); i <= last; ++i) {
            cellRow(p, widths, t.rowHeight, t.alignment, i == last ? RowKind::LastBody : RowKind::Body,
                    [&t, i](int c) { return t.cell ? t.cell(i, c) : QString(); });
        }
    });
}

} // namespace quorvane::tablelayout
