// Reports printed to PDF through the preview's print button, each beside an independent reference
// measured in the same run: the same texts and cell frames of every page drawn straight onto a
// QPdfWriter with plain QPainter calls (drawText for each text, drawLine or drawRect for each frame,
// a pen or font set when it changes), as a program without a print engine would draw them.
//   pdf_allsubjects_3k, pdf_allsubjects_10k: 各科成绩册 of a whole grade, every box ticked;
//   pdf_students_10k: the student register's list (学生信息名单) of 10,000 students.
#include "bench.h"
#include "generate.h"
#include "gradebook.h"

#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/register.h"
#include "reports/gkcj.h"
#include "reports/register.h"
#include "shell/globals.h"
#include "shell/managst.h"
#include "shell/register.h"
#include "shell/services.h"
#include "shell/window.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>

using namespace quorvane;

namespace {

// The reference: every page's texts, frames and fills drawn directly.
void drawDirect(const std::vector<PageRecord> &pages, const QString &file)
{
    QPdfWriter pdf(file);
    pdf.setResolution(1200);
    const PageRecord &first = pages.front();
    pdf.setPageSize(QPageSize(QSizeF(first.paperWidth / 20.0, first.paperHeight / 20.0), QPageSize::Point, QString(),
                              QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&pdf);
    const double perTwip = 1200.0 / 1440.0;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            pdf.newPage();
        const PageRecord &page = pages[i];
        p.save();
        p.scale(perTwip, perTwip);
        p.translate(page.originX, page.originY);
        int font = -1;
        QPen pen(Qt::NoPen);
        p.setPen(pen);
        for (const PageOp &op : page.ops) {
            if (op.kind == PageOp::Text) {
                if (op.index != font) {
                    p.setFont(page.fonts[op.index]);
                    font = op.index;
                }
                if (pen != QPen(QColor::fromRgb(op.rgb))) {
                    pen = QPen(QColor::fromRgb(op.rgb));
                    p.setPen(pen);
                }
                p.drawText(QPointF(op.x1, op.y2), op.text);
                continue;
            }
            if (op.kind == PageOp::FilledRect) {
                p.fillRect(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)).normalized(), QColor::fromRgb(op.rgb));
                continue;
            }
            const QPen edge(QColor::fromRgb(op.rgb), std::max(double(op.penWidth), 1 / perTwip));
            if (pen != edge) {
                pen = edge;
                p.setPen(pen);
            }
            if (op.kind == PageOp::Rect)
                p.drawRect(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)).normalized());
            else if (op.kind == PageOp::Line)
                p.drawLine(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2));
        }
        p.restore();
    }
}

// Prints the report the preview shows to a PDF file, beside the reference drawing its pages.
void printBeside(const std::string &name, int students)
{
    auto *form = windows::find<printsform>(QStringLiteral("printsform"));
    if (!form || !form->LumoPrinter1 || form->LumoPrinter1->PageCount() == 0) {
        std::printf("%s: no preview\n", name.c_str());
        return;
    }
    LumoPrinter &preview = *form->LumoPrinter1;
    std::vector<PageRecord> pages(size_t(preview.PageCount()));
    for (size_t i = 0; i < pages.size(); ++i)
        preview.loadPage(int(i) + 1, pages[i]);
    QTemporaryDir dir;
    preview.Printer()->setOutputFormat(QPrinter::PdfFormat);
    preview.Printer()->setOutputFileName(dir.filePath("engine.pdf"));
    const bench::Line line = bench::alternate({[&] { form->print_toprinter(); }}, {[&] { drawDirect(pages, dir.filePath("direct.pdf")); }});
    std::printf("%s: %d students, %zu pages, PDF %lld KB, reference %lld KB\n", name.c_str(), students, pages.size(),
                QFileInfo(dir.filePath("engine.pdf")).size() / 1024, QFileInfo(dir.filePath("direct.pdf")).size() / 1024);
    bench::report(name, line);
    form->Unload();
}

void allSubjects(int students, const std::string &name)
{
    bench::SchoolSpec spec;
    spec.students = students;
    spec.classes = students / 50;
    spec.artsClasses = spec.classes / 3;
    spec.rooms = (students + spec.seatsPerRoom - 1) / spec.seatsPerRoom;
    bench::School school(spec);
    // The grade, every box ticked, queried; then the print button, which opens the preview.
    auto *w = bench::openGradeBook(school);
    w->VsNetBut1_Click(2);
    if (w->Grid1->Rows() - 1 != students)
        std::printf("%s: the query listed %d students\n", name.c_str(), w->Grid1->Rows() - 1);
    else {
        w->VsNetBut1_Click(1);
        printBeside(name, students);
    }
    w->Unload();
}

void studentList(int students, const std::string &name)
{
    bench::SchoolSpec spec;
    spec.students = students;
    spec.classes = students / 50;
    spec.rooms = 1;
    bench::School school(spec);
    gCohortYear = spec.year;
    gCohortDbFile = school.cohortDbFile();
    auto *w = windows::get<managst>(QStringLiteral("managst"));
    w->Load();
    w->Toolbar2_ButtonMenuClick(QStringLiteral("findall"));
    if (w->Grid1->Rows() - 1 != students)
        std::printf("%s: the register listed %d students\n", name.c_str(), w->Grid1->Rows() - 1);
    else {
        w->Toolbar1_ButtonClick();
        printBeside(name, students);
    }
    w->Unload();
}

void run()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("Noto Serif CJK SC")});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("Noto Sans CJK SC")});
    services::install(std::make_unique<bench::QuietServices>());
    registerShellWindows();
    registerReportsWindows();
    registerLayoutsWindows();
    allSubjects(3000, "pdf_allsubjects_3k");
    allSubjects(10000, "pdf_allsubjects_10k");
    studentList(10000, "pdf_students_10k");
    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("pdf", run);

} // namespace
