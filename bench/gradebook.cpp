#include "gradebook.h"
#include "bench.h"

#include "printing/layouts/register.h"
#include "reports/gkcj.h"
#include "reports/register.h"
#include "scores/ranking.h"
#include "shell/globals.h"
#include "shell/window.h"

#include <QCheckBox>
#include <QFont>

namespace quorvane::bench {

gkcj *openGradeBook(School &school, QString *examId)
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("Noto Serif CJK SC")});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("Noto Sans CJK SC")});
    services::install(std::make_unique<QuietServices>());
    registerReportsWindows();
    registerLayoutsWindows();

    const QString exam = school.addExam(QStringLiteral("期末考试"));
    school.seatStudents(exam);
    school.addScores(exam);
    std::vector<SubjectChoice> subjects;
    readSubjectList(school.system(), school.spec().year, exam, &subjects);
    runTotals(school.cohort(), school.system(), school.spec().year, exam);
    runSubjects(school.cohort(), school.system(), school.spec().year, exam, subjects);
    gCohortYear = school.spec().year;
    gCohortDbFile = school.cohortDbFile();
    if (examId)
        *examId = exam;

    auto *w = windows::get<gkcj>(QStringLiteral("gkcj"));
    w->Load();
    w->Combo1->setCurrentIndex(0);
    w->Combo1_Click();
    w->Combo3->setCurrentIndex(w->Combo3->findText(QStringLiteral("年级")));
    w->Combo3_Click();
    for (QCheckBox *box : w->Check1)
        box->setChecked(true);
    return w;
}

} // namespace quorvane::bench
