// The system database reader: a cohort's classes, an exam's rooms and its per-subject settings,
// as every window reads them.
#include "shell/database.h"
#include "shell/sysdb.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QtTest>
#include <random>

using namespace quorvane;
using namespace quorvane::test;

class TestSysdb : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { installScripted(); }
    void cohortClasses();
    void examRoomsAndSettings();
    void roomListRepair_data();
    void roomListRepair();
    void framedListsReadAsStored();
};

void TestSysdb::cohortClasses()
{
    TempData data;
    data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"), 12, 3);
    QSqlDatabase db;
    QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-sys"), &db));
    sysdb::ClassRange r = sysdb::readClassRange(db, QStringLiteral("2023"));
    QVERIFY(r.found);
    QCOMPARE(int(r.bjsum), 12);
    QCOMPARE(int(r.startbj), 3);
    QVERIFY(!sysdb::readClassRange(db, QStringLiteral("1999")).found);
    QVERIFY(!sysdb::readClassRange(db, QStringLiteral("2023' OR '1'='1")).found);
    // Stored halves round to even, values past 16 bits are held, Null is 0.
    QVERIFY(execSql(db, QStringLiteral("INSERT INTO dbsystable(dbyear, bjsum, startbj) VALUES('2024', 2.5, 99999)")));
    QVERIFY(execSql(db, QStringLiteral("INSERT INTO dbsystable(dbyear, dbname) VALUES('2030', 'db2030')")));
    r = sysdb::readClassRange(db, QStringLiteral("2024"));
    QCOMPARE(int(r.bjsum), 2);
    QCOMPARE(int(r.startbj), 32767);
    r = sysdb::readClassRange(db, QStringLiteral("2030"));
    QVERIFY(r.found);
    QCOMPARE(int(r.bjsum), 0);
    closeDatabase(db);
}

void TestSysdb::examRoomsAndSettings()
{
    TempData data;
    QSqlDatabase db;
    QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-sys"), &db));
    const QString exam = QStringLiteral("240115080000");
    QVERIFY(execSql(db, QStringLiteral("INSERT INTO kcbpb(id, name, year, grade, bpid, kcid, kstime3, kmflag3, allfs3, kstype3, "
                                       "cjinput3, zfjsb3, kmflag4, kmflag5) VALUES(?, '期末', '2023', 2, ?, '001002X9', "
                                       "'6月7日', 1, 150, 2, 0, 1, 'x', 0)"),
                    {exam, QStringLiteral("231101080000")}));
    QVERIFY(execSql(db, QStringLiteral("INSERT INTO kcbpb(id, name, year) VALUES('231101080000', '期中', '2023')")));

    // Rooms: 3 characters each, a short last piece dropped; Null is no room.
    sysdb::ExamRooms rooms;
    QCOMPARE(sysdb::readExamRooms(db, exam, &rooms), sysdb::Read::Found);
    QCOMPARE(rooms.bpid, QStringLiteral("231101080000"));
    QCOMPARE(rooms.rooms, (QStringList{QStringLiteral("001"), QStringLiteral("002")}));
    QCOMPARE(sysdb::readExamRooms(db, QStringLiteral("231101080000"), &rooms), sysdb::Read::Found);
    QVERIFY(rooms.kcid.isEmpty() && rooms.bpid.isEmpty());
    QCOMPARE(sysdb::readExamRooms(db, QStringLiteral("x' OR '1'='1"), &rooms), sysdb::Read::NotFound);
    QVERIFY(sysdb::examRoomIds(db, QStringLiteral("999999999999")).isEmpty());

    // Settings: only the cohort's own exam; a flag holding text is not set.
    sysdb::ExamSettings s;
    QCOMPARE(sysdb::readExamSettings(db, QStringLiteral("2023"), exam, &s), sysdb::Read::Found);
    QCOMPARE(s.grade.toInt(), 2);
    const sysdb::SubjectSettings &third = s.subject(3);
    QCOMPARE(third.kstime.toString(), QStringLiteral("6月7日"));
    QVERIFY(third.taken() && !third.locked() && !third.byClass() && !third.intoTotal1() && third.intoTotal2());
    QCOMPARE(third.stream(), 2);
    QCOMPARE(third.allfs.toDouble(), 150.0);
    QVERIFY(third.kgfs.isNull());
    QVERIFY(!s.subject(4).taken());
    QVERIFY(!s.subject(5).taken());
    QVERIFY(!s.subject(0).taken() && s.subject(13).allfs.isNull());
    QCOMPARE(sysdb::readExamSettings(db, QStringLiteral("2022"), exam, &s), sysdb::Read::NotFound);
    QCOMPARE(s.subject(3).allfs.toDouble(), 150.0); // left as it was

    // A failing database is told apart from a missing exam.
    QVERIFY(execSql(db, QStringLiteral("DROP TABLE kcbpb")));
    QString error;
    QCOMPARE(sysdb::readExamSettings(db, QStringLiteral("2023"), exam, &s, &error), sysdb::Read::Error);
    QVERIFY(!error.isEmpty());
    error.clear();
    QCOMPARE(sysdb::readExamRooms(db, exam, &rooms, &error), sysdb::Read::Error);
    QVERIFY(!error.isEmpty());
    closeDatabase(db);
}

