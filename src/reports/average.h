#pragma once
#include "reports/reportframe.h"

namespace quorvane {

// 平均成绩册: for one exam, one row per class with the class average and rank of every subject and
// the class averages of total 1 and total 2.
class average : public ReportWindow
{
    Q_OBJECT
public:
    average();

    // Label1[0] shows the grade of the chosen exam (the other common controls are in ReportWindow).

    void Combo1_Click() override;
    // The print button also refuses a report built for another exam than the one chosen now.
    void VsNetBut1_Click(int Index) override;
    // Reads the class count and first class of the cohort; keeps the previous values when the
    // cohort has no row.
    void showbj();
    // Builds the report into Grid1.
    void showgrid();

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    QString designHeading() const override;
    void Form_Load() override;
    void Query() override;

private:
    QString m_builtExam;   // the exam whose averages Grid1 holds (empty: none)
};

} // namespace quorvane
