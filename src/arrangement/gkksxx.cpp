#include "arrangement/gkksxx.h"

#include "arrangement/registerview.h"
#include "arrangement/subjectsettings.h"
#include "controls/grid/grid.h"
#include "shell/codes.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/sysdb.h"
#include "shell/textcheck.h"
#include "shell/titles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

namespace {
// How many characters may be typed into each editor field: subject name, exam time, and the three
// full marks.
constexpr int kTypingLimit[5] = {6, 30, 3, 3, 3};

const char *const kFormat = "|^序号|^学科名称|^          考 试 时 间|^客观分|^主观分|^总分|^测评对象|^ 参考|^锁定|^录入方式|^总分1|^总分2";
const QString kTitle = titles::kSystem;

} // namespace

gkksxx::gkksxx() : Window(QStringLiteral("gkksxx"))
{
    setWindowTitle(QStringLiteral("各科考试信息"));
}

void gkksxx::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("考试名称:"), root));
    Combo2 = new QComboBox(root);
    Combo2->setEditable(false);
    Combo2->setMinimumWidth(320);
    top->addWidget(Combo2);
    top->addStretch(1);
    lay->addLayout(top);

    Grid1 = new Grid(root);
    Grid1->setFormatString(QString::fromUtf8(kFormat));
    Grid1->setRows(1);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    lay->addWidget(Grid1, 1);

    auto *editor = new QGridLayout;
    const char *labels[5] = {"学科名称:", "考试时间:", "客观总分:", "主观总分:", "总分满分:"};
    for (int i = 0; i < 5; ++i) {
        Text1[i] = new QLineEdit(root);
        keys::limitTyping(Text1[i], kTypingLimit[i]);
        keys::onGotFocus(Text1[i], [this, i] { Text1_GotFocus(i); });
        // Enter, every key that types something, and input-method text reach the field's handler;
        // Tab only moves the focus.
        keys::onKeyPress(Text1[i], [this, i](int keyAscii) { Text1_KeyPress(i, keyAscii); });
    }
    Combo1 = new QComboBox(root);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    for (const QString &stream : kStreamNames) // entry i is stream code i + 1
        Combo1->addItem(stream);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
    keys::onEnter(Combo1, [this] { Combo1_KeyPress(keys::kEnter); });
    keys::onEnter(Combo1->lineEdit(), [this] { Combo1_KeyPress(keys::kEnter); });
    // Text typed into the box is no choice from the list, even when it reads like an entry; a
    // choice from the list (or from a grid click) counts again.
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, [this] { m_whoTyped = true; });
    connect(Combo1, &QComboBox::activated, this, [this] { m_whoTyped = false; });
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { m_whoTyped = false; });

    editor->addWidget(new QLabel(QString::fromUtf8(labels[0]), root), 0, 0);
    editor->addWidget(Text1[0], 0, 1);
    editor->addWidget(new QLabel(QString::fromUtf8(labels[1]), root), 0, 2);
    editor->addWidget(Text1[1], 0, 3, 1, 3);
    editor->addWidget(new QLabel(QStringLiteral("测评对象:"), root), 1, 0);
    editor->addWidget(Combo1, 1, 1);
    for (int i = 2; i <= 4; ++i) {
        editor->addWidget(new QLabel(QString::fromUtf8(labels[i]), root), 2, (i - 2) * 2);
        editor->addWidget(Text1[i], 2, (i - 2) * 2 + 1);
    }

    // Option pairs: the frame's caption, the index and caption of its first button, of its second.
    struct Pair { const char *caption; int first; const char *firstCaption; int second; const char *secondCaption; };
    const Pair pairs[5] = {{"是否参考:", 0, "是", 1, "否"},
                           {"成绩锁定:", 3, "是", 2, "否"},
                           {"录入方式:", 5, "班级", 4, "考场"},
                           {"记入总分1:", 7, "是", 6, "否"},
                           {"记入总分2:", 8, "是", 9, "否"}};
    for (int p = 0; p < 5; ++p) {
        Picture1[p] = new QWidget(root);
        auto *pl = new QHBoxLayout(Picture1[p]);
        pl->setContentsMargins(0, 0, 0, 0);
        Option1[pairs[p].first] = new QRadioButton(QString::fromUtf8(pairs[p].firstCaption), Picture1[p]);
        Option1[pairs[p].second] = new QRadioButton(QString::fromUtf8(pairs[p].secondCaption), Picture1[p]);
        pl->addWidget(Option1[pairs[p].first]);
        pl->addWidget(Option1[pairs[p].second]);
        pl->addStretch(1);
        editor->addWidget(new QLabel(QString::fromUtf8(pairs[p].caption), root), 3 + p / 3, (p % 3) * 2);
        editor->addWidget(Picture1[p], 3 + p / 3, (p % 3) * 2 + 1);
    }
    lay->addLayout(editor);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    jscssave = new QPushButton(QStringLiteral("保存"), root);
    VsNetBtout[4] = new QPushButton(QStringLiteral("退出"), root);
    for (QPushButton *b : {jscssave, VsNetBtout[4]}) {
        keys::noDefault(b);
        buttons->addWidget(b);
    }
    lay->addLayout(buttons);

    connectChoice(Combo2, this, [this] { Combo2_Click(); });
    connect(Grid1, &Grid::cellClicked, this, [this](int, int) { Grid1_Click(); });
    connect(jscssave, &QPushButton::clicked, this, &gkksxx::jscssave_Click);
    connect(VsNetBtout[4], &QPushButton::clicked, this, [this] { VsNetBtout_Click(4); });
    resize(900, 560);
}

