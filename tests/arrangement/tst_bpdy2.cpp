// The arrangement window and the class and room seat charts it opens.
#include "arrangement/bpdy.h"
#include "arrangement/bpdy2.h"
#include "arrangement/seatchart.h"
#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QtTest>
#include <set>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240301080000");

// A stand-in for the print preview: records that it was shown.
class FakePreview : public Window
{
public:
    FakePreview() : Window(QStringLiteral("printsform")) {}
    int loads = 0;

protected:
    void createControls(QWidget *) override {}
    void Form_Load() override { ++loads; }
};

// A cohort 2022 with classes 3 to 6, an exam of grade 2 with rooms 101, 102 and an unknown X9'.
struct Setup
{
    TempData data;
    ScriptedServices *svc = &installScripted();

    Setup()
    {
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 4, 3);
        QSqlDatabase sys = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("t-sys"));
        execOrThrow(sys, QStringLiteral("INSERT INTO kcbpb(id, name, num, year, grade, kcid) VALUES(?, ?, 3, '2022', 2, ?)"),
                    {kExam, QStringLiteral("高二下期中考试"), QStringLiteral("101102X9'")});
        execOrThrow(sys, QStringLiteral("INSERT INTO kcbpb(id, name, num, year, grade, kcid) VALUES('231101080000', '高二上期末', 1, '2022', 2, '')"));
        execOrThrow(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('101', '教学楼101室', 2, 30)"));
        execOrThrow(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('102', '实验楼2楼', 5, 30)"));
        closeDatabase(sys);
        // Class 5: 45 students; class 6: 40; class 4: two never seated.
        QSqlDatabase coh = openCohort(QStringLiteral("t-coh"));
        auto row = [&](const QString &stid, const QString &name, int bj, int zh, QVariant wl, QVariant room, QVariant seat) {
            execOrThrow(coh, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"),
                        {kExam, stid, name, bj, zh, wl, room, seat});
        };
        for (int i = 45; i >= 1; --i)
            row(QStringLiteral("2205%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("五班%1").arg(i), 5, i, i % 3 + 1,
                i <= 30 ? QStringLiteral("101") : QStringLiteral("102"), i <= 30 ? i : i - 30);
        for (int i = 1; i <= 40; ++i)
            row(QStringLiteral("2206%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("六班%1").arg(i), 6, i, 2,
                QStringLiteral("102"), 15 + i);
        row(QStringLiteral("220401"), QStringLiteral("新生甲"), 4, 1, QVariant(), QVariant(), QVariant());
        row(QStringLiteral("220402"), QStringLiteral("新生乙"), 4, 2, 7, QVariant(), QVariant());
        // Another exam's rows never show.
        execOrThrow(coh, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, kcbj, kczh) VALUES('231101080000', '220501', '旧', 5, '101', 1)"));
        closeDatabase(coh);
        gCohortYear = QStringLiteral("2022");
        gCohortDbFile = QStringLiteral("db2022.mdb");
        windows::registerFactory(QStringLiteral("bpdy"), [] { return new bpdy; });
        windows::registerFactory(QStringLiteral("bpdy2"), [] { return new bpdy2; });
    }
    // The cohort database, open under the connection name.
    QSqlDatabase openCohort(const QString &connection) const
    {
        return openOrThrow(data.cohortPath(QStringLiteral("db2022.mdb")), DbKind::Cohort, connection);
    }
    // Adds students to the cohort's register: class 3, seat numbers 1.. in order, the given stream.
    void addToRegister(const QSqlDatabase &coh, const QStringList &ids, int stream) const
    {
        for (int i = 0; i < ids.size(); ++i)
            execOrThrow(coh, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?, ?, 3, ?, ?)"),
                        {ids.at(i), QStringLiteral("三班%1").arg(i + 1), i + 1, stream});
    }
    // The arrangement window on screen with the exam at the given list position chosen.
    bpdy *arrangement(int exam = -1)
    {
        windows::show(QStringLiteral("bpdy"));
        auto *a = windows::find<bpdy>(QStringLiteral("bpdy"));
        if (exam >= 0)
            a->Combo1->setCurrentIndex(exam);
        return a;
    }
    // Opens the chart of the given kind for the newer exam through the arrangement window's button.
    bpdy2 *chart(bool classes)
    {
        bpdy *a = arrangement(0);
        if (!press(a->Option1[classes ? 0 : 1]) || !press(a->VsNetBut1[1]))
            throw std::runtime_error("cannot press 打印座位表");
        auto *opened = windows::find<bpdy2>(QStringLiteral("bpdy2"));
        if (!opened || !opened->isLoaded())
            throw std::runtime_error("打印座位表 opened no seat chart");
        return opened;
    }
};

// The register ids 2203nn for nn = 1 .. count.
QStringList classThreeIds(int count)
{
    QStringList ids;
    for (int i = 1; i <= count; ++i)
        ids << QStringLiteral("2203%1").arg(i, 2, 10, QLatin1Char('0'));
    return ids;
}

// Records, at every message (not at the question before a run), whether the run's hourglass and
// progress bar were still showing.
struct WatchingServices : ScriptedServices
{
    std::function<void()> onMessage;
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override
    {
        if (onMessage && buttons == MsgButtons::Ok)
            onMessage();
        return ScriptedServices::message(text, title, icon, buttons);
    }
};

// The count a query of the form "SELECT count(*) ..." gives; -1 when it fails.
int countOf(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q = prepare(db, sql, values);
    return q.exec() && q.next() ? q.value(0).toInt() : -1;
}

QStringList rowTexts(const Grid *grid, int row)
{
    QStringList out;
    for (int c = 1; c < grid->Cols(); ++c)
        out << grid->TextMatrix(row, c);
    return out;
}

} // namespace

