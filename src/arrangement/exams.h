#pragma once
#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "shell/codes.h"

namespace quorvane {

// The exams of a cohort (table kcbpb of the system database) and their room lists (kcid), and the
// deletion of an exam together with its student rows (stucj of the cohort database).

// The grade of a cohort on a day: the year of the day minus the cohort year, plus 1 from September
// on (a cohort enters in September of its year). Not limited to 1..3.
int examGrade(const QDate &day, const QString &cohortYear);
// The name a new exam is proposed with: "2008-2009学年第一学期" from September on, otherwise the
// second term of the school year that began the year before.
QString defaultExamName(const QDate &day);
// The id of a moment: yyMMddhhmmss.
QString examIdForMoment(const QDateTime &moment);
// A fresh id for an exam saved at that moment: the moment's id, or the id of the next second that
// no exam uses yet, so two exams saved within one second never share an id.
QString newExamId(const QSqlDatabase &sys, const QDateTime &moment);

struct Exam
{
    QString id;
    QString name;
    QVariant num;
    QVariant bpid;
    QVariant grade;
    QVariant kcid;
};

// The exams of a cohort, newest first (creation order within equal ids).
QVector<Exam> examsOfCohort(const QSqlDatabase &sys, const QString &cohortYear, bool *ok = nullptr);
// The exam with that id; found is false when there is none.
Exam examById(const QSqlDatabase &sys, const QString &id, bool *found);
// The name of the exam with that id, or an empty text.
QString examName(const QSqlDatabase &sys, const QString &id);

// What a save writes. bpid is written only when set (a save without a chosen basis keeps the
// stored one).
struct ExamSave
{
    QString id;         // the exam's id; a row is added when no exam has it
    QString name;
    double num = 0;
    QVariant bpid;      // Null: leave as stored
    QString year;
    int grade = 0;      // written only when the row is added
};
bool saveExam(const QSqlDatabase &sys, const ExamSave &exam, bool *added = nullptr, QString *error = nullptr);

// How a deletion of an exam ended.
struct ExamDeletion
{
    enum Outcome {
        Deleted,         // the exam row and its student rows are gone
        NothingDeleted,  // a write lock could not be taken or the exam row could not go: all kept
        RowsLeft,        // the exam is gone but its student rows could not go yet: the next deletion
                         // of an exam of the cohort, or opening 考场编排, removes them
    };
    Outcome outcome = Deleted;
    QSqlError error; // the database's error when not Deleted
};

// Deletes an exam. Both write locks are taken first (the system database's, then the cohort
// database's), so nothing is deleted while another writer holds either. Then the exam row goes in
// one commit on the system database, together with a record of the deletion that names the
// cohort's database; then, in one commit on the cohort database, its student rows together with
// the rows of any earlier deletion recorded for the cohort; then the records. A failure between
// the commits (a crash, a full disk) leaves only rows of an exam no window lists, which the record
// lets the next deletion or opening 考场编排 remove. Rows of an exam the system database merely
// does not list (a system file restored from an older backup) are never removed. Both files are
// checkpointed after the commits.
ExamDeletion deleteExam(const QSqlDatabase &sys, const QSqlDatabase &cohort, const QString &id);
// Completes the deletions recorded for the cohort: removes their student rows, then their records
// (an exam the system database lists again keeps its rows). False when a database failed.
bool removeOrphanRows(const QSqlDatabase &sys, const QSqlDatabase &cohort);

// The first roomCount rooms of an exam's room list.
QStringList roomListCut(const QStringList &rooms, int roomCount);
// Adds rooms to the end of an exam's stored list: rooms the list holds already (letter case
// ignored) and ids that are not 3 characters are not added, and the list is cut to roomCount rooms. Reports how many of the
// given rooms are in the list afterwards. found is false when no exam has the id (nothing written).
bool appendRooms(const QSqlDatabase &sys, const QString &examId, const QStringList &rooms, int roomCount,
                 bool *found, int *added = nullptr, QString *error = nullptr);
// Stores a new room list for an exam (empty: no rooms). found is false when no exam has the id.
bool storeRoomList(const QSqlDatabase &sys, const QString &examId, const QStringList &rooms, bool *found,
                   QString *error = nullptr);

} // namespace quorvane
