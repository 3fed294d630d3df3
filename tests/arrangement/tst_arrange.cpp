// The arrangement of a cohort's students to the rooms and seats of an exam.
#include "arrangement/arrange.h"
#include "shell/database.h"
#include "shell/sysdb.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240301080000");

// A cohort with its two open databases.
struct School
{
    TempData data;
    QSqlDatabase cohort;
    QSqlDatabase system;
    int nextStudent = 1;

    explicit School(const QString &parent = QString()) : data(parent)
    {
        static int serial = 0;
        ++serial;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        QVERIFY(openDatabase(data.cohortPath(QStringLiteral("db2023.mdb")), DbKind::Cohort, QStringLiteral("t-cohort%1").arg(serial), &cohort));
        QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-system%1").arg(serial), &system));
    }
    ~School()
    {
        closeDatabase(cohort);
        closeDatabase(system);
    }
    // A write of the fixture; a failed one fails the test.
    static void write(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
    {
        QVERIFY2(execSql(db, sql, values), qPrintable(sql));
    }
    void room(const QString &id, const QVariant &seats)
    {
        write(system, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES(?, ?, 1, ?)"), {id, QStringLiteral("教学楼") + id, seats});
    }
    // Rooms of equal size, their ids separated by blanks ("001 002").
    void rooms(const QString &ids, int seats)
    {
        for (const QString &id : ids.split(QLatin1Char(' ')))
            room(id, seats);
    }
    // Adds n students of a stream; returns their student numbers.
    QStringList students(int n, int stream, int classNo = 1)
    {
        QStringList ids;
        for (int i = 0; i < n; ++i) {
            const QString stid = QStringLiteral("S%1").arg(nextStudent, 4, 10, QLatin1Char('0'));
            write(cohort, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?, ?, ?, ?, ?)"),
                  {stid, QStringLiteral("学生%1").arg(nextStudent), classNo, nextStudent, stream});
            ids << stid;
            ++nextStudent;
        }
        return ids;
    }
    int count(const QString &where = QString(), const QVariantList &values = {}) const
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT count(*) FROM stucj WHERE id = ?") + where,
                              QVariantList{kExam} + values);
        q.exec();
        q.next();
        return q.value(0).toInt();
    }
    // room id and seat of a student in the exam
    QPair<QString, int> seatOf(const QString &stid, const QString &exam = kExam) const
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT kcbj, kczh FROM stucj WHERE id = ? AND stid = ?"), {exam, stid});
        q.exec();
        if (!q.next())
            return {QStringLiteral("<no row>"), -1};
        return {q.value(0).toString(), q.value(1).isNull() ? 0 : q.value(1).toInt()};
    }
    // (room, seat) -> student for every seated row of the exam
    QMap<QPair<QString, int>, QString> seating(const QString &exam = kExam) const
    {
        QMap<QPair<QString, int>, QString> m;
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT kcbj, kczh, stid FROM stucj WHERE id = ? AND kcbj IS NOT NULL"), {exam});
        q.exec();
        while (q.next())
            m.insert({q.value(0).toString(), q.value(1).toInt()}, q.value(2).toString());
        return m;
    }
    ArrangeResult run(const QString &rooms, const QString &basis = QString(), unsigned seed = 7, const QString &exam = kExam)
    {
        std::mt19937 rng(seed);
        return arrangeStudents(cohort, system, {exam, basis, rooms}, rng);
    }
};

} // namespace

class TestArrange : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { installScripted(); }
    void roomsSplitBetweenStreams();
    void exactFitEndsTheNonArtsBlock();
    void seedsAndArtsOnly();
    void shortOfSeats();
    void shortOfSeatsInTotal();
    void noRoomsWritesNothing();
    void storedRoomLists_data();
    void storedRoomLists();
    void emptyRegisterAndUnknownRoom();
    void unknownRoomFirst();
    void secondRunAndLeavers();
    void leaversKeepScoresButNoSeat();
    void basisExamOrder();
    void everyRowGetsItsOwnSeat();
    void quotesAreLiteral();
    void pageCacheSizedForTheRun();
    void emptyRegisterValues();
    void failedRunKeepsPreviousSeats();
    void otherExamsKeepTheirSeats();
    void fullDiskIsNamed();
    void progressCountsOneToHundred();
};

