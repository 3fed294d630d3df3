// 单科成绩册: the students of a class, the grade or a stream with one subject's score, two to a
// row, and the statistics beside the grid.
#include "reports/dkcj.h"
#include "reports/subjectbook.h"
#include "reporttest.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240601080000");
const QString kFormat = QStringLiteral("|^ 班级|^座号|^   姓 名|^成绩|^   备 注||^ 班级|^座号|^   姓 名|^成绩|^   备 注");

struct Fixture : ReportFixture
{
    // Cohort 2022 with classes 1 and 2. Exam: 语文 (full mark 150), 数学 (100), 物理 (130).
    Fixture()
    {
        useNewCohort(QStringLiteral("2022"), 2);
        addCohort(QStringLiteral("2024"), 0);
        addExams({"id", "name", "year", "grade", "kmflag1", "kmflag2", "kmflag3", "kmflag5", "allfs1", "allfs2", "allfs5"},
                 {{kExam, QStringLiteral("高二期末"), QStringLiteral("2022"), 2, 1, 1, {}, 1, 150, 100, 129.6},
                  {QStringLiteral("240301080000"), QStringLiteral("空考试"), QStringLiteral("2022"), 2, {}, {}, 1, {}, {}, {}, {}},
                  {QStringLiteral("240901080000"), QStringLiteral("新届"), QStringLiteral("2024"), 1, 1, {}, {}, {}, {}, {}, {}}});
        // Inserted out of seat order; the last row is another exam's.
        addStudents({"id", "stid", "name", "bj", "zh", "wlflag", "ke1", "ke2"},
                    {{kExam, "s", QStringLiteral("张三"), 1, 3, 2, 130, 95},
                     {kExam, "s", QStringLiteral("张一"), 1, 1, 2, 59.5, 60},
                     {kExam, "s", QStringLiteral("李二"), 2, 2, 3, 88, -1},
                     {kExam, "s", QStringLiteral("张五"), 1, 5, 2, 0, 70},
                     {kExam, "s", QStringLiteral("张二"), 1, 2, 3, 60, 80},
                     {kExam, "s", QStringLiteral("李一"), 2, 1, 2, -2, -1},
                     {kExam, "s", QStringLiteral("张四"), 1, 4, 3, -1, 100},
                     {QStringLiteral("230101080000"), "s", QStringLiteral("旧"), 1, 6, {}, 99, {}}});
        usePreviewStandIn();
    }
    // Picks exam, subject and class by text and presses 查询.
    static bool query(dkcj *w, int exam, const QString &subject, const QString &selection)
    {
        return (w->Combo1->currentIndex() == exam || pick(w->Combo1, exam))
               && pick(w->Combo2, w->Combo2->findText(subject)) && pick(w->Combo3, w->Combo3->findText(selection))
               && pressQuery(w);
    }
};

QStringList half(const Grid *g, int r, int c)
{
    QStringList out;
    for (int i = 0; i < 5; ++i)
        out << g->TextMatrix(r, c + i);
    return out;
}

QStringList stats(const dkcj *w, int upTo)
{
    QStringList out;
    for (int i = 0; i <= upTo; ++i)
        out << w->Label2[i]->text();
    return out;
}

} // namespace

class tst_dkcj : public QObject
{
    Q_OBJECT
private slots:
    void choosersAndBands();
    void classBook();
    void gradeAndStreams();
    void allAbsentAndEmptyResults();
    void takersAndBands_data();
    void takersAndBands();
    void messagesAndPrinting();
    void largeGradeRunsWithoutYielding();
};

