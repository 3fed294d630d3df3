// The score rules shared by every report and the frame of the report windows.
#include "reporttest.h"
#include "reports/studentrows.h"

using namespace quorvane;
using namespace quorvane::reports;
using namespace quorvane::test;

namespace {

const QString kExamA = QStringLiteral("240601080000");
const QString kExamB = QStringLiteral("240301080000");

// The smallest report window: a query fills a fixed grid of the asked size.
class TestReport : public ReportWindow
{
public:
    TestReport() : ReportWindow(Kind{QStringLiteral("average"), QStringLiteral("测试报表--"), 35, true, true, true}) {}
    int rows = 2;
    int cols = 6;
    void Combo1_Click() override { form_1(); }
    using ReportWindow::clearGrid;
    using ReportWindow::m_dbs;

protected:
    void Query() override
    {
        BuildScope busy(this);
        building = isBuilding();
        barShown = ProgressBar1 && !ProgressBar1->isHidden();
        Grid1->setCols(cols);
        Grid1->setRows(rows);
        for (int c = 0; c < cols; ++c)
            Grid1->setTextMatrix(0, c, QStringLiteral("h%1").arg(c));
    }

public:
    bool building = false;
    bool barShown = false;
};

// Cohort 2022 (classes 4..6) with exams A and B, cohort 2023 with one exam; the test report
// stands in for the window named "average".
struct Fixture : ReportFixture
{
    Fixture()
    {
        addCohort(QStringLiteral("2022"), 3, 4);
        addCohort(QStringLiteral("2023"), 5, 1);
        openDatabases(QString());
        // Exam A (newer, grade 2): subjects 1, 2, 3 and 5; exam B (older, grade 7): subject 12 only.
        addExams({"id", "name", "year", "grade", "kmflag1", "kmflag2", "kmflag3", "kmflag4", "kmflag5", "allfs1", "allfs5", "kmflag12"},
                 {{kExamA, QStringLiteral("期中"), QStringLiteral("2022"), 2, 1, 1, 1, 0, 1, 150, 100, {}},
                  {kExamB, QStringLiteral("月考"), QStringLiteral("2022"), 7, {}, {}, {}, {}, {}, {}, {}, 1},
                  {QStringLiteral("240901080000"), QStringLiteral("别届"), QStringLiteral("2023"), 1, 1, {}, {}, {}, {}, {}, {}, {}}});
        // The window opens its own connections.
        closeDatabase(system);
        useCohort(QStringLiteral("2022"), QStringLiteral("db2022.mdb"));
        windows::registerFactory(QStringLiteral("average"), [] { return new TestReport; });
        usePreviewStandIn();
    }
    TestReport *open() { return ReportFixture::open<TestReport>(QStringLiteral("average")); }
};

} // namespace

class tst_reportframe : public QObject
{
    Q_OBJECT
private slots:
    void storedValues();
    void roundingAndNumberText();
    void listTexts_data();
    void listTexts();
    void averagesAndRates();
    void standardDeviation();
    void outbzcReadsTheChosenRows();
    void examSubjects();
    void progressCounterWraps();
    void windowLoadsItsCohort();
    void printButton();
    void missingDatabaseEndsProgram();
};

void tst_reportframe::storedValues()
{
    const QVariant null;
    QVERIFY(!isPresent(null));
    QVERIFY(!isPresent(0.0));
    QVERIFY(isPresent(-1));
    QVERIFY(isPresent(85.5));
    QVERIFY(!scoreCounts(null));
    QVERIFY(!scoreCounts(0));
    QVERIFY(!scoreCounts(-1));
    QVERIFY(!scoreCounts(-2));
    QVERIFY(!scoreCounts(-3.5));
    QVERIFY(scoreCounts(0.5));
    QVERIFY(scoreCounts(150));
    QCOMPARE(scoreText(null), QString());
    QCOMPARE(scoreText(0.0), QString());
    QCOMPARE(scoreText(-1.0), QStringLiteral("缺考"));
    QCOMPARE(scoreText(-2), QStringLiteral("作弊"));
    QCOMPARE(scoreText(85.5), QStringLiteral("85.5"));
    QCOMPARE(scoreText(90.0), QStringLiteral("90"));
    QCOMPARE(presentText(null), QString());
    QCOMPARE(presentText(0), QString());
    QCOMPARE(presentText(3.0), QStringLiteral("3"));

    ScoreTally t;
    QVERIFY(!t.add(null));
    QVERIFY(!t.add(-1));
    QVERIFY(!t.add(0));
    QVERIFY(t.add(70));
    QVERIFY(t.add(95.5));
    QVERIFY(t.add(60));
    QCOMPARE(t.count, 3);
    QCOMPARE(t.min, 60.0);
    QCOMPARE(t.max, 95.5);
    QCOMPARE(*t.mean(), 75.17);
    QVERIFY(!ScoreTally().mean());
}

