#include "arrangement/kcsz.h"
#include "arrangement/register.h"
#include "arrangement/rooms.h"
#include "shell/database.h"
#include "shell/register.h"
#include "gridclick.h"
#include "testsupport.h"

#include <QApplication>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

struct Fixture
{
    TempData data;
    ScriptedServices &services = installScripted();
    kcsz *w = nullptr;

    Fixture()
    {
        registerArrangementWindows();
        w = windows::get<kcsz>(QStringLiteral("kcsz"));
        w->Show();
        QApplication::setActiveWindow(w);
    }

    // Presses 新增 and fills the editor; kind is the position in the kind list (-1: none).
    void edit(const QString &id, const QString &address, const QString &seats, int kind)
    {
        QVERIFY(press(w->jscsadd));
        w->Text1[0]->setText(id);
        w->Text1[1]->setText(address);
        w->Text1[2]->setText(seats);
        w->Combo1->setCurrentIndex(kind);
    }

    // 新增, the editor filled, 保存.
    void save(const QString &id, const QString &address, const QString &seats, int kind)
    {
        edit(id, address, seats, kind);
        QVERIFY(press(w->jscssave));
    }

    // Rows of kcszb as "id|address|rs|type", in id order.
    QStringList rooms() const
    {
        QStringList out;
        QSqlQuery q = prepare(w->systemDatabase(), QStringLiteral("SELECT id, address, rs, type FROM kcszb ORDER BY id, rowid"));
        q.exec();
        while (q.next())
            out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()}.join(QLatin1Char('|'));
        return out;
    }

    void click(int row) { QVERIFY(clickRow(w->Grid1, row)); }
};

} // namespace

class tst_kcsz : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roomIdForms();
    void saveChecksRefuseBadInput();
    void savingFindsTheStoredRoom();
    void quotesAreStoredLiterally();
    void gridNewProposalAndDelete();
    void missingSystemDatabaseClosesTheWindow();
    void keysFocusAndButtonStates();
};

void tst_kcsz::roomIdForms()
{
    auto id = [](const QString &typed) { return checkRoomId(typed); };
    QCOMPARE(id(QStringLiteral("7")).id, QStringLiteral("007"));
    QCOMPARE(id(QStringLiteral(" 12 ")).id, QStringLiteral("012"));
    QCOMPARE(id(QStringLiteral("007")).id, QStringLiteral("007"));
    QCOMPARE(id(QStringLiteral("A01")).id, QStringLiteral("A01"));
    QCOMPARE(id(QStringLiteral("a'1")).id, QStringLiteral("a'1"));
    // Ids that read as numbers go through the number format "000".
    QCOMPARE(id(QStringLiteral("1.5")).id, QStringLiteral("002"));
    QCOMPARE(id(QStringLiteral("+5")).id, QStringLiteral("005"));
    QCOMPARE(id(QStringLiteral("1e2")).id, QStringLiteral("100"));
    QCOMPARE(id(QStringLiteral(".4")).id, QStringLiteral("000"));
    QCOMPARE(id(QStringLiteral("-1")).result, RoomIdCheck::NotThreeCharacters); // -001
    QCOMPARE(id(QStringLiteral("9e9")).result, RoomIdCheck::NotThreeCharacters);
    QCOMPARE(id(QStringLiteral("1a")).result, RoomIdCheck::NotThreeCharacters);
    QCOMPARE(id(QStringLiteral("1 2")).id, QStringLiteral("1 2"));
    QCOMPARE(id(QStringLiteral("A1")).result, RoomIdCheck::NotThreeCharacters);
    QCOMPARE(id(QStringLiteral("中1")).result, RoomIdCheck::NotThreeCharacters); // width 3, two characters
    QCOMPARE(id(QStringLiteral("0100")).result, RoomIdCheck::EmptyOrTooLong);
    QCOMPARE(id(QStringLiteral("中文")).result, RoomIdCheck::EmptyOrTooLong);
    QCOMPARE(id(QStringLiteral("   ")).result, RoomIdCheck::EmptyOrTooLong);
    QCOMPARE(id(QStringLiteral("A中1")).result, RoomIdCheck::EmptyOrTooLong);

    QCOMPARE(nextRoomId(QStringLiteral("A09")), QStringLiteral("A10"));
    QCOMPARE(nextRoomId(QStringLiteral("005")), QStringLiteral("006"));
    QCOMPARE(nextRoomId(QStringLiteral("099")), QStringLiteral("0100"));
    QCOMPARE(nextRoomId(QStringLiteral("B099")), QStringLiteral("B100"));
    QCOMPARE(nextRoomId(QString()), QString());
    QCOMPARE(nextRoomId(QStringLiteral("A1")), QString());

    QCOMPARE(roomTypeText(1), QStringLiteral("高一教室"));
    QCOMPARE(roomTypeText(13), QStringLiteral("阅览室"));
    QCOMPARE(roomTypeText(14), QString());
    QCOMPARE(roomTypeText(QVariant()), QString());
}

