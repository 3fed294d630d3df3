// The student list: the students the student register lists, nine columns (five from the register
// and four blank ones for handwritten entries), 29 rows a page.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/layouts.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/tablelayout.h"
#include "shell/globals.h"
#include "shell/managst.h"

namespace quorvane {

void print_managst(printsform &form, int &dest)
{
    auto *w = windows::find<managst>(QStringLiteral("managst"));
    if (w && !w->isLoaded())
        w = nullptr; // an unloaded window has no controls
    Grid *grid = w ? w->Grid1 : nullptr;

    tablelayout::Table t;
    // The register's own cohort; the chosen one when the register has not been loaded.
    QString year = w ? w->cohortYear() : QString();
    if (year.isEmpty())
        year = gCohortYear;
    t.title = year + QStringLiteral("学届 学生信息名单");
    t.titleSize = 15;
    t.titleAlignment = 2;
    t.bodyFontSize = 12;
    t.rowsPerPage = 29;
    t.rows = grid ? grid->Rows() - 1 : 0;
    t.widths = {32, 20, 18, 16, 20, 16, 16, 16, 16};
    t.headingHeight = 8;
    t.rowHeight = 8;
    t.alignment = 4;
    t.heading = [grid](int c) { return grid && c < 5 ? grid->TextMatrix(0, c + 1) : QString(); };
    t.cell = [grid](int row, int c) { return grid && c < 5 ? grid->TextMatrix(row, c + 1) : QString(); };
    t.geometry = [](LumoPrinter &p) {
        p.setLeftMargin(20);
        p.setRightMargin(20);
    };
    tablelayout::run(form, dest, t);
}

} // namespace quorvane
