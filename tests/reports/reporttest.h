// What the report window tests share: a fresh data folder with the cohort and system databases open
// and checked writes into them, a stand-in for the print preview, opening a report window on
// screen, driving it as a user does (pressing its buttons, picking combo entries, typing), the
// checks several windows share, and reading grid rows.
#pragma once

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "reports/register.h"
#include "reports/reportframe.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/window.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QStringList>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>

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

// The title of every message of the report windows.
inline const QString kSysTitle = QStringLiteral("系统提示：");

// Runs a statement on a database a fixture fills. A write that fails is logged and throws, which
// fails the test that set it up rather than letting it check a report of rows never written.
inline void write(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QString error;
    if (!execSql(db, sql, values, &error)) {
        const QString why = QStringLiteral("fixture write failed: %1: %2").arg(sql, error);
        qWarning("%s", qPrintable(why));
        throw std::runtime_error(why.toStdString());
    }
}

// Adds rows to a table: the column names, then the values of each row in their order.
inline void insertRows(const QSqlDatabase &db, const QString &table, const QStringList &cols,
                       std::initializer_list<QVariantList> rows)
{
    const QString marks = QStringList(cols.size(), QStringLiteral("?")).join(QLatin1Char(','));
    const QString sql = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(table, cols.join(QLatin1Char(',')), marks);
    for (const QVariantList &row : rows)
        write(db, sql, row);
}

// A fresh data folder, scripted services and the report windows registered; the derived fixture
// sets up its cohorts (useNewCohort, or addCohort, openDatabases and useCohort), then adds its
// exams and students. At the end the windows are destroyed, the databases closed and the globals
// cleared.
struct ReportFixture
{
    TempData data;
    ScriptedServices &services = installScripted();
    QSqlDatabase cohort;
    QSqlDatabase system;

    ReportFixture() { registerReportsWindows(); }
    ReportFixture(const ReportFixture &) = delete;
    ReportFixture &operator=(const ReportFixture &) = delete;
    ~ReportFixture()
    {
        windows::destroyAll();
        closeDatabase(cohort);
        closeDatabase(system);
        resetGlobals();
    }

    // Adds cohort `year` with the given classes; its database file is db<year>.mdb.
    void addCohort(const QString &year, int classes = 10, int firstClass = 1)
    {
        data.addCohort(year, QStringLiteral("db") + year, classes, firstClass);
    }
    // Adds cohort `year` and makes it the current one, with its databases open.
    void useNewCohort(const QString &year, int classes, int firstClass = 1)
    {
        addCohort(year, classes, firstClass);
        const QString file = QStringLiteral("db") + year + QStringLiteral(".mdb");
        openDatabases(file);
        useCohort(year, file);
    }
    // Opens the system database, and the cohort database file (e.g. "db2024.mdb") unless it is empty.
    void openDatabases(const QString &cohortFile)
    {
        if (!openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-system"), &system)
            || (!cohortFile.isEmpty()
                && !openDatabase(data.cohortPath(cohortFile), DbKind::Cohort, QStringLiteral("t-cohort"), &cohort)))
            throw std::runtime_error("cannot open the test databases");
    }
    // Adds exams to the system database: the columns, then each exam's values.
    void addExams(const QStringList &cols, std::initializer_list<QVariantList> rows)
    {
        insertRows(system, QStringLiteral("kcbpb"), cols, rows);
    }
    // Adds student rows to the cohort database: the columns, then each student's values.
    void addStudents(const QStringList &cols, std::initializer_list<QVariantList> rows)
    {
        insertRows(cohort, QStringLiteral("stucj"), cols, rows);
    }

    // Makes the cohort the current one, as choosing it in the main window does.
    static void useCohort(const QString &year, const QString &cohortFile)
    {
        gCohortYear = year;
        gCohortDbFile = cohortFile;
    }
    // The print preview is the stand-in from now on (without one, printing leaves the window in view).
    static void usePreviewStandIn()
    {
        windows::registerFactory(QStringLiteral("printsform"), [] { return new PreviewStandIn; });
    }

