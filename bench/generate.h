#pragma once
// A generator of a realistic school for the benchmarks: a data folder with the system database,
// the cohort template and one cohort (students in classes, streams after the split into arts and
// science), the school's exam rooms, exams with their per-subject settings and room lists, the
// exam's rows with rooms and seats, and scores.
//
// Typical use:
//   quorvane::bench::School school;            // 3,000 students, 60 classes, 75 rooms of 40
//   QString exam = school.addExam("期末考试");  // 9 subjects, every room, no basis exam
//   school.seatStudents(exam);                  // the rows an arrangement would leave
//   school.addScores(exam);                     // ke1..ke9 (some absent, some cheating)
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <random>

namespace quorvane::bench {

struct SchoolSpec
{
    int students = 3000;
    int classes = 60;
    int firstClass = 1;
    int subjects = 9;      // subjects 1..subjects take part in each exam
    int rooms = 75;
    int seatsPerRoom = 40;
    int artsClasses = 20;  // the first classes are arts classes (stream 2), the rest science (3)
    QString year = QStringLiteral("2023");
    QString dbname = QStringLiteral("db2023");
    unsigned seed = 20231101;
};

class School
{
public:
    // Creates the data folder in a temporary directory and makes it the program's data folder.
    explicit School(const SchoolSpec &spec = SchoolSpec());
    ~School();
    School(const School &) = delete;
    School &operator=(const School &) = delete;

    const SchoolSpec &spec() const { return m_spec; }
    QString folder() const;
    QString cohortDbFile() const { return m_spec.dbname + QStringLiteral(".mdb"); }
    QString cohortPath() const;
    QString systemPath() const;
    // Open connections of the generator's own (other connections may be opened beside them).
    QSqlDatabase &system() { return m_system; }
    QSqlDatabase &cohort() { return m_cohort; }

    QStringList studentIds() const { return m_studentIds; }
    QStringList roomIds() const { return m_roomIds; }
    // Every room id concatenated, in room order: an exam's kcid using all rooms.
    QString allRooms() const { return m_roomIds.join(QString()); }

    // Adds an exam of the cohort with per-subject settings for subjects 1..spec.subjects (full
    // marks 150 for 语文, 数学, 英语, 100 otherwise; 英语 in two parts; politics, history and
    // geography sat by arts students, physics, chemistry and biology by science students; total 1
    // over all, total 2 over the first three). Returns its id. Ids are distinct 12-digit stamps
    // in creation order (later exams sort first).
    QString addExam(const QString &name, const QString &roomList = QString(), const QString &basisExamId = QString());
    // Writes the exam's stucj rows as an arrangement leaves them: every student, non-arts first,
    // room after room and seat after seat. Replaces any rows of the exam.
    void seatStudents(const QString &examId);
    // Fills the subject scores of the exam's rows (about 2% absent -1, 0.5% cheating -2, objective
    // and subjective parts for the split subject), drawn from the generator's seed.
    void addScores(const QString &examId);
    // Writes total ranks into zftlnob (and the other total columns) so the exam can serve as a
    // basis exam: ranks by the sum of scores within the stream.
    void addStreamRanks(const QString &examId);

private:
    SchoolSpec m_spec;
    std::unique_ptr<QTemporaryDir> m_dir;
    QSqlDatabase m_system;
    QSqlDatabase m_cohort;
    QStringList m_studentIds;
    QStringList m_roomIds;
    int m_exams = 0;
    std::mt19937 m_rng;
};

} // namespace quorvane::bench