void TestArrange::roomsSplitBetweenStreams()
{
    // Three rooms of 40, 30 non-arts (streams 1, 3 and none) and 20 arts students.
    School s;
    s.rooms(QStringLiteral("001 002 003"), 40);
    const QStringList other = s.students(10, 1) + s.students(15, 3) + s.students(5, 0);
    const QStringList arts = s.students(20, 2);
    const ArrangeResult r = s.run(QStringLiteral("001002003"));
    QCOMPARE(r.status, ArrangeStatus::Done);
    QCOMPARE(arrangeMessage(r.status), QStringLiteral("编班处理完毕!"));
    QCOMPARE(r.otherCount, 30);
    QCOMPARE(r.artsCount, 20);
    QCOMPARE(s.count(), 50);
    const auto seating = s.seating();
    QCOMPARE(seating.size(), 50);
    QSet<QString> roomOne, roomTwo;
    for (int seat = 1; seat <= 30; ++seat) {
        QVERIFY2(seating.contains({QStringLiteral("001"), seat}), qPrintable(QString::number(seat)));
        roomOne << seating.value({QStringLiteral("001"), seat});
    }
    for (int seat = 1; seat <= 20; ++seat)
        roomTwo << seating.value({QStringLiteral("002"), seat});
    QCOMPARE(roomOne, QSet<QString>(other.begin(), other.end()));
    QCOMPARE(roomTwo, QSet<QString>(arts.begin(), arts.end()));
    QCOMPARE(s.count(QStringLiteral(" AND kcbj = '003'")), 0);
    // The register's values are copied into the rows.
    QSqlQuery q = prepare(s.cohort, QStringLiteral("SELECT name, wlflag, bj, zh FROM stucj WHERE id = ? AND stid = ?"), {kExam, arts.first()});
    QVERIFY(q.exec() && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("学生31"));
    QCOMPARE(q.value(1).toInt(), 2);
    QCOMPARE(q.value(2).toInt(), 1);
    QCOMPARE(q.value(3).toInt(), 31);
}

void TestArrange::exactFitEndsTheNonArtsBlock()
{
    // The first room holds the 30 non-arts students exactly: it ends their block, and the arts
    // students fill the second room exactly. Every seat of both rooms is taken once.
    School s;
    s.room(QStringLiteral("001"), 30);
    s.room(QStringLiteral("002"), 20);
    const QStringList other = s.students(30, 1);
    const QStringList arts = s.students(20, 2);
    const ArrangeResult r = s.run(QStringLiteral("001002"));
    QCOMPARE(r.status, ArrangeStatus::Done);
    QCOMPARE(r.nonArtsRooms, 1);
    QCOMPARE(r.artsRooms, 1);
    QCOMPARE(r.seated, 50);
    const auto seating = s.seating();
    QCOMPARE(seating.size(), 50);
    for (int seat = 1; seat <= 30; ++seat)
        QVERIFY(other.contains(seating.value({QStringLiteral("001"), seat})));
    for (int seat = 1; seat <= 20; ++seat)
        QVERIFY(arts.contains(seating.value({QStringLiteral("002"), seat})));
}

void TestArrange::seedsAndArtsOnly()
{
    // The same seed deals the same seats; another seed deals another order.
    auto dealt = [](unsigned seed) {
        School x;
        x.room(QStringLiteral("001"), 60);
        x.students(60, 1);
        x.run(QStringLiteral("001"), QString(), seed);
        return x.seating();
    };
    const auto a = dealt(42);
    QCOMPARE(a.size(), 60);
    QCOMPARE(dealt(42), a);
    QVERIFY(dealt(43) != a);

    // Only arts students: every room is theirs, from room 1, seat 1.
    School d;
    d.rooms(QStringLiteral("011 012"), 3);
    d.students(5, 2);
    const ArrangeResult rd = d.run(QStringLiteral("011012"));
    QCOMPARE(rd.status, ArrangeStatus::Done);
    QCOMPARE(rd.artsRooms, 2);
    QCOMPARE(rd.nonArtsRooms, 0);
    const auto sd = d.seating();
    QCOMPARE(sd.size(), 5);
    QVERIFY(sd.contains({QStringLiteral("011"), 1}));
    QVERIFY(sd.contains({QStringLiteral("011"), 3}));
    QVERIFY(sd.contains({QStringLiteral("012"), 2}));
    QVERIFY(!sd.contains({QStringLiteral("012"), 3}));
}

