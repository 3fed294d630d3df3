#include "scores/makea.h"

#include "shell/services.h"
#include "shell/titles.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

makea::makea() : RankWindow(QStringLiteral("makea"), QStringLiteral("成绩单科统计")) {}

void makea::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    Label1 = {};
    Label1[2] = addExamChooser(root, lay);
    auto *row2 = new QHBoxLayout;
    Label1[8] = new QLabel(QStringLiteral("选择统计学科:"), root);
    Combo3 = new QComboBox(root);
    row2->addWidget(Label1[8]);
    row2->addWidget(Combo3, 1);
    lay->addLayout(row2);
    addRunControls(root, lay);
    resize(420, 180);
}

void makea::Form_Load()
{
    m_subjects.clear();
    m_settingsMissing = false;
    RankWindow::Form_Load();
}

void makea::Combo1_Click()
{
    if (m_running)
        return;
    form_1(chosenExam());
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

void makea::VsNetBut1_Click(int index)
{
    if (!runRequested(index))
        return;
    if (m_settingsMissing && !chosenExam().isEmpty()) {
        RunResult missing;
        missing.status = RunStatus::NoSettings;
        services::msg(runFailureText(missing), titles::kSystem);
        return;
    }
    const QString title = titles::kSystem;
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

void makea::starttj()
{
    const QString exam = chosenExam();
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
    runWithProgress([&](const ProgressFn &progress) {
        return runSubjects(m_dbs.cohort, m_dbs.system, m_year, exam, chosen, progress);
    });
}

} // namespace quorvane
