// The score labels (成绩标签).
#include "controls/grid/grid.h"
#include "reports/cjbq.h"
#include "reports/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kExam = QStringLiteral("240601080000");     // 期末考试: 语文, 数学, 物理
const QString kNoSubjects = QStringLiteral("240301080000"); // 期中考试: no subject
const QString kTitle = QStringLiteral("系统提示：");

// A stand-in for the print preview: records that it was shown.
class PreviewStandIn : public Window
{
public:
    PreviewStandIn() : Window(QStringLiteral("printsform")) {}
    int loads = 0;

protected:
    void createControls(QWidget *) override {}
    void Form_Load() override { ++loads; }
};

// Cohort 2024 (classes 1..3) with two exams; cohort 2025 with one exam.
struct Fixture
{
    TempData data;
    ScriptedServices &services = installScripted();
    QSqlDatabase cohort;
    QSqlDatabase system;

    Fixture()
    {
        data.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"), 3, 1);
        data.addCohort(QStringLiteral("2025"), QStringLiteral("db2025"), 2, 1);
        openDatabase(data.cohortPath(QStringLiteral("db2024.mdb")), DbKind::Cohort, QStringLiteral("t-cohort"), &cohort);
        openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-system"), &system);
        execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year, grade) VALUES(?,?,?,1)"),
                {kNoSubjects, QStringLiteral("期中考试"), QStringLiteral("2024")});
        execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year, grade, kmflag1, kmflag2, kmflag5, kmflag7) "
                                       "VALUES(?,?,?,1,1,1,1,0)"),
                {kExam, QStringLiteral("期末考试"), QStringLiteral("2024")});
        execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year, grade, kmflag1) VALUES(?,?,?,1,1)"),
                {QStringLiteral("250301080000"), QStringLiteral("入学考试"), QStringLiteral("2025")});

        // Class 1 written out of seat order; class 2 one student; class 3 none.
        add({{"stid", "s101"}, {"name", "张三"}, {"bj", 1}, {"zh", 2}, {"wlflag", 3},
             {"ke1", 85.5}, {"ke2", 90}, {"ke5", -2}, {"kealla", 175.5}, {"keallb", 265.5},
             {"dkbjno1", 2}, {"dktlno1", 3}, {"dknjno1", 4}, {"dkbjno2", 1}, {"dktlno2", 1}, {"dknjno2", 1},
             {"dkbjno5", 9}, {"zfbjnoa", 1}, {"zftlnoa", 1}, {"zfnjnoa", 1}, {"zfbjnob", 1}, {"zftlnob", 1}, {"zfnjnob", 1}});
        add({{"stid", "s103"}, {"name", "王五"}, {"bj", 1}, {"zh", 1}, {"wlflag", 2},
             {"ke1", -1}, {"ke2", 88}, {"ke5", 0}, {"keallb", 88},
             {"dkbjno1", 3}, {"dkbjno2", 2}, {"dktlno2", 0}, {"dknjno2", 2}, {"dkbjno5", 3}, {"dktlno5", 3}, {"dknjno5", 3},
             {"zfbjnoa", 3}, {"zftlnoa", 2}, {"zfnjnoa", 0}, {"zfbjnob", 2}, {"zftlnob", 2}, {"zfnjnob", 3}});
        add({{"stid", "s102"}, {"name", "李四"}, {"bj", 1}, {"zh", 3}, {"wlflag", 2},
             {"ke1", 92}, {"ke5", 77}, {"kealla", 169}, {"keallb", 169},
             {"dkbjno1", 1}, {"dktlno1", 1}, {"dknjno1", 1}, {"dkbjno2", 5}, {"dkbjno5", 1}, {"dktlno5", 1}, {"dknjno5", 2},
             {"zfbjnoa", 2}, {"zftlnoa", 1}, {"zfnjnoa", 3}, {"zfbjnob", 3}, {"zftlnob", 1}, {"zfnjnob", 2}});
        add({{"stid", "s201"}, {"name", "赵六"}, {"bj", 2}, {"zh", 1}, {"wlflag", 3},
             {"ke1", 70}, {"ke2", 60}, {"ke5", 50.25}, {"kealla", 180.25}, {"keallb", 180.25},
             {"zfbjnoa", 1}, {"zftlnoa", 2}, {"zfnjnoa", 2}, {"zfbjnob", 1}, {"zftlnob", 2}, {"zfnjnob", 4}});
        // A student of another exam in class 1 never shows.
        execSql(cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, ke1) VALUES(?,?,?,?,?,?)"),
                {kNoSubjects, QStringLiteral("s999"), QStringLiteral("外人"), 1, 4, 50});

        gCohortYear = QStringLiteral("2024");
        gCohortDbFile = QStringLiteral("db2024.mdb");
    }
    ~Fixture()
    {
        windows::destroyAll();
        closeDatabase(cohort);
        closeDatabase(system);
    }
    void add(std::initializer_list<std::pair<const char *, QVariant>> values)
    {
        QStringList cols{QStringLiteral("id")};
        QStringList marks{QStringLiteral("?")};
        QVariantList binds{kExam};
        for (const auto &v : values) {
            cols << QString::fromLatin1(v.first);
            marks << QStringLiteral("?");
            binds << v.second;
        }
        execSql(cohort, QStringLiteral("INSERT INTO stucj(%1) VALUES(%2)").arg(cols.join(','), marks.join(',')), binds);
    }
    cjbq *open()
    {
        auto *w = windows::get<cjbq>(QStringLiteral("cjbq"));
        w->Load();
        return w;
    }
};

