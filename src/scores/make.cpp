#include "scores/make.h"

#include "shell/services.h"
#include "shell/titles.h"

#include <QVBoxLayout>

namespace quorvane {

make::make() : RankWindow(QStringLiteral("make"), QStringLiteral("成绩总分统计")) {}

void make::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    Label1 = {};
    Label1[2] = addExamChooser(root, lay);
    addRunControls(root, lay);
    resize(420, 150);
}

void make::Combo1_Click()
{
    if (m_running)
        return;
    showbj();
    VsNetBut1[1]->setEnabled(true);
}

void make::VsNetBut1_Click(int index)
{
    if (!runRequested(index))
        return;
    if (chosenExam().isEmpty())
        return;
    if (services::ask(QStringLiteral("要统计处理“") + Combo1->currentText() + QStringLiteral("”吗？"),
                      titles::kSystem, MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    starttj();
}

void make::starttj()
{
    const QString exam = chosenExam();
    if (exam.isEmpty() || m_running)
        return;
    runWithProgress([&](const ProgressFn &progress) { return runTotals(m_dbs.cohort, m_dbs.system, m_year, exam, progress); });
}

} // namespace quorvane