void tst_reportframe::roundingAndNumberText()
{
    QCOMPARE(round2(84.125), 84.12);
    QCOMPARE(round2(84.375), 84.38);
    QCOMPARE(round2(0.125), 0.12);
    QCOMPARE(round2(0.375), 0.38);
    QCOMPARE(round2(78.3333333), 78.33);
    QCOMPARE(round2(62.375), 62.38);
    QCOMPARE(roundEven(2.5), 2LL);
    QCOMPARE(roundEven(3.5), 4LL);
    QCOMPARE(roundEven(149.6), 150LL);
    QCOMPARE(numberText(85.5), QStringLiteral("85.5"));
    QCOMPARE(numberText(90.0), QStringLiteral("90"));
    QCOMPARE(numberText(round2(235.0 / 3)), QStringLiteral("78.33"));
    QCOMPARE(numberText(1234567.0), QStringLiteral("1234567"));
    QCOMPARE(numberText(-0.0), QStringLiteral("0"));
    QCOMPARE(numberText(-3.0), QStringLiteral("-3"));
}

void tst_reportframe::listTexts_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("present");
    QTest::newRow("null") << QVariant() << QString() << QString() << QString();
    QTest::newRow("zero") << QVariant(0) << QStringLiteral("0") << QString() << QString();
    QTest::newRow("absent") << QVariant(-1.0) << QStringLiteral("-1") << QStringLiteral("缺考") << QStringLiteral("-1");
    QTest::newRow("cheating") << QVariant(qlonglong(-2)) << QStringLiteral("-2") << QStringLiteral("作弊") << QStringLiteral("-2");
    QTest::newRow("whole") << QVariant(90) << QStringLiteral("90") << QStringLiteral("90") << QStringLiteral("90");
    QTest::newRow("half") << QVariant(85.5) << QStringLiteral("85.5") << QStringLiteral("85.5") << QStringLiteral("85.5");
    QTest::newRow("text") << QVariant(QStringLiteral("张三")) << QStringLiteral("张三") << QString() << QString();
}

// A list's texts follow each rule, also when the same number comes again (then as one shared string).
void tst_reportframe::listTexts()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, value);
    QFETCH(QString, score);
    QFETCH(QString, present);
    ListTexts texts;
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(texts.value(stored), value);
        QCOMPARE(texts.score(stored), score);
        QCOMPARE(texts.present(stored), present);
    }
    const QString first = texts.score(stored);
    QVERIFY(first.isEmpty() || first.constData() == texts.score(stored).constData());
    // A stored whole number reads the same whether SQLite hands it over as an integer or a real.
    if (stored.typeId() == QMetaType::Int)
        QCOMPARE(texts.score(stored.toDouble()), score);
}

void tst_reportframe::averagesAndRates()
{
    QVERIFY(!average(0, 0));
    QCOMPARE(*average(170, 2), 85.0);
    QCOMPARE(*average(673, 8), 84.12); // 84.125
    QCOMPARE(*average(675, 8), 84.38); // 84.375
    QVERIFY(!ratePercent(0, 0));
    QCOMPARE(*ratePercent(1, 3), 33.33);
    QCOMPARE(*ratePercent(2, 3), 66.67);
    QCOMPARE(*ratePercent(3, 3), 100.0);
    QCOMPARE(*ratePercent(0, 4), 0.0);
    // 优良 from 0.8, 及格 from 0.6 of the full mark, bounds included.
    QVERIFY(isGood(120, 150));
    QVERIFY(!isGood(119.5, 150));
    QVERIFY(isPass(90, 150));
    QVERIFY(!isPass(89.5, 150));
    QVERIFY(isPass(60, 100));
}