void TestArrange::shortOfSeats()
{
    // One room of 40 for 30 + 10: the non-arts block takes the room, nothing is left for the arts.
    School s;
    s.room(QStringLiteral("001"), 40);
    s.students(30, 1);
    s.students(10, 2);
    const ArrangeResult r = s.run(QStringLiteral("001"));
    QCOMPARE(r.status, ArrangeStatus::NotEnoughSeats);
    QCOMPARE(arrangeMessage(r.status), QStringLiteral("考场安排数量不足,编班失败！"));
    // The register is copied, no seat is written.
    QCOMPARE(s.count(), 40);
    QCOMPARE(s.count(QStringLiteral(" AND (kcbj IS NOT NULL OR kczh IS NOT NULL)")), 0);

}

void TestArrange::shortOfSeatsInTotal()
{
    // Too few seats in total: the same message.
    School t;
    t.room(QStringLiteral("001"), 10);
    t.students(11, 3);
    QCOMPARE(t.run(QStringLiteral("001")).status, ArrangeStatus::NotEnoughSeats);
    QCOMPARE(t.count(), 11);
    QCOMPARE(t.seating().size(), 0);

    // A room whose capacity is empty counts as 0.
    QVERIFY(execSql(t.system, QStringLiteral("UPDATE kcszb SET rs = NULL")));
    t.room(QStringLiteral("002"), 10);
    QCOMPARE(t.run(QStringLiteral("001002")).status, ArrangeStatus::NotEnoughSeats);
}

void TestArrange::noRoomsWritesNothing()
{
    School s;
    s.room(QStringLiteral("001"), 40);
    s.students(5, 1);
    for (const QString &list : {QString(), QStringLiteral("00")}) {
        const ArrangeResult r = s.run(list);
        QCOMPARE(r.status, ArrangeStatus::NoRooms);
        QCOMPARE(arrangeMessage(r.status), QStringLiteral("考场未安排,编班失败！"));
        QCOMPARE(s.count(), 0);
    }

    // A list stored with a 2-character room in the middle seats in the rooms around it.
    s.rooms(QStringLiteral("002 A1"), 3);
    const ArrangeResult r = s.run(QStringLiteral("001A1002"));
    QCOMPARE(r.status, ArrangeStatus::Done);
    QCOMPARE(r.rooms.size(), 2);
    QCOMPARE(r.rooms[1].id, QStringLiteral("002"));
    QCOMPARE(r.seated, 5);
}

void TestArrange::storedRoomLists_data()
{
    QTest::addColumn<QString>("kcid");
    QTest::addColumn<QString>("registered");
    QTest::addColumn<QString>("rooms");
    // A room named twice: added again after a repaired reading, stored twice, in two letter cases.
    QTest::newRow("added again after a repair") << "001A1002002" << "001 002" << "001 002";
    QTest::newRow("stored twice") << "001001002" << "001 002" << "001 002";
    QTest::newRow("letter case") << "a01A01" << "A01" << "a01";
    QTest::newRow("bad piece between") << "实验800021002" << "实验8 021 002" << "实验8 021 002";
    // Rooms numbered as schools number them, 001 to 030: a list of registered rooms with repeats
    // names no room that only a reading across its pieces finds (030 in "003003", 001 in "010011").
    QStringList upTo30;
    for (int i = 1; i <= 30; ++i)
        upTo30 << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
    const QString reg = upTo30.join(QLatin1Char(' '));
    QTest::newRow("repeat thrice") << "003003003016022015" << reg << "003 016 022 015";
    QTest::newRow("pairs repeated") << "001002001002010" << reg << "001 002 010";
    QTest::newRow("two repeats") << "019019030030030016" << reg << "019 030 016";
    QTest::newRow("repeat beside overlaps") << "009010007011010005010011" << reg << "009 010 007 011 005";
    QTest::newRow("repeats beside overlaps") << "020020020021019017017003017008" << reg << "020 021 019 017 003 008";
    // Rooms deleted from the register after the list was stored stay as their pieces and get no
    // seats; nothing is read across the pieces.
    QTest::newRow("deleted rooms first") << "036040038037033012027" << reg << "036 040 038 037 033 012 027";
    QTest::newRow("deleted room last") << "019019030030030016031" << reg << "019 030 016 031";
    QTest::newRow("deleted room after repeats") << "003003003016022015099" << reg << "003 016 022 015 099";
    QTest::newRow("one room, then a deleted one") << "002002099" << reg << "002 099";
    QTest::newRow("deleted room between repeats") << "001001099009001014" << reg << "001 099 009 014";
}

