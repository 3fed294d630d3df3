#pragma once
#include "shell/subjects.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>

// Reading the system database (newclasssys.mdb): a cohort's classes, an exam's room list and an
// exam's per-subject settings. No widgets; every value goes into the statements as a bound value.
namespace quorvane::sysdb {

// How a read ended: the row was there, there is no such row, or the database failed.
enum class Read { Found, NotFound, Error };

// A stored flag column is set when it holds a number other than 0 (Null, text and 0 are not set).
bool flagSet(const QVariant &value);
// A stored count or number as a whole 16-bit number: the nearest one (halves to even), held to
// -32768 .. 32767; Null, text and values that are not finite give 0.
int toWhole16(const QVariant &value);

// ---- cohorts (dbsystable) ---------------------------------------------------------------------
// The classes of a cohort: startbj .. startbj + bjsum - 1; found is false when the cohort has no row
// or the database failed.
struct ClassRange
{
    bool found = false;
    qint16 bjsum = 0;
    qint16 startbj = 0;
};
ClassRange readClassRange(const QSqlDatabase &system, const QString &cohortYear);

// ---- an exam's rooms (kcbpb.kcid, kcbpb.bpid) -------------------------------------------------
// The room list is stored as the room ids (3 characters each) run together, in arrangement order.
// A list whose length is a multiple of 3 reads in 3-character pieces, in order, a repeated room
// where it first appears, whatever the register holds now: a piece whose room has left the
// register stays as that piece (the arrangement gives it no seats). Only a list of another length
// (an earlier build stored a room id of another length, "001A1002") is read the way that keeps the
// most registered rooms, each counted once, then drops the fewest characters, then keeps the
// fewest unregistered pieces: "001A1002" gives 001 and 002. An id of the register that is not 3
// characters long is dropped there without counting as dropped characters. Each room is read
// once, where it first appears (letter case ignored). registered holds the register's ids (letter
// case ignored). The work is linear in the length of the list.
QStringList splitRoomList(const QString &kcid, const QStringList &registered);
// The ids of the room register (kcszb); none when the database fails.
QStringList registeredRoomIds(const QSqlDatabase &system);
// An exam's stored room list read against the room register: what the arrangement, the room
// choosers and the room list of an exam all go by.
QStringList readRoomList(const QSqlDatabase &system, const QString &kcid);

struct ExamRooms
{
    QString kcid;       // the stored room list; empty for Null
    QString bpid;       // the exam whose arrangement this exam takes over; empty for Null
    QStringList rooms;  // the room list as read by readRoomList
};
// The room list of the exam with this id (of whichever cohort). error takes the database's text.
Read readExamRooms(const QSqlDatabase &system, const QString &examId, ExamRooms *out, QString *error = nullptr);
// The exam's room ids; none when the exam is not found or the database fails.
QStringList examRoomIds(const QSqlDatabase &system, const QString &examId);

// ---- an exam's per-subject settings (kcbpb, one row per exam) ----------------------------------
// The settings of one subject as stored; a Null column is an invalid QVariant.
struct SubjectSettings
{
    QVariant kstime;  // exam time text
    QVariant kgfs;    // full mark of the objective part
    QVariant zgfs;    // full mark of the subjective part
    QVariant allfs;   // full mark of the subject
    QVariant kstype;  // 1 every student, 2 arts (wlflag 2), 3 science (wlflag 3)
    QVariant kmflag;  // the subject belongs to the exam
    QVariant cjlock;  // its scores are locked
    QVariant cjinput; // 1 entered by class, 0 by exam room
    QVariant zfjsa;   // counts into total 1
    QVariant zfjsb;   // counts into total 2

    bool taken() const { return flagSet(kmflag); }
    bool locked() const { return flagSet(cjlock); }
    bool byClass() const { return flagSet(cjinput); }
    bool intoTotal1() const { return flagSet(zfjsa); }
    bool intoTotal2() const { return flagSet(zfjsb); }
    // Who sits the subject (1, 2 or 3 as stored); 0 when unset.
    int stream() const { return flagSet(kstype) ? kstype.toInt() : 0; }
};

// The settings row of an exam: its grade and its twelve subjects.
struct ExamSettings
{
    QVariant grade;
    std::array<SubjectSettings, kSubjectCount> subjects;

    // Subject k, 1..12; outside them a subject with nothing set.
    const SubjectSettings &subject(int k) const;
};
// Reads the exam's row for the cohort year. Unless it is found, out is left as it was.
Read readExamSettings(const QSqlDatabase &system, const QString &cohortYear, const QString &examId, ExamSettings *out,
                      QString *error = nullptr);

// ---- exams deleted while rows of them may be left in a cohort file (deletedexams) --------------
// One row per deleted exam with its cohort's database name (dbname). A system file from before
// these records has no table of them: a write that records one makes it first (inside its own
// transaction). False, with the error, when the database failed.
bool makeDeletionRecords(const QSqlDatabase &system, QSqlError *error);

} // namespace quorvane::sysdb