void tst_reportframe::standardDeviation()
{
    QCOMPARE(sampleStdDev({80, 90, 100}, 90, 3), 10.0);
    QCOMPARE(sampleStdDev({80, 90}, 85, 2), 7.07);     // √50
    QCOMPARE(sampleStdDev({85}, 85, 1), 0.0);          // one score equal to the mean
    QCOMPARE(sampleStdDev({88}, 85, 1), 3.0);          // one score: divided by 1
    QCOMPARE(sampleStdDev({70, 70, 70}, 70, 3), 0.0);
    QCOMPARE(sampleStdDev({}, 0, 0), 0.0);             // nothing counted: no division by zero
}

void tst_reportframe::outbzcReadsTheChosenRows()
{
    Fixture f;
    f.openDatabases(QStringLiteral("db2022.mdb"));
    f.addStudents({"id", "stid", "bj", "wlflag", "ke2"},
                  {{kExamA, "x", 4, 2, 80},
                   {kExamA, "x", 4, 3, 100},
                   {kExamA, "x", 4, 2, -1},      // absent: no part
                   {kExamA, "x", 4, 2, {}},      // not entered
                   {kExamA, "x", 4, 2, 0},       // no score
                   {kExamA, "x", 5, 2, 60},
                   {kExamB, "x", 4, 2, 10}});    // another exam
    const QSqlDatabase &coh = f.cohort;
    int steps = 0;
    auto step = [&] { ++steps; };
    // Class 4: 80 and 100, mean 90, count 2 → √200 = 14.14; one step per row read.
    QCOMPARE(outbzc(coh, kExamA, 2, RowFilter{4, std::nullopt}, 90, 2, step), 14.14);
    QCOMPARE(steps, 5);
    // The whole exam: 80, 100, 60, mean 80 → 20.
    QCOMPARE(outbzc(coh, kExamA, 2, RowFilter{0, std::nullopt}, 80, 3), 20.0);
    // Class 4 limited to arts: only 80 → 0.
    QCOMPARE(outbzc(coh, kExamA, 2, RowFilter{4, 2}, 80, 1), 0.0);
    // A class without a counted score.
    QCOMPARE(outbzc(coh, kExamA, 2, RowFilter{6, std::nullopt}, 0, 0), 0.0);
    // A subject number outside 1..12 reads nothing.
    QCOMPARE(outbzc(coh, kExamA, 13, RowFilter{}, 0, 1), 0.0);
}

void tst_reportframe::examSubjects()
{
    Fixture f;
    f.openDatabases(QString());
    const QSqlDatabase &sys = f.system;
    ExamSubjects a = readExamSubjects(sys, QStringLiteral("2022"), kExamA);
    QVERIFY(a.found);
    QCOMPARE(a.njname, QStringLiteral("高二"));
    QCOMPARE(int(a.kmsum), 4);
    QCOMPARE(int(a.kmno[0]), 1);
    QCOMPARE(int(a.kmno[1]), 2);
    QCOMPARE(int(a.kmno[2]), 3);
    QCOMPARE(int(a.kmno[3]), 5);   // kmflag4 = 0 takes no position
    QCOMPARE(int(a.kmno[4]), 0);
    QCOMPARE(a.allfs.value(0).toDouble(), 150.0);
    QVERIFY(a.allfs.value(1).isNull());
    ExamSubjects b = readExamSubjects(sys, QStringLiteral("2022"), kExamB);
    QCOMPARE(b.njname, QStringLiteral("7"));   // an unknown grade stays as stored
    QCOMPARE(int(b.kmsum), 1);
    QCOMPARE(int(b.kmno[0]), 12);
    // The exam of another cohort and an unknown id are not found.
    QVERIFY(!readExamSubjects(sys, QStringLiteral("2022"), QStringLiteral("240901080000")).found);
    ExamSubjects none = readExamSubjects(sys, QStringLiteral("2022"), QStringLiteral("x' OR '1'='1"));
    QVERIFY(!none.found);
    QCOMPARE(int(none.kmsum), 0);
    QCOMPARE(gradeName(1), QStringLiteral("高一"));
    QCOMPARE(gradeName(3.0), QStringLiteral("高三"));
    QCOMPARE(classLabel(QStringLiteral("高一"), 3), QStringLiteral("高一(3)班"));
}

void tst_reportframe::progressCounterWraps()
{
    ProgressCounter c;
    QCOMPARE(c.next(), 1);
    for (int i = 2; i <= 100; ++i)
        c.next();
    QCOMPARE(c.next(), 1);
    QCOMPARE(c.next(), 2);
}

