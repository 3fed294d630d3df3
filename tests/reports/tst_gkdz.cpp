// 各科成绩对照 (gkdz): the comparison of a small hand-made exam, the work grid, messages and print.
#include "reports/comparison.h"
#include "reports/gkdz.h"
#include "reporttest.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240601080000");
const QString kOther = QStringLiteral("240301080000");

// Cohort 2024, classes 1..3 (高一). Exam subjects: 语文 (150), 数学 (no full mark), 英语 (100),
// 思想政治 (100, nobody sat it). Class 9 lies outside the cohort's classes.
struct Fixture : ReportFixture
{
    explicit Fixture(int classes = 3, int firstClass = 1)
    {
        useNewCohort(QStringLiteral("2024"), classes, firstClass);
        addCohort(QStringLiteral("2025"));
        addExams({"id", "name", "year", "grade", "kmflag1", "allfs1", "kmflag2", "kmflag3", "allfs3", "kmflag4", "allfs4"},
                 {{kExam, QStringLiteral("期末考试"), QStringLiteral("2024"), 1, 1, 150, 1, 1, 100, 1, 100},
                  {kOther, QStringLiteral("期中考试"), QStringLiteral("2024"), 2, {}, {}, {}, {}, {}, {}, {}}});
        addStudents({"id", "stid", "bj", "wlflag", "ke1", "ke2", "ke3"},
                    {{kExam, "a", 1, 1, 120, 50, 80}, {kExam, "b", 1, 1, 90, 0, 60}, {kExam, "c", 1, 1, -1, {}, {}},
                     {kExam, "d", 1, 1, 0, -2, 0}, {kExam, "e", 2, 1, 135, 30, 59.5}, {kExam, "f", 2, 1, 89.5, {}, -1},
                     {kExam, "g", 2, 1, {}, {}, {}}, {kExam, "h", 3, 1, -2, {}, 100}, {kExam, "i", 9, 1, 100, {}, {}}});
    }
};

} // namespace

class GkdzTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void comparisonCellByCell()
    {
        Fixture f;
        gkdz *w = f.open<gkdz>();
        QCOMPARE(w->windowTitle(), QStringLiteral("各科成绩对照--2024学届"));
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("期末考试"));
        QCOMPARE(w->VsNetBut1[2]->text(), QStringLiteral("查询"));
        QVERIFY(!w->Grid2->isVisible());
        QVERIFY(pick(w->Combo1, 0));
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("高一"));
        QCOMPARE(int(w->kmsum), 4);
        QCOMPARE(w->kmfs[0], qint16(150));
        QCOMPARE(w->kmfs[1], qint16(0));

        QVERIFY(pressQuery(w));
        QVERIFY(f.services.messages.empty());
        QVERIFY(w->ProgressBar1->isHidden());
        const Grid *g = w->Grid1;
        QCOMPARE(gridRow(g, 0), texts({"", "   学  科", "    班   级", " 实考数", "平均分", "最低分", "最高分", "标准差", "优良率", "及格率"}));
        QCOMPARE(g->Rows(), 11);
        // 语文: 120 and 90, 135 and 89.5; class 3 only cheated: no row; 全年级 counts class 9's 100.
        QCOMPARE(gridRow(g, 1), texts({"", "语文", "高一(1)班", "2", "105", "90", "120", "21.21", "50", "100"}));
        QCOMPARE(gridRow(g, 2), texts({"", "", "高一(2)班", "2", "112.25", "89.5", "135", "32.17", "50", "50"}));
        QCOMPARE(gridRow(g, 3), texts({"", "", "全年级", "5", "106.9", "89.5", "135", "19.98", "40", "80"}));
        // 数学 without a full mark: every counted score is 优良 and 及格; 0 and 作弊 are not counted.
        QCOMPARE(gridRow(g, 4), texts({"", "数学", "高一(1)班", "1", "50", "50", "50", "0", "100", "100"}));
        QCOMPARE(gridRow(g, 5), texts({"", "", "高一(2)班", "1", "30", "30", "30", "0", "100", "100"}));
        QCOMPARE(gridRow(g, 6), texts({"", "", "全年级", "2", "40", "30", "50", "14.14", "100", "100"}));
        // 英语: 60 is exactly 及格, 80 exactly 优良; the average 74.875 rounds to 74.88.
        QCOMPARE(gridRow(g, 7), texts({"", "英语", "高一(1)班", "2", "70", "60", "80", "14.14", "50", "100"}));
        QCOMPARE(gridRow(g, 8), texts({"", "", "高一(2)班", "1", "59.5", "59.5", "59.5", "0", "0", "0"}));
        QCOMPARE(gridRow(g, 9), texts({"", "", "高一(3)班", "1", "100", "100", "100", "0", "100", "100"}));
        QCOMPARE(gridRow(g, 10), texts({"", "", "全年级", "4", "74.88", "59.5", "100", "19.28", "50", "75"}));

        // The work grid keeps a block of bjsum + 1 rows per subject; 思想政治 has its name and 全年级 only.
        const Grid *g2 = w->Grid2;
        QCOMPARE(g2->Rows(), 17);
        QCOMPARE(g2->Cols(), 10);
        QCOMPARE(g2->TextMatrix(3, 2), QString());          // 语文, class 3
        QCOMPARE(g2->TextMatrix(4, 2), QStringLiteral("全年级"));
        QCOMPARE(g2->TextMatrix(13, 1), QStringLiteral("思想政治"));
        QCOMPARE(g2->TextMatrix(16, 2), QStringLiteral("全年级"));
        QCOMPARE(g2->TextMatrix(16, 3), QString());

        // Print: report 36 with the exam's four subjects.
        verifyPrintHandsOn(w, f.services, 36, 4, false);
    }

    void anotherExamKeepsFiguresButDoesNotPrintThem()
    {
        Fixture f;
        gkdz *w = f.open<gkdz>();
        QVERIFY(pick(w->Combo1, 0));
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 11);
        // Choosing the other exam leaves the figures on screen until the next query...
        QVERIFY(pick(w->Combo1, 1));
        QCOMPARE(w->Grid1->Rows(), 11);
        QCOMPARE(w->Grid1->TextMatrix(1, 1), QStringLiteral("语文"));
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("高二"));
        // ...but they are not printed under the other exam's name (the button itself asks), and
        // the message says why rather than calling the visible table empty.
        gReportCode = 0;
        QVERIFY(pressPrint(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("当前表格不是所选考试的统计结果，请先查询！"));
        QCOMPARE(f.services.messages.back().title, kSysTitle);
        QCOMPARE(f.services.messages.back().icon, MsgIcon::Exclamation);
        QCOMPARE(gReportCode, qint16(0));
        // Back on the exam the figures belong to, they print again.
        QVERIFY(pick(w->Combo1, 0));
        verifyPrintHandsOn(w, f.services, 36, 4, false);
        QVERIFY(pick(w->Combo1, 1));
        // The exam without subjects: the work grid has its heading only, Grid1 a blank table.
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid2->Rows(), 1);
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Grid1->TextMatrix(0, 3), QStringLiteral(" 实考数"));
        f.services.clear();
        QVERIFY(pressPrint(w));
        QCOMPARE(f.services.lastText(), QStringLiteral("当前打印数据为空！"));
    }

    void finishedQueryWithoutListedRowsPrints()
    {
        Fixture f;
        // An exam with a subject that nobody of the cohort sat.
        f.addExams({"id", "name", "year", "grade", "kmflag5", "allfs5"},
                   {{QStringLiteral("240901080000"), QStringLiteral("补考"), QStringLiteral("2024"), 1, 1, 100}});
        gkdz *w = f.open<gkdz>();
        QVERIFY(pick(w->Combo1, w->Combo1->findText(QStringLiteral("补考"))));
        // Before the query there is nothing to print.
        QVERIFY(pressPrint(w));
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("当前打印数据为空！")});
        f.services.clear();
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Grid2->Rows(), 5);
        // The query is finished and the exam has a subject: it prints, with no row listed.
        verifyPrintHandsOn(w, f.services, 36, 1, false);
    }

    void buildShowsProgressAndLetsEventsRun()
    {
        Fixture f;
        gkdz *w = f.open<gkdz>();
        QVERIFY(pick(w->Combo1, 0));
        // Inside the query the bar and the hourglass are up, and a second query or a close is refused.
        const BuildWatch seen = queryWatchingTheBuild(w);
        verifyWatchedBuild(w, seen);
        QVERIFY(seen.value >= 1 && seen.value <= 100);
    }

    void messagesAndClassLabels()
    {
        {
            Fixture f;
            gkdz *w = f.open<gkdz>();
            QVERIFY(pressPrint(w));
            QCOMPARE(f.services.lastText(), QStringLiteral("当前打印数据为空！"));
            QVERIFY(pressQuery(w));
            QCOMPARE(f.services.lastText(), QStringLiteral("考试名称未选择！"));
            QCOMPARE(f.services.messages.back().icon, MsgIcon::Exclamation);
        }
        {
            Fixture f(0);
            gkdz *w = f.open<gkdz>();
            QVERIFY(pick(w->Combo1, 0));
            QVERIFY(pressQuery(w));
            QCOMPARE(f.services.lastText(), QStringLiteral("查询相关数据可能为空！"));
            QCOMPARE(w->Grid2->Rows(), 1);
        }
        {
            // Classes 3..6: class 3 only has a counted 英语 score (h 100); classes 1, 2 and 9 are
            // outside the range and count in 全年级 only.
            Fixture f(4, 3);
            gkdz *w = f.open<gkdz>();
            QVERIFY(pick(w->Combo1, 0));
            QVERIFY(pressQuery(w));
            const Grid *g = w->Grid1;
            QCOMPARE(g->Rows(), 5);
            QCOMPARE(gridRow(g, 1).mid(1, 4), texts({"语文", "全年级", "5", "106.9"}));
            QCOMPARE(gridRow(g, 2).mid(1, 4), texts({"数学", "全年级", "2", "40"}));
            QCOMPARE(gridRow(g, 3).mid(1, 4), texts({"英语", "高一(3)班", "1", "100"}));
            QCOMPARE(gridRow(g, 4).mid(1, 4), texts({"", "全年级", "4", "74.88"}));
            QCOMPARE(w->Grid2->Rows(), 21);
        }
    }

    void keepsConnectionsAndCohort()
    {
        Fixture f;
        gkdz *w = f.open<gkdz>();
        closeDatabase(f.cohort);
        QVERIFY(pressClose(w));
        // No unload step: the window's connections stay open after it closes.
        QVERIFY(w->cohortDb().isOpen());
        QVERIFY(isDatabaseOpen(f.data.cohortPath(QStringLiteral("db2024.mdb"))));
        gCohortYear = QStringLiteral("2025");
        gCohortDbFile = QStringLiteral("db2025.mdb");
        QCOMPARE(f.open<gkdz>(), w);
        QCOMPARE(w->cohortYear(), QStringLiteral("2025"));
        QCOMPARE(w->Combo1->count(), 0);
        QVERIFY(pressClose(w));
        f.useCohort(QStringLiteral("2024"), QStringLiteral("db2024.mdb"));
        f.open<gkdz>();
        gCohortYear = QStringLiteral("2025");
        QVERIFY(pick(w->Combo1, 0));
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 11);
        QCOMPARE(w->windowTitle(), QStringLiteral("各科成绩对照--2024学届"));
    }

    void listedRowsOfTheWorkTable()
    {
        // A subject without listed rows shares nothing: the next subject's name stands on its
        // own first row; a trailing empty block gets none.
        std::vector<QStringList> work(6, QStringList(comparison::kCols, QString()));
        work[0][1] = QStringLiteral("语文");
        work[1][2] = QStringLiteral("全年级");
        work[2][1] = QStringLiteral("数学");
        work[3][2] = QStringLiteral("全年级");
        work[3][3] = QStringLiteral("7");
        work[4][1] = QStringLiteral("英语");
        work[5][2] = QStringLiteral("全年级");
        const auto listed = comparison::listedRows(work, 3, 1);
        QCOMPARE(int(listed.size()), 1);
        QCOMPARE(listed[0].mid(1, 3), texts({"数学", "全年级", "7"}));
    }
};

QTEST_MAIN(GkdzTest)
#include "tst_gkdz.moc"
