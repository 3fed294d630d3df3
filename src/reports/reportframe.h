#pragma once
// The shared frame of the score-report windows (average, cjbq, dkcj, fdtj, gkdz, gkcj).
//
// Two layers:
//  * widget-free functions (namespace quorvane::reports): the statistics rules in statrules.h, and
//    here the reading of an exam's grade and subjects and a cohort's classes;
//  * ReportWindow, the base of every report window: the exam chooser, the grid, the button array,
//    loading/unloading, the print button, the progress bar and hourglass of a build.
#include "reports/statrules.h"
#include "shell/database.h"
#include "shell/subjects.h"
#include "shell/titles.h"
#include "shell/waitcursor.h"
#include "shell/window.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>
#include <vector>

class QHBoxLayout;
class QVBoxLayout;

namespace quorvane {

class Grid;
class XP_ProgressBar;

namespace reports {

// The title of every message of the report windows.
inline const QString kMsgTitle = titles::kSystem;
// The print button's message when the grid holds no report.
inline const QString kEmptyPrint = QStringLiteral("当前打印数据为空！");
// The print button's message when the grid holds a report of another exam than the chosen one.
inline const QString kOtherExamPrint = QStringLiteral("当前表格不是所选考试的统计结果，请先查询！");
// The query button's messages: no exam chosen, a cohort without classes, no class chosen.
inline const QString kNoExamChosen = QStringLiteral("考试名称未选择！");
inline const QString kNoClasses = QStringLiteral("查询相关数据可能为空！");
inline const QString kNoClassChosen = QStringLiteral("查询班级未选择！");

// ---- the exam and the cohort ----------------------------------------------------------------------
// What form_1 reads of an exam: its grade name and its subjects in subject-number order.
struct ExamSubjects
{
    bool found = false;
    QString njname;
    std::array<quint8, 13> kmno{};  // subject number at each position; 0 from kmsum on
    quint8 kmsum = 0;
    QVariantList allfs;             // allfs1..allfs12 of the row (index k − 1), empty when not found
};
// Reads the exam's row of kcbpb for the cohort year (grade, kmflag1..12, allfs1..12).
ExamSubjects readExamSubjects(const QSqlDatabase &system, const QString &cohortYear, const QString &examId);
// The whole-number full mark of the subject at each position of the exam (kmno order): its allfs
// rounded half to even; 0 where it has none, where it does not fit 16 bits and from kmsum on.
std::array<qint16, 13> wholeFullMarks(const ExamSubjects &exam);

// The counter of every long loop's progress bar: 1, 2, … 100, then 1 again.
class ProgressCounter
{
public:
    int next()
    {
        if (++m_value > 100)
            m_value = 1;
        return m_value;
    }

private:
    int m_value = 0;
};

} // namespace reports

// Base of the six score-report windows. The base builds the common controls (Frame1 with
// Label1[8] "考试名称:" and the exam chooser Combo1, Grid1, VsNetBut1 0 "退出 " / 1 "打印 " / 2 "查询",
// and ProgressBar1 where the window has one), opens and closes the window's databases, fills the
// exam chooser, serves the close and print buttons and lists the cohort's classes (showbj). A
// window adds its own controls in createWindowControls, answers the query button in Query() and
// the exam choice in Combo1_Click().
class ReportWindow : public Window
{
    Q_OBJECT
public:
    struct Kind
    {
        QString name;              // window name ("average")
        QString title;             // caption title ("平均成绩册--")
        qint16 reportCode = 0;     // gReportCode of its print button
        bool printNeedsColumns = true;   // print test: columns >= 6 and rows >= 2 (else rows >= 2)
        bool handsSubjectCount = true;   // print sets gReportSubjectCount = kmsum
        bool hasProgressBar = false;     // carries ProgressBar1
        // The class chooser lists "年级", "文科", "理科" after the classes.
        bool listsWholeExam = false;
        // The report stays on screen when another exam is chosen: print refuses it until the next
        // query, as its figures would stand under the newly chosen exam's name.
        bool refusesOtherExam = false;
    };
    explicit ReportWindow(const Kind &kind);

    // Common controls.
    QFrame *Frame1 = nullptr;
    QComboBox *Combo1 = nullptr;                 // exam chooser; list position indexes ksid
    Grid *Grid1 = nullptr;                       // the report
    std::array<QPushButton *, 3> VsNetBut1{};    // 0 close, 1 print, 2 query
    std::array<QLabel *, 10> Label1{};           // [8] "考试名称:"; other elements per window
    XP_ProgressBar *ProgressBar1 = nullptr;      // nullptr on windows without a progress bar