    // Opens the window of the given name on screen, where a user can press its buttons.
    template <class W>
    static W *open(const QString &name)
    {
        windows::show(name);
        W *w = windows::find<W>(name);
        if (!w)
            throw std::runtime_error("no such window");
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            throw std::runtime_error("the window does not become active");
        return w;
    }
    // Opens the window whose name is its class name ("gkcj").
    template <class W>
    static W *open()
    {
        return open<W>(QString::fromLatin1(W::staticMetaObject.className()).section(QStringLiteral("::"), -1));
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
        useNewCohort(QStringLiteral("2024"), 3);
        addCohort(QStringLiteral("2025"), 2);
        addExams({"id", "name", "year", "grade", "kmflag1", "kmflag2", "kmflag5", "kmflag7"},
                 {{kScoreBookNoSubjects, QStringLiteral("期中考试"), QStringLiteral("2024"), 1, {}, {}, {}, {}},
                  {kScoreBookExam, QStringLiteral("期末考试"), QStringLiteral("2024"), 1, 1, 1, 1, 0},
                  {QStringLiteral("250301080000"), QStringLiteral("入学考试"), QStringLiteral("2025"), 1, 1, {}, {}, {}}});

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
        addStudents({"id", "stid", "name", "bj", "zh", "ke1"},
                    {{kScoreBookNoSubjects, QStringLiteral("s999"), QStringLiteral("外人"), 1, 4, 50}});
    }
    // Adds a student row of the exam with the given columns.
    void add(std::initializer_list<std::pair<const char *, QVariant>> values)
    {
        QStringList cols{QStringLiteral("id")};
        QVariantList binds{kScoreBookExam};
        for (const auto &v : values) {
            cols << QString::fromLatin1(v.first);
            binds << v.second;
        }
        insertRows(cohort, QStringLiteral("stucj"), cols, {binds});
    }
};

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

// The frame's buttons, pressed as a user does: false when the button cannot be pressed (the
// window hidden, the button disabled). Use as QVERIFY(pressQuery(w)).
[[nodiscard]] inline bool pressClose(ReportWindow *w) { return press(w->VsNetBut1[0]); }
[[nodiscard]] inline bool pressPrint(ReportWindow *w) { return press(w->VsNetBut1[1]); }
[[nodiscard]] inline bool pressQuery(ReportWindow *w) { return press(w->VsNetBut1[2]); }

// Picks entry `index` of a combo box as a user does: the list opened from the keyboard on the
// focused combo box, the entry moved to, Enter. Picking the entry already shown picks it again.
[[nodiscard]] inline bool pick(QComboBox *combo, int index)
{
    if (!combo->isVisible() || !combo->isEnabled() || index < 0 || index >= combo->count())
        return false;
    combo->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(combo, Qt::Key_F4);
    QAbstractItemView *list = combo->view();
    if (!list->isVisible())
        return false;
    list->setCurrentIndex(combo->model()->index(index, combo->modelColumn(), combo->rootModelIndex()));
    QTest::keyClick(list, Qt::Key_Return);
    return !list->isVisible() && combo->currentIndex() == index;
}

// Types into a text box as a user does: the box focused, its text selected and typed over (an
// empty text erases it).
[[nodiscard]] inline bool typeInto(QLineEdit *box, const QString &text)
{
    if (!box->isVisible() || !box->isEnabled())
        return false;
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
    return box->text() == text;
}

// Picks the exam with the given name in Combo1 and, unless selection is empty, the entry with that
// text in the class chooser Combo3.
template <class W>
[[nodiscard]] bool chooseExamAndClass(W *w, const QString &exam, const QString &selection)
{
    return pick(w->Combo1, w->Combo1->findText(exam))
           && (selection.isEmpty() || pick(w->Combo3, w->Combo3->findText(selection)));
}

// 查询 with no class chosen: "查询班级未选择！" under "系统提示：", and the focus on the class chooser.
template <class W>
void verifyClassAsked(W *w, ScriptedServices &services)
{
    services.clear();
    QVERIFY(pressQuery(w));
    QCOMPARE(services.texts(), QStringList{QStringLiteral("查询班级未选择！")});
    QCOMPARE(services.messages[0].title, kSysTitle);
    QCOMPARE(services.messages[0].icon, MsgIcon::Exclamation);
    QCOMPARE(QApplication::focusWidget(), w->Combo3);
}

