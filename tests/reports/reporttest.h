// What the report window tests share: a fresh data folder with the cohort and system databases open,
// a stand-in for the print preview, opening a report window, and reading grid rows.
#pragma once

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "reports/reportframe.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/window.h"
#include "testsupport.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QStringList>
#include <QTimer>
#include <QtTest>

#include <initializer_list>
#include <memory>

namespace quorvane::test {

// A stand-in for the print preview: records how often it was shown.
class PreviewStandIn : public Window
{
public:
    PreviewStandIn() : Window(QStringLiteral("printsform")) {}
    int loads = 0;

protected:
    void createControls(QWidget *) override {}
    void Form_Load() override { ++loads; }
};

// A fresh data folder and scripted services; the derived fixture adds its cohorts, then calls
// openDatabases() and useCohort(). At the end the windows are destroyed, the databases closed and
// the globals cleared.
struct ReportFixture
{
    TempData data;
    ScriptedServices &services = installScripted();
    QSqlDatabase cohort;
    QSqlDatabase system;

    ReportFixture() = default;
    ReportFixture(const ReportFixture &) = delete;
    ReportFixture &operator=(const ReportFixture &) = delete;
    ~ReportFixture()
    {
        windows::destroyAll();
        closeDatabase(cohort);
        closeDatabase(system);
        resetGlobals();
    }

    // Opens the cohort database file (e.g. "db2024.mdb") and the system database.
    void openDatabases(const QString &cohortFile)
    {
        openDatabase(data.cohortPath(cohortFile), DbKind::Cohort, QStringLiteral("t-cohort"), &cohort);
        openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-system"), &system);
    }

    // Makes the cohort the current one, as choosing it in the main window does.
    static void useCohort(const QString &year, const QString &cohortFile)
    {
        gCohortYear = year;
        gCohortDbFile = cohortFile;
    }

    // Gets the window of the given name and loads it.
    template <class W>
    static W *open(const QString &name)
    {
        auto *w = windows::get<W>(name);
        w->Load();
        return w;
    }
};

// The score book exam shared by the score label and score book tests.
inline const QString kScoreBookExam = QStringLiteral("240601080000");       // 期末考试: 语文, 数学, 物理
inline const QString kScoreBookNoSubjects = QStringLiteral("240301080000"); // 期中考试: no subject

// Cohort 2024 (classes 1..3) with two exams; cohort 2025 with one exam.
struct ScoreBookFixture : ReportFixture
{
    ScoreBookFixture()
    {
        data.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"), 3, 1);
        data.addCohort(QStringLiteral("2025"), QStringLiteral("db2025"), 2, 1);
        openDatabases(QStringLiteral("db2024.mdb"));
        execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year, grade) VALUES(?,?,?,1)"),
                {kScoreBookNoSubjects, QStringLiteral("期中考试"), QStringLiteral("2024")});
        execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year, grade, kmflag1, kmflag2, kmflag5, kmflag7) "
                                       "VALUES(?,?,?,1,1,1,1,0)"),
                {kScoreBookExam, QStringLiteral("期末考试"), QStringLiteral("2024")});
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
                {kScoreBookNoSubjects, QStringLiteral("s999"), QStringLiteral("外人"), 1, 4, 50});

        useCohort(QStringLiteral("2024"), QStringLiteral("db2024.mdb"));
    }
    // Adds a student row of the exam with the given columns.
    void add(std::initializer_list<std::pair<const char *, QVariant>> values)
    {
        QStringList cols{QStringLiteral("id")};
        QStringList marks{QStringLiteral("?")};
        QVariantList binds{kScoreBookExam};
        for (const auto &v : values) {
            cols << QString::fromLatin1(v.first);
            marks << QStringLiteral("?");
            binds << v.second;
        }
        execSql(cohort, QStringLiteral("INSERT INTO stucj(%1) VALUES(%2)").arg(cols.join(','), marks.join(',')), binds);
    }
};

