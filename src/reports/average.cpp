#include "reports/average.h"

#include "controls/grid/grid.h"
#include "reports/averagebook.h"

#include <QHBoxLayout>

namespace quorvane {

average::average()
    : ReportWindow(Kind{.name = QStringLiteral("average"), .title = QStringLiteral("平均成绩册--"), .reportCode = 35,
                        .hasProgressBar = true, .refusesOtherExam = true})
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

void average::Combo1_Click()
{
    // The grid keeps the previous report until the next query.
    form_1();
    Label1[0]->setText(njname);
    showbj();
}

void average::Query()
{
    if (chosenExamId().isEmpty()) {
        sysMsg(reports::kNoExamChosen, Combo1);
        return;
    }
    if (bjsum <= 0) {
        sysMsg(reports::kNoClasses);
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
    setBuiltExam(exam);
}

} // namespace quorvane
