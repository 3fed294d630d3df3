#include "arrangement/arrange.h"
#include "arrangement/exams.h"
#include "arrangement/kcbp.h"
#include "arrangement/kcsz.h"
#include "arrangement/register.h"
#include "arrangement/rooms.h"
#include "arrangement/subjectsettings.h"
#include "scores/ranking.h"
#include "scores/scoresheet.h"
#include "shell/cohorts.h"
#include "shell/globals.h"
#include "shell/grad1.h"
#include "shell/managst.h"
#include "shell/register.h"
#include "shell/students.h"
#include "shell/studentio.h"
#include "shell/window.h"
#include "testsupport.h"
#include "../arrangement/gridclick.h"

#include <QApplication>
#include <QDir>
#include <QtTest>
#include <functional>
#include <random>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("200901080000");

// Cohort 2020 (open, as its windows hold it) with student A1 seated in exam 月考 of room 001, and
// cohort 2019 that no window holds (a cohort held open is neither renamed nor deleted).
struct School
{
    TempData data;
    ScriptedServices &services = installScripted();
    QSqlDatabase sys, cohort;

    School()
    {
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 3, 1);
        data.addCohort(QStringLiteral("2019"), QStringLiteral("db2019"), 3, 1);
        sys = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("tst-sys"));
        cohort = openOrThrow(data.cohortPath(QStringLiteral("db2020.mdb")), DbKind::Cohort, QStringLiteral("tst-cohort"));
        execOrThrow(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('001', '一楼', 1, 30)"));
        execOrThrow(sys, QStringLiteral("INSERT INTO kcbpb(id, name, num, year, grade, kcid, kmflag1, allfs1, kstype1, cjinput1) "
                                        "VALUES(?, '月考', 2, '2020', 1, '001', 1, 150, 1, 1)"),
                    {kExam});
        execOrThrow(cohort, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES('A1', '甲', 1, 1, 1)"));
        execOrThrow(cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, ke1) VALUES(?, 'A1', '甲', 1, 1, 1, 90)"),
                    {kExam});
    }
    qint64 examRow()
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT rowid FROM stucj WHERE id = ?"), {kExam});
        return q.exec() && q.next() ? q.value(0).toLongLong() : -1;
    }
    cohorts::Cohort cohort2019()
    {
        cohorts::Cohort c;
        cohorts::findByYear(sys, QStringLiteral("2019"), &c);
        return c;
    }
};

using Write = std::function<void(School &)>;
// A long write; `vanish` deletes the data folder and is handed to the write's progress display.
using LongWrite = std::function<void(School &, const std::function<void(int)> &vanish)>;

// Shows a window as the main window does, in the active window.
template <class W> W *shown(const char *name)
{
    windows::show(QLatin1String(name));
    W *w = windows::find<W>(QLatin1String(name));
    QApplication::setActiveWindow(w);
    return w;
}

// 考场设置 with a new room 002 typed in, not saved yet; null when the window refused.
kcsz *roomTyped()
{
    auto *w = shown<kcsz>("kcsz");
    if (!press(w->jscsadd))
        return nullptr;
    w->Text1[0]->setText(QStringLiteral("002"));
    w->Text1[1]->setText(QStringLiteral("二楼"));
    w->Text1[2]->setText(QStringLiteral("30"));
    w->Combo1->setCurrentIndex(0);
    return w;
}

// What a user does in a window, the disk made full just before the last press.
using Steps = std::function<void(SmallDisk &)>;

} // namespace

Q_DECLARE_METATYPE(Write)
Q_DECLARE_METATYPE(LongWrite)
Q_DECLARE_METATYPE(Steps)

class tst_writes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writeIntoAVanishedFolderEndsTheProgram_data();
    void writeIntoAVanishedFolderEndsTheProgram();
    void folderVanishingDuringALongWriteEndsTheProgram_data();
    void folderVanishingDuringALongWriteEndsTheProgram();
    void scopeKeepsItsFirstFailure();
    void fullDiskIsNamed_data();
    void fullDiskIsNamed();
};

