#include "shell/grad1.h"

#include "controls/grid/grid.h"
#include "shell/cohorts.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/services.h"
#include "shell/textcheck.h"
#include "shell/titles.h"
#include "shell/valuetext.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

namespace {
// What a write that found the system database deleted or moved did not save.
const QString kCohortsNotSaved = QStringLiteral("本次学届信息的改动");

// Typing limits of the fields: year, database name, number of classes, first class number.
constexpr int kMaxLengths[4] = {4, 15, 2, 4};

// Val of the first two characters of a typed year.
double firstTwo(const QString &text)
{
    return Val(text.left(2));
}

} // namespace

grad1::grad1() : Window(QStringLiteral("grad1"))
{
    setWindowTitle(QStringLiteral("学届设置"));
}

void grad1::createControls(QWidget *root)
{
    auto *lay = new QHBoxLayout(root);
    Grid1 = new Grid(root);
    Grid1->setFormatString(QStringLiteral("|^学届  |^数据库名|^班数 |^起始班号"));
    Grid1->setRows(1);
    Grid1->setColWidth(2, std::max(Grid1->ColWidth(2), Grid1->textWidthTwips(QStringLiteral("MMMMMMMMMMMM"))));
    Grid1->setMinimumWidth(330);
    lay->addWidget(Grid1, 1);

    auto *right = new QVBoxLayout;
    auto *form = new QGridLayout;
    static const char *const labels[] = {"学    届：", "数据库名：", "班级数量：", "起始班号："};
    for (int i = 0; i < 4; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(labels[i]), root);
        Txtfields[i] = new QLineEdit(root);
        Txtfields[i]->setObjectName(QStringLiteral("Txtfields%1").arg(i));
        keys::limitTyping(Txtfields[i], kMaxLengths[i]);
        keys::onGotFocus(Txtfields[i], [this, i] { Txtfields_GotFocus(i); });
        keys::onEnter(Txtfields[i], [this, i] { Txtfields_KeyPress(i, keys::kEnter); });
        keys::onKeyUp(Txtfields[i], [this, i](int keyCode) { Txtfields_KeyUp(i, keyCode, 0); });
        connect(Txtfields[i], &QLineEdit::textChanged, this, [this, i] { Txtfields_Change(i); });
        form->addWidget(Label1[i], i, 0);
        form->addWidget(Txtfields[i], i, 1);
    }
    right->addLayout(form);
    right->addStretch(1);
    comadd = new QPushButton(QStringLiteral("新增"), root);
    commodi = new QPushButton(QStringLiteral("修改"), root);
    comdele = new QPushButton(QStringLiteral("删除"), root);
    comsave = new QPushButton(QStringLiteral("保存"), root);
    exitcom = new QPushButton(QStringLiteral("返 回"), root);
    auto *buttons = new QGridLayout;
    int n = 0;
    for (QPushButton *b : {comadd, commodi, comdele, comsave, exitcom}) {
        // Enter on a focused button presses it, as Enter on the last field leads there.
        keys::pressOnEnter(b);
        buttons->addWidget(b, n / 2, n % 2);
        ++n;
    }
    right->addLayout(buttons);
    lay->addLayout(right);

    connect(comadd, &QPushButton::clicked, this, &grad1::comadd_Click);
    connect(commodi, &QPushButton::clicked, this, &grad1::commodi_Click);
    connect(comdele, &QPushButton::clicked, this, &grad1::comdele_Click);
    connect(comsave, &QPushButton::clicked, this, &grad1::comsave_Click);
    connect(exitcom, &QPushButton::clicked, this, &grad1::exitcom_Click);
    connect(Grid1, &Grid::cellClicked, this, [this] { Grid1_Click(); });
    // Moving the current cell with the keyboard takes the row as a click does. The grid's own
    // choice of a first current cell when it first gets the focus is not the user's doing.
    connect(Grid1, &Grid::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (!m_filling && row >= 0 && previousRow >= 0)
            Grid1_EnterCell();
    });
    resize(640, 320);
}

