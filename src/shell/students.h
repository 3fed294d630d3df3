#pragma once
// The student register's reads and writes of a cohort database (table stinfo, and the names and
// numbers the exam rows in stucj repeat), without widgets: the register window only wires its
// fields and buttons to these.
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace quorvane {

// One listed student as stored: number, name, class, seat and stream code.
struct StudentRow
{
    QVariant number, name, cls, seat, stream;
};

// What the register lists. kind is the register's search: "学号" (numbers containing number),
// "学生姓名" (names containing name), "班级" (the class classText starts with, by seat; class 0
// when it starts with no number), a stream name "不限", "文科" or "理科" (that stream code);
// anything else lists every student. Wildcards in number and name match only themselves.
struct StudentSearch
{
    QString kind;
    QString number;
    QString name;
    QString classText;
};

// The students a search finds, by number (by seat for a class); nothing when the table cannot be read.
std::optional<std::vector<StudentRow>> findStudents(const QSqlDatabase &db, const StudentSearch &search);

// The values the register's editor saves: the number as stored (cleaned, upper case), the name
// trimmed, class and seat as numbers, the stream code (0 when none is chosen).
struct StudentValues
{
    QString number;
    QString name;
    double cls = 0;
    double seat = 0;
    int stream = 0;
};

// Numbers compare without letter case, as the cohort database stores them.
// Row id of the first student whose number is number; -1 when there is none; nothing when the
// table cannot be read.
std::optional<qint64> studentRowId(const QSqlDatabase &db, const QString &number);
// Whether a student has this number (false also when the table cannot be read).
bool studentExists(const QSqlDatabase &db, const QString &number);
// Adds a student.
bool addStudent(const QSqlDatabase &db, const StudentValues &student);
// Gives the student of row id new values. The exam rows follow: a number that changes (more than
// in letter case) is rewritten there with the name (updateok2), otherwise only the name is
// (updateok). The student and the exam rows change together or not at all.
bool changeStudent(const QSqlDatabase &db, qint64 id, const QString &oldNumber, const StudentValues &student);
// The exam rows of number get the name, spaces taken out (as the exam rows hold names).
bool updateok(const QSqlDatabase &db, const QString &number, const QString &name);
// The exam rows of oldNumber get newNumber and the name, spaces taken out.
bool updateok2(const QSqlDatabase &db, const QString &oldNumber, const QString &newNumber, const QString &name);
// Deletes the students with this number (their exam rows stay): how many were deleted, -1 on an error.
int deleteStudent(const QSqlDatabase &db, const QString &number);
// Deletes every student of the register (the cohort's exam rows stay).
bool clearStudents(const QSqlDatabase &db, QString *error = nullptr);

} // namespace quorvane