void tst_dkcj::choosersAndBands()
{
    Fixture f;
    dkcj *w = f.open<dkcj>();
    QCOMPARE(w->windowTitle(), QStringLiteral("单科成绩册--2022学届"));
    QCOMPARE(w->Combo2->count(), 0);
    QCOMPARE(w->Combo3->count(), 0);
    QCOMPARE(w->Grid1->FormatString(), kFormat);
    QCOMPARE(w->Label3[7]->text(), QStringLiteral("<60分人数:"));
    QCOMPARE(w->Label3[15]->text(), QStringLiteral(">=130分人数:"));
    QCOMPARE(w->Label1[1]->text(), QStringLiteral("平 均 分:"));
    QCOMPARE(w->Label1[9]->text(), QStringLiteral("作弊人数:"));
    QVERIFY(pick(w->Combo1, 0));
    QCOMPARE(w->Combo2->count(), 3);
    QCOMPARE(w->Combo2->itemText(0), QStringLiteral("语文"));
    QCOMPARE(w->Combo2->itemText(1), QStringLiteral("数学"));
    QCOMPARE(w->Combo2->itemText(2), QStringLiteral("物理"));
    QCOMPARE(w->Combo2->currentIndex(), -1);
    QCOMPARE(w->kmfs[0], 150);
    QCOMPARE(w->kmfs[2], 130);   // 129.6 rounds to a whole full mark
    QCOMPARE(int(w->kmno[2]), 5);

    // 数学, full mark 100: bands < 60 … < 100 shown, the rest hidden; classes listed afresh.
    QVERIFY(pick(w->Combo2, 1));
    QCOMPARE(w->Combo3->count(), 5);
    QCOMPARE(w->Combo3->itemText(0), QStringLiteral("1"));
    QCOMPARE(w->Combo3->itemText(1), QStringLiteral("2"));
    QCOMPARE(w->Combo3->itemText(2), QStringLiteral("年级"));
    QCOMPARE(w->Combo3->itemText(3), QStringLiteral("文科"));
    QCOMPARE(w->Combo3->itemText(4), QStringLiteral("理科"));
    QCOMPARE(w->Combo3->currentIndex(), -1);
    for (int i = 7; i <= 15; ++i) {
        QCOMPARE(w->bandVisible(i), i <= 11);
        QCOMPARE(w->Label3[i]->isHidden(), i > 11);
    }
    // 物理, full mark 130: up to "<130分人数:"; 语文, 150: all nine.
    QVERIFY(pick(w->Combo2, 2));
    for (int i = 7; i <= 15; ++i)
        QCOMPARE(w->bandVisible(i), i <= 14);
    QVERIFY(pick(w->Combo2, 0));
    for (int i = 7; i <= 15; ++i)
        QVERIFY(w->bandVisible(i));
    QVERIFY(reports::bandShown(15, 140));
    QVERIFY(!reports::bandShown(15, 139));
    QVERIFY(!reports::bandShown(7, 0));
}

