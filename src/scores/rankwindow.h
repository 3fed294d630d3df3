#pragma once
#include "controls/progressbar/XP_ProgressBar.h"
#include "scores/ranking.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <array>
#include <functional>

class QVBoxLayout;

namespace quorvane {

// What the two score statistics windows (make: totals, makea: subjects) share: the exam chooser,
// the progress bar and the 统计/退出 buttons, the cohort the window was loaded with, its
// databases, and the guard that refuses a second run or a close while a run goes on.
class RankWindow : public Window
{
    Q_OBJECT
public:
    QComboBox *Combo1 = nullptr;
    std::array<QPushButton *, 2> VsNetBut1{};  // 0 退出, 1 统计
    XP_ProgressBar *ProgressBar1 = nullptr;

    // An exam chosen in Combo1: the window readies its run.
    virtual void Combo1_Click() = 0;
    // A press of VsNetBut1[index]: 0 退出 closes the window, 1 统计 asks and runs.
    virtual void VsNetBut1_Click(int index) = 0;
    // Counts the classes of the chosen exam (none when no exam is chosen).
    void showbj();

    bool isRunning() const { return m_running; }
    qint64 classCount() const { return m_classCount; }
    QString cohortYear() const { return m_year; }
    QStringList examIds() const { return m_examIds; }

protected:
    // name: the window's name; caption: the start of its title, which the cohort year completes.
    RankWindow(const QString &name, const QString &caption);

    // The row 考试名称: with Combo1; gives back its label for the window's label array.
    QLabel *addExamChooser(QWidget *root, QVBoxLayout *lay);
    // The progress bar and the 统计 and 退出 buttons, below the choosers.
    void addRunControls(QWidget *root, QVBoxLayout *lay);

    void Form_Load() override;
    void Form_Unload() override;
    bool QueryUnload() override;

    // What a press of VsNetBut1[index] asks for: 退出 unloads the window; true only for 统计 while
    // no run goes on.
    bool runRequested(int index);
    // Runs one statistics run with the hourglass and the progress bar, refusing the buttons and a
    // close meanwhile, then reports how it ended.
    void runWithProgress(const std::function<RunResult(const ProgressFn &)> &run);
    // The exam chosen in Combo1 (empty when none).
    QString chosenExam() const;

    WindowDatabases m_dbs;
    QString m_year;
    QString m_dbFile;
    QStringList m_examIds;
    qint64 m_classCount = 0;
    bool m_running = false;

private:
    void step(int records);

    QString m_caption;
};

} // namespace quorvane
