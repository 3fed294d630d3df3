#include "shell/managst.h"

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/codes.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/services.h"
#include "shell/students.h"
#include "shell/studentio.h"
#include "shell/textcheck.h"
#include "shell/titles.h"
#include "shell/valuetext.h"
#include "shell/waitcursor.h"
#include "shell/workbook.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace quorvane {

namespace {

const QString kHeading = QStringLiteral("|^学 号       |^姓 名   |^班 级  |^座 号  |^文理倾向");
const QString kLabel1Design = QStringLiteral("请点“查询”得到名单");
// What a write that found the cohort file deleted or moved did not save.
const QString kStudentsNotSaved = QStringLiteral("本次学生信息的改动");
// Typing limits of the editor fields: number, name, class, seat.
constexpr int kMaxLengths[4] = {15, 8, 4, 3};

// The heading widths of the list are those of the heading texts; on screen each column is made
// at least wide enough for the longest value it can hold (15-character numbers, names of four
// Chinese characters and more, four-digit classes).
void sizeColumns(Grid *grid)
{
    static const char *const samples[] = {"", "K2023A00123456W", "欧阳小明子", "0000", "000", "文理倾向"};
    for (int c = 1; c < grid->Cols() && c < 6; ++c) {
        const int want = grid->textWidthTwips(QString::fromUtf8(samples[c])) + 16 * Grid::TwipsPerPixel;
        if (grid->ColWidth(c) < want)
            grid->setColWidth(c, want);
    }
}

} // namespace

managst::managst() : Window(QStringLiteral("managst"))
{
    setWindowTitle(QStringLiteral("学生信息"));
}

