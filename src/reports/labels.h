#pragma once
#include "reports/studentrows.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

namespace quorvane::labels {

// What the score labels show besides the subject scores: the boxes of the label window.
struct Options
{
    bool totals = false;      // 总分成绩: 总分1 and 总分2
    bool rankClass = false;   // 班级名次(A)
    bool rankStream = false;  // 同类班级名次(B)
    bool rankGrade = false;   // 年级名次(C)

    int rankBoxes() const { return int(rankClass) + int(rankStream) + int(rankGrade); }
};

// The heading format string for the exam's subjects (subject numbers in ascending order); the
// rank headings appear only with 总分成绩.
QString headingFormat(const std::vector<int> &subjects, const Options &options);
// The number of grid columns that heading gives (column 0 included).
int columnCount(const std::vector<int> &subjects, const Options &options);

// The labels of one class: one row of cell texts per student in seat order, indexed by grid
// column (column 0 empty).
using Sheet = reports::StudentRows;

// Reads the class's stucj rows of the exam and fills sheet. Returns false, leaving sheet as it
// was, when the class has no student in the exam or the query cannot run.
bool build(const QSqlDatabase &cohort, const QString &examId, const QString &classText,
           const std::vector<int> &subjects, const Options &options, Sheet &sheet);

} // namespace quorvane::labels
