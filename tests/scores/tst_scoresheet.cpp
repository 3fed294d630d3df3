#include "scores/scoresheet.h"
#include "shell/database.h"
#include "shell/textcheck.h"
#include "shell/workbook.h"
#include "cputime.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unordered_map>

using namespace quorvane;
using namespace quorvane::scoresheet;
using quorvane::test::TempData;

namespace {
const QString kExam = QStringLiteral("240901080000");

struct Student
{
    QString stid;
    QString name;
    int bj;
    QVariant zh;     // Null or a number
    int wlflag;
    QString room;
    int kczh;
};

// A data folder with cohort 2024 and an open connection (db) to its file.
struct Cohort
{
    TempData td;
    QSqlDatabase db;
    bool opened = false;

    explicit Cohort(const QString &parent = QString()) : td(parent)
    {
        td.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"));
        opened = openDatabase(path(), DbKind::Cohort, QStringLiteral("t-co"), &db);
    }
    ~Cohort() { closeDatabase(db); }
    QString path() const { return td.cohortPath(QStringLiteral("db2024.mdb")); }

    // Adds the students to the exam; false when the file is not open or a row is not written.
    [[nodiscard]] bool add(const QString &exam, const std::vector<Student> &list)
    {
        bool ok = opened;
        for (const Student &s : list)
            ok = execSql(db, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?,?,?,?,?,?,?,?)"),
                         {exam, s.stid, s.name, s.bj, s.zh, s.wlflag, s.room, s.kczh})
                && ok;
        return ok;
    }
    QVariant score(const QString &exam, const QString &stid, const QString &column)
    {
        QSqlQuery q = prepare(db, QStringLiteral("SELECT %1 FROM stucj WHERE id=? AND stid=?").arg(column), {exam, stid});
        if (!q.exec() || !q.next())
            return QStringLiteral("<no row>");
        return q.value(0);
    }
};
} // namespace