void managst::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    lay->setContentsMargins(6, 4, 6, 6);

    auto *bars = new QHBoxLayout;
    Toolbar2 = new QToolBar(root);
    Toolbar2Find = new QToolButton(Toolbar2);
    Toolbar2Find->setText(QStringLiteral("查询"));
    Toolbar2Find->setToolTip(QStringLiteral("请选择相应查询方式"));
    Toolbar2Find->setPopupMode(QToolButton::InstantPopup);
    Toolbar2Find->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto *menu = new QMenu(Toolbar2Find);
    static const char *const items[][2] = {{"所有名单", "findall"}, {"学号查询", "findid"}, {"姓名查询", "findname"},
                                           {"班级查询", "findg1"}, {"文理倾向", "wlqxm"}};
    for (const auto &item : items) {
        QAction *a = menu->addAction(QString::fromUtf8(item[0]));
        const QString key = QLatin1String(item[1]);
        a->setObjectName(key);
        connect(a, &QAction::triggered, this, [this, key] { Toolbar2_ButtonMenuClick(key); });
    }
    Toolbar2Find->setMenu(menu);
    Toolbar2->addWidget(Toolbar2Find);
    Toolbar1 = new QToolBar(root);
    QAction *print = Toolbar1->addAction(QStringLiteral("打印预览"));
    print->setObjectName(QStringLiteral("print"));
    print->setToolTip(QStringLiteral("点击进行打印预览"));
    connect(print, &QAction::triggered, this, &managst::Toolbar1_ButtonClick);
    bars->addWidget(Toolbar2);
    bars->addWidget(Toolbar1);
    Label1 = new QLabel(kLabel1Design, root);
    QFont headingFont(QStringLiteral("黑体"), 12);
    Label1->setFont(headingFont);
    bars->addSpacing(20);
    bars->addWidget(Label1);
    // The stretch is the row's own, so the tool bars stay in place while Label1 is hidden.
    bars->addStretch(1);
    lay->addLayout(bars);

    auto *body = new QHBoxLayout;
    Grid1 = new Grid(root);
    Grid1->setRows(1);
    Grid1->setFormatString(kHeading);
    sizeColumns(Grid1);
    body->addWidget(Grid1, 1);

    auto *right = new QVBoxLayout;
    auto *form = new QGridLayout;
    static const char *const labels[] = {"学号：", "姓名：", "班级：", "座号："};
    for (int i = 0; i < 4; ++i) {
        FieldLabels[i] = new QLabel(QString::fromUtf8(labels[i]), root);
        Txtfields[i] = new QLineEdit(root);
        Txtfields[i]->setObjectName(QStringLiteral("Txtfields%1").arg(i));
        keys::limitTyping(Txtfields[i], kMaxLengths[i]);
        KeepWellFormed(Txtfields[i]);
        keys::onGotFocus(Txtfields[i], [this, i] { Txtfields_GotFocus(i); });
        keys::onKeyPress(Txtfields[i], [this, i](int keyAscii) { Txtfields_KeyPress(i, keyAscii); });
        keys::onKeyUp(Txtfields[i], [this, i](int keyCode) { Txtfields_KeyUp(i, keyCode, 0); });
        form->addWidget(FieldLabels[i], i, 0);
        form->addWidget(Txtfields[i], i, 1);
    }
    auto *streamLabel = new QLabel(QStringLiteral("文 理\n倾 向"), root);
    Combo4 = new QComboBox(root);
    for (const QString &stream : kStreamNames)
        Combo4->addItem(stream);
    Combo4->setCurrentIndex(-1);
    keys::onEnter(Combo4, [this] { Combo4_KeyPress(keys::kEnter); });
    form->addWidget(streamLabel, 4, 0);
    form->addWidget(Combo4, 4, 1);
    right->addLayout(form);
    right->addSpacing(10);

    comadd = new QPushButton(QStringLiteral("新增"), root);
    commodi = new QPushButton(QStringLiteral("修改"), root);
    comsave = new QPushButton(QStringLiteral("保存"), root);
    comdele = new QPushButton(QStringLiteral("删除"), root);
    VsNetBut1 = new QPushButton(QStringLiteral("清空"), root);
    comminput = new QPushButton(QStringLiteral("导入"), root);
    VsNetBut2 = new QPushButton(QStringLiteral("导出"), root);
    exitcom = new QPushButton(QStringLiteral("返回"), root);
    auto *buttons = new QGridLayout;
    int n = 0;
    for (QPushButton *b : {comadd, commodi, comsave, comdele, VsNetBut1, comminput, VsNetBut2, exitcom}) {
        // Enter on a focused button presses it, as Enter on the last field leads there.
        keys::pressOnEnter(b);
        buttons->addWidget(b, n / 2, n % 2);
        ++n;
    }
    right->addLayout(buttons);
    right->addStretch(1);
    body->addLayout(right);
    lay->addLayout(body, 1);

    auto *foot = new QHBoxLayout;
    Label2 = new QLabel(root);
    foot->addWidget(Label2);
    ProgressBar1 = XP_ProgressBar::createHosted(root);
    ProgressBar1->setFixedHeight(16);
    ProgressBar1->setMinimumWidth(240);
    ProgressBar1->hide();
    foot->addWidget(ProgressBar1, 1);
    lay->addLayout(foot);

    connect(comadd, &QPushButton::clicked, this, &managst::comadd_Click);
    connect(commodi, &QPushButton::clicked, this, &managst::commodi_Click);
    connect(comsave, &QPushButton::clicked, this, &managst::comsave_Click);
    connect(comdele, &QPushButton::clicked, this, &managst::comdele_Click);
    connect(VsNetBut1, &QPushButton::clicked, this, &managst::VsNetBut1_Click);
    connect(comminput, &QPushButton::clicked, this, &managst::comminput_Click);
    connect(VsNetBut2, &QPushButton::clicked, this, &managst::VsNetBut2_Click);
    connect(exitcom, &QPushButton::clicked, this, &managst::exitcom_Click);
    connect(Grid1, &Grid::cellClicked, this, [this] { Grid1_Click(); });
    resize(780, 560);
}

void managst::Form_Load()
{
    // The window keeps the cohort it is loaded with, whatever is chosen later.
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    setWindowTitle(QStringLiteral("学生信息-->") + m_year + QStringLiteral("届"));
    m_editmode = 0;
    comdele->setEnabled(false);
    commodi->setEnabled(false);
    comsave->setEnabled(false);
    // The connection of an earlier load is replaced by this one.
    m_dbs.cohort = QSqlDatabase();
    m_dbs.open(m_dbFile); // a missing file shows its message and ends the program
    form_1();
}

void managst::Form_Unload()
{
    m_findkind.clear();
}

