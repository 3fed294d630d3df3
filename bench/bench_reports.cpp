// The all-subject score book (各科成绩册, the gkcj window) of a whole grade of 3,000 students with
// every box ticked: totals, subject ranks and the three rank boxes, 9 subjects, in landscape.
// The book is built by the window's own query; then the preview's layout is timed
//   report_allsubjects_preview: into the preview (page files),
//   report_allsubjects_pdf:     onto a PDF printer,
// each beside the engine's direct drawing of the same number of cells of the same texts (one
// CellOut each, rows and pages, nothing else) onto the same destination.
#include "bench.h"
#include "generate.h"
#include "gradebook.h"

#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "reports/gkcj.h"
#include "shell/services.h"
#include "shell/window.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <stdexcept>

using namespace quorvane;

namespace {

// The cells of the book as the preview lays them out: per student 4 fixed cells, a score and a
// rank cell per subject and per total; 13 students a landscape page.
constexpr int RowsPerPage = 13;
const float FixedWidths[4] = {20, 15, 7, 7};

// The reference: the same cells with the same texts drawn by the engine directly.
void drawCells(LumoPrinter &p, int dest, const Grid &g)
{
    const int n = g.Rows() - 1;
    const int last = g.Cols() - 1;
    p.StartPrint(dest);
    p.setOrientation(2);
    p.NewPage();
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= 4; ++c)
            p.CellOut(g.TextMatrix(r, c), FixedWidths[c - 1], 11, 4, QStringLiteral("1111"));
        // A score and its three ranks (one cell of three lines), for every subject and total.
        for (int c = 5; c + 3 <= last; c += 4) {
            p.CellOut(g.TextMatrix(r, c), 8, 11, 4, QStringLiteral("1111"));
            p.CellOut(g.TextMatrix(r, c + 1) + QStringLiteral("\r\n") + g.TextMatrix(r, c + 2) + QStringLiteral("\r\n")
                          + g.TextMatrix(r, c + 3),
                      10, 11, 4, QStringLiteral("1111"));
        }
        p.NewCellRow(0, 0, 11);
        if (r % RowsPerPage == 0 && r < n)
            p.NewPage();
    }
    p.EndDoc();
}

void run()
{
    // The window's query: the grade, every box ticked.
    bench::School school;
    gkcj *w = bench::openGradeBook(school);
    w->VsNetBut1_Click(2);
    const Grid &grid = *w->Grid1;
    if (grid.Rows() - 1 != school.spec().students) {
        std::printf("report_allsubjects: the query listed %d students\n", grid.Rows() - 1);
        return;
    }

    // The print button opens the preview, which lays the book out at once.
    w->VsNetBut1_Click(1);
    auto *form = windows::find<printsform>(QStringLiteral("printsform"));
    if (!form || !form->LumoPrinter1 || form->LumoPrinter1->PageCount() == 0) {
        std::printf("report_allsubjects: no preview\n");
        return;
    }
    LumoPrinter &preview = *form->LumoPrinter1;
    const int pages = preview.PageCount();

    QTemporaryDir dir;
    LumoPrinter direct;
    direct.resize(1000, 800);
    const double previewMs = bench::timeMs([&] { form->print_topreview(); }, 3);
    const double previewRef = bench::timeMs([&] { drawCells(direct, 0, grid); }, 3);
    std::printf("report_allsubjects: %d students, %d pages, %d columns\n", grid.Rows() - 1, pages, grid.Cols());
    bench::report("report_allsubjects_preview", previewMs, previewRef);

    preview.Printer()->setOutputFormat(QPrinter::PdfFormat);
    preview.Printer()->setOutputFileName(dir.filePath("book.pdf"));
    direct.Printer()->setOutputFormat(QPrinter::PdfFormat);
    direct.Printer()->setOutputFileName(dir.filePath("direct.pdf"));
    const double pdfMs = bench::timeMs([&] { form->print_toprinter(); }, 2);
    const double pdfRef = bench::timeMs([&] { drawCells(direct, 1, grid); }, 2);
    bench::report("report_allsubjects_pdf", pdfMs, pdfRef);

    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("report_allsubjects", run);
} // namespace
