// Score labels: one label per student of the label window's grid, ten to a page. A label is a bold
// line (exam, student number, name, seat) over pairs of small boxed cells, a heading and a value
// for every score, total and rank column of the grid, six pairs to a cell row.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/reportlayouts.h"
#include "printing/layouts/tablelayout.h"
#include "reports/cjbq.h"
#include "shell/globals.h"
#include "shell/services.h"
#include "printing/engine/units.h"

#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace reportlayouts {

namespace {
constexpr int kLabelsPerPage = 10;
constexpr float kHeadingWidth = 15;
constexpr float kValueWidth = 10;
constexpr float kCellHeight = 6;
constexpr int kPairsPerRow = 6;
} // namespace

int labelsPerPage(int scoreColumns, double printableHeightMm)
{
    const int k = std::max(scoreColumns, 0);
    // A label's line takes 4 mm, each cell row 6; the label then steps on by 6 × floor(k / 6) + 16.
    const double cells = 4 + 6.0 * ((k + kPairsPerRow - 1) / kPairsPerRow);
    const double advance = 16 + 6.0 * (k / kPairsPerRow);
    if (printableHeightMm <= 0 || cells + advance * (kLabelsPerPage - 1) <= printableHeightMm + 0.01)
        return kLabelsPerPage;
    // Ten labels would put the last ones past the paper's edge, where they are lost: as many as fit,
    // at least one.
    const int fit = 1 + int(std::floor((printableHeightMm + 0.01 - cells) / advance));
    return std::clamp(fit, 1, kLabelsPerPage);
}

void layLabels(printsform &form, int &dest, const LabelsInput &in)
{
    LumoPrinter &p = *form.LumoPrinter1;
    const Grid *g = in.grid;
    // The labels have no title to name their print job by: it is named here.
    p.Printer()->setDocName(in.exam + QStringLiteral("成绩标签"));
    p.StartPrint(dest);
    p.setLeftMargin(23);
    p.setRightMargin(23);
    p.setTopMargin(10);
    p.setBottomMargin(10);
    p.NewPage();
    p.Font().setFamily(QStringLiteral("宋体"));
    p.setFontSize(9);

    const int n = g ? g->Rows() - 1 : 0;
    const int cols = g ? g->Cols() : 0;
    const double printable = p.paperHeightTwips() / lumo::TwipsPerMm - p.TopMargin() - p.BottomMargin();
    const int r = labelsPerPage(cols - 4, printable);
    tablelayout::setPageRange(form, n, r);

    const QString six(6, QLatin1Char(' '));
    tablelayout::layPages(form, p, [&](int page) {
        const int last = tablelayout::lastRow(page, r, n);
        for (int label = tablelayout::firstRow(page, r); label <= last; ++label) {
            const QString name = cellText(g, label, 2);
            // Six blanks after a two-character name, none after a five-character one; a longer name
            // is followed by the next field at once.
            const int pad = std::max(0, 10 - 2 * int(name.size()));
            const QString line = in.exam + six + QStringLiteral("学号：") + cellText(g, label, 1) + six
                                 + QStringLiteral("姓名：") + name + QString(pad, QLatin1Char(' '))
                                 + QStringLiteral("座号：") + cellText(g, label, 3);
            p.Font().setBold(true);
            p.TextOut(line);
            p.NewCellRow(0, 0, 4);
            p.Font().setBold(false);

            int pairs = 0;
            for (int c = 4; c < cols; ++c) {
                tablelayout::fitCell(p, cellText(g, 0, c), kHeadingWidth, kCellHeight, 4, QStringLiteral("1111"));
                tablelayout::fitCell(p, cellText(g, label, c), kValueWidth, kCellHeight, 4, QStringLiteral("1111"));
                if (++pairs == kPairsPerRow) {
                    p.NewCellRow(0, 0, kCellHeight);
                    pairs = 0;
                }
            }
            p.NewCellRow(0, 0, 12);
        }
    });
}

} // namespace reportlayouts

void print_cjbq(printsform &form, int &dest)
{
    const auto in = reportlayouts::examAndGrid<reportlayouts::LabelsInput>(windows::find<cjbq>(QStringLiteral("cjbq")));
    reportlayouts::layLabels(form, dest, in);
}

} // namespace quorvane