void managst::form_1()
{
    commodi->setEnabled(false);
    comsave->setEnabled(false);
    comdele->setEnabled(false);
    WaitCursor wait;

    const std::optional<std::vector<StudentRow>> listed = findStudents(
        m_dbs.cohort, {m_findkind, TrimBlanks(Txtfields[0]->text()), TrimBlanks(Txtfields[1]->text()), TrimBlanks(Txtfields[2]->text())});
    if (!listed) {
        services::msg(QStringLiteral("库文件的打开出错!"), titles::kSystem);
        return;
    }
    const std::vector<StudentRow> &rows = *listed;
    const int found = static_cast<int>(rows.size());

    if (m_findkind == QStringLiteral("班级"))
        Label1->setText(m_year + QStringLiteral("届 ") + Txtfields[2]->text() + QStringLiteral(" 班") + QString::number(found)
                        + QStringLiteral("位学生"));
    Grid1->Clear();
    if (rows.empty()) {
        ProgressBar1->hide();
        Grid1->setRows(1);
        Grid1->setFormatString(kHeading);
        sizeColumns(Grid1);
        Label2->setText(QStringLiteral("当前没有学生名单!"));
        return;
    }
    Grid1->setUpdatesEnabled(false);
    Grid1->setRows(found + 1);
    Grid1->setFormatString(kHeading);
    sizeColumns(Grid1);
    int filled = 0;
    for (const StudentRow &r : rows) {
        if (r.number.isNull() || r.number.toString().isEmpty())
            break;
        const int gr = ++filled;
        Grid1->setTextMatrix(gr, 1, r.number.toString());
        Grid1->setTextMatrix(gr, 2, r.name.toString());
        // Class and seat 0 show as empty cells.
        Grid1->setTextMatrix(gr, 3, valueText(r.cls, ZeroShown::No));
        Grid1->setTextMatrix(gr, 4, valueText(r.seat, ZeroShown::No));
        Grid1->setTextMatrix(gr, 5, streamText(r.stream));
    }
    Grid1->setUpdatesEnabled(true);
    ProgressBar1->hide();
    Label2->setText(QStringLiteral("查询到人数：") + QString::number(filled));
}

void managst::Toolbar2_ButtonMenuClick(const QString &key)
{
    auto refuse = [&](const char *what, QWidget *focus) {
        services::msg(QStringLiteral("查询关键字不能为空值 --> ") + QString::fromUtf8(what) + QStringLiteral("！"), titles::kSystem);
        focus->setFocus();
    };
    if (key == QLatin1String("findid")) {
        if (TrimBlanks(Txtfields[0]->text()).isEmpty())
            return refuse("学号", Txtfields[0]);
        m_findkind = QStringLiteral("学号");
    } else if (key == QLatin1String("findname")) {
        if (TrimBlanks(Txtfields[1]->text()).isEmpty())
            return refuse("学生姓名", Txtfields[1]);
        m_findkind = QStringLiteral("学生姓名");
    } else if (key == QLatin1String("findg1")) {
        if (TrimBlanks(Txtfields[2]->text()).isEmpty())
            return refuse("班级", Txtfields[2]);
        m_findkind = QStringLiteral("班级");
    } else if (key == QLatin1String("wlqxm")) {
        if (Combo4->currentIndex() < 0)
            return refuse("文理倾向", Combo4);
        m_findkind = Combo4->currentText();
    } else if (key == QLatin1String("findall")) {
        m_findkind = QStringLiteral("全部");
    } else {
        return;
    }
    form_1();
}

void managst::Toolbar1_ButtonClick()
{
    if (Grid1->Rows() == 1) {
        services::msg(QStringLiteral("当前打印内容不能为空!"), titles::kSystemAscii);
        return;
    }
    gReportCode = 4;
    showPrintPreview();
}

void managst::Grid1_Click()
{
    if (Grid1->Rows() < 2 || Grid1->Row() < 1)
        return;
    const int r = Grid1->Row();
    for (int field = 0; field < 4; ++field)
        setField(field, Grid1->TextMatrix(r, field + 1));
    // The stream box lists the stream names in code order; a row without a stream chooses none.
    Combo4->setCurrentIndex(streamCode(Grid1->TextMatrix(r, 5)) - 1);
    m_selstid = Txtfields[0]->text();
    comadd->setEnabled(true);
    comdele->setEnabled(true);
    commodi->setEnabled(true);
    comsave->setEnabled(false);
    Txtfields[0]->setFocus();
    m_editmode = 2;
}

void managst::setField(int field, const QString &text)
{
    // The limit only restrains typing: a number or name stored longer (by an import) is shown
    // whole, so that the student it names is the one deleted or changed, and the save's width
    // checks refuse it instead of a cut copy being stored.
    keys::setTextWhole(Txtfields[field], text, kMaxLengths[field]);
}

void managst::Txtfields_GotFocus(int index)
{
    keys::caretToEnd(Txtfields[index]);
}

void managst::Txtfields_KeyPress(int index, int keyAscii)
{
    comsave->setEnabled(true);
    if (keyAscii != 13)
        return;
    switch (index) {
    case 0:
        if (TrimBlanks(Txtfields[0]->text()).isEmpty()) {
            services::msg(QStringLiteral("学号不能为空！"), titles::kSystem);
            Txtfields[0]->setFocus();
            return;
        }
        Txtfields[1]->setFocus();
        break;
    case 1:
        if (TrimBlanks(Txtfields[1]->text()).isEmpty()) {
            services::msg(QStringLiteral("学生姓名不能为空！"), titles::kSystem);
            Txtfields[1]->setFocus();
            return;
        }
        Txtfields[2]->setFocus();
        break;
    case 2:
        Txtfields[3]->setFocus();
        break;
    case 3:
        Combo4->setFocus();
        break;
    default:
        break;
    }
}

