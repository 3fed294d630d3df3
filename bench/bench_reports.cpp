// The all-subject score book (各科成绩册, the gkcj window) of a whole grade of 3,000 students with
// every box ticked: totals, subject ranks and the three rank boxes, 9 subjects, in landscape.
// The book is built by the window's own query; then the preview's layout is timed
//   report_allsubjects_preview: into the preview (page files),
//   report_allsubjects_pdf:     onto a PDF printer,
// each beside the engine's direct drawing of the same number of cells of the same texts (one
// CellOut each, rows and pages, nothing else) onto the same destination.
// The same book of a grade of 10,000 and of 30,000 students (classes of 50, rooms of 40):
//   report_allsubjects_query_10k, _30k: the window's query (the query button until the grid shows
//     the book), beside reading the same rows from the database; with the process's peak memory,
//   report_allsubjects_preview_10k:     the whole document into the preview, as above.
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
#include <QFile>
#include <QPrinter>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <malloc.h>
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

// A school of n students in classes of 50 (a third of them arts classes) and rooms of 40.
bench::SchoolSpec schoolOf(int students)
{
    bench::SchoolSpec spec;
    spec.students = students;
    spec.classes = students / 50;
    spec.artsClasses = spec.classes / 3;
    spec.rooms = students / 40;
    return spec;
}

void closeBook()
{
    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

// The window's query (the query button), checked to list every student.
bool query(gkcj *w, int students)
{
    w->VsNetBut1_Click(2);
    if (w->Grid1->Rows() - 1 == students)
        return true;
    std::printf("report_allsubjects: the query listed %d students\n", w->Grid1->Rows() - 1);
    return false;
}

// The query's reference: the same rows in the same order read straight from the database, every
// field's value taken as text.
void readRows(const QSqlDatabase &cohort, const QString &exam)
{
    QSqlQuery q(cohort);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT * FROM stucj WHERE id = ? ORDER BY bj, zh, rowid"));
    q.addBindValue(exam);
    q.exec();
    const int fields = q.record().count();
    qsizetype chars = 0;
    while (q.next())
        for (int i = 0; i < fields; ++i)
            chars += q.value(i).toString().size();
    if (chars == 0)
        std::printf("report_allsubjects: the reference read nothing\n");
}

// The print button opens the preview, which lays the book out at once; nullptr when it did not.
printsform *openPreview(gkcj *w)
{
    w->VsNetBut1_Click(1);
    auto *form = windows::find<printsform>(QStringLiteral("printsform"));
    if (!form || !form->LumoPrinter1 || form->LumoPrinter1->PageCount() == 0) {
        std::printf("report_allsubjects: no preview\n");
        return nullptr;
    }
    return form;
}

// A memory figure of the process in MB (Linux: "VmRSS:" in use, "VmHWM:" the peak since the last
// reset); -1 where unknown.
long statusMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong() / 1024;
    return -1;
}

// Hands the memory freed so far back to the system and sets the peak back to the memory in use
// then, so the peak that follows is what the next step needs on top of the memory in use.
void resetPeak()
{
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void run()
{
    bench::School school;
    gkcj *w = bench::openGradeBook(school);
    if (!query(w, school.spec().students))
        return;
    const Grid &grid = *w->Grid1;
    printsform *form = openPreview(w);
    if (!form)
        return;
    LumoPrinter &preview = *form->LumoPrinter1;
    const int pages = preview.PageCount();

    QTemporaryDir dir;
    LumoPrinter direct;
    direct.resize(1000, 800);
    const bench::Line previewLine = bench::alternate({[&] { form->print_topreview(); }}, {[&] { drawCells(direct, 0, grid); }});
    std::printf("report_allsubjects: %d students, %d pages, %d columns\n", grid.Rows() - 1, pages, grid.Cols());
    bench::report("report_allsubjects_preview", previewLine);

    preview.Printer()->setOutputFormat(QPrinter::PdfFormat);
    preview.Printer()->setOutputFileName(dir.filePath("book.pdf"));
    direct.Printer()->setOutputFormat(QPrinter::PdfFormat);
    direct.Printer()->setOutputFileName(dir.filePath("direct.pdf"));
    bench::report("report_allsubjects_pdf", bench::alternate({[&] { form->print_toprinter(); }}, {[&] { drawCells(direct, 1, grid); }}));
    closeBook();
}

// A grade of n students: the window's query (against reading its rows from the database), `repeat`
// runs of each in turn, with the process's peak memory over the first query; with `preview`, the
// whole document into the preview (against the engine's direct drawing of the same cells).
void runGrade(int students, const std::string &size, int repeat, bool preview)
{
    bench::School school(schoolOf(students));
    QString exam;
    gkcj *w = bench::openGradeBook(school, &exam);
    int queries = 0;
    long inUse = -1, peak = -1;
    bool listed = true;
    const bench::Side ours{.run = [&] { listed = query(w, students) && listed; },
                           .before =
                               [&] {
                                   if (queries == 0) {
                                       resetPeak();
                                       inUse = statusMb("VmRSS:");
                                   }
                               },
                           .after =
                               [&] {
                                   if (queries++ == 0)
                                       peak = statusMb("VmHWM:");
                               }};
    const bench::Line queryLine = bench::alternate(ours, {[&] { readRows(school.cohort(), exam); }}, repeat);
    if (!listed)
        return;
    bench::report("report_allsubjects_query_" + size, queryLine);
    std::printf("report_allsubjects_query_%s: peak %ld MB (%ld MB in use before the query)\n", size.c_str(), peak, inUse);
    if (!preview) {
        closeBook();
        return;
    }

    printsform *form = openPreview(w);
    if (!form)
        return;
    LumoPrinter direct;
    direct.resize(1000, 800);
    const bench::Line previewLine =
        bench::alternate({[&] { form->print_topreview(); }}, {[&] { drawCells(direct, 0, *w->Grid1); }}, repeat);
    std::printf("report_allsubjects_%s: %d pages\n", size.c_str(), form->LumoPrinter1->PageCount());
    bench::report("report_allsubjects_preview_" + size, previewLine);
    closeBook();
}

bench::Registration reg("report_allsubjects", run);
bench::Registration reg10k("report_allsubjects_10k", [] { runGrade(10000, "10k", 3, true); });
bench::Registration reg30k("report_allsubjects_30k", [] { runGrade(30000, "30k", 1, false); });
} // namespace
