// 平均成绩册: class averages, ranks and totals on a small hand-made exam.
#include "reports/average.h"
#include "reports/averagebook.h"
#include "reporttest.h"

#include <QScrollBar>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240601080000");
const QString kOneSubject = QStringLiteral("240401080000");

struct Fixture : ReportFixture
{
    // Cohort 2022: classes 3, 4 and 5. Exam (grade 1): 语文, 数学, 物理. Class 5 has no rows.
    Fixture()
    {
        useNewCohort(QStringLiteral("2022"), 3, 3);
        addCohort(QStringLiteral("2024"), 0);
        addExams({"id", "name", "year", "grade", "kmflag1", "kmflag2", "kmflag5", "kmflag9"},
                 {{kExam, QStringLiteral("高一期中"), QStringLiteral("2022"), 1, 1, 1, 1, {}},
                  {kOneSubject, QStringLiteral("生物测验"), QStringLiteral("2022"), 1, {}, {}, {}, 1},
                  {QStringLiteral("240901080000"), QStringLiteral("新届考试"), QStringLiteral("2024"), 1, 1, {}, {}, {}}});
        // Class 3: 语文 90, 80, 85.5; 数学 100, absent, 0; 物理 not entered, cheating, 70.
        // Class 4: 语文 85 and 85.34 (the same average as class 3), 数学 90 and 91, 物理 both absent;
        // total 2 is counted whenever present, also the stored -1.
        // Another exam's rows never count.
        addStudents({"id", "stid", "bj", "ke1", "ke2", "ke5", "kealla", "keallb"},
                    {{kExam, "s", 3, 90, 100, {}, 270, 0},
                     {kExam, "s", 3, 80, -1, -2, 180, 0},
                     {kExam, "s", 3, 85.5, 0, 70, {}, 0},
                     {kExam, "s", 4, 85, 90, -1, 250, 100},
                     {kExam, "s", 4, 85.34, 91, -1, 251, -1},
                     {QStringLiteral("230101080000"), "s", 3, 10, 10, 10, 30, 30},
                     {kOneSubject, "s", 3, {}, {}, {}, 75, 75}});
        usePreviewStandIn();
    }
};

} // namespace

class tst_average : public QObject
{
    Q_OBJECT
private slots:
    void bookOfAnExam();
    void headingsOfEverySubject();
    void ranksOfEqualAverages();
    void messagesAndPrinting();
    void oneSubjectExam();
    void printAfterAnotherExamChosen();
    void buildShowsProgressAndLetsEventsRun();
    void opensWideEnoughForNineSubjects();
};

void tst_average::bookOfAnExam()
{
    Fixture f;
    average *w = f.open<average>();
    QCOMPARE(w->windowTitle(), QStringLiteral("平均成绩册--2022学届"));
    QCOMPARE(w->Combo1->itemText(0), QStringLiteral("高一期中"));
    QVERIFY(pick(w->Combo1, 0));
    QCOMPARE(w->Label1[0]->text(), QStringLiteral("高一"));
    QCOMPARE(int(w->bjsum), 3);
    QCOMPARE(int(w->startbj), 3);
    QVERIFY(pressQuery(w));
    QVERIFY(f.services.messages.empty());
    const Grid *g = w->Grid1;
    QCOMPARE(g->FormatString(), QStringLiteral("|^    班   级|^ 语文|^名次|^ 数学|^名次|^ 物理|^名次|^ 总分1|^ 总分2"));
    QCOMPARE(g->Cols(), 10);
    QCOMPARE(g->Rows(), 4);
    QCOMPARE(g->TextMatrix(0, 0), QString());
    QCOMPARE(gridRow(g, 0, 1), QStringList({QStringLiteral("    班   级"), QStringLiteral(" 语文"), QStringLiteral("名次"),
                                        QStringLiteral(" 数学"), QStringLiteral("名次"), QStringLiteral(" 物理"),
                                        QStringLiteral("名次"), QStringLiteral(" 总分1"), QStringLiteral(" 总分2")}));
    // Class 3: 语文 255.5 / 3 = 85.17, shared with class 4, so both are ranked 2; 数学 only the 100
    // counts; 物理 only the 70; total 1 (270 + 180) / 2; total 2 all 0 → 0.
    QCOMPARE(gridRow(g, 1, 1), QStringList({QStringLiteral("高一(3)班"), QStringLiteral("85.17"), QStringLiteral("2"),
                                        QStringLiteral("100"), QStringLiteral("1"), QStringLiteral("70"), QStringLiteral("1"),
                                        QStringLiteral("225"), QStringLiteral("0")}));
    // Class 4: 物理 all absent → no average and no rank; total 2 (100 − 1) / 2.
    QCOMPARE(gridRow(g, 2, 1), QStringList({QStringLiteral("高一(4)班"), QStringLiteral("85.17"), QStringLiteral("2"),
                                        QStringLiteral("90.5"), QStringLiteral("2"), QString(), QString(),
                                        QStringLiteral("250.5"), QStringLiteral("49.5")}));
    // Class 5 has no rows: nothing but 0 totals.
    QCOMPARE(gridRow(g, 3, 1), QStringList({QStringLiteral("高一(5)班"), QString(), QString(), QString(), QString(), QString(),
                                        QString(), QStringLiteral("0"), QStringLiteral("0")}));
    // No class label or average is cut on screen.
    QVERIFY(g->ColWidth(1) > g->textWidthTwips(QStringLiteral("高一(3)班")));
    QVERIFY(g->ColWidth(2) > g->textWidthTwips(QStringLiteral("85.17")));
    QVERIFY(w->ProgressBar1->isHidden());
    QVERIFY(!QApplication::overrideCursor());
    // One progress step per row read (5 rows of the exam).
    QCOMPARE(w->ProgressBar1->Value(), 5);

    // Choosing another exam leaves the report until the next query.
    QVERIFY(pick(w->Combo1, 1));
    QCOMPARE(w->Grid1->Rows(), 4);
    QCOMPARE(w->Grid1->TextMatrix(1, 2), QStringLiteral("85.17"));
}

