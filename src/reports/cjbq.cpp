#include "reports/cjbq.h"

namespace quorvane {

// Printing needs six columns and hands over the subject count; no progress bar.
cjbq::cjbq()
    : StudentListWindow(Kind{.name = QStringLiteral("cjbq"), .title = QStringLiteral("成绩标签打印--"), .reportCode = 38})
{
}

void cjbq::createWindowControls(QWidget *, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow, QHBoxLayout *)
{
    static const char *const boxCaptions[5] = {"总分成绩", nullptr, "班级名次(A)", "同类班级名次(B)", "年级名次(C)"};
    addListControls(frameLayout, chooserRow, boxCaptions);
}

labels::Options cjbq::options() const
{
    labels::Options o;
    o.totals = Check1[0]->isChecked();
    o.rankClass = Check1[2]->isChecked();
    o.rankStream = Check1[3]->isChecked();
    o.rankGrade = Check1[4]->isChecked();
    return o;
}

QString cjbq::boxesRefusal() const
{
    const labels::Options o = options();
    return o.rankBoxes() > 0 && !o.totals ? QStringLiteral("“总分成绩未选中！") : QString();
}

QString cjbq::listHeading(const std::vector<int> &subjects) const
{
    return labels::headingFormat(subjects, options());
}

bool cjbq::buildList(const std::vector<int> &subjects, reports::StudentRows &list) const
{
    return labels::build(cohortDb(), chosenExamId(), Combo3->currentText(), subjects, options(), list);
}

} // namespace quorvane