// Ticks exactly the given display boxes of Check1 (a window's missing elements are nullptr),
// clicking each box whose state differs.
template <class W>
[[nodiscard]] bool tickBoxes(W *w, std::initializer_list<int> boxes)
{
    for (size_t i = 0; i < w->Check1.size(); ++i) {
        QCheckBox *box = w->Check1[i];
        const bool wanted = std::find(boxes.begin(), boxes.end(), int(i)) != boxes.end();
        if (box && box->isChecked() != wanted && !(press(box) && box->isChecked() == wanted))
            return false;
    }
    return true;
}

// After a build: the window is still loaded, its bar hidden and the hourglass gone.
inline bool buildEnded(const ReportWindow *w)
{
    return w->isLoaded() && w->ProgressBar1->isHidden() && !QApplication::overrideCursor();
}

// What a report window showed while building: a timer posted before the query fires inside it
// (the build lets events run) and records the bar, the hourglass and the bar's value, then
// presses 查询 again and 退出 (with alsoPrintAndClose also 打印 and the close box), which the
// window must refuse while it builds.
struct BuildWatch
{
    bool fired = false;
    bool barShown = false;
    bool hourglass = false;
    bool loadedDuring = false;
    bool pressed = false;   // every button pressed, the query's own included
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
        seen->pressed = pressQuery(w) && (!alsoPrintAndClose || pressPrint(w)) && pressClose(w);
        if (alsoPrintAndClose)
            w->close();
        seen->loadedDuring = w->isLoaded();
    });
    const bool queried = pressQuery(w);
    seen->pressed = seen->pressed && queried;
    return *seen;
}

// The checks every watched build shares: the timer fired inside the build with the bar and the
// hourglass up, every press was made and refused, and the build ended with a report.
inline void verifyWatchedBuild(const ReportWindow *w, const BuildWatch &seen)
{
    QVERIFY(seen.fired);
    QVERIFY(seen.pressed);
    QVERIFY(seen.barShown);
    QVERIFY(seen.hourglass);
    QVERIFY(seen.loadedDuring);
    QVERIFY(buildEnded(w));
    QVERIFY(w->Grid1->Rows() > 1);
}

// The window's grid holds no report: only an empty heading row, and 打印 says so under
// "系统提示：" while the window stays on screen.
inline void verifyPrintRefused(ReportWindow *w, ScriptedServices &services)
{
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Grid1->TextMatrix(0, 1), QString());
    services.clear();
    QVERIFY(pressPrint(w));
    QCOMPARE(services.texts(), QStringList{QStringLiteral("当前打印数据为空！")});
    QCOMPARE(services.messages[0].title, kSysTitle);
    QVERIFY(w->isVisible());
}

// 打印 with a report in the grid: no message, and the report code and the subject count are
// handed on. With the preview stand-in registered the window hides but stays loaded and the
// preview is shown once; without a preview the window stays in view.
inline void verifyPrintHandsOn(ReportWindow *w, ScriptedServices &services, qint16 reportCode, qint16 subjectCount,
                               bool toStandIn = true)
{
    gReportCode = 0;
    gReportSubjectCount = 0;
    services.clear();
    QVERIFY(pressPrint(w));
    QVERIFY(services.messages.empty());
    QCOMPARE(gReportCode, reportCode);
    QCOMPARE(gReportSubjectCount, subjectCount);
    QVERIFY(w->isLoaded());
    QCOMPARE(w->isVisible(), !toStandIn);
    if (toStandIn) {
        auto *preview = windows::find<PreviewStandIn>(QStringLiteral("printsform"));
        QVERIFY(preview && preview->loads == 1);
    }
}