void tst_kcsz::saveChecksRefuseBadInput()
{
    Fixture f;
    const QString title = QStringLiteral("系统提示：");
    struct Case
    {
        QString id, address, seats;
        int kind;
        QString message;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("一楼"), QStringLiteral("30"), 0, QStringLiteral("考场号不能为空或长度超过3个字符!")},
        {QStringLiteral("   "), QStringLiteral("一楼"), QStringLiteral("30"), 0, QStringLiteral("考场号不能为空或长度超过3个字符!")},
        {QStringLiteral("中文1"), QStringLiteral("一楼"), QStringLiteral("30"), 0, QStringLiteral("考场号不能为空或长度超过3个字符!")},
        {QStringLiteral("A1"), QStringLiteral("一楼"), QStringLiteral("30"), 0, QStringLiteral("考场号必须是3个字符(数字考场号自动补足3位,如7存为007)!")},
        {QStringLiteral("001"), QStringLiteral("  "), QStringLiteral("30"), 0, QStringLiteral("考场地点不能为空或长度超过10个汉字!")},
        {QStringLiteral("001"), QStringLiteral("一二三四五六七八九十一"), QStringLiteral("30"), 0, QStringLiteral("考场地点不能为空或长度超过10个汉字!")},
        {QStringLiteral("0100"), QStringLiteral("一楼"), QStringLiteral("30"), 0, QStringLiteral("考场号不能为空或长度超过3个字符!")},
        {QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("0"), 0, QStringLiteral("考场人数不能为0!")},
        {QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("-5"), 0, QStringLiteral("考场人数不能为0!")},
        {QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("abc"), 0, QStringLiteral("考场人数不能为0!")},
        {QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral(".5"), 0, QStringLiteral("考场人数不能为0!")},
        {QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("30"), -1, QStringLiteral("考场类别未选择!")},
    };
    for (const Case &c : cases) {
        f.services.clear();
        f.save(c.id, c.address, c.seats, c.kind);
        QCOMPARE(f.services.messages.size(), size_t(1));
        QCOMPARE(f.services.lastText(), c.message);
        QCOMPARE(f.services.messages.back().title, title);
    }
    // Text typed into the kind box instead of choosing counts as no kind.
    f.save(QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("30"), 2);
    f.services.clear();
    f.edit(QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("31"), 2);
    f.w->Combo1->setEditText(QStringLiteral("大教室"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.services.texts(), QStringList{QStringLiteral("考场类别未选择!")});
    QCOMPARE(f.rooms(), QStringList{QStringLiteral("001|一楼|30|3")});

    // Ten Chinese characters fit; the id is stored zero-padded; the buttons go back to their rest.
    f.services.clear();
    f.save(QStringLiteral(" 7 "), QStringLiteral("一二三四五六七八九十"), QStringLiteral("45人"), 6);
    QCOMPARE(f.services.lastText(), QStringLiteral("数据保存完毕！"));
    QCOMPARE(f.rooms(), (QStringList{QStringLiteral("001|一楼|30|3"), QStringLiteral("007|一二三四五六七八九十|45|7")}));
    QVERIFY(!f.w->jscssave->isEnabled());
    QVERIFY(!f.w->jscsmodi->isEnabled());
    QVERIFY(!f.w->jscsdel->isEnabled());
    QCOMPARE(f.w->Grid1->Rows(), 3);
    QCOMPARE(f.w->Grid1->TextMatrix(2, 1), QStringLiteral("007"));
    QCOMPARE(f.w->Grid1->TextMatrix(2, 3), QStringLiteral("45"));
    QCOMPARE(f.w->Grid1->TextMatrix(2, 4), QStringLiteral("多媒体教室"));
}

