#include "printing/layouts/tablelayout.h"

#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"

#include <algorithm>

namespace quorvane::tablelayout {

QString borderCode(RowKind kind, int col, int cols)
{
    const QChar left = col == 0 ? QLatin1Char('2') : QLatin1Char('1');
    const QChar right = col == cols - 1 ? QLatin1Char('2') : QLatin1Char('1');
    const QChar top = kind == RowKind::Heading ? QLatin1Char('2') : QLatin1Char('1');
    const QChar bottom = kind == RowKind::LastBody ? QLatin1Char('2') : QLatin1Char('1');
    return QString(left) + top + right + bottom;
}

int pageCount(int n, int r)
{
    if (n <= 0 || r <= 0)
        return 0;
    return n % r == 0 ? n / r : n / r + 1;
}

int firstRow(int p, int r)
{
    return (p - 1) * r + 1;
}

int lastRow(int p, int r, int n)
{
    // A page's range ends at p x R, or at N on the report's last page.
    return std::min(p * r, n);
}

void setPageRange(printsform &form, int n, int r)
{
    form.pagecount = qint16(pageCount(n, r));
    form.frompage = 1;
    form.topage = form.pagecount;
    if (form.curpage > 0) {
        form.frompage = form.curpage;
        form.topage = form.curpage;
    }
}

void cellRow(LumoPrinter &printer, const QVector<float> &widths, float height, int alignment, RowKind kind,
             const std::function<QString(int col)> &text)
{
    const int cols = int(widths.size());
    for (int c = 0; c < cols; ++c)
        printer.CellOut(text ? text(c) : QString(), widths[c], height, alignment, borderCode(kind, c, cols));
    printer.NewCellRow(0, 0, height);
}

void run(printsform &form, int &dest, const Table &t)
{
    LumoPrinter &p = *form.LumoPrinter1;
    p.StartPrint(dest);
    if (t.geometry)
        t.geometry(p);
    p.NewPage();

    if (form.curpage == 0 || form.curpage == 1) {
        p.NewRow();
        p.Font().setFamily(QStringLiteral("黑体"));
        p.TitleOut(t.title, t.titleSize, t.titleAlignment);
    }

    p.Font().setFamily(QStringLiteral("宋体"));
    p.setFontSize(t.bodyFontSize);

    const int n = t.rows;
    const int r = t.rowsPerPage;
    setPageRange(form, n, r);

    if (t.beforeTable)
        t.beforeTable(p);

    for (int page = form.frompage; page <= form.topage; ++page) {
        if (t.boldHeading)
            p.Font().setBold(true);
        cellRow(p, t.widths, t.headingHeight, t.alignment, RowKind::Heading, t.heading);
        if (t.boldHeading)
            p.Font().setBold(false);

        const int last = lastRow(page, r, n);
        for (int i = firstRow(page, r); i <= last; ++i) {
            cellRow(p, t.widths, t.rowHeight, t.alignment, i == last ? RowKind::LastBody : RowKind::Body,
                    [&t, i](int c) { return t.cell ? t.cell(i, c) : QString(); });
        }
        if (page < form.topage)
            p.NewPage();
    }
    p.EndDoc();
}

} // namespace quorvane::tablelayout