void tst_average::headingsOfEverySubject()
{
    std::array<quint8, 13> kmno{};
    for (int i = 0; i < 12; ++i)
        kmno[static_cast<size_t>(i)] = static_cast<quint8>(i + 1);
    QCOMPARE(reports::averageFormatString(kmno, 12),
             QStringLiteral("|^    班   级|^ 语文|^名次|^ 数学|^名次|^ 英语|^名次|^思想政治|^名次|^ 物理|^名次|^ 化学|^名次"
                            "|^ 历史|^名次|^ 地理|^名次|^ 生物|^名次|^综合科|^名次|^信息技术|^名次|^通用技术|^名次|^ 总分1|^ 总分2"));
    QCOMPARE(reports::averageFormatString(kmno, 0), QStringLiteral("|^    班   级|^ 总分1|^ 总分2"));
}

void tst_average::ranksOfEqualAverages()
{
    Fixture f;
    // Four classes of one subject: 90, 85, 85 and one without a score → 1, 3, 3, none.
    auto add = [&](int bj, double v) {
        QVERIFY(execSql(f.cohort, QStringLiteral("INSERT INTO stucj(id, stid, bj, ke9) VALUES(?, 's', ?, ?)"), {kOneSubject, bj, v}));
    };
    add(10, 90);
    add(11, 85);
    add(12, 85);
    add(13, -1);
    std::array<quint8, 13> kmno{};
    kmno[0] = 9;
    int rowsRead = 0, classesDone = 0;
    reports::AverageProgress progress;
    progress.row = [&] { ++rowsRead; };
    progress.afterClass = [&] { ++classesDone; };
    reports::AverageBook b = reports::buildAverageBook(f.cohort, kOneSubject, kmno, 1, 10, 4, QStringLiteral("高一"), progress);
    // One progress step per row, events let run once per class.
    QCOMPARE(rowsRead, 4);
    QCOMPARE(classesDone, 4);
    QCOMPARE(b.cols, 6);
    QCOMPARE(b.rows.size(), size_t(4));
    QCOMPARE(b.rows[0][3], QStringLiteral("1"));
    QCOMPARE(b.rows[1][3], QStringLiteral("3"));
    QCOMPARE(b.rows[2][3], QStringLiteral("3"));
    QCOMPARE(b.rows[3][2], QString());
    QCOMPARE(b.rows[3][3], QString());
    // 90, 90, 85 → 2, 2, 3 (no class is ranked 1).
    QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET ke9 = 90 WHERE id = ? AND bj = 11"), {kOneSubject}));
    b = reports::buildAverageBook(f.cohort, kOneSubject, kmno, 1, 10, 3, QStringLiteral("高一"));
    QCOMPARE(b.rows[0][3], QStringLiteral("2"));
    QCOMPARE(b.rows[1][3], QStringLiteral("2"));
    QCOMPARE(b.rows[2][3], QStringLiteral("3"));
    QCOMPARE(b.rows[0][1], QStringLiteral("高一(10)班"));
}