void tst_dkcj::classBook()
{
    Fixture f;
    dkcj *w = f.open<dkcj>();
    QVERIFY(Fixture::query(w, 0, QStringLiteral("语文"), QStringLiteral("1")));
    QVERIFY(f.services.messages.empty());
    const Grid *g = w->Grid1;
    // Five students by seat: three rows below the heading, the last with a left student only.
    QCOMPARE(g->Rows(), 4);
    QCOMPARE(g->Cols(), 12);
    QCOMPARE(g->TextMatrix(0, 3), QStringLiteral("   姓 名"));
    QCOMPARE(g->TextMatrix(0, 6), QString());
    QCOMPARE(half(g, 1, 1), texts({"1", "1", "张一", "59.5", ""}));
    QCOMPARE(half(g, 1, 7), texts({"1", "2", "张二", "60", ""}));
    QCOMPARE(half(g, 2, 1), texts({"1", "3", "张三", "130", ""}));
    QCOMPARE(half(g, 2, 7), texts({"1", "4", "张四", "0", "缺考"}));
    // A stored 0: the name only, not among the takers.
    QCOMPARE(half(g, 3, 1), texts({"1", "5", "张五", "", ""}));
    QCOMPARE(half(g, 3, 7), texts({"", "", "", "", ""}));
    QCOMPARE(g->TextMatrix(1, 6), QString());
    // Sum 249.5 over 3 takers = 83.17; 59.5 below 60, 60 in 60-70, 130 in ">=130".
    QCOMPARE(stats(w, 6), texts({"83.17", "130", "59.5", "5", "3", "1", "0"}));
    QCOMPARE(stats(w, 15).mid(7), texts({"1", "1", "0", "0", "0", "0", "0", "0", "1"}));
    QVERIFY(w->ProgressBar1->isHidden());
    QCOMPARE(w->ProgressBar1->Value(), 3);   // one step per grid row
    QVERIFY(!QApplication::overrideCursor());

    // Every chooser change empties the grid to its heading row; the statistics stay.
    QVERIFY(pick(w->Combo3, 1));
    QCOMPARE(g->Rows(), 1);
    QCOMPARE(g->TextMatrix(0, 4), QStringLiteral("成绩"));
    QCOMPARE(w->Label2[0]->text(), QStringLiteral("83.17"));
    QVERIFY(pressQuery(w));
    QCOMPARE(g->Rows(), 2);
    QVERIFY(pick(w->Combo2, 1));
    QCOMPARE(g->Rows(), 1);
    QCOMPARE(w->Combo3->currentIndex(), -1);

    // 数学 of class 1 (full mark 100): 100 counts in the last shown band, now "<=100"; the hidden
    // "<110" band's label keeps its old text.
    w->Label2[12]->setText(QStringLiteral("旧"));
    QVERIFY(Fixture::query(w, 0, QStringLiteral("数学"), QStringLiteral("1")));
    QCOMPARE(stats(w, 6), texts({"81", "100", "60", "5", "5", "0", "0"}));
    QCOMPARE(stats(w, 11).mid(7), texts({"0", "1", "1", "1", "2"}));
    QCOMPARE(w->Label3[11]->text(), QStringLiteral("<=100分人数:"));
    QCOMPARE(w->Label2[12]->text(), QStringLiteral("旧"));
    QCOMPARE(w->tj()[12], 0.0);
}

void tst_dkcj::gradeAndStreams()
{
    Fixture f;
    dkcj *w = f.open<dkcj>();
    // The whole grade by class, then seat.
    QVERIFY(Fixture::query(w, 0, QStringLiteral("语文"), QStringLiteral("年级")));
    const Grid *g = w->Grid1;
    QCOMPARE(g->Rows(), 5);
    QCOMPARE(g->TextMatrix(3, 7), QStringLiteral("2"));
    QCOMPARE(half(g, 3, 7), texts({"2", "1", "李一", "0", "作弊"}));
    QCOMPARE(half(g, 4, 1), texts({"2", "2", "李二", "88", ""}));
    // Sum 337.5 over the 4 scores (张五 has none, one absent, one cheating): 84.375 → 84.38.
    QCOMPARE(stats(w, 6), texts({"84.38", "130", "59.5", "7", "4", "1", "1"}));
    QCOMPARE(w->Label2[10]->text(), QStringLiteral("1"));

    // 文科 (wlflag 2): 张一, 张三, 张五, 李一.
    QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("文科"))));
    QVERIFY(pressQuery(w));
    QCOMPARE(g->Rows(), 3);
    QCOMPARE(g->TextMatrix(1, 3), QStringLiteral("张一"));
    QCOMPARE(g->TextMatrix(1, 9), QStringLiteral("张三"));
    QCOMPARE(g->TextMatrix(2, 3), QStringLiteral("张五"));
    QCOMPARE(g->TextMatrix(2, 9), QStringLiteral("李一"));
    QCOMPARE(stats(w, 6), texts({"94.75", "130", "59.5", "4", "2", "0", "1"}));
    // 理科 (wlflag 3): 张二, 张四, 李二.
    QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("理科"))));
    QVERIFY(pressQuery(w));
    QCOMPARE(g->Rows(), 3);
    QCOMPARE(half(g, 1, 1), texts({"1", "2", "张二", "60", ""}));
    QCOMPARE(half(g, 2, 1), texts({"2", "2", "李二", "88", ""}));
    QCOMPARE(stats(w, 6), texts({"74", "88", "60", "3", "2", "1", "0"}));
}