class tst_scoresheet : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { quorvane::test::installScripted(); }

    void fullMarksAndSettings()
    {
        QCOMPARE(wholeFullMark(QVariant(300.0)), 300);   // above the old byte limit
        QCOMPARE(wholeFullMark(QVariant(150.5)), 150);   // halves to even
        QCOMPARE(wholeFullMark(QVariant(151.5)), 152);
        QCOMPARE(wholeFullMark(QVariant()), 0);
        QCOMPARE(wholeFullMark(QVariant(-5.0)), 0);

        TempData td;
        td.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"));
        QSqlDatabase sys;
        QVERIFY(openDatabase(td.systemPath(), DbKind::System, QStringLiteral("t-sys"), &sys));
        QVERIFY(execSql(sys, QStringLiteral("INSERT INTO kcbpb(id, name, year, kcid, kmflag2, kgfs2, zgfs2, allfs2, kstype2, cjinput2,"
                                            " kmflag10, allfs10, kstype10, cjlock10, kmflag1, allfs1, kstype1) "
                                            "VALUES(?,?,?,?,1,40,110,150,1,1, 1,300,3,1, 0,150,1)"),
                        {kExam, QStringLiteral("期中"), QStringLiteral("2024"), QStringLiteral("001002")}));
        sysdb::ExamSettings s;
        QStringList subjects;
        QVERIFY(loadSubjectSettings(sys, QStringLiteral("2024"), kExam, s, subjects));
        QCOMPARE(subjects, QStringList({QStringLiteral("数学"), QStringLiteral("综合科")}));
        QCOMPARE(fullMark(s.subject(2), ScoreItem::Objective), 40);
        QCOMPARE(fullMark(s.subject(2), ScoreItem::Subjective), 110);
        QCOMPARE(fullMark(s.subject(10), ScoreItem::Total), 300);
        QCOMPARE(fullMark(s.subject(10), ScoreItem::Objective), 0);
        QCOMPARE(s.subject(10).stream(), 3);
        QVERIFY(s.subject(10).locked());
        QVERIFY(s.subject(2).byClass());
        QVERIFY(!s.subject(10).byClass());

        // Another cohort's year or an unknown exam: nothing changes.
        QStringList before = subjects;
        QVERIFY(!loadSubjectSettings(sys, QStringLiteral("2023"), kExam, s, subjects));
        QCOMPARE(subjects, before);
        QCOMPARE(fullMark(s.subject(10), ScoreItem::Total), 300);

        QCOMPARE(classList(sys, QStringLiteral("2024")).size(), 10);
        QCOMPARE(classList(sys, QStringLiteral("2024")).first(), QStringLiteral("1"));
        closeDatabase(sys);
    }

    void sheetRowsFollowStreamAndSeat()
    {
        Cohort co;
        QSqlDatabase &db = co.db;
        QVERIFY(co.add(kExam, {{"S3", "丙", 1, 3, 3, "001", 2}, {"S1", "甲", 1, 1, 2, "001", 1},
                               {"S2", "乙", 1, 2, 3, "002", 1}, {"S9", "外班", 2, 1, 3, "001", 3}}));
        QVERIFY(execSql(db, QStringLiteral("UPDATE stucj SET ke5=-1 WHERE stid='S1'")));
        QVERIFY(execSql(db, QStringLiteral("UPDATE stucj SET ke5=0 WHERE stid='S2'")));
        QVERIFY(execSql(db, QStringLiteral("UPDATE stucj SET ke5=88.5 WHERE stid='S3'")));

        SheetContext ctx{kExam, 5, ScoreItem::Total, true, QStringLiteral("1")};
        std::vector<SheetRow> rows;
        QVERIFY(loadSheetRows(db, ctx, 1, rows));
        QCOMPARE(rows.size(), size_t(3));
        QCOMPARE(rows[0].name, QStringLiteral("甲"));
        QCOMPARE(rows[0].score, QStringLiteral("-1"));
        QCOMPARE(rows[1].score, QString());           // a stored 0 shows empty
        QCOMPARE(rows[2].score, QStringLiteral("88.5"));
        QCOMPARE(rows[2].stid, QStringLiteral("S3"));

        QVERIFY(loadSheetRows(db, ctx, 3, rows));       // 理科 only
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].stid, QStringLiteral("S2"));

        rows = {SheetRow{}};
        QVERIFY(!loadSheetRows(db, ctx, 0, rows));      // no stream setting: nothing loaded
        QCOMPARE(rows.size(), size_t(1));

        SheetContext room{kExam, 5, ScoreItem::Total, false, QStringLiteral("001")};
        QVERIFY(loadSheetRows(db, room, 1, rows));
        QCOMPARE(rows.size(), size_t(3));
        QCOMPARE(rows[0].seat, QStringLiteral("1"));
        QCOMPARE(rows[2].stid, QStringLiteral("S9"));
    }

    void saveFindsEachStudentNotTheSeat()
    {
        Cohort co;
        QSqlDatabase &db = co.db;
        // Two students without a seat number (stored 0) and two sharing seat 5.
        QVERIFY(co.add(kExam, {{"A1", "甲", 1, 0, 1, "001", 1}, {"A2", "乙", 1, 0, 1, "001", 2},
                               {"A3", "丙", 1, 5, 1, "001", 3}, {"A4", "丁", 1, 5, 1, "001", 4}}));
        QVERIFY(co.add(QStringLiteral("230101000000"), {{"A1", "甲", 1, 0, 1, "001", 1}}));

        SheetContext ctx{kExam, 1, ScoreItem::Objective, true, QStringLiteral("1")};
        std::vector<SheetRow> rows;
        QVERIFY(loadSheetRows(db, ctx, 1, rows));
        QCOMPARE(rows.size(), size_t(4));
        std::vector<SaveRow> save;
        const QStringList typed{QStringLiteral("11"), QStringLiteral("22"), QStringLiteral("-1"), QString()};
        for (size_t i = 0; i < rows.size(); ++i)
            save.push_back({rows[i].stid, rows[i].rowId, typed[static_cast<int>(i)]});
        int steps = 0;
        QVERIFY(saveScores(db, ctx, save, [&](int r) { steps = r; }));
        QCOMPARE(steps, 4);
        QHash<QString, QString> typedByStid;
        for (size_t i = 0; i < rows.size(); ++i)
            typedByStid[rows[i].stid] = typed[static_cast<int>(i)];
        for (const QString &stid : {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")})
            QCOMPARE(co.score(kExam, stid, QStringLiteral("kea1")).toDouble(), Val(typedByStid[stid]));
        QVERIFY(co.score(kExam, QStringLiteral("A4"), QStringLiteral("kea1")).isNull());
        // Other columns and other exams untouched.
        QVERIFY(co.score(kExam, QStringLiteral("A1"), QStringLiteral("ke1")).isNull());
        QVERIFY(co.score(QStringLiteral("230101000000"), QStringLiteral("A1"), QStringLiteral("kea1")).isNull());

        // A row that now belongs to another student is not written.
        QVERIFY(execSql(db, QStringLiteral("UPDATE stucj SET stid='B9' WHERE stid='A3'")));
        QVERIFY(saveScores(db, ctx, {{QStringLiteral("A3"), rows[2].rowId, QStringLiteral("99")}}));
        QCOMPARE(co.score(kExam, QStringLiteral("B9"), QStringLiteral("kea1")).toDouble(), -1.0);
    }

    void saveIsAllOrNothing()
    {
        Cohort co;
        QSqlDatabase &db = co.db;
        QSqlDatabase other;
        QVERIFY(openDatabase(co.path(), DbKind::Cohort, QStringLiteral("t-other"), &other));
        QVERIFY(co.add(kExam, {{"A1", "甲", 1, 1, 1, "001", 1}, {"A2", "乙", 1, 2, 1, "001", 2}}));
        SheetContext ctx{kExam, 3, ScoreItem::Total, true, QStringLiteral("1")};
        std::vector<SheetRow> rows;
        QVERIFY(loadSheetRows(db, ctx, 1, rows));
        std::vector<SaveRow> save{{rows[0].stid, rows[0].rowId, QStringLiteral("90")}, {rows[1].stid, rows[1].rowId, QStringLiteral("80")}};

        // Another window holds the file for writing: the save fails at once and writes nothing.
        QSqlQuery lock(other);
        QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QString error;
        QVERIFY(!saveScores(db, ctx, save, {}, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        QVERIFY(co.score(kExam, QStringLiteral("A1"), QStringLiteral("ke3")).isNull());
        QVERIFY(co.score(kExam, QStringLiteral("A2"), QStringLiteral("ke3")).isNull());

        QVERIFY(saveScores(db, ctx, save, {}, &error));
        QCOMPARE(co.score(kExam, QStringLiteral("A2"), QStringLiteral("ke3")).toDouble(), 80.0);
        lock = QSqlQuery();
        closeDatabase(other);

        // The save is written back into the file itself: a copy of the .mdb alone, taken while the
        // window goes on, holds it.
        QCOMPARE(quorvane::test::valueInCopy(co.path(), DbKind::Cohort, QStringLiteral("SELECT ke3 FROM stucj WHERE stid='A2'")), QVariant(80.0));

        // A full disk at the commit is named as such, and nothing is written.
        quorvane::test::SmallDisk disk;
        if (!disk.ok())
            QSKIP("no small disk can be mounted here");
        Cohort full(disk.path());
        QVERIFY(full.add(kExam, {{"A1", "甲", 1, 1, 1, "001", 1}}));
        QVERIFY(loadSheetRows(full.db, ctx, 1, rows));
        QVERIFY(disk.fill());
        QVERIFY(!saveScores(full.db, ctx, {{rows[0].stid, rows[0].rowId, QStringLiteral("70")}}, {}, &error));
        QCOMPARE(error, QStringLiteral("磁盘已满"));
        QVERIFY(full.score(kExam, QStringLiteral("A1"), QStringLiteral("ke3")).isNull());
    }

    void entryAndCellChecks()
    {
        QCOMPARE(checkEntry(QString(), QStringLiteral("150")), EntryCheck::Ok);
        QCOMPARE(checkEntry(QStringLiteral("8a"), QStringLiteral("150")), EntryCheck::IllegalCharacter);
        QCOMPARE(checkEntry(QStringLiteral("-2"), QStringLiteral("150")), EntryCheck::Ok);
        QCOMPARE(checkEntry(QStringLiteral("-1"), QStringLiteral("150")), EntryCheck::Ok);
        QCOMPARE(checkEntry(QStringLiteral("-3"), QStringLiteral("150")), EntryCheck::IllegalCharacter);
        QCOMPARE(checkEntry(QStringLiteral("151"), QStringLiteral("150")), EntryCheck::AboveFullMark);
        QCOMPARE(checkEntry(QStringLiteral("150"), QStringLiteral("150")), EntryCheck::Ok);
        QCOMPARE(checkEntry(QStringLiteral("299"), QStringLiteral("300")), EntryCheck::Ok);
        QCOMPARE(checkEntry(QStringLiteral("301"), QStringLiteral("300")), EntryCheck::AboveFullMark);

        QCOMPARE(checkCell(QStringLiteral("-2"), QStringLiteral("150")), EntryCheck::Ok);
        QCOMPARE(checkCell(QStringLiteral("-1"), QStringLiteral("150")), EntryCheck::Ok);
        QCOMPARE(checkCell(QStringLiteral("-3"), QStringLiteral("150")), EntryCheck::IllegalCharacter);
        QCOMPARE(checkCell(QStringLiteral("85.5"), QStringLiteral("150")), EntryCheck::IllegalCharacter);
        QCOMPARE(checkCell(QStringLiteral("151"), QStringLiteral("150")), EntryCheck::AboveFullMark);
        QCOMPARE(checkCell(QStringLiteral("300"), QStringLiteral("300")), EntryCheck::Ok);

        QVERIFY(storedScore(QString()).isNull());
        QCOMPARE(storedScore(QStringLiteral("-2")).toDouble(), -2.0);

        const SeatIndex seats({QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("3")});
        QCOMPARE(seats.findSeat(QStringLiteral("03")), 1);
        QCOMPARE(seats.findSeat(QStringLiteral("3.0")), 1);
        QCOMPARE(seats.findSeat(QStringLiteral("7")), -1);
    }
    // A sheet row finds its listed row: the first with its seat number, on a class sheet the first
    // with its seat and name; a row under another name on a listed seat is told apart from a seat
    // not listed.
    void seatIndexPlacesRows_data()
    {
        QTest::addColumn<QString>("seat");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bySeat");
        QTest::addColumn<int>("byStudent");
        QTest::addColumn<bool>("nameDiffers");
        // Listed: 0 甲 seat 1, 1 乙 seat 3, 2 丙 丙 seat 3, 3 丁 seat 0 (blank), 4 甲 seat 3.
        QTest::newRow("number") << QStringLiteral("1") << QStringLiteral("甲") << 0 << 0 << false;
        QTest::newRow("leading zero") << QStringLiteral("03") << QStringLiteral("乙") << 1 << 1 << false;
        QTest::newRow("second on the seat") << QStringLiteral("3") << QStringLiteral("丙丙") << 1 << 2 << false;
        QTest::newRow("first of one name") << QStringLiteral("3.0") << QStringLiteral(" 甲") << 1 << 4 << false;
        QTest::newRow("blank seat") << QString() << QStringLiteral("丁") << 3 << 3 << false;
        QTest::newRow("other name") << QStringLiteral("1") << QStringLiteral("乙") << 0 << -1 << true;
        QTest::newRow("seat not listed") << QStringLiteral("7") << QStringLiteral("甲") << -1 << -1 << false;
    }
    void seatIndexPlacesRows()
    {
        QFETCH(QString, seat);
        QFETCH(QString, name);
        QFETCH(int, bySeat);
        QFETCH(int, byStudent);
        QFETCH(bool, nameDiffers);
        const SeatIndex index({QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("3"), QString(), QStringLiteral("03")},
                              {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙 丙"), QStringLiteral("丁"), QStringLiteral("甲")});
        QCOMPARE(index.findSeat(seat), bySeat);
        bool differs = !nameDiffers;
        QCOMPARE(index.findStudent(seat, name, &differs), byStudent);
        QCOMPARE(differs, nameDiffers);
    }
    // Placing every row of a long list is linear: the index takes a few times the CPU time of a
    // reference that reads each row's seat and name as the index must (the number parsed, the name
    // stripped, one hash insert and one lookup), not the hundreds of times a search through the list
    // per row takes. CPU time, measured alternately, so a busy machine slows both sides alike.
    void seatIndexIsLinear()
    {
        constexpr int n = 20000;
        std::vector<QString> seats, names;
        for (int i = 0; i < n; ++i) {
            seats.push_back(QString::number(i + 1));
            names.push_back(QStringLiteral("学生 %1").arg(i));
        }
        const auto place = [&] {
            const SeatIndex index(seats, names);
            int found = 0;
            for (int i = n - 1; i >= 0; --i)
                found += index.findStudent(seats[size_t(i)], names[size_t(i)], nullptr) == i;
            return found;
        };
        const auto reference = [&] {
            std::unordered_map<double, int> rows;
            std::vector<QString> keys;
            for (int i = 0; i < n; ++i) {
                rows.emplace(Val(seats[size_t(i)]), i);
                keys.push_back(StripBlanks(TrimBlanks(names[size_t(i)])));
            }
            int found = 0;
            for (int i = n - 1; i >= 0; --i) {
                const int row = rows.at(Val(seats[size_t(i)]));
                found += row == i && keys[size_t(row)] == StripBlanks(TrimBlanks(names[size_t(i)]));
            }
            return found;
        };
        const auto cpuMs = [](const auto &fn, int *found) {
            const double before = quorvane::test::cpuMsSoFar();
            *found = fn();
            return quorvane::test::cpuMsSoFar() - before;
        };
        double indexMs = 1e300, refMs = 1e300;
        for (int run = 0; run < 3; ++run) {
            int found = 0, refFound = 0;
            indexMs = std::min(indexMs, cpuMs(place, &found));
            refMs = std::min(refMs, cpuMs(reference, &refFound));
            QCOMPARE(found, n);
            QCOMPARE(refFound, n);
        }
        QVERIFY2(indexMs < 8 * std::max(refMs, 1.0),
                 qPrintable(QStringLiteral("index %1 ms, reference %2 ms of CPU").arg(indexMs).arg(refMs)));
    }
    void scoreWorkbookRows()
    {
        // Every row filled: rows 2 to 6000 are read, row 6001 never.
        int maxRow = 0;
        int taken = 0;
        const bool toTheLimit = readScoreRows(
            [&](const QString &ref) {
                int r = 0, c = 0;
                parseCellRef(ref, &r, &c);
                maxRow = std::max(maxRow, r);
                return QStringLiteral(" x ");
            },
            [&](const QString &a, const QString &, const QString &) {
                QCOMPARE(a, QStringLiteral("x"));
                ++taken;
            });
        QCOMPARE(maxRow, 6000);
        QCOMPARE(taken, 5999);
        QVERIFY(toTheLimit);   // later rows may have been left unread

        // Written and read back; the first empty column A ends the sheet.
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/s.xlsx");
        const std::vector<QStringList> table{{QStringLiteral("座位号"), QStringLiteral("分数")},
                                             {QStringLiteral("1"), QStringLiteral("9 0")},
                                             {QStringLiteral("2"), QString()},
                                             {QString(), QStringLiteral("70")},
                                             {QStringLiteral("4"), QStringLiteral("60")}};
        QVERIFY(writeScoreWorkbook(path, table));
        Workbook book;
        QVERIFY(book.open(path));
        QStringList got;
        QVERIFY(!readScoreRows([&](const QString &ref) { return book.text(ref); },
                      [&](const QString &a, const QString &b, const QString &c) { got << a + QLatin1Char('|') + b + QLatin1Char('|') + c; }));
        QCOMPARE(got, QStringList({QStringLiteral("1|90|"), QStringLiteral("2||")}));

        QString error;
        QVERIFY(!writeScoreWorkbook(dir.path() + QStringLiteral("/missing/s.xlsx"), table, {}, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_scoresheet)
#include "tst_scoresheet.moc"