void TestArrange::storedRoomLists()
{
    QFETCH(QString, kcid);
    QFETCH(QString, registered);
    QFETCH(QString, rooms);
    School s;
    s.rooms(registered, 2);
    QCOMPARE(sysdb::readRoomList(s.system, kcid).join(QLatin1Char(' ')), rooms);
    // Each registered room's seats count once (a piece the register does not hold has none): one
    // student more than they hold is refused.
    QStringList seatedRooms;
    for (const QString &room : rooms.split(QLatin1Char(' ')))
        if (registered.split(QLatin1Char(' ')).contains(room, Qt::CaseInsensitive))
            seatedRooms << room;
    const int seats = 2 * int(seatedRooms.size());
    const QStringList st = s.students(seats + 1, 1);
    QCOMPARE(s.run(kcid).status, ArrangeStatus::NotEnoughSeats);
    // Without that student each student gets a seat of their own.
    School::write(s.cohort, QStringLiteral("DELETE FROM stinfo WHERE stid = ?"), {st.last()});
    const ArrangeResult r = s.run(kcid);
    QCOMPARE(r.status, ArrangeStatus::Done);
    QCOMPARE(r.seated, seats);
    const auto seating = s.seating();
    QCOMPARE(seating.size(), seats);
    // Nobody sits in a room the list does not name, nor in one the register does not hold.
    for (auto it = seating.keyBegin(); it != seating.keyEnd(); ++it)
        QVERIFY2(seatedRooms.contains(it->first, Qt::CaseInsensitive), qPrintable(it->first));
}

void TestArrange::emptyRegisterAndUnknownRoom()
{
    School s;
    s.room(QStringLiteral("001"), 40);
    const ArrangeResult r = s.run(QStringLiteral("001"));
    QCOMPARE(r.status, ArrangeStatus::Done);
    QCOMPARE(s.count(), 0);
    QCOMPARE(r.seated, 0);
}

void TestArrange::unknownRoomFirst()
{
    // An unknown room placed first takes nobody; the first student sits in the second room, seat 1.
    School u;
    u.rooms(QStringLiteral("002 003"), 2);
    u.students(3, 1);
    const ArrangeResult ru = u.run(QStringLiteral("999002003"));
    QCOMPARE(ru.status, ArrangeStatus::Done);
    QCOMPARE(ru.rooms.size(), 3);
    QCOMPARE(ru.rooms[0].capacity, 0);
    QCOMPARE(ru.rooms[0].id, QString());
    const auto seating = u.seating();
    QCOMPARE(seating.size(), 3);
    QVERIFY(seating.contains({QStringLiteral("002"), 1}));
    QVERIFY(seating.contains({QStringLiteral("002"), 2}));
    QVERIFY(seating.contains({QStringLiteral("003"), 1}));
    QCOMPARE(u.count(QStringLiteral(" AND kcbj = '999'")), 0);

    // Room ids of the list match the register's ids regardless of letter case, and the stored id is written.
    u.room(QStringLiteral("A01"), 5);
    QCOMPARE(u.run(QStringLiteral("a01")).status, ArrangeStatus::Done);
    QCOMPARE(u.count(QStringLiteral(" AND kcbj = 'A01'")), 3);
}

