#include "arrangement/kcbp.h"

#include "arrangement/exams.h"
#include "arrangement/registerview.h"
#include "arrangement/rooms.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/services.h"
#include "shell/sysdb.h"
#include "shell/textcheck.h"
#include "shell/titles.h"
#include "shell/valuetext.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSqlError>
#include <QVBoxLayout>
#include <cmath>

namespace quorvane {

namespace {
const QString kTitle = titles::kSystem;
const QString kNewMarker = QStringLiteral("aa");
const QString kTick = QStringLiteral("√");
// What a write that found a data file deleted or moved did not save.
const QString kExamsNotSaved = QStringLiteral("本次考试信息的改动");

QString examListFormat()
{
    return QStringLiteral("|^") + QString(26, QLatin1Char(' ')) + QStringLiteral("考 试 名 称|^考场数|^")
        + QString(27, QLatin1Char(' ')) + QStringLiteral("编 排 依 据|^") + QString(6, QLatin1Char(' '))
        + QStringLiteral("编  号|年级");
}

const QString kRoomListFormat = QStringLiteral("|^考场号|^考场地点        |^人数|考场类别|^选中");

// A room count as typed or listed: the whole number the text begins with, never below 0.
int roomCountOf(const QString &text)
{
    const double v = std::floor(Val(text));
    return v > 0 ? static_cast<int>(std::min(v, 9999.0)) : 0;
}
} // namespace

kcbp::kcbp() : Window(QStringLiteral("kcbp"))
{
    setWindowTitle(QStringLiteral("考场编排"));
}

void kcbp::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);

    Grid1[0] = new Grid(root);
    Grid1[0]->setFormatString(examListFormat());
    Grid1[0]->setRows(1);
    Grid1[0]->setColWidth(0, 12 * Grid::TwipsPerPixel);
    Grid1[0]->setColWidth(5, 48 * Grid::TwipsPerPixel);
    Grid1[0]->setSelectionBehavior(QAbstractItemView::SelectRows);
    lay->addWidget(Grid1[0], 3);

    auto *middle = new QHBoxLayout;
    Frame1[1] = new QGroupBox(root);
    auto *fields = new QGridLayout(Frame1[1]);
    Label1[1] = new QLabel(QStringLiteral("考试名称:"), Frame1[1]);
    Label1[0] = new QLabel(QStringLiteral("考场数量:"), Frame1[1]);
    Label1[2] = new QLabel(QStringLiteral("编排依据:"), Frame1[1]);
    Text1[0] = new QLineEdit(Frame1[1]);
    limitTypedLength(Text1[0], 40);
    Text1[0]->setMinimumWidth(300);
    Text1[1] = new QLineEdit(Frame1[1]);
    limitTypedLength(Text1[1], 2);
    Text1[1]->setMaximumWidth(60);
    Combo1 = new QComboBox(Frame1[1]);
    Combo1->setMinimumWidth(300);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fields->addWidget(Label1[1], 0, 0);
    fields->addWidget(Text1[0], 0, 1);
    fields->addWidget(Label1[0], 0, 2);
    fields->addWidget(Text1[1], 0, 3);
    fields->addWidget(Label1[2], 1, 0);
    fields->addWidget(Combo1, 1, 1, 1, 3);
    fields->setColumnStretch(1, 1);
    for (int i = 0; i < 2; ++i) {
        keys::onGotFocus(Text1[i], [this, i] { Text1_GotFocus(i); });
        keys::onEnter(Text1[i], [this, i] { Text1_KeyPress(i, keys::kEnter); });
    }
    keys::onEnter(Combo1, [this] { Combo1_KeyPress(keys::kEnter); });
    middle->addWidget(Frame1[1], 1);

    Frame1[2] = new QGroupBox(root);
    auto *buttons = new QGridLayout(Frame1[2]);
    jscsadd = new QPushButton(QStringLiteral("新增"), Frame1[2]);
    jscsmodi = new QPushButton(QStringLiteral("修改"), Frame1[2]);
    jscsdel = new QPushButton(QStringLiteral("删除"), Frame1[2]);
    jscssave = new QPushButton(QStringLiteral("保存"), Frame1[2]);
    VsNetBtout[4] = new QPushButton(QStringLiteral("退出"), Frame1[2]);
    int n = 0;
    for (QPushButton *b : {jscsadd, jscsmodi, jscsdel, jscssave, VsNetBtout[4]}) {
        // Enter on a focused button presses it (Enter on the basis leads to 修改).
        keys::pressOnEnter(b);
        buttons->addWidget(b, n / 3, n % 3);
        ++n;
    }
    middle->addWidget(Frame1[2]);
    lay->addLayout(middle);

    Frame1[0] = new QGroupBox(QStringLiteral("??：考场列表"), root);
    auto *lists = new QHBoxLayout(Frame1[0]);
    for (int i = 1; i <= 2; ++i) {
        Grid1[i] = new Grid(Frame1[0]);
        Grid1[i]->setSelectionBehavior(QAbstractItemView::SelectRows);
        resetRoomGrid(Grid1[i], 1);
    }
    auto *mid = new QVBoxLayout;
    VsNetBut1[0] = new QPushButton(QStringLiteral("添加"), Frame1[0]);
    VsNetBut1[1] = new QPushButton(QStringLiteral("移除"), Frame1[0]);
    mid->addStretch(1);
    for (QPushButton *b : VsNetBut1) {
        keys::pressOnEnter(b);
        b->setEnabled(false);
        mid->addWidget(b);
    }
    mid->addStretch(1);
    lists->addWidget(Grid1[1], 1);
    lists->addLayout(mid);
    lists->addWidget(Grid1[2], 1);
    lay->addWidget(Frame1[0], 4);

    jscsmodi->setEnabled(false);
    jscsdel->setEnabled(false);
    jscssave->setEnabled(false);

    for (int i = 0; i < 3; ++i)
        connect(Grid1[i], &Grid::cellClicked, this, [this, i](int, int) { Grid1_Click(i); });
    connect(jscsadd, &QPushButton::clicked, this, &kcbp::jscsadd_Click);
    connect(jscsmodi, &QPushButton::clicked, this, &kcbp::jscsmodi_Click);
    connect(jscsdel, &QPushButton::clicked, this, &kcbp::jscsdel_Click);
    connect(jscssave, &QPushButton::clicked, this, &kcbp::jscssave_Click);
    connect(VsNetBtout[4], &QPushButton::clicked, this, [this] { VsNetBtout_Click(4); });
    connect(VsNetBut1[0], &QPushButton::clicked, this, [this] { VsNetBut1_Click(0); });
    connect(VsNetBut1[1], &QPushButton::clicked, this, [this] { VsNetBut1_Click(1); });
    resize(1060, 700);
}

