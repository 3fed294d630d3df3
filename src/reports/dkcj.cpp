#include "reports/dkcj.h"

#include "controls/grid/grid.h"
#include "shell/outksxx.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

namespace {
const QString kFormat = QStringLiteral("|^ 班级|^座号|^   姓 名|^成绩|^   备 注||^ 班级|^座号|^   姓 名|^成绩|^   备 注");
const char *const kCaptions[10] = {"班级:", "平 均 分:", "学科:", "最 高 分:", "最 低 分:",
                                   "总 人 数:", "考试人数:", "缺考人数:", "考试名称:", "作弊人数:"};
} // namespace

dkcj::dkcj()
    : ReportWindow(Kind{.name = QStringLiteral("dkcj"), .title = QStringLiteral("单科成绩册--"), .reportCode = 33,
                        .printNeedsColumns = false, .handsSubjectCount = false, .hasProgressBar = true,
                        .listsWholeExam = true})
{
}

void dkcj::createWindowControls(QWidget *root, QVBoxLayout *, QHBoxLayout *chooserRow, QHBoxLayout *body)
{
    Label2.fill(nullptr);
    Label3.fill(nullptr);
    // The chooser captions stand in the frame, the statistic captions beside the grid.
    auto *side = new QWidget(root);
    for (int i = 0; i < 10; ++i)
        if (i != 8)
            Label1[i] = new QLabel(QString::fromUtf8(kCaptions[i]), (i == 0 || i == 2) ? static_cast<QWidget *>(Frame1) : side);
    Combo2 = new QComboBox(Frame1);
    Combo2->setMinimumWidth(100);
    Combo3 = new QComboBox(Frame1);
    Combo3->setMinimumWidth(80);
    chooserRow->addWidget(Label1[2]);
    chooserRow->addWidget(Combo2);
    chooserRow->addWidget(Label1[0]);
    chooserRow->addWidget(Combo3);

    Grid1->setFormatString(kFormat);
    Grid1->setRows(1);

    // The statistic lines right of the grid: 平均分, 最高分, 最低分, 总人数, 考试人数, 缺考人数,
    // 作弊人数, then the nine band lines.
    auto *form = new QGridLayout(side);
    static const int captionOf[7] = {1, 3, 4, 5, 6, 7, 9};
    for (int i = 0; i < 16; ++i) {
        Label2[i] = new QLabel(side);
        Label2[i]->setMinimumWidth(60);
        QLabel *caption = nullptr;
        if (i < 7) {
            caption = Label1[captionOf[i]];
        } else {
            Label3[i] = new QLabel(reports::bandCaption(i, 150), side);
            caption = Label3[i];
        }
        form->addWidget(caption, i, 0);
        form->addWidget(Label2[i], i, 1);
    }
    form->setRowStretch(16, 1);
    body->addWidget(side);

    connectChoice(Combo2, Combo2, [this] { Combo2_Click(); });
    connectChoice(Combo3, Combo3, [this] { Combo3_Click(); });
}

bool dkcj::bandVisible(int row) const
{
    if (row < 0 || row > 15 || !Label2[row])
        return false;
    return !Label2[row]->isHidden();
}

void dkcj::Combo1_Click()
{
    Grid1->setRows(1);
    form_1();
}

void dkcj::Combo2_Click()
{
    Grid1->setRows(1);
    showbj();
    const int fs = chosenFullMark();
    for (int i = 7; i <= 15; ++i) {
        const bool shown = reports::bandShown(i, fs);
        Label3[i]->setText(reports::bandCaption(i, fs));
        Label2[i]->setVisible(shown);
        Label3[i]->setVisible(shown);
    }
}

int dkcj::chosenFullMark() const
{
    const int p = Combo2->currentIndex();
    return p >= 0 && p < 13 ? kmfs[static_cast<size_t>(p)] : 0;
}

void dkcj::Combo3_Click()
{
    Grid1->setRows(1);
}

void dkcj::form_1()
{
    const reports::ExamSubjects s = ReportWindow::form_1();
    const QSignalBlocker block(Combo2);
    Combo2->clear();
    if (!s.found)
        return;
    kmfs.fill(0);
    for (int p = 0; p < s.kmsum; ++p) {
        const int k = kmno[static_cast<size_t>(p)];
        Combo2->addItem(subjectName(k));
        const QVariant fs = s.allfs.value(k - 1);
        if (reports::isPresent(fs))
            kmfs[static_cast<size_t>(p)] = static_cast<int>(reports::roundEven(fs.toDouble()));
    }
    Combo2->setCurrentIndex(-1);
}

void dkcj::Query()
{
    if (Combo3->currentIndex() < 0) {
        sysMsg(reports::kNoClassChosen, Combo3);
        return;
    }
    // A class chosen before another exam was chosen: the subject list is empty again.
    const int p = Combo2->currentIndex();
    if (p < 0 || p > 12) {
        sysMsg(QStringLiteral("查询学科未选择！"), Combo2);
        return;
    }
    if (kmno[static_cast<size_t>(p)] == 0)
        return;
    showgrid();
}

void dkcj::showgrid()
{
    BuildScope busy(this);
    const int p = Combo2->currentIndex();
    const int k = p >= 0 && p < 13 ? kmno[static_cast<size_t>(p)] : 0;
    const reports::SubjectBook book =
        reports::buildSubjectBook(cohortDb(), chosenExamId(), k, chosenFullMark(), reports::subjectSelectionFromText(Combo3->currentText()),
                                  [this] { stepProgress(); });
    // No student: the grid and the labels keep what they show.
    if (!book.found)
        return;
    Grid1->Clear();
    Grid1->setFormatString(kFormat);
    Grid1->setRows(book.gridRows());
    for (size_t n = 0; n < book.students.size(); ++n) {
        const reports::SubjectBookStudent &s = book.students[n];
        const int row = static_cast<int>(n / 2) + 1;
        const int c = n % 2 == 0 ? 1 : 7;
        Grid1->setTextMatrix(row, c, s.bj);
        Grid1->setTextMatrix(row, c + 1, s.zh);
        Grid1->setTextMatrix(row, c + 2, s.name);
        Grid1->setTextMatrix(row, c + 3, s.score);
        Grid1->setTextMatrix(row, c + 4, s.note);
    }
    fitColumnsToCells();
    m_tj = book.tj;
    for (int i = 0; i < 16; ++i) {
        if (!bandVisible(i))
            continue;
        // Without any counted score there is no highest or lowest score to show.
        if ((i == 1 || i == 2) && book.counted == 0)
            Label2[i]->setText(QString());
        else
            Label2[i]->setText(numberText(book.tj[static_cast<size_t>(i)]));
    }
}

} // namespace quorvane