class TestBpdy2 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arrangementWindow();
    void arrangementRunMessages();
    void leaversKeepNoSeatThroughTheButton();
    void runPaintsItsBarAndKeepsTheWindow();
    void rearrangingAsksFirst();
    void classChart();
    void roomChart();
    void printAndClose();
    void missingCohortDatabase();
};

void TestBpdy2::arrangementWindow()
{
    Setup s;
    bpdy *a = s.arrangement();
    QCOMPARE(a->windowTitle(), QStringLiteral("编班打印--2022"));
    QCOMPARE(a->Combo1->count(), 2);
    QCOMPARE(a->Combo1->itemText(0), QStringLiteral("高二下期中考试"));
    QCOMPARE(a->Combo1->currentIndex(), -1);
    QVERIFY(!a->VsNetBut1[0]->isEnabled());
    QVERIFY(!a->VsNetBut1[1]->isEnabled());
    QVERIFY(a->Option1[0]->isChecked());

    // The older exam has no rooms: the run refuses.
    a->Combo1->setCurrentIndex(1);
    QVERIFY(press(a->VsNetBut1[0]));
    QCOMPARE(s.svc->lastText(), QStringLiteral("考场未安排,编班失败！"));
    QCOMPARE(s.svc->messages.back().title, QStringLiteral("系统提示："));

    // The register is dealt to the rooms of the newer exam.
    QSqlDatabase coh = s.openCohort(QStringLiteral("t-reg"));
    s.addToRegister(coh, classThreeIds(3), 3);
    a->Combo1->setCurrentIndex(0);
    QCOMPARE(a->roomList(), QStringLiteral("101102X9'"));
    a->setSeed(11);
    QVERIFY(press(a->VsNetBut1[0]));
    // The 87 rows of the exam whose students are not in the register keep no room and seat.
    QCOMPARE(s.svc->lastText(), QStringLiteral("编班处理完毕!\n另有87名已不在学生名单中的考生未安排座位。"));
    QVERIFY(!a->ProgressBar1->isVisible());
    QCOMPARE(a->lastResult().otherCount, 3);
    QCOMPARE(countOf(coh, QStringLiteral("SELECT count(*) FROM stucj WHERE id = ? AND bj = 3 AND kcbj IN ('101', '102') AND kczh > 0"), {kExam}), 3);
    QCOMPARE(countOf(coh, QStringLiteral("SELECT count(*) FROM stucj WHERE id = ? AND (kcbj IS NOT NULL OR kczh IS NOT NULL)"), {kExam}), 3);
    closeDatabase(coh);

    // The window keeps the cohort it was loaded with.
    gCohortYear = QStringLiteral("2030");
    gCohortDbFile = QStringLiteral("db2030.mdb");
    windows::show(QStringLiteral("bpdy"));
    QCOMPARE(a->cohortYear(), QStringLiteral("2022"));
    QCOMPARE(a->windowTitle(), QStringLiteral("编班打印--2022"));
}

