#include "reports/gkdz.h"

#include "controls/grid/grid.h"
#include "reports/comparison.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

gkdz::gkdz()
    : ReportWindow(Kind{.name = QStringLiteral("gkdz"), .title = QStringLiteral("各科成绩对照--"), .reportCode = 36,
                        .hasProgressBar = true, .refusesOtherExam = true})
{
}

void gkdz::createWindowControls(QWidget *root, QVBoxLayout *, QHBoxLayout *chooserRow, QHBoxLayout *body)
{
    Label1[0] = new QLabel(Frame1);
    Label1[0]->setMinimumWidth(40);
    chooserRow->addWidget(Label1[0]);
    // The work grid lies behind Grid1: the user never sees it.
    Grid2 = new Grid(root);
    Grid2->setFormatString(comparison::kHeading);
    Grid2->setRows(1);
    Grid2->hide();
    body->addWidget(Grid2);
}

QString gkdz::designHeading() const
{
    return comparison::kHeading;
}

void gkdz::Form_Load()
{
    kmfs.fill(0);
    ReportWindow::Form_Load();
}

void gkdz::Combo1_Click()
{
    // The grids keep their figures until the next query.
    form_1();
    showbj();
}

void gkdz::form_1()
{
    kmfs = reports::wholeFullMarks(ReportWindow::form_1());
    Label1[0]->setText(njname);
}

void gkdz::Query()
{
    m_examId = chosenExamId();
    if (m_examId.isEmpty()) {
        sysMsg(reports::kNoExamChosen, Combo1);
        return;
    }
    if (bjsum <= 0) {
        sysMsg(reports::kNoClasses);
        return;
    }
    BuildScope scope(this);
    showgrid2();
    showgrid1();
    setBuiltExam(m_examId);
}

void gkdz::showgrid2()
{
    for (Grid *g : {Grid2, Grid1}) {
        g->Clear();
        g->setFormatString(comparison::kHeading);
    }
    comparison::Request req;
    req.examId = m_examId.isEmpty() ? chosenExamId() : m_examId;
    req.kmno = kmno;
    for (int j = 0; j < 13; ++j)
        req.kmfs[size_t(j)] = kmfs[size_t(j)];
    req.kmsum = kmsum;
    req.njname = njname;
    req.startbj = startbj;
    req.bjsum = bjsum;
    const std::vector<QStringList> rows =
        comparison::buildWorkRows(m_dbs.cohort, req, [this] { stepProgress(); }, windows::letEventsRun);
    Grid2->setRows(1 + int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < comparison::kCols; ++c)
            Grid2->setTextMatrix(r + 1, c, rows[size_t(r)].value(c));
}

void gkdz::showgrid1()
{
    std::vector<QStringList> work;
    for (int r = 1; r < Grid2->Rows(); ++r) {
        QStringList row;
        for (int c = 0; c < comparison::kCols; ++c)
            row << Grid2->TextMatrix(r, c);
        work.push_back(row);
    }
    const std::vector<QStringList> listed = comparison::listedRows(work, kmsum, bjsum);
    // Every listed row is shown, however many there are; without any, only the heading stays.
    Grid1->setRows(1 + int(listed.size()));
    for (int r = 0; r < int(listed.size()); ++r)
        for (int c = 0; c < comparison::kCols; ++c)
            Grid1->setTextMatrix(r + 1, c, listed[size_t(r)].value(c));
    fitColumnsToCells();
}

} // namespace quorvane