void TestArrange::secondRunAndLeavers()
{
    School s;
    s.rooms(QStringLiteral("001 002"), 20);
    const QStringList first = s.students(30, 1);
    QCOMPARE(s.run(QStringLiteral("001002")).status, ArrangeStatus::Done);
    // A score entered after the first run survives the second.
    QVERIFY(execSql(s.cohort, QStringLiteral("UPDATE stucj SET ke1 = 88 WHERE id = ? AND stid = ?"), {kExam, first.first()}));
    // A name corrected in the register is refreshed.
    QVERIFY(execSql(s.cohort, QStringLiteral("UPDATE stinfo SET stname = '新名字' WHERE stid = ?"), {first.at(1)}));

    const QStringList joined = s.students(10, 1);
    QCOMPARE(s.run(QStringLiteral("001002"), QString(), 99).status, ArrangeStatus::Done);
    QCOMPARE(s.count(), 40);
    const auto seating = s.seating();
    QCOMPARE(seating.size(), 40);
    for (int seat = 1; seat <= 20; ++seat) {
        QVERIFY(seating.contains({QStringLiteral("001"), seat}));
        QVERIFY(seating.contains({QStringLiteral("002"), seat}));
    }
    for (const QString &stid : joined)
        QVERIFY(s.seatOf(stid).second > 0);
    QCOMPARE(s.count(QStringLiteral(" AND stid = ? AND ke1 = 88"), {first.first()}), 1);
    QCOMPARE(s.count(QStringLiteral(" AND stid = ? AND name = '新名字'"), {first.at(1)}), 1);

    // A student leaves the register and a room is taken out: 40 rows, 39 students for 39 seats;
    // the leaver's row stays without a seat and no seat is shared.
    QVERIFY(execSql(s.cohort, QStringLiteral("DELETE FROM stinfo WHERE stid = ?"), {first.at(5)}));
    s.room(QStringLiteral("003"), 19);
    const ArrangeResult r = s.run(QStringLiteral("001003"));
    QCOMPARE(r.status, ArrangeStatus::Done);
    QCOMPARE(r.otherCount, 39);
    QCOMPARE(r.seated, 39);
    QCOMPARE(r.unseated, 1);
    QCOMPARE(s.count(), 40);
    QCOMPARE(s.count(QStringLiteral(" AND kcbj = '001' AND kczh = 1")), 1);
    QCOMPARE(s.count(QStringLiteral(" AND kcbj = '002'")), 0);
    QCOMPARE(s.count(QStringLiteral(" AND kcbj = '003'")), 19);
    QCOMPARE(s.seatOf(first.at(5)), qMakePair(QString(), 0));
}

void TestArrange::leaversKeepScoresButNoSeat()
{
    // One room of 40 for 40 students; one leaves the register and another joins. (One school at a
    // time: the data folder belongs to the last one made.)
    {
        School s;
        s.room(QStringLiteral("001"), 40);
        const QStringList first = s.students(40, 1);
        QCOMPARE(s.run(QStringLiteral("001")).status, ArrangeStatus::Done);
        QVERIFY(execSql(s.cohort, QStringLiteral("UPDATE stucj SET ke1 = 77 WHERE id = ? AND stid = ?"), {kExam, first.at(3)}));
        QVERIFY(execSql(s.cohort, QStringLiteral("DELETE FROM stinfo WHERE stid = ?"), {first.at(3)}));
        const QStringList joined = s.students(1, 1);
        const ArrangeResult r = s.run(QStringLiteral("001"), QString(), 99);
        QCOMPARE(r.status, ArrangeStatus::Done);
        QCOMPARE(r.seated, 40);
        QCOMPARE(r.unseated, 1);
        QCOMPARE(arrangeMessage(r), QStringLiteral("编班处理完毕!\n另有1名已不在学生名单中的考生未安排座位。"));
        // 41 rows, 40 of them on 40 different seats; the leaver's row keeps its score, without room and seat.
        QCOMPARE(s.count(), 41);
        QCOMPARE(s.count(QStringLiteral(" AND (kcbj IS NOT NULL OR kczh IS NOT NULL)")), 40);
        QCOMPARE(s.seating().size(), 40);
        {
            QSqlQuery q = prepare(s.cohort, QStringLiteral("SELECT kcbj, kczh, ke1 FROM stucj WHERE id = ? AND stid = ?"), {kExam, first.at(3)});
            QVERIFY(q.exec() && q.next());
            QVERIFY(q.value(0).isNull());
            QVERIFY(q.value(1).isNull());
            QCOMPARE(q.value(2).toInt(), 77);
        }
        QVERIFY(s.seatOf(joined.first()).second > 0);
    }

    // Two groups: a non-arts leaver neither moves the non-arts block into the arts room nor
    // shares a seat; the capacity check counts only the rows that get a seat.
    School t;
    t.rooms(QStringLiteral("001 002"), 20);
    const QStringList other = t.students(21, 3);
    const QStringList arts = t.students(20, 2);
    QVERIFY(execSql(t.cohort, QStringLiteral("DELETE FROM stinfo WHERE stid = ?"), {other.last()}));
    QCOMPARE(t.run(QStringLiteral("001002")).status, ArrangeStatus::Done);
    QVERIFY(execSql(t.cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, wlflag, kcbj, kczh) VALUES(?, 'GONE1', '转学生', 2, '002', 5)"),
                    {kExam}));
    QVERIFY(execSql(t.cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, kcbj, kczh) VALUES(?, NULL, '无学号', '001', 1)"), {kExam}));
    QVERIFY(execSql(t.cohort, QStringLiteral("DELETE FROM stinfo WHERE stid = ?"), {other.first()}));
    const QStringList late = t.students(1, 1);
    const ArrangeResult rt = t.run(QStringLiteral("001002"), QString(), 5);
    QCOMPARE(rt.status, ArrangeStatus::Done);
    QCOMPARE(rt.nonArtsRooms, 1);
    QCOMPARE(rt.seated, 40);
    QCOMPARE(rt.unseated, 3);
    QCOMPARE(arrangeMessage(rt), QStringLiteral("编班处理完毕!\n另有3名已不在学生名单中的考生未安排座位。"));
    QCOMPARE(t.count(QStringLiteral(" AND (kcbj IS NOT NULL OR kczh IS NOT NULL)")), 40);
    QCOMPARE(t.seating().size(), 40);
    QCOMPARE(t.count(QStringLiteral(" AND kcbj = '002' AND wlflag = 2")), 20);
    QCOMPARE(t.seatOf(other.first()), qMakePair(QString(), 0));
    QCOMPARE(t.seatOf(QStringLiteral("GONE1")), qMakePair(QString(), 0));
    QVERIFY(t.seatOf(late.first()).second > 0);
    // A run without leavers says only that it is done.
    QVERIFY(execSql(t.cohort, QStringLiteral("DELETE FROM stucj WHERE id = ? AND (stid IS NULL OR stid IN (?, ?, 'GONE1'))"),
                    {kExam, other.first(), other.last()}));
    const ArrangeResult clean = t.run(QStringLiteral("001002"));
    QCOMPARE(clean.unseated, 0);
    QCOMPARE(arrangeMessage(clean), QStringLiteral("编班处理完毕!"));
}