void TestBpdy2::arrangementRunMessages()
{
    Setup s;
    auto watching = std::make_unique<WatchingServices>();
    WatchingServices &svc = *watching;
    services::install(std::move(watching));
    bpdy *a = s.arrangement();
    QCOMPARE(a->Label1[0]->text(), QStringLiteral("考试名称："));
    QCOMPARE(a->Label1[2]->text(), QStringLiteral("进行一次编排操作即可！"));
    QCOMPARE(a->Option1[0]->text(), QStringLiteral("班级座位表"));
    QCOMPARE(a->Option1[1]->text(), QStringLiteral("考场座位表"));
    QCOMPARE(a->VsNetBut1[0]->text(), QStringLiteral("进行编排处理"));
    QCOMPARE(a->VsNetBut1[1]->text(), QStringLiteral("打印座位表  "));
    QVERIFY(!a->ProgressBar1->isVisible());

    QList<QPair<bool, bool>> showing; // (progress bar visible, hourglass) at each message
    svc.onMessage = [&] { showing.append({a->ProgressBar1->isVisible(), QApplication::overrideCursor() != nullptr}); };

    // 61 students for the 60 seats of the exam's two known rooms.
    QSqlDatabase coh = s.openCohort(QStringLiteral("t-run"));
    s.addToRegister(coh, classThreeIds(61), 1);
    a->Combo1->setCurrentIndex(0);
    QVERIFY(press(a->VsNetBut1[0]));
    QCOMPARE(svc.lastText(), QStringLiteral("考场安排数量不足,编班失败！"));
    QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示："));
    // The failure is reported while the run still shows its hourglass and bar; both go afterwards.
    QCOMPARE(showing.size(), 1);
    QCOMPARE(showing.first(), qMakePair(true, true));
    QVERIFY(!a->ProgressBar1->isVisible());
    QVERIFY(!QApplication::overrideCursor());

    // One student fewer: the run ends with its message after the hourglass and bar are gone.
    execOrThrow(coh, QStringLiteral("DELETE FROM stinfo WHERE stid = '220361'"));
    closeDatabase(coh);
    // (The exam's rows of students not in the register, now 88, are left without seats.)
    QVERIFY(press(a->VsNetBut1[0]));
    QCOMPARE(svc.lastText(), QStringLiteral("编班处理完毕!\n另有88名已不在学生名单中的考生未安排座位。"));
    QCOMPARE(showing.size(), 2);
    QCOMPARE(showing.last(), qMakePair(false, false));
    QCOMPARE(a->lastResult().otherCount, 60);
}

// The older exam gets the one room 101 of 40 seats; 40 students join the register. Returns their ids.
static QStringList fortyStudentsInOneRoom(Setup &setup, QSqlDatabase &coh)
{
    QSqlDatabase sys = openOrThrow(setup.data.systemPath(), DbKind::System, QStringLiteral("t-sys40"));
    execOrThrow(sys, QStringLiteral("UPDATE kcbpb SET kcid = '101' WHERE id = '231101080000'"));
    execOrThrow(sys, QStringLiteral("UPDATE kcszb SET rs = 40 WHERE id = '101'"));
    closeDatabase(sys);
    coh = setup.openCohort(QStringLiteral("t-coh40"));
    const QStringList ids = classThreeIds(40);
    setup.addToRegister(coh, ids, 1);
    return ids;
}

