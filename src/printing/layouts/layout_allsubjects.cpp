// The all-subject score book: one row per student with student number, name, class and seat, every
// subject's score with (when asked for) its ranks, and the two totals with their ranks. The check
// boxes of the score-book window decide the columns, and with the number of subjects the paper's
// orientation, the margins, the heading's height and the rows a page (fewer on a shorter page); a
// table wider than the paper is narrowed to it.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/reportlayouts.h"
#include "printing/layouts/tablelayout.h"
#include "reports/gkcj.h"
#include "shell/globals.h"
#include "shell/services.h"

#include <algorithm>

namespace quorvane {

namespace reportlayouts {

namespace {

enum Check { Totals = 0, SubjectRanks = 1 };

int rankBoxes(const std::array<bool, 5> &checks)
{
    return int(checks[2]) + int(checks[3]) + int(checks[4]);
}

// Left and right margins for the widths that have their own; false leaves the control's margins.
// The widest book takes the margins of the next widest: a margin below zero would put the table's
// left frame and the page head off the paper's edge.
bool marginsFor(int w, float &left, float &right)
{
    struct M
    {
        int w;
        float left, right;
    };
    static const M table[] = {{175, 18, 18}, {179, 15, 15}, {185, 16, 12}, {189, 10, 10}, {195, 10, 8},
                              {205, 3, 2},   {211, 16, 16}, {229, 15, 10}, {301, 15, 15}, {319, 5, 3},
                              {337, 5, 3}};
    for (const M &m : table) {
        if (m.w == w) {
            left = m.left;
            right = m.right;
            return true;
        }
    }
    return false;
}

// The rank lines of a block whose score or total stands in column c: one rank as it stands; two or
// three one under the other, "-" for a missing one, and nothing at all for a student without the
// score.
QString rankText(const Grid *g, int row, int c, int m)
{
    if (m == 1)
        return cellText(g, row, c + 1);
    if (cellText(g, row, c).isEmpty())
        return QString();
    QStringList lines;
    for (int i = 1; i <= m; ++i) {
        const QString t = cellText(g, row, c + i);
        lines << (t.isEmpty() ? QStringLiteral("-") : t);
    }
    return lines.join(QStringLiteral("\r\n"));
}

QString border(bool lastRowOfPage, bool first, bool last)
{
    QString code = QStringLiteral("1111");
    if (first)
        code[0] = QLatin1Char('2');
    if (last)
        code[2] = QLatin1Char('2');
    if (lastRowOfPage)
        code[3] = QLatin1Char('2');
    return code;
}

} // namespace

int allSubjectsWidth(const std::array<bool, 5> &checks, int subjects)
{
    if (rankBoxes(checks) == 0)
        return 49 + 10 * subjects + (checks[Totals] ? 20 : 0);
    int w = checks[Totals] ? 85 : 49;
    w += checks[SubjectRanks] ? 36 + 18 * subjects : 10 * subjects;
    return w;
}

int allSubjectsCount(const AllSubjectsInput &in)
{
    const Grid *g = in.grid;
    if (!g)
        return std::clamp(in.subjectCount, 0, 12);
    const int k = rankBoxes(in.checks);
    const int t = in.checks[Totals] ? k : 0;
    const int s = in.checks[SubjectRanks] ? k : 0;
    const int totalColumns = in.checks[Totals] ? 2 * (t + 1) : 0;
    const int subjectColumns = (g->Cols() - 1) - 4 - totalColumns;
    if (subjectColumns <= 0)
        return 0;
    // The grid's own subject columns decide: the count handed over describes the exam chosen now,
    // which can differ from the one the grid was built for.
    return std::min(subjectColumns / (s + 1), 12);
}

void layAllSubjects(printsform &form, int &dest, const AllSubjectsInput &in)
{
    LumoPrinter &p = *form.LumoPrinter1;
    const Grid *g = in.grid;
    const int last = g ? g->Cols() - 1 : 0;
    const int subjects = allSubjectsCount(in);

    p.StartPrint(dest);
    const int w = allSubjectsWidth(in.checks, subjects);
    p.setTopMargin(15);
    p.setBottomMargin(15);
    const bool landscape = w >= 230;
    p.setOrientation(landscape ? 2 : 1);
    float left = 0, right = 0;
    if (marginsFor(w, left, right)) {
        p.setLeftMargin(left);
        p.setRightMargin(right);
    }
    const int k = rankBoxes(in.checks);
    static const int portraitRows[4] = {48, 48, 30, 21};
    static const int landscapeRows[4] = {31, 31, 19, 13};
    p.NewPage();

    const QString title = in.exam + QStringLiteral("成绩册 ") + in.classChoice;
    int align = 0;
    if (last > 14)
        align = w < 165 ? 0 : w < 230 ? 2 : w < 265 ? 0 : 2;
    // The table's top on the report's first page: below the title block.
    double top = tablelayout::titleBlock(form, p, title, 15, align);
    top += p.CurrentY();

    const int n = g ? g->Rows() - 1 : 0;

    const int t = in.checks[Totals] ? k : 0;
    const int s = in.checks[SubjectRanks] ? k : 0;
    // Rank boxes ticked without totals or subject ranks never reach the preview; such a grid is laid
    // out like one without ranks, a plain column for each of its columns.
    const bool plain = s == 0 && t == 0;
    static const float headingHeights[4] = {10, 13, 15, 18};
    const float h = plain ? 10 : headingHeights[k];
    const float lower = h - 7;
    const float bodyHeight = (plain || k <= 1) ? 5 : k == 2 ? 8 : 11;
    const int total1 = last - (2 * t + 1);
    const int total2 = last - t;

    // The rows of the page's shape, or as many as the paper holds under the title and heading
    // (measured with the body rows' font, under which the pages close).
    p.setFontSize(9);
    const int rows = tablelayout::rowsThatFit(p, landscape ? landscapeRows[k] : portraitRows[k], top, h, bodyHeight);
    tablelayout::setPageRange(form, n, rows);

    // Every width below is multiplied by f, which narrows a table wider than the paper to it.
    double tableWidth = 49;
    if (plain)
        tableWidth += 10.0 * std::max(0, last - 4);
    else
        tableWidth += (s > 0 ? 18.0 : 10.0) * subjects + (t > 0 ? 36 : 0);
    const float f = tablelayout::widthFactor(p, tableWidth);

    // A heading block: the subject or total over "成绩" and its stacked rank captions.
    auto block = [&](int c, int m, bool rightmost) {
        const float x0 = p.CurrentX();
        const float y0 = p.CurrentY();
        p.setFontSize(10);
        p.Font().setBold(true);
        tablelayout::fitCell(p, cellText(g, 0, c), f * 18, 7, 4, rightmost ? QStringLiteral("1221") : QStringLiteral("1211"));
        p.setCurrentX(x0);
        p.setCurrentY(y0 + 7);
        p.setFontSize(8);
        p.Font().setBold(false);
        tablelayout::fitCell(p, QStringLiteral("成绩"), f * 8, lower, 4, QStringLiteral("1111"));
        p.setFontSize(8);
        QStringList captions;
        for (int i = 1; i <= m; ++i)
            captions << cellText(g, 0, c + i);
        tablelayout::fitCell(p, captions.join(QStringLiteral("\r\n")), f * 10, lower, 4,
                  rightmost ? QStringLiteral("1121") : QStringLiteral("1111"));
        p.setCurrentX(x0 + f * 18);
        p.setCurrentY(y0);
    };

    static const float fixedWidths[4] = {20, 15, 7, 7};
    tablelayout::layPages(form, p, [&](int page) {
        p.setFontSize(10);
        p.Font().setBold(true);
        for (int c = 1; c <= 4; ++c)
            tablelayout::fitCell(p, cellText(g, 0, c), f * fixedWidths[c - 1], h, 4, c == 1 ? QStringLiteral("2211") : QStringLiteral("1211"));
        if (plain) {
            for (int c = 5; c <= last; ++c)
                tablelayout::fitCell(p, cellText(g, 0, c), f * 10, 10, 4, c == last ? QStringLiteral("1221") : QStringLiteral("1211"));
        } else {
            for (int j = 1; j <= subjects; ++j) {
                if (s > 0)
                    block(5 + (j - 1) * (s + 1), s, t == 0 && j == subjects);
                else
                    tablelayout::fitCell(p, cellText(g, 0, 4 + j), f * 10, h, 4, QStringLiteral("1211"));
            }
            if (t > 0) {
                block(total1, t, false);
                block(total2, t, true);
            }
        }
        p.NewCellRow(0, 0, h);
        p.setFontSize(9);
        p.Font().setBold(false);

        const int lastOfPage = tablelayout::lastRow(page, rows, n);
        for (int r = tablelayout::firstRow(page, rows); r <= lastOfPage; ++r) {
            const bool bottom = r == lastOfPage;
            for (int c = 1; c <= 4; ++c)
                tablelayout::fitCell(p, cellText(g, r, c), f * fixedWidths[c - 1], bodyHeight, 4, border(bottom, c == 1, false));
            if (plain) {
                for (int c = 5; c <= last; ++c)
                    tablelayout::fitCell(p, cellText(g, r, c), f * 10, bodyHeight, 4, border(bottom, false, c == last));
            } else {
                for (int j = 1; j <= subjects; ++j) {
                    if (s == 0) {
                        tablelayout::fitCell(p, cellText(g, r, 4 + j), f * 10, bodyHeight, 4, border(bottom, false, false));
                    } else {
                        const int b = 5 + (j - 1) * (s + 1);
                        tablelayout::fitCell(p, cellText(g, r, b), f * 8, bodyHeight, 4, border(bottom, false, false));
                        tablelayout::fitCell(p, rankText(g, r, b, s), f * 10, bodyHeight, 4, border(bottom, false, t == 0 && j == subjects));
                    }
                }
                if (t > 0) {
                    tablelayout::fitCell(p, cellText(g, r, total1), f * 8, bodyHeight, 4, border(bottom, false, false));
                    tablelayout::fitCell(p, rankText(g, r, total1, t), f * 10, bodyHeight, 4, border(bottom, false, false));
                    tablelayout::fitCell(p, cellText(g, r, total2), f * 8, bodyHeight, 4, border(bottom, false, false));
                    tablelayout::fitCell(p, rankText(g, r, total2, t), f * 10, bodyHeight, 4, border(bottom, false, true));
                }
            }
            p.NewCellRow(0, 0, bodyHeight);
        }
    });
}

} // namespace reportlayouts

void print_gkcj(printsform &form, int &dest)
{
    reportlayouts::AllSubjectsInput in;
    in.subjectCount = gReportSubjectCount;
    if (auto *w = windows::find<gkcj>(QStringLiteral("gkcj")); w && w->isLoaded()) {
        in.exam = w->Combo1->currentText();
        in.classChoice = w->Combo3->currentText();
        for (size_t i = 0; i < in.checks.size(); ++i)
            in.checks[i] = w->Check1[i] && w->Check1[i]->isChecked();
        in.grid = w->Grid1;
    }
    reportlayouts::layAllSubjects(form, dest, in);
}

} // namespace quorvane
