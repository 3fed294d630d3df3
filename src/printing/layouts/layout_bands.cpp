// Score-band statistics: one row per class and one for the whole grade, the number of students,
// averages and extremes and the count of every score band. The table follows the grid's column
// count: up to 14 columns upright, 35 rows a page; from 15 columns landscape, 20 rows a page (fewer
// on a shorter page). A table wider than the paper is narrowed to it.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/reportlayouts.h"
#include "printing/layouts/tablelayout.h"
#include "reports/fdtj.h"
#include "shell/globals.h"
#include "shell/services.h"

namespace quorvane {

namespace reportlayouts {

namespace {
constexpr float kHeight = 6;

float columnWidth(int printed)
{
    return printed == 1 ? 20 : printed == 2 ? 11 : 15;
}
} // namespace

void layBands(printsform &form, int &dest, const BandsInput &in)
{
    LumoPrinter &p = *form.LumoPrinter1;
    const Grid *g = in.grid;
    const int cols = g ? g->Cols() : 0;   // C
    const int printed = cols - 1;          // printed columns 1 .. C - 1

    p.StartPrint(dest);
    p.setLeftMargin(8);
    p.setRightMargin(8);
    int r = 35;
    if (cols > 14) {
        p.setOrientation(2);
        if (cols > 18) {
            p.setLeftMargin(10);
            p.setRightMargin(10);
        } else {
            p.setLeftMargin(20);
            p.setRightMargin(18);
        }
        r = 20;
    }
    p.NewPage();

    const QString title = in.exam + QStringLiteral("成绩分段次数统计表");
    double top = 0; // the table's top on the report's first page: below the title and the item line
    if (form.curpage == 0 || form.curpage == 1) {
        p.NewRow();
        p.Font().setFamily(QStringLiteral("黑体"));
        const int align = (cols == 13 || cols == 14 || cols >= 18) ? 2 : 0;
        p.TitleOut(title, 15, align);
        p.setFontSize(13);
        p.TextOut(QStringLiteral("学科：") + in.item);
        p.NewCellRow(0, 0, 6);
    } else {
        top = tablelayout::titleBlockHeight(p, title, 15) + 6;
    }
    p.Font().setFamily(QStringLiteral("宋体"));

    const int n = g ? g->Rows() - 1 : 0;
    top += p.CurrentY();
    p.setFontSize(9);
    r = tablelayout::rowsThatFit(p, r, top, kHeight, kHeight);
    tablelayout::setPageRange(form, n, r);

    // Many bands make the table wider than the paper: every column is narrowed alike.
    double width = 0;
    for (int c = 1; c <= printed; ++c)
        width += columnWidth(c);
    const float k = tablelayout::widthFactor(p, width);

    tablelayout::layPages(form, p, [&](int page) {
        p.Font().setBold(true);
        for (int c = 1; c <= printed; ++c) {
            const QString caption = c == 1 ? QStringLiteral("班 级") : c == 2 ? QStringLiteral("人数") : cellText(g, 0, c);
            tablelayout::fitCell(p, caption, k * columnWidth(c), kHeight, 4,
                      tablelayout::borderCode(tablelayout::RowKind::Heading, c - 1, printed));
        }
        p.NewCellRow(0, 0, kHeight);

        const int last = tablelayout::lastRow(page, r, n);
        for (int i = tablelayout::firstRow(page, r); i <= last; ++i) {
            const auto kind = i == last ? tablelayout::RowKind::LastBody : tablelayout::RowKind::Body;
            for (int c = 1; c <= printed; ++c) {
                // The class is bold, the figures regular.
                if (c <= 2)
                    p.Font().setBold(c == 1);
                tablelayout::fitCell(p, cellText(g, i, c), k * columnWidth(c), kHeight, 4, tablelayout::borderCode(kind, c - 1, printed));
            }
            p.NewCellRow(0, 0, kHeight);
        }
    });
}

} // namespace reportlayouts

void print_fdtj(printsform &form, int &dest)
{
    reportlayouts::BandsInput in;
    if (auto *w = windows::find<fdtj>(QStringLiteral("fdtj")); w && w->isLoaded()) {
        in.exam = w->Combo1->currentText();
        in.item = w->Combo2->currentText();
        in.grid = w->Grid1;
    }
    reportlayouts::layBands(form, dest, in);
}

} // namespace quorvane