void TestBpdy2::leaversKeepNoSeatThroughTheButton()
{
    // One room of 40, 40 students, arrange; one leaves and one joins; arrange again.
    Setup s;
    QSqlDatabase coh;
    const QStringList ids = fortyStudentsInOneRoom(s, coh);
    bpdy *a = s.arrangement(1);
    QVERIFY(press(a->VsNetBut1[0]));
    // The exam's one row of a student not in the register (220501) gets no seat.
    QCOMPARE(s.svc->lastText(), QStringLiteral("编班处理完毕!\n另有1名已不在学生名单中的考生未安排座位。"));
    const QString seated = QStringLiteral("SELECT count(*) FROM stucj WHERE id = '231101080000' AND kcbj = '101' AND kczh BETWEEN 1 AND 40");
    const QString seats = QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT kcbj, kczh FROM stucj WHERE id = '231101080000' AND kcbj IS NOT NULL)");
    QCOMPARE(countOf(coh, seated), 40);
    QCOMPARE(countOf(coh, seats), 40);

    execOrThrow(coh, QStringLiteral("UPDATE stucj SET ke2 = 91 WHERE id = '231101080000' AND stid = ?"), {ids.at(7)});
    execOrThrow(coh, QStringLiteral("DELETE FROM stinfo WHERE stid = ?"), {ids.at(7)});
    execOrThrow(coh, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES('220399', '插班生', 3, 41, 1)"));
    QVERIFY(press(a->VsNetBut1[0]));
    QCOMPARE(s.svc->lastText(), QStringLiteral("编班处理完毕!\n另有2名已不在学生名单中的考生未安排座位。"));
    QCOMPARE(a->lastResult().seated, 40);
    // Nobody shares a seat; the leaver keeps the score but has no room and seat.
    QCOMPARE(countOf(coh, seated), 40);
    QCOMPARE(countOf(coh, seats), 40);
    QCOMPARE(countOf(coh, QStringLiteral("SELECT count(*) FROM stucj WHERE id = '231101080000' AND kcbj IS NOT NULL")), 40);
    QCOMPARE(countOf(coh, QStringLiteral("SELECT count(*) FROM stucj WHERE id = '231101080000' AND stid = '220308' "
                                         "AND kcbj IS NULL AND kczh IS NULL AND ke2 = 91")), 1);
    QCOMPARE(countOf(coh, QStringLiteral("SELECT count(*) FROM stucj WHERE id = '231101080000' AND stid = '220399' AND kczh > 0")), 1);
    closeDatabase(coh);
}

void TestBpdy2::rearrangingAsksFirst()
{
    Setup s;
    QSqlDatabase coh;
    fortyStudentsInOneRoom(s, coh);
    bpdy *a = s.arrangement(1);
    a->setSeed(3);
    QVERIFY(press(a->VsNetBut1[0]));
    const QString seats = QStringLiteral("SELECT group_concat(stid || kczh) FROM (SELECT stid, kczh FROM stucj "
                                         "WHERE id = '231101080000' ORDER BY stid)");
    const auto seating = [&] {
        QSqlQuery q = prepare(coh, seats);
        return q.exec() && q.next() ? q.value(0).toString() : QString();
    };
    const QString first = seating();
    // A seat moved by hand (a run deals it back): 否, also Enter's answer, leaves it moved and says
    // nothing more.
    execOrThrow(coh, QStringLiteral("UPDATE stucj SET kczh = 99 WHERE id = '231101080000' AND stid = '220301'"));
    const QString moved = seating();
    QVERIFY(moved != first);
    s.svc->clear();
    s.svc->answers = {MsgAnswer::No};
    QVERIFY(press(a->VsNetBut1[0]));
    QCOMPARE(s.svc->texts(), QStringList{QStringLiteral("“高二上期末”已编排座位，重新编排将按当前学生名单重新安排这40个座位"
                                                         "(已张贴的座位表可能随之作废)，要重新编排吗？")});
    QCOMPARE(s.svc->messages.back().defaultButton, MsgAnswer::No);
    QCOMPARE(s.svc->messages.back().buttons, MsgButtons::YesNo);
    QCOMPARE(seating(), moved);
    // 是: the seats are dealt afresh.
    s.svc->answers = {MsgAnswer::Yes};
    QVERIFY(press(a->VsNetBut1[0]));
    QCOMPARE(s.svc->lastText(), QStringLiteral("编班处理完毕!\n另有1名已不在学生名单中的考生未安排座位。"));
    QCOMPARE(seating(), first);
    closeDatabase(coh);
}

