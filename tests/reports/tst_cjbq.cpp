// The score labels (成绩标签).
#include "controls/grid/grid.h"
#include "reports/cjbq.h"
#include "reports/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "reporttest.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = kScoreBookExam;
const QString kNoSubjects = kScoreBookNoSubjects;
const QString kTitle = QStringLiteral("系统提示：");

// The score book exam, with the window under test.
struct Fixture : ScoreBookFixture
{
    cjbq *open() { return ReportFixture::open<cjbq>(QStringLiteral("cjbq")); }
};

} // namespace

class CjbqTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerReportsWindows(); }

    void windowOpensWithItsChoosersAndChecks()
    {
        Fixture f;
        cjbq *w = f.open();
        QCOMPARE(w->windowTitle(), QStringLiteral("成绩标签打印--2024学届"));
        QCOMPARE(w->cohortYear(), QStringLiteral("2024"));
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("期末考试"));
        QCOMPARE(w->Combo3->count(), 0);
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("班级:"));
        QCOMPARE(w->Label1[1]->text(), QStringLiteral("显示项目:"));
        QCOMPARE(w->Label1[8]->text(), QStringLiteral("考试名称:"));
        QVERIFY(w->Check1[1] == nullptr);
        const QStringList boxes = texts({"总分成绩", "", "班级名次(A)", "同类班级名次(B)", "年级名次(C)"});
        for (int i : {0, 2, 3, 4}) {
            QCOMPARE(w->Check1[i]->text(), boxes[i]);
            QVERIFY(!w->Check1[i]->isChecked());
        }
        QCOMPARE(w->VsNetBut1[1]->text(), QStringLiteral("打印 "));

        w->show();
        QApplication::setActiveWindow(w);
        w->Combo1->setFocus();
        w->VsNetBut1_Click(2);
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("查询班级未选择！")});
        QCOMPARE(QApplication::focusWidget(), w->Combo3);
        QCOMPARE(f.services.messages[0].title, kTitle);
        QCOMPARE(f.services.messages[0].icon, MsgIcon::Exclamation);

        // Another cohort chosen meanwhile: the window keeps the cohort it was loaded with.
        gCohortYear = QStringLiteral("2025");
        gCohortDbFile = QStringLiteral("db2025.mdb");
        chooseExamAndClass(w, QStringLiteral("期末考试"), QString());
        QCOMPARE(w->kmsum, quint8(3));
        QCOMPARE(w->Combo3->count(), 3);
        QCOMPARE(w->Combo3->itemText(0), QStringLiteral("1"));
        QCOMPARE(w->Combo3->itemText(2), QStringLiteral("3"));
        QCOMPARE(w->Combo3->currentIndex(), -1);
        f.services.clear();
        w->VsNetBut1_Click(2);
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("查询班级未选择！")});

        // A rank box needs 总分成绩.
        w->Combo3->setCurrentIndex(0);
        for (int box : {2, 3, 4}) {
            tickBoxes(w, {box});
            f.services.clear();
            w->VsNetBut1_Click(2);
            QCOMPARE(f.services.texts(), QStringList{QStringLiteral("“总分成绩未选中！")});
            QCOMPARE(w->Grid1->Rows(), 1);
        }

        // An exam without subjects.
        tickBoxes(w, {});
        w->VsNetBut1_Click(2);
        QCOMPARE(w->Grid1->Rows(), 4);
        chooseExamAndClass(w, QStringLiteral("期中考试"), QStringLiteral("1"));
        QCOMPARE(w->Grid1->Rows(), 1);
        f.services.clear();
        w->VsNetBut1_Click(2);
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("参加考试学科数量为0！")});
        QCOMPARE(w->Grid1->Rows(), 1);
    }

    void labelsOfAClassInSeatOrder()
    {
        Fixture f;
        cjbq *w = f.open();
        chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1"));
        w->VsNetBut1_Click(2);
        QVERIFY(f.services.messages.empty());
        const Grid *g = w->Grid1;
        QCOMPARE(g->FormatString(), QStringLiteral("|^    学   号|^   姓 名|^座号|^语文|^数学|^物理"));
        QCOMPARE(g->Cols(), 7);
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(gridRow(g, 0), texts({"", "    学   号", "   姓 名", "座号", "语文", "数学", "物理"}));
        QCOMPARE(gridRow(g, 1), texts({"", "s103", "王五", "1", "缺考", "88", ""}));
        QCOMPARE(gridRow(g, 2), texts({"", "s101", "张三", "2", "85.5", "90", "作弊"}));
        QCOMPARE(gridRow(g, 3), texts({"", "s102", "李四", "3", "92", "", "77"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("3人"));

        // Another class.
        w->Combo3->setCurrentIndex(1);
        w->VsNetBut1_Click(2);
        QCOMPARE(g->Rows(), 2);
        QCOMPARE(gridRow(g, 1), texts({"", "s201", "赵六", "1", "70", "60", "50.25"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("1人"));

        // A class without students in the exam: nothing changes on screen.
        w->VsNetBut1_Click(2);
        w->Combo3->setCurrentIndex(2);
        QCOMPARE(g->Rows(), 1);
        w->VsNetBut1_Click(2);
        QVERIFY(f.services.messages.empty());
        QCOMPARE(g->Rows(), 1);
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("1人"));

        // A student number or total wider than its heading is not cut on screen.
        execSql(f.cohort, QStringLiteral("UPDATE stucj SET stid = '2023007001', kealla = 611.5 WHERE stid = 's101'"));
        w->Combo3->setCurrentIndex(0);
        w->Check1[0]->setChecked(true);
        w->VsNetBut1_Click(2);
        QCOMPARE(g->TextMatrix(2, 1), QStringLiteral("2023007001"));
        QCOMPARE(g->TextMatrix(2, 7), QStringLiteral("611.5"));
        QVERIFY(g->ColWidth(1) > g->textWidthTwips(QStringLiteral("2023007001")));
        QVERIFY(g->ColWidth(7) > g->textWidthTwips(QStringLiteral("611.5")));
    }

    void totalsAndTheTickedRanks()
    {
        Fixture f;
        cjbq *w = f.open();
        chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1"));
        const Grid *g = w->Grid1;

        tickBoxes(w, {0});
        w->VsNetBut1_Click(2);
        QCOMPARE(gridRow(g, 0).mid(4), texts({"语文", "数学", "物理", "总分1", "总分2"}));
        QCOMPARE(gridRow(g, 1).mid(7), texts({"", "88"}));
        QCOMPARE(gridRow(g, 2).mid(7), texts({"175.5", "265.5"}));

        tickBoxes(w, {0, 2, 3, 4});
        w->VsNetBut1_Click(2);
        QCOMPARE(g->Cols(), 15);
        QCOMPARE(gridRow(g, 0).mid(7), texts({"总分1", "班名", "类名", "年名", "总分2", "班名", "类名", "年名"}));
        // No total 1 but its ranks; a stored 0 rank stays empty in its place.
        QCOMPARE(gridRow(g, 1).mid(7), texts({"", "3", "2", "", "88", "2", "2", "3"}));
        QCOMPARE(gridRow(g, 3).mid(7), texts({"169", "2", "1", "3", "169", "3", "1", "2"}));

        // Stream rank only: a missing stream rank leaves its cell empty and 总分2 keeps its column.
        execSql(f.cohort, QStringLiteral("UPDATE stucj SET zftlnoa = NULL WHERE stid = 's102'"));
        tickBoxes(w, {0, 3});
        w->VsNetBut1_Click(2);
        QCOMPARE(gridRow(g, 0).mid(7), texts({"总分1", "类名", "总分2", "类名"}));
        QCOMPARE(gridRow(g, 3).mid(7), texts({"169", "", "169", "1"}));
        QCOMPARE(gridRow(g, 2).mid(7), texts({"175.5", "1", "265.5", "1"}));
    }

    void changesEmptyTheLabelsAndPrintHandsThemOn()
    {
        Fixture f;
        cjbq *w = f.open();
        w->show();
        chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1"));
        const Grid *g = w->Grid1;
        auto query = [w, g] {
            w->VsNetBut1_Click(2);
            QCOMPARE(g->Rows(), 4);
        };
        auto printRefused = [&] { verifyPrintRefused(w, f.services); };
        query();
        w->Combo3->setCurrentIndex(1);
        printRefused();
        w->Combo3->setCurrentIndex(0);
        query();
        w->Check1[0]->setChecked(true);
        printRefused();
        query();
        chooseExamAndClass(w, QStringLiteral("期末考试"), QString());
        QCOMPARE(w->Combo3->currentIndex(), -1);
        printRefused();

        windows::registerFactory(QStringLiteral("printsform"), [] { return new PreviewStandIn; });
        w->Combo3->setCurrentIndex(0);
        query();
        verifyPrintHandsOn(w, f.services, 38, 3);
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("期末考试"));
        QCOMPARE(g->Cols(), 9);
        QCOMPARE(g->TextMatrix(2, 7), QStringLiteral("175.5"));

        w->VsNetBut1_Click(0);
        QVERIFY(!w->isLoaded());
    }
};

QTEST_MAIN(CjbqTest)
#include "tst_cjbq.moc"