void grad1::Form_Load()
{
    comdele->setEnabled(false);
    commodi->setEnabled(false);
    comsave->setEnabled(false);
    m_mode = 0;
    m_selectedYear.clear();
    if (!m_dbs.open()) {
        // The opening shows its own message; the window closes and the rest of the program goes on.
        Unload();
        return;
    }
    form_1();
}

void grad1::Form_Unload()
{
    m_dbs.closeAtUnload();
}

void grad1::form_1()
{
    bool ok = false;
    const QVector<cohorts::Cohort> rows = cohorts::listCohorts(m_dbs.system, &ok);
    if (!ok)
        return;
    m_filling = true;
    Grid1->setRows(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r) {
        const cohorts::Cohort &c = rows[r];
        const QString cells[4] = {c.year, c.dbname, valueText(c.bjsum), valueText(c.startbj)};
        for (int col = 0; col < 4; ++col)
            Grid1->setTextMatrix(r + 1, col + 1, cells[col]);
    }
    m_filling = false;
}

void grad1::Grid1_Click()
{
    if (Grid1->Rows() < 2 || Grid1->Row() < 1)
        return;
    const int r = Grid1->Row();
    for (int i = 0; i < 4; ++i)
        setField(i, Grid1->TextMatrix(r, i + 1));
    m_selectedYear = Txtfields[0]->text();
    comadd->setEnabled(true);
    comdele->setEnabled(true);
    commodi->setEnabled(true);
    comsave->setEnabled(false);
    Txtfields[0]->setFocus();
}

void grad1::setField(int field, const QString &text)
{
    // The limit only restrains typing: a value stored longer is shown whole, so that the row
    // taken is the one changed or deleted.
    keys::setTextWhole(Txtfields[field], text, kMaxLengths[field]);
}

void grad1::Grid1_EnterCell()
{
    Grid1_Click();
}

void grad1::Txtfields_Change(int index)
{
    if (index == 0)
        Txtfields[1]->setText(QStringLiteral("db") + TrimBlanks(Txtfields[0]->text()));
    comsave->setEnabled(true);
}

void grad1::Txtfields_GotFocus(int index)
{
    keys::caretToEnd(Txtfields[index]);
}

void grad1::Txtfields_KeyPress(int index, int keyAscii)
{
    if (keyAscii != 13)
        return;
    const QString text = Txtfields[index]->text();
    auto refuse = [&](const char *message) {
        services::msg(QString::fromUtf8(message), titles::kSystem);
        Txtfields[index]->setFocus();
    };
    switch (index) {
    case 0: {
        const double two = firstTwo(text);
        if (text.size() >= 3 && two != 20 && two != 21)
            return refuse("非法格式:仅由0-9数字组成或年份不符！");
        if (text.isEmpty() || HasNonDigit(text))
            return refuse("非法格式:仅由0-9数字组成或年份不符！");
        Txtfields[1]->setFocus();
        break;
    }
    case 1:
        if (TrimBlanks(text).isEmpty() || HasNonAlnum(text))
            return refuse("数据库名不能为空,仅由字母或数字构成！");
        Txtfields[2]->setFocus();
        break;
    case 2:
        if (TrimBlanks(text).isEmpty() || HasNonDigit(text))
            return refuse("班级数量不能为空或英文等字母！");
        Txtfields[3]->setFocus();
        break;
    case 3:
        if (TrimBlanks(text).isEmpty() || HasNonAlnum(text))
            return refuse("起始班号不能为空,仅由字母或数字构成！");
        comsave->setFocus();
        break;
    default:
        break;
    }
}

void grad1::Txtfields_KeyUp(int index, int keyCode, int /*shift*/)
{
    if (keyCode == 40 && index < 3)
        Txtfields[index + 1]->setFocus();
    else if (keyCode == 38 && index > 0)
        Txtfields[index - 1]->setFocus();
}

