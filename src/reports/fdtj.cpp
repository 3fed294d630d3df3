#include "reports/fdtj.h"

#include "controls/grid/grid.h"
#include "reports/bandstats.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/subjects.h"
#include "shell/textcheck.h"

#include <QButtonGroup>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

fdtj::fdtj()
    : ReportWindow(Kind{.name = QStringLiteral("fdtj"), .title = QStringLiteral("成绩分段统计--"), .reportCode = 37,
                        .hasProgressBar = true})
{
}

QString fdtj::designHeading() const
{
    return bandstats::statisticsHeading(true);
}

void fdtj::createWindowControls(QWidget *, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow, QHBoxLayout *)
{
    Option1.fill(nullptr);
    QWidget *frame = Frame1;
    Label1[0] = new QLabel(frame);
    Label1[0]->setMinimumWidth(40);
    chooserRow->addWidget(Label1[0]);
    Label1[1] = new QLabel(QStringLiteral("统计项目:"), frame);
    Combo2 = new QComboBox(frame);
    Combo2->setMinimumWidth(100);
    chooserRow->addWidget(Label1[1]);
    chooserRow->addWidget(Combo2);

    auto *boxes = new QHBoxLayout;
    auto addBox = [&](int label, const QString &caption) {
        Label1[size_t(label)] = new QLabel(caption, frame);
        auto *box = new QLineEdit(frame);
        box->setMaximumWidth(70);
        boxes->addWidget(Label1[size_t(label)]);
        boxes->addWidget(box);
        keys::onGotFocus(box, [box] { keys::caretToEnd(box); });
        return box;
    };
    Text1 = addBox(3, QStringLiteral("统计下限:"));
    Text2 = addBox(2, QStringLiteral("统计上限:"));
    Text3 = addBox(4, QStringLiteral("统计组距:"));
    boxes->addSpacing(16);
    auto *group = new QButtonGroup(frame);
    static const char *const streams[3] = {"文科", "理科", "不限"};
    for (int i = 0; i < 3; ++i) {
        Option1[size_t(i)] = new QRadioButton(QString::fromUtf8(streams[i]), frame);
        group->addButton(Option1[size_t(i)], i);
        boxes->addWidget(Option1[size_t(i)]);
    }
    Option1[2]->setChecked(true);
    boxes->addStretch();
    frameLayout->addLayout(boxes);

    connectChoice(Combo2, Combo2, [this] { Combo2_Click(); });
    // Enter walks 考试名称 → 统计项目 → 下限 → 上限 → 组距 → 查询.
    keys::onEnter(Combo1, [this] { Combo2->setFocus(); });
    keys::onEnter(Combo2, [this] { Text1->setFocus(); });
    keys::onEnter(Text1, [this] { Text2->setFocus(); });
    keys::onEnter(Text2, [this] { Text3->setFocus(); });
    keys::onEnter(Text3, [this] { VsNetBut1[2]->setFocus(); });
    keys::pressOnEnter(VsNetBut1[2]);
}

void fdtj::Form_Load()
{
    kmfs.fill(0);
    ReportWindow::Form_Load();
}

void fdtj::Combo1_Click()
{
    Grid1->setRows(1);
    form_1();
    showbj();
}

void fdtj::form_1()
{
    kmfs = reports::wholeFullMarks(ReportWindow::form_1());
    // Filling the list chooses nothing: the user picks the item.
    const QSignalBlocker quiet(Combo2);
    Combo2->clear();
    for (int j = 0; j < kmsum; ++j)
        Combo2->addItem(subjectName(kmno[size_t(j)]));
    if (kmsum > 0) {
        Combo2->addItem(QStringLiteral("总分1"));
        Combo2->addItem(QStringLiteral("总分2"));
    }
    Combo2->setCurrentIndex(-1);
    Label1[0]->setText(njname);
}

