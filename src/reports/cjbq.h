#pragma once
#include "reports/labels.h"
#include "reports/studentlist.h"

namespace quorvane {

// The score labels (成绩标签): the students of one class in one exam in seat order, with every
// subject's score and, on request, the two totals with the chosen ranks, printed ten labels a page.
class cjbq : public StudentListWindow
{
    Q_OBJECT
public:
    cjbq();

    // Combo3 lists the class numbers of the cohort. Check1: 0 总分成绩, 2 班级名次(A),
    // 3 同类班级名次(B), 4 年级名次(C); there is no element 1 (nullptr).

    labels::Options options() const;

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    // A rank box needs 总分成绩: the ranks are those of the totals.
    QString boxesRefusal() const override;
    QString listHeading(const std::vector<int> &subjects) const override;
    bool buildList(const std::vector<int> &subjects, reports::StudentRows &list) const override;
};

} // namespace quorvane