void grad1::comadd_Click()
{
    comdele->setEnabled(false);
    commodi->setEnabled(false);
    comsave->setEnabled(true);
    m_mode = 1;
    for (int i = 0; i < 4; ++i)
        setField(i, QString());
    Txtfields[0]->setFocus();
}

void grad1::commodi_Click()
{
    if (TrimBlanks(Txtfields[0]->text()).isEmpty())
        return;
    comdele->setEnabled(false);
    comsave->setEnabled(true);
    m_mode = 2;
    comsave->setFocus();
    commodi->setEnabled(false);
}

void grad1::comsave_Click()
{
    const QString yearText = Txtfields[0]->text();
    auto refuse = [&](const char *message, int field) {
        services::msg(QString::fromUtf8(message), titles::kSystem);
        Txtfields[field]->setFocus();
    };
    if (!yearText.isEmpty()) {
        if (m_mode == 0)
            m_mode = 1;
        const double two = firstTwo(yearText);
        if (yearText.size() >= 3 && (two < 20 || two > 21))
            return refuse("非法格式:仅由0-9数字组成或年份不符！", 0);
    }
    if (TrimBlanks(yearText).isEmpty() || HasNonDigit(yearText))
        return refuse("含有非法字符,仅由0-9数字组成！", 0);
    if (Val(yearText) > services::today().year())
        return refuse("输入学届不能大于今日年份！", 0);
    const QString nameText = Txtfields[1]->text();
    if (TrimBlanks(nameText).isEmpty() || HasNonAlnum(nameText))
        return refuse("含有非法字符,仅由0-9数字及英文字母组成！", 1);
    if (Val(Txtfields[2]->text()) <= 0 || HasNonDigit(Txtfields[2]->text()))
        return refuse("含有非法字符或为空,仅由0-9数字组成！", 2);
    if (Val(Txtfields[3]->text()) <= 0 || HasNonAlnum(Txtfields[3]->text()))
        return refuse("含有非法字符或为空,仅由0-9数字组成！", 3);
    const QString year = StripBlanks(TrimBlanks(yearText));
    if (m_mode == 1)
        saveAdd(year);
    else if (m_mode == 2)
        saveChange(year);
}

bool grad1::refuseDatabaseName(const QString &name, const QString &exceptYear)
{
    if (cohorts::isReservedName(name)) {
        services::msg(QStringLiteral("数据库名“") + name + QStringLiteral("”是系统保留的文件名，请另取数据库名！"), titles::kSystem);
        Txtfields[1]->setFocus();
        return true;
    }
    // Two cohorts sharing one file would overwrite each other's students, and deleting either
    // would delete both.
    const QString other = cohorts::yearUsingName(m_dbs.system, name, exceptYear);
    if (!other.isEmpty()) {
        services::msg(QStringLiteral("数据库名“") + name + QStringLiteral("”已被") + other
                          + QStringLiteral("学届使用，请另取数据库名！"),
                      titles::kSystem);
        Txtfields[1]->setFocus();
        return true;
    }
    return false;
}

void grad1::releaseStaleConnections(const QString &path)
{
    // A window that keeps its connection after it closes (the student register) is no longer using
    // the file; the connection would only be replaced when that window loads again.
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &n : names) {
        const int dash = n.lastIndexOf(QLatin1Char('-'));
        if (dash <= 0)
            continue;
        Window *owner = windows::find(n.left(dash));
        if (!owner || owner->isLoaded())
            continue;
        QSqlDatabase db = QSqlDatabase::database(n, false);
        if (holdsFile(db, path))
            db.close();
    }
}