void kcbp::resetRoomGrid(Grid *grid, int rows)
{
    grid->Clear();
    grid->setRows(std::max(rows, 1));
    grid->setFormatString(kRoomListFormat);
    grid->setColWidth(0, 12 * Grid::TwipsPerPixel);
    grid->setColWidth(4, std::max(grid->ColWidth(4), grid->textWidthTwips(QStringLiteral("化学实验室")) + 12 * Grid::TwipsPerPixel));
}

void kcbp::Form_Load()
{
    // The window keeps the cohort it was loaded with, whatever is chosen for other windows later.
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    m_currentId.clear();
    m_basisIds.clear();
    m_rowBpid.clear();
    setWindowTitle(QStringLiteral("考场编排--") + m_year + QStringLiteral("学届"));
    if (!m_dbs.open(m_dbFile)) {
        Unload();
        return;
    }
    removeOrphanRows(m_dbs.system, m_dbs.cohort);
    form_1();
}

void kcbp::Form_Unload()
{
    m_dbs.closeAtUnload();
}

void kcbp::form_1()
{
    const QVector<Exam> exams = examsOfCohort(m_dbs.system, m_year);
    Grid *g = Grid1[0];
    g->setRows(static_cast<int>(exams.size()) + 1);
    m_rowBpid = QStringList(QString()); // row 0: the headings
    int r = 1;
    for (const Exam &e : exams) {
        g->setTextMatrix(r, 1, e.name);
        g->setTextMatrix(r, 2, valueText(e.num));
        g->setTextMatrix(r, 3, e.bpid.isNull() ? QString() : bpidout(e.bpid.toString()));
        g->setTextMatrix(r, 4, e.id);
        // Every cell is written, so no row keeps a text of the exam that stood there before.
        g->setTextMatrix(r, 5, gradeText(e.grade));
        m_rowBpid << (e.bpid.isNull() ? QString() : e.bpid.toString());
        ++r;
    }
    fitColumns(g);
}

