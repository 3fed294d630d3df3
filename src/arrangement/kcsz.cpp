#include "arrangement/kcsz.h"

#include "arrangement/registerview.h"
#include "arrangement/rooms.h"
#include "shell/keys.h"
#include "shell/services.h"
#include "shell/titles.h"
#include "shell/valuetext.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

namespace {
const QString kTitle = titles::kSystem;
// What a write that finds the system database deleted or moved does not save.
const QString kRoomsNotSaved = QStringLiteral("本次考场信息的改动");
} // namespace

kcsz::kcsz() : Window(QStringLiteral("kcsz"))
{
    setWindowTitle(QStringLiteral("考场设置"));
}

void kcsz::createControls(QWidget *root)
{
    auto *lay = new QHBoxLayout(root);

    Grid1 = new Grid(root);
    Grid1->setFormatString(QStringLiteral("|^考场号|^考场地点        |^考场人数|^  考场类别"));
    Grid1->setRows(1);
    Grid1->setColWidth(0, 12 * Grid::TwipsPerPixel);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    lay->addWidget(Grid1, 1);
    connect(Grid1, &Grid::cellClicked, this, [this](int, int) { Grid1_Click(); });

    auto *side = new QVBoxLayout;
    auto *form = new QGridLayout;
    const char *const captions[] = {"考 场 号:", "考场地点:", "考场人数:", "考场类别:"};
    for (int i = 0; i < 4; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(captions[i]), root);
        form->addWidget(Label1[i], i, 0);
    }
    const int maxLengths[] = {3, 10, 3};
    for (int i = 0; i < 3; ++i) {
        Text1[i] = new QLineEdit(root);
        // Typing is limited; a text the program puts in (the proposed id 0100) stays whole, so
        // the save can refuse it instead of storing a cut id.
        limitTypedLength(Text1[i], maxLengths[i]);
        keys::onGotFocus(Text1[i], [this, i] { Text1_GotFocus(i); });
        keys::onEnter(Text1[i], [this, i] { Text1_KeyPress(i, keys::kEnter); });
        form->addWidget(Text1[i], i, 1);
    }
    // Room for a location of ten Chinese characters.
    Text1[1]->setMinimumWidth(Text1[1]->fontMetrics().horizontalAdvance(QString(11, QChar(0x4E2D))));
    Combo1 = new QComboBox(root);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->addItems(roomTypeTexts());
    Combo1->setCurrentIndex(-1);
    // Enter in the room kind leads to 修改, whether the box or its text part has the key.
    keys::onEnter(Combo1, [this] { Combo1_KeyPress(keys::kEnter); });
    keys::onEnter(Combo1->lineEdit(), [this] { Combo1_KeyPress(keys::kEnter); });
    form->addWidget(Combo1, 3, 1);
    side->addLayout(form);

    jscsadd = new QPushButton(QStringLiteral("新增"), root);
    jscsmodi = new QPushButton(QStringLiteral("修改"), root);
    jscsdel = new QPushButton(QStringLiteral("删除"), root);
    jscssave = new QPushButton(QStringLiteral("保存"), root);
    exitcom = new QPushButton(QStringLiteral("返回退出"), root);
    auto *buttons = new QGridLayout;
    int n = 0;
    // Enter on a focused button presses it (Enter on the room kind leads to 修改).
    for (QPushButton *b : {jscsadd, jscsmodi, jscsdel, jscssave, exitcom})
        keys::pressOnEnter(b);
    for (QPushButton *b : {jscsadd, jscsmodi, jscsdel, jscssave}) {
        buttons->addWidget(b, n / 2, n % 2);
        ++n;
    }
    buttons->addWidget(exitcom, 2, 0, 1, 2);
    side->addLayout(buttons);
    side->addStretch(1);
    lay->addLayout(side);

    jscsmodi->setEnabled(false);
    jscsdel->setEnabled(false);
    jscssave->setEnabled(false);
    connect(jscsadd, &QPushButton::clicked, this, &kcsz::jscsadd_Click);
    connect(jscsmodi, &QPushButton::clicked, this, &kcsz::jscsmodi_Click);
    connect(jscsdel, &QPushButton::clicked, this, &kcsz::jscsdel_Click);
    connect(jscssave, &QPushButton::clicked, this, &kcsz::jscssave_Click);
    connect(exitcom, &QPushButton::clicked, this, &kcsz::exitcom_Click);
    resize(760, 420);
}

void kcsz::Form_Load()
{
    // The last room id belongs to this opening of the window.
    m_lastId.clear();
    if (!m_dbs.open()) {
        // The message has been shown; the window closes and the rest of the program goes on.
        Unload();
        return;
    }
    form_1();
}

void kcsz::Form_Unload()
{
    m_dbs.closeAtUnload();
}