bool grad1::addCohort(const cohorts::Cohort &cohort)
{
    const QString fileName = cohorts::fileName(cohort.dbname);
    releaseStaleConnections(cohortDbPath(fileName));
    const WriteScope saving(kCohortsNotSaved);
    const cohorts::Result added = cohorts::addCohort(m_dbs.system, cohort);
    const QString because = failureClause(added.reason);
    switch (added.outcome) {
    case cohorts::Outcome::Done:
        return true;
    case cohorts::Outcome::NoTemplate:
        services::msg(QStringLiteral("学届模板库文件dbyear.mdb不存在，无法建立学届数据库，学届信息未保存！"), titles::kSystem);
        return false;
    case cohorts::Outcome::FileInUse:
        services::msg(QStringLiteral("库文件“") + fileName + QStringLiteral("”正在被其他窗口使用，无法建立学届数据库，学届信息未保存！"), titles::kSystem);
        return false;
    case cohorts::Outcome::RowFailed:
        services::msg(QStringLiteral("学届信息保存失败") + because + QStringLiteral("，请重新操作！"), titles::kSystem);
        return false;
    default:
        services::msg(QStringLiteral("学届数据库“") + fileName + QStringLiteral("”建立失败") + because + QStringLiteral("，学届信息未保存！"),
                      titles::kSystem);
        return false;
    }
}