void managst::Txtfields_KeyUp(int index, int keyCode, int /*shift*/)
{
    if (keyCode == 40) {
        if (index < 3) {
            Txtfields[index + 1]->setFocus();
        } else {
            if (!comsave->isEnabled()) {
                m_editmode = 1;
                comsave->setEnabled(true);
            }
            comsave->setFocus();
        }
    } else if (keyCode == 38 && index > 0) {
        Txtfields[index - 1]->setFocus();
    }
}

void managst::Combo4_KeyPress(int keyAscii)
{
    if (keyAscii != 13)
        return;
    if (!comsave->isEnabled())
        m_editmode = 1;
    comsave->setEnabled(true);
    comsave->setFocus();
}

void managst::comadd_Click()
{
    comdele->setEnabled(false);
    commodi->setEnabled(false);
    comsave->setEnabled(true);
    m_editmode = 1;
    const QString number = Txtfields[0]->text();
    if (number.size() >= 2)
        setField(0, number.left(number.size() - 1));
    for (int i = 1; i < 4; ++i)
        setField(i, QString());
    Combo4->setCurrentIndex(-1);
    Txtfields[0]->setFocus();
}

void managst::commodi_Click()
{
    if (Txtfields[0]->text().isEmpty())
        return;
    commodi->setEnabled(false);
    comdele->setEnabled(false);
    comsave->setEnabled(true);
    m_editmode = 2;
    Txtfields[0]->setFocus();
}

StudentValues managst::rowValues(const QString &number) const
{
    return {number, TrimBlanks(Txtfields[1]->text()), Val(Txtfields[2]->text()), Val(Txtfields[3]->text()), Combo4->currentIndex() + 1};
}

void managst::comsave_Click()
{
    if (m_editmode == 0)
        m_editmode = 1;
    auto refuse = [&](const char *message, int field) {
        services::msg(QString::fromUtf8(message), titles::kSystem);
        Txtfields[field]->setFocus();
    };
    if (TrimBlanks(Txtfields[0]->text()).isEmpty())
        return refuse("学号不能为空！", 0);
    if (DisplayWidth(Txtfields[0]->text()) > 15)
        return refuse("学号长度过长！", 0);
    if (TrimBlanks(Txtfields[1]->text()).isEmpty())
        return refuse("姓名不能为空！", 1);
    if (DisplayWidth(Txtfields[1]->text()) > 8)
        return refuse("姓名长度过长！", 1);
    if (TrimBlanks(Txtfields[2]->text()).isEmpty())
        setField(2, QStringLiteral("0"));
    if (TrimBlanks(Txtfields[3]->text()).isEmpty())
        setField(3, QStringLiteral("0"));
    const QString number = StripBlanks(TrimBlanks(Txtfields[0]->text())).toUpper();
    if (m_editmode == 1)
        saveAdd(number);
    else if (m_editmode == 2)
        saveChange(number);
}

void managst::showBusy(bool on)
{
    if (on) {
        ProgressBar1->show();
        ProgressBar1->repaint();
    } else {
        ProgressBar1->hide();
    }
}