// Every write path, run after the data folder was deleted under the open connections: the program
// says that the file written is gone and ends before the write could be reported done.
void tst_writes::writeIntoAVanishedFolderEndsTheProgram_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("what"); // the import is a procedure of its own, with its own text
    QTest::addColumn<Write>("write");
    const QString change = QStringLiteral("本次改动");
    const QString co = QStringLiteral("db2020.mdb");
    const QString sy = QStringLiteral("newclasssys.mdb");
    QTest::newRow("student add") << co << change << Write([](School &s) { addStudent(s.cohort, {QStringLiteral("B2"), QStringLiteral("乙"), 1, 2, 1}); });
    QTest::newRow("student change") << co << change << Write([](School &s) {
        changeStudent(s.cohort, studentRowId(s.cohort, QStringLiteral("A1")).value_or(-1), QStringLiteral("A1"),
                      {QStringLiteral("A1"), QStringLiteral("丙"), 1, 1, 1});
    });
    QTest::newRow("student delete") << co << change << Write([](School &s) { deleteStudent(s.cohort, QStringLiteral("A1")); });
    QTest::newRow("students cleared") << co << change << Write([](School &s) { clearStudents(s.cohort); });
    QTest::newRow("student import") << co << QStringLiteral("本次导入的学生信息") << Write([](School &s) {
        ExcelIo excel{studentExcelTexts()};
        StudentIoContext ctx;
        ctx.db = s.cohort;
        s.services.answers = {MsgAnswer::No, MsgAnswer::Yes}; // not cleared; added
        stuinputok0(excel, QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/students.xls"), ctx);
    });
    QTest::newRow("score save") << co << change << Write([](School &s) {
        scoresheet::saveScores(s.cohort, {kExam, 1, scoresheet::ScoreItem::Total, true, QStringLiteral("1")}, {{QStringLiteral("A1"), s.examRow(), QStringLiteral("95")}});
    });
    QTest::newRow("totals") << co << change << Write([](School &s) { runTotals(s.cohort, s.sys, QStringLiteral("2020"), kExam); });
    QTest::newRow("subject ranks") << co << change << Write([](School &s) { runSubjects(s.cohort, s.sys, QStringLiteral("2020"), kExam, {{1, false}}); });
    QTest::newRow("arrangement") << co << change << Write([](School &s) {
        std::mt19937 rng(1);
        arrangeStudents(s.cohort, s.sys, {kExam, QString(), QStringLiteral("001")}, rng, {});
    });
    QTest::newRow("exam save") << sy << change << Write([](School &s) { saveExam(s.sys, {kExam, QStringLiteral("期中"), 2, {}, QStringLiteral("2020"), 1}); });
    QTest::newRow("exam add") << sy << change << Write([](School &s) {
        saveExam(s.sys, {QStringLiteral("200902080000"), QStringLiteral("期末"), 1, {}, QStringLiteral("2020"), 1});
    });
    QTest::newRow("exam delete") << sy << change << Write([](School &s) { deleteExam(s.sys, s.cohort, kExam); });
    QTest::newRow("room list add") << sy << change << Write([](School &s) { appendRooms(s.sys, kExam, {QStringLiteral("002")}, 2, nullptr); });
    QTest::newRow("room list remove") << sy << change << Write([](School &s) { storeRoomList(s.sys, kExam, {}, nullptr); });
    QTest::newRow("room save") << sy << change << Write([](School &s) { saveRoom(s.sys, {QStringLiteral("002"), QStringLiteral("二楼"), 1, 30}); });
    QTest::newRow("room delete") << sy << change << Write([](School &s) { deleteRoom(s.sys, QStringLiteral("001")); });
    QTest::newRow("subject settings") << sy << change << Write([](School &s) {
        subjectsettings::Entry entry;
        entry.stream = 1;
        entry.full = 120;
        subjectsettings::save(s.sys, QStringLiteral("2020"), kExam, 1, entry);
    });
    QTest::newRow("cohort add") << sy << change << Write([](School &s) {
        cohorts::addCohort(s.sys, {-1, QStringLiteral("2021"), QStringLiteral("db2021"), 3, 1});
    });
    QTest::newRow("cohort change") << sy << change << Write([](School &s) {
        cohorts::Cohort changed = s.cohort2019();
        changed.bjsum = 4;
        cohorts::changeCohort(s.sys, s.cohort2019(), changed);
    });
    QTest::newRow("cohort rename") << sy << change << Write([](School &s) {
        cohorts::Cohort changed = s.cohort2019();
        changed.dbname = QStringLiteral("gz2019");
        cohorts::changeCohort(s.sys, s.cohort2019(), changed);
    });
    QTest::newRow("cohort delete") << sy << change << Write([](School &s) { cohorts::deleteCohort(s.sys, s.cohort2019()); });
}