void tst_kcsz::savingFindsTheStoredRoom()
{
    Fixture f;
    f.save(QStringLiteral("007"), QStringLiteral("一楼"), QStringLiteral("30"), 0);
    // Typed as 7: room 007 is rewritten, not added a second time.
    f.save(QStringLiteral("7"), QStringLiteral("二楼"), QStringLiteral("40"), 1);
    QCOMPARE(f.rooms(), QStringList{QStringLiteral("007|二楼|40|2")});
    // Ids are one room whatever their letter case.
    f.save(QStringLiteral("A01"), QStringLiteral("三楼"), QStringLiteral("20"), 3);
    f.save(QStringLiteral("a01"), QStringLiteral("四楼"), QStringLiteral("25"), 4);
    QCOMPARE(f.rooms(), (QStringList{QStringLiteral("007|二楼|40|2"), QStringLiteral("a01|四楼|25|5")}));
    QCOMPARE(f.w->Grid1->Rows(), 3);

    // Changing the id of a chosen room creates a room under the new id and keeps the old one.
    f.click(1);
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("007"));
    QCOMPARE(f.w->Combo1->currentText(), QStringLiteral("高二教室"));
    QVERIFY(f.w->jscsmodi->isEnabled() && f.w->jscsdel->isEnabled());
    QVERIFY(press(f.w->jscsmodi));
    f.w->Text1[0]->setText(QStringLiteral("8"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.rooms(), (QStringList{QStringLiteral("007|二楼|40|2"), QStringLiteral("008|二楼|40|2"), QStringLiteral("a01|四楼|25|5")}));
}

void tst_kcsz::quotesAreStoredLiterally()
{
    Fixture f;
    f.save(QStringLiteral("A'1"), QStringLiteral("O'Brien楼"), QStringLiteral("30"), 7);
    f.save(QStringLiteral("B'1"), QStringLiteral("x' OR '1'='1"), QStringLiteral("30"), 7);
    QCOMPARE(f.rooms(), (QStringList{QStringLiteral("A'1|O'Brien楼|30|8"), QStringLiteral("B'1|x' OR '1'='1|30|8")}));
    f.save(QStringLiteral("a'1"), QStringLiteral("新楼"), QStringLiteral("31"), 7);
    QCOMPARE(f.rooms().size(), 2);
    QCOMPARE(f.rooms().value(0), QStringLiteral("a'1|新楼|31|8"));

    f.click(1);
    f.services.answers.push_back(MsgAnswer::Ok);
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.services.messages.back().text, QStringLiteral("真得要删除“a'1”考场号相关数据吗？"));
    QCOMPARE(f.rooms(), QStringList{QStringLiteral("B'1|x' OR '1'='1|30|8")});
}

