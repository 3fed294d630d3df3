#include "scores/rankwindow.h"

#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/titles.h"
#include "shell/waitcursor.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

namespace {
// What a run that found a data file deleted or moved did not save.
const QString kNotSaved = QStringLiteral("本次统计结果");
} // namespace

RankWindow::RankWindow(const QString &name, const QString &caption) : Window(name), m_dbs(name), m_caption(caption) {}

QLabel *RankWindow::addExamChooser(QWidget *root, QVBoxLayout *lay)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("考试名称:"), root);
    Combo1 = new QComboBox(root);
    Combo1->setMinimumWidth(260);
    row->addWidget(label);
    row->addWidget(Combo1, 1);
    lay->addLayout(row);
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    return label;
}

void RankWindow::addRunControls(QWidget *root, QVBoxLayout *lay)
{
    ProgressBar1 = XP_ProgressBar::createHosted(root);
    ProgressBar1->setMinimumHeight(22);
    ProgressBar1->hide();
    lay->addWidget(ProgressBar1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    VsNetBut1[1] = new QPushButton(QStringLiteral("统计 "), root);
    VsNetBut1[0] = new QPushButton(QStringLiteral("退出 "), root);
    for (int i : {1, 0}) {
        QPushButton *b = VsNetBut1[i];
        keys::noDefault(b);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, i] { VsNetBut1_Click(i); });
    }
    VsNetBut1[1]->setEnabled(false);
    lay->addLayout(buttons);
}

void RankWindow::Form_Load()
{
    // The window keeps the cohort it was loaded with.
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    m_examIds.clear();
    m_classCount = 0;
    m_running = false;
    setWindowTitle(m_caption + QStringLiteral("--") + m_year + QStringLiteral("学届"));
    if (!m_dbs.open(m_dbFile))
        return;
    m_examIds = outksxx(m_dbs.system, m_year, Combo1);
}

void RankWindow::Form_Unload()
{
    m_dbs.closeAtUnload();
}

bool RankWindow::QueryUnload()
{
    return !m_running;
}

QString RankWindow::chosenExam() const
{
    return chosenExamId(Combo1, m_examIds);
}

void RankWindow::showbj()
{
    const QString exam = chosenExam();
    m_classCount = exam.isEmpty() ? 0 : largestClass(m_dbs.cohort, exam);
}

bool RankWindow::runRequested(int index)
{
    if (m_running)
        return false;
    if (index == 0) {
        Unload();
        return false;
    }
    return index == 1;
}

void RankWindow::step(int records)
{
    const int v = ProgressBar1->Value();
    ProgressBar1->setValue((std::max(v, 1) - 1 + records) % 100 + 1);
    windows::letEventsRun();
}

void RankWindow::runWithProgress(const std::function<RunResult(const ProgressFn &)> &run)
{
    if (m_running)
        return;
    // The buttons stay as they are during a run; a request to run again or to close the window
    // while it runs is refused (m_running, QueryUnload).
    const WriteScope running(kNotSaved);
    m_running = true;
    WaitCursor wait;
    ProgressBar1->setValue(1);
    ProgressBar1->show();
    const RunResult result = run([this](int n) { step(n); });
    wait.release();
    ProgressBar1->hide();
    m_running = false;
    if (result.status != RunStatus::Done) {
        services::msg(runFailureText(result), titles::kSystem);
        return;
    }
    services::msg(QStringLiteral("成绩统计完毕!"), titles::kSystem);
}

} // namespace quorvane