void tst_average::messagesAndPrinting()
{
    Fixture f;
    average *w = f.open<average>();
    // No exam chosen.
    QVERIFY(pressQuery(w));
    QCOMPARE(f.services.messages.size(), size_t(1));
    QCOMPARE(f.services.messages[0].text, QStringLiteral("考试名称未选择！"));
    QCOMPARE(f.services.messages[0].title, kSysTitle);
    QCOMPARE(w->Grid1->Rows(), 1);
    // Nothing to print yet.
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.lastText(), QStringLiteral("当前打印数据为空！"));
    QVERIFY(pick(w->Combo1, 0));
    QVERIFY(pressQuery(w));
    verifyPrintHandsOn(w, f.services, 35, 3);
    windows::destroyAll();

    // A cohort without classes: the query finds nothing to report.
    f.services.clear();
    gCohortYear = QStringLiteral("2024");
    gCohortDbFile = QStringLiteral("db2024.mdb");
    w = f.open<average>();
    QCOMPARE(w->Combo1->count(), 1);
    QVERIFY(pick(w->Combo1, 0));
    QVERIFY(pressQuery(w));
    QCOMPARE(f.services.texts(), QStringList({QStringLiteral("查询相关数据可能为空！")}));
    QCOMPARE(f.services.messages[0].title, kSysTitle);
    QCOMPARE(w->Grid1->Rows(), 1);
}

void tst_average::oneSubjectExam()
{
    Fixture f;
    average *w = f.open<average>();
    QVERIFY(pick(w->Combo1, 1));
    QVERIFY(pressQuery(w));
    // Empty, 班级, 生物, 名次, 总分1, 总分2: printable.
    QCOMPARE(w->Grid1->Cols(), 6);
    QCOMPARE(w->Grid1->TextMatrix(0, 2), QStringLiteral(" 生物"));
    QCOMPARE(gridRow(w->Grid1, 1, 1), QStringList({QStringLiteral("高一(3)班"), QString(), QString(), QStringLiteral("75"),
                                               QStringLiteral("75")}));
    verifyPrintHandsOn(w, f.services, 35, 1);
}

void tst_average::printAfterAnotherExamChosen()
{
    Fixture f;
    average *w = f.open<average>();
    QVERIFY(pick(w->Combo1, 0));
    QVERIFY(pressQuery(w));
    // Another exam chosen: the three-subject report stays on screen, but printed it would stand
    // under the other exam's name with that exam's one subject, so it is refused, saying why
    // rather than calling the full grid empty.
    QVERIFY(pick(w->Combo1, 1));
    QCOMPARE(w->Grid1->Rows(), 4);
    QCOMPARE(w->Grid1->TextMatrix(0, 6), QStringLiteral(" 物理"));
    gReportCode = 0;
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.texts(), QStringList({QStringLiteral("当前表格不是所选考试的统计结果，请先查询！")}));
    QCOMPARE(f.services.messages[0].title, kSysTitle);
    QCOMPARE(gReportCode, qint16(0));
    QVERIFY(!w->isHidden());
    // Choosing the report's exam again makes it printable, with its own subject count.
    QVERIFY(pick(w->Combo1, 0));
    verifyPrintHandsOn(w, f.services, 35, 3);
}

void tst_average::buildShowsProgressAndLetsEventsRun()
{
    Fixture f;
    average *w = f.open<average>();
    QVERIFY(pick(w->Combo1, 0));
    // Inside the query the bar and the hourglass are up, and a second query, a print or a close
    // is refused.
    const BuildWatch seen = queryWatchingTheBuild(w, true);
    verifyWatchedBuild(w, seen);
    // The first class (3) has three rows: one step each before its events ran.
    QCOMPARE(seen.value, 3);
    QVERIFY(f.services.messages.empty());
    QCOMPARE(gReportCode, qint16(0));
    QCOMPARE(w->Grid1->Rows(), 4);
    QCOMPARE(w->Grid1->TextMatrix(2, 4), QStringLiteral("90.5"));
}

void tst_average::opensWideEnoughForNineSubjects()
{
    Fixture f;
    const QString nine = QStringLiteral("240701080000");
    f.addExams({"id", "name", "year", "grade", "kmflag1", "kmflag2", "kmflag3", "kmflag4", "kmflag5", "kmflag6", "kmflag7",
                "kmflag8", "kmflag9"},
               {{nine, QStringLiteral("九科"), QStringLiteral("2022"), 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}});
    f.addStudents({"id", "stid", "bj", "ke1", "ke4", "ke9", "kealla", "keallb"}, {{nine, "s", 3, 99.5, 88.25, 77, 700.5, 650}});
    average *w = f.open<average>();
    // The opening size fits a 1366×768 screen; the book of nine subjects needs no horizontal scroll
    // bar at that size (生物 and both totals in view).
    const QSize opening = w->openingSize();
    QVERIFY2(opening.width() <= 1366 && opening.height() <= 700, qPrintable(QStringLiteral("%1×%2").arg(opening.width()).arg(opening.height())));
    w->resize(opening);
    QVERIFY(pick(w->Combo1, w->Combo1->findText(QStringLiteral("九科"))));
    QVERIFY(pressQuery(w));
    QCOMPARE(w->Grid1->TextMatrix(0, 21), QStringLiteral(" 总分2"));
    QCoreApplication::processEvents();
    QCOMPARE(w->Grid1->horizontalScrollBar()->maximum(), 0);
}

QTEST_MAIN(tst_average)
#include "tst_average.moc"