void tst_writes::writeIntoAVanishedFolderEndsTheProgram()
{
    QFETCH(QString, file);
    QFETCH(QString, what);
    QFETCH(Write, write);
    School s;
    QVERIFY(QDir(s.data.folder()).removeRecursively());
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, write(s));
    QCOMPARE(s.services.lastText(), QStringLiteral("数据文件“") + file + QStringLiteral("”已被删除或移走，") + what + QStringLiteral("未能保存！程序即将结束。"));
}

// The data folder deleted while a long write runs, after its start was checked: its commit goes
// into a file that is gone, so the program says so and ends instead of reporting the write done.
void tst_writes::folderVanishingDuringALongWriteEndsTheProgram_data()
{
    QTest::addColumn<int>("report"); // the progress report (from 0) at which the folder goes
    QTest::addColumn<QString>("what");
    QTest::addColumn<LongWrite>("write");
    const QString change = QStringLiteral("本次改动");
    QTest::newRow("totals") << 0 << change << LongWrite([](School &s, const std::function<void(int)> &vanish) {
        runTotals(s.cohort, s.sys, QStringLiteral("2020"), kExam, vanish);
    });
    QTest::newRow("subject ranks") << 0 << change << LongWrite([](School &s, const std::function<void(int)> &vanish) {
        runSubjects(s.cohort, s.sys, QStringLiteral("2020"), kExam, {{1, false}}, vanish);
    });
    // The import shows its bar before it reads the sheet; the rows are written from the second report.
    QTest::newRow("student import") << 1 << QStringLiteral("本次导入的学生信息") << LongWrite([](School &s, const std::function<void(int)> &vanish) {
        ExcelIo excel{studentExcelTexts()};
        StudentIoContext ctx;
        ctx.db = s.cohort;
        ctx.progress = vanish;
        s.services.answers = {MsgAnswer::No, MsgAnswer::Yes}; // not cleared; added
        stuinputok0(excel, QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/students.xls"), ctx);
    });
    QTest::newRow("arrangement") << 0 << change << LongWrite([](School &s, const std::function<void(int)> &vanish) {
        std::mt19937 rng(1);
        arrangeStudents(s.cohort, s.sys, {kExam, QString(), QStringLiteral("001")}, rng, {vanish, {}});
    });
    QTest::newRow("score save") << 0 << change << LongWrite([](School &s, const std::function<void(int)> &vanish) {
        scoresheet::saveScores(s.cohort, {kExam, 1, scoresheet::ScoreItem::Total, true, QStringLiteral("1")},
                               {{QStringLiteral("A1"), s.examRow(), QStringLiteral("95")}}, vanish);
    });
}

void tst_writes::folderVanishingDuringALongWriteEndsTheProgram()
{
    QFETCH(int, report);
    QFETCH(QString, what);
    QFETCH(LongWrite, write);
    School s;
    const QString folder = s.data.folder();
    int reports = 0;
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, write(s, [&](int) {
        if (reports++ == report)
            QDir(folder).removeRecursively();
    }));
    QVERIFY(reports > report);
    QVERIFY(!QDir(folder).exists());
    QCOMPARE(s.services.lastText(), QStringLiteral("数据文件“db2020.mdb”已被删除或移走，") + what + QStringLiteral("未能保存！程序即将结束。"));
}

// A scope whose writes fail twice names the first reason: what went wrong first is why the rest
// failed too.
void tst_writes::scopeKeepsItsFirstFailure()
{
    School s;
    const WriteScope saving(QStringLiteral("本次改动"));
    QVERIFY(execSql(s.cohort, QStringLiteral("PRAGMA query_only = 1")));
    QVERIFY(!execSql(s.cohort, QStringLiteral("DELETE FROM stinfo")));
    QVERIFY(execSql(s.cohort, QStringLiteral("PRAGMA query_only = 0")));
    QVERIFY(!execSql(s.cohort, QStringLiteral("DELETE FROM nosuchtable")));
    QCOMPARE(saving.failureClause(), QStringLiteral("：文件或所在文件夹只读，没有写入权限"));
}

