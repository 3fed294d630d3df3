// The score labels (成绩标签).
#include "reports/cjbq.h"
#include "reporttest.h"

using namespace quorvane;
using namespace quorvane::test;

class CjbqTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowOpensWithItsChoosersAndChecks()
    {
        ScoreBookFixture f;
        cjbq *w = f.open<cjbq>();
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

        // The classes only; a rank box needs 总分成绩.
        verifyClassChooserAndRankBoxes(w, f, {}, QStringLiteral("“总分成绩未选中！"));

        // An exam without subjects.
        QVERIFY(tickBoxes(w, {}));
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 4);
        verifyExamWithoutSubjectsRefused(w, f);
    }

    void labelsOfAClassInSeatOrder()
    {
        ScoreBookFixture f;
        cjbq *w = f.open<cjbq>();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
        QVERIFY(pressQuery(w));
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
        QVERIFY(pick(w->Combo3, 1));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Rows(), 2);
        QCOMPARE(gridRow(g, 1), texts({"", "s201", "赵六", "1", "70", "60", "50.25"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("1人"));

        // A class without students in the exam: nothing changes on screen.
        QVERIFY(pressQuery(w));
        QVERIFY(pick(w->Combo3, 2));
        QCOMPARE(g->Rows(), 1);
        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        QCOMPARE(g->Rows(), 1);
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("1人"));

        // A student number or total wider than its heading is not cut on screen.
        verifyWideCellsNotCut(w, f, 7);
    }

    void totalsAndTheTickedRanks()
    {
        ScoreBookFixture f;
        cjbq *w = f.open<cjbq>();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
        const Grid *g = w->Grid1;

        QVERIFY(tickBoxes(w, {0}));
        QVERIFY(pressQuery(w));
        QCOMPARE(gridRow(g, 0).mid(4), texts({"语文", "数学", "物理", "总分1", "总分2"}));
        QCOMPARE(gridRow(g, 1).mid(7), texts({"", "88"}));
        QCOMPARE(gridRow(g, 2).mid(7), texts({"175.5", "265.5"}));

        QVERIFY(tickBoxes(w, {0, 2, 3, 4}));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Cols(), 15);
        QCOMPARE(gridRow(g, 0).mid(7), texts({"总分1", "班名", "类名", "年名", "总分2", "班名", "类名", "年名"}));
        // No total 1 but its ranks; a stored 0 rank stays empty in its place.
        QCOMPARE(gridRow(g, 1).mid(7), texts({"", "3", "2", "", "88", "2", "2", "3"}));
        QCOMPARE(gridRow(g, 3).mid(7), texts({"169", "2", "1", "3", "169", "3", "1", "2"}));

        // Stream rank only: a missing stream rank leaves its cell empty and 总分2 keeps its column.
        QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET zftlnoa = NULL WHERE stid = 's102'")));
        QVERIFY(tickBoxes(w, {0, 3}));
        QVERIFY(pressQuery(w));
        QCOMPARE(gridRow(g, 0).mid(7), texts({"总分1", "类名", "总分2", "类名"}));
        QCOMPARE(gridRow(g, 3).mid(7), texts({"169", "", "169", "1"}));
        QCOMPARE(gridRow(g, 2).mid(7), texts({"175.5", "1", "265.5", "1"}));
    }

    void changesEmptyTheLabelsAndPrintHandsThemOn()
    {
        ScoreBookFixture f;
        cjbq *w = f.open<cjbq>();
        verifyEachChangeEmptiesTheList(w, f);
        verifyPrintHandsOn(w, f.services, 38, 3);
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("期末考试"));
        QCOMPARE(w->Grid1->Cols(), 9);
        QCOMPARE(w->Grid1->TextMatrix(2, 7), QStringLiteral("175.5"));

        // Back from the preview (which shows the window again when it closes), 退出 unloads it.
        windows::show(QStringLiteral("cjbq"));
        QVERIFY(pressClose(w));
        QVERIFY(!w->isLoaded());
    }
};

QTEST_MAIN(CjbqTest)
#include "tst_cjbq.moc"