void gkksxx::Form_Load()
{
    m_cohortYear = gCohortYear;
    m_examIds.clear();
    m_shownExamId.clear();
    m_subjectClicked = false;
    m_whoTyped = false;
    setWindowTitle(QStringLiteral("各科考试信息"));
    if (!m_db.open()) {
        Unload();
        return;
    }
    m_examIds = outksxx(m_db.system, m_cohortYear, Combo2);
}

void gkksxx::Form_Unload()
{
    m_db.closeAtUnload();
}

void gkksxx::Combo2_Click()
{
    form_1(chosenExamId(Combo2, m_examIds));
}

void gkksxx::form_1(const QString &examId)
{
    sysdb::ExamSettings settings;
    if (examId.isEmpty() || sysdb::readExamSettings(m_db.system, m_cohortYear, examId, &settings) != sysdb::Read::Found)
        return;
    m_shownExamId = examId;
    const int current = Grid1->Rows() > 1 ? Grid1->Row() : 0;
    Grid1->setRows(kSubjectCount + 1);
    for (int k = 1; k <= kSubjectCount; ++k) {
        Grid1->setTextMatrix(k, 1, QString::number(k));
        Grid1->setTextMatrix(k, 2, subjectName(k));
        const QStringList cells = subjectsettings::cellTexts(settings.subject(k));
        for (int c = 0; c < cells.size(); ++c)
            Grid1->setTextMatrix(k, c + 3, cells.at(c));
    }
    if (current >= 1 && current <= kSubjectCount)
        Grid1->setRow(current);
    // Exam times and the other texts show whole, as in the other registers.
    fitColumns(Grid1);
}

void gkksxx::Grid1_Click()
{
    const int row = Grid1->Row();
    if (row < 1 || Grid1->Rows() < 2)
        return;
    m_subjectClicked = true;
    // Stored values show whole, even where they are longer than what may be typed.
    for (int i = 0; i < 5; ++i)
        keys::setTextWhole(Text1[i], Grid1->TextMatrix(row, i + 2), kTypingLimit[i]);
    if (const int stream = streamCode(Grid1->TextMatrix(row, 7)); stream > 0) {
        Combo1->setCurrentIndex(stream - 1);
        m_whoTyped = false;
    }
    auto pick = [this](bool yes, int yesOption, int noOption) { Option1[yes ? yesOption : noOption]->setChecked(true); };
    pick(Grid1->TextMatrix(row, 8) == QStringLiteral("是"), 0, 1);
    pick(Grid1->TextMatrix(row, 9) == QStringLiteral("是"), 3, 2);
    pick(Grid1->TextMatrix(row, 10) == QStringLiteral("班级方式"), 5, 4);
    pick(Grid1->TextMatrix(row, 11) == QStringLiteral("是"), 7, 6);
    pick(Grid1->TextMatrix(row, 12) == QStringLiteral("是"), 8, 9);
}

