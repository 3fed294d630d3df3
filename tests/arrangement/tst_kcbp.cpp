#include "arrangement/exams.h"
#include "arrangement/kcbp.h"
#include "arrangement/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/register.h"
#include "gridclick.h"
#include "testsupport.h"

#include <QApplication>
#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

QDateTime at(int y, int m, int d, int hh = 10, int mm = 0, int ss = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
}

struct Fixture
{
    TempData data;
    ScriptedServices &services = installScripted();
    kcbp *w = nullptr;

    explicit Fixture(bool load = true)
    {
        data.addCohort(QStringLiteral("2008"), QStringLiteral("db2008"));
        gCohortYear = QStringLiteral("2008");
        gCohortDbFile = QStringLiteral("db2008.mdb");
        services.clock = at(2008, 10, 5, 14, 3, 9);
        registerArrangementWindows();
        w = windows::get<kcbp>(QStringLiteral("kcbp"));
        if (load)
            show();
    }

    void show()
    {
        w->Show();
        QApplication::setActiveWindow(w);
    }

    QSqlDatabase sys() const { return w->systemDatabase(); }
    QSqlDatabase cohort() const { return w->cohortDatabase(); }

    void addRoom(const QString &id, const QString &address, int type, int rs = 30)
    {
        QVERIFY(execSql(sys(), QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES(?,?,?,?)"), {id, address, type, rs}));
    }

    struct RoomRow
    {
        const char *id;
        const char *address;
        int type;
        int rs = 30;
    };
    // Adds the rooms to the register, then a new exam 月考 of that room count; returns its id.
    QString examWithRooms(const QString &count, std::initializer_list<RoomRow> rooms)
    {
        for (const RoomRow &room : rooms)
            addRoom(QString::fromUtf8(room.id), QString::fromUtf8(room.address), room.type, room.rs);
        newExam(QStringLiteral("月考"), count);
        return w->currentExamId();
    }

    // 新增, name and count, optional basis position, 保存.
    void newExam(const QString &name, const QString &count, int basis = -1)
    {
        QVERIFY(press(w->jscsadd));
        w->Text1[0]->setText(name);
        w->Text1[1]->setText(count);
        if (basis >= 0)
            w->Combo1->setCurrentIndex(basis);
        QVERIFY(press(w->jscssave));
    }

    QVariant value(const QString &column, const QString &id) const
    {
        // column comes from the fixed names used in these tests
        QSqlQuery q = prepare(sys(), QStringLiteral("SELECT ") + column + QStringLiteral(" FROM kcbpb WHERE id = ?"), {id});
        q.exec();
        return q.next() ? q.value(0) : QVariant();
    }

    int count(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery q = prepare(db, sql, values);
        q.exec();
        return q.next() ? q.value(0).toInt() : -1;
    }

    int rowOf(const QString &id) const
    {
        for (int r = 1; r < w->Grid1[0]->Rows(); ++r)
            if (w->Grid1[0]->TextMatrix(r, 4) == id)
                return r;
        return -1;
    }

    // Clicks the exam's row in the exam list.
    void clickExam(const QString &id)
    {
        const int r = rowOf(id);
        QVERIFY(r > 0);
        QVERIFY(clickRow(w->Grid1[0], r));
    }

    // Ticks (or unticks) a room in a room list by clicking its row.
    void tick(int grid, const QString &roomId)
    {
        const QStringList ids = column(grid, 1);
        QVERIFY2(ids.contains(roomId), qPrintable(roomId));
        QVERIFY(clickRow(w->Grid1[grid], int(ids.indexOf(roomId)) + 1));
    }

    QStringList column(int grid, int col) const
    {
        QStringList out;
        for (int r = 1; r < w->Grid1[grid]->Rows(); ++r)
            out << w->Grid1[grid]->TextMatrix(r, col);
        return out;
    }

    void addStudentRows(const QString &examId, const QStringList &stids)
    {
        for (const QString &s : stids)
            QVERIFY(execSql(cohort(), QStringLiteral("INSERT INTO stucj(id, stid, name) VALUES(?,?,?)"), {examId, s, s}));
    }
};

} // namespace

class tst_kcbp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void gradeAndDefaultName();
    void savingExams();
    void examIdsNeverCollide();
    void windowKeepsItsCohort();
    void gridShowsNoLeftoverGrade();
    void basisIsKeptById();
    void roomListAddAndRemove();
    void roomListsOfUnsavedExam();
    void deletingAnExam();
    void deleteUnderALockDeletesNothing();
    void sweepRemovesOnlyDeletedExams_data();
    void sweepRemovesOnlyDeletedExams();
    void missingCohortDatabase();
    void keysFocusAndButtonStates();
    void roomListEdgeCases();
    void malformedRoomIdsAreRefused();
    void deletedRoomsStayInTheList();
};

