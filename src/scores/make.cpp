#include "scores/make.h"

#include "arrangement/outksxx.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "scores/ranking.h"
#include "shell/globals.h"
#include "shell/services.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

make::make() : Window(QStringLiteral("make")) {}

void make::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    auto *row = new QHBoxLayout;
    Label1 = {};
    Label1[2] = new QLabel(QStringLiteral("考试名称:"), root);
    Combo1 = new QComboBox(root);
    Combo1->setMinimumWidth(260);
    row->addWidget(Label1[2]);
    row->addWidget(Combo1, 1);
    lay->addLayout(row);
    ProgressBar1 = new XP_ProgressBar(root);
    ProgressBar1->setMinimumHeight(22);
    ProgressBar1->hide();
    lay->addWidget(ProgressBar1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    VsNetBut1[1] = new QPushButton(QStringLiteral("统计 "), root);
    VsNetBut1[0] = new QPushButton(QStringLiteral("退出 "), root);
    for (int i : {1, 0}) {
        QPushButton *b = VsNetBut1[i];
        b->setAutoDefault(false);
        b->setDefault(false);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, i] { VsNetBut1_Click(i); });
    }
    VsNetBut1[1]->setEnabled(false);
    lay->addLayout(buttons);
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    resize(420, 150);
}

void make::Form_Load()
{
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    m_examIds.clear();
    m_classCount = 0;
    m_running = false;
    setWindowTitle(QStringLiteral("成绩总分统计--") + m_year + QStringLiteral("学届"));
    if (!m_dbs.open(m_dbFile))
        return;
    m_examIds = outksxx(m_dbs.system, m_year, Combo1);
}

void make::Form_Unload()
{
    m_dbs.closeAtUnload();
}

bool make::QueryUnload()
{
    return !m_running;
}

void make::Combo1_Click()
{
    if (m_running)
        return;
    showbj();
    VsNetBut1[1]->setEnabled(true);
}

void make::showbj()
{
    const QString exam = chosenExamId(Combo1, m_examIds);
    m_classCount = exam.isEmpty() ? 0 : largestClass(m_dbs.cohort, exam);
}

void make::VsNetBut1_Click(int index)
{
    if (m_running)
        return;
    if (index == 0) {
        Unload();
        return;
    }
    if (index != 1)
        return;
    if (chosenExamId(Combo1, m_examIds).isEmpty())
        return;
    if (services::ask(QStringLiteral("要统计处理“") + Combo1->currentText() + QStringLiteral("”吗？"),
                      QStringLiteral("系统提示："), MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    starttj();
}

void make::step(int records)
{
    const int v = ProgressBar1->Value();
    ProgressBar1->setValue((std::max(v, 1) - 1 + records) % 100 + 1);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void make::starttj()
{
    const QString exam = chosenExamId(Combo1, m_examIds);
    if (exam.isEmpty() || m_running)
        return;
    // The buttons stay as they are during a run; a request to run again or to close the window
    // while it runs is refused (m_running, QueryUnload).
    m_running = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar1->setValue(1);
    ProgressBar1->show();
    const RunResult result = runTotals(m_dbs.cohort, m_dbs.system, m_year, exam, [this](int n) { step(n); });
    QApplication::restoreOverrideCursor();
    ProgressBar1->hide();
    m_running = false;
    if (result.status != RunStatus::Done) {
        services::msg(runFailureText(result), QStringLiteral("系统提示："));
        return;
    }
    services::msg(QStringLiteral("成绩统计完毕!"), QStringLiteral("系统提示："));
}

} // namespace quorvane
