#pragma once
#include "reports/labels.h"
#include "reports/reportframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <array>
#include <vector>

namespace quorvane {

// The score labels (成绩标签): the students of one class in one exam in seat order, with every
// subject's score and, on request, the two totals with the chosen ranks, printed ten labels a page.
class cjbq : public ReportWindow
{
    Q_OBJECT
public:
    cjbq();

    // Controls besides the frame's (Combo1, Grid1, VsNetBut1, Label1[8], Frame1).
    QComboBox *Combo3 = nullptr;          // class numbers of the cohort
    // 0 总分成绩, 2 班级名次(A), 3 同类班级名次(B), 4 年级名次(C); there is no element 1 (nullptr).
    std::array<QCheckBox *, 5> Check1{};
    // Label1[0] "班级:", [1] "显示项目:", [3] the number of students of the last report.

    void Combo1_Click() override;
    void Combo3_Click();
    void Check1_Click(int Index);

    // Fills Combo3 with the class numbers of the cohort; no entry chosen.
    void showbj();
    // Builds the labels of the chosen class.
    void showgrid();

    labels::Options options() const;

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    QString designHeading() const override;
    void Query() override;
};

} // namespace quorvane