void tst_kcbp::gradeAndDefaultName()
{
    const QString y = QStringLiteral("2008");
    QCOMPARE(examGrade(QDate(2008, 10, 1), y), 1);
    QCOMPARE(examGrade(QDate(2009, 3, 1), y), 1);
    QCOMPARE(examGrade(QDate(2009, 8, 31), y), 1);
    QCOMPARE(examGrade(QDate(2009, 9, 1), y), 2);
    QCOMPARE(examGrade(QDate(2008, 7, 1), y), 0);
    QCOMPARE(examGrade(QDate(2012, 3, 1), y), 4);
    QCOMPARE(examGrade(QDate(2012, 10, 1), y), 5);
    QCOMPARE(gradeText(3), QStringLiteral("高三"));
    QCOMPARE(gradeText(0), QString());
    QCOMPARE(gradeText(4), QString());
    QCOMPARE(gradeText(QVariant()), QString());

    QCOMPARE(defaultExamName(QDate(2008, 8, 31)), QStringLiteral("2007-2008学年第二学期"));
    QCOMPARE(defaultExamName(QDate(2008, 9, 1)), QStringLiteral("2008-2009学年第一学期"));
    QCOMPARE(defaultExamName(QDate(2009, 3, 1)), QStringLiteral("2008-2009学年第二学期"));

    // Through the window, on the day the clock says.
    Fixture f;
    f.services.clock = at(2009, 8, 31);
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("2008-2009学年第二学期"));
    QCOMPARE(f.w->currentExamId(), QStringLiteral("aa"));
    f.services.clock = at(2009, 9, 1);
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("2009-2010学年第一学期"));
    f.w->Text1[1]->setText(QStringLiteral("3"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.value(QStringLiteral("grade"), QStringLiteral("090901100000")).toInt(), 2);
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 5), QStringLiteral("高二"));
}

void tst_kcbp::savingExams()
{
    Fixture f;
    QCOMPARE(f.w->windowTitle(), QStringLiteral("考场编排--2008学届"));
    QCOMPARE(f.w->Grid1[0]->Rows(), 1);
    const QString title = QStringLiteral("系统提示：");

    // Refusals: nothing is written.
    struct Case
    {
        QString name, count, message;
    };
    const QString nameMsg = QStringLiteral("考试名称不能为空或长度超过25个汉字!");
    const QString countMsg = QStringLiteral("考场数量不能为0!");
    const Case cases[] = {
        {QStringLiteral("   "), QStringLiteral("5"), nameMsg},
        {QString(26, QChar(0x8003)), QStringLiteral("5"), nameMsg},
        {QStringLiteral("月考"), QStringLiteral("0"), countMsg},
        {QStringLiteral("月考"), QStringLiteral("00"), countMsg},
        {QStringLiteral("月考"), QStringLiteral("-1"), countMsg},
        {QStringLiteral("月考"), QStringLiteral("a5"), countMsg},
        {QStringLiteral("月考"), QStringLiteral(".5"), countMsg},
    };
    for (const Case &c : cases) {
        f.services.clear();
        f.newExam(c.name, c.count);
        QCOMPARE(f.services.lastText(), c.message);
        QCOMPARE(f.services.messages.back().title, title);
        QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")), 0);
    }

    // 25 Chinese characters fit; blanks around the name go; "7a" is 7 rooms.
    f.services.clear();
    const QString longName = QString(25, QChar(0x8003));
    f.newExam(QStringLiteral("  ") + longName + QStringLiteral(" "), QStringLiteral("7a"));
    QCOMPARE(f.services.lastText(), QStringLiteral("数据保存完毕！"));
    const QString id = QStringLiteral("081005140309");
    QCOMPARE(f.w->currentExamId(), id);
    QCOMPARE(f.value(QStringLiteral("name"), id).toString(), longName);
    QCOMPARE(f.value(QStringLiteral("num"), id).toDouble(), 7.0);
    QCOMPARE(f.value(QStringLiteral("year"), id).toString(), QStringLiteral("2008"));
    QCOMPARE(f.value(QStringLiteral("grade"), id).toInt(), 1);
    QVERIFY(f.value(QStringLiteral("bpid"), id).isNull());
    QVERIFY(f.value(QStringLiteral("kcid"), id).isNull());
    // Written back into the file at once: a copy of the system database alone holds the exam.
    QCOMPARE(valueInCopy(f.data.systemPath(), DbKind::System, QStringLiteral("SELECT name FROM kcbpb")), QVariant(longName));
    QCOMPARE(f.w->Grid1[0]->Rows(), 2);
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 1), longName);
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 2), QStringLiteral("7"));
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 4), id);
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 5), QStringLiteral("高一"));
    QVERIFY(!f.w->jscssave->isEnabled() && !f.w->jscsmodi->isEnabled() && !f.w->jscsdel->isEnabled());

    // Editing renames the exam and leaves its id and grade.
    f.services.clock = at(2010, 10, 1);
    f.clickExam(id);
    QVERIFY(f.w->jscsmodi->isEnabled() && f.w->jscsdel->isEnabled());
    QCOMPARE(f.w->Frame1[0]->title(), longName + QStringLiteral("：考场列表"));
    QVERIFY(press(f.w->jscsmodi));
    f.w->Text1[0]->setText(QStringLiteral("O'Neil's 月考"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")), 1);
    QCOMPARE(f.value(QStringLiteral("name"), id).toString(), QStringLiteral("O'Neil's 月考"));
    QCOMPARE(f.value(QStringLiteral("grade"), id).toInt(), 1);

    // Saving before any exam was chosen or created writes nothing under an empty id.
    QVERIFY(press(f.w->VsNetBtout[4]));
    f.show();
    f.services.clear();
    f.w->Combo1->setFocus();
    QTest::keyClick(f.w->Combo1, Qt::Key_Return);
    f.w->Text1[0]->setText(QStringLiteral("月考"));
    f.w->Text1[1]->setText(QStringLiteral("3"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.services.lastText(), QStringLiteral("请先在考试列表中选择考试,或按“新增”输入新考试!"));
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")), 1);
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb WHERE id = ''")), 0);
}

void tst_kcbp::examIdsNeverCollide()
{
    Fixture f;
    f.newExam(QStringLiteral("一"), QStringLiteral("3"));
    f.newExam(QStringLiteral("二"), QStringLiteral("3"));
    f.newExam(QStringLiteral("三"), QStringLiteral("3"));
    QCOMPARE(f.column(0, 4), (QStringList{QStringLiteral("081005140311"), QStringLiteral("081005140310"),
                                          QStringLiteral("081005140309")}));
    QCOMPARE(f.column(0, 1), (QStringList{QStringLiteral("三"), QStringLiteral("二"), QStringLiteral("一")}));
    // An id taken by an exam of another cohort counts as well; the next second rolls over the minute.
    QVERIFY(execSql(f.sys(), QStringLiteral("INSERT INTO kcbpb(id, name, num, year) VALUES('081005140359', 'x', 1, '2007')")));
    f.services.clock = at(2008, 10, 5, 14, 3, 59);
    f.newExam(QStringLiteral("四"), QStringLiteral("3"));
    QCOMPARE(f.w->currentExamId(), QStringLiteral("081005140400"));
    QCOMPARE(f.w->currentExamId().size(), 12);
}

void tst_kcbp::windowKeepsItsCohort()
{
    Fixture f;
    f.data.addCohort(QStringLiteral("2009"), QStringLiteral("db2009"));
    QVERIFY(execSql(f.sys(), QStringLiteral("INSERT INTO kcbpb(id, name, num, year) VALUES('090101000000', '别届考试', 1, '2009')")));
    f.newExam(QStringLiteral("本届考试"), QStringLiteral("2"));
    // Another cohort is chosen for another window meanwhile.
    gCohortYear = QStringLiteral("2009");
    gCohortDbFile = QStringLiteral("db2009.mdb");
    f.services.clock = at(2009, 10, 5);
    f.newExam(QStringLiteral("本届第二次"), QStringLiteral("2"));
    QCOMPARE(f.column(0, 1), (QStringList{QStringLiteral("本届第二次"), QStringLiteral("本届考试")}));
    QCOMPARE(f.value(QStringLiteral("year"), f.w->currentExamId()).toString(), QStringLiteral("2008"));
    QCOMPARE(f.value(QStringLiteral("grade"), f.w->currentExamId()).toInt(), 2);
    QCOMPARE(f.w->cohortYear(), QStringLiteral("2008"));
    QCOMPARE(f.w->windowTitle(), QStringLiteral("考场编排--2008学届"));
    // Deleting works on the cohort database the window was loaded with.
    f.addStudentRows(f.w->currentExamId(), {QStringLiteral("s1")});
    f.clickExam(f.w->currentExamId());
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.count(f.cohort(), QStringLiteral("SELECT count(*) FROM stucj")), 0);
    QCOMPARE(f.w->cohortDbFile(), QStringLiteral("db2008.mdb"));
}

void tst_kcbp::gridShowsNoLeftoverGrade()
{
    Fixture f;
    f.newExam(QStringLiteral("高一月考"), QStringLiteral("2"));
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 5), QStringLiteral("高一"));
    // An exam made years later (grade 5) takes the first row: it shows no grade text.
    f.services.clock = at(2012, 10, 1);
    f.newExam(QStringLiteral("补录"), QStringLiteral("2"));
    QCOMPARE(f.column(0, 1), (QStringList{QStringLiteral("补录"), QStringLiteral("高一月考")}));
    QCOMPARE(f.column(0, 5), (QStringList{QString(), QStringLiteral("高一")}));
    // The same for the basis column: a row that had a basis name is rewritten empty.
    f.services.clock = at(2012, 10, 2);
    f.newExam(QStringLiteral("有依据"), QStringLiteral("2"), 1); // basis: 高一月考
    f.services.clock = at(2012, 10, 3);
    f.newExam(QStringLiteral("无依据"), QStringLiteral("2"));
    QCOMPARE(f.column(0, 3), (QStringList{QString(), QStringLiteral("高一月考"), QString(), QString()}));
}

