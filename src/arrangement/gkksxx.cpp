#include "arrangement/gkksxx.h"

#include "arrangement/registerview.h"
#include "controls/grid/grid.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/sysdb.h"
#include "shell/textcheck.h"
#include "shell/titles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <cmath>

namespace quorvane {

namespace {
// How many characters may be typed into each editor field: subject name, exam time, and the three
// full marks.
constexpr int kTypingLimit[5] = {6, 30, 3, 3, 3};

const char *const kFormat = "|^序号|^学科名称|^          考 试 时 间|^客观分|^主观分|^总分|^测评对象|^ 参考|^锁定|^录入方式|^总分1|^总分2";
const QString kTitle = titles::kSystem;

// The per-subject columns of subject k, in the order of sysdb::SubjectSettings. Only these fixed names
// are ever put into SQL text.
QStringList columnsOf(int k)
{
    QStringList cols;
    for (const char *prefix : {"kstime", "kgfs", "zgfs", "allfs", "kstype", "kmflag", "cjlock", "cjinput", "zfjsa", "zfjsb"})
        cols << QLatin1String(prefix) + QString::number(k);
    return cols;
}

bool isUnset(const QVariant &v)
{
    if (v.isNull())
        return true;
    const QString s = v.toString();
    if (s.isEmpty())
        return true;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && d == 0 && v.typeId() != QMetaType::QString;
}

// A stored value as the grid shows it: numbers as decimal text without trailing zeros.
QString shownText(const QVariant &v)
{
    if (isUnset(v))
        return QString();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

QString yesNo(const QVariant &v)
{
    if (v.isNull() || v.toString().isEmpty())
        return QString();
    return sysdb::flagSet(v) ? QStringLiteral("是") : QStringLiteral("否");
}

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
    Combo1->addItems({QStringLiteral("不限"), QStringLiteral("文科"), QStringLiteral("理科")});
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

    // Option pairs: frame, caption, (index of the first button, its caption), (second, caption).
    struct Pair { const char *caption; int a; const char *ta; int b; const char *tb; };
    const Pair pairs[5] = {{"是否参考:", 0, "是", 1, "否"},
                           {"成绩锁定:", 3, "是", 2, "否"},
                           {"录入方式:", 5, "班级", 4, "考场"},
                           {"记入总分1:", 7, "是", 6, "否"},
                           {"记入总分2:", 8, "是", 9, "否"}};
    for (int p = 0; p < 5; ++p) {
        Picture1[p] = new QWidget(root);
        auto *pl = new QHBoxLayout(Picture1[p]);
        pl->setContentsMargins(0, 0, 0, 0);
        Option1[pairs[p].a] = new QRadioButton(QString::fromUtf8(pairs[p].ta), Picture1[p]);
        Option1[pairs[p].b] = new QRadioButton(QString::fromUtf8(pairs[p].tb), Picture1[p]);
        pl->addWidget(Option1[pairs[p].a]);
        pl->addWidget(Option1[pairs[p].b]);
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
    connect(Grid1, &QTableWidget::cellClicked, this, [this](int, int) { Grid1_Click(); });
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
        const sysdb::SubjectSettings &s = settings.subject(k);
        Grid1->setTextMatrix(k, 1, QString::number(k));
        Grid1->setTextMatrix(k, 2, subjectName(k));
        Grid1->setTextMatrix(k, 3, shownText(s.kstime));
        Grid1->setTextMatrix(k, 4, shownText(s.kgfs));
        Grid1->setTextMatrix(k, 5, shownText(s.zgfs));
        Grid1->setTextMatrix(k, 6, shownText(s.allfs));
        QString who;
        if (!s.kstype.isNull()) {
            const double t = s.kstype.toDouble();
            who = t == 1 ? QStringLiteral("不限") : t == 2 ? QStringLiteral("文科") : t == 3 ? QStringLiteral("理科") : QString();
        }
        Grid1->setTextMatrix(k, 7, who);
        Grid1->setTextMatrix(k, 8, yesNo(s.kmflag));
        Grid1->setTextMatrix(k, 9, yesNo(s.cjlock));
        Grid1->setTextMatrix(k, 10, s.cjinput.isNull() || s.cjinput.toString().isEmpty()
                                        ? QString()
                                        : s.byClass() ? QStringLiteral("班级方式") : QStringLiteral("考场方式"));
        Grid1->setTextMatrix(k, 11, yesNo(s.zfjsa));
        Grid1->setTextMatrix(k, 12, yesNo(s.zfjsb));
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
    const int who = Combo1->findText(Grid1->TextMatrix(row, 7));
    if (who >= 0) {
        Combo1->setCurrentIndex(who);
        m_whoTyped = false;
    }
    auto pick = [this](bool first, int a, int b) { Option1[first ? a : b]->setChecked(true); };
    pick(Grid1->TextMatrix(row, 8) == QStringLiteral("是"), 0, 1);
    pick(Grid1->TextMatrix(row, 9) == QStringLiteral("是"), 3, 2);
    pick(Grid1->TextMatrix(row, 10) == QStringLiteral("班级方式"), 5, 4);
    pick(Grid1->TextMatrix(row, 11) == QStringLiteral("是"), 7, 6);
    pick(Grid1->TextMatrix(row, 12) == QStringLiteral("是"), 8, 9);
}

void gkksxx::jscssave_Click()
{
    const QString time = TrimBlanks(Text1[1]->text());
    if (DisplayWidth(time) > 36) {
        services::msg(QStringLiteral("考试时间长度不能超过18个汉字!"), kTitle);
        Text1[1]->setFocus();
        return;
    }
    const int who = Combo1->currentIndex();
    if (who < 0 || m_whoTyped || Combo1->itemText(who) != Combo1->currentText()) {
        services::msg(QStringLiteral("测评对象未选择!"), kTitle);
        Combo1->setFocus();
        return;
    }
    const double objective = Val(Text1[2]->text());
    const double subjective = Val(Text1[3]->text());
    const double full = Val(Text1[4]->text());
    if ((objective > 0 || subjective > 0) && std::fabs(objective + subjective - full) > 1e-9) {
        services::msg(QStringLiteral("客观总分+主观总分<>总分满分!"), kTitle);
        Text1[4]->setFocus();
        return;
    }
    if (full <= 0) {
        services::msg(QStringLiteral("总分满分不能为0!"), kTitle);
        Text1[4]->setFocus();
        return;
    }
    // Which exam and which subject: both must have been chosen, or nothing could be written.
    const QString examId = chosenExamId(Combo2, m_examIds);
    if (examId.isEmpty()) {
        services::msg(QStringLiteral("请先选择考试名称!"), kTitle);
        Combo2->setFocus();
        return;
    }
    const int k = m_subjectClicked && Grid1->Rows() > 1 ? Grid1->Row() : 0;
    if (k < 1 || k > kSubjectCount) {
        services::msg(QStringLiteral("请先在表格中选择学科!"), kTitle);
        return;
    }

    const QStringList c = columnsOf(k);
    QStringList sets = {c.at(0) + QStringLiteral(" = ?"), c.at(4) + QStringLiteral(" = ?"), c.at(1) + QStringLiteral(" = ?"),
                        c.at(2) + QStringLiteral(" = ?"), c.at(3) + QStringLiteral(" = ?")};
    QVariantList values = {time, who + 1, objective, subjective, full};
    // Option pairs in writing order: (first option = 1, second option = 0, column).
    const struct { int yes; int no; int column; } pairs[5] = {{0, 1, 5}, {3, 2, 6}, {5, 4, 7}, {7, 6, 8}, {8, 9, 9}};
    for (const auto &p : pairs) {
        if (Option1[p.yes]->isChecked()) {
            sets << c.at(p.column) + QStringLiteral(" = ?");
            values << 1;
        } else if (Option1[p.no]->isChecked()) {
            sets << c.at(p.column) + QStringLiteral(" = ?");
            values << 0;
        }
    }
    QSqlQuery find = prepare(m_db.system, QStringLiteral("SELECT rowid FROM kcbpb WHERE year = ? AND id = ? ORDER BY rowid LIMIT 1"),
                             {m_cohortYear, examId});
    if (!find.exec() || !find.next()) {
        services::msg(QStringLiteral("该考试已不存在,数据未保存!"), kTitle);
        return;
    }
    values << find.value(0);
    find.finish();
    QString error;
    if (!execSql(m_db.system, QStringLiteral("UPDATE kcbpb SET ") + sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?"),
                 values, &error)) {
        services::msg(QStringLiteral("数据保存失败,请稍后再试!"), kTitle);
        return;
    }
    form_1(examId);
    Grid1->setRow(k);
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
