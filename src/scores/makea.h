#pragma once
#include "scores/ranking.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <array>
#include <vector>

namespace quorvane {

// 成绩单科统计: forms the scores of subjects entered in two parts and ranks the subject scores of one
// exam within class, stream and exam, for all subjects or one.
class makea : public Window
{
    Q_OBJECT
public:
    makea();

    std::array<QLabel *, 9> Label1{};          // Index 2: "考试名称:", Index 8: "选择统计学科:"
    QComboBox *Combo1 = nullptr;
    QComboBox *Combo3 = nullptr;
    std::array<QPushButton *, 2> VsNetBut1{};  // 0 退出, 1 统计
    XP_ProgressBar *ProgressBar1 = nullptr;

    void Combo1_Click();
    void VsNetBut1_Click(int index);
    void form_1(const QString &examId);
    void showbj();
    void starttj();

    bool isRunning() const { return m_running; }
    qint64 classCount() const { return m_classCount; }
    QString cohortYear() const { return m_year; }
    QStringList examIds() const { return m_examIds; }
    // The subject at each list position of Combo3.
    const std::vector<SubjectChoice> &subjectList() const { return m_subjects; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;
    bool QueryUnload() override;

private:
    void step(int records);

    WindowDatabases m_dbs{QStringLiteral("makea")};
    QString m_year;
    QString m_dbFile;
    QStringList m_examIds;
    std::vector<SubjectChoice> m_subjects;
    bool m_settingsMissing = false;
    qint64 m_classCount = 0;
    bool m_running = false;
};

} // namespace quorvane
