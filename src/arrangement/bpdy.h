#pragma once
#include "arrangement/arrange.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <array>
#include <random>

namespace quorvane {

class XP_ProgressBar;

// 编班打印: deals the students of a cohort to the rooms and seats of one exam and opens the
// class and room seat charts.
class bpdy : public Window
{
    Q_OBJECT
public:
    bpdy();

    std::array<QLabel *, 3> Label1{};          // (0) 考试名称：, (2) the one-run hint
    QComboBox *Combo1 = nullptr;               // exam chooser
    std::array<QRadioButton *, 2> Option1{};   // (0) 班级座位表, (1) 考场座位表
    std::array<QPushButton *, 2> VsNetBut1{};  // (0) 进行编排处理, (1) 打印座位表
    XP_ProgressBar *ProgressBar1 = nullptr;
    std::array<QGroupBox *, 3> Frame1{};

    // An exam chosen in Combo1: takes its room list and basis exam and enables the buttons.
    void Combo1_Click();
    // (0) 进行编排处理 runs the arrangement; (1) 打印座位表 opens the class or room seat chart.
    void VsNetBut1_Click(int index);
    // One arrangement run of the chosen exam.
    void startbb();

    // The exam chosen in Combo1 (its id at the chosen list position).
    QString examId() const;
    QString basisExamId() const { return m_basisExamId; }
    QString roomList() const { return m_roomList; }
    QStringList examIds() const { return m_examIds; }
    // The cohort the window was loaded with.
    QString cohortYear() const { return m_cohortYear; }
    QString cohortDbFile() const { return m_cohortDbFile; }
    // The outcome of the last run.
    const ArrangeResult &lastResult() const { return m_lastResult; }
    // True while a run goes on: the window then refuses to close and to start anything else.
    bool isRunning() const { return m_running; }

    // Seeds the random order of the register (tests); otherwise it is seeded from the system.
    void setSeed(unsigned seed) { m_rng.seed(seed); }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;
    bool QueryUnload() override;

private:
    WindowDatabases m_db{QStringLiteral("bpdy")};
    QString m_cohortYear;
    QString m_cohortDbFile;
    QStringList m_examIds;
    QString m_basisExamId;
    QString m_roomList;
    ArrangeResult m_lastResult;
    bool m_running = false;
    std::mt19937 m_rng;
};

} // namespace quorvane
