#include "reports/average.h"

#include "controls/grid/grid.h"
#include "reports/averagebook.h"
#include "shell/sysdb.h"

#include <QHBoxLayout>

namespace quorvane {

average::average()
    : ReportWindow(Kind{QStringLiteral("average"), QStringLiteral("平均成绩册--"), 35, true, true, true})
{
}

void average::createWindowControls(QWidget *, QVBoxLayout *, QHBoxLayout *chooserRow, QHBoxLayout *)
{
    Label1[0] = new QLabel(Frame1);
    Label1[0]->setMinimumWidth(60);
    chooserRow->addWidget(Label1[0]);
}

QString average::designHeading() const
{
    return reports::averageFormatString({}, 0);
}

void average::Form_Load()
{
    m_builtExam.clear();
    ReportWindow::Form_Load();
}

void average::VsNetBut1_Click(int Index)
{
    // Choosing another exam keeps the last report on screen; printed, its figures would stand
    // under the newly chosen exam's name with that exam's subject count, so it is refused until
    // the next query.
    if (Index == 1 && !isBuilding() && Grid1->Rows() >= 2 && Grid1->Cols() >= 6
        && (m_builtExam.isEmpty() || m_builtExam != chosenExamId())) {
        sysMsg(m_builtExam.isEmpty() ? reports::kEmptyPrint : reports::kOtherExamPrint);
        return;
    }
    ReportWindow::VsNetBut1_Click(Index);
}

void average::Combo1_Click()
{
    // The grid keeps the previous report until the next query.
    form_1();
    Label1[0]->setText(njname);
    showbj();
}

void average::showbj()
{
    const sysdb::ClassRange r = sysdb::readClassRange(systemDb(), cohortYear());
    if (r.found) {
        bjsum = r.bjsum;
        startbj = r.startbj;
    }
}

void average::Query()
{
    if (chosenExamId().isEmpty()) {
        sysMsg(QStringLiteral("考试名称未选择！"), Combo1);
        return;
    }
    if (bjsum <= 0) {
        sysMsg(QStringLiteral("查询相关数据可能为空！"));
        return;
    }
    showgrid();
}

void average::showgrid()
{
    BuildScope busy(this);
    reports::AverageProgress progress;
    progress.row = [this] { stepProgress(); };
    progress.afterClass = [this] { letEventsRun(); };
    const QString exam = chosenExamId();
    const reports::AverageBook book = reports::buildAverageBook(cohortDb(), exam, kmno, kmsum, startbj, bjsum, njname, progress);
    Grid1->Clear();
    Grid1->setCols(0);
    Grid1->setFormatString(book.formatString);
    Grid1->setRows(static_cast<int>(book.rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(book.rows.size()); ++r) {
        const QStringList &cells = book.rows[static_cast<size_t>(r)];
        for (int c = 1; c < cells.size() && c < Grid1->Cols(); ++c)
            Grid1->setTextMatrix(r + 1, c, cells[c]);
    }
    fitColumnsToCells();
    m_builtExam = exam;
}

} // namespace quorvane