// A write that finds the disk full names the full disk as the reason it failed.
void tst_writes::fullDiskIsNamed_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<Steps>("steps");
    const QString studentSave = QStringLiteral("学生信息保存失败：磁盘已满，请重新操作！");
    const QString dataSave = QStringLiteral("数据保存失败：磁盘已满,请稍后重试!");
    QTest::newRow("student add") << studentSave << Steps([](SmallDisk &disk) {
        auto *w = shown<managst>("managst");
        QVERIFY(press(w->comadd));
        w->Txtfields[0]->setText(QStringLiteral("B2"));
        w->Txtfields[1]->setText(QStringLiteral("乙"));
        QVERIFY(disk.fill());
        QVERIFY(press(w->comsave));
    });
    QTest::newRow("student change") << studentSave << Steps([](SmallDisk &disk) {
        auto *w = shown<managst>("managst");
        QVERIFY(clickRow(w->Grid1, 1));
        QVERIFY(press(w->commodi));
        w->Txtfields[1]->setText(QStringLiteral("丙"));
        QVERIFY(disk.fill());
        QVERIFY(press(w->comsave));
    });
    QTest::newRow("students cleared") << QStringLiteral("学生信息清空失败：磁盘已满，请重新操作！") << Steps([](SmallDisk &disk) {
        auto *w = shown<managst>("managst");
        QVERIFY(disk.fill());
        QVERIFY(press(w->VsNetBut1));
    });
    QTest::newRow("room save") << dataSave << Steps([](SmallDisk &disk) {
        kcsz *w = roomTyped();
        QVERIFY(w);
        QVERIFY(disk.fill());
        QVERIFY(press(w->jscssave));
    });
    QTest::newRow("exam save") << dataSave << Steps([](SmallDisk &disk) {
        auto *w = shown<kcbp>("kcbp");
        QVERIFY(press(w->jscsadd));
        w->Text1[1]->setText(QStringLiteral("1"));
        QVERIFY(disk.fill());
        QVERIFY(press(w->jscssave));
    });
    QTest::newRow("student delete") << QStringLiteral("学生信息删除失败：磁盘已满，请重新操作！") << Steps([](SmallDisk &disk) {
        auto *w = shown<managst>("managst");
        QVERIFY(clickRow(w->Grid1, 1));
        QVERIFY(disk.fill());
        QVERIFY(press(w->comdele));
    });
    QTest::newRow("room delete") << QStringLiteral("数据删除失败：磁盘已满,请稍后重试!") << Steps([](SmallDisk &disk) {
        kcsz *w = roomTyped();
        QVERIFY(w);
        QVERIFY(press(w->jscssave));
        QVERIFY(clickRow(w->Grid1, 1));
        dynamic_cast<ScriptedServices &>(services::handler()).answers = {MsgAnswer::Ok};
        QVERIFY(disk.fill());
        QVERIFY(press(w->jscsdel));
    });
    QTest::newRow("cohort add") << QStringLiteral("学届数据库“db2021.mdb”建立失败：磁盘已满，学届信息未保存！") << Steps([](SmallDisk &disk) {
        auto *w = shown<grad1>("grad1");
        w->Txtfields[0]->setText(QStringLiteral("2021"));
        w->Txtfields[1]->setText(QStringLiteral("db2021"));
        w->Txtfields[2]->setText(QStringLiteral("3"));
        w->Txtfields[3]->setText(QStringLiteral("1"));
        QVERIFY(disk.fill());
        QVERIFY(press(w->comsave));
    });
    QTest::newRow("cohort delete") << QStringLiteral("学届删除失败：磁盘已满，请重新操作！") << Steps([](SmallDisk &disk) {
        auto *w = shown<grad1>("grad1");
        QVERIFY(clickRow(w->Grid1, 1)); // 2019, whose file no window holds
        QVERIFY(disk.fill());
        QVERIFY(press(w->comdele));
    });
}

void tst_writes::fullDiskIsNamed()
{
    QFETCH(QString, message);
    QFETCH(Steps, steps);
    SmallDisk disk;
    if (!disk.ok())
        QSKIP("no small disk can be mounted here");
    {
        TempData data(disk.path());
        ScriptedServices &services = installScripted();
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 3, 1);
        data.addCohort(QStringLiteral("2019"), QStringLiteral("db2019"), 3, 1);
        QSqlDatabase cohort = openOrThrow(data.cohortPath(QStringLiteral("db2020.mdb")), DbKind::Cohort, QStringLiteral("tst-set-up"));
        execOrThrow(cohort, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES('A1', '甲', 1, 1, 1)"));
        closeDatabase(cohort);
        gCohortYear = QStringLiteral("2020");
        gCohortDbFile = QStringLiteral("db2020.mdb");
        registerShellWindows();
        registerArrangementWindows();
        steps(disk);
        QCOMPARE(services.lastText(), message);
    }
}

QTEST_MAIN(tst_writes)
#include "tst_writes.moc"