void tst_kcbp::basisIsKeptById()
{
    Fixture f;
    f.newExam(QStringLiteral("月考"), QStringLiteral("2"));
    const QString older = f.w->currentExamId();
    f.services.clock = f.services.clock.addDays(30);
    f.newExam(QStringLiteral("月考"), QStringLiteral("2"));
    const QString newer = f.w->currentExamId();
    f.services.clock = f.services.clock.addDays(30);
    // The chooser offers every exam, newest first: position 1 is the older 月考.
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Combo1->count(), 2);
    QCOMPARE(f.w->basisIds(), (QStringList{newer, older}));
    f.w->Text1[0]->setText(QStringLiteral("期中"));
    f.w->Text1[1]->setText(QStringLiteral("4"));
    f.w->Combo1->setCurrentIndex(1);
    QVERIFY(press(f.w->jscssave));
    const QString exam = f.w->currentExamId();
    QCOMPARE(f.value(QStringLiteral("bpid"), exam).toString(), older);
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 3), QStringLiteral("月考"));

    // Clicking the exam selects its own basis, not the first exam of that name.
    f.clickExam(exam);
    QCOMPARE(f.w->Combo1->currentIndex(), 1);
    QVERIFY(press(f.w->jscsmodi));
    f.w->Text1[0]->setText(QStringLiteral("期中考试"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.value(QStringLiteral("bpid"), exam).toString(), older);

    // The oldest exam is offered no basis; the newest is offered every other one.
    f.clickExam(older);
    QCOMPARE(f.w->Combo1->count(), 0);
    f.clickExam(exam);
    QCOMPARE(f.w->Combo1->count(), 2);

    // A deleted basis: empty basis column, no selection, and a save keeps the stored id.
    f.clickExam(older);
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.rowOf(exam), 1);
    QCOMPARE(f.w->Grid1[0]->TextMatrix(1, 3), QString());
    f.clickExam(exam);
    QCOMPARE(f.w->Combo1->currentIndex(), -1);
    QVERIFY(press(f.w->jscsmodi));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.value(QStringLiteral("bpid"), exam).toString(), older);
}