QString kcbp::bpidout(const QString &id) const
{
    return examName(m_dbs.system, id);
}

void kcbp::bpnameid(int row)
{
    const int n = Grid1[0]->Rows() - row - 1;
    m_basisIds.clear();
    Combo1->clear();
    for (int i = 1; i <= n; ++i) {
        Combo1->addItem(Grid1[0]->TextMatrix(row + i, 1));
        m_basisIds << Grid1[0]->TextMatrix(row + i, 4);
    }
    Combo1->setCurrentIndex(-1);
}

void kcbp::bpidsele(const QString &id)
{
    // The basis is found by its id: several exams may bear the same name.
    int found = -1;
    if (!id.isEmpty())
        for (int i = 0; i < m_basisIds.size(); ++i)
            if (QString::compare(m_basisIds.at(i), id, Qt::CaseInsensitive) == 0) {
                found = i;
                break;
            }
    Combo1->setCurrentIndex(found);
}

void kcbp::Grid1_Click(int index)
{
    if (index == 1 || index == 2) {
        Grid *g = Grid1[index];
        const int r = g->Row();
        if (g->Rows() <= 1 || r <= 0)
            return;
        if (index == 2 && g->TextMatrix(r, 1).isEmpty())
            return;
        g->setTextMatrix(r, 5, g->TextMatrix(r, 5) == kTick ? QString() : kTick);
        return;
    }
    Grid *g = Grid1[0];
    const int r = g->Row();
    if (g->Rows() <= 1 || r <= 0)
        return;
    Text1[0]->setText(g->TextMatrix(r, 1));
    Text1[1]->setText(g->TextMatrix(r, 2));
    bpnameid(r);
    bpidsele(m_rowBpid.value(r));
    m_currentId = g->TextMatrix(r, 4);
    jscsmodi->setEnabled(true);
    jscsdel->setEnabled(true);
    Frame1[0]->setTitle(Text1[0]->text() + QStringLiteral("：考场列表"));
    resetRoomGrid(Grid1[2], 1);
    resetRoomGrid(Grid1[1], roomCountOf(Text1[1]->text()) + 1);
    listgrid11(Text1[1]->text());
    listgrid12();
    VsNetBut1[0]->setEnabled(true);
    VsNetBut1[1]->setEnabled(true);
}

void kcbp::listgrid11(const QString &roomCount)
{
    bool found = false;
    const Exam exam = examById(m_dbs.system, m_currentId, &found);
    const QStringList list =
        found ? roomListCut(sysdb::readRoomList(m_dbs.system, exam.kcid.toString()), roomCountOf(roomCount)) : QStringList();
    int r = 1;
    for (const QString &id : list) {
        const RoomDescription d = listgrid11b(id);
        if (r >= Grid1[1]->Rows())
            Grid1[1]->setRows(r + 1);
        Grid1[1]->setTextMatrix(r, 1, id);
        Grid1[1]->setTextMatrix(r, 2, d.address);
        Grid1[1]->setTextMatrix(r, 3, d.capacity);
        Grid1[1]->setTextMatrix(r, 4, d.typeText);
        ++r;
        windows::letEventsRun();
    }
    fitColumns(Grid1[1]);
}

kcbp::RoomDescription kcbp::listgrid11b(const QString &roomId) const
{
    bool found = false;
    const Room room = roomById(m_dbs.system, roomId, &found);
    if (!found)
        return {};
    RoomDescription d;
    d.address = room.address;
    d.capacity = valueText(room.rs);
    // A kind outside the list shows its code.
    d.typeText = roomTypeText(room.type);
    if (d.typeText.isEmpty())
        d.typeText = valueText(room.type);
    return d;
}

void kcbp::listgrid12()
{
    QStringList shown;
    for (int r = 1; r < Grid1[1]->Rows(); ++r)
        shown << Grid1[1]->TextMatrix(r, 1);
    Grid *g = Grid1[2];
    int r = 1;
    for (const Room &room : roomsByType(m_dbs.system)) {
        const bool inExam = std::any_of(shown.cbegin(), shown.cend(), [&](const QString &listed) {
            return QString::compare(listed, room.id, Qt::CaseInsensitive) == 0;
        });
        if (inExam)
            continue;
        g->setRows(r + 1);
        g->setTextMatrix(r, 1, room.id);
        g->setTextMatrix(r, 2, room.address);
        g->setTextMatrix(r, 3, valueText(room.rs));
        g->setTextMatrix(r, 4, roomTypeText(room.type));
        ++r;
    }
    fitColumns(g);
}

