#pragma once
#include "scores/rankwindow.h"

#include <QComboBox>
#include <QLabel>

#include <array>
#include <vector>

namespace quorvane {

// 成绩单科统计: forms the scores of subjects entered in two parts and ranks the subject scores of one
// exam within class, stream and exam, for all subjects or one.
class makea : public RankWindow
{
    Q_OBJECT
public:
    makea();

    std::array<QLabel *, 9> Label1{};          // Index 2: "考试名称:", Index 8: "选择统计学科:"
    QComboBox *Combo3 = nullptr;

    void Combo1_Click() override;                // lists the exam's subjects (form_1) and enables 统计
    void VsNetBut1_Click(int index) override;    // 统计 asks for all subjects or the chosen one, and runs starttj
    void form_1(const QString &examId);          // fills Combo3 with the subjects taken in the exam
    void starttj();                              // forms split subjects' scores and ranks the chosen subjects

    // The subject at each list position of Combo3.
    const std::vector<SubjectChoice> &subjectList() const { return m_subjects; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;

private:
    std::vector<SubjectChoice> m_subjects;
    bool m_settingsMissing = false;
};

} // namespace quorvane