void TestBpdy2::runPaintsItsBarAndKeepsTheWindow()
{
    Setup s;
    QSqlDatabase coh;
    fortyStudentsInOneRoom(s, coh);
    closeDatabase(coh);
    bpdy *a = s.arrangement(1);
    // Requests that arrive while the run lets the window paint: closing the window and opening the
    // seat charts are refused until the run has ended.
    QCoreApplication::postEvent(a, new QCloseEvent);
    bool chartPressed = false;
    QMetaObject::invokeMethod(a, [a, &chartPressed] { chartPressed = press(a->VsNetBut1[1]); }, Qt::QueuedConnection);
    // The values the bar shows each time the window can paint during the run (81 steps: the copy
    // of 41 rows and the walk of 40).
    std::set<int> shown;
    int paints = 0;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, a, [&] {
        if (a->isRunning() && a->ProgressBar1->isVisible()) {
            ++paints;
            shown.insert(a->ProgressBar1->Value());
        }
    });
    sampler.start(0);
    QVERIFY(press(a->VsNetBut1[0]));
    sampler.stop();
    QVERIFY(chartPressed);
    QVERIFY2(paints >= 8, qPrintable(QString::number(paints)));
    QVERIFY2(shown.size() >= 3, qPrintable(QString::number(shown.size())));
    QVERIFY(*shown.begin() >= 1 && *shown.rbegin() <= 100);
    QVERIFY(a->isLoaded());
    QVERIFY(a->isVisible());
    QVERIFY(!a->isRunning());
    QVERIFY(!windows::find(QStringLiteral("bpdy2")));
    QCOMPARE(s.svc->texts(), (QStringList{rearrangeQuestion(QStringLiteral("高二上期末"), 1),
                                          QStringLiteral("编班处理完毕!\n另有1名已不在学生名单中的考生未安排座位。")}));
    QVERIFY(!QApplication::overrideCursor());
    // Once the run is over the window closes as usual.
    a->close();
    QVERIFY(!a->isLoaded());
}

