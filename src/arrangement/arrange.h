#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <random>

namespace quorvane {

// One arrangement run of an exam: copies the cohort's register into the exam's stucj rows in a
// random order, checks the rooms' seats, splits the rooms between the non-arts students (rooms
// first in the list) and the arts students (the rooms after them), takes the seat order from the
// basis exam when there is one, and deals every row of the exam a room and a seat.
//
// Only the rows of students in the register are seated, each on a seat of its own. Rows of students
// who have left the register stay with their scores but are left without room and seat, so no seat
// is ever shared; the seats are checked against the rows that get one.
//
// The run writes in one transaction on the cohort database: when the seats are short, the copy of
// the register is kept and no seat is touched; when a statement fails, nothing of the run is kept.

struct ArrangeInput
{
    QString examId;       // kcbpb.id of the exam
    QString basisExamId;  // kcbpb.bpid: the exam whose ranking orders the seats; empty for none
    QString roomList;     // kcbpb.kcid: room ids of 3 characters, in arrangement order
};

enum class ArrangeStatus {
    Done,           // "编班处理完毕!"
    NoRooms,        // "考场未安排,编班失败！": nothing written
    NotEnoughSeats, // "考场安排数量不足,编班失败！": register copied, no seat written
    DatabaseError,  // a statement failed: nothing of the run kept
};

struct ArrangeRoom
{
    QString listId;   // the 3 characters of the room list
    QString id;       // kcszb.id as stored; empty when the room is unknown
    int capacity = 0; // seats; 0 for an unknown room or an empty capacity
};

struct ArrangeResult
{
    ArrangeStatus status = ArrangeStatus::Done;
    int artsCount = 0;       // register rows of stream 2
    int otherCount = 0;      // every other register row
    int nonArtsRooms = 0;    // room positions 1..nonArtsRooms belong to the non-arts group
    int artsRooms = 0;       // the next artsRooms positions belong to the arts group
    QVector<ArrangeRoom> rooms;
    int seated = 0;          // rows given a seat
    int unseated = 0;        // rows of students no longer in the register, left without room and seat
    QString error;           // why the database failed, in words the user understands (DatabaseError)
};

struct ArrangeCallbacks
{
    // One step of the progress display: the value 1..100 of the current loop's counter.
    std::function<void(int)> progress;
    // Called once between the walks of the two groups (the window lets waiting messages run).
    std::function<void()> betweenGroups;
};

// The message the window shows for a result; a finished run also says how many rows of students
// no longer in the register were left without a seat.
QString arrangeMessage(ArrangeStatus status);
QString arrangeMessage(const ArrangeResult &result);

// Runs the arrangement. `cohort` holds stinfo and stucj, `system` holds kcszb. The random order of
// the register comes from rng (tests seed it).
ArrangeResult arrangeStudents(QSqlDatabase &cohort, const QSqlDatabase &system, const ArrangeInput &input,
                              std::mt19937 &rng, const ArrangeCallbacks &callbacks = {});

// The rows of the exam that hold a room or a seat from an earlier run: the seats a new run deals
// afresh. -1 when the database fails.
int seatedRows(const QSqlDatabase &cohort, const QString &examId);
// The question asked before a run deals afresh the seats of an exam that has them.
QString rearrangeQuestion(const QString &examName, int seats);


} // namespace quorvane