void grad1::saveAdd(const QString &year)
{
    const cohorts::Cohort typed{-1, year, TrimBlanks(Txtfields[1]->text()), Val(Txtfields[2]->text()), Val(Txtfields[3]->text())};
    if (refuseDatabaseName(typed.dbname, year))
        return;
    if (services::ask(QStringLiteral("增加的学届要存盘吗？"), QStringLiteral("增加学届："), MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    cohorts::Cohort stored;
    if (!cohorts::findByYear(m_dbs.system, year, &stored)) {
        if (!addCohort(typed))
            return;
        comadd->setEnabled(true);
        comsave->setEnabled(false);
    } else {
        // Enter answers 取消: replacing overwrites the stored cohort.
        if (services::ask(QStringLiteral("增加的学届已存在，你真得要替换此学届信息吗？"), titles::kInfo, MsgButtons::OkCancel,
                          MsgAnswer::Cancel)
            == MsgAnswer::Ok) {
            // A failure is reported; the typed values stay and can be saved again.
            if (!storeCohort(stored, typed))
                return;
            comadd->setEnabled(true);
            comsave->setEnabled(false);
        } else {
            comadd->setEnabled(true);
            comsave->setEnabled(false);
            Txtfields[0]->setFocus();
            return;
        }
    }
    form_1();
}

bool grad1::CheckYearTaken(const QString &year)
{
    cohorts::Cohort taken;
    if (cohorts::findByYear(m_dbs.system, year, &taken)) {
        services::msg(QStringLiteral("“") + Txtfields[0]->text() + QStringLiteral("”学届已存在，无法修改学届信息！"), titles::kInfo);
        Txtfields[0]->setFocus();
        return true;
    }
    return false;
}

void grad1::saveChange(const QString &year)
{
    const cohorts::Cohort typed{-1, year, StripBlanks(TrimBlanks(Txtfields[1]->text())), Val(Txtfields[2]->text()),
                                Val(Txtfields[3]->text())};
    if (refuseDatabaseName(typed.dbname, m_selectedYear))
        return;
    if (services::ask(QStringLiteral("修改的学届要存盘吗？"), QStringLiteral("修改学届："), MsgButtons::OkCancel) != MsgAnswer::Ok) {
        comadd->setEnabled(true);
        commodi->setEnabled(true);
        comdele->setEnabled(true);
        comsave->setEnabled(false);
        return;
    }
    if (year.compare(m_selectedYear, Qt::CaseInsensitive) != 0 && CheckYearTaken(year))
        return;
    cohorts::Cohort stored;
    if (cohorts::findByYear(m_dbs.system, m_selectedYear, &stored)) {
        // A failure is reported; the typed values stay and 保存 stays enabled.
        if (!storeCohort(stored, typed))
            return;
        // Changing and deleting now act on the cohort under its new year.
        m_selectedYear = year;
    }
    // Also when the row has gone meanwhile: nothing is written, and the list shows what is left.
    comsave->setEnabled(false);
    form_1();
}

bool grad1::storeCohort(const cohorts::Cohort &stored, const cohorts::Cohort &changed)
{
    const QString oldFile = cohorts::fileName(stored.dbname);
    const QString newFile = cohorts::fileName(changed.dbname);
    releaseStaleConnections(cohortDbPath(oldFile));
    const WriteScope saving(kCohortsNotSaved);
    const cohorts::Result result = cohorts::changeCohort(m_dbs.system, stored, changed);
    auto refuse = [&](const QString &text, int field) {
        services::msg(text, titles::kSystem);
        comsave->setEnabled(true);
        if (field >= 0)
            Txtfields[field]->setFocus();
        return false;
    };
    switch (result.outcome) {
    case cohorts::Outcome::Done:
        break;
    case cohorts::Outcome::FileInUse: {
        // The field of what would move the file away from the window that holds it.
        const bool yearChanges = changed.year.compare(stored.year, Qt::CaseInsensitive) != 0;
        return refuse(QStringLiteral("该学届的数据库“") + oldFile + QStringLiteral("”正在被其他窗口使用，请先关闭相关窗口再修改学届信息！"),
                      yearChanges ? 0 : 1);
    }
    case cohorts::Outcome::FileExists:
        return refuse(QStringLiteral("库文件“") + newFile + QStringLiteral("”已存在，数据库不能改用此名，学届信息未修改！"), 1);
    case cohorts::Outcome::RenameFailed:
        return refuse(QStringLiteral("库文件“") + oldFile + QStringLiteral("”无法改名为“") + newFile + QStringLiteral("”：") + result.reason
                          + QStringLiteral("，学届信息未修改！"),
                      1);
    default:
        return refuse(QStringLiteral("学届信息保存失败：") + result.reason + QStringLiteral("，学届信息未修改，请稍后重新保存！"), -1);
    }
    // The cohort chosen for the work windows goes on naming the same cohort.
    if (gCohortYear.compare(stored.year, Qt::CaseInsensitive) == 0 && gCohortDbFile == oldFile) {
        gCohortYear = changed.year;
        gCohortDbFile = newFile;
    }
    return true;
}

void grad1::comdele_Click()
{
    comadd->setEnabled(true);
    // Enter answers 取消: the cohort's data cannot be brought back.
    if (services::ask(QStringLiteral("确实要删除此学届吗？该学届所有数据将被删除！"), titles::kSevereWarning, MsgButtons::OkCancel,
                      MsgAnswer::Cancel)
        != MsgAnswer::Ok)
        return;
    cohorts::Cohort stored;
    if (cohorts::findByYear(m_dbs.system, m_selectedYear, &stored)) {
        releaseStaleConnections(cohortDbPath(cohorts::fileName(stored.dbname)));
        const WriteScope deleting(kCohortsNotSaved);
        const cohorts::Result deleted = cohorts::deleteCohort(m_dbs.system, stored);
        if (deleted.outcome == cohorts::Outcome::FileInUse) {
            services::msg(QStringLiteral("该学届的数据库“") + cohorts::fileName(stored.dbname)
                              + QStringLiteral("”正在被其他窗口使用，请先关闭相关窗口再删除！"),
                          titles::kSystem);
            return;
        }
        // After a deletion the window is as after loading: no row taken, no mode, nothing to save.
        resetEditor();
        if (deleted.outcome != cohorts::Outcome::Done)
            services::msg(QStringLiteral("学届删除失败") + failureClause(deleted.reason) + QStringLiteral("，请重新操作！"), titles::kSystem);
    } else {
        resetEditor();
    }
    form_1();
}

void grad1::resetEditor()
{
    for (int i = 0; i < 4; ++i)
        setField(i, QString());
    m_mode = 0;
    m_selectedYear.clear();
    comadd->setEnabled(true);
    commodi->setEnabled(false);
    comdele->setEnabled(false);
    comsave->setEnabled(false);
}

void grad1::exitcom_Click()
{
    Unload();
}

} // namespace quorvane