void TestArrange::basisExamOrder()
{
    // Five students of stream 3 ranked 1 to 5 in the basis exam are seated 5, 4, 3, 2, 1.
    School s;
    s.room(QStringLiteral("001"), 10);
    const QStringList st = s.students(5, 3);
    const QString basis = QStringLiteral("231101080000");
    for (int i = 0; i < 5; ++i)
        QVERIFY(execSql(s.cohort, QStringLiteral("INSERT INTO stucj(id, stid, wlflag, zftlnob) VALUES(?, ?, 3, ?)"), {basis, st.at(i), i + 1}));
    for (unsigned seed : {1u, 2u, 3u}) {
        QCOMPARE(s.run(QStringLiteral("001"), basis, seed).status, ArrangeStatus::Done);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(s.seatOf(st.at(i)), qMakePair(QStringLiteral("001"), 5 - i));
    }
    // The basis exam's own rows are not touched.
    QCOMPARE(s.seatOf(st.at(0), basis), qMakePair(QString(), 0));

    // A student missing from the basis exam has no key and sits before the others.
    const QStringList late = s.students(1, 3);
    QCOMPARE(s.run(QStringLiteral("001"), basis).status, ArrangeStatus::Done);
    QCOMPARE(s.seatOf(late.first()), qMakePair(QStringLiteral("001"), 1));
    QCOMPARE(s.seatOf(st.at(4)), qMakePair(QStringLiteral("001"), 2));
    QCOMPARE(s.seatOf(st.at(0)), qMakePair(QStringLiteral("001"), 6));
}

void TestArrange::everyRowGetsItsOwnSeat()
{
    // A student with two rows in the exam (a left-over copy): both rows are seated, on different
    // seats, instead of one row being written twice and the other keeping a stale seat.
    School s;
    s.room(QStringLiteral("001"), 10);
    const QStringList st = s.students(3, 1);
    for (int i = 0; i < 2; ++i)
        QVERIFY(execSql(s.cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, wlflag, kcbj, kczh) VALUES(?, ?, '旧行', 1, '001', 9)"),
                        {kExam, i == 0 ? st.at(1) : st.at(1).toLower()}));
    QCOMPARE(s.run(QStringLiteral("001")).status, ArrangeStatus::Done);
    QCOMPARE(s.count(), 4);
    const auto seating = s.seating();
    QCOMPARE(seating.size(), 4);
    for (int seat = 1; seat <= 4; ++seat)
        QVERIFY(seating.contains({QStringLiteral("001"), seat}));
    // The register's copy went into the first existing row; the other keeps its values.
    QCOMPARE(s.count(QStringLiteral(" AND name = '学生2'")), 1);
    QCOMPARE(s.count(QStringLiteral(" AND name = '旧行'")), 1);
}

