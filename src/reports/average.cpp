#include "reports/average.h"

#include "controls/grid/grid.h"
#include "reports/averagebook.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QScrollBar>

#include <algorithm>

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

QSize average::openingSize() const
{
    std::array<quint8, 13> nine{};
    for (int i = 0; i < 9; ++i)
        nine[static_cast<size_t>(i)] = static_cast<quint8>(i + 1);
    // Each column as the book fits it: its heading or its widest usual cell, with the same spare.
    const QStringList heads = reports::averageFormatString(nine, 9).split(QLatin1Char('|'));
    int twips = Grid1->ColWidth(0);
    for (qsizetype c = 1; c < heads.size(); ++c) {
        const QString sample = c == 1 ? QStringLiteral("高一(10)班") : QStringLiteral("100.00");
        twips += std::max(Grid1->textWidthTwips(heads[c].mid(1)), Grid1->textWidthTwips(sample)) + 8 * Grid::TwipsPerPixel;
    }
    int width = twips / Grid::TwipsPerPixel + 2 * Grid1->frameWidth() + Grid1->verticalScrollBar()->sizeHint().width();
    if (const QLayout *outer = Grid1->parentWidget()->layout())
        width += outer->contentsMargins().left() + outer->contentsMargins().right();
    return ReportWindow::openingSize().expandedTo(QSize(width, 0));
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
    progress.afterClass = windows::letEventsRun;
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
