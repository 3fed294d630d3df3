// 成绩分段统计 (fdtj): the band table of a small hand-made exam, the bounds, the messages and print.
#include "reports/bandstats.h"
#include "reports/fdtj.h"
#include "reporttest.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240601080000");

// Cohort 2024 with classes 1..3; one exam (高一) with 语文 (full mark 150) and 数学 (full mark 75).
// Class 1: 120 (文), 90 (理), 缺考 (文), 0 (理); class 2: 135 (文), 89.5 (文), Null; class 3 only a
// cheat; class 9, outside the cohort's classes, one 100 (理).
struct Fixture : ReportFixture
{
    explicit Fixture(int classes = 3)
    {
        useNewCohort(QStringLiteral("2024"), classes);
        addCohort(QStringLiteral("2025"));
        addExams({"id", "name", "year", "grade", "kmflag1", "allfs1", "kmflag2", "allfs2"},
                 {{kExam, QStringLiteral("期末考试"), QStringLiteral("2024"), 1, 1, 150, 1, 75},
                  {QStringLiteral("240301080000"), QStringLiteral("期中考试"), QStringLiteral("2024"), 2, {}, {}, {}, {}}});
        addStudents({"id", "stid", "bj", "wlflag", "ke1", "kealla"},
                    {{kExam, "a", 1, 2, 120, 250}, {kExam, "b", 1, 3, 90, 199}, {kExam, "c", 1, 2, -1, 0},
                     {kExam, "d", 1, 3, 0, {}}, {kExam, "e", 2, 2, 135, 300}, {kExam, "f", 2, 2, 89.5, 220.5},
                     {kExam, "g", 2, 3, {}, {}}, {kExam, "h", 3, 2, -2, {}}, {kExam, "i", 9, 3, 100, {}}});
    }
};

} // namespace

class FdtjTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void subjectTableCellByCell()
    {
        Fixture f;
        fdtj *w = f.open<fdtj>();
        QCOMPARE(w->windowTitle(), QStringLiteral("成绩分段统计--2024学届"));
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("期末考试"));
        QVERIFY(w->Option1[2]->isChecked());
        QCOMPARE(w->Label1[8]->text(), QStringLiteral("考试名称:"));
        QCOMPARE(w->Label1[1]->text(), QStringLiteral("统计项目:"));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("统计下限:"));
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("统计上限:"));
        QCOMPARE(w->Label1[4]->text(), QStringLiteral("统计组距:"));

        QVERIFY(pick(w->Combo1, 0));
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("高一"));
        QCOMPARE(w->Combo2->count(), 4);
        QCOMPARE(w->Combo2->itemText(0), QStringLiteral("语文"));
        QCOMPARE(w->Combo2->itemText(1), QStringLiteral("数学"));
        QCOMPARE(w->Combo2->itemText(2), QStringLiteral("总分1"));
        QCOMPARE(w->Combo2->itemText(3), QStringLiteral("总分2"));
        QCOMPARE(w->Combo2->currentIndex(), -1);

        // Defaults of a subject: 0.6 and 0.9 of its full mark, width 10.
        QVERIFY(pick(w->Combo2, 1));
        QCOMPARE(w->Text1->text(), QStringLiteral("45"));
        QCOMPARE(w->Text2->text(), QStringLiteral("67.5"));
        QCOMPARE(w->Text3->text(), QStringLiteral("10"));
        QVERIFY(pick(w->Combo2, 0));
        QCOMPARE(w->Text1->text(), QStringLiteral("90"));
        QCOMPARE(w->Text2->text(), QStringLiteral("135"));

        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        const Grid *g = w->Grid1;
        QCOMPARE(gridRow(g, 0), texts({"", "    班级名称", " 人数", "平均分", "最低分", "最高分", "标准差", "优良率", "及格率",
                                   "90以下", "90-99", "100-109", "110-119", "120-129", "130以上"}));
        // Class 3 has no counted score: no row; 全年级 follows class 2 and counts class 9 too.
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(gridRow(g, 1), texts({"", "高一(1)班", "2", "105", "90", "120", "21.21", "50", "100", "0", "1", "0", "0", "1", "0"}));
        QCOMPARE(gridRow(g, 2), texts({"", "高一(2)班", "2", "112.25", "89.5", "135", "32.17", "50", "50", "1", "0", "0", "0", "0", "1"}));
        QCOMPARE(gridRow(g, 3), texts({"", "全年级", "5", "106.9", "89.5", "135", "19.98", "40", "80", "1", "1", "1", "0", "1", "1"}));
        // No figure is cut on screen: 112.25 is wider than its caption 平均分.
        QVERIFY(g->ColWidth(3) >= g->textWidthTwips(QStringLiteral("112.25")));
        QVERIFY(w->ProgressBar1->isHidden());

        // 文科: the class rows count arts students only, the subject's 全年级 row everyone.
        QVERIFY(press(w->Option1[0]));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(gridRow(g, 1), texts({"", "高一(1)班", "1", "120", "120", "120", "0", "100", "100", "0", "0", "0", "0", "1", "0"}));
        QCOMPARE(gridRow(g, 2).mid(1, 3), texts({"高一(2)班", "2", "112.25"}));
        QCOMPARE(gridRow(g, 3).mid(1, 3), texts({"全年级", "5", "106.9"}));

        // Print hands over report 37 and the exam's two subjects.
        verifyPrintHandsOn(w, f.services, 37, 2, false);

        // Choosing another item empties the table; printing is then refused.
        gReportCode = 0;
        QVERIFY(pick(w->Combo2, 1));
        QCOMPARE(w->Grid1->Rows(), 1);
        QVERIFY(pressPrint(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("当前打印数据为空！"));
        QCOMPARE(f.services.messages.back().title, kSysTitle);
        QCOMPARE(gReportCode, qint16(0));
    }

    void totalTableAndStream()
    {
        Fixture f;
        fdtj *w = f.open<fdtj>();
        QVERIFY(pick(w->Combo1, 0));
        QVERIFY(pick(w->Combo2, 2));
        QCOMPARE(w->Text1->text(), QStringLiteral("200"));
        QCOMPARE(w->Text2->text(), QStringLiteral("300"));
        QCOMPARE(w->Text3->text(), QStringLiteral("20"));
        QVERIFY(pressQuery(w));
        const Grid *g = w->Grid1;
        // (300 − 200) is 5 bands of 20 exactly: the top column starts at U.
        QCOMPARE(gridRow(g, 0), texts({"", "    班级名称", " 人数", "平均分", "最低分", "最高分", "200以下", "200-219",
                                   "220-239", "240-259", "260-279", "280-299", "300以上"}));
        QCOMPARE(g->Cols(), 13);
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(gridRow(g, 1), texts({"", "高一(1)班", "2", "224.5", "199", "250", "1", "0", "0", "1", "0", "0", "0"}));
        QCOMPARE(gridRow(g, 2), texts({"", "高一(2)班", "2", "260.25", "220.5", "300", "0", "0", "1", "0", "0", "0", "1"}));
        QCOMPARE(gridRow(g, 3), texts({"", "全年级", "4", "242.38", "199", "300", "1", "0", "1", "1", "0", "0", "1"}));

        // 文科: a total's 全年级 row is limited to the stream too.
        QVERIFY(press(w->Option1[0]));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(gridRow(g, 1).mid(1, 5), texts({"高一(1)班", "1", "250", "250", "250"}));
        QCOMPARE(gridRow(g, 3).mid(1, 5), texts({"全年级", "3", "256.83", "220.5", "300"}));

        // 理科 in total 2: nobody has a total 2, so no class row and only the heading stays.
        QVERIFY(press(w->Option1[1]));
        QVERIFY(pick(w->Combo2, 3));
        QCOMPARE(w->Text1->text(), QStringLiteral("300"));
        QCOMPARE(w->Text2->text(), QStringLiteral("500"));
        QVERIFY(pressQuery(w));
        QCOMPARE(g->Rows(), 1);
        QVERIFY(pressPrint(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("当前打印数据为空！"));

        // An empty lower bound of a total means 0, as typed: 0 to 150 in bands of 50.
        QVERIFY(press(w->Option1[2]));
        QVERIFY(pick(w->Combo2, 2));
        QVERIFY(typeInto(w->Text1, QString()));
        QVERIFY(typeInto(w->Text2, QStringLiteral("150")));
        QVERIFY(typeInto(w->Text3, QStringLiteral("50")));
        f.services.clear();
        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        QCOMPARE(gridRow(g, 0).mid(6), texts({"0以下", "0-49", "50-99", "100-149", "150以上"}));
        QCOMPARE(gridRow(g, 3), texts({"", "全年级", "4", "242.38", "199", "300", "0", "0", "0", "0", "4"}));
        // An empty upper bound of a total still takes the item's default (300).
        QVERIFY(typeInto(w->Text1, QStringLiteral("-100")));
        QVERIFY(typeInto(w->Text2, QString()));
        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        QCOMPARE(gridRow(g, 0).mid(6), texts({"100以下", "100-149", "150-199", "200-249", "250-299", "300以上"}));
    }

    void queryMessagesInOrder()
    {
        Fixture f;
        fdtj *w = f.open<fdtj>();
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("考试名称未选择！"));
        QCOMPARE(f.services.messages.back().title, kSysTitle);
        QCOMPARE(f.services.messages.back().icon, MsgIcon::Exclamation);
        QVERIFY(pick(w->Combo1, 0));
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("统计项目未选择！"));
        QVERIFY(pick(w->Combo2, 0));
        // Both bounds empty compare 0 with 0.
        QVERIFY(typeInto(w->Text1, QString()));
        QVERIFY(typeInto(w->Text2, QString()));
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("统计下限不能小于或等于上限值！"));
        QVERIFY(typeInto(w->Text1, QStringLiteral("100")));
        QVERIFY(typeInto(w->Text2, QStringLiteral("100")));
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("统计下限不能小于或等于上限值！"));
        // −100 and 50 pass the check by their signs but give no band (U ≤ L): refused, nothing built.
        QVERIFY(typeInto(w->Text1, QStringLiteral("-100")));
        QVERIFY(typeInto(w->Text2, QStringLiteral("50")));
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("统计下限不能小于或等于上限值！"));
        QCOMPARE(int(f.services.messages.size()), 5);
        QCOMPARE(w->Grid1->Rows(), 1);
        // A width that would make more than 254 bands is refused.
        QVERIFY(typeInto(w->Text1, QStringLiteral("1")));
        QVERIFY(typeInto(w->Text2, QStringLiteral("1000")));
        QVERIFY(typeInto(w->Text3, QStringLiteral("3")));
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("统计分段数过多，请加大统计组距！"));
        QCOMPARE(w->Grid1->Rows(), 1);
        QVERIFY(typeInto(w->Text3, QStringLiteral("4")));   // 249 bands
        QVERIFY(pressQuery(w));
        QCOMPARE(int(f.services.messages.size()), 6);
        QCOMPARE(w->Grid1->Cols(), 11 + 249);
        QCOMPARE(w->Grid1->Rows(), 4);
        // Text1 empty, Text2 135: L falls back to 0.6 × 150, and the table is built.
        QVERIFY(typeInto(w->Text1, QString()));
        QVERIFY(typeInto(w->Text2, QStringLiteral("135")));
        QVERIFY(typeInto(w->Text3, QString()));
        QVERIFY(pressQuery(w));
        QCOMPARE(int(f.services.messages.size()), 6);
        QCOMPARE(w->Grid1->TextMatrix(0, 9), QStringLiteral("90以下"));
        QCOMPARE(w->Grid1->TextMatrix(0, 10), QStringLiteral("90-99"));
        QCOMPARE(w->Grid1->Rows(), 4);
        // A mistyped huge upper bound is too many bands, not a lower bound above the upper one.
        QVERIFY(typeInto(w->Text2, QStringLiteral("99999999999")));
        QVERIFY(typeInto(w->Text3, QStringLiteral("20")));
        QVERIFY(pressQuery(w));
        QCOMPARE(int(f.services.messages.size()), 7);
        QCOMPARE(f.services.lastText(), QStringLiteral("统计分段数过多，请加大统计组距！"));
        // A new exam empties the table.
        QVERIFY(pick(w->Combo1, 1));
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Combo2->count(), 0);
    }

    void enterWalksThroughTheChoosers()
    {
        Fixture f;
        fdtj *w = f.open<fdtj>();
        auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
        QVERIFY(pick(w->Combo1, 0));
        enter();
        QCOMPARE(QApplication::focusWidget(), w->Combo2);
        QVERIFY(pick(w->Combo2, 0));
        enter();
        QCOMPARE(QApplication::focusWidget(), w->Text1);
        QCOMPARE(w->Text1->cursorPosition(), 2);
        enter();
        QCOMPARE(QApplication::focusWidget(), w->Text2);
        enter();
        QCOMPARE(QApplication::focusWidget(), w->Text3);
        QTest::keyClick(w->Text3, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), w->VsNetBut1[2]);
        // Enter on 查询 runs the query.
        enter();
        QCOMPARE(w->Grid1->Rows(), 4);
        QVERIFY(f.services.messages.empty());
    }

    void buildShowsProgressAndLetsEventsRun()
    {
        Fixture f;
        fdtj *w = f.open<fdtj>();
        QVERIFY(pick(w->Combo1, 0));
        QVERIFY(pick(w->Combo2, 0));
        // Inside the query the bar and the hourglass are up, and a second query or a close is refused.
        const BuildWatch seen = queryWatchingTheBuild(w);
        verifyWatchedBuild(w, seen);
        QVERIFY(seen.value >= 1 && seen.value <= 100);
    }

    void cohortWithoutClasses()
    {
        Fixture f(0);
        fdtj *w = f.open<fdtj>();
        QVERIFY(pick(w->Combo1, 0));
        QVERIFY(pick(w->Combo2, 0));
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("查询相关数据可能为空！"));
        QCOMPARE(w->Grid1->Rows(), 1);
    }

    void keepsTheCohortItWasLoadedWith()
    {
        Fixture f;
        fdtj *w = f.open<fdtj>();
        gCohortYear = QStringLiteral("2025");
        gCohortDbFile = QStringLiteral("db2025.mdb");
        windows::show(QStringLiteral("fdtj"));
        QCOMPARE(w->cohortYear(), QStringLiteral("2024"));
        QVERIFY(pick(w->Combo1, 0));
        QCOMPARE(w->Combo2->count(), 4);
        QVERIFY(pick(w->Combo2, 0));
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 4);
        QCOMPARE(w->Grid1->TextMatrix(3, 2), QStringLiteral("5"));
    }

    void boundsAndBandCaptions()
    {
        using namespace bandstats;
        Bounds b;
        // L 90, U 95, W 10: no full band; the top band starts at L.
        QVERIFY(readBounds(QStringLiteral("90"), QStringLiteral("95"), QStringLiteral("10"), 0, 0, b));
        QCOMPARE(b.n, 0);
        QCOMPARE(headingFormat(false, b).section(QLatin1Char('|'), 6), QStringLiteral("^90以下|^90以上"));
        // U 140: 5 full bands, top column at U.
        QVERIFY(readBounds(QStringLiteral("90"), QStringLiteral("140"), QString(), 0, 0, b));
        QCOMPARE(b.W, 10);
        QCOMPARE(headingFormat(false, b).section(QLatin1Char('|'), 6),
                 QStringLiteral("^90以下|^90-99|^100-109|^110-119|^120-129|^130-139|^140以上"));
        // Full mark 75, lower box −45, upper empty: L 45, U 67.5; 22.5 rounds to 22: two bands,
        // top band from 65.
        QVERIFY(readBounds(QStringLiteral("-45"), QString(), QStringLiteral("0"), 45, 67.5, b));
        QCOMPARE(b.L, 45.0);
        QCOMPARE(b.U, 67.5);
        QCOMPARE(b.n, 2);
        QCOMPARE(b.remainder, 2);
        QCOMPARE(headingFormat(false, b).section(QLatin1Char('|'), 6), QStringLiteral("^45以下|^45-54|^55-64|^65以上"));
        // −95.7 reads as 95.
        QVERIFY(readBounds(QStringLiteral("-95.7"), QStringLiteral("200"), QStringLiteral("20"), 0, 0, b));
        QCOMPARE(b.L, 95.0);
        // Full mark 135: L 81, U 121.5, 40.5 rounds to 40: four full bands; the top band starts
        // where the last full band ends, so a score of 121 is not lost between them.
        QVERIFY(readBounds(QString(), QString(), QString(), 81, 121.5, b));
        QCOMPARE(b.n, 4);
        QCOMPARE(b.top(), 121.0);
        QVERIFY(headingFormat(true, b).endsWith(QStringLiteral("|^111-120|^121以上")));
        // No full mark and no bounds: nothing can be formed.
        QVERIFY(!readBounds(QString(), QString(), QString(), 0, 0, b));
    }

    void bandsOfOneSubjectFromTheDatabase()
    {
        // The 90/95/10 table: 93 counts in the top band, and every counted score is in one band.
        Fixture f;
        QVERIFY(execSql(f.cohort, QStringLiteral("INSERT INTO stucj(id, stid, bj, wlflag, ke1) VALUES(?, 'x', 3, 1, 93)"), {kExam}));
        bandstats::Request req;
        req.examId = kExam;
        req.subject = true;
        req.k = 1;
        req.fullMark = 150;
        req.njname = QStringLiteral("高一");
        req.startbj = 1;
        req.bjsum = 3;
        QVERIFY(bandstats::readBounds(QStringLiteral("90"), QStringLiteral("95"), QStringLiteral("10"), 0, 0, req.bounds));
        int steps = 0;
        int queries = 0;
        const bandstats::Table t = bandstats::build(f.cohort, req, [&] { ++steps; }, [&] { ++queries; });
        QCOMPARE(queries, 4);          // three classes and the whole grade
        QCOMPARE(steps, 10 + 9);       // one step per record read
        QCOMPARE(int(t.rows.size()), 4);
        QCOMPARE(t.rows[2].mid(1, 3), texts({"高一(3)班", "1", "93"}));
        QCOMPARE(t.rows[2].mid(9), texts({"0", "1"}));
        QCOMPARE(t.rows[3].mid(1, 2), texts({"全年级", "6"}));
        QCOMPARE(t.rows[3].mid(9), texts({"1", "5"}));
    }
};

QTEST_MAIN(FdtjTest)
#include "tst_fdtj.moc"
