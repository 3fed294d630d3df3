#pragma once
#include "scores/rankwindow.h"

#include <QLabel>

#include <array>

namespace quorvane {

// 成绩总分统计: computes total 1 and total 2 of one exam and their ranks within class, stream and exam.
class make : public RankWindow
{
    Q_OBJECT
public:
    make();

    std::array<QLabel *, 3> Label1{};          // Index 2: "考试名称:"

    void Combo1_Click() override;                // counts the exam's classes and enables 统计
    void VsNetBut1_Click(int index) override;    // 统计 asks "要统计处理“…”吗？" and runs starttj
    void starttj();                              // computes the totals and ranks of the chosen exam

protected:
    void createControls(QWidget *root) override;
};

} // namespace quorvane
