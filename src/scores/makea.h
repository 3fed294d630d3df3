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

    void Combo1_Click() override;
    void VsNetBut1_Click(int index) override;
    void form_1(const QString &examId);
    void starttj();

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