void TestBpdy2::classChart()
{
    Setup s;
    bpdy2 *w = s.chart(true);
    QVERIFY(w && w->isLoaded());
    QVERIFY(!windows::find(QStringLiteral("bpdy"))->isVisible());
    QCOMPARE(gReportCode, qint16(31));
    QCOMPARE(gChartExamId, kExam);
    QCOMPARE(w->windowTitle(), QStringLiteral("班级座位表打印->高二下期中考试"));
    QCOMPARE(w->Label1[0]->text(), QStringLiteral("选择班级："));
    QCOMPARE(w->Label1[4]->text(), QStringLiteral("高二"));
    QVERIFY(w->Label1[2]->isHidden());
    QCOMPARE(w->Grid1->FormatString(), QStringLiteral("|^       学  号|^   姓 名|^班内座号|^文理倾向|^考场号|^座位号|^  考场地点"));
    QCOMPARE(w->Grid1->TextMatrix(0, 1), QStringLiteral("       学  号"));
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Combo3->currentIndex(), -1);
    QStringList classes;
    for (int i = 0; i < w->Combo3->count(); ++i)
        classes << w->Combo3->itemText(i);
    QCOMPARE(classes, (QStringList{"3", "4", "5", "6"}));

    // Class 5: 45 students in student-number order, with room, seat and the room's address.
    w->Combo3->setCurrentIndex(2);
    QCOMPARE(w->Grid1->Rows(), 46);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("总人数：45"));
    QCOMPARE(rowTexts(w->Grid1, 1), (QStringList{"220501", "五班1", "1", "文科", "101", "1", "教学楼101室"}));
    QCOMPARE(rowTexts(w->Grid1, 45), (QStringList{"220545", "五班45", "45", "不限", "102", "15", "实验楼2楼"}));
    QCOMPARE(w->Grid1->TextMatrix(3, 4), QStringLiteral("不限"));
    QCOMPARE(w->Grid1->TextMatrix(2, 4), QStringLiteral("理科"));

    // Class 6 after class 5: 41 rows, no cell of class 5 remains.
    w->Combo3->setCurrentIndex(3);
    QCOMPARE(w->Grid1->Rows(), 41);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("总人数：40"));
    QCOMPARE(rowTexts(w->Grid1, 40), (QStringList{"220640", "六班40", "40", "文科", "102", "55", "实验楼2楼"}));

    // Class 4, never seated: room, seat and address blank, unknown stream blank; the count still counts.
    w->Combo3->setCurrentIndex(1);
    QCOMPARE(w->Grid1->Rows(), 3);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("总人数：2"));
    QCOMPARE(rowTexts(w->Grid1, 1), (QStringList{"220401", "新生甲", "1", "", "", "", ""}));
    QCOMPARE(rowTexts(w->Grid1, 2), (QStringList{"220402", "新生乙", "2", "", "", "", ""}));

    // Class 3: nobody; printing refuses.
    w->Combo3->setCurrentIndex(0);
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("总人数：0"));
    QVERIFY(press(w->VsNetBut1[1]));
    QCOMPARE(s.svc->lastText(), QStringLiteral("打印数据不能为空！"));
    QCOMPARE(s.svc->messages.back().title, QStringLiteral("系统提示："));
    QVERIFY(w->isVisible());
}