void tst_kcbp::roomListAddAndRemove()
{
    Fixture f;
    const QString exam = f.examWithRooms(QStringLiteral("5"), {{"003", "三楼", 3}, {"001", "一楼", 1, 40}, {"004", "实验楼", 4},
                                                               {"002", "二楼", 2}, {"a01", "阅览室", 13}, {"005", "五楼", 1}});

    // No rooms yet: five empty rows, and every room of the school offered, by kind.
    f.clickExam(exam);
    QCOMPARE(f.w->Grid1[1]->Rows(), 6);
    QCOMPARE(f.column(1, 1), QStringList(5, QString()));
    QCOMPARE(f.column(2, 1), (QStringList{QStringLiteral("001"), QStringLiteral("005"), QStringLiteral("002"),
                                          QStringLiteral("003"), QStringLiteral("004"), QStringLiteral("a01")}));
    QCOMPARE(f.w->Grid1[2]->TextMatrix(1, 3), QStringLiteral("40"));
    QCOMPARE(f.w->Grid1[2]->TextMatrix(1, 4), QStringLiteral("高一教室"));
    QVERIFY(f.w->VsNetBut1[0]->isEnabled() && f.w->VsNetBut1[1]->isEnabled());

    // Nothing ticked: nothing happens.
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QVERIFY(f.services.messages.empty());

    // Ticking twice unticks; rooms go in the order of the offered list.
    f.tick(2, QStringLiteral("003"));
    f.tick(2, QStringLiteral("002"));
    f.tick(2, QStringLiteral("001"));
    f.tick(2, QStringLiteral("001"));
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.services.lastText(), QStringLiteral("添加完毕!"));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002003"));
    QCOMPARE(f.column(1, 1), (QStringList{QStringLiteral("002"), QStringLiteral("003"), QString(), QString(), QString()}));
    QCOMPARE(f.w->Grid1[1]->TextMatrix(1, 2), QStringLiteral("二楼"));
    QVERIFY(!f.column(2, 1).contains(QStringLiteral("002")));

    // Three more to a list of five: all fit, after the old ones.
    f.tick(2, QStringLiteral("a01"));
    f.tick(2, QStringLiteral("001"));
    f.tick(2, QStringLiteral("004"));
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002003001004a01"));

    // Removing the second of the rooms keeps the others in order; removing all leaves an empty list.
    f.tick(1, QStringLiteral("003"));
    QVERIFY(press(f.w->VsNetBut1[1]));
    QCOMPARE(f.services.lastText(), QStringLiteral("移除完毕!"));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002001004a01"));
    QCOMPARE(f.column(2, 1), (QStringList{QStringLiteral("005"), QStringLiteral("003")}));

    // A list that is full takes no more, and the message says so instead of "添加完毕!".
    f.tick(2, QStringLiteral("005"));
    f.tick(2, QStringLiteral("003"));
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002001004a01005"));
    QCOMPARE(f.services.lastText(), QStringLiteral("考场已满,有1个考场未能添加(考场数量为5)!"));

    for (const QString &r : f.column(1, 1))
        f.tick(1, r);
    QVERIFY(press(f.w->VsNetBut1[1]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QString());
    QVERIFY(!f.value(QStringLiteral("kcid"), exam).isNull());
    QCOMPARE(f.column(2, 1).size(), 6);
}

void tst_kcbp::roomListsOfUnsavedExam()
{
    Fixture f;
    const QString exam = f.examWithRooms(QStringLiteral("3"), {{"001", "一楼", 1}, {"002", "二楼", 1}, {"003", "三楼", 1}});
    QVERIFY(execSql(f.sys(), QStringLiteral("UPDATE kcbpb SET kcid = 'A01' WHERE id = ?"), {exam}));
    f.addRoom(QStringLiteral("a01"), QStringLiteral("四楼"), 1);
    f.clickExam(exam);
    // Room ids compare without letter case: a01 is in the list as A01 and is not offered.
    QCOMPARE(f.column(1, 1).value(0), QStringLiteral("A01"));
    QCOMPARE(f.w->Grid1[1]->TextMatrix(1, 2), QStringLiteral("四楼"));
    QVERIFY(!f.column(2, 1).contains(QStringLiteral("a01")));

    // A new exam that is not saved yet: the buttons say what to do first and write nothing.
    QVERIFY(press(f.w->jscsadd));
    f.tick(2, QStringLiteral("001"));
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.services.texts(), QStringList{QStringLiteral("新考试尚未保存,请先保存考试,然后再添加考场!")});
    f.tick(1, QStringLiteral("A01"));
    QVERIFY(press(f.w->VsNetBut1[1]));
    QCOMPARE(f.services.lastText(), QStringLiteral("新考试尚未保存,请先保存考试,然后再移除考场!"));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("A01"));
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")), 1);

    // Once saved, the rooms go to the new exam, and the lists show that exam.
    f.w->Text1[1]->setText(QStringLiteral("2"));
    QVERIFY(press(f.w->jscssave));
    const QString fresh = f.w->currentExamId();
    QVERIFY(fresh != exam);
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.services.lastText(), QStringLiteral("添加完毕!"));
    QCOMPARE(f.value(QStringLiteral("kcid"), fresh).toString(), QStringLiteral("001"));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("A01"));
    QCOMPARE(f.w->currentExamId(), fresh);
    QCOMPARE(f.column(1, 1), (QStringList{QStringLiteral("001"), QString()}));

    // An exam deleted meanwhile: nothing is written, the user is told to choose an exam.
    f.clickExam(exam);
    QVERIFY(execSql(f.sys(), QStringLiteral("DELETE FROM kcbpb WHERE id = ?"), {exam}));
    f.tick(2, QStringLiteral("002"));
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.services.lastText(), QStringLiteral("请先在考试列表中选择考试,然后再添加考场!"));
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb WHERE id = ?"), {exam}), 0);
}