// Chooses the exam with the given name in Combo1 and, unless selection is empty, the entry with
// that text in the class chooser Combo3. Choosing the exam already shown clicks it again, as a
// user's pick does.
template <class W>
void chooseExamAndClass(W *w, const QString &exam, const QString &selection)
{
    const int e = w->Combo1->findText(exam);
    if (w->Combo1->currentIndex() == e)
        w->Combo1_Click();
    else
        w->Combo1->setCurrentIndex(e);
    if (!selection.isEmpty())
        w->Combo3->setCurrentIndex(w->Combo3->findText(selection));
}

// Ticks exactly the given display boxes of Check1 (a window's missing elements are nullptr).
template <class W>
void tickBoxes(W *w, std::initializer_list<int> boxes)
{
    for (auto *box : w->Check1)
        if (box)
            box->setChecked(false);
    for (int i : boxes)
        w->Check1[size_t(i)]->setChecked(true);
}

// What a report window showed while building: a timer posted before the query fires inside it
// (the build lets events run) and records the bar, the hourglass and the bar's value, then
// presses 查询 again and 退出 (with alsoPrintAndClose also 打印 and close()), which the window
// must refuse while it builds.
struct BuildWatch
{
    bool fired = false;
    bool barShown = false;
    bool hourglass = false;
    bool loadedDuring = false;
    int value = 0;
};

inline BuildWatch queryWatchingTheBuild(ReportWindow *w, bool alsoPrintAndClose = false)
{
    // Shared, so that a timer that fires only after the query (a fault the caller sees as
    // fired == false) writes to no dead variable.
    const auto seen = std::make_shared<BuildWatch>();
    QTimer::singleShot(0, w, [w, seen, alsoPrintAndClose] {
        seen->fired = true;
        seen->barShown = !w->ProgressBar1->isHidden();
        seen->hourglass = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen->value = w->ProgressBar1->Value();
        w->VsNetBut1_Click(2);
        if (alsoPrintAndClose)
            w->VsNetBut1_Click(1);
        w->VsNetBut1_Click(0);
        if (alsoPrintAndClose)
            w->close();
        seen->loadedDuring = w->isLoaded();
    });
    w->VsNetBut1_Click(2);
    return *seen;
}

// The window's grid holds no report: only an empty heading row, and 打印 says so under
// "系统提示：" while the window stays on screen.
inline void verifyPrintRefused(ReportWindow *w, ScriptedServices &services)
{
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Grid1->TextMatrix(0, 1), QString());
    services.clear();
    w->VsNetBut1_Click(1);
    QCOMPARE(services.texts(), QStringList{QStringLiteral("当前打印数据为空！")});
    QCOMPARE(services.messages[0].title, QStringLiteral("系统提示："));
    QVERIFY(w->isVisible());
}

// 打印 with a report in the grid and the preview stand-in registered: no message, the window hides
// but stays loaded, the report code and the subject count are handed on and the preview is shown
// once.
inline void verifyPrintHandsOn(ReportWindow *w, ScriptedServices &services, qint16 reportCode, qint16 subjectCount)
{
    gReportCode = 0;
    gReportSubjectCount = 0;
    services.clear();
    w->VsNetBut1_Click(1);
    QVERIFY(services.messages.empty());
    QVERIFY(!w->isVisible());
    QVERIFY(w->isLoaded());
    QCOMPARE(gReportCode, reportCode);
    QCOMPARE(gReportSubjectCount, subjectCount);
    auto *preview = static_cast<PreviewStandIn *>(windows::find(QStringLiteral("printsform")));
    QVERIFY(preview && preview->loads == 1);
}

// After a build: the window is still loaded, its bar hidden and the hourglass gone.
inline bool buildEnded(const ReportWindow *w)
{
    return w->isLoaded() && w->ProgressBar1->isHidden() && !QApplication::overrideCursor();
}

// The texts of grid row r, from column `from` on.
inline QStringList gridRow(const Grid *g, int r, int from = 0)
{
    QStringList cells;
    for (int c = from; c < g->Cols(); ++c)
        cells << g->TextMatrix(r, c);
    return cells;
}

// A list of UTF-8 texts.
inline QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *t : items)
        list << QString::fromUtf8(t);
    return list;
}

} // namespace quorvane::test