void tst_kcsz::gridNewProposalAndDelete()
{
    Fixture f;
    // No rooms yet: 新增 proposes nothing and keeps what the box holds.
    QCOMPARE(f.w->Grid1->Rows(), 1);
    f.w->Text1[0]->setText(QStringLiteral("X"));
    f.w->Text1[1]->setText(QStringLiteral("old"));
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("X"));
    QVERIFY(f.w->Text1[1]->text().isEmpty());
    QCOMPARE(f.w->Combo1->currentIndex(), -1);
    QVERIFY(f.w->jscssave->isEnabled());

    f.save(QStringLiteral("1"), QStringLiteral("一楼"), QStringLiteral("30"), 0);
    f.save(QStringLiteral("A09"), QStringLiteral("二楼"), QStringLiteral("30"), 0);
    QCOMPARE(f.w->lastRoomId(), QStringLiteral("A09"));
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("A10"));

    // Cancel keeps the room; OK deletes it and the text boxes keep their contents.
    f.click(2);
    f.services.answers.push_back(MsgAnswer::Cancel);
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.rooms().size(), 2);
    f.services.answers.push_back(MsgAnswer::Ok);
    QVERIFY(press(f.w->jscsdel));
    QCOMPARE(f.rooms(), QStringList{QStringLiteral("001|一楼|30|1")});
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("A09"));
    QVERIFY(!f.w->jscsdel->isEnabled());

    // A room typed as 1 is room 001: deleting it leaves the heading row; the last id stays.
    f.click(1);
    f.w->Text1[0]->setText(QStringLiteral("1"));
    f.services.answers.push_back(MsgAnswer::Ok);
    QVERIFY(press(f.w->jscsdel));
    QVERIFY(f.rooms().isEmpty());
    QCOMPARE(f.w->Grid1->Rows(), 1);
    QCOMPARE(f.w->lastRoomId(), QStringLiteral("001"));
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("002"));
    // A window opened again on an empty register has no last id: 新增 proposes nothing.
    QVERIFY(press(f.w->exitcom));
    QVERIFY(!f.w->isLoaded());
    f.w->Show();
    QVERIFY(f.w->lastRoomId().isEmpty());
    f.w->Text1[0]->setText(QStringLiteral("X"));
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("X"));

    // After 099 the proposal 0100 is too long, and saving it says so.
    f.save(QStringLiteral("099"), QStringLiteral("三楼"), QStringLiteral("30"), 0);
    QVERIFY(press(f.w->jscsadd));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("0100"));
    f.services.clear();
    f.save(f.w->Text1[0]->text(), QStringLiteral("三楼"), QStringLiteral("30"), 0);
    QCOMPARE(f.services.lastText(), QStringLiteral("考场号不能为空或长度超过3个字符!"));
    QCOMPARE(f.rooms().size(), 1);
}

void tst_kcsz::missingSystemDatabaseClosesTheWindow()
{
    TempData data;
    ScriptedServices &s = installScripted();
    QVERIFY(QFile::remove(data.systemPath()));
    registerArrangementWindows();
    auto *w = windows::get<kcsz>(QStringLiteral("kcsz"));
    w->Show();
    QVERIFY(!w->isLoaded());
    QVERIFY(!w->isVisible());
    QCOMPARE(s.programEnds, 0);
    QCOMPARE(s.lastText(), QStringLiteral("库文件“newclasssys.mdb”错误！"));
    QCOMPARE(s.messages.back().title, QStringLiteral("系统提示："));
}

