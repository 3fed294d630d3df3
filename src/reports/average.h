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

    // Another exam was chosen: its subjects, grade (shown in Label1[0]) and the cohort's classes are
    // read; the grid keeps the last report until the next query.
    void Combo1_Click() override;
    // Builds the report into Grid1.
    void showgrid();
    // Wide enough for the book of a nine-subject exam (class labels and averages included) without a
    // horizontal scroll bar, as far as the screen allows when it is placed; no narrower than any
    // report window.
    QSize openingSize() const override;

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    QString designHeading() const override;
    void Query() override;
};

} // namespace quorvane
