#include "reports/cjbq.h"

#include "controls/grid/grid.h"
#include "shell/outksxx.h"
#include "shell/sysdb.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

// Printing needs six columns and hands over the subject count; no progress bar.
cjbq::cjbq() : ReportWindow(Kind{QStringLiteral("cjbq"), QStringLiteral("成绩标签打印--"), 38, true, true, false}) {}

QString cjbq::designHeading() const
{
    return labels::headingFormat({}, labels::Options{});
}

void cjbq::createWindowControls(QWidget *, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow, QHBoxLayout *)
{
    Combo3 = addClassChooser(chooserRow);
    static const char *const boxCaptions[5] = {"总分成绩", nullptr, "班级名次(A)", "同类班级名次(B)", "年级名次(C)"};
    addDisplayBoxes(frameLayout, boxCaptions, Check1, [this](int i) { Check1_Click(i); });

    connectChoice(Combo3, Combo3, [this] { Combo3_Click(); });
}

void cjbq::Combo1_Click()
{
    clearGrid();
    form_1();
    Combo3->clear();
    showbj();
}

void cjbq::Combo3_Click()
{
    clearGrid();
}

void cjbq::Check1_Click(int)
{
    clearGrid();
}

void cjbq::showbj()
{
    const sysdb::ClassRange range = sysdb::readClassRange(systemDb(), cohortYear());
    const qint16 count = range.found ? range.bjsum : qint16(0);
    const qint16 first = range.found ? range.startbj : qint16(0);
    const QSignalBlocker block(Combo3);
    Combo3->clear();
    QStringList items;
    for (int c = 0; c < count; ++c)
        items << QString::number(int(first) + c);
    Combo3->addItems(items);
    Combo3->setCurrentIndex(-1);
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

void cjbq::Query()
{
    if (Combo3->currentIndex() < 0) {
        sysMsg(QStringLiteral("查询班级未选择！"), Combo3);
        return;
    }
    const labels::Options o = options();
    if (o.rankBoxes() > 0 && !o.totals) {
        sysMsg(QStringLiteral("“总分成绩未选中！"));
        return;
    }
    showgrid();
}

void cjbq::showgrid()
{
    if (kmsum == 0) {
        sysMsg(QStringLiteral("参加考试学科数量为0！"));
        return;
    }
    const std::vector<int> list = subjects();
    const labels::Options o = options();
    labels::Sheet sheet;
    // A class without students in the exam: nothing changes on screen.
    if (!labels::build(cohortDb(), chosenExamId(), Combo3->currentText(), list, o, sheet))
        return;
    showStudentRows(labels::headingFormat(list, o), sheet);
}

} // namespace quorvane