void TestArrange::quotesAreLiteral()
{
    School s;
    s.room(QStringLiteral("A'1"), 5);
    const QStringList st = s.students(1, 1);
    QVERIFY(execSql(s.cohort, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?, ?, 1, 1, 1)"),
                    {QStringLiteral("O'BRIEN"), QStringLiteral("奥'布")}));
    QCOMPARE(s.run(QStringLiteral("A'1")).status, ArrangeStatus::Done);
    QCOMPARE(s.seating().size(), 2);
    QCOMPARE(s.seatOf(QStringLiteral("O'BRIEN")).first, QStringLiteral("A'1"));
    QCOMPARE(s.count(QStringLiteral(" AND name = ?"), {QStringLiteral("奥'布")}), 1);
    // A second run finds the row again instead of adding one.
    QCOMPARE(s.run(QStringLiteral("A'1")).status, ArrangeStatus::Done);
    QCOMPARE(s.count(), 2);
}

// The run writes with a 64 MB page cache, and the connection has its own back after a run that
// finishes or one that stops short of seats.
void TestArrange::pageCacheSizedForTheRun()
{
    School s;
    s.room(QStringLiteral("001"), 3);
    s.students(3, 1);
    const auto cacheSize = [&s] {
        QSqlQuery q(s.cohort);
        return q.exec(QStringLiteral("PRAGMA cache_size")) && q.next() ? q.value(0).toLongLong() : 0;
    };
    QVERIFY(QSqlQuery(s.cohort).exec(QStringLiteral("PRAGMA cache_size = -1000")));
    for (const ArrangeStatus status : {ArrangeStatus::Done, ArrangeStatus::NotEnoughSeats}) {
        if (status == ArrangeStatus::NotEnoughSeats)
            s.students(1, 2); // no seat left for the arts student
        QList<qlonglong> during;
        ArrangeCallbacks cb;
        cb.progress = [&](int) { during << cacheSize(); };
        std::mt19937 rng(1);
        QCOMPARE(arrangeStudents(s.cohort, s.system, {kExam, QString(), QStringLiteral("001")}, rng, cb).status, status);
        QVERIFY(!during.isEmpty());
        QCOMPARE(during.first(), -65536);
        QCOMPARE(cacheSize(), -1000);
    }
}

