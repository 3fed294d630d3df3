// The single-subject score sheet: a title with the exam, an information block (cohort, subject, date
// of printing, the statistics and the score-band counts of the single-subject window) and the grid
// as an eleven-column table, two students to a row, 35 rows to a page (fewer on a shorter page).
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/reportlayouts.h"
#include "printing/layouts/tablelayout.h"
#include "reports/dkcj.h"
#include "shell/globals.h"
#include "shell/services.h"

namespace quorvane {

namespace reportlayouts {

namespace {
constexpr int kRowsPerPage = 35;
constexpr float kHeight = 6;
const float kColumnWidths[11] = {16, 15, 20, 16, 16, 2, 16, 15, 20, 16, 16};

struct InfoCell
{
    QString text;
    float width;
    const char *border;
};

void infoRow(LumoPrinter &p, const std::vector<InfoCell> &cells, float k)
{
    for (const InfoCell &cell : cells)
        tablelayout::fitCell(p, cell.text, k * cell.width, kHeight, 4, QString::fromLatin1(cell.border));
    p.NewCellRow(0, 0, kHeight);
}
} // namespace

QString bandLine(const SubjectSheetInput &in)
{
    QString line;
    for (int i = 7; i <= 15; ++i) {
        if (!in.statShown[size_t(i)])
            continue;
        if (!line.isEmpty())
            line += QStringLiteral("，");
        line += in.bandCaptions[size_t(i)] + QLatin1Char('(') + in.stats[size_t(i)] + QLatin1Char(')');
    }
    return line.remove(QStringLiteral("分人数:"));
}

void laySubjectSheet(printsform &form, int &dest, const SubjectSheetInput &in)
{
    LumoPrinter &p = *form.LumoPrinter1;
    const Grid *g = in.grid;
    p.StartPrint(dest);
    p.NewPage();

    const QString title = in.exam + QStringLiteral("单科成绩单");
    // The table's top on the report's first page: below the title block.
    double top = tablelayout::titleBlock(form, p, title, 15, 2);

    const int n = g ? g->Rows() - 1 : 0;
    // The information block and the table are 168 mm wide; narrower paper narrows both.
    float width = 0;
    for (float w : kColumnWidths)
        width += w;
    const float k = tablelayout::widthFactor(p, width);

    p.setFontSize(10);
    p.NewCellRow(0, 0, 0);

    // The information block stands above the table on every run, also when one later page is
    // laid out alone.
    const QString cohort = in.cohortYear + QLatin1Char('(') + in.classChoice.left(2) + QLatin1Char(')');
    infoRow(p,
            {{QStringLiteral("学    届"), 19, "2211"},
             {cohort, 37, "1211"},
             {QStringLiteral("学    科"), 19, "1211"},
             {in.subject, 37, "1211"},
             {QStringLiteral("打印日期"), 19, "1211"},
             {in.date, 37, "1221"}},
            k);
    infoRow(p,
            {{QStringLiteral("平 均 分"), 19, "2111"},
             {in.stats[0], 37, "1111"},
             {QStringLiteral("最 高 分"), 19, "1111"},
             {in.stats[1], 37, "1111"},
             {QStringLiteral("最 低 分"), 19, "1111"},
             {in.stats[2], 37, "1121"}},
            k);
    infoRow(p,
            {{QStringLiteral("总 人 数"), 19, "2111"},
             {in.stats[3], 23, "1111"},
             {QStringLiteral("考试人数"), 19, "1111"},
             {in.stats[4], 23, "1111"},
             {QStringLiteral("缺考人数"), 19, "1111"},
             {in.stats[5], 23, "1111"},
             {QStringLiteral("作弊人数"), 19, "1111"},
             {in.stats[6], 23, "1121"}},
            k);
    // The band line has one line of its cell. With every band shown and counts of three digits it
    // is longer than the cell: it is then drawn smaller, so that no count is lost.
    tablelayout::fitCell(p, QStringLiteral("各段人数"), k * 19, kHeight, 4, QStringLiteral("2111"));
    tablelayout::fitCell(p, bandLine(in), k * 149, kHeight, 1, QStringLiteral("1121"));
    p.NewCellRow(0, 0, 10);

    top += p.CurrentY();
    const int rows = tablelayout::rowsThatFit(p, kRowsPerPage, top, kHeight, kHeight);
    tablelayout::setPageRange(form, n, rows);

    tablelayout::layPages(form, p, [&](int page) {
        p.Font().setBold(true);
        for (int c = 0; c < 11; ++c)
            tablelayout::fitCell(p, cellText(g, 0, c + 1), k * kColumnWidths[c], kHeight, 4,
                      tablelayout::borderCode(tablelayout::RowKind::Heading, c, 11));
        p.NewCellRow(0, 0, kHeight);
        p.Font().setBold(false);

        const int last = tablelayout::lastRow(page, rows, n);
        for (int i = tablelayout::firstRow(page, rows); i <= last; ++i) {
            const auto kind = i == last ? tablelayout::RowKind::LastBody : tablelayout::RowKind::Body;
            for (int c = 0; c < 11; ++c)
                tablelayout::fitCell(p, cellText(g, i, c + 1), k * kColumnWidths[c], kHeight, 4, tablelayout::borderCode(kind, c, 11));
            p.NewCellRow(0, 0, kHeight);
        }
    });
}

} // namespace reportlayouts

void print_dkcj(printsform &form, int &dest)
{
    reportlayouts::SubjectSheetInput in;
    in.date = services::today().toString(QStringLiteral("yyyy-MM-dd"));
    if (auto *w = windows::find<dkcj>(QStringLiteral("dkcj")); w && w->isLoaded()) {
        in.exam = w->Combo1->currentText();
        in.subject = w->Combo2->currentText();
        in.classChoice = w->Combo3->currentText();
        in.cohortYear = w->cohortYear();
        for (int i = 0; i < 16; ++i) {
            if (w->Label2[size_t(i)])
                in.stats[size_t(i)] = w->Label2[size_t(i)]->text();
            if (w->Label3[size_t(i)])
                in.bandCaptions[size_t(i)] = w->Label3[size_t(i)]->text();
            in.statShown[size_t(i)] = w->bandVisible(i);
        }
        in.grid = w->Grid1;
    }
    reportlayouts::laySubjectSheet(form, dest, in);
}

} // namespace quorvane
