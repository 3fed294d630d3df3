#pragma once
#include "reports/studentrows.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace quorvane::allsubjectbook {

// What the all-subject score book lists for one exam: the boxes and the sort order of its window.
struct Options
{
    bool totals = false;        // 总分成绩: the two totals with their ranks
    bool subjectRanks = false;  // 各科排名: rank columns behind every subject
    bool rankClass = false;     // 班级名次(A)
    bool rankStream = false;    // 同类班级名次(B)
    bool rankGrade = false;     // 年级名次(C)
    int order = 1;              // sort option 0..7 (班级学号 .. 年级总分2)

    // Number of ticked rank boxes.
    int rankBoxes() const { return int(rankClass) + int(rankStream) + int(rankGrade); }
    // Rank columns behind each subject: the ticked rank boxes when 各科排名 is ticked, else 0.
    int subjectRankColumns() const { return subjectRanks ? rankBoxes() : 0; }
};

// Who is listed: the whole exam, one stream or one class.
enum class Selection { WholeExam, Arts, Science, Class };
// The selection of a class chooser text: its last two characters "年级", "文科" or "理科", or
// else a class number.
Selection selectionOf(const QString &chooserText);

// The sort options' captions, index 0..7.
QStringList orderCaptions();

// The heading format string for the exam's subjects (subject numbers in ascending order).
QString headingFormat(const std::vector<int> &subjects, const Options &options);
// The number of grid columns that heading gives (column 0 included).
int columnCount(const std::vector<int> &subjects, const Options &options);

// The statement that lists the selection in the chosen order, with its bound values.
struct Query
{
    QString sql;
    QVariantList values;
};
Query listQuery(const QString &examId, const QString &chooserText, int order);

// The book: one row of cell texts per student, indexed by grid column (column 0 empty).
using Book = reports::StudentRows;

// Reads the selection from the exam's stucj rows and fills book. Returns false, leaving book as it
// was, when the query finds no student or cannot run.
bool build(const QSqlDatabase &cohort, const QString &examId, const QString &chooserText,
           const std::vector<int> &subjects, const Options &options, Book &book);

} // namespace quorvane::allsubjectbook
