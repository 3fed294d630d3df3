#pragma once
#include "reports/allsubjectbook.h"
#include "reports/reportframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <array>
#include <vector>

namespace quorvane {

// The all-subject score book (各科成绩册): every subject's score of the students of a class, the
// grade or a stream in one exam, with optional subject ranks and the two totals with their ranks,
// in one of eight sort orders.
class gkcj : public ReportWindow
{
    Q_OBJECT
public:
    gkcj();

    // Controls besides the frame's (Combo1, Grid1, VsNetBut1, Label1[8], Frame1).
    QComboBox *Combo3 = nullptr;                 // class numbers, then "年级", "文科", "理科"
    std::array<QCheckBox *, 5> Check1{};         // 总分成绩, 各科排名, 班级名次(A), 同类班级名次(B), 年级名次(C)
    std::array<QRadioButton *, 8> Option1{};     // sort order; 1 (班级座号) at load
    // Label1[0] "班级:", [1] "显示项目:", [2] "排序条件:", [3] the number of listed students.

    void Combo1_Click() override;
    void Combo3_Click();
    void Check1_Click(int Index);
    void Option1_Click(int Index);

    // Fills Combo3 with the cohort's classes and the three whole-exam choices; no entry chosen.
    void showbj();
    // Builds the book from the controls' state.
    void showgrid();

    // The state of the boxes and the sort option as the book reads them.
    allsubjectbook::Options options() const;

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    QString designHeading() const override;
    void Query() override;
};

} // namespace quorvane
