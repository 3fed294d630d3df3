#include "scores/makea.h"

#include "arrangement/outksxx.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/globals.h"
#include "shell/services.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

makea::makea() : Window(QStringLiteral("makea")) {}

void makea::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    Label1 = {};
    auto *row1 = new QHBoxLayout;
    Label1[2] = new QLabel(QStringLiteral("考试名称:"), root);
    Combo1 = new QComboBox(root);
    Combo1->setMinimumWidth(260);
    row1->addWidget(Label1[2]);
    row1->addWidget(Combo1, 1);
    lay->addLayout(row1);
    auto *row2 = new QHBoxLayout;
    Label1[8] = new QLabel(QStringLiteral("选择统计学科:"), root);
    Combo3 = new QComboBox(root);
    row2->addWidget(Label1[8]);
    row2->addWidget(Combo3, 1);
    lay->addLayout(row2);
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
    resize(420, 180);
}

void makea::Form_Load()
{
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    m_examIds.clear();
    m_subjects.clear();
    m_settingsMissing = false;
    m_classCount = 0;
    m_running = false;
    setWindowTitle(QStringLiteral("成绩单科统计--") + m_year + QStringLiteral("学届"));
    if (!m_dbs.open(m_dbFile))
        return;
    m_examIds = outksxx(m_dbs.system, m_year, Combo1);
}

void makea::Form_Unload()
{
    m_dbs.closeAtUnload();
}

bool makea::QueryUnload()
{
    return !m_running;
}

void makea::Combo1_Click()
{
    if (m_running)
        return;
    form_1(chosenExamId(Combo1, m_examIds));
    showbj();
    VsNetBut1[1]->setEnabled(true);
}

void makea::form_1(const QString &examId)
{
    std::vector<SubjectChoice> list;
    const SettingsRead r = examId.isEmpty() ? SettingsRead::NotFound : readSubjectList(m_dbs.system, m_year, examId, &list);
    // An exam whose settings cannot be read lists no subjects: the entries of the exam picked
    // before would name subjects of another exam.
    m_settingsMissing = r != SettingsRead::Found;
    m_subjects = list;
    const QSignalBlocker block(Combo3);
    Combo3->clear();
    for (const SubjectChoice &c : m_subjects)
        Combo3->addItem(subjectName(c.subject));
    Combo3->setCurrentIndex(-1);
}

void makea::showbj()
{
    const QString exam = chosenExamId(Combo1, m_examIds);
    m_classCount = exam.isEmpty() ? 0 : largestClass(m_dbs.cohort, exam);
}

void makea::VsNetBut1_Click(int index)
{
    if (m_running)
        return;
    if (index == 0) {
        Unload();
        return;
    }
    if (index != 1)
        return;
    if (m_settingsMissing && !chosenExamId(Combo1, m_examIds).isEmpty()) {
        RunResult missing;
        missing.status = RunStatus::NoSettings;
        services::msg(runFailureText(missing), QStringLiteral("系统提示："));
        return;
    }
    const QString title = QStringLiteral("系统提示：");
    if (Combo3->count() > 0 && Combo3->currentIndex() < 0) {
        if (services::ask(QStringLiteral("要对所有的学科进行统计处理吗？"), title, MsgButtons::OkCancel) != MsgAnswer::Ok)
            return;
        starttj();
    }
    if (Combo3->currentIndex() >= 0) {
        if (services::ask(QStringLiteral("要对“") + Combo3->currentText() + QStringLiteral("”科进行统计处理吗？"), title,
                          MsgButtons::OkCancel)
            == MsgAnswer::Ok)
            starttj();
    }
}

void makea::step(int records)
{
    const int v = ProgressBar1->Value();
    ProgressBar1->setValue((std::max(v, 1) - 1 + records) % 100 + 1);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void makea::starttj()
{
    const QString exam = chosenExamId(Combo1, m_examIds);
    if (exam.isEmpty() || m_running)
        return;
    std::vector<SubjectChoice> chosen;
    const int selected = Combo3->currentIndex();
    if (selected < 0)
        chosen = m_subjects;
    else if (selected < static_cast<int>(m_subjects.size()))
        chosen.push_back(m_subjects[static_cast<size_t>(selected)]);
    if (chosen.empty())
        return;
    // The buttons stay as they are during a run; a request to run again or to close the window
    // while it runs is refused (m_running, QueryUnload).
    m_running = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar1->setValue(1);
    ProgressBar1->show();
    const RunResult result = runSubjects(m_dbs.cohort, m_dbs.system, m_year, exam, chosen, [this](int n) { step(n); });
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