    // Window members.
    QStringList ksid;                            // exam ids in Combo1 order
    std::array<quint8, 13> kmno{};               // subject number at each subject position
    quint8 kmsum = 0;                            // number of subjects of the chosen exam
    QString njname;                              // grade name of the chosen exam
    qint16 bjsum = 0;                            // classes of the cohort (windows that keep them)
    qint16 startbj = 0;

    // The cohort the window was loaded with.
    QString cohortYear() const { return m_year; }
    QString cohortDbFile() const { return m_dbFile; }
    // The id of the exam chosen in Combo1 (empty when none).
    QString chosenExamId() const;
    // The subject numbers of the chosen exam in position order.
    std::vector<int> subjects() const;
    // True while a report is being built.
    bool isBuilding() const { return m_building; }
    const QSqlDatabase &systemDb() const { return m_dbs.system; }
    const QSqlDatabase &cohortDb() const { return m_dbs.cohort; }

    // 0 close, 1 print, 2 query.
    void VsNetBut1_Click(int Index);
    // Another exam was chosen in the exam chooser.
    virtual void Combo1_Click() {}
    // Reads the cohort's class count and first class into bjsum and startbj. A window with a class
    // chooser then lists the classes there (with "年级", "文科", "理科" where the window lists the
    // whole exam), chooses no entry and takes 0 classes for a cohort without a row; a window
    // without one keeps its previous values when the cohort has no row.
    void showbj();

protected:
    // Builds the common controls and calls createWindowControls. frameLayout is Frame1's layout,
    // chooserRow its first line (Label1[8] and Combo1 already in it), body the line that holds Grid1
    // (widgets added there stand to the right of the grid).
    void createControls(QWidget *root) final;
    virtual void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                                      QHBoxLayout *body);
    // The heading format string Grid1 shows before the first report: the report's heading without
    // any exam's columns. Empty: the window sets its grid's heading itself.
    virtual QString designHeading() const { return QString(); }
    void Form_Load() override;
    void Form_Unload() override;
    // A window never unloads in the middle of building a report.
    bool QueryUnload() override { return !m_building; }
    // Large enough for the choosers, the buttons and a grid that shows a report.
    QSize openingSize() const override;
    // The class chooser showbj fills; nullptr on windows without one.
    virtual QComboBox *classChooser() const { return nullptr; }
    // The grid the print button tests for a report (Grid1 unless the window computes into another).
    virtual const Grid *printedGrid() const { return Grid1; }
    // Records that the grid now holds the report of examId (windows that refuse another exam's report).
    void setBuiltExam(const QString &examId) { m_builtExam = examId; }

    // The query button: the window's checks and its report.
    virtual void Query() = 0;

    // The frame's form_1: reads the chosen exam's grade and subjects into njname, kmno and kmsum.
    // Returns the full record read (allfs for windows that keep full marks).
    reports::ExamSubjects form_1();
    // Empties every cell of Grid1 and leaves only its heading row.
    void clearGrid();
    // Widens the columns of Grid1 whose cells are wider than their heading, so no figure is cut
    // on screen (the heading format string makes each column only as wide as its caption).
    void fitColumnsToCells();
    // Shows a message under "系统提示：" (exclamation) and puts the focus on focus when given.
    void sysMsg(const QString &text, QWidget *focus = nullptr);

    // While alive: ProgressBar1 shown, hourglass pointer, isBuilding() true.
    class BuildScope
    {
    public:
        explicit BuildScope(ReportWindow *window);
        ~BuildScope();
        BuildScope(const BuildScope &) = delete;
        BuildScope &operator=(const BuildScope &) = delete;

    private:
        ReportWindow *m_w;
        std::optional<WaitCursor> m_wait;
    };
    // Advances ProgressBar1 by the 1..100 counter (one step per row).
    void stepProgress();

    reports::ProgressCounter m_progress;
    WindowDatabases m_dbs;

private:
    Kind m_kind;
    QString m_builtExam;   // the exam whose report the grid holds (refusesOtherExam; empty: none)
    QString m_year;
    QString m_dbFile;
    bool m_building = false;
};

} // namespace quorvane