QStringList gridRow(const Grid *g, int r)
{
    QStringList cells;
    for (int c = 0; c < g->Cols(); ++c)
        cells << g->TextMatrix(r, c);
    return cells;
}

QStringList L(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *t : texts)
        list << QString::fromUtf8(t);
    return list;
}

// Chooses the exam with the given name and the class chooser entry with the given text.
// Choosing the entry already shown clicks it again, as a user's pick does.
void choose(cjbq *w, const QString &exam, const QString &selection)
{
    const int e = w->Combo1->findText(exam);
    if (w->Combo1->currentIndex() == e)
        w->Combo1_Click();
    else
        w->Combo1->setCurrentIndex(e);
    if (!selection.isEmpty())
        w->Combo3->setCurrentIndex(w->Combo3->findText(selection));
}

void tick(cjbq *w, std::initializer_list<int> boxes)
{
    for (int i : {0, 2, 3, 4})
        w->Check1[i]->setChecked(false);
    for (int i : boxes)
        w->Check1[i]->setChecked(true);
}

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
        const QStringList boxes = L({"总分成绩", "", "班级名次(A)", "同类班级名次(B)", "年级名次(C)"});
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
        choose(w, QStringLiteral("期末考试"), QString());
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
            tick(w, {box});
            f.services.clear();
            w->VsNetBut1_Click(2);
            QCOMPARE(f.services.texts(), QStringList{QStringLiteral("“总分成绩未选中！")});
            QCOMPARE(w->Grid1->Rows(), 1);
        }

        // An exam without subjects.
        tick(w, {});
        w->VsNetBut1_Click(2);
        QCOMPARE(w->Grid1->Rows(), 4);
        choose(w, QStringLiteral("期中考试"), QStringLiteral("1"));
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
        choose(w, QStringLiteral("期末考试"), QStringLiteral("1"));
        w->VsNetBut1_Click(2);
        QVERIFY(f.services.messages.empty());
        const Grid *g = w->Grid1;
        QCOMPARE(g->FormatString(), QStringLiteral("|^    学   号|^   姓 名|^座号|^语文|^数学|^物理"));
        QCOMPARE(g->Cols(), 7);
        QCOMPARE(g->Rows(), 4);
        QCOMPARE(gridRow(g, 0), L({"", "    学   号", "   姓 名", "座号", "语文", "数学", "物理"}));
        QCOMPARE(gridRow(g, 1), L({"", "s103", "王五", "1", "缺考", "88", ""}));
        QCOMPARE(gridRow(g, 2), L({"", "s101", "张三", "2", "85.5", "90", "作弊"}));
        QCOMPARE(gridRow(g, 3), L({"", "s102", "李四", "3", "92", "", "77"}));
        QCOMPARE(w->Label1[3]->text(), QStringLiteral("3人"));

        // Another class.
        w->Combo3->setCurrentIndex(1);
        w->VsNetBut1_Click(2);
        QCOMPARE(g->Rows(), 2);
        QCOMPARE(gridRow(g, 1), L({"", "s201", "赵六", "1", "70", "60", "50.25"}));
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
        choose(w, QStringLiteral("期末考试"), QStringLiteral("1"));
        const Grid *g = w->Grid1;

        tick(w, {0});
        w->VsNetBut1_Click(2);
        QCOMPARE(gridRow(g, 0).mid(4), L({"语文", "数学", "物理", "总分1", "总分2"}));
        QCOMPARE(gridRow(g, 1).mid(7), L({"", "88"}));
        QCOMPARE(gridRow(g, 2).mid(7), L({"175.5", "265.5"}));

        tick(w, {0, 2, 3, 4});
        w->VsNetBut1_Click(2);
        QCOMPARE(g->Cols(), 15);
        QCOMPARE(gridRow(g, 0).mid(7), L({"总分1", "班名", "类名", "年名", "总分2", "班名", "类名", "年名"}));
        // No total 1 but its ranks; a stored 0 rank stays empty in its place.
        QCOMPARE(gridRow(g, 1).mid(7), L({"", "3", "2", "", "88", "2", "2", "3"}));
        QCOMPARE(gridRow(g, 3).mid(7), L({"169", "2", "1", "3", "169", "3", "1", "2"}));

        // Stream rank only: a missing stream rank leaves its cell empty and 总分2 keeps its column.
        execSql(f.cohort, QStringLiteral("UPDATE stucj SET zftlnoa = NULL WHERE stid = 's102'"));
        tick(w, {0, 3});
        w->VsNetBut1_Click(2);
        QCOMPARE(gridRow(g, 0).mid(7), L({"总分1", "类名", "总分2", "类名"}));
        QCOMPARE(gridRow(g, 3).mid(7), L({"169", "", "169", "1"}));
        QCOMPARE(gridRow(g, 2).mid(7), L({"175.5", "1", "265.5", "1"}));
    }

    void changesEmptyTheLabelsAndPrintHandsThemOn()
    {
        Fixture f;
        cjbq *w = f.open();
        w->show();
        choose(w, QStringLiteral("期末考试"), QStringLiteral("1"));
        const Grid *g = w->Grid1;
        auto query = [w, g] {
            w->VsNetBut1_Click(2);
            QCOMPARE(g->Rows(), 4);
        };
        auto printRefused = [&] {
            QCOMPARE(g->Rows(), 1);
            QCOMPARE(g->TextMatrix(0, 1), QString());
            f.services.clear();
            w->VsNetBut1_Click(1);
            QCOMPARE(f.services.texts(), QStringList{QStringLiteral("当前打印数据为空！")});
            QCOMPARE(f.services.messages[0].title, kTitle);
            QVERIFY(w->isVisible());
        };
        query();
        w->Combo3->setCurrentIndex(1);
        printRefused();
        w->Combo3->setCurrentIndex(0);
        query();
        w->Check1[0]->setChecked(true);
        printRefused();
        query();
        choose(w, QStringLiteral("期末考试"), QString());
        QCOMPARE(w->Combo3->currentIndex(), -1);
        printRefused();

        windows::registerFactory(QStringLiteral("printsform"), [] { return new PreviewStandIn; });
        w->Combo3->setCurrentIndex(0);
        query();
        gReportCode = 0;
        gReportSubjectCount = 0;
        f.services.clear();
        w->VsNetBut1_Click(1);
        QVERIFY(f.services.messages.empty());
        QVERIFY(!w->isVisible());
        QVERIFY(w->isLoaded());
        QCOMPARE(gReportCode, qint16(38));
        QCOMPARE(gReportSubjectCount, qint16(3));
        auto *preview = static_cast<PreviewStandIn *>(windows::find(QStringLiteral("printsform")));
        QVERIFY(preview && preview->loads == 1);
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("期末考试"));
        QCOMPARE(g->Cols(), 9);
        QCOMPARE(g->TextMatrix(2, 7), QStringLiteral("175.5"));

        w->VsNetBut1_Click(0);
        QVERIFY(!w->isLoaded());
    }
};

QTEST_MAIN(CjbqTest)
#include "tst_cjbq.moc"