bool kcbp::roomListTarget(const QString &action)
{
    if (m_currentId == kNewMarker) {
        services::msg(QStringLiteral("新考试尚未保存,请先保存考试,然后再") + action + QStringLiteral("考场!"), kTitle);
        return false;
    }
    bool found = false;
    if (!m_currentId.isEmpty())
        examById(m_dbs.system, m_currentId, &found);
    if (!found) {
        services::msg(QStringLiteral("请先在考试列表中选择考试,然后再") + action + QStringLiteral("考场!"), kTitle);
        return false;
    }
    return true;
}

void kcbp::showCurrentExam()
{
    for (int r = 1; r < Grid1[0]->Rows(); ++r)
        if (Grid1[0]->TextMatrix(r, 4) == m_currentId) {
            Grid1[0]->setRow(r);
            break;
        }
    Grid1_Click(0);
}

void kcbp::save1()
{
    QStringList ids;
    // Every room id of a room list is 3 characters long: a room of an older database with another
    // id would break the list's framing, so it is refused and the others are added.
    QStringList malformed;
    for (int r = 1; r < Grid1[2]->Rows(); ++r)
        if (Grid1[2]->TextMatrix(r, 5) == kTick) {
            const QString id = Grid1[2]->TextMatrix(r, 1);
            (id.size() == 3 ? ids : malformed) << id;
        }
    if (ids.isEmpty() && malformed.isEmpty())
        return;
    if (!roomListTarget(QStringLiteral("添加")))
        return;
    const QString refused = malformed.isEmpty()
        ? QString()
        : QStringLiteral("考场号“") + malformed.join(QStringLiteral("”、“"))
              + QStringLiteral("”不是3个字符，未添加，请先在考场设置中改正考场号!");
    if (ids.isEmpty()) {
        services::msg(refused, kTitle);
        return;
    }
    int added = 0;
    int roomCount = 0;
    const WriteScope saving(kExamsNotSaved);
    const bool saved = save1b(ids, &added, &roomCount);
    if (!saved) {
        services::msg(QStringLiteral("考场添加失败") + saving.failureClause() + QStringLiteral(",请稍后重试!"), kTitle);
        return;
    }
    showCurrentExam();
    QString text = added < ids.size()
        ? QStringLiteral("考场已满,有") + QString::number(ids.size() - added) + QStringLiteral("个考场未能添加(考场数量为")
              + QString::number(roomCount) + QStringLiteral(")!")
        : QStringLiteral("添加完毕!");
    if (!refused.isEmpty())
        text += QLatin1Char('\n') + refused;
    services::msg(text, kTitle);
}

bool kcbp::save1b(const QStringList &ids, int *added, int *roomCount)
{
    bool found = false;
    const Exam exam = examById(m_dbs.system, m_currentId, &found);
    if (!found)
        return false;
    // The list holds as many rooms as the exam's saved room count, whatever the count box shows
    // while it is being edited.
    const int count = roomCountOf(valueText(exam.num));
    if (roomCount)
        *roomCount = count;
    return appendRooms(m_dbs.system, m_currentId, ids, count, &found, added) && found;
}

void kcbp::del1()
{
    QStringList kept;
    bool removed = false;
    for (int r = 1; r < Grid1[1]->Rows(); ++r) {
        const QString id = Grid1[1]->TextMatrix(r, 1);
        if (id.isEmpty())
            break;
        if (Grid1[1]->TextMatrix(r, 5) == kTick)
            removed = true;
        else
            kept << id;
    }
    if (!removed)
        return;
    if (!roomListTarget(QStringLiteral("移除")))
        return;
    const WriteScope saving(kExamsNotSaved);
    const bool saved = save2b(kept);
    if (!saved) {
        services::msg(QStringLiteral("考场移除失败") + saving.failureClause() + QStringLiteral(",请稍后重试!"), kTitle);
        return;
    }
    showCurrentExam();
    services::msg(QStringLiteral("移除完毕!"), kTitle);
}