void tst_kcbp::deletingAnExam()
{
    Fixture f;
    f.newExam(QStringLiteral("O'Neil's 月考"), QStringLiteral("2"));
    const QString first = f.w->currentExamId();
    f.newExam(QStringLiteral("期中"), QStringLiteral("2"));
    const QString second = f.w->currentExamId();
    f.addStudentRows(first, {QStringLiteral("S'01"), QStringLiteral("s02"), QStringLiteral("s03")});
    f.addStudentRows(second, {QStringLiteral("S'01"), QStringLiteral("s02")});

    f.clickExam(first);
    f.services.answers.push_back(MsgAnswer::Cancel);
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.services.messages.back().text, QStringLiteral("真得要删除“O'Neil's 月考”相关数据吗？"));
    QCOMPARE(f.services.messages.back().title, QStringLiteral("信息提示："));
    QCOMPARE(f.count(f.cohort(), QStringLiteral("SELECT count(*) FROM stucj")), 5);
    QCOMPARE(f.w->Grid1[0]->Rows(), 3);

    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.count(f.cohort(), QStringLiteral("SELECT count(*) FROM stucj WHERE id = ?"), {first}), 0);
    QCOMPARE(f.count(f.cohort(), QStringLiteral("SELECT count(*) FROM stucj WHERE id = ?"), {second}), 2);
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb WHERE id = ?"), {first}), 0);
    QCOMPARE(f.column(0, 4), QStringList{second});
    QCOMPARE(f.w->Grid1[1]->Rows(), 1);
    QCOMPARE(f.w->Grid1[2]->Rows(), 1);
    QVERIFY(!f.w->jscsdel->isEnabled());
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("O'Neil's 月考"));

    // A new exam being entered after an exam was chosen is not saved: there is nothing to delete.
    f.clickExam(second);
    QVERIFY(press(f.w->jscsadd));
    f.services.clear();
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.services.lastText(), QStringLiteral("请先在考试列表中选择要删除的考试!"));
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")), 1);
}

