#pragma once
// The single-subject score book computed without widgets: the students of one class, the whole
// grade or one stream with their score in one subject, and the statistics of that selection.
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace quorvane::reports {

// What Combo3 of the single-subject book chose.
struct SubjectSelection
{
    enum Kind { Class, Grade, Arts, Science };
    Kind kind = Class;
    int classNo = 0;
};
// "年级", "文科", "理科", otherwise a class number.
SubjectSelection subjectSelectionFromText(const QString &text);

struct SubjectBookStudent
{
    QString bj, zh, name;
    QString score;   // "" no score; "0" absent or cheating; otherwise the score
    QString note;    // "缺考", "作弊" or ""
};

// tj indices: 0 average, 1 highest, 2 lowest, 3 total, 4 takers, 5 absent, 6 cheating,
// 7 < 60, 8 60..<70, … 14 120..<130, 15 >= 130. Takers are the students with a counted score: the
// absent, the cheating and those without a score are listed but neither counted nor averaged. The
// last band shown for the subject's full mark also holds every score above it (a full-mark score
// among them), so the bands shown add up to the takers.
struct SubjectBook
{
    bool found = false;                        // the query returned rows
    std::vector<SubjectBookStudent> students;  // in query order (class, seat / seat)
    std::array<double, 16> tj{};
    int counted = 0;                           // the takers: scores in sum, highest, lowest and bands
    int gridRows() const;                      // heading row + one row per two students
};

// Reads ke<subject> of the selected students of the exam and computes the book; fullMark is the
// subject's whole-number full mark, which decides the bands shown. step runs once per grid row
// written (two students).
SubjectBook buildSubjectBook(const QSqlDatabase &cohort, const QString &examId, int subject, int fullMark,
                             const SubjectSelection &selection, const std::function<void()> &step = {});

// The band row (7..15) is shown when the subject's whole-number full mark reaches (band − 1) × 10.
bool bandShown(int band, int fullMark);
// The caption of band row 7..15 ("<60分人数:" … ">=130分人数:"). The last band shown below the top
// one also holds the full mark, so it reads "<=" + full mark ("<=100分人数:").
QString bandCaption(int band, int fullMark);

} // namespace quorvane::reports
