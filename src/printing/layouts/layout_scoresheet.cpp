// The score-entry sheet: one class or exam room for one subject of one exam, two blocks of entries
// side by side (35 rows of each), every cell a thin box; each entry is followed by an empty
// "分数2" column and an empty column for notes.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/layouts.h"
#include "printing/layouts/printsform.h"
#include "scores/cjintool.h"

#include <QCheckBox>
#include <QLabel>

namespace quorvane {

namespace {

constexpr int kRowsPerBlock = 35;
constexpr int kEntriesPerPage = 2 * kRowsPerBlock;
const QString kBox = QStringLiteral("1111");

float columnWidth(int c)
{
    return c == 1 ? 25.f : 14.f;
}

// One block of cells: the grid columns 1 to lastCol of the row, then the empty second-score and
// note columns; the heading block (row 0) carries "分数2" in the second-score column.
void block(LumoPrinter &p, Grid *grid, int row, int lastCol, float height)
{
    for (int c = 1; c <= lastCol; ++c)
        p.CellOut(grid ? grid->TextMatrix(row, c) : QString(), columnWidth(c), height, 4, kBox);
    p.CellOut(row == 0 ? QStringLiteral("分数2") : QString(), 14, height, 4, kBox);
    p.CellOut(QString(), 12, height, 4, kBox);
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

    p.Font().setFamily(QStringLiteral("黑体"));
    p.TitleOut(w ? text(w->Combo2) : QString(), 15, 0);

    p.Font().setFamily(QStringLiteral("宋体"));
    p.setFontSize(12);

    const int n = grid ? grid->Rows() - 1 : 0;
    const int lastCol = grid ? grid->Cols() - 2 : 0;

    QString subjectLine;
    if (w && w->Check1 && w->Check1->checkState() == Qt::Checked)
        subjectLine = QStringLiteral("考试科目：_______________") + QStringLiteral("（") + caption
            + QStringLiteral("_________）");
    else
        subjectLine = QStringLiteral("考试科目：") + (w ? text(w->Combo1) : QString()) + QStringLiteral("（") + caption
            + (w ? text(w->Combo3) : QString()) + QStringLiteral("）");
    p.TitleOut(subjectLine, 13, 0);

    // The sheet holds 70 entries; the entry window admits one more, which goes onto a second page
    // of the same form rather than being left off.
    const int pages = n <= kEntriesPerPage ? 1 : (n + kEntriesPerPage - 1) / kEntriesPerPage;
    for (int page = 0; page < pages; ++page) {
        const int base = page * kEntriesPerPage;
        if (page > 0)
            p.NewPage();
        p.Font().setBold(true);
        block(p, grid, 0, lastCol, 8);
        if (n - base > kRowsPerBlock)
            block(p, grid, 0, lastCol, 8);
        p.NewCellRow(0, 0, 8);
        p.Font().setBold(false);

        for (int k = base + 1; k <= n && k <= base + kRowsPerBlock; ++k) {
            block(p, grid, k, lastCol, 7);
            if (k + kRowsPerBlock <= n)
                block(p, grid, k + kRowsPerBlock, lastCol, 7);
            p.NewCellRow(0, 0, 7);
        }
    }
    p.EndDoc();
}

} // namespace quorvane
