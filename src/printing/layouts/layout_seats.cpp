// The class and exam-room seat lists: the seat chart's grid, 38 rows a page, under a title that
// names the grade, the class or room and the exam, with a line of date and head count (and, for a
// room, its address) at the top of the first page of every run.
#include "arrangement/bpdy.h"
#include "arrangement/bpdy2.h"
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/layouts.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/tablelayout.h"
#include "shell/services.h"

#include <QLabel>

namespace quorvane {

namespace {

QString labelText(bpdy2 *w, int i)
{
    return w && w->Label1[size_t(i)] ? w->Label1[size_t(i)]->text() : QString();
}

// The exam whose chart is shown: the arrangement window's choice the chart was opened with.
QString examName(bpdy2 *w)
{
    if (w && !w->examName().isEmpty())
        return w->examName();
    auto *arr = windows::find<bpdy>(QStringLiteral("bpdy"));
    return arr && arr->isLoaded() && arr->Combo1 ? arr->Combo1->currentText() : QString();
}

QString today()
{
    return services::today().toString(QStringLiteral("yyyy-MM-dd"));
}

void printSeatList(printsform &form, int &dest, bool classList)
{
    auto *w = windows::find<bpdy2>(QStringLiteral("bpdy2"));
    if (w && !w->isLoaded())
        w = nullptr; // an unloaded window has no controls
    Grid *grid = w ? w->Grid1 : nullptr;
    const QString chosen = w && w->Combo3 ? w->Combo3->currentText() : QString();

    tablelayout::Table t;
    t.title = labelText(w, 4) + chosen + (classList ? QStringLiteral("班 ") : QStringLiteral("考场 "))
        + examName(w) + QStringLiteral("座位单");
    t.titleSize = 15;
    t.titleAlignment = 0;
    t.bodyFontSize = 10;
    t.boldHeading = true;
    t.rowsPerPage = 38;
    t.rows = grid ? grid->Rows() - 1 : 0;
    if (classList)
        t.widths = {27, 18, 18, 18, 18, 15, 20};
    else
        t.widths = {16, 22, 27, 24, 20, 20};
    t.headingHeight = 6;
    t.rowHeight = 6;
    t.alignment = 4;
    t.heading = [grid](int c) { return grid ? grid->TextMatrix(0, c + 1) : QString(); };
    t.cell = [grid](int row, int c) { return grid ? grid->TextMatrix(row, c + 1) : QString(); };
    t.beforeTable = [w, classList](LumoPrinter &p) {
        p.NewCellRow(0, 0, 0);
        QString info;
        if (classList)
            info = today() + QStringLiteral("    ") + labelText(w, 3);
        else
            info = QStringLiteral("考试地点：") + labelText(w, 2) + QStringLiteral("        ") + today()
                + QStringLiteral("    ") + labelText(w, 3);
        p.TextOutEx(info);
        p.NewCellRow(0, 0, 0);
    };
    tablelayout::run(form, dest, t);
}

} // namespace

void print_bjzw(printsform &form, int &dest)
{
    printSeatList(form, dest, true);
}

void print_kczw(printsform &form, int &dest)
{
    printSeatList(form, dest, false);
}

} // namespace quorvane