void TestArrange::emptyRegisterValues()
{
    // A register row without number, name, class, seat or stream: its exam row holds empty texts
    // and zeros, and later runs find that row again instead of adding another each time.
    School s;
    s.room(QStringLiteral("001"), 5);
    s.students(1, 1);
    QVERIFY(execSql(s.cohort, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(NULL, NULL, NULL, NULL, NULL)")));
    for (int run = 0; run < 3; ++run) {
        const ArrangeResult r = s.run(QStringLiteral("001"), QString(), 7 + run);
        QCOMPARE(r.status, ArrangeStatus::Done);
        QCOMPARE(r.otherCount, 2);
        QCOMPARE(s.count(), 2);
    }
    QSqlQuery q = prepare(s.cohort, QStringLiteral("SELECT stid, name, wlflag, bj, zh, kcbj, kczh FROM stucj WHERE id = ? AND stid = ''"), {kExam});
    QVERIFY(q.exec() && q.next());
    QVERIFY(!q.value(1).isNull());
    QCOMPARE(q.value(1).toString(), QString());
    for (int c = 2; c <= 4; ++c) {
        QVERIFY(!q.value(c).isNull());
        QCOMPARE(q.value(c).toInt(), 0);
    }
    QCOMPARE(q.value(5).toString(), QStringLiteral("001"));
    QVERIFY(q.value(6).toInt() >= 1);
}

void TestArrange::failedRunKeepsPreviousSeats()
{
    School s;
    s.rooms(QStringLiteral("001 002"), 10);
    s.students(12, 1);
    QCOMPARE(s.run(QStringLiteral("001002")).status, ArrangeStatus::Done);
    const auto before = s.seating();
    QCOMPARE(before.size(), 12);

    // A write fails in the middle of the seat walk: nothing of the run stays, not even the new
    // student's row; the earlier seats are whole.
    QVERIFY(execSql(s.cohort, QStringLiteral("CREATE TRIGGER fail_seat BEFORE UPDATE OF kczh ON stucj WHEN NEW.kczh = 8 "
                                             "BEGIN SELECT RAISE(ABORT, 'disk full'); END")));
    s.students(1, 1);
    const ArrangeResult r = s.run(QStringLiteral("002001"), QString(), 5);
    QCOMPARE(r.status, ArrangeStatus::DatabaseError);
    // The reason is the database's, in Chinese: never the database's own English text.
    QCOMPARE(arrangeMessage(r), QStringLiteral("数据库写入出错：数据库出错（错误代码19）,编班失败,本次编排未作任何改动！"));
    QCOMPARE(s.count(), 12);
    QCOMPARE(s.seating(), before);
    QVERIFY(execSql(s.cohort, QStringLiteral("DROP TRIGGER fail_seat")));

    // Another connection holding the database for writing: the run fails at once, nothing written.
    QSqlDatabase other;
    QVERIFY(openDatabase(s.data.cohortPath(QStringLiteral("db2023.mdb")), DbKind::Cohort, QStringLiteral("t-other"), &other));
    QVERIFY(execSql(other, QStringLiteral("BEGIN IMMEDIATE")));
    QCOMPARE(s.run(QStringLiteral("002001")).status, ArrangeStatus::DatabaseError);
    QVERIFY(execSql(other, QStringLiteral("ROLLBACK")));
    closeDatabase(other);
    QCOMPARE(s.seating(), before);
    QCOMPARE(s.run(QStringLiteral("002001")).status, ArrangeStatus::Done);
    QCOMPARE(s.count(), 13);
    QCOMPARE(s.count(QStringLiteral(" AND kcbj = '002'")), 10);
}

void TestArrange::progressCountsOneToHundred()
{
    School s;
    s.room(QStringLiteral("001"), 150);
    s.room(QStringLiteral("002"), 50);
    s.students(130, 1);
    s.students(20, 2);
    QList<int> values;
    int between = 0;
    std::mt19937 rng(3);
    ArrangeCallbacks cb;
    cb.progress = [&](int v) { values << v; };
    cb.betweenGroups = [&] { ++between; };
    QCOMPARE(arrangeStudents(s.cohort, s.system, {kExam, QString(), QStringLiteral("001002")}, rng, cb).status, ArrangeStatus::Done);
    // copy 150 steps, non-arts walk 130, arts walk 20; each loop counts 1..100 then from 1 again.
    QCOMPARE(values.size(), 300);
    QCOMPARE(values.at(0), 1);
    QCOMPARE(values.at(99), 100);
    QCOMPARE(values.at(100), 1);
    QCOMPARE(values.at(149), 50);
    QCOMPARE(values.at(150), 1);
    QCOMPARE(values.at(280), 1);
    QCOMPARE(values.last(), 20);
    QCOMPARE(between, 1);
}

QTEST_MAIN(TestArrange)
// Arranging one exam deals its seats afresh and leaves every other exam's rooms and seats alone.
void TestArrange::otherExamsKeepTheirSeats()
{
    School s;
    s.rooms(QStringLiteral("001 002"), 10);
    s.students(12, 1);
    const QString other = QStringLiteral("240401080000");
    QCOMPARE(s.run(QStringLiteral("001002"), QString(), 3, other).status, ArrangeStatus::Done);
    const auto seated = s.seating(other);
    QCOMPARE(seated.size(), 12);
    QCOMPARE(s.run(QStringLiteral("002001")).status, ArrangeStatus::Done);
    QCOMPARE(s.seating().size(), 12);
    QCOMPARE(s.seating(other), seated);
}

// A full disk at the commit is named as such, never with the database's English text.
void TestArrange::fullDiskIsNamed()
{
    SmallDisk disk;
    if (!disk.ok())
        QSKIP("no small disk can be mounted here");
    School s(disk.path());
    s.rooms(QStringLiteral("001"), 10);
    s.students(5, 1);
    QVERIFY(disk.fill());
    const ArrangeResult r = s.run(QStringLiteral("001"));
    QCOMPARE(arrangeMessage(r), QStringLiteral("数据库写入出错：磁盘已满,编班失败,本次编排未作任何改动！"));
    QCOMPARE(s.count(), 0);
}

#include "tst_arrange.moc"
