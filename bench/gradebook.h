#pragma once
// The all-subject score book (各科成绩册, the gkcj window) of a generated school's whole grade, as
// the benchmarks of the book's query, preview and PDF set it up.
#include "generate.h"

#include "reports/gkcj.h"
#include "scores/ranking.h"
#include "shell/globals.h"
#include "shell/window.h"

#include <QCheckBox>

namespace quorvane::bench {

// An exam of the school with seats, scores, totals and subject ranks, as the statistics windows
// would have written them; the school's cohort becomes the program's.
inline QString rankedExam(School &school)
{
    const QString exam = school.addExam(QStringLiteral("期末考试"));
    school.seatStudents(exam);
    school.addScores(exam);
    std::vector<SubjectChoice> subjects;
    readSubjectList(school.system(), school.spec().year, exam, &subjects);
    runTotals(school.cohort(), school.system(), school.spec().year, exam);
    runSubjects(school.cohort(), school.system(), school.spec().year, exam, subjects);
    gCohortYear = school.spec().year;
    gCohortDbFile = school.cohortDbFile();
    return exam;
}

// The window's query of the newest exam: the grade, every box ticked.
inline gkcj *queryWholeGrade()
{
    auto *w = windows::get<gkcj>(QStringLiteral("gkcj"));
    w->Load();
    w->Combo1->setCurrentIndex(0);
    w->Combo1_Click();
    w->Combo3->setCurrentIndex(w->Combo3->findText(QStringLiteral("年级")));
    w->Combo3_Click();
    for (QCheckBox *box : w->Check1)
        box->setChecked(true);
    w->VsNetBut1_Click(2);
    return w;
}

} // namespace quorvane::bench