void TestSysdb::roomListRepair_data()
{
    QTest::addColumn<QString>("kcid");
    QTest::addColumn<QString>("registered");
    QTest::addColumn<QString>("rooms");
    QTest::newRow("whole list") << "001002003" << "001 002 003" << "001 002 003";
    QTest::newRow("room left the register") << "999002003" << "002 003" << "999 002 003";
    QTest::newRow("letter case") << "a01001" << "A01 001" << "a01 001";
    QTest::newRow("short id registered") << "001A1002" << "001 A1 A10 002" << "001 002";
    QTest::newRow("short id not registered") << "001A1002" << "001 002" << "001 002";
    QTest::newRow("short id first") << "A1001002" << "001 002" << "001 002";
    QTest::newRow("long id registered") << "0011002002" << "001 1002 002" << "001 002";
    QTest::newRow("three short ids") << "A1B1C1001X" << "A1 B1 C1 001" << "001";
    // A list of a length the program writes is read in its 3-character pieces, whatever the
    // register holds.
    QTest::newRow("framed, short ids registered") << "A1B1C1001" << "A1 B1 C1 001" << "A1B 1C1 001";
    QTest::newRow("framed, pieces not registered") << "A1101A2102A3" << "001 002 003 101 102" << "A11 01A 210 2A3";
    QTest::newRow("framed, one piece registered") << "A1101B102" << "001 002 003 101 102" << "A11 01B 102";
    QTest::newRow("short last piece") << "0010020" << "" << "001 002";
    QTest::newRow("no whole piece") << "00" << "001" << "";
    // A register naming a room twice, in two letter cases, still numbers it as one room: the
    // reading keeps 0A1 and 0a2 rather than dropping a character to find a20.
    QTest::newRow("room registered twice") << "0A10a20" << "0a1 0A1 0a2 a20" << "0A1 0a2";
    QTest::newRow("room registered again last") << "0A10a20" << "0a1 0a2 a20 0A1" << "0A1 0a2";
}

void TestSysdb::roomListRepair()
{
    QFETCH(QString, kcid);
    QFETCH(QString, registered);
    QFETCH(QString, rooms);
    TempData data;
    QSqlDatabase db;
    QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-sys"), &db));
    for (const QString &id : registered.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        QVERIFY(execSql(db, QStringLiteral("INSERT INTO kcszb(id, rs) VALUES(?, 30)"), {id}));
    QVERIFY(execSql(db, QStringLiteral("INSERT INTO kcbpb(id, name, year, kcid) VALUES('240115080000', '期末', '2023', ?)"), {kcid}));
    // The room choosers read what the arrangement reads.
    QCOMPARE(sysdb::readRoomList(db, kcid).join(QLatin1Char(' ')), rooms);
    QCOMPARE(sysdb::examRoomIds(db, QStringLiteral("240115080000")).join(QLatin1Char(' ')), rooms);
    closeDatabase(db);
}

void TestSysdb::framedListsReadAsStored()
{
    // Random registers of 11 to 31 rooms numbered from 001, and lists of rooms 001 to 040 with
    // repeats (rooms deleted from the register among them): each reads piece by piece, each room
    // where it first appears.
    std::mt19937 rng(2026);
    for (int round = 0; round < 4000; ++round) {
        QStringList reg;
        const int size = 11 + int(rng() % 21);
        for (int i = 1; i <= size; ++i)
            reg << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        QString kcid;
        QStringList expected;
        const int pieces = 2 + int(rng() % 9);
        for (int p = 0; p < pieces; ++p) {
            // Half the pieces repeat one already in the list.
            const QString room = !expected.isEmpty() && rng() % 2 ? expected.at(int(rng() % expected.size()))
                                                                  : QStringLiteral("%1").arg(1 + int(rng() % 40), 3, 10, QLatin1Char('0'));
            kcid += room;
            if (!expected.contains(room))
                expected << room;
        }
        QCOMPARE(sysdb::splitRoomList(kcid, reg), expected);
    }
}

QTEST_MAIN(TestSysdb)
#include "tst_sysdb.moc"
