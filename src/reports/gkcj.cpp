#include "reports/gkcj.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvane {

// Printing needs six columns and hands over the subject count; no progress bar.
gkcj::gkcj()
    : StudentListWindow(Kind{.name = QStringLiteral("gkcj"), .title = QStringLiteral("各科成绩册--"), .reportCode = 34,
                             .listsWholeExam = true})
{
}

void gkcj::createWindowControls(QWidget *, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow, QHBoxLayout *)
{
    Option1.fill(nullptr);
    static const char *const boxCaptions[5] = {"总分成绩", "各科排名", "班级名次(A)", "同类班级名次(B)", "年级名次(C)"};
    addListControls(frameLayout, chooserRow, boxCaptions);

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
}

void gkcj::Option1_Click(int)
{
    clearGrid();
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

QString gkcj::boxesRefusal() const
{
    const allsubjectbook::Options o = options();
    if (o.rankBoxes() > 0 && !o.totals && !o.subjectRanks)
        return QStringLiteral("“总分成绩、各科排名”至少要选一项！");
    return QString();
}

QString gkcj::listHeading(const std::vector<int> &subjects) const
{
    return allsubjectbook::headingFormat(subjects, options());
}

bool gkcj::buildList(const std::vector<int> &subjects, reports::StudentRows &list) const
{
    return allsubjectbook::build(cohortDb(), chosenExamId(), Combo3->currentText(), subjects, options(), list);
}

} // namespace quorvane