void managst::saveAdd(const QString &number)
{
    if (services::ask(QStringLiteral("增加的学生要存盘吗？"), QStringLiteral("增加学生："), MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    const std::optional<qint64> id = studentRowId(m_dbs.cohort, number);
    if (!id) {
        services::msg(QStringLiteral("库文件的打开出错!"), titles::kSystem);
        return;
    }
    const StudentValues values = rowValues(number);
    const WriteScope saving(kStudentsNotSaved);
    if (*id < 0) {
        if (!addStudent(m_dbs.cohort, values)) {
            services::msg(QStringLiteral("学生信息保存失败") + saving.failureClause() + QStringLiteral("，请重新操作！"), titles::kSystem);
            return;
        }
        comadd->setEnabled(true);
        comsave->setEnabled(false);
    } else {
        if (services::ask(QStringLiteral("增加的学生已存在，你真得要替换此学生信息吗？"), titles::kInfo, MsgButtons::OkCancel, MsgAnswer::Cancel)
            != MsgAnswer::Ok) {
            comadd->setEnabled(true);
            comsave->setEnabled(false);
            Txtfields[0]->setFocus();
            return;
        }
        comadd->setEnabled(true);
        comsave->setEnabled(false);
        WaitCursor wait;
        showBusy(true);
        // The number stays: only the values and the names in the exam rows change.
        if (!changeStudent(m_dbs.cohort, *id, number, values))
            services::msg(QStringLiteral("学生信息保存失败") + saving.failureClause() + QStringLiteral("，请重新操作！"), titles::kSystem);
    }
    form_1();
}

void managst::saveChange(const QString &number)
{
    const QString clicked = m_selstid;
    if (services::ask(QStringLiteral("修改的学生要存盘吗？"), QStringLiteral("修改学生："), MsgButtons::OkCancel) != MsgAnswer::Ok) {
        comadd->setEnabled(true);
        commodi->setEnabled(true);
        comdele->setEnabled(true);
        comsave->setEnabled(false);
        return;
    }
    const bool numberChanged = number.compare(clicked, Qt::CaseInsensitive) != 0;
    if (numberChanged && checkstid(number))
        return;
    if (TrimBlanks(clicked).isEmpty())
        return;
    const std::optional<qint64> id = studentRowId(m_dbs.cohort, clicked);
    if (!id || *id < 0) {
        services::msg(QStringLiteral("修改无效，请重新操作！"), titles::kSystemAscii);
        return;
    }
    const StudentValues values = rowValues(number);
    comsave->setEnabled(false);
    {
        const WriteScope saving(kStudentsNotSaved);
        WaitCursor wait;
        showBusy(true);
        if (!changeStudent(m_dbs.cohort, *id, clicked, values))
            services::msg(QStringLiteral("学生信息保存失败") + saving.failureClause() + QStringLiteral("，请重新操作！"), titles::kSystem);
    }
    form_1();
}

bool managst::checkstid(const QString &newNumber)
{
    const bool taken = studentExists(m_dbs.cohort, newNumber);
    windows::letEventsRun();
    if (!taken)
        return false;
    if (studentExists(m_dbs.cohort, m_selstid)) {
        services::msg(QStringLiteral("“") + newNumber + QStringLiteral("”学生已存在，无法修改学生信息！"), titles::kInfo);
        Txtfields[0]->setFocus();
        return true;
    }
    return false;
}

void managst::comdele_Click()
{
    const WriteScope deleting(kStudentsNotSaved);
    const int deleted = deleteStudent(m_dbs.cohort, m_selstid);
    if (deleted < 0)
        services::msg(QStringLiteral("学生信息删除失败") + deleting.failureClause() + QStringLiteral("，请重新操作！"), titles::kSystem);
    else if (deleted == 0)
        services::msg(QStringLiteral("没有找到学号为“") + m_selstid + QStringLiteral("”的学生，未删除任何学生信息！"), titles::kSystem);
    windows::letEventsRun();
    form_1();
}

void managst::VsNetBut1_Click()
{
    if (services::ask(QStringLiteral("清空后的数据不可恢复，请慎重考虑?"), titles::kWarnAgain, MsgButtons::YesNo, MsgAnswer::No) == MsgAnswer::Yes)
        clearstu();
}

bool managst::clearstu()
{
    bool ok = true;
    const WriteScope clearing(kStudentsNotSaved);
    {
        WaitCursor wait;
        ok = clearStudents(m_dbs.cohort);
        windows::letEventsRun();
        form_1();
    }
    if (!ok) {
        services::msg(QStringLiteral("学生信息清空失败") + clearing.failureClause() + QStringLiteral("，请重新操作！"), titles::kSystem);
        return false;
    }
    services::msg(QStringLiteral("清空完毕!"), titles::kSystemAscii);
    return true;
}

StudentIoContext managst::ioContext()
{
    StudentIoContext ctx;
    ctx.db = m_dbs.cohort;
    ctx.cohortYear = m_year;
    ctx.progress = [this](int value) { ProgressBar1->setValue(value); };
    ctx.showProgress = [this](bool visible) {
        if (visible)
            ProgressBar1->setMax(100);
        Label1->setVisible(visible);
        ProgressBar1->setVisible(visible);
        if (visible)
            ProgressBar1->repaint();
    };
    ctx.clearstu = [this] { return clearstu(); };
    return ctx;
}

void managst::comminput_Click()
{
    m_findkind.clear();
    importStudents(m_excel, ioContext());
}

void managst::VsNetBut2_Click()
{
    exportStudents(m_excel, ioContext());
}

void managst::exitcom_Click()
{
    m_findkind.clear();
    Unload();
}

} // namespace quorvane