void tst_kcsz::keysFocusAndButtonStates()
{
    Fixture f;
    // The state of a window that has just opened.
    QVERIFY(f.w->jscsadd->isEnabled());
    QVERIFY(!f.w->jscsmodi->isEnabled() && !f.w->jscsdel->isEnabled() && !f.w->jscssave->isEnabled());
    QCOMPARE(f.w->windowTitle(), QStringLiteral("考场设置"));
    QCOMPARE(f.w->Grid1->FormatString(), QStringLiteral("|^考场号|^考场地点        |^考场人数|^  考场类别"));
    QCOMPARE(f.w->Combo1->count(), 13);
    QCOMPARE(f.w->Combo1->itemText(7), QStringLiteral("其它教室"));

    // Typing is limited to 3, 10 and 3 characters.
    f.w->Text1[0]->setFocus();
    QTest::keyClicks(f.w->Text1[0], QStringLiteral("1234"));
    QCOMPARE(f.w->Text1[0]->text(), QStringLiteral("123"));
    QTest::keyClicks(f.w->Text1[2], QStringLiteral("4567"));
    QCOMPARE(f.w->Text1[2]->text(), QStringLiteral("456"));

    // Enter walks id, location, seats, kind; Enter on the kind enables and focuses 修改, and 保存.
    QTest::keyClick(f.w->Text1[0], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[1]));
    QTest::keyClick(f.w->Text1[1], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[2]));
    QTest::keyClick(f.w->Text1[2], Qt::Key_Enter);
    QVERIFY(f.w->Combo1->hasFocus());
    QVERIFY(f.services.messages.empty());
    QTest::keyClick(f.w->Combo1->lineEdit(), Qt::Key_Return);
    QVERIFY(f.w->jscsmodi->isEnabled() && f.w->jscssave->isEnabled());
    QVERIFY(!f.w->jscsdel->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->jscsmodi));
    QVERIFY(f.services.messages.empty()); // Enter pressed no button
    // Enter on the focused 修改 presses it: the focus goes back to the id box.
    QTest::keyClick(f.w->jscsmodi, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[0]));

    // A box that gains the focus has its caret at the end.
    f.w->Text1[1]->setText(QStringLiteral("一楼东"));
    f.w->Text1[1]->setCursorPosition(0);
    f.w->Text1[0]->setFocus();
    QTest::keyClick(f.w->Text1[0], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[1]));
    QCOMPARE(f.w->Text1[1]->cursorPosition(), 3);
    QVERIFY(!f.w->Text1[1]->hasSelectedText());
    // Tab does not select the text either; a click leaves the caret where the user clicked.
    f.w->Text1[2]->setText(QStringLiteral("45"));
    f.w->Text1[2]->setCursorPosition(0);
    QTest::keyClick(f.w->Text1[1], Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[2]));
    QCOMPARE(f.w->Text1[2]->cursorPosition(), 2);
    QVERIFY(!f.w->Text1[2]->hasSelectedText());
    f.w->Text1[0]->setText(QStringLiteral("123"));
    QTest::mouseClick(f.w->Text1[0], Qt::LeftButton, {}, QPoint(1, f.w->Text1[0]->height() / 2));
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[0]));
    QCOMPARE(f.w->Text1[0]->cursorPosition(), 0);

    // A click on a room shows its kind again, also after a kind was typed over the box.
    f.save(QStringLiteral("001"), QStringLiteral("一楼"), QStringLiteral("30"), 4);
    f.w->Combo1->setEditText(QStringLiteral("随便"));
    f.click(1);
    QCOMPARE(f.w->Combo1->currentText(), QStringLiteral("物理实验室"));
    QCOMPARE(f.w->Text1[2]->text(), QStringLiteral("30"));
    // 修改 enables 保存 and puts the focus into the id box; nothing is written.
    QVERIFY(press(f.w->jscsmodi));
    QVERIFY(f.w->jscssave->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[0]));
    // A failed check puts the focus where the fault is.
    f.services.clear();
    f.w->Text1[2]->setText(QStringLiteral("0"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.services.lastText(), QStringLiteral("考场人数不能为0!"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.w->Text1[2]));
    f.w->Text1[2]->setText(QStringLiteral("30"));
    f.w->Combo1->setEditText(QStringLiteral("随便"));
    QVERIFY(press(f.w->jscssave));
    QCOMPARE(f.services.lastText(), QStringLiteral("考场类别未选择!"));
    QVERIFY(f.w->Combo1->hasFocus());
    QVERIFY(f.w->jscssave->isEnabled());
}

// With QUORVANE_SHOW_KCSZ set, the program shows the room register on generated rooms instead of
// running the tests (to look at the window).
static int showRoomRegister()
{
    installFontSubstitutions();
    Fixture f;
    const char *const addresses[] = {"教学楼一层东", "教学楼一层西", "实验楼三层化学室", "图书馆二楼阅览室"};
    for (int i = 0; i < 12; ++i)
        f.save(QString::number(i + 1), QString::fromUtf8(addresses[i % 4]), QString::number(30 + i % 3 * 5), i % 4 == 2 ? 3 : i % 4 == 3 ? 12 : i % 3);
    f.save(QStringLiteral("A01"), QStringLiteral("操场旁活动室"), QStringLiteral("120"), 11);
    f.click(3);
    f.w->Show();
    return qApp->exec();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QUORVANE_SHOW_KCSZ"))
        return showRoomRegister();
    tst_kcsz tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_kcsz.moc"
