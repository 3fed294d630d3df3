// Score workbook import into the score entry window (考试成绩输入, cjintool) for one class of 500
// and one of 2,000 students: the class's sheet of name, seat and score read and placed into the
// listed grid, beside a reference in the same run that reads the same cells of the same workbook
// and places nothing. The two sizes show whether the placing grows linearly.
#include "bench.h"
#include "generate.h"

#include "controls/grid/grid.h"
#include "scores/cjintool.h"
#include "scores/register.h"
#include "scores/scoresheet.h"
#include "shell/excelio.h"
#include "shell/globals.h"
#include "shell/services.h"
#include "shell/window.h"

#include <QTemporaryDir>

using namespace quorvane;

namespace {

bool pick(QComboBox *combo, const QString &text)
{
    const int i = combo->findText(text);
    if (i < 0)
        return false;
    combo->setCurrentIndex(i);
    Q_EMIT combo->activated(i);
    return true;
}

void importClass(int students)
{
    bench::SchoolSpec spec;
    spec.students = students;
    spec.classes = 1;
    spec.artsClasses = 0;
    spec.rooms = (students + spec.seatsPerRoom - 1) / spec.seatsPerRoom;
    bench::School school(spec);
    const QString exam = school.addExam(QStringLiteral("期末考试"));
    school.seatStudents(exam);
    gCohortYear = spec.year;
    gCohortDbFile = school.cohortDbFile();

    // 语文 is entered by class: the window lists class 1 as the user lists it.
    auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
    w->Load();
    if (!pick(w->Combo2, QStringLiteral("期末考试")) || !pick(w->Combo1, QStringLiteral("语文")) || !pick(w->Combo3, QStringLiteral("1"))
        || !pick(w->Combo4, w->Combo4->itemText(w->Combo4->count() - 1)) || w->Grid1->Rows() - 1 != students) {
        std::printf("score_import: the class was not listed (%d rows)\n", w->Grid1->Rows() - 1);
        w->Unload();
        return;
    }
    // The class's sheet as an export writes it, the rows in reverse order of the list.
    std::vector<QStringList> table{{QStringLiteral("姓名"), QStringLiteral("座号"), QStringLiteral("分数")}};
    for (int r = w->Grid1->Rows() - 1; r >= 1; --r)
        table.push_back({w->Grid1->TextMatrix(r, 1), w->Grid1->TextMatrix(r, 2), QString::number(60 + r % 90)});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("scores.xlsx"));
    scoresheet::writeScoreWorkbook(file, table);

    ExcelIo excel{scoreExcelTexts()};
    const bench::Side reference{[&] {
        if (!excel.el_openexcel(file))
            return;
        scoresheet::readScoreRows(
            [&](const QString &ref) {
                excel.el_selsectx(ref);
                return excel.ActiveCellText();
            },
            [](const QString &, const QString &, const QString &) {});
        excel.el_closeexcel();
    }};
    const bench::Line line = bench::alternate({[&] { w->stuinputok0(file); }}, reference);
    if (w->Grid1->TextMatrix(1, 3) != table.back().at(2))
        std::printf("score_import: the first row got %s\n", qPrintable(w->Grid1->TextMatrix(1, 3)));
    bench::report("score_import_class_" + std::to_string(students), line);
    w->Unload();
}

void run()
{
    services::install(std::make_unique<bench::QuietServices>());
    registerScoresWindows();
    importClass(500);
    importClass(2000);
    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("score_import", run);

} // namespace