void tst_dkcj::allAbsentAndEmptyResults()
{
    Fixture f;
    dkcj *w = f.open<dkcj>();
    // 数学 of class 2: both absent → takers 0, average 0, no highest or lowest score.
    QVERIFY(Fixture::query(w, 0, QStringLiteral("数学"), QStringLiteral("2")));
    QCOMPARE(w->Grid1->Rows(), 2);
    QCOMPARE(stats(w, 6), texts({"0", "", "", "2", "0", "2", "0"}));
    QCOMPARE(stats(w, 11).mid(7), texts({"0", "0", "0", "0", "0"}));
    // An exam without rows: the grid stays at its heading row and the labels keep their values,
    // without a message.
    QVERIFY(Fixture::query(w, 1, QStringLiteral("英语"), QStringLiteral("1")));
    QVERIFY(f.services.messages.empty());
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Label2[3]->text(), QStringLiteral("2"));
    // A full mark left empty hides every band.
    for (int i = 7; i <= 15; ++i)
        QVERIFY(!w->bandVisible(i));
}

void tst_dkcj::takersAndBands_data()
{
    QTest::addColumn<int>("subject");
    QTest::addColumn<int>("fullMark");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<double>("average");
    QTest::addColumn<QString>("shownBands");   // counts of the bands shown, "<60" first
    QTest::addColumn<QString>("lastCaption");
    // 语文: 59.5, 60, 130, 88; 张五's stored 0, the absent and the cheating are no takers.
    QTest::newRow("grade, no-score student") << 1 << 150 << "年级" << 84.38 << "1 1 0 1 0 0 0 0 1" << ">=130分人数:";
    QTest::newRow("stream") << 1 << 150 << "理科" << 74.0 << "0 1 0 1 0 0 0 0 0" << ">=130分人数:";
    // 数学 of class 1: 95, 60, 70, 80, 100. The full mark counts in the last shown band.
    QTest::newRow("full mark 100") << 2 << 100 << "1" << 81.0 << "0 1 1 1 2" << "<=100分人数:";
    QTest::newRow("full mark 95") << 2 << 95 << "1" << 81.0 << "0 1 1 3" << "<=95分人数:";
    // Only "<60" shown for a full mark of 60 to 69: it holds every score, so it reads "<=" the full mark.
    QTest::newRow("full mark 60") << 2 << 60 << "1" << 81.0 << "5" << "<=60分人数:";
    QTest::newRow("full mark 69") << 2 << 69 << "1" << 81.0 << "5" << "<=69分人数:";
    QTest::newRow("full mark 130") << 2 << 130 << "1" << 81.0 << "0 1 1 1 1 1 0 0" << "<=130分人数:";
    QTest::newRow("all absent") << 2 << 100 << "2" << 0.0 << "0 0 0 0 0" << "<=100分人数:";
}

void tst_dkcj::takersAndBands()
{
    QFETCH(int, subject);
    QFETCH(int, fullMark);
    QFETCH(QString, selection);
    QFETCH(double, average);
    QFETCH(QString, shownBands);
    QFETCH(QString, lastCaption);
    Fixture f;
    const reports::SubjectBook book =
        reports::buildSubjectBook(f.cohort, kExam, subject, fullMark, reports::subjectSelectionFromText(selection));
    QCOMPARE(book.tj[0], average);
    QCOMPARE(book.tj[4], double(book.counted));
    QStringList bands;
    int last = 0;
    double sum = 0;
    for (int b = 7; b <= 15 && reports::bandShown(b, fullMark); ++b) {
        bands << QString::number(book.tj[size_t(b)]);
        sum += book.tj[size_t(b)];
        last = b;
    }
    QCOMPARE(bands.join(QLatin1Char(' ')), shownBands);
    QCOMPARE(sum, book.tj[4]);
    QCOMPARE(reports::bandCaption(last, fullMark), lastCaption);
    if (last > 7)
        QCOMPARE(reports::bandCaption(7, fullMark), QStringLiteral("<60分人数:"));
}