void fdtj::Combo2_Click()
{
    Grid1->setRows(1);
    const QString item = Combo2->currentText();
    const int j = Combo2->currentIndex();
    if (item == QStringLiteral("总分1")) {
        Text1->setText(QStringLiteral("200"));
        Text2->setText(QStringLiteral("300"));
        Text3->setText(QStringLiteral("20"));
    } else if (item == QStringLiteral("总分2")) {
        Text1->setText(QStringLiteral("300"));
        Text2->setText(QStringLiteral("500"));
        Text3->setText(QStringLiteral("20"));
    } else if (j >= 0 && j < kmsum) {
        Text1->setText(numberText(kmfs[size_t(j)] * 0.6));
        Text2->setText(numberText(kmfs[size_t(j)] * 0.9));
        Text3->setText(QStringLiteral("10"));
    }
}

void fdtj::Query()
{
    if (chosenExamId().isEmpty()) {
        sysMsg(reports::kNoExamChosen, Combo1);
        return;
    }
    if (Combo2->currentIndex() < 0) {
        sysMsg(QStringLiteral("统计项目未选择！"), Combo2);
        return;
    }
    if (Val(Text1->text()) >= Val(Text2->text())) {
        sysMsg(QStringLiteral("统计下限不能小于或等于上限值！"), Text2);
        return;
    }
    if (bjsum <= 0) {
        sysMsg(reports::kNoClasses);
        return;
    }
    const QString item = Combo2->currentText();
    if (item == QStringLiteral("总分1") || item == QStringLiteral("总分2"))
        build(false, 0, item == QStringLiteral("总分2"));
    else if (Combo2->currentIndex() < kmsum)
        build(true, Combo2->currentIndex(), false);
}

void fdtj::build(bool subject, int position, bool secondTotal)
{
    bandstats::Request req;
    req.examId = chosenExamId();
    req.subject = subject;
    if (subject) {
        req.k = kmno[size_t(position)];
        req.fullMark = kmfs[size_t(position)];
    }
    req.secondTotal = secondTotal;
    req.stream = Option1[0]->isChecked() ? bandstats::Stream::Arts
                 : Option1[1]->isChecked() ? bandstats::Stream::Science
                                           : bandstats::Stream::Any;
    req.njname = njname;
    req.startbj = startbj;
    req.bjsum = bjsum;
    // A bound read as 0 falls back to 0.6 and 0.9 of a subject's full mark. A total has no full
    // mark: its lower bound stays 0 as typed (an empty box reads as 0), and an upper bound read as
    // 0 takes the item's default.
    const double fallbackL = subject ? req.fullMark * 0.6 : 0;
    const double fallbackU = subject ? req.fullMark * 0.9 : (secondTotal ? 500 : 300);
    if (!bandstats::readBounds(Text1->text(), Text2->text(), Text3->text(), fallbackL, fallbackU, req.bounds)) {
        // The boxes passed the check by their signs only (say −100 and 50): no band can be formed.
        sysMsg(QStringLiteral("统计下限不能小于或等于上限值！"), Text2);
        return;
    }
    if (req.bounds.n > bandstats::kMaxBands) {
        // A mistyped bound or width would make thousands of columns.
        sysMsg(QStringLiteral("统计分段数过多，请加大统计组距！"), Text3);
        return;
    }

    BuildScope scope(this);
    const bandstats::Table t = bandstats::build(
        m_dbs.cohort, req, [this] { stepProgress(); }, windows::letEventsRun);
    Grid1->Clear();
    Grid1->setRows(1);
    Grid1->setFormatString(t.format);
    Grid1->setRows(1 + int(t.rows.size()));
    for (int r = 0; r < int(t.rows.size()); ++r)
        for (int c = 0; c < t.cols && c < Grid1->Cols(); ++c)
            Grid1->setTextMatrix(r + 1, c, t.rows[size_t(r)].value(c));
    fitColumnsToCells();
}

} // namespace quorvane