bool kcbp::save2b(const QStringList &kept)
{
    bool found = false;
    return storeRoomList(m_dbs.system, m_currentId, kept, &found) && found;
}

void kcbp::VsNetBut1_Click(int index)
{
    if (index == 0)
        save1();
    else if (index == 1)
        del1();
}

void kcbp::jscsadd_Click()
{
    Text1[0]->setText(defaultExamName(services::today()));
    Text1[1]->clear();
    bpnameid(0);
    Combo1->setCurrentIndex(-1);
    m_currentId = kNewMarker;
    jscssave->setEnabled(true);
    Text1[0]->setFocus();
}

void kcbp::jscsmodi_Click()
{
    jscssave->setEnabled(true);
    Text1[0]->setFocus();
}

void kcbp::jscssave_Click()
{
    const QString name = requiredText(Text1[0], 50, QStringLiteral("考试名称不能为空或长度超过25个汉字!"));
    if (name.isEmpty())
        return;
    const double num = requiredCount(Text1[1], QStringLiteral("考场数量不能为0!"));
    if (num <= 0)
        return;
    if (m_currentId.isEmpty()) {
        services::msg(QStringLiteral("请先在考试列表中选择考试,或按“新增”输入新考试!"), kTitle);
        return;
    }
    const QDateTime now = services::now();
    ExamSave save;
    save.id = m_currentId == kNewMarker ? newExamId(m_dbs.system, now) : m_currentId;
    save.name = name;
    save.num = num;
    const int chosen = Combo1->currentIndex();
    if (chosen >= 0 && chosen < m_basisIds.size())
        save.bpid = m_basisIds.at(chosen);
    save.year = m_year;
    save.grade = examGrade(now.date(), m_year);
    const WriteScope saving(kExamsNotSaved);
    const bool saved = saveExam(m_dbs.system, save);
    if (!saved) {
        services::msg(QStringLiteral("数据保存失败") + saving.failureClause() + QStringLiteral(",请稍后重试!"), kTitle);
        return;
    }
    m_currentId = save.id;
    form_1();
    jscsmodi->setEnabled(false);
    jscsdel->setEnabled(false);
    // The focus would pass from the disabled 保存 to 退出, which the next Enter would press: it goes
    // to the exam list instead.
    Grid1[0]->setFocus();
    jscssave->setEnabled(false);
    services::msg(QStringLiteral("数据保存完毕！"), kTitle);
}

void kcbp::jscsdel_Click()
{
    if (m_currentId.isEmpty() || m_currentId == kNewMarker) {
        services::msg(QStringLiteral("请先在考试列表中选择要删除的考试!"), kTitle);
        return;
    }
    if (services::ask(QStringLiteral("真得要删除“") + Text1[0]->text() + QStringLiteral("”相关数据吗？"),
                      titles::kInfo, MsgButtons::OkCancel, MsgAnswer::Cancel) != MsgAnswer::Ok)
        return;
    const WriteScope deleting(QStringLiteral("本次删除"));
    const ExamDeletion deletion = deleteExam(m_dbs.system, m_dbs.cohort, m_currentId);
    if (deletion.outcome == ExamDeletion::NothingDeleted) {
        services::msg(QStringLiteral("考试数据未作任何删除：") + reasonText(deletion.error) + QStringLiteral("。请稍后再删除！"), kTitle);
        return;
    }
    windows::letEventsRun();
    resetRoomGrid(Grid1[1], 1);
    resetRoomGrid(Grid1[2], 1);
    form_1();
    jscsdel->setEnabled(false);
}

void kcbp::VsNetBtout_Click(int index)
{
    if (index == 4)
        Unload();
}

void kcbp::Text1_GotFocus(int index)
{
    keys::caretToEnd(Text1[index]);
}

void kcbp::Text1_KeyPress(int index, int keyAscii)
{
    if (keyAscii != 13)
        return;
    if (index == 0)
        Text1[1]->setFocus();
    else
        Combo1->setFocus();
}

void kcbp::Combo1_KeyPress(int keyAscii)
{
    if (keyAscii != 13)
        return;
    jscsmodi->setEnabled(true);
    jscsmodi->setFocus();
    jscssave->setEnabled(true);
}

} // namespace quorvane