void tst_kcbp::deleteUnderALockDeletesNothing()
{
    Fixture f;
    f.newExam(QStringLiteral("月考"), QStringLiteral("2"));
    const QString exam = f.w->currentExamId();
    f.addStudentRows(exam, {QStringLiteral("s01"), QStringLiteral("s02")});
    auto scoreRows = [&] { return f.count(f.cohort(), QStringLiteral("SELECT count(*) FROM stucj")); };
    auto exams = [&] { return f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")); };
    auto pressDelete = [&] {
        f.services.clear();
        f.services.answers = {MsgAnswer::Ok};
        QVERIFY(press(f.w->jscsdel));
    };

    // Another connection holds the system database for writing: nothing at all is deleted, and
    // the message says so and why.
    QSqlDatabase other;
    QVERIFY(openDatabase(f.data.systemPath(), DbKind::System, QStringLiteral("tst-holder"), &other));
    QVERIFY(execSql(other, QStringLiteral("BEGIN IMMEDIATE")));
    f.clickExam(exam);
    pressDelete();
    QCOMPARE(f.services.texts().size(), 2);
    QCOMPARE(f.services.lastText(), QStringLiteral("考试数据未作任何删除：数据库正被其他窗口或程序使用。请稍后再删除！"));
    QCOMPARE(scoreRows(), 2);
    QCOMPARE(exams(), 1);
    QCOMPARE(f.column(0, 4), QStringList{exam});
    QVERIFY(f.w->jscsdel->isEnabled());
    QVERIFY(execSql(other, QStringLiteral("ROLLBACK")));
    closeDatabase(other);

    // The cohort database held instead: again nothing is deleted.
    QVERIFY(openDatabase(f.data.cohortPath(QStringLiteral("db2008.mdb")), DbKind::Cohort, QStringLiteral("tst-holder"), &other));
    QVERIFY(execSql(other, QStringLiteral("BEGIN IMMEDIATE")));
    pressDelete();
    QCOMPARE(f.services.lastText(), QStringLiteral("考试数据未作任何删除：数据库正被其他窗口或程序使用。请稍后再删除！"));
    QVERIFY(execSql(other, QStringLiteral("ROLLBACK")));
    closeDatabase(other);
    QCOMPARE(scoreRows(), 2);
    QCOMPARE(exams(), 1);

    // The exam row goes first: when the score rows cannot go after it (a crash between the two
    // commits leaves the same), the exam is no longer listed, and its rows, of an exam that no
    // longer exists, go when 考场编排 opens again.
    QVERIFY(execSql(f.cohort(), QStringLiteral("CREATE TRIGGER keep_rows BEFORE DELETE ON stucj BEGIN SELECT RAISE(ABORT, 'no'); END")));
    pressDelete();
    QCOMPARE(f.services.texts().size(), 1); // the question only
    QCOMPARE(exams(), 0);
    QCOMPARE(scoreRows(), 2);
    QCOMPARE(f.w->Grid1[0]->Rows(), 1);
    QVERIFY(execSql(f.cohort(), QStringLiteral("DROP TRIGGER keep_rows")));
    // The system database is written back at once: a copy of the file alone lists no exam.
    QCOMPARE(valueInCopy(f.data.systemPath(), DbKind::System, QStringLiteral("SELECT count(*) FROM kcbpb")), QVariant(0));
    f.w->Unload();
    f.w->Show();
    QCOMPARE(scoreRows(), 0);
    // Both databases are free again afterwards: another window can write at once.
    QVERIFY(execSql(f.sys(), QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('001', 'x', 1, 1)")));
    QVERIFY(execSql(f.cohort(), QStringLiteral("INSERT INTO stucj(id, stid) VALUES('x', 'y')")));
}

void tst_kcbp::sweepRemovesOnlyDeletedExams_data()
{
    QTest::addColumn<bool>("olderFile"); // a system file from before deleted exams were recorded
    QTest::addColumn<QString>("cut");    // the step a deletion does not get past
    QTest::addColumn<bool>("another");   // then, without reopening, another exam is deleted whole
    QTest::newRow("whole deletion") << false << "" << false;
    QTest::newRow("older system file") << true << "" << false;
    QTest::newRow("cut before the rows") << false << "stucj" << false;
    QTest::newRow("older file, cut before the rows") << true << "stucj" << false;
    QTest::newRow("cut before the record goes") << false << "deletedexams" << false;
    QTest::newRow("cut before the rows, then another deletion") << false << "stucj" << true;
    QTest::newRow("cut before the record goes, then another deletion") << false << "deletedexams" << true;
}

void tst_kcbp::sweepRemovesOnlyDeletedExams()
{
    QFETCH(bool, olderFile);
    QFETCH(QString, cut);
    QFETCH(bool, another);
    Fixture f;
    auto reopen = [&] {
        f.w->Unload();
        f.w->Show();
        QVERIFY(f.w->isLoaded());
    };
    if (olderFile) {
        QVERIFY(execSql(f.sys(), QStringLiteral("DROP TABLE deletedexams")));
        reopen();
    }
    f.newExam(QStringLiteral("期中"), QStringLiteral("2"));
    const QString kept = f.w->currentExamId();
    f.newExam(QStringLiteral("月考"), QStringLiteral("2"));
    const QString gone = f.w->currentExamId();
    f.addStudentRows(kept, {QStringLiteral("s01")});
    f.addStudentRows(gone, {QStringLiteral("s01"), QStringLiteral("s02")});
    // Rows of an exam that a system file restored from an older backup does not list.
    const QString unknown = QStringLiteral("990101080000");
    f.addStudentRows(unknown, {QStringLiteral("s01"), QStringLiteral("s02"), QStringLiteral("s03")});
    auto rows = [&](const QString &exam) {
        return f.count(f.cohort(), QStringLiteral("SELECT count(*) FROM stucj WHERE id = ?"), {exam});
    };
    const QString record = QStringLiteral("SELECT count(*) FROM deletedexams WHERE dbname = 'db2008'");
    QSqlDatabase db = cut == QLatin1String("stucj") ? f.cohort() : f.sys();
    if (!cut.isEmpty())
        QVERIFY(execSql(db, QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON %1 BEGIN SELECT RAISE(ABORT, 'no'); END").arg(cut)));
    f.clickExam(gone);
    f.services.answers = {MsgAnswer::Ok};
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.column(0, 4), QStringList{kept});
    QCOMPARE(rows(gone), cut == QLatin1String("stucj") ? 2 : 0);
    QCOMPARE(rows(unknown), 3);
    // The deletion is recorded in the commit that removes the exam, so a copy of the system file
    // taken now names what is left to remove.
    QCOMPARE(valueInCopy(f.data.systemPath(), DbKind::System, record), QVariant(cut.isEmpty() ? 0 : 1));
    if (!cut.isEmpty())
        QVERIFY(execSql(db, QStringLiteral("DROP TRIGGER keep")));
    // The next opening, or the next deletion, completes a cut deletion and leaves the rows of every
    // exam it did not delete.
    if (another) {
        f.clickExam(kept);
        f.services.answers = {MsgAnswer::Ok};
        QVERIFY(press(f.w->jscsdel));
        QCOMPARE(f.column(0, 4), QStringList());
    } else {
        reopen();
    }
    QCOMPARE(rows(gone), 0);
    QCOMPARE(rows(kept), another ? 0 : 1);
    QCOMPARE(rows(unknown), 3);
    QCOMPARE(f.count(f.sys(), record), 0);
}

void tst_kcbp::missingCohortDatabase()
{
    Fixture f(false);
    gCohortDbFile = QStringLiteral("gone.mdb");
    f.w->Show();
    QVERIFY(!f.w->isLoaded());
    QVERIFY(!f.w->isVisible());
    QCOMPARE(f.services.lastText(), QStringLiteral("库文件gone.mdb不存在!"));
}

void tst_kcbp::keysFocusAndButtonStates()
{
    Fixture f;
    // The state of a window that has just opened.
    QVERIFY(f.w->jscsadd->isEnabled() && f.w->VsNetBtout[4]->isEnabled());
    QVERIFY(!f.w->jscsmodi->isEnabled() && !f.w->jscsdel->isEnabled() && !f.w->jscssave->isEnabled());
    QVERIFY(!f.w->VsNetBut1[0]->isEnabled() && !f.w->VsNetBut1[1]->isEnabled());
    QCOMPARE(f.w->Frame1[0]->title(), QStringLiteral("??：考场列表"));
    QCOMPARE(f.w->Label1[1]->text(), QStringLiteral("考试名称:"));
    QCOMPARE(f.w->Label1[0]->text(), QStringLiteral("考场数量:"));
    QCOMPARE(f.w->Label1[2]->text(), QStringLiteral("编排依据:"));
    QCOMPARE(f.w->VsNetBtout[4]->text(), QStringLiteral("退出"));
    QVERIFY(f.w->currentExamId().isEmpty());
    // A click on the headings of an empty list does nothing.
    f.w->Grid1_Click(0);
    QVERIFY(!f.w->jscsmodi->isEnabled() && f.w->currentExamId().isEmpty());

    // 新增: default name, focus into the name box with the caret at its end, 保存 enabled.
    QVERIFY(press(f.w->jscsadd));
    QVERIFY(f.w->jscssave->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[0]));
    QCOMPARE(f.w->Text1[0]->cursorPosition(), static_cast<int>(f.w->Text1[0]->text().size()));
    QVERIFY(!f.w->Text1[0]->hasSelectedText());
    // The room count takes two characters.
    f.w->Text1[1]->setFocus();
    QTest::keyClicks(f.w->Text1[1], QStringLiteral("123"));
    QCOMPARE(f.w->Text1[1]->text(), QStringLiteral("12"));

    // Enter walks name, count, basis; Enter on the basis enables and focuses 修改, and 保存.
    f.w->Text1[0]->setFocus();
    QTest::keyClick(f.w->Text1[0], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[1]));
    QTest::keyClick(f.w->Text1[1], Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Combo1));
    QTest::keyClick(f.w->Combo1, Qt::Key_Return);
    QVERIFY(f.w->jscsmodi->isEnabled() && f.w->jscssave->isEnabled());
    QVERIFY(!f.w->jscsdel->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->jscsmodi));
    QVERIFY(f.services.messages.empty()); // Enter pressed no button
    QCOMPARE(f.count(f.sys(), QStringLiteral("SELECT count(*) FROM kcbpb")), 0);
    // Enter on the focused 修改 presses it: the focus goes back to the name box.
    QTest::keyClick(f.w->jscsmodi, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[0]));

    // A failed check puts the focus where the fault is.
    f.w->Text1[1]->setText(QStringLiteral("0"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.services.lastText(), QStringLiteral("考场数量不能为0!"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[1]));
    f.w->Text1[0]->setText(QStringLiteral("  "));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.services.lastText(), QStringLiteral("考试名称不能为空或长度超过25个汉字!"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[0]));
    QVERIFY(f.w->jscssave->isEnabled());

    // A row click enables 修改, 删除 and the room buttons, and leaves 保存 as it was.
    f.w->Text1[0]->setText(QStringLiteral("月考"));
    f.w->Text1[1]->setText(QStringLiteral("3"));
    QVERIFY(press(f.w->jscssave));
    QVERIFY(!f.w->jscssave->isEnabled());
    // The focus leaves the disabled 保存 for the exam list, where Enter does no harm (not 退出).
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Grid1[0]));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(f.w->isLoaded());
    const QString exam = f.w->currentExamId();
    f.clickExam(exam);
    QVERIFY(f.w->jscsmodi->isEnabled() && f.w->jscsdel->isEnabled() && !f.w->jscssave->isEnabled());
    QVERIFY(f.w->VsNetBut1[0]->isEnabled() && f.w->VsNetBut1[1]->isEnabled());
    // 新增 keeps the buttons enabled before and the room lists as they are.
    QVERIFY(press(f.w->jscsadd));
    QVERIFY(f.w->jscsmodi->isEnabled() && f.w->jscsdel->isEnabled() && f.w->VsNetBut1[0]->isEnabled());
    QCOMPARE(f.w->Grid1[1]->Rows(), 4);
    QCOMPARE(f.w->Frame1[0]->title(), QStringLiteral("月考：考场列表"));
    // A confirmed delete disables 删除 only; the room buttons stay enabled.
    f.clickExam(exam);
    QVERIFY(press(f.w->jscsdel));
    QVERIFY(!f.w->jscsdel->isEnabled() && f.w->jscsmodi->isEnabled());
    QVERIFY(f.w->VsNetBut1[0]->isEnabled() && f.w->VsNetBut1[1]->isEnabled());
    QCOMPARE(f.w->Grid1[0]->Rows(), 1);
    QCOMPARE(f.w->Frame1[0]->title(), QStringLiteral("月考：考场列表"));

    // 退出 unloads the window.
    QVERIFY(press(f.w->VsNetBtout[4]));
    QVERIFY(!f.w->isLoaded());
}

