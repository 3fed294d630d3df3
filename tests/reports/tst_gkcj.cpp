// The all-subject score book (各科成绩册).
#include "reports/gkcj.h"
#include "reporttest.h"

using namespace quorvane;
using namespace quorvane::test;

class GkcjTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowOpensWithItsChoosersAndChecks()
    {
        ScoreBookFixture f;
        gkcj *w = f.open<gkcj>();
        QCOMPARE(w->windowTitle(), QStringLiteral("各科成绩册--2024学届"));
        QCOMPARE(w->cohortYear(), QStringLiteral("2024"));
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("期末考试"));
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Combo3->count(), 0);
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("班级:"));
        QCOMPARE(w->Label1[1]->text(), QStringLiteral("显示项目:"));
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("排序条件:"));
        QCOMPARE(w->Label1[8]->text(), QStringLiteral("考试名称:"));
        QCOMPARE(w->Label1[3]->text(), QString());
        const QStringList boxes = texts({"总分成绩", "各科排名", "班级名次(A)", "同类班级名次(B)", "年级名次(C)"});
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(w->Check1[i]->text(), boxes[i]);
            QVERIFY(!w->Check1[i]->isChecked());
        }
        const QStringList orders = texts({"班级学号", "班级座号", "班级总分1", "同类班级总分1", "年级总分1", "班级总分2", "同类班级总分2", "年级总分2"});
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(w->Option1[i]->text(), orders[i]);
            QCOMPARE(w->Option1[i]->isChecked(), i == 1);
        }
        QCOMPARE(w->VsNetBut1[0]->text(), QStringLiteral("退出 "));
        QCOMPARE(w->VsNetBut1[1]->text(), QStringLiteral("打印 "));
        QCOMPARE(w->VsNetBut1[2]->text(), QStringLiteral("查询"));

        // The classes, then 年级, 文科, 理科; a rank box needs 总分成绩 or 各科排名.
        verifyClassChooserAndRankBoxes(w, f, texts({"年级", "文科", "理科"}),
                                       QStringLiteral("“总分成绩、各科排名”至少要选一项！"));
        // 各科排名 alone, without any rank box: a book, no rank columns, no message.
        QVERIFY(tickBoxes(w, {1}));
        f.services.clear();
        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        QCOMPARE(w->Grid1->Cols(), 8);
        QCOMPARE(w->Grid1->Rows(), 4);

        // An exam without subjects.
        verifyExamWithoutSubjectsRefused(w, f);

        // A cohort without a class count: no classes and none of 年级, 文科, 理科.
        QVERIFY(execSql(f.system, QStringLiteral("UPDATE dbsystable SET bjsum = NULL WHERE dbyear = '2024'")));
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QString()));
        QCOMPARE(w->Combo3->count(), 0);
        verifyClassAsked(w, f.services);
    }

    void classBookInSeatOrderWithMarkers()
    {
        ScoreBookFixture f;
        gkcj *w = f.open<gkcj>();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        const Grid *g = w->Grid1;
        QCOMPARE(g->FormatString(), QStringLiteral("|^    学   号|^   姓 名|^班级|^座号|^语文|^数学|^物理"));
        QCOMPARE(g->Cols(), 8);
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(g->FixedCols(), 1);
        QCOMPARE(gridRow(g, 0), texts({"", "    学   号", "   姓 名", "班级", "座号", "语文", "数学", "物理"}));
        // Seat order; -1 缺考, -2 作弊, 0 and Null empty, 85.5 as written.
        QCOMPARE(gridRow(g, 1), texts({"", "s103", "王五", "1", "1", "缺考", "88", ""}));
        QCOMPARE(gridRow(g, 2), texts({"", "s101", "张三", "1", "2", "85.5", "90", "作弊"}));
        QCOMPARE(gridRow(g, 3), texts({"", "s102", "李四", "1", "3", "92", "", "77"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("3人"));

        // 班级学号 order.
        QVERIFY(press(w->Option1[0]));
        QCOMPARE(g->Rows(), 1);
        QVERIFY(pressQuery(w));
        QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("s101"));
        QCOMPARE(g->TextMatrix(2, 1), QStringLiteral("s102"));
        QCOMPARE(g->TextMatrix(3, 1), QStringLiteral("s103"));

        // 班级总分1: the class rank of total 1 first.
        QVERIFY(press(w->Option1[2]));
        QVERIFY(pressQuery(w));
        QCOMPARE(gridRow(g, 1).mid(1, 2), texts({"s101", "张三"}));
        QCOMPARE(gridRow(g, 2).mid(1, 2), texts({"s102", "李四"}));
        QCOMPARE(gridRow(g, 3).mid(1, 2), texts({"s103", "王五"}));

        // A class without students in the exam: no message, the book and the count stay.
        QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("3"))));
        QCOMPARE(g->Rows(), 1);
        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        QCOMPARE(g->Rows(), 1);
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("3人"));

        // A student number or total wider than its heading is not cut on screen (in seat order).
        verifyWideCellsNotCut(w, f, 8, [w] { return press(w->Option1[1]); });
    }

    void everyBoxTickedPlacesRanksAndTotals()
    {
        ScoreBookFixture f;
        gkcj *w = f.open<gkcj>();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
        QVERIFY(tickBoxes(w, {0, 1, 2, 3, 4}));
        QVERIFY(pressQuery(w));
        const Grid *g = w->Grid1;
        QCOMPARE(g->Cols(), 25);
        QCOMPARE(gridRow(g, 0), texts({"", "    学   号", "   姓 名", "班级", "座号",
                                   "语文", "班名", "类名", "年名", "数学", "班名", "类名", "年名", "物理", "班名", "类名", "年名",
                                   "总分1", "班名", "类名", "年名", "总分2", "班名", "类名", "年名"}));
        // 王五: 缺考 keeps its ranks; a stored 0 rank stays empty in place; 物理 0 hides its stored
        // ranks; no total 1 but its ranks shown; a 0 rank of total 1 empty.
        QCOMPARE(gridRow(g, 1), texts({"", "s103", "王五", "1", "1",
                                   "缺考", "3", "", "", "88", "2", "", "2", "", "", "", "",
                                   "", "3", "2", "", "88", "2", "2", "3"}));
        QCOMPARE(gridRow(g, 2), texts({"", "s101", "张三", "1", "2",
                                   "85.5", "2", "3", "4", "90", "1", "1", "1", "作弊", "9", "", "",
                                   "175.5", "1", "1", "1", "265.5", "1", "1", "1"}));
        // 数学 Null: its stored class rank is not shown.
        QCOMPARE(gridRow(g, 3), texts({"", "s102", "李四", "1", "3",
                                   "92", "1", "1", "1", "", "", "", "", "77", "1", "1", "2",
                                   "169", "2", "1", "3", "169", "3", "1", "2"}));
    }

    void someBoxesGiveTheirColumnsOnly()
    {
        ScoreBookFixture f;
        gkcj *w = f.open<gkcj>();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
        const Grid *g = w->Grid1;

        // 班级 and 年级 ranks behind each subject: three columns per subject, no totals.
        QVERIFY(tickBoxes(w, {1, 2, 4}));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Cols(), 14);
        QCOMPARE(gridRow(g, 0).mid(5), texts({"语文", "班名", "年名", "数学", "班名", "年名", "物理", "班名", "年名"}));
        QCOMPARE(gridRow(g, 2).mid(5), texts({"85.5", "2", "4", "90", "1", "1", "作弊", "9", ""}));

        // Rank boxes with 总分成绩 only: subjects without ranks, totals with the ticked ranks.
        QVERIFY(tickBoxes(w, {0, 3}));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Cols(), 12);
        QCOMPARE(gridRow(g, 0).mid(5), texts({"语文", "数学", "物理", "总分1", "类名", "总分2", "类名"}));
        QCOMPARE(gridRow(g, 1).mid(5), texts({"缺考", "88", "", "", "2", "88", "2"}));
        QCOMPARE(gridRow(g, 3).mid(5), texts({"92", "", "77", "169", "1", "169", "1"}));

        // 总分成绩 without any rank box: the two totals.
        QVERIFY(tickBoxes(w, {0}));
        QVERIFY(pressQuery(w));
        QCOMPARE(gridRow(g, 0).mid(8), texts({"总分1", "总分2"}));
        QCOMPARE(gridRow(g, 2).mid(8), texts({"175.5", "265.5"}));
    }

    void wholeGradeAndStreams()
    {
        ScoreBookFixture f;
        gkcj *w = f.open<gkcj>();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("年级")));
        const Grid *g = w->Grid1;
        auto listed = [g] {
            QStringList ids;
            for (int r = 1; r < g->Rows(); ++r)
                ids << g->TextMatrix(r, 1);
            return ids;
        };

        // 班级座号: class by class, seat by seat.
        QVERIFY(pressQuery(w));
        QCOMPARE(listed(), texts({"s103", "s101", "s102", "s201"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("4人"));
        QCOMPARE(gridRow(g, 4), texts({"", "s201", "赵六", "2", "1", "70", "60", "50.25"}));

        // 同类班级总分1: both streams mixed by their stream ranks, then class and seat.
        QVERIFY(press(w->Option1[3]));
        QVERIFY(pressQuery(w));
        QCOMPARE(listed(), texts({"s101", "s102", "s103", "s201"}));

        // 年级总分2 with the whole exam.
        QVERIFY(press(w->Option1[7]));
        QVERIFY(pressQuery(w));
        QCOMPARE(listed(), texts({"s101", "s102", "s103", "s201"}));

        // 班级总分2 keeps the classes together.
        QVERIFY(press(w->Option1[5]));
        QVERIFY(pressQuery(w));
        QCOMPARE(listed(), texts({"s101", "s103", "s102", "s201"}));

        // Streams: 文科 lists wlflag 2, 理科 wlflag 3.
        QVERIFY(press(w->Option1[1]));
        QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("文科"))));
        QVERIFY(pressQuery(w));
        QCOMPARE(listed(), texts({"s103", "s102"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("2人"));
        QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("理科"))));
        QVERIFY(pressQuery(w));
        QCOMPARE(listed(), texts({"s101", "s201"}));
    }

    void missingFieldsLeaveTheirCellsEmpty()
    {
        ScoreBookFixture f;
        const QString exam = QStringLiteral("240901080000");
        QVERIFY(execSql(f.cohort, QStringLiteral("INSERT INTO stucj(id, bj, ke2, kealla, zftlnoa) VALUES(?, 2, 66, 66, 4)"), {exam}));
        QVERIFY(execSql(f.cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, ke1) VALUES(?, 's301', '钱七', 2, 5, 59.5)"), {exam}));
        allsubjectbook::Options o;
        o.totals = true;
        o.rankStream = true;
        o.order = 0;
        allsubjectbook::Book book;
        QVERIFY(allsubjectbook::build(f.cohort, exam, QStringLiteral("2"), {1, 2}, o, book));
        QCOMPARE(book.cols, 11);
        QCOMPARE(book.rows.size(), size_t(2));
        // Null student number sorts first; its name and seat cells stay empty, the rest is filled.
        QCOMPARE(book.rows[0], texts({"", "", "", "2", "", "", "66", "66", "4", "", ""}));
        QCOMPARE(book.rows[1], texts({"", "s301", "钱七", "2", "5", "59.5", "", "", "", "", ""}));
        // A class text that is no class number finds nobody; the book stays as it was.
        QVERIFY(!allsubjectbook::build(f.cohort, exam, QStringLiteral("2' OR '1'='1"), {1, 2}, o, book));
        QCOMPARE(book.rows.size(), size_t(2));
    }

    void changesEmptyTheBookAndPrintHandsItOn()
    {
        ScoreBookFixture f;
        gkcj *w = f.open<gkcj>();
        // Another sort order is a change too.
        verifyEachChangeEmptiesTheList(w, f, {[w] { return press(w->Option1[4]); }});
        // The preview is handed the book: the window hides, report 34 with the subject count.
        verifyPrintHandsOn(w, f.services, 34, 3);
        // What the layout reads stays as the query left it.
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("期末考试"));
        QCOMPARE(w->Combo3->currentText(), QStringLiteral("1"));
        QCOMPARE(w->Grid1->Rows(), 4);
        QCOMPARE(w->Check1[0]->isChecked(), true);

        // Back from the preview (which shows the window again when it closes), 退出 unloads it.
        windows::show(QStringLiteral("gkcj"));
        QVERIFY(pressClose(w));
        QVERIFY(!w->isLoaded());
    }
};

QTEST_MAIN(GkcjTest)
#include "tst_gkcj.moc"