// The texts of a combo box's entries.
inline QStringList comboTexts(const QComboBox *combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// What the student-list windows (cjbq, gkcj) check before a list: 查询 before any exam asks for a
// class; with another cohort chosen meanwhile, the exam picked lists the classes of the cohort the
// window was loaded with (1 to 3, then `more`), none chosen, and 查询 asks again; with class 1,
// each rank box without a total box is refused with rankMessage and no list.
template <class W>
void verifyClassChooserAndRankBoxes(W *w, ReportFixture &f, const QStringList &more, const QString &rankMessage)
{
    verifyClassAsked(w, f.services);
    f.useCohort(QStringLiteral("2025"), QStringLiteral("db2025.mdb"));
    QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QString()));
    QCOMPARE(w->kmsum, quint8(3));
    QCOMPARE(comboTexts(w->Combo3), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}) + more);
    QCOMPARE(w->Combo3->currentIndex(), -1);
    verifyClassAsked(w, f.services);

    QVERIFY(pick(w->Combo3, 0));
    for (int box : {2, 3, 4}) {
        QVERIFY(tickBoxes(w, {box}));
        f.services.clear();
        QVERIFY(pressQuery(w));
        QCOMPARE(f.services.texts(), QStringList{rankMessage});
        QCOMPARE(w->Grid1->Rows(), 1);
    }
}

// A student-list window after a list of class 1: the exam without subjects picked empties the
// grid, and 查询 says "参加考试学科数量为0！" and leaves the grid and the student count as they are.
template <class W>
void verifyExamWithoutSubjectsRefused(W *w, ReportFixture &f)
{
    QVERIFY(chooseExamAndClass(w, QStringLiteral("期中考试"), QStringLiteral("1")));
    QCOMPARE(w->Grid1->Rows(), 1);
    f.services.clear();
    QVERIFY(pressQuery(w));
    QCOMPARE(f.services.texts(), QStringList{QStringLiteral("参加考试学科数量为0！")});
    QCOMPARE(w->Grid1->Rows(), 1);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("3人"));
}

// A student-list window with a list: s101's student number and total 1 made wider than their
// headings (2023007001 and 611.5), class 1 queried again with 总分成绩 ticked (after the window's
// own change, if any) shows them uncut; total 1 stands in column totalCol.
template <class W>
void verifyWideCellsNotCut(W *w, ReportFixture &f, int totalCol, const std::function<bool()> &windowChange = {})
{
    QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET stid = '2023007001', kealla = 611.5 WHERE stid = 's101'")));
    QVERIFY(pick(w->Combo3, w->Combo3->findText(QStringLiteral("1"))));
    if (windowChange)
        QVERIFY(windowChange());
    QVERIFY(tickBoxes(w, {0}));
    QVERIFY(pressQuery(w));
    const Grid *g = w->Grid1;
    QCOMPARE(g->TextMatrix(2, 1), QStringLiteral("2023007001"));
    QCOMPARE(g->TextMatrix(2, totalCol), QStringLiteral("611.5"));
    QVERIFY(g->ColWidth(1) > g->textWidthTwips(QStringLiteral("2023007001")));
    QVERIFY(g->ColWidth(totalCol) > g->textWidthTwips(QStringLiteral("611.5")));
}

// A student-list window (cjbq, gkcj) with the list of class 1 of the score book exam: every change
// of the user's (another class, a display box, then each of the window's own changes, the exam
// picked again) empties the grid and 打印 refuses it. Ends with the list queried again and the
// preview stand-in registered.
template <class W>
void verifyEachChangeEmptiesTheList(W *w, ReportFixture &f, std::initializer_list<std::function<bool()>> windowChanges = {})
{
    const auto query = [w] { return pressQuery(w) && w->Grid1->Rows() == 4; };
    QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
    QVERIFY(query());
    QVERIFY(pick(w->Combo3, 1));
    verifyPrintRefused(w, f.services);
    QCOMPARE(w->Label1[3]->text(), QStringLiteral("3人"));
    QVERIFY(pick(w->Combo3, 0));
    QVERIFY(query());
    QVERIFY(tickBoxes(w, {0}));
    verifyPrintRefused(w, f.services);
    for (const auto &change : windowChanges) {
        QVERIFY(query());
        QVERIFY(change());
        verifyPrintRefused(w, f.services);
    }
    QVERIFY(query());
    QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QString()));
    QCOMPARE(w->Combo3->currentIndex(), -1);
    verifyPrintRefused(w, f.services);

    f.usePreviewStandIn();
    QVERIFY(pick(w->Combo3, 0));
    QVERIFY(query());
}

} // namespace quorvane::test
