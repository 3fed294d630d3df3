#include "reports/gkcj.h"

#include "controls/grid/grid.h"
#include "shell/outksxx.h"
#include "shell/sysdb.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

// Printing needs six columns and hands over the subject count; no progress bar.
gkcj::gkcj() : ReportWindow(Kind{QStringLiteral("gkcj"), QStringLiteral("各科成绩册--"), 34, true, true, false}) {}

QString gkcj::designHeading() const
{
    return allsubjectbook::headingFormat({}, allsubjectbook::Options{});
}

void gkcj::createWindowControls(QWidget *, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow, QHBoxLayout *)
{
    Option1.fill(nullptr);

    Combo3 = addClassChooser(chooserRow);
    static const char *const boxCaptions[5] = {"总分成绩", "各科排名", "班级名次(A)", "同类班级名次(B)", "年级名次(C)"};
    addDisplayBoxes(frameLayout, boxCaptions, Check1, [this](int i) { Check1_Click(i); });

    auto *orderRow = new QHBoxLayout;
    Label1[2] = new QLabel(QStringLiteral("排序条件:"), Frame1);
    orderRow->addWidget(Label1[2]);
    auto *group = new QButtonGroup(Frame1);
    const QStringList captions = allsubjectbook::orderCaptions();
    for (int i = 0; i < 8; ++i) {
        Option1[i] = new QRadioButton(captions.at(i), Frame1);
        group->addButton(Option1[i], i);
        orderRow->addWidget(Option1[i]);
    }
    Option1[1]->setChecked(true);
    for (int i = 0; i < 8; ++i)
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option1_Click(i);
        });
    orderRow->addStretch();
    frameLayout->addLayout(orderRow);

    connectChoice(Combo3, Combo3, [this] { Combo3_Click(); });
}

void gkcj::Combo1_Click()
{
    clearGrid();
    form_1();
    Combo3->clear();
    showbj();
}

void gkcj::Combo3_Click()
{
    clearGrid();
}

void gkcj::Check1_Click(int)
{
    clearGrid();
}

void gkcj::Option1_Click(int)
{
    clearGrid();
}

void gkcj::showbj()
{
    const sysdb::ClassRange range = sysdb::readClassRange(systemDb(), cohortYear());
    bjsum = range.found ? range.bjsum : qint16(0);
    startbj = range.found ? range.startbj : qint16(0);
    const QSignalBlocker block(Combo3);
    Combo3->clear();
    if (bjsum > 0) {
        QStringList items;
        for (int c = 0; c < bjsum; ++c)
            items << QString::number(int(startbj) + c);
        items << QStringLiteral("年级") << QStringLiteral("文科") << QStringLiteral("理科");
        Combo3->addItems(items);
    }
    Combo3->setCurrentIndex(-1);
}

allsubjectbook::Options gkcj::options() const
{
    allsubjectbook::Options o;
    o.totals = Check1[0]->isChecked();
    o.subjectRanks = Check1[1]->isChecked();
    o.rankClass = Check1[2]->isChecked();
    o.rankStream = Check1[3]->isChecked();
    o.rankGrade = Check1[4]->isChecked();
    for (int i = 0; i < 8; ++i)
        if (Option1[i]->isChecked())
            o.order = i;
    return o;
}

void gkcj::Query()
{
    if (Combo3->currentIndex() < 0) {
        sysMsg(QStringLiteral("查询班级未选择！"), Combo3);
        return;
    }
    const allsubjectbook::Options o = options();
    if (o.rankBoxes() > 0 && !o.totals && !o.subjectRanks) {
        sysMsg(QStringLiteral("“总分成绩、各科排名”至少要选一项！"));
        return;
    }
    showgrid();
}

void gkcj::showgrid()
{
    if (kmsum == 0) {
        sysMsg(QStringLiteral("参加考试学科数量为0！"));
        return;
    }
    const std::vector<int> list = subjects();
    const allsubjectbook::Options o = options();
    allsubjectbook::Book book;
    // No student in the selection (or no exam to read): nothing changes on screen.
    if (!allsubjectbook::build(cohortDb(), chosenExamId(), Combo3->currentText(), list, o, book))
        return;
    showStudentRows(allsubjectbook::headingFormat(list, o), book);
}

} // namespace quorvane