void kcsz::form_1()
{
    const QVector<Room> rooms = roomsById(m_dbs.system);
    Grid1->setRows(static_cast<int>(rooms.size()) + 1);
    int r = 1;
    for (const Room &room : rooms) {
        Grid1->setTextMatrix(r, 1, room.id);
        Grid1->setTextMatrix(r, 2, room.address);
        Grid1->setTextMatrix(r, 3, valueText(room.rs));
        m_lastId = Grid1->TextMatrix(r, 1);
        Grid1->setTextMatrix(r, 4, roomTypeText(room.type));
        ++r;
    }
    fitColumns(Grid1);
}

void kcsz::Grid1_Click()
{
    const int r = Grid1->Row();
    if (r < 1 || Grid1->Rows() <= 1)
        return;
    for (int i = 0; i < 3; ++i)
        Text1[i]->setText(Grid1->TextMatrix(r, i + 1));
    const int index = roomTypeTexts().indexOf(Grid1->TextMatrix(r, 4));
    if (index >= 0)
        Combo1->setCurrentIndex(index);
    jscsmodi->setEnabled(true);
    jscsdel->setEnabled(true);
}

void kcsz::jscsadd_Click()
{
    const QString proposal = nextRoomId(m_lastId);
    if (!proposal.isEmpty())
        Text1[0]->setText(proposal);
    Text1[1]->clear();
    Text1[2]->clear();
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
    jscssave->setEnabled(true);
    Text1[0]->setFocus();
}

void kcsz::jscsmodi_Click()
{
    jscssave->setEnabled(true);
    Text1[0]->setFocus();
}

void kcsz::jscsdel_Click()
{
    const QString typed = Text1[0]->text();
    if (services::ask(QStringLiteral("真得要删除“") + typed + QStringLiteral("”考场号相关数据吗？"),
                      titles::kInfo, MsgButtons::OkCancel, MsgAnswer::Cancel) != MsgAnswer::Ok)
        return;
    // The room is found by its stored form, so a room id typed as 7 deletes room 007.
    const RoomIdCheck check = checkRoomId(typed);
    const QString id = check.result == RoomIdCheck::Ok ? check.id : typed;
    const WriteScope deleting(kRoomsNotSaved);
    const bool deleted = deleteRoom(m_dbs.system, id);
    if (!deleted) {
        services::msg(QStringLiteral("数据删除失败") + deleting.failureClause() + QStringLiteral(",请稍后重试!"), kTitle);
        return;
    }
    form_1();
    jscsdel->setEnabled(false);
}

bool kcsz::typeChosen() const
{
    const int index = Combo1->currentIndex();
    return index >= 0 && Combo1->currentText() == Combo1->itemText(index);
}

void kcsz::jscssave_Click()
{
    const RoomIdCheck id = checkRoomId(Text1[0]->text());
    if (id.result == RoomIdCheck::EmptyOrTooLong) {
        services::msg(QStringLiteral("考场号不能为空或长度超过3个字符!"), kTitle);
        Text1[0]->setFocus();
        return;
    }
    if (id.result == RoomIdCheck::NotThreeCharacters) {
        services::msg(QStringLiteral("考场号必须是3个字符(数字考场号自动补足3位,如7存为007)!"), kTitle);
        Text1[0]->setFocus();
        return;
    }
    const QString address = requiredText(Text1[1], 20, QStringLiteral("考场地点不能为空或长度超过10个汉字!"));
    if (address.isEmpty())
        return;
    const double seats = requiredCount(Text1[2], QStringLiteral("考场人数不能为0!"));
    if (seats <= 0)
        return;
    if (!typeChosen()) {
        services::msg(QStringLiteral("考场类别未选择!"), kTitle);
        Combo1->setFocus();
        return;
    }
    Room room;
    room.id = id.id;
    room.address = address;
    room.rs = seats;
    room.type = Combo1->currentIndex() + 1; // a 16-bit kind code 1..13
    const WriteScope saving(kRoomsNotSaved);
    const bool saved = saveRoom(m_dbs.system, room);
    if (!saved) {
        services::msg(QStringLiteral("数据保存失败") + saving.failureClause() + QStringLiteral(",请稍后重试!"), kTitle);
        return;
    }
    form_1();
    services::msg(QStringLiteral("数据保存完毕！"), kTitle);
    jscsmodi->setEnabled(false);
    jscsdel->setEnabled(false);
    jscssave->setEnabled(false);
}

void kcsz::exitcom_Click()
{
    Unload();
}

void kcsz::Text1_KeyPress(int index, int keyAscii)
{
    if (keyAscii != 13)
        return;
    if (index < 2)
        Text1[index + 1]->setFocus();
    else
        Combo1->setFocus();
}

void kcsz::Combo1_KeyPress(int keyAscii)
{
    if (keyAscii != 13)
        return;
    jscsmodi->setEnabled(true);
    jscsmodi->setFocus();
    jscssave->setEnabled(true);
}

void kcsz::Text1_GotFocus(int index)
{
    keys::caretToEnd(Text1[index]);
}

} // namespace quorvane