void tst_reportframe::windowLoadsItsCohort()
{
    Fixture f;
    TestReport *w = f.open();
    QVERIFY(w && w->isLoaded());
    QCOMPARE(w->windowTitle(), QStringLiteral("测试报表--2022学届"));
    QCOMPARE(w->Label1[8]->text(), QStringLiteral("考试名称:"));
    QCOMPARE(w->VsNetBut1[0]->text(), QStringLiteral("退出 "));
    QCOMPARE(w->VsNetBut1[1]->text(), QStringLiteral("打印 "));
    QCOMPARE(w->VsNetBut1[2]->text(), QStringLiteral("查询"));
    QVERIFY(w->ProgressBar1 && w->ProgressBar1->isHidden());
    // Exams of the cohort only, newest first; no exam chosen.
    QCOMPARE(w->Combo1->count(), 2);
    QCOMPARE(w->Combo1->itemText(0), QStringLiteral("期中"));
    QCOMPARE(w->Combo1->itemText(1), QStringLiteral("月考"));
    QCOMPARE(w->Combo1->currentIndex(), -1);
    QCOMPARE(w->chosenExamId(), QString());
    QCOMPARE(w->ksid.value(1), kExamB);

    // Another cohort chosen elsewhere does not change what the open window reads.
    gCohortYear = QStringLiteral("2023");
    QVERIFY(pick(w->Combo1, 1));
    QCOMPARE(w->chosenExamId(), kExamB);
    QCOMPARE(int(w->kmsum), 1);
    QCOMPARE(w->njname, QStringLiteral("7"));
    QCOMPARE(w->cohortYear(), QStringLiteral("2022"));
    w->Show();
    QCOMPARE(w->windowTitle(), QStringLiteral("测试报表--2022学届"));

    // A build shows the bar and the hourglass only while it runs.
    QVERIFY(pressQuery(w));
    QVERIFY(w->building);
    QVERIFY(w->barShown);
    QVERIFY(!w->isBuilding());
    QVERIFY(w->ProgressBar1->isHidden());
    QVERIFY(!QApplication::overrideCursor());

    // Closing unloads the window and closes both connections.
    QVERIFY(pressClose(w));
    QVERIFY(!w->isLoaded());
    QVERIFY(!isDatabaseOpen(f.data.cohortPath(QStringLiteral("db2022.mdb"))));
    QVERIFY(!isDatabaseOpen(f.data.systemPath()));
}

void tst_reportframe::printButton()
{
    Fixture f;
    TestReport *w = f.open();
    QVERIFY(pick(w->Combo1, 0));
    // Nothing built yet.
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.messages.size(), size_t(1));
    QCOMPARE(f.services.messages[0].text, QStringLiteral("当前打印数据为空！"));
    QCOMPARE(f.services.messages[0].title, kSysTitle);
    QCOMPARE(f.services.messages[0].icon, MsgIcon::Exclamation);
    QCOMPARE(gReportCode, qint16(0));
    // Five columns are not enough.
    w->cols = 5;
    QVERIFY(pressQuery(w));
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.messages.size(), size_t(2));
    // A cleared grid has its heading row only.
    w->cols = 6;
    QVERIFY(pressQuery(w));
    w->clearGrid();
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Grid1->Cols(), 6);
    QCOMPARE(w->Grid1->TextMatrix(0, 1), QString());
    QVERIFY(pressPrint(w));
    QCOMPARE(f.services.messages.size(), size_t(3));
    QVERIFY(!windows::find(QStringLiteral("printsform")));

    QVERIFY(pressQuery(w));
    verifyPrintHandsOn(w, f.services, 35, 4);
}

void tst_reportframe::missingDatabaseEndsProgram()
{
    Fixture f;
    gCohortDbFile = QStringLiteral("gone.mdb");
    bool ended = false;
    try {
        f.open();
    } catch (const ProgramEnded &) {
        ended = true;
    }
    QVERIFY(ended);
    QCOMPARE(f.services.lastText(), QStringLiteral("库文件gone.mdb不存在!"));
    QCOMPARE(f.services.messages.back().title, QStringLiteral("警告:"));
}

QTEST_MAIN(tst_reportframe)
#include "tst_reportframe.moc"