void tst_kcbp::roomListEdgeCases()
{
    Fixture f;
    const QString exam = f.examWithRooms(QStringLiteral("4"), {{"001", "一楼", 1}, {"002", "二楼", 1}, {"003", "三楼", 1}, {"009", "杂物间", 20}});
    // A kind outside the list: its code in the exam's list, an empty kind among the others.
    f.clickExam(exam);
    QCOMPARE(f.w->Grid1[2]->TextMatrix(4, 1), QStringLiteral("009"));
    QCOMPARE(f.w->Grid1[2]->TextMatrix(4, 4), QString());
    f.tick(2, QStringLiteral("009"));
    f.tick(2, QStringLiteral("002"));
    f.tick(2, QStringLiteral("001"));
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("001002009"));
    QCOMPARE(f.w->Grid1[1]->TextMatrix(3, 4), QStringLiteral("20"));
    QCOMPARE(f.w->Grid1[1]->TextMatrix(1, 4), QStringLiteral("高一教室"));

    // A room the register no longer knows still shows, without description, and can be removed.
    QVERIFY(execSql(f.sys(), QStringLiteral("DELETE FROM kcszb WHERE id = '002'")));
    f.clickExam(exam);
    QCOMPARE(f.column(1, 1), (QStringList{QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("009"), QString()}));
    QCOMPARE(f.w->Grid1[1]->TextMatrix(2, 2), QString());
    QCOMPARE(f.w->Grid1[1]->TextMatrix(2, 3), QString());
    // An empty row can be ticked, and is not part of the list.
    QVERIFY(clickRow(f.w->Grid1[1], 4));
    QCOMPARE(f.w->Grid1[1]->TextMatrix(4, 5), QStringLiteral("√"));
    f.tick(1, QStringLiteral("002"));
    QVERIFY(press(f.w->VsNetBut1[1]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("001009"));

    // The room count lowered after the rooms were chosen: only the first rooms show, the others
    // are offered again, and adding them changes nothing.
    QVERIFY(press(f.w->jscsmodi));
    f.w->Text1[1]->setText(QStringLiteral("1"));
    QVERIFY(press(f.w->jscssave));
    f.clickExam(exam);
    QCOMPARE(f.column(1, 1), QStringList{QStringLiteral("001")});
    QVERIFY(f.column(2, 1).contains(QStringLiteral("009")));
    f.tick(2, QStringLiteral("009"));
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("001"));
    // The full list is cut to the saved count even while the count box says more.
    f.w->Text1[1]->setText(QStringLiteral("9"));
    f.tick(2, QStringLiteral("003"));
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("001"));
    QCOMPARE(f.services.lastText(), QStringLiteral("考场已满,有1个考场未能添加(考场数量为1)!"));
    QCOMPARE(f.w->Text1[1]->text(), QStringLiteral("1"));
}

