#pragma once
#include "reports/allsubjectbook.h"
#include "reports/studentlist.h"

#include <QRadioButton>
#include <array>

namespace quorvane {

// The all-subject score book (各科成绩册): every subject's score of the students of a class, the
// grade or a stream in one exam, with optional subject ranks and the two totals with their ranks,
// in one of eight sort orders.
class gkcj : public StudentListWindow
{
    Q_OBJECT
public:
    gkcj();

    // Combo3 lists the class numbers, then "年级", "文科", "理科". Check1: 总分成绩, 各科排名,
    // 班级名次(A), 同类班级名次(B), 年级名次(C).
    std::array<QRadioButton *, 8> Option1{};     // sort order; 1 (班级座号) at load
    // Label1[2] "排序条件:".

    // Another sort order was chosen: the book empties.
    void Option1_Click(int Index);

    // The state of the boxes and the sort option as the book reads them.
    allsubjectbook::Options options() const;

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    // A rank box needs 总分成绩 or 各科排名: there must be a column it ranks.
    QString boxesRefusal() const override;
    QString listHeading(const std::vector<int> &subjects) const override;
    bool buildList(const std::vector<int> &subjects, reports::StudentRows &list) const override;
};

} // namespace quorvane