void gkksxx::jscssave_Click()
{
    subjectsettings::Entry entry;
    entry.time = TrimBlanks(Text1[1]->text());
    // Who sits the subject counts only as a choice from the list, not as text typed into the box.
    const int chosen = Combo1->currentIndex();
    if (chosen >= 0 && !m_whoTyped && Combo1->itemText(chosen) == Combo1->currentText())
        entry.stream = streamCode(Combo1->currentText());
    entry.objective = Val(Text1[2]->text());
    entry.subjective = Val(Text1[3]->text());
    entry.full = Val(Text1[4]->text());
    if (const subjectsettings::Fault fault = subjectsettings::check(entry); fault != subjectsettings::Fault::None) {
        services::msg(subjectsettings::faultMessage(fault), kTitle);
        switch (fault) {
        case subjectsettings::Fault::TimeTooLong:
            Text1[1]->setFocus();
            break;
        case subjectsettings::Fault::NoStream:
            Combo1->setFocus();
            break;
        default:
            Text1[4]->setFocus();
            break;
        }
        return;
    }
    // Which exam and which subject: both must have been chosen, or nothing could be written.
    const QString examId = chosenExamId(Combo2, m_examIds);
    if (examId.isEmpty()) {
        services::msg(QStringLiteral("请先选择考试名称!"), kTitle);
        Combo2->setFocus();
        return;
    }
    const int subject = m_subjectClicked && Grid1->Rows() > 1 ? Grid1->Row() : 0;
    if (subject < 1 || subject > kSubjectCount) {
        services::msg(QStringLiteral("请先在表格中选择学科!"), kTitle);
        return;
    }
    // Each option pair, in the order of the settings: (its 是 option, its 否 option).
    const struct { int yes; int no; } pairs[subjectsettings::FlagCount] = {{0, 1}, {3, 2}, {5, 4}, {7, 6}, {8, 9}};
    for (int flag = 0; flag < subjectsettings::FlagCount; ++flag) {
        if (Option1[pairs[flag].yes]->isChecked())
            entry.flags[flag] = true;
        else if (Option1[pairs[flag].no]->isChecked())
            entry.flags[flag] = false;
    }
    const WriteScope saving(QStringLiteral("本次各科考试信息"));
    const subjectsettings::Saved saved = subjectsettings::save(m_db.system, m_cohortYear, examId, subject, entry);
    switch (saved) {
    case subjectsettings::Saved::ExamGone:
        services::msg(QStringLiteral("该考试已不存在,数据未保存!"), kTitle);
        return;
    case subjectsettings::Saved::Failed:
        services::msg(QStringLiteral("数据保存失败") + saving.failureClause() + QStringLiteral(",请稍后再试!"), kTitle);
        return;
    case subjectsettings::Saved::Done:
        break;
    }
    form_1(examId);
    Grid1->setRow(subject);
    services::msg(QStringLiteral("数据保存完毕！"), kTitle);
}

void gkksxx::VsNetBtout_Click(int)
{
    Unload();
}

void gkksxx::Text1_KeyPress(int index, int keyAscii)
{
    if (index == 4) {
        Option1[0]->setChecked(true);
        if (keyAscii != 13)
            return;
    }
    if (keyAscii != 13)
        return;
    if (index == 1)
        Combo1->setFocus();
    else if (index == 2)
        Text1[3]->setFocus();
    else if (index == 3)
        Text1[4]->setFocus();
}

void gkksxx::Combo1_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        Text1[2]->setFocus();
}

void gkksxx::Text1_GotFocus(int index)
{
    keys::caretToEnd(Text1[size_t(index)]);
}

} // namespace quorvane