void tst_kcbp::malformedRoomIdsAreRefused()
{
    // Rooms of an older database whose ids are not 3 characters: they are refused with a message,
    // the others are added, and the list keeps its 3-character framing.
    Fixture f;
    const QString exam = f.examWithRooms(QStringLiteral("5"), {{"A1", "旧楼", 1}, {"0010", "新楼", 1}, {"002", "二楼", 1}, {"007", "七楼", 1}});
    f.clickExam(exam);
    f.tick(2, QStringLiteral("A1"));
    f.tick(2, QStringLiteral("002"));
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.services.texts(),
             QStringList{QStringLiteral("添加完毕!\n考场号“A1”不是3个字符，未添加，请先在考场设置中改正考场号!")});
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002"));

    // Only malformed rooms ticked: nothing is written, the message names them.
    f.tick(2, QStringLiteral("A1"));
    f.tick(2, QStringLiteral("0010"));
    f.services.clear();
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.services.texts(), QStringList{QStringLiteral("考场号“A1”、“0010”不是3个字符，未添加，请先在考场设置中改正考场号!")});
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002"));

    // A good room after that goes in behind the first.
    f.clickExam(exam);
    f.tick(2, QStringLiteral("007"));
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("002007"));
    QCOMPARE(f.column(1, 1), (QStringList{QStringLiteral("002"), QStringLiteral("007"), QString(), QString(), QString()}));
}

void tst_kcbp::deletedRoomsStayInTheList()
{
    // Rooms 031 to 040 left the register after the list was stored: the list shows their pieces,
    // and 添加 and 移除 write back what it stores, reading nothing across the pieces.
    Fixture f;
    for (int i = 1; i <= 30; ++i)
        f.addRoom(QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("教学楼"), 1, 2);
    f.newExam(QStringLiteral("月考"), QStringLiteral("8"));
    const QString exam = f.w->currentExamId();
    const auto stored = [&] {
        QVERIFY(execSql(f.sys(), QStringLiteral("UPDATE kcbpb SET kcid = '036040038037033012027' WHERE id = ?"), {exam}));
        f.clickExam(exam);
    };
    stored();
    QCOMPARE(f.column(1, 1).join(QLatin1Char(' ')), QStringLiteral("036 040 038 037 033 012 027 "));
    f.tick(2, QStringLiteral("005"));
    QVERIFY(press(f.w->VsNetBut1[0]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("036040038037033012027005"));
    stored();
    f.tick(1, QStringLiteral("012"));
    QVERIFY(press(f.w->VsNetBut1[1]));
    QCOMPARE(f.value(QStringLiteral("kcid"), exam).toString(), QStringLiteral("036040038037033027"));
}

// With QUORVANE_SHOW_KCBP set, the program shows the exam register on generated data instead of
// running the tests (to look at the window).
static int showExamRegister()
{
    installFontSubstitutions();
    Fixture f(false);
    f.services.clock = at(2009, 3, 2, 9, 0, 0);
    f.show();
    const char *const addresses[] = {"教学楼一层东", "教学楼一层西", "教学楼二层东", "教学楼二层西", "实验楼三层", "图书馆阅览室"};
    for (int i = 0; i < 14; ++i)
        f.addRoom(QString::number(i + 1).rightJustified(3, QLatin1Char('0')),
                  QString::fromUtf8(addresses[i % 6]) + QString::number(i / 6 + 1), i % 6 == 4 ? 5 : i % 6 == 5 ? 13 : 1 + i % 3, 30 + i % 3 * 5);
    const char *const names[] = {"2008-2009学年第一学期期中考试", "2008-2009学年第一学期期末考试", "高一下学期第一次月考",
                                 "2008-2009学年第二学期期中考试"};
    for (int i = 0; i < 4; ++i) {
        f.services.clock = f.services.clock.addSecs(3600);
        f.newExam(QString::fromUtf8(names[i]), QStringLiteral("8"), i > 0 ? 0 : -1);
    }
    f.services.clock = at(2012, 10, 1);
    f.newExam(QStringLiteral("补录考试"), QStringLiteral("6"), 1);
    f.clickExam(f.w->Grid1[0]->TextMatrix(2, 4));
    for (const char *room : {"001", "002", "003", "004", "007"})
        f.tick(2, QLatin1String(room));
    if (!press(f.w->VsNetBut1[0]))
        return 1;
    f.tick(2, QStringLiteral("010"));
    f.tick(2, QStringLiteral("006"));
    return qApp->exec();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QUORVANE_SHOW_KCBP"))
        return showExamRegister();
    tst_kcbp tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_kcbp.moc"
