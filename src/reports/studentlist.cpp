#include "reports/studentlist.h"

#include "controls/grid/grid.h"
#include "shell/outksxx.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvane {

void StudentListWindow::addListControls(QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                                        const char *const (&boxCaptions)[5])
{
    Label1[0] = new QLabel(QStringLiteral("班级:"), Frame1);
    Combo3 = new QComboBox(Frame1);
    Combo3->setMinimumWidth(90);
    chooserRow->addSpacing(16);
    chooserRow->addWidget(Label1[0]);
    chooserRow->addWidget(Combo3);
    Label1[3] = new QLabel(Frame1);
    chooserRow->addSpacing(16);
    chooserRow->addWidget(Label1[3]);

    Check1.fill(nullptr);
    auto *boxRow = new QHBoxLayout;
    Label1[1] = new QLabel(QStringLiteral("显示项目:"), Frame1);
    boxRow->addWidget(Label1[1]);
    for (int i = 0; i < 5; ++i) {
        if (!boxCaptions[i])
            continue;
        Check1[size_t(i)] = new QCheckBox(QString::fromUtf8(boxCaptions[i]), Frame1);
        boxRow->addWidget(Check1[size_t(i)]);
        connect(Check1[size_t(i)], &QCheckBox::toggled, this, [this, i] { Check1_Click(i); });
    }
    boxRow->addStretch();
    frameLayout->addLayout(boxRow);

    connectChoice(Combo3, Combo3, [this] { Combo3_Click(); });
}

void StudentListWindow::Combo1_Click()
{
    clearGrid();
    form_1();
    Combo3->clear();
    showbj();
}

void StudentListWindow::Combo3_Click()
{
    clearGrid();
}

void StudentListWindow::Check1_Click(int)
{
    clearGrid();
}

void StudentListWindow::Query()
{
    if (Combo3->currentIndex() < 0) {
        sysMsg(reports::kNoClassChosen, Combo3);
        return;
    }
    if (const QString refusal = boxesRefusal(); !refusal.isEmpty()) {
        sysMsg(refusal);
        return;
    }
    showgrid();
}

void StudentListWindow::showgrid()
{
    if (kmsum == 0) {
        sysMsg(QStringLiteral("参加考试学科数量为0！"));
        return;
    }
    const std::vector<int> list = subjects();
    reports::StudentRows rows;
    // No student in the selection (or no exam to read): nothing changes on screen.
    if (!buildList(list, rows))
        return;
    const int n = int(rows.rows.size());
    Label1[3]->setText(QString::number(n) + QStringLiteral("人"));
    Grid1->setUpdatesEnabled(false);
    Grid1->Clear();
    Grid1->setFormatString(listHeading(list));
    Grid1->setFixedCols(1);
    Grid1->setRows(n + 1);
    // The rows' texts go in as they are (column 0 of each is empty).
    for (int r = 0; r < n; ++r)
        Grid1->setRowTexts(r + 1, rows.rows[size_t(r)]);
    // Student numbers, totals and marks wider than their heading are not cut on screen.
    fitColumnsToCells();
    Grid1->setUpdatesEnabled(true);
}

} // namespace quorvane
