#pragma once
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <array>

namespace quorvane {

// 成绩总分统计: computes total 1 and total 2 of one exam and their ranks within class, stream and exam.
class make : public Window
{
    Q_OBJECT
public:
    make();

    std::array<QLabel *, 3> Label1{};          // Index 2: "考试名称:"
    QComboBox *Combo1 = nullptr;
    std::array<QPushButton *, 2> VsNetBut1{};  // 0 退出, 1 统计
    XP_ProgressBar *ProgressBar1 = nullptr;

    void Combo1_Click();
    void VsNetBut1_Click(int index);
    void showbj();
    void starttj();

    bool isRunning() const { return m_running; }
    qint64 classCount() const { return m_classCount; }
    QString cohortYear() const { return m_year; }
    QStringList examIds() const { return m_examIds; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;
    bool QueryUnload() override;

private:
    void step(int records);

    WindowDatabases m_dbs{QStringLiteral("make")};
    QString m_year;
    QString m_dbFile;
    QStringList m_examIds;
    qint64 m_classCount = 0;
    bool m_running = false;
};

} // namespace quorvane
