// The subject comparison: for every subject of the exam a block of one row per class and one for
// the whole grade, with the number who sat it, average, lowest and highest score, standard
// deviation and the rates of 优良 and 及格; 35 rows a page (fewer on a shorter page) under a heading
// row of stacked captions.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/reportlayouts.h"
#include "printing/layouts/tablelayout.h"
#include "reports/gkdz.h"
#include "shell/globals.h"
#include "shell/services.h"

namespace quorvane {

namespace reportlayouts {

namespace {
constexpr int kRowsPerPage = 35;
constexpr int kColumns = 9;
const float kWidths[kColumns] = {23, 25, 17, 17, 17, 17, 17, 17, 17};

QString stacked(const QString &three)
{
    return QString(three[0]) + QStringLiteral("\r\n") + three[1] + QStringLiteral("\r\n") + three[2];
}
} // namespace

void layComparison(printsform &form, int &dest, const ComparisonInput &in)
{
    LumoPrinter &p = *form.LumoPrinter1;
    const Grid *g = in.grid;
    p.StartPrint(dest);
    p.setLeftMargin(22);
    p.NewPage();

    const QString title = in.exam + QStringLiteral("各班各科成绩对照表");
    // The table's top on the report's first page: below the title block.
    double top = tablelayout::titleBlock(form, p, title, 15, 2);

    const int n = g ? g->Rows() - 1 : 0;
    top += p.CurrentY();
    p.setFontSize(9);
    const int rows = tablelayout::rowsThatFit(p, kRowsPerPage, top, 14, 6);
    tablelayout::setPageRange(form, n, rows);
    float width = 0;
    for (float w : kWidths)
        width += w;
    const float k = tablelayout::widthFactor(p, width);

    const QString captions[kColumns] = {QStringLiteral("学 科"),          QStringLiteral("班 级"),
                                        stacked(QStringLiteral("实考数")), stacked(QStringLiteral("平均分")),
                                        stacked(QStringLiteral("最低分")), stacked(QStringLiteral("最高分")),
                                        stacked(QStringLiteral("标准差")), stacked(QStringLiteral("优良率")),
                                        stacked(QStringLiteral("及格率"))};

    tablelayout::layPages(form, p, [&](int page) {
        p.Font().setBold(true);
        for (int c = 0; c < kColumns; ++c)
            tablelayout::fitCell(p, captions[c], k * kWidths[c], 14, 4, tablelayout::borderCode(tablelayout::RowKind::Heading, c, kColumns));
        p.NewCellRow(0, 0, 14);

        const int last = tablelayout::lastRow(page, rows, n);
        for (int i = tablelayout::firstRow(page, rows); i <= last; ++i) {
            const auto kind = i == last ? tablelayout::RowKind::LastBody : tablelayout::RowKind::Body;
            for (int c = 0; c < kColumns; ++c) {
                // The subject is bold, the rest regular.
                if (c <= 1)
                    p.Font().setBold(c == 0);
                tablelayout::fitCell(p, cellText(g, i, c + 1), k * kWidths[c], 6, 4, tablelayout::borderCode(kind, c, kColumns));
            }
            p.NewCellRow(0, 0, 6);
        }
    });
}

} // namespace reportlayouts

void print_gkdz(printsform &form, int &dest)
{
    const auto in = reportlayouts::examAndGrid<reportlayouts::ComparisonInput>(windows::find<gkdz>(QStringLiteral("gkdz")));
    reportlayouts::layComparison(form, dest, in);
}

} // namespace quorvane
