// The score-entry sheet: one class or exam room for one subject of one exam, two blocks of entries
// side by side (35 rows of each, fewer on a shorter page), every cell a thin box; each entry is
// followed by an empty "分数2" column and an empty column for notes.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/layouts.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/tablelayout.h"
#include "scores/cjintool.h"

#include <QCheckBox>
#include <QLabel>

namespace quorvane {

namespace {

constexpr int kRowsPerBlock = 35;
const QString kBox = QStringLiteral("1111");

float columnWidth(int c)
{
    return c == 1 ? 25.f : 14.f;
}

// One block of cells: the grid columns 1 to lastCol of the row, then the empty second-score and
// note columns; the heading block (row 0) carries "分数2" in the second-score column. Widths are
// multiplied by k, which narrows the sheet to paper narrower than its two blocks.
void block(LumoPrinter &p, Grid *grid, int row, int lastCol, float height, float k)
{
    for (int c = 1; c <= lastCol; ++c)
        tablelayout::fitCell(p, grid ? grid->TextMatrix(row, c) : QString(), k * columnWidth(c), height, 4, kBox);
    tablelayout::fitCell(p, row == 0 ? QStringLiteral("分数2") : QString(), k * 14, height, 4, kBox);
    tablelayout::fitCell(p, QString(), k * 12, height, 4, kBox);
}

} // namespace

void print_cjintool(printsform &form, int &dest)
{
    LumoPrinter &p = *form.LumoPrinter1;
    auto *w = windows::find<cjintool>(QStringLiteral("cjintool"));
    if (w && !w->isLoaded())
        w = nullptr; // an unloaded window has no controls
    Grid *grid = w ? w->Grid1 : nullptr;
    const auto text = [](QComboBox *c) { return c ? c->currentText() : QString(); };
    const QString caption = w && w->Label1[1] ? w->Label1[1]->text() : QString();

    p.StartPrint(dest);
    p.setTopMargin(13);
    p.setBottomMargin(13);
    p.NewPage();

    const int n = grid ? grid->Rows() - 1 : 0;
    const int lastCol = grid ? grid->Cols() - 2 : 0;

    QString subjectLine;
    if (w && w->Check1 && w->Check1->checkState() == Qt::Checked)
        subjectLine = QStringLiteral("考试科目：_______________") + QStringLiteral("（") + caption
            + QStringLiteral("_________）");
    else
        subjectLine = QStringLiteral("考试科目：") + (w ? text(w->Combo1) : QString()) + QStringLiteral("（") + caption
            + (w ? text(w->Combo3) : QString()) + QStringLiteral("）");

    // The exam title and the subject line stand on every sheet, so that a loose second sheet can
    // still be matched to its exam, subject and class or room; each sheet starts from the font of
    // the first, so that its table starts at the same height.
    const QFont startFont = p.Font();
    const auto head = [&] {
        p.Font() = startFont;
        p.Font().setFamily(QStringLiteral("黑体"));
        p.TitleOut(w ? text(w->Combo2) : QString(), 15, 0);
        p.Font().setFamily(QStringLiteral("宋体"));
        p.setFontSize(12);
        p.TitleOut(subjectLine, 13, 0);
    };
    head();

    // 35 rows of two entries a sheet, or as many rows as the paper holds under the head.
    const int rows = tablelayout::rowsThatFit(p, kRowsPerBlock, p.CurrentY(), 8, 7);
    const int perPage = 2 * rows;
    float blockWidth = 12 + 14;
    for (int c = 1; c <= lastCol; ++c)
        blockWidth += columnWidth(c);
    const float k = tablelayout::widthFactor(p, 2 * blockWidth);

    // The sheet holds 70 entries; the entry window admits one more, which goes onto a second sheet
    // of the same form rather than being left off.
    const int pages = n <= perPage ? 1 : (n + perPage - 1) / perPage;
    for (int page = 0; page < pages; ++page) {
        const int base = page * perPage;
        if (page > 0) {
            p.NewPage();
            head();
        }
        p.Font().setBold(true);
        block(p, grid, 0, lastCol, 8, k);
        if (n - base > rows)
            block(p, grid, 0, lastCol, 8, k);
        p.NewCellRow(0, 0, 8);
        p.Font().setBold(false);

        for (int e = base + 1; e <= n && e <= base + rows; ++e) {
            block(p, grid, e, lastCol, 7, k);
            if (e + rows <= n)
                block(p, grid, e + rows, lastCol, 7, k);
            p.NewCellRow(0, 0, 7);
        }
    }
    p.EndDoc();
}

} // namespace quorvane
