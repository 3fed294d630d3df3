// The average score book: one row per class with the class's average and rank in every subject and
// its averages of 总分1 and 总分2, under a two-level heading row (the subject over 平均分 and 名次).
// Paper and margins follow the number of subjects: upright up to 8, landscape from 9; rows a page
// are fewer on a shorter page, and columns narrower on narrower paper.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/reportlayouts.h"
#include "printing/layouts/tablelayout.h"
#include "reports/average.h"
#include "shell/globals.h"
#include "shell/services.h"

#include <algorithm>

namespace quorvane {

namespace reportlayouts {

namespace {
struct Geometry
{
    int orientation; // 0: left as the control holds it
    float margin;    // left and right
    int rows;
};

Geometry averageGeometry(int n)
{
    if (n <= 5)
        return {0, 22, 35};
    if (n <= 8)
        return {0, float(20 - 7 * (n - 6)), 35};
    switch (n) {
    case 9: return {2, 25, 20};
    case 10: return {2, 24, 20};
    case 11: return {2, 17, 20};
    default: return {2, 9, 20};
    }
}
} // namespace

int averageSubjects(const AverageInput &in)
{
    // The grid holds the class, two columns per subject and the two totals after the fixed column.
    // Its own columns decide, so a count handed over for another exam never reads past them.
    const Grid *g = in.grid;
    if (!g || g->Cols() < 6)
        return std::clamp(in.subjectCount, 0, 12);
    return std::clamp((g->Cols() - 4) / 2, 1, 12);
}

void layAverage(printsform &form, int &dest, const AverageInput &in)
{
    LumoPrinter &p = *form.LumoPrinter1;
    const Grid *g = in.grid;
    const int subjects = averageSubjects(in);
    const Geometry geo = averageGeometry(subjects);

    p.StartPrint(dest);
    if (geo.orientation)
        p.setOrientation(geo.orientation);
    p.setLeftMargin(geo.margin);
    p.setRightMargin(geo.margin);
    p.NewPage();

    const QString title = in.exam + QStringLiteral("平均成绩册(") + in.cohortYear + QStringLiteral("学届)");
    // The table's top on the report's first page: below the title block.
    double top = tablelayout::titleBlock(form, p, title, 15, subjects >= 6 ? 2 : 0);

    const int n = g ? g->Rows() - 1 : 0;
    top += p.CurrentY();
    p.setFontSize(9);
    const int rows = tablelayout::rowsThatFit(p, geo.rows, top, 12, 6);
    tablelayout::setPageRange(form, n, rows);
    // 22 for the class, 19 a subject, 15 for each total: narrowed alike on narrower paper.
    const float k = tablelayout::widthFactor(p, 22 + 19.0 * subjects + 30);

    tablelayout::layPages(form, p, [&](int page) {
        // Heading row, 12 mm. "班 级" keeps the size then current: 9 points on the first page of the
        // run, 8.5 (left by the body rows) on the further ones.
        p.Font().setBold(true);
        tablelayout::fitCell(p, QStringLiteral("班 级"), k * 22, 12, 4, QStringLiteral("2211"));
        const float y0 = p.CurrentY();
        for (int j = 1; j <= subjects; ++j) {
            const float x = p.CurrentX();
            p.setCurrentY(y0);
            p.Font().setBold(true);
            p.setFontSize(9);
            tablelayout::fitCell(p, cellText(g, 0, 2 * j), k * 19, 6, 4, QStringLiteral("1211"));
            p.setCurrentX(x);
            p.setCurrentY(y0 + 6);
            p.Font().setBold(false);
            p.setFontSize(8);
            tablelayout::fitCell(p, QStringLiteral("平均分"), k * 11, 6, 4, QStringLiteral("1111"));
            tablelayout::fitCell(p, QStringLiteral("名次"), k * 8, 6, 4, QStringLiteral("1111"));
        }
        p.setCurrentY(y0);
        p.Font().setBold(true);
        p.setFontSize(9);
        tablelayout::fitCell(p, QStringLiteral("总分1\r\n平均分"), k * 15, 12, 4, QStringLiteral("1211"));
        tablelayout::fitCell(p, QStringLiteral("总分2\r\n平均分"), k * 15, 12, 4, QStringLiteral("1221"));
        p.NewCellRow(0, 0, 12);
        p.Font().setBold(false);

        const int last = tablelayout::lastRow(page, rows, n);
        for (int i = tablelayout::firstRow(page, rows); i <= last; ++i) {
            const bool bottom = i == last;
            p.Font().setBold(true);
            p.setFontSize(9);
            tablelayout::fitCell(p, cellText(g, i, 1), k * 22, 6, 4, bottom ? QStringLiteral("2112") : QStringLiteral("2111"));
            p.Font().setBold(false);
            p.setFontSize(8.5f);
            const QString inner = bottom ? QStringLiteral("1112") : QStringLiteral("1111");
            for (int j = 1; j <= subjects; ++j) {
                tablelayout::fitCell(p, cellText(g, i, 2 * j), k * 11, 6, 4, inner);
                tablelayout::fitCell(p, cellText(g, i, 2 * j + 1), k * 8, 6, 4, inner);
            }
            tablelayout::fitCell(p, cellText(g, i, 2 * subjects + 2), k * 15, 6, 4, inner);
            tablelayout::fitCell(p, cellText(g, i, 2 * subjects + 3), k * 15, 6, 4, bottom ? QStringLiteral("1122") : QStringLiteral("1121"));
            p.NewCellRow(0, 0, 6);
        }
    });
}

} // namespace reportlayouts

void print_average(printsform &form, int &dest)
{
    reportlayouts::AverageInput in;
    in.subjectCount = gReportSubjectCount;
    if (auto *w = windows::find<average>(QStringLiteral("average")); w && w->isLoaded()) {
        in.exam = w->Combo1->currentText();
        in.cohortYear = w->cohortYear();
        in.grid = w->Grid1;
    }
    reportlayouts::layAverage(form, dest, in);
}

} // namespace quorvane