void tst_dkcj::messagesAndPrinting()
{
    Fixture f;
    dkcj *w = f.open<dkcj>();
    // No class chosen (and, before an exam, no class list at all).
    verifyClassAsked(w, f.services);
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.lastText(), QStringLiteral("当前打印数据为空！"));
    QCOMPARE(f.services.messages.back().title, kSysTitle);

    // A class chosen, then another exam: the subject list is empty again.
    QVERIFY(pick(w->Combo1, 0));
    QVERIFY(pick(w->Combo2, 0));
    QVERIFY(pick(w->Combo3, 0));
    QVERIFY(pick(w->Combo1, 1));
    QCOMPARE(w->Combo3->currentIndex(), 0);
    QCOMPARE(w->Combo2->currentIndex(), -1);
    f.services.clear();
    QVERIFY(pressQuery(w));
    QCOMPARE(f.services.texts(), QStringList({QStringLiteral("查询学科未选择！")}));
    QCOMPARE(w->Grid1->Rows(), 1);

    // A book built, then the class chosen again: the grid is back at its heading row and printing
    // is refused.
    f.services.clear();
    QVERIFY(Fixture::query(w, 0, QStringLiteral("语文"), QStringLiteral("2")));
    QCOMPARE(w->Grid1->Rows(), 2);
    QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("1"))));
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.texts(), QStringList({QStringLiteral("当前打印数据为空！")}));
    QCOMPARE(gReportCode, qint16(0));
    QVERIFY(!w->isHidden());

    // Printing a book: report 33; the subject count is left as it was.
    f.services.clear();
    QVERIFY(pressQuery(w));
    gReportSubjectCount = 7;
    QVERIFY(pressPrint(w));
    QVERIFY(f.services.messages.empty());
    QCOMPARE(gReportCode, qint16(33));
    QCOMPARE(gReportSubjectCount, qint16(7));
    QVERIFY(w->isHidden());
    // The hidden window still tells which bands are printed.
    QVERIFY(w->bandVisible(15));
    windows::destroyAll();

    // A cohort without classes: empty class list.
    gCohortYear = QStringLiteral("2024");
    gCohortDbFile = QStringLiteral("db2024.mdb");
    w = f.open<dkcj>();
    QVERIFY(pick(w->Combo1, 0));
    QVERIFY(pick(w->Combo2, 0));
    QCOMPARE(w->Combo3->count(), 0);
}

void tst_dkcj::largeGradeRunsWithoutYielding()
{
    Fixture f;
    // 195 more students in class 2: 202 in the grade, 101 grid rows.
    for (int zh = 10; zh < 205; ++zh)
        QVERIFY(execSql(f.cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, ke1) VALUES(?, 's', 'x', 2, ?, 3, 75)"),
                        {kExam, zh}));
    dkcj *w = f.open<dkcj>();
    // The query runs from start to end without letting waiting events run.
    bool fired = false;
    QTimer::singleShot(0, w, [&] { fired = true; });
    QVERIFY(Fixture::query(w, 0, QStringLiteral("语文"), QStringLiteral("年级")));
    QVERIFY(!fired);
    QCOMPARE(w->Grid1->Rows(), 102);
    QCOMPARE(w->Label2[3]->text(), QStringLiteral("202"));
    // One step per grid row: 1 … 100, then 1 again for row 101.
    QCOMPARE(w->ProgressBar1->Value(), 1);
    QVERIFY(w->ProgressBar1->isHidden());
    QTRY_VERIFY(fired);
}

QTEST_MAIN(tst_dkcj)
#include "tst_dkcj.moc"