void TestBpdy2::roomChart()
{
    Setup s;
    bpdy2 *w = s.chart(false);
    QCOMPARE(gReportCode, qint16(32));
    QCOMPARE(w->windowTitle(), QStringLiteral("考场座位表打印->高二下期中考试"));
    QCOMPARE(w->Label1[0]->text(), QStringLiteral("选择考场："));
    QVERIFY(!w->Label1[1]->isHidden());
    QVERIFY(!w->Label1[2]->isHidden());
    QCOMPARE(w->Grid1->Cols(), 7);
    QStringList rooms;
    for (int i = 0; i < w->Combo3->count(); ++i)
        rooms << w->Combo3->itemText(i);
    QCOMPARE(rooms, (QStringList{"101", "102", "X9'"}));
    QCOMPARE(w->roomAddresses(), (QStringList{"教学楼101室", "实验楼2楼", ""}));

    // Room 102: class 5's last 15 on seats 1-15, class 6 on seats 16-55, in seat order.
    w->Combo3->setCurrentIndex(1);
    QCOMPARE(w->Label1[2]->text(), QStringLiteral("实验楼2楼"));
    QCOMPARE(w->Grid1->Rows(), 56);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("总人数：55"));
    QCOMPARE(rowTexts(w->Grid1, 1), (QStringList{"1", "五班31", "220531", "高二(5)班", "31", "文科"}));
    QCOMPARE(rowTexts(w->Grid1, 16), (QStringList{"16", "六班1", "220601", "高二(6)班", "1", "文科"}));
    for (int r = 1; r < w->Grid1->Rows(); ++r)
        QCOMPARE(w->Grid1->TextMatrix(r, 1), QString::number(r));

    // Room 101 after 102: 31 rows, nothing of room 102 left.
    w->Combo3->setCurrentIndex(0);
    QCOMPARE(w->Grid1->Rows(), 31);
    QCOMPARE(w->Label1[2]->text(), QStringLiteral("教学楼101室"));
    QCOMPARE(rowTexts(w->Grid1, 30), (QStringList{"30", "五班30", "220530", "高二(5)班", "30", "不限"}));

    // The unknown room (an id with a quote, matched literally): nobody, no address.
    w->Combo3->setCurrentIndex(2);
    QCOMPARE(w->Label1[2]->text(), QString());
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("总人数：0"));

    // Seats dealt against the number order (class 6 the other way round): the list runs by seat.
    QSqlDatabase coh = s.openCohort(QStringLiteral("t-reseat"));
    execOrThrow(coh, QStringLiteral("UPDATE stucj SET kczh = 56 - zh WHERE id = ? AND bj = 6"), {kExam});
    closeDatabase(coh);
    w->Combo3->setCurrentIndex(1);
    QCOMPARE(rowTexts(w->Grid1, 16), (QStringList{"16", "六班40", "220640", "高二(6)班", "40", "文科"}));
    for (int r = 1; r < w->Grid1->Rows(); ++r)
        QCOMPARE(w->Grid1->TextMatrix(r, 1), QString::number(r));

    // Grade text of other values: the stored value itself.
    QCOMPARE(seatchart::gradeName(QVariant(3.0)), QStringLiteral("高三"));
    QCOMPARE(seatchart::gradeName(QVariant(5.0)), QStringLiteral("5"));
    QCOMPARE(seatchart::gradeName(QVariant()), QString());
}

void TestBpdy2::printAndClose()
{
    Setup s;
    bpdy2 *w = s.chart(false);
    w->Combo3->setCurrentIndex(0);

    // Without a preview window the chart stays on screen.
    gReportCode = 4; // another window printed meanwhile
    QVERIFY(press(w->VsNetBut1[1]));
    QVERIFY(w->isVisible());
    QCOMPARE(gReportCode, qint16(32));

    // With the preview: the chart hides itself and the preview is shown with the chart's code.
    windows::registerFactory(QStringLiteral("printsform"), [] { return new FakePreview; });
    gReportCode = 41;
    gChartExamId = QStringLiteral("000000000000");
    QVERIFY(press(w->VsNetBut1[1]));
    QVERIFY(!w->isVisible());
    QVERIFY(w->isLoaded());
    auto *preview = static_cast<FakePreview *>(windows::find(QStringLiteral("printsform")));
    QVERIFY(preview && preview->loads == 1);
    QCOMPARE(gReportCode, qint16(32));
    QCOMPARE(gChartExamId, kExam);

    // Opening the class chart while the room chart is still loaded shows the class chart afresh.
    bpdy2 *again = s.chart(true);
    QCOMPARE(again, w);
    QVERIFY(w->isClassChart());
    QCOMPARE(w->Label1[0]->text(), QStringLiteral("选择班级："));
    QCOMPARE(w->Grid1->Cols(), 8);

    // Closing the chart shows the arrangement window again.
    QVERIFY(press(w->VsNetBut1[0]));
    QVERIFY(!w->isLoaded());
    QVERIFY(windows::find(QStringLiteral("bpdy"))->isVisible());
}

void TestBpdy2::missingCohortDatabase()
{
    Setup s;
    QFile::remove(s.data.cohortPath(QStringLiteral("db2022.mdb")));
    gChartExamId = kExam;
    gReportCode = 31;
    bpdy2 w;
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, w.Load());
    QCOMPARE(s.svc->lastText(), QStringLiteral("库文件db2022.mdb不存在!"));
    QCOMPARE(s.svc->messages.back().title, QStringLiteral("警告:"));
}

QTEST_MAIN(TestBpdy2)
#include "tst_bpdy2.moc"
