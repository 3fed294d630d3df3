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

    void Combo1_Click() override;
    void VsNetBut1_Click(int index) override;
    void starttj();

protected:
    void createControls(QWidget *root) override;
};

} // namespace quorvane
