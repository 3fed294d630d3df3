#include "reports/reportframe.h"

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/sysdb.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quorvane {

namespace reports {

ExamSubjects readExamSubjects(const QSqlDatabase &system, const QString &cohortYear, const QString &examId)
{
    ExamSubjects out;
    sysdb::ExamSettings settings;
    if (sysdb::readExamSettings(system, cohortYear, examId, &settings) != sysdb::Read::Found)
        return out;
    out.found = true;
    int n = 0;
    for (int k = 1; k <= kSubjectCount; ++k) {
        out.kmno[n] = 0;
        if (settings.subject(k).taken())
            out.kmno[n++] = static_cast<quint8>(k);
    }
    out.kmsum = static_cast<quint8>(n);
    for (int k = 1; k <= kSubjectCount; ++k)
        out.allfs << settings.subject(k).allfs;
    out.njname = gradeName(settings.grade);
    return out;
}

std::array<qint16, 13> wholeFullMarks(const ExamSubjects &exam)
{
    std::array<qint16, 13> marks{};
    for (int p = 0; p < exam.kmsum && p < 13; ++p) {
        const long long whole = roundEven(exam.allfs.value(exam.kmno[size_t(p)] - 1).toDouble());
        marks[size_t(p)] = (whole < -32768 || whole > 32767) ? 0 : qint16(whole);
    }
    return marks;
}

} // namespace reports

// ---- ReportWindow -----------------------------------------------------------------------------------

ReportWindow::ReportWindow(const Kind &kind) : Window(kind.name), m_dbs(kind.name), m_kind(kind) {}

void ReportWindow::createControls(QWidget *root)
{
    Label1.fill(nullptr);
    VsNetBut1.fill(nullptr);
    ProgressBar1 = nullptr;

    auto *outer = new QVBoxLayout(root);
    Frame1 = new QFrame(root);
    Frame1->setFrameShape(QFrame::StyledPanel);
    auto *frameLayout = new QVBoxLayout(Frame1);
    auto *chooserRow = new QHBoxLayout;
    frameLayout->addLayout(chooserRow);
    Label1[8] = new QLabel(QStringLiteral("考试名称:"), Frame1);
    Combo1 = new QComboBox(Frame1);
    Combo1->setMinimumWidth(200);
    chooserRow->addWidget(Label1[8]);
    chooserRow->addWidget(Combo1);
    outer->addWidget(Frame1);

    auto *body = new QHBoxLayout;
    Grid1 = new Grid(root);
    Grid1->setRows(1);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    body->addWidget(Grid1, 1);
    outer->addLayout(body, 1);

    auto *bottom = new QHBoxLayout;
    if (m_kind.hasProgressBar) {
        ProgressBar1 = XP_ProgressBar::createHosted(root);
        ProgressBar1->setMinimumWidth(240);
        ProgressBar1->setFixedHeight(20);
        ProgressBar1->setVisible(false);
        bottom->addWidget(ProgressBar1, 1);
    }
    bottom->addStretch();
    static const char *const captions[3] = {"退出 ", "打印 ", "查询"};
    for (int i = 2; i >= 0; --i) {
        VsNetBut1[i] = new QPushButton(QString::fromUtf8(captions[i]), root);
        keys::noDefault(VsNetBut1[i]);
        bottom->addWidget(VsNetBut1[i]);
        connect(VsNetBut1[i], &QPushButton::clicked, this, [this, i] { VsNetBut1_Click(i); });
    }
    outer->addLayout(bottom);

    createWindowControls(root, frameLayout, chooserRow, body);
    if (const QString heading = designHeading(); !heading.isEmpty()) {
        Grid1->setFormatString(heading);
        Grid1->setRows(1);
    }
    chooserRow->addStretch();
    connectChoice(Combo1, Combo1, [this] { Combo1_Click(); });
}

QSize ReportWindow::openingSize() const
{
    return sizeHint().expandedTo(QSize(820, 560));
}

void ReportWindow::createWindowControls(QWidget *, QVBoxLayout *, QHBoxLayout *, QHBoxLayout *) {}

void ReportWindow::Form_Load()
{
    // The window keeps the cohort it is loaded with for its caption and every query.
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    ksid.clear();
    kmno.fill(0);
    kmsum = 0;
    njname.clear();
    bjsum = 0;
    startbj = 0;
    m_builtExam.clear();
    m_building = false;
    m_progress = reports::ProgressCounter();
    // A missing file ends the program inside open() after its message.
    const bool opened = m_dbs.open(m_dbFile);
    setWindowTitle(m_kind.title + m_year + QStringLiteral("学届"));
    if (opened)
        ksid = outksxx(m_dbs.system, m_year, Combo1);
}

void ReportWindow::Form_Unload()
{
    m_dbs.closeAtUnload();
}

QString ReportWindow::chosenExamId() const
{
    return Combo1 ? quorvane::chosenExamId(Combo1, ksid) : QString();
}

void ReportWindow::VsNetBut1_Click(int Index)
{
    if (m_building)
        return;
    switch (Index) {
    case 0:
        Unload();
        break;
    case 1: {
        const Grid *grid = printedGrid();
        const bool ok = grid->Rows() >= 2 && (!m_kind.printNeedsColumns || grid->Cols() >= 6);
        if (!ok || (m_kind.refusesOtherExam && m_builtExam.isEmpty())) {
            sysMsg(reports::kEmptyPrint);
            return;
        }
        if (m_kind.refusesOtherExam && m_builtExam != chosenExamId()) {
            sysMsg(reports::kOtherExamPrint);
            return;
        }
        gReportCode = m_kind.reportCode;
        if (m_kind.handsSubjectCount)
            gReportSubjectCount = kmsum;
        showPrintPreview();
        break;
    }
    case 2:
        Query();
        break;
    default:
        break;
    }
}

void ReportWindow::showbj()
{
    const sysdb::ClassRange range = sysdb::readClassRange(m_dbs.system, m_year);
    QComboBox *chooser = classChooser();
    if (!chooser) {
        if (range.found) {
            bjsum = range.bjsum;
            startbj = range.startbj;
        }
        return;
    }
    bjsum = range.found ? range.bjsum : qint16(0);
    startbj = range.found ? range.startbj : qint16(0);
    const QSignalBlocker block(chooser);
    chooser->clear();
    QStringList items;
    for (int c = 0; c < bjsum; ++c)
        items << QString::number(int(startbj) + c);
    if (bjsum > 0 && m_kind.listsWholeExam)
        items << QStringLiteral("年级") << QStringLiteral("文科") << QStringLiteral("理科");
    chooser->addItems(items);
    chooser->setCurrentIndex(-1);
}

reports::ExamSubjects ReportWindow::form_1()
{
    reports::ExamSubjects s = reports::readExamSubjects(m_dbs.system, m_year, chosenExamId());
    kmno = s.kmno;
    kmsum = s.kmsum;
    if (s.found)
        njname = s.njname;
    return s;
}

void ReportWindow::clearGrid()
{
    Grid1->Clear();
    Grid1->setRows(1);
}

std::vector<int> ReportWindow::subjects() const
{
    std::vector<int> list;
    for (int i = 0; i < kmsum && i < 12; ++i)
        list.push_back(kmno[size_t(i)]);
    return list;
}

void ReportWindow::fitColumnsToCells()
{
    for (int c = 0; c < Grid1->Cols(); ++c) {
        const int widest = Grid1->widestTextTwips(c, 1);
        const int want = widest + 8 * Grid::TwipsPerPixel;
        if (widest > 0 && want > Grid1->ColWidth(c))
            Grid1->setColWidth(c, want);
    }
}

void ReportWindow::sysMsg(const QString &text, QWidget *focus)
{
    services::msg(text, reports::kMsgTitle, MsgIcon::Exclamation);
    if (focus)
        focus->setFocus();
}

ReportWindow::BuildScope::BuildScope(ReportWindow *window) : m_w(window)
{
    m_w->m_building = true;
    m_w->m_progress = reports::ProgressCounter();
    if (m_w->ProgressBar1)
        m_w->ProgressBar1->setVisible(true);
    m_wait.emplace();
}

ReportWindow::BuildScope::~BuildScope()
{
    if (m_w->ProgressBar1)
        m_w->ProgressBar1->setVisible(false);
    m_wait.reset();
    m_w->m_building = false;
}

void ReportWindow::stepProgress()
{
    const int s = m_progress.next();
    if (ProgressBar1)
        ProgressBar1->setValue(s);
}

} // namespace quorvane
