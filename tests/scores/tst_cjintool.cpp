#include "controls/grid/grid.h"
#include "scores/cjintool.h"
#include "scores/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/main.h"
#include "shell/workbook.h"
#include "workbook/xlsreader.h"
#include "testsupport.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;
using quorvane::test::ProgramEnded;
using quorvane::test::ScriptedServices;
using quorvane::test::TempData;
using quorvane::test::press;

namespace {
const QString kExamA = QStringLiteral("240901080000");   // older
const QString kExamB = QStringLiteral("241101080000");   // newer, listed first

struct Student
{
    const char *stid;
    const char *name;
    int bj;
    int zh;
    int wlflag;
    const char *room;
    int kczh;
};

// The first n (at most 4) students of class 1: A1 甲, A2 乙, A3 丙, A4 丁 on seats 1..n, 文理不分, in
// room 001 on seats 1..n.
std::vector<Student> classOne(int n)
{
    static const char *const ids[] = {"A1", "A2", "A3", "A4"};
    static const char *const names[] = {"甲", "乙", "丙", "丁"};
    std::vector<Student> out;
    for (int i = 0; i < n && i < 4; ++i)
        out.push_back({ids[i], names[i], 1, i + 1, 1, "001", i + 1});
    return out;
}

// A cohort 2024 with two exams. Exam A: 数学 by class (客观分 40, 主观分 110, 总 分 150),
// 综合科 by room (总 分 300, 理科 only), 物理 locked, by class. Exam B: 数学 by class, 总 分 150.
class Fixture
{
public:
    Fixture()
    {
        gCohortYear = QStringLiteral("2024");
        gCohortDbFile = QStringLiteral("db2024.mdb");
        td.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"), 3, 1);
        QSqlDatabase sys;
        m_ready = openDatabase(td.systemPath(), DbKind::System, QStringLiteral("fx-sys"), &sys)
            && execSql(sys, QStringLiteral("INSERT INTO kcbpb(id, name, year, kcid, "
                                           "kmflag2, kgfs2, zgfs2, allfs2, kstype2, cjinput2, cjlock2, "
                                           "kmflag10, allfs10, kstype10, cjinput10, "
                                           "kmflag5, allfs5, kstype5, cjinput5, cjlock5) "
                                           "VALUES(?,?,?,?, 1,40,110,150,1,1,0, 1,300,3,0, 1,100,1,1,1)"),
                       {kExamA, QStringLiteral("期中考试"), QStringLiteral("2024"), QStringLiteral("001002")})
            && execSql(sys, QStringLiteral("INSERT INTO kcbpb(id, name, year, kcid, kmflag2, allfs2, kstype2, cjinput2) "
                                           "VALUES(?,?,?,?, 1,150,1,1)"),
                       {kExamB, QStringLiteral("期末考试"), QStringLiteral("2024"), QStringLiteral("001")});
        closeDatabase(sys);
        m_ready = openDatabase(td.cohortPath(gCohortDbFile), DbKind::Cohort, QStringLiteral("fx-co"), &co) && m_ready;
    }
    ~Fixture() { closeDatabase(co); }

    // Adds the students to the exam; false when they, or the fixture's own rows, were not written.
    [[nodiscard]] bool add(const QString &exam, const std::vector<Student> &list)
    {
        bool ok = m_ready;
        for (const Student &s : list)
            ok = execSql(co, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?,?,?,?,?,?,?,?)"),
                         {exam, QString::fromUtf8(s.stid), QString::fromUtf8(s.name), s.bj, s.zh, s.wlflag,
                          QString::fromUtf8(s.room), s.kczh})
                && ok;
        return ok;
    }
    // The usual start: the first n students of class 1 in exam A, listed for 数学 总 分 as the user
    // lists them; null when they cannot be added or the window does not become active.
    cjintool *listClassOne(int n);
    QVariant score(const QString &exam, const QString &stid, const QString &column = QStringLiteral("ke2"))
    {
        QSqlQuery q = prepare(co, QStringLiteral("SELECT %1 FROM stucj WHERE id=? AND stid=?").arg(column), {exam, stid});
        if (!q.exec() || !q.next())
            return QStringLiteral("<no row>");
        return q.value(0);
    }

    TempData td;
    QSqlDatabase co;

private:
    bool m_ready = false;
};

// Records, with every message, the pointer shape shown while it is up (-1: the normal one).
class PointerServices : public ScriptedServices
{
public:
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override
    {
        const QCursor *c = QGuiApplication::overrideCursor();
        pointers.push_back(c ? int(c->shape()) : -1);
        return ScriptedServices::message(text, title, icon, buttons);
    }
    std::vector<int> pointers;
};

// What the user does: picks a chooser entry, types into the focused widget.
void pick(QComboBox *combo, const QString &text)
{
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    combo->setCurrentIndex(i);
    Q_EMIT combo->activated(i);
}
void keys(const QString &text)
{
    QVERIFY(QApplication::focusWidget());
    QTest::keyClicks(QApplication::focusWidget(), text);
}
void key(Qt::Key k)
{
    QVERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), k);
}

// Types text over what the entry box shows (it must have the focus, as after a listing or a click).
void retype(cjintool *w, const QString &text)
{
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Text1));
    QTest::keyClick(w->Text1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->Text1, Qt::Key_Backspace);
    QTest::keyClicks(w->Text1, text);
}
// Types text over the box's and leaves the row with Enter, Down or Up.
void enter(cjintool *w, const QString &text, Qt::Key leave = Qt::Key_Return)
{
    retype(w, text);
    QTest::keyClick(w->Text1, leave);
}
// A click into the entry box, as after a button took the focus.
void clickBox(cjintool *w)
{
    QTest::mouseClick(w->Text1, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Text1));
}
// A click on grid row r.
void clickRow(cjintool *w, int r)
{
    const QRect cell = w->Grid1->visualRect(w->Grid1->cellIndex(r, 1));
    QTest::mouseClick(w->Grid1->viewport(), Qt::LeftButton, {}, cell.center());
}

// Presses the button and answers the file dialog it opens with fileName ("" cancels); false when
// the button could not be pressed or asked for no file.
bool pressWithFile(ScriptedServices &svc, QPushButton *button, const QString &fileName)
{
    const size_t asked = svc.fileRequests.size();
    svc.fileNames.push_back(fileName);
    return press(button) && svc.fileRequests.size() == asked + 1;
}

// Shows the window and lists a sheet through its choosers as the user does; null when the window
// does not become active.
cjintool *listByUser(const QString &examName = QStringLiteral("期中考试"), const QString &subject = QStringLiteral("数学"),
                     const QString &place = QStringLiteral("1"), const QString &item = QStringLiteral("总 分"))
{
    auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
    if (!w->isLoaded())
        w->Load();
    w->Show();
    if (!QTest::qWaitForWindowActive(w))
        return nullptr;
    pick(w->Combo2, examName);
    pick(w->Combo1, subject);
    pick(w->Combo3, place);
    pick(w->Combo4, item);
    return w;
}
cjintool *Fixture::listClassOne(int n)
{
    return add(kExamA, classOne(n)) ? listByUser() : nullptr;
}
} // namespace

// Stands in for the print preview window, which is not part of this test.
class PreviewStandIn : public Window
{
public:
    PreviewStandIn() : Window(QStringLiteral("printsform")) {}

protected:
    void createControls(QWidget *) override {}
};

class tst_cjintool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerScoresWindows(); }

    void loadsChoosersAndGrid()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, {{"S2", "乙", 1, 2, 2, "002", 1}, {"S1", "甲", 1, 1, 3, "001", 2}, {"S3", "丙", 2, 1, 3, "001", 1}}));
        auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
        w->Load();
        QCOMPARE(w->windowTitle(), QStringLiteral("考试成绩输入"));
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(w->Combo2->count(), 2);
        QCOMPARE(w->Combo2->itemText(0), QStringLiteral("期末考试"));
        QCOMPARE(w->Combo2->currentIndex(), -1);
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Grid1->Cols(), 5);
        QCOMPARE(w->Grid1->FixedCols(), 3);
        QCOMPARE(w->Grid1->TextMatrix(0, 4), QStringLiteral("位置"));

        // Captions as the user reads them; Enter never presses a button.
        QCOMPARE(w->Label1[8]->text(), QStringLiteral("考试名称:"));
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("考试学科:"));
        QCOMPARE(w->Label1[1]->text(), QStringLiteral("班级号:"));
        QCOMPARE(w->Label3[3]->text(), QStringLiteral("项  目："));
        QCOMPARE(w->Label3[1]->text(), QStringLiteral("分数制："));
        QCOMPARE(w->Label3[2]->text(), QStringLiteral("分  数："));
        QCOMPARE(w->Label3[7]->text(), QStringLiteral("分数："));
        QCOMPARE(w->Label3[8]->text(), QStringLiteral("-1 表示缺考"));
        QCOMPARE(w->Label3[9]->text(), QStringLiteral("-2 表示作弊"));
        QVERIFY(w->Label3[6]->isHidden());
        QCOMPARE(w->Check1->text(), QStringLiteral("打印成绩模板"));
        QVERIFY(!w->Check1->isChecked());
        const std::pair<QPushButton *, const char *> buttons[] = {
            {w->command3, "确定保存"}, {w->VsNetBut1, "分数清零"}, {w->VsNetBut2, "成绩打印"},
            {w->VsNetBut3, "分数导入"}, {w->VsNetBut4, "分数导出"}, {w->exitcom, "关闭退出"}};
        for (const auto &b : buttons) {
            QCOMPARE(b.first->text(), QString::fromUtf8(b.second));
            QVERIFY(!b.first->autoDefault() && !b.first->isDefault());
        }

        // The item chooser refuses to load without a class (and, below, without a subject).
        w->Show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        pick(w->Combo2, QStringLiteral("期中考试"));
        QCOMPARE(w->Combo1->count(), 3);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("数学"));
        pick(w->Combo1, QStringLiteral("数学"));
        QCOMPARE(w->Combo4->count(), 3);
        QCOMPARE(w->Combo4->itemText(2), QStringLiteral("总 分"));
        QCOMPARE(w->Label1[1]->text(), QStringLiteral("班级号:"));
        QCOMPARE(w->Combo3->count(), 3);
        pick(w->Combo4, QStringLiteral("主观分"));
        QCOMPARE(svc.lastText(), QStringLiteral("班级/考场未选择!"));
        QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示："));

        pick(w->Combo3, QStringLiteral("1"));
        QCOMPARE(w->Label3[4]->text(), QStringLiteral("110"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QCOMPARE(w->Grid1->Cols(), 5);
        QCOMPARE(w->Grid1->TextMatrix(0, 1), QStringLiteral("   姓  名 "));
        QCOMPARE(w->Grid1->TextMatrix(1, 1), QStringLiteral("甲"));
        QCOMPARE(w->Grid1->TextMatrix(2, 2), QStringLiteral("2"));
        QCOMPARE(w->Grid1->TextMatrix(1, 4), QStringLiteral("←"));
        QCOMPARE(w->Label3[5]->text(), QStringLiteral("总人数：2"));

        // Room mode for 综合科: 300 points, only 理科 students of the room.
        pick(w->Combo1, QStringLiteral("综合科"));
        QCOMPARE(w->Label1[1]->text(), QStringLiteral("考场号:"));
        // Every cell is emptied and the room headings are set; the rows stay, holding nobody.
        QCOMPARE(w->Grid1->Rows(), 3);
        QCOMPARE(w->Grid1->Cols(), 4);
        QCOMPARE(w->Grid1->TextMatrix(0, 1), QStringLiteral("座位号"));
        for (int r = 1; r < 3; ++r)
            for (int c = 1; c < 4; ++c)
                QCOMPARE(w->Grid1->TextMatrix(r, c), QString());
        QVERIFY(w->gridStudents().empty());
        QCOMPARE(w->Label3[5]->text(), QString());
        QCOMPARE(w->Combo3->count(), 2);
        QCOMPARE(w->Combo3->itemText(1), QStringLiteral("002"));
        QCOMPARE(w->Combo4->count(), 1);
        pick(w->Combo3, QStringLiteral("001"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Label3[4]->text(), QStringLiteral("300"));
        QCOMPARE(w->Grid1->Cols(), 4);
        QCOMPARE(w->Grid1->TextMatrix(0, 1), QStringLiteral("座位号"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QCOMPARE(w->Grid1->TextMatrix(1, 1), QStringLiteral("1"));
        QCOMPARE(w->gridStudents()[0].stid, QStringLiteral("S3"));

        // Another exam empties the subject chooser; the item chooser keeps its entries.
        pick(w->Combo2, QStringLiteral("期末考试"));
        svc.clear();
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(svc.texts(), QStringList{QStringLiteral("学科未选择!")});
        QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示："));

        QVERIFY(QSqlDatabase::contains(QStringLiteral("cjintool-cohort")));
        QVERIFY(QSqlDatabase::contains(QStringLiteral("cjintool-system")));
        QVERIFY(press(w->exitcom));
        QVERIFY(!w->isLoaded());
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("cjintool-cohort")));   // both closed
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("cjintool-system")));
        QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void sameSeatStudentsKeepTheirOwnScores()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        // Blank seat numbers are stored as 0; two students also share seat 7.
        QVERIFY(fx.add(kExamA, {{"A1", "甲", 1, 0, 1, "001", 1}, {"A2", "乙", 1, 0, 1, "001", 2},
                                {"A3", "丙", 1, 7, 1, "001", 3}, {"A4", "丁", 1, 7, 1, "001", 4}}));
        cjintool *w = listByUser();
        QVERIFY(w);
        QCOMPARE(w->Grid1->Rows(), 5);
        QHash<QString, QString> typed;
        const QStringList scores{QStringLiteral("101"), QStringLiteral("102"), QStringLiteral("103"), QStringLiteral("104")};
        for (int r = 1; r <= 4; ++r) {
            QCOMPARE(w->Grid1->Row(), r);
            typed[w->gridStudents()[static_cast<size_t>(r - 1)].stid] = scores[r - 1];
            enter(w, scores[r - 1]);
        }
        QCOMPARE(w->Grid1->Row(), 4);   // Enter on the last row keeps it
        QVERIFY(svc.messages.empty());
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("保存完毕!"));
        QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示:"));
        for (auto it = typed.cbegin(); it != typed.cend(); ++it)
            QCOMPARE(fx.score(kExamA, it.key()).toDouble(), it.value().toDouble());
        QVERIFY(fx.score(kExamA, QStringLiteral("A1"), QStringLiteral("kea2")).isNull());

        // 分数清零 then save writes Null for everybody listed; Cancel writes nothing.
        QVERIFY(press(w->VsNetBut1));
        QCOMPARE(w->Grid1->TextMatrix(2, 3), QString());
        svc.answers.push_back(MsgAnswer::Cancel);
        QVERIFY(press(w->command3));
        QCOMPARE(fx.score(kExamA, QStringLiteral("A2")).toDouble(), 102.0);
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        for (const char *s : {"A1", "A2", "A3", "A4"})
            QVERIFY(fx.score(kExamA, QString::fromLatin1(s)).isNull());
    }

    void entryChecksAndMoves()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        cjintool *w = fx.listClassOne(3);
        QVERIFY(w);

        enter(w, QStringLiteral("8a"));
        QCOMPARE(svc.lastText(), QStringLiteral("分数含有非法字符!"));
        QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示:"));
        QCOMPARE(w->Grid1->Row(), 1);
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("8a"));

        enter(w, QStringLiteral("151"));
        QCOMPARE(svc.lastText(), QStringLiteral("分数不能大于150分!"));
        QCOMPARE(w->Grid1->Row(), 1);

        svc.clear();
        enter(w, QStringLiteral("-2"));   // 作弊: taken by the box as by save
        QVERIFY(svc.messages.empty());
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("-2"));
        key(Qt::Key_Up);
        QCOMPARE(w->Grid1->Row(), 1);
        QCOMPARE(w->Text1->text(), QStringLiteral("-2"));

        enter(w, QStringLiteral("90"), Qt::Key_Up);   // Up on row 1 keeps it
        QCOMPARE(w->Grid1->Row(), 1);
        key(Qt::Key_Down);
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Grid1->TextMatrix(2, 4), QStringLiteral("←"));
        QCOMPARE(w->Grid1->TextMatrix(1, 4), QString());
        QCOMPARE(w->Text1->text(), QString());   // the box shows the new row's cell
        enter(w, QStringLiteral("150"));
        enter(w, QStringLiteral("85"), Qt::Key_Up);
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Text1->text(), QStringLiteral("150"));
        QVERIFY(svc.messages.empty());

        // Save refuses a cell above the full mark and one with a decimal point, marking the row.
        w->Grid1->setTextMatrix(1, 3, QStringLiteral("-2"));
        w->Grid1->setTextMatrix(3, 3, QStringLiteral("160"));
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("输入分数不能大于150分!"));
        QCOMPARE(w->Grid1->Row(), 3);
        QCOMPARE(w->Grid1->TextMatrix(3, 4), QStringLiteral("←"));
        QCOMPARE(w->Grid1->TextMatrix(2, 4), QString());
        w->Grid1->setTextMatrix(3, 3, QStringLiteral("85.5"));
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("输入分数含有非法字符!"));
        QVERIFY(fx.score(kExamA, QStringLiteral("A1")).isNull());

        // A click on a row makes it the entry row.
        w->Grid1->setTextMatrix(3, 3, QStringLiteral("0"));
        clickRow(w, 1);
        clickRow(w, 3);
        QCOMPARE(w->Grid1->Row(), 3);
        QCOMPARE(w->Text1->text(), QStringLiteral("0"));

        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("保存完毕!"));
        QCOMPARE(fx.score(kExamA, QStringLiteral("A1")).toDouble(), -2.0);
        QCOMPARE(fx.score(kExamA, QStringLiteral("A2")).toDouble(), 150.0);
        QCOMPARE(fx.score(kExamA, QStringLiteral("A3")).toDouble(), 0.0);

        // Reloading shows -2, and the stored 0 as an empty cell.
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("-2"));
        QCOMPARE(w->Grid1->TextMatrix(3, 3), QString());
    }

    void threeHundredPointSubject()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, {{"Z1", "甲", 1, 1, 3, "002", 1}, {"Z2", "乙", 1, 2, 3, "002", 2}, {"Z3", "丙", 1, 3, 2, "002", 3}}));
        cjintool *w = listByUser(QStringLiteral("期中考试"), QStringLiteral("综合科"), QStringLiteral("002"));
        QVERIFY(w);
        QCOMPARE(w->Label3[4]->text(), QStringLiteral("300"));
        QCOMPARE(w->Grid1->Rows(), 3);     // the 文科 student does not sit it
        enter(w, QStringLiteral("280"));
        QVERIFY(svc.messages.empty());
        QCOMPARE(w->Grid1->Row(), 2);
        enter(w, QStringLiteral("301"));
        QCOMPARE(svc.lastText(), QStringLiteral("分数不能大于300分!"));
        enter(w, QStringLiteral("300"));
        QCOMPARE(svc.messages.size(), size_t(1));
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("保存完毕!"));
        QCOMPARE(fx.score(kExamA, QStringLiteral("Z1"), QStringLiteral("ke10")).toDouble(), 280.0);
        QCOMPARE(fx.score(kExamA, QStringLiteral("Z2"), QStringLiteral("ke10")).toDouble(), 300.0);
        QVERIFY(fx.score(kExamA, QStringLiteral("Z3"), QStringLiteral("ke10")).isNull());
    }

    void lockedSubject()
    {
        quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, classOne(2)));
        QVERIFY(execSql(fx.co, QStringLiteral("UPDATE stucj SET ke5=66 WHERE stid='A2'")));
        cjintool *w = listByUser(QStringLiteral("期中考试"), QStringLiteral("物理"));
        QVERIFY(w);
        QVERIFY(!w->command3->isEnabled());
        QVERIFY(!w->VsNetBut1->isEnabled());
        QVERIFY(w->Text1->isReadOnly());
        QVERIFY(!w->Label3[6]->isHidden());
        QCOMPARE(w->Label3[6]->text(), QStringLiteral("当前成绩已锁定！"));
        QCOMPARE(w->Grid1->Rows(), 3);   // still listed, walked, printable and exportable
        key(Qt::Key_Return);
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Text1->text(), QStringLiteral("66"));
        QVERIFY(w->VsNetBut2->isEnabled());
        QVERIFY(w->VsNetBut3->isEnabled() && w->VsNetBut4->isEnabled());

        pick(w->Combo1, QStringLiteral("数学"));
        QVERIFY(w->VsNetBut1->isEnabled());
        QVERIFY(!w->Text1->isReadOnly());
        QVERIFY(w->Label3[6]->isHidden());
        QVERIFY(!w->command3->isEnabled());   // until the subject is listed
        pick(w->Combo3, QStringLiteral("1"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QVERIFY(w->command3->isEnabled());
    }

    void saveWritesTheListedSheetAndReportsFailure()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, classOne(1)) && fx.add(kExamB, classOne(1)));
        cjintool *w = listByUser();
        QVERIFY(w);
        enter(w, QStringLiteral("77"));

        // Another cohort's window holds the file for writing: the failure is reported, nothing written.
        QSqlQuery lock(fx.co);
        QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QVERIFY(svc.lastText() != QStringLiteral("保存完毕!"));
        QVERIFY(svc.lastText().contains(QStringLiteral("保存失败")));
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        QVERIFY(fx.score(kExamA, QStringLiteral("A1")).isNull());
        QVERIFY(w->Combo1->isEnabled() && w->Combo2->isEnabled() && w->Combo3->isEnabled() && w->Combo4->isEnabled());
        QVERIFY(w->command3->isEnabled());
        QVERIFY(!w->isSaving());

        // Choosing another exam does not redirect the listed scores into it.
        pick(w->Combo2, QStringLiteral("期末考试"));
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("保存完毕!"));
        QCOMPARE(fx.score(kExamA, QStringLiteral("A1")).toDouble(), 77.0);
        QVERIFY(fx.score(kExamB, QStringLiteral("A1")).isNull());

        // After another subject is chosen the emptied rows stand for nobody: nothing can be typed
        // or saved.
        pick(w->Combo2, QStringLiteral("期中考试"));
        pick(w->Combo1, QStringLiteral("综合科"));
        QCOMPARE(w->Grid1->Rows(), 2);
        QTest::keyClicks(w->Text1, QStringLiteral("66"));
        QVERIFY(!press(w->command3));
        QCOMPARE(fx.score(kExamA, QStringLiteral("A1")).toDouble(), 77.0);
        QVERIFY(fx.score(kExamA, QStringLiteral("A1"), QStringLiteral("ke10")).isNull());
        // Nor printed, exported or imported into, until the next list.
        svc.clear();
        QVERIFY(!press(w->VsNetBut2) && !press(w->VsNetBut3) && !press(w->VsNetBut4));
        QVERIFY(svc.messages.empty() && svc.fileRequests.empty());
        pick(w->Combo1, QStringLiteral("数学"));
        pick(w->Combo3, QStringLiteral("1"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QVERIFY(w->VsNetBut2->isEnabled() && w->VsNetBut3->isEnabled() && w->VsNetBut4->isEnabled());
    }

    void printLimits()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        std::vector<QByteArray> ids;
        for (int i = 1; i <= 72; ++i)
            ids.push_back(QByteArray("P") + QByteArray::number(i));
        std::vector<Student> list;
        for (int i = 1; i <= 72; ++i)
            list.push_back({ids[static_cast<size_t>(i - 1)].constData(), "生", i <= 71 ? 1 : 2, i, 1, "001", i});
        list.push_back({"Q1", "生", 2, 73, 1, "001", 73});
        QVERIFY(fx.add(kExamA, list));
        auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
        w->Load();
        w->Show();
        QVERIFY(press(w->VsNetBut2));
        QCOMPARE(svc.lastText(), QStringLiteral("当前打印内容不能为空!"));
        QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示:"));

        QVERIFY(listByUser());
        QCOMPARE(w->Grid1->Rows(), 72);
        gReportCode = 0;
        svc.clear();
        // Without a preview window the sheet stays in view.
        QVERIFY(press(w->VsNetBut2));
        QVERIFY(svc.messages.empty());
        QCOMPARE(gReportCode, qint16(41));
        QVERIFY(!w->isHidden());
        // With one, the sheet hides and the preview shows.
        windows::registerFactory(QStringLiteral("printsform"), [] { return new PreviewStandIn; });
        gReportCode = 0;
        QVERIFY(press(w->VsNetBut2));
        QCOMPARE(gReportCode, qint16(41));
        QVERIFY(w->isHidden());
        QVERIFY(w->isLoaded());
        QVERIFY(windows::find(QStringLiteral("printsform"))->isVisible());

        w->Show();
        // Room 001 holds all 73 students.
        pick(w->Combo1, QStringLiteral("综合科"));
        QVERIFY(execSql(fx.co, QStringLiteral("UPDATE stucj SET wlflag=3")));
        pick(w->Combo3, QStringLiteral("001"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Grid1->Rows(), 74);
        gReportCode = 0;
        QVERIFY(press(w->VsNetBut2));
        QCOMPARE(svc.lastText(), QStringLiteral("当前打印内容过多!"));
        QCOMPARE(gReportCode, qint16(0));
        QVERIFY(!w->isHidden());
    }

    void missingCohortFileEndsTheProgram()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        TempData td;
        gCohortYear = QStringLiteral("2030");
        gCohortDbFile = QStringLiteral("db2030.mdb");
        auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, w->Load());
        QCOMPARE(svc.lastText(), QStringLiteral("库文件db2030.mdb不存在!"));
        QCOMPARE(svc.messages.back().title, QStringLiteral("警告:"));

        // A file that is there but is not one of our databases.
        QFile f(td.cohortPath(QStringLiteral("db2030.mdb")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write("Standard Jet DB") > 0);
        f.close();
        windows::destroyAll();   // the ended program's instance is gone
        w = windows::get<cjintool>(QStringLiteral("cjintool"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, w->Load());
        QCOMPARE(svc.lastText(), QStringLiteral("库文件出错!"));
        QCOMPARE(svc.programEnds, 2);

        // The system database missing.
        td.addCohort(QStringLiteral("2031"), QStringLiteral("db2031"));
        gCohortDbFile = QStringLiteral("db2031.mdb");
        QVERIFY(QFile::remove(td.systemPath()));
        windows::destroyAll();
        w = windows::get<cjintool>(QStringLiteral("cjintool"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, w->Load());
        QCOMPARE(svc.lastText(), QStringLiteral("库文件newclasssys.mdb不存在!"));
    }

    void keepsTheCohortItWasLoadedWith()
    {
        quorvane::test::installScripted();
        Fixture fx;
        fx.td.addCohort(QStringLiteral("2025"), QStringLiteral("db2025"));
        QVERIFY(fx.add(kExamA, classOne(1)));
        auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
        w->Load();
        gCohortYear = QStringLiteral("2025");
        gCohortDbFile = QStringLiteral("db2025.mdb");
        w->Show();   // already loaded: only brought forward
        QCOMPARE(w->cohortYear(), QStringLiteral("2024"));
        QVERIFY(listByUser());
        QCOMPARE(w->Grid1->Rows(), 2);
        QCOMPARE(w->Combo3->count(), 3);   // the classes of 2024, not of 2025 (10 classes)
    }
    void workbookRoundTrip()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        std::vector<Student> students = classOne(2);
        students.push_back({"A3", "丙", 1, 3, 3, "002", 1});
        QVERIFY(fx.add(kExamA, students));
        cjintool *w = listByUser();
        QVERIFY(w);
        enter(w, QStringLiteral("95"));
        enter(w, QStringLiteral("-1"));
        key(Qt::Key_Up);           // back to the row of -1
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/数学成绩.xlsx");
        QVERIFY(pressWithFile(svc, w->VsNetBut4, path));
        QCOMPARE(svc.fileRequests.back().title, QStringLiteral("成绩导出"));
        QVERIFY(svc.fileRequests.back().save);
        QCOMPARE(svc.fileRequests.back().presetName, QStringLiteral("1班数学成绩.xlsx"));
        QCOMPARE(svc.lastText(), QStringLiteral("导出完毕，请认真检查是否正确。"));
        QCOMPARE(svc.messages.back().title, QStringLiteral("系统提示："));

        Workbook book;
        QVERIFY(book.open(path));
        QCOMPARE(book.text(1, 1), QStringLiteral("   姓  名 "));
        QCOMPARE(book.text(1, 2), QStringLiteral("座号"));
        QCOMPARE(book.text(1, 3), QStringLiteral("分数"));
        QCOMPARE(book.columnCount(), 3);   // the 位置 column is not written
        QCOMPARE(book.rowCount(), 4);
        QCOMPARE(book.text(2, 1), QStringLiteral("甲"));
        QCOMPARE(book.text(2, 3), QStringLiteral("95"));
        QCOMPARE(book.text(3, 3), QStringLiteral("-1"));
        book.close();

        std::vector<QStringList> before;
        for (int r = 0; r < w->Grid1->Rows(); ++r) {
            QStringList row;
            for (int c = 1; c <= 3; ++c)
                row << w->Grid1->TextMatrix(r, c);
            before.push_back(row);
        }
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Text1->text(), QStringLiteral("-1"));
        QVERIFY(press(w->VsNetBut1));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QString());
        QCOMPARE(w->Text1->text(), QString());   // the box shows the emptied cell of its row
        QVERIFY(pressWithFile(svc, w->VsNetBut3, path));
        QCOMPARE(svc.fileRequests.back().title, QStringLiteral("成绩导入"));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。"));
        QCOMPARE(w->Text1->text(), QStringLiteral("-1"));   // and the imported one
        for (int r = 0; r < w->Grid1->Rows(); ++r)
            for (int c = 1; c <= 3; ++c)
                QCOMPARE(w->Grid1->TextMatrix(r, c), before[static_cast<size_t>(r)][c - 1]);
        // Only the grid changed.
        QVERIFY(fx.score(kExamA, QStringLiteral("A1")).isNull());

        // A room grid writes two columns.
        pick(w->Combo1, QStringLiteral("综合科"));
        pick(w->Combo3, QStringLiteral("002"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Grid1->Rows(), 2);
        keys(QStringLiteral("250"));
        const QString roomPath = dir.path() + QStringLiteral("/room.xlsx");
        QVERIFY(pressWithFile(svc, w->VsNetBut4, roomPath));
        QCOMPARE(svc.fileRequests.back().presetName, QStringLiteral("002考场综合科成绩.xlsx"));
        QVERIFY(book.open(roomPath));
        QCOMPARE(book.columnCount(), 2);
        QCOMPARE(book.text(1, 1), QStringLiteral("座位号"));
        QCOMPARE(book.text(1, 2), QStringLiteral("分数"));
        QCOMPARE(book.text(2, 1), QStringLiteral("1"));
        QCOMPARE(book.text(2, 2), QStringLiteral("250"));
    }

    void importMatchesSeatNumbersAndExportFailures()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        cjintool *w = fx.listClassOne(3);
        QVERIFY(w);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/in.xlsx");
        {
            WorkbookWriter sheet;
            QVERIFY(sheet.create(path));
            const QStringList rows[] = {
                {QStringLiteral("姓名"), QStringLiteral("座号"), QStringLiteral("分数")},
                {QStringLiteral("丙"), QStringLiteral("03"), QStringLiteral(" 8 8 ")},   // cleaned: 88, seat 03 is 3
                {QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("70")},
                {QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("71")},       // the later row stands
                {QStringLiteral("外"), QStringLiteral("9"), QStringLiteral("60")},       // no such seat
                {QString(), QStringLiteral("2"), QStringLiteral("99")},                  // empty name ends the sheet
                {QStringLiteral("乙"), QStringLiteral("2"), QStringLiteral("50")},
            };
            int r = 0;
            for (const QStringList &row : rows) {
                ++r;
                for (int c = 0; c < 3; ++c)
                    QVERIFY(sheet.writeText(r, c + 1, row[c]));
            }
            QVERIFY(sheet.close());
        }
        QVERIFY(pressWithFile(svc, w->VsNetBut3, path));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("71"));
        QCOMPARE(w->Grid1->TextMatrix(2, 3), QString());
        QCOMPARE(w->Grid1->TextMatrix(3, 3), QStringLiteral("88"));

        // An unreadable workbook says why and leaves the grid alone.
        const QString bad = dir.path() + QStringLiteral("/bad.xlsx");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write("not a workbook") > 0);
        f.close();
        QVERIFY(pressWithFile(svc, w->VsNetBut3, bad));
        QVERIFY(svc.lastText() != QStringLiteral("导入完毕，请认真检查是否正确。"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("71"));

        // An export that cannot write its file says so.
        QVERIFY(pressWithFile(svc, w->VsNetBut4, dir.path() + QStringLiteral("/no such folder/数学成绩.xlsx")));
        QVERIFY(svc.lastText() != QStringLiteral("导出完毕，请认真检查是否正确。"));
        QVERIFY(svc.lastText().contains(QStringLiteral("成绩未能导出")));
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/no such folder/数学成绩.xlsx")));

        // A dialog cancelled or answered No does nothing.
        svc.clear();
        QVERIFY(press(w->VsNetBut4));
        QVERIFY(svc.messages.empty());
    }
    void anotherClassesSheetIsNotPlaced()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, {{"A1", "甲", 1, 1, 1, "001", 1}, {"A2", "乙", 1, 2, 1, "001", 2}, {"A3", "丙 丙", 1, 3, 1, "001", 3},
                                {"A4", "丁", 1, 3, 1, "001", 4},
                                {"B1", "戊", 2, 1, 1, "002", 1}, {"B2", "己", 2, 2, 1, "002", 2}}));
        QTemporaryDir dir;
        const QString class2 = dir.path() + QStringLiteral("/2班数学成绩.xlsx");

        // Class 2's sheet, typed and exported: the proposed name carries the class.
        cjintool *w = listByUser(QStringLiteral("期中考试"), QStringLiteral("数学"), QStringLiteral("2"), QStringLiteral("总 分"));
        QVERIFY(w);
        keys(QStringLiteral("60"));
        key(Qt::Key_Return);
        keys(QStringLiteral("70"));
        QVERIFY(pressWithFile(svc, w->VsNetBut4, class2));
        QCOMPARE(svc.fileRequests.back().presetName, QStringLiteral("2班数学成绩.xlsx"));
        QCOMPARE(svc.lastText(), QStringLiteral("导出完毕，请认真检查是否正确。"));

        // Imported into class 1 by mistake: the seats agree but the names do not, so nothing is
        // placed, and the message says so.
        pick(w->Combo3, QStringLiteral("1"));
        QCOMPARE(w->Grid1->Rows(), 5);
        QVERIFY(pressWithFile(svc, w->VsNetBut3, class2));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。\n有2行的姓名与列表中同座号学生的姓名不符，未导入。"));
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(w->Grid1->TextMatrix(r, 3), QString());

        // A sheet of this class: names match (blanks aside), also for two students on one seat;
        // a row whose seat is not in the list changes nothing and is not counted.
        const QString mixed = dir.path() + QStringLiteral("/mixed.xlsx");
        QVERIFY(scoresheet::writeScoreWorkbook(mixed, {{QStringLiteral("姓名"), QStringLiteral("座号"), QStringLiteral("分数")},
                                           {QStringLiteral("丁"), QStringLiteral("3"), QStringLiteral("44")},
                                           {QStringLiteral("丙丙"), QStringLiteral("3"), QStringLiteral("33")},
                                           {QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("11")},
                                           {QStringLiteral("乙"), QStringLiteral("1"), QStringLiteral("99")},
                                           {QStringLiteral("外"), QStringLiteral("9"), QStringLiteral("90")}}));
        QVERIFY(pressWithFile(svc, w->VsNetBut3, mixed));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。\n有1行的姓名与列表中同座号学生的姓名不符，未导入。"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("11"));
        QCOMPARE(w->Grid1->TextMatrix(2, 3), QString());
        QCOMPARE(w->gridStudents()[2].stid, QStringLiteral("A3"));
        QCOMPARE(w->Grid1->TextMatrix(3, 3), QStringLiteral("33"));
        QCOMPARE(w->Grid1->TextMatrix(4, 3), QStringLiteral("44"));

        // A room sheet is placed by seat alone, and its proposed name carries the room.
        pick(w->Combo1, QStringLiteral("综合科"));
        QVERIFY(execSql(fx.co, QStringLiteral("UPDATE stucj SET wlflag=3")));
        pick(w->Combo3, QStringLiteral("002"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QVERIFY(pressWithFile(svc, w->VsNetBut4, QString()));
        QCOMPARE(svc.fileRequests.back().presetName, QStringLiteral("002考场综合科成绩.xlsx"));
        const QString room = dir.path() + QStringLiteral("/room.xlsx");
        QVERIFY(scoresheet::writeScoreWorkbook(room, {{QStringLiteral("座位号"), QStringLiteral("分数")},
                                          {QStringLiteral("2"), QStringLiteral("222")}}));
        QVERIFY(pressWithFile(svc, w->VsNetBut3, room));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。"));
        QCOMPARE(w->Grid1->TextMatrix(2, 2), QStringLiteral("222"));
        w->Unload();
    }

    void rowsPastTheReadLimitAreCounted()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        cjintool *w = fx.listClassOne(2);
        QVERIFY(w);
        QTemporaryDir dir;
        // Rows 2 to 6005 filled: rows 6001 to 6005 are past the limit. 乙's row is the last one read.
        std::vector<QStringList> table{{QStringLiteral("姓名"), QStringLiteral("座号"), QStringLiteral("分数")},
                                       {QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("81")}};
        while (table.size() < 5999)
            table.push_back({QStringLiteral("外"), QStringLiteral("9"), QStringLiteral("50")});
        table.push_back({QStringLiteral("乙"), QStringLiteral("2"), QStringLiteral("82")});
        while (table.size() < 6005)
            table.push_back({QStringLiteral("乙"), QStringLiteral("2"), QStringLiteral("100")});
        QCOMPARE(table.size(), size_t(6005));
        const QString longSheet = dir.path() + QStringLiteral("/long.xlsx");
        QVERIFY(scoresheet::writeScoreWorkbook(longSheet, table));
        QVERIFY(pressWithFile(svc, w->VsNetBut3, longSheet));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。\n另有5行在第6000行之后，未读入（每次最多读到第6000行）。"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("81"));
        QCOMPARE(w->Grid1->TextMatrix(2, 3), QStringLiteral("82"));

        // A sheet that ends before the limit says nothing of later rows.
        table[3000] = {QString(), QString(), QString()};
        QVERIFY(scoresheet::writeScoreWorkbook(longSheet, table));
        QVERIFY(pressWithFile(svc, w->VsNetBut3, longSheet));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。"));
        w->Unload();
    }

    void keyboardAndMouse()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        cjintool *w = fx.listClassOne(3);
        QVERIFY(w);
        QTest::keyClicks(w->Text1, QStringLiteral("1234"));
        QCOMPARE(w->Text1->text(), QStringLiteral("123"));   // at most 3 characters
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("123"));
        retype(w, QStringLiteral("88"));
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QCOMPARE(w->Grid1->Row(), 2);
        QTest::keyClick(w->Text1, Qt::Key_Up);
        QCOMPARE(w->Grid1->Row(), 1);
        QCOMPARE(w->Text1->text(), QStringLiteral("88"));
        QTest::keyClick(w->Text1, Qt::Key_Down);
        QCOMPARE(w->Grid1->Row(), 2);
        QVERIFY(svc.messages.empty());

        // Enter on a focused button presses it; Enter in the box never does.
        svc.answers.push_back(MsgAnswer::Cancel);
        QTest::keyClick(w->command3, Qt::Key_Return);
        QCOMPARE(svc.lastText(), QStringLiteral("当前列表分数要保存吗？"));
        QVERIFY(svc.answers.empty());
        QCOMPARE(w->Grid1->Row(), 2);
        svc.clear();

        // The Enter that closes a refusal message is let go over the box: it neither checks again
        // (which would bring the message straight back) nor moves.
        QTest::keyClicks(w->Text1, QStringLiteral("x"));
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QCOMPARE(svc.lastText(), QStringLiteral("分数含有非法字符!"));
        QCOMPARE(svc.messages.size(), size_t(1));
        QTest::keyRelease(w->Text1, Qt::Key_Return);
        QCOMPARE(svc.messages.size(), size_t(1));
        QCOMPARE(w->Grid1->Row(), 2);
        QTest::keyClick(w->Text1, Qt::Key_Backspace);
        svc.clear();

        // A click on row 3 makes it the entry row and shows its cell in the box.
        w->Grid1->setTextMatrix(3, 3, QStringLiteral("66"));
        const QRect cell = w->Grid1->visualRect(w->Grid1->cellIndex(3, 1));
        QTest::mouseClick(w->Grid1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w->Grid1->Row(), 3);
        QCOMPARE(w->movedir(), 2);
        QCOMPARE(w->Text1->text(), QStringLiteral("66"));
        QCOMPARE(w->Grid1->TextMatrix(3, 4), QStringLiteral("←"));
        QCOMPARE(w->Grid1->TextMatrix(2, 4), QString());

        // Pressing on one row and letting go on another makes the pressed row the entry row.
        w->Grid1->setTextMatrix(2, 3, QStringLiteral("55"));
        const QPoint from = w->Grid1->visualRect(w->Grid1->cellIndex(2, 1)).center();
        const QPoint to = w->Grid1->visualRect(w->Grid1->cellIndex(1, 1)).center();
        QTest::mousePress(w->Grid1->viewport(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, w->Grid1->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(w->Grid1->viewport(), &move);
        QTest::mouseRelease(w->Grid1->viewport(), Qt::LeftButton, {}, to);
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Text1->text(), QStringLiteral("55"));
        QCOMPARE(w->Grid1->TextMatrix(2, 4), QStringLiteral("←"));
        QCOMPARE(w->Grid1->TextMatrix(1, 4), QString());
        QCOMPARE(w->Grid1->TextMatrix(3, 4), QString());

        // A longer text that an import put into a cell is shown whole and kept when the row is
        // walked over; the box still takes no more typed characters, but may be shortened.
        w->Grid1->setTextMatrix(1, 3, QStringLiteral("1000"));
        QTest::keyClick(w->Text1, Qt::Key_Up);
        QTest::keyClick(w->Text1, Qt::Key_Up);
        QCOMPARE(w->Grid1->Row(), 1);
        QCOMPARE(w->Text1->text(), QStringLiteral("1000"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("1000"));
        QTest::keyClick(w->Text1, Qt::Key_5);
        QCOMPARE(w->Text1->text(), QStringLiteral("1000"));
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));   // refused as it stands, not saved as a cut 100
        QCOMPARE(svc.lastText(), QStringLiteral("输入分数不能大于150分!"));
        QCOMPARE(svc.answers.size(), size_t(1));
        svc.answers.clear();
        QTest::keyClick(w->Text1, Qt::Key_End);
        QTest::keyClick(w->Text1, Qt::Key_Backspace);
        QCOMPARE(w->Text1->text(), QStringLiteral("100"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("100"));
    }

    void workbookMessagesShowTheNormalPointer()
    {
        auto owned = std::make_unique<PointerServices>();
        PointerServices &svc = *owned;
        services::install(std::move(owned));
        Fixture fx;
        cjintool *w = fx.listClassOne(1);
        QVERIFY(w);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/数学成绩.xlsx");
        auto normal = [](int shape) { return shape == -1 || shape == int(Qt::ArrowCursor); };
        QVERIFY(pressWithFile(svc, w->VsNetBut4, path));
        QCOMPARE(svc.lastText(), QStringLiteral("导出完毕，请认真检查是否正确。"));
        QVERIFY(normal(svc.pointers.back()));
        QVERIFY(pressWithFile(svc, w->VsNetBut3, path));
        QCOMPARE(svc.lastText(), QStringLiteral("导入完毕，请认真检查是否正确。"));
        QVERIFY(normal(svc.pointers.back()));
        QVERIFY(pressWithFile(svc, w->VsNetBut4, dir.path() + QStringLiteral("/no such folder/x.xlsx")));
        QVERIFY(svc.lastText().contains(QStringLiteral("成绩未能导出")));
        QVERIFY(normal(svc.pointers.back()));
        QVERIFY(!QGuiApplication::overrideCursor());   // the hourglass is gone afterwards
    }

    // The real dialogs, answered as they open: the file dialog and every box after it belong to
    // score entry and stay above it (it is kept on top), and a box is wide enough for its title;
    // also the box after an import during whose read the user clicked the main window.
    void boxesAfterAFileDialogStayOverScoreEntry()
    {
        quorvane::test::installScripted();
        Fixture fx;
        windows::registerFactory(QStringLiteral("main"), [] { return new quorvane::main; });
        Window *mainWindow = windows::get(QStringLiteral("main"));
        mainWindow->Show();
        cjintool *w = fx.listClassOne(1);
        QVERIFY(w);
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        services::install(std::make_unique<DesktopServices>());
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/out.xlsx");
        QStringList seen;   // per dialog: kind or title, owned by score entry, kept on top
        QString lastBox;
        bool clickedAway = false;
        const QString clicked = dir.path() + QStringLiteral("/clicked");
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            const QCursor *busy = QGuiApplication::overrideCursor();
            if (!modal && busy && busy->shape() == Qt::WaitCursor && !clickedAway) { // reading
                clickedAway = true;
                mainWindow->activateWindow();
                QFile(clicked).open(QIODevice::WriteOnly); // the reader may go on
            }
            if (!modal || !modal->isVisible())
                return;
            const QString owned = modal->parentWidget() == w ? QStringLiteral(" owned") : QString();
            const QString top = modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? QStringLiteral(" top") : QString();
            if (auto *file = qobject_cast<QFileDialog *>(modal)) {
                seen << QStringLiteral("file") + owned;
                file->selectFile(path);
                QMetaObject::invokeMethod(file, "accept");
            } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                QFont bold = box->font();
                bold.setBold(true);
                // Room beside the title for the frame's icon and buttons.
                const bool wide = box->width() >= QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 200;
                seen << box->windowTitle() + owned + top + (wide ? QStringLiteral(" wide") : QString());
                lastBox = box->text();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                (yes ? yes : box->button(QMessageBox::Ok))->click();
            }
        });
        answer.start(10);
        QVERIFY(press(w->VsNetBut4));
        services::msg(QStringLiteral("保存完毕!"), QStringLiteral("系统提示:"));
        QCOMPARE(seen, (QStringList{QStringLiteral("file owned"), QStringLiteral("系统提示: owned top wide"),
                                    QStringLiteral("系统提示： owned top wide"), QStringLiteral("系统提示: owned top wide")}));
        QVERIFY(QFile::exists(path));

        // 分数导入 with a reader that waits until the main window was activated while it reads.
        XlsReaderSettings &reader = xlsReaderSettings();
        const XlsReaderSettings saved = reader;
        QFile slow(dir.path() + QStringLiteral("/slow.sh"));
        QVERIFY(slow.open(QIODevice::WriteOnly));
        slow.write("#!/bin/sh\nwhile [ ! -e '" + clicked.toUtf8() + "' ]; do sleep 0.02; done\nexec '" + saved.program.toUtf8()
                   + "' \"$@\"\n");
        slow.close();
        QVERIFY(slow.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        reader.program = slow.fileName();
        seen.clear();
        QVERIFY(press(w->VsNetBut3));
        reader = saved;
        answer.stop();
        quorvane::test::installScripted();
        QVERIFY(clickedAway);
        QCOMPARE(lastBox, QStringLiteral("导入完毕，请认真检查是否正确。"));
        QCOMPARE(seen, (QStringList{QStringLiteral("file owned"), QStringLiteral("系统提示: owned top wide"),
                                    QStringLiteral("系统提示： owned top wide")}));
        // Likewise while long work lets the windows paint.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        mainWindow->activateWindow();
        windows::letEventsRun();
        QVERIFY(mainWindow->isActiveWindow());
        QCOMPARE(windows::workWindow(), static_cast<Window *>(w));
        mainWindow->Unload();
    }

    void examWithoutRowAndSubjectWithoutStream()
    {
        quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, classOne(2)));
        cjintool *w = listByUser(QStringLiteral("期中考试"), QStringLiteral("数学"), QStringLiteral("1"), QStringLiteral("主观分"));
        QVERIFY(w);
        QCOMPARE(w->Grid1->Rows(), 3);
        QSqlDatabase sys;
        QVERIFY(openDatabase(fx.td.systemPath(), DbKind::System, QStringLiteral("t-sys2"), &sys));

        // An exam whose row has gone: no subjects, the settings of the exam before stay.
        QVERIFY(execSql(sys, QStringLiteral("DELETE FROM kcbpb WHERE id=?"), {kExamB}));
        pick(w->Combo2, QStringLiteral("期末考试"));
        QCOMPARE(w->Combo1->count(), 0);
        QCOMPARE(scoresheet::fullMark(w->settings().subject(2), scoresheet::ScoreItem::Subjective), 110);
        QCOMPARE(w->Combo4->count(), 3);   // item and class choosers keep their contents

        // A subject without a stream setting lists nobody: the grid stays as it was.
        QVERIFY(execSql(sys, QStringLiteral("UPDATE kcbpb SET kstype2=0 WHERE id=?"), {kExamA}));
        closeDatabase(sys);
        pick(w->Combo2, QStringLiteral("期中考试"));
        pick(w->Combo1, QStringLiteral("数学"));
        w->Grid1->setTextMatrix(1, 3, QStringLiteral("7"));
        pick(w->Combo3, QStringLiteral("1"));
        pick(w->Combo4, QStringLiteral("客观分"));
        QCOMPARE(w->Label3[4]->text(), QStringLiteral("40"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("7"));
        QCOMPARE(w->Grid1->TextMatrix(1, 1), QString());
    }

    void markersTypedAndRefusedRowsInTheBox()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        cjintool *w = fx.listClassOne(4);
        QVERIFY(w);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Text1));

        // -1 (缺考) and -2 (作弊), as the legend says, are taken by the box and Enter moves on;
        // other negative numbers are not.
        keys(QStringLiteral("-1"));
        key(Qt::Key_Return);
        QCOMPARE(w->Grid1->Row(), 2);
        keys(QStringLiteral("-2"));
        key(Qt::Key_Down);
        QCOMPARE(w->Grid1->Row(), 3);
        QVERIFY(svc.messages.empty());
        keys(QStringLiteral("-3"));
        key(Qt::Key_Return);
        QCOMPARE(svc.lastText(), QStringLiteral("分数含有非法字符!"));
        QCOMPARE(w->Grid1->Row(), 3);
        key(Qt::Key_Backspace);
        key(Qt::Key_Backspace);
        keys(QStringLiteral("95"));
        svc.clear();

        // A refused save makes the refused row current, and the box shows that row's text: what is
        // typed next mends that row and is not joined to another row's score.
        w->Grid1->setTextMatrix(4, 3, QStringLiteral("200"));   // as an import may leave it
        QVERIFY(press(w->command3));
        QCOMPARE(svc.texts(), QStringList{QStringLiteral("输入分数不能大于150分!")});
        QCOMPARE(w->Grid1->Row(), 4);
        QCOMPARE(w->Grid1->TextMatrix(4, 4), QStringLiteral("←"));
        QCOMPARE(w->Text1->text(), QStringLiteral("200"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Text1));
        key(Qt::Key_End);
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Backspace);
        keys(QStringLiteral("120"));
        QCOMPARE(w->Grid1->TextMatrix(4, 3), QStringLiteral("120"));
        QCOMPARE(w->Grid1->TextMatrix(3, 3), QStringLiteral("95"));

        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("保存完毕!"));
        QCOMPARE(fx.score(kExamA, QStringLiteral("A1")).toDouble(), -1.0);
        QCOMPARE(fx.score(kExamA, QStringLiteral("A2")).toDouble(), -2.0);
        QCOMPARE(fx.score(kExamA, QStringLiteral("A3")).toDouble(), 95.0);
        QCOMPARE(fx.score(kExamA, QStringLiteral("A4")).toDouble(), 120.0);
        w->Unload();
    }

    void nothingToSaveAfterAnotherSubjectIsChosen()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, {{"A1", "甲", 1, 1, 3, "001", 1}, {"A2", "乙", 1, 2, 3, "001", 2}}));
        auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
        w->Load();
        // Nothing listed yet: nothing to save and nowhere to type.
        QVERIFY(!w->command3->isEnabled());
        QVERIFY(!w->Text1->isEnabled());
        w = listByUser();
        QVERIFY(w);
        QVERIFY(w->command3->isEnabled());
        QVERIFY(w->Text1->isEnabled());
        keys(QStringLiteral("88"));
        QCOMPARE(w->Label3[5]->text(), QStringLiteral("总人数：2"));

        // Another subject: the emptied rows stand for nobody, so 保存 and the box wait for the
        // next list, and the old subject's count and score are gone.
        pick(w->Combo1, QStringLiteral("综合科"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QVERIFY(!w->command3->isEnabled());
        QVERIFY(!w->Text1->isEnabled());
        QCOMPARE(w->Text1->text(), QString());
        QCOMPARE(w->Label3[5]->text(), QString());
        QCOMPARE(w->Label3[4]->text(), QString());
        QVERIFY(!press(w->command3));
        QTest::keyClicks(w->Text1, QStringLiteral("66"));
        QCOMPARE(w->Grid1->TextMatrix(1, 2), QString());
        QVERIFY(svc.messages.empty());
        QVERIFY(fx.score(kExamA, QStringLiteral("A1")).isNull());

        // The next list brings them back; a subject without a stream setting lists nobody and keeps
        // them off.
        pick(w->Combo3, QStringLiteral("001"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QVERIFY(w->command3->isEnabled());
        QVERIFY(w->Text1->isEnabled());
        QCOMPARE(w->Label3[5]->text(), QStringLiteral("总人数：2"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Text1));
        keys(QStringLiteral("250"));
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.texts(), (QStringList{QStringLiteral("当前列表分数要保存吗？"), QStringLiteral("保存完毕!")}));
        QCOMPARE(fx.score(kExamA, QStringLiteral("A1"), QStringLiteral("ke10")).toDouble(), 250.0);

        // A locked subject, once listed, still cannot be saved; the box only shows the scores.
        pick(w->Combo1, QStringLiteral("物理"));
        pick(w->Combo3, QStringLiteral("1"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QVERIFY(!w->command3->isEnabled());
        QVERIFY(w->Text1->isEnabled() && w->Text1->isReadOnly());
        w->Unload();
    }

    void nameColumnFitsTheNames()
    {
        quorvane::test::installScripted();
        Fixture fx;
        QVERIFY(fx.add(kExamA, {{"A1", "欧阳小明", 1, 1, 1, "001", 1}, {"A2", "爱新觉罗小明", 1, 2, 1, "001", 2},
                                {"A3", "乙", 2, 1, 1, "001", 3}}));
        cjintool *w = listByUser();
        QVERIFY(w);
        // Every name is shown whole: the column is wider than the longest name's text with the
        // cell's margins on both sides.
        const int margin = 2 * (w->Grid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w->Grid1) + 1);
        for (const QString &name : {QStringLiteral("欧阳小明"), QStringLiteral("爱新觉罗小明")}) {
            const int text = w->Grid1->fontMetrics().horizontalAdvance(name);
            QVERIFY2(w->Grid1->columnWidth(1) >= text + margin,
                     qPrintable(QStringLiteral("%1 < %2").arg(w->Grid1->columnWidth(1)).arg(text + margin)));
        }
        // A class of short names gets the heading's width back.
        const int wide = w->Grid1->ColWidth(1);
        pick(w->Combo3, QStringLiteral("2"));
        QCOMPARE(w->Grid1->TextMatrix(1, 1), QStringLiteral("乙"));
        QVERIFY(w->Grid1->ColWidth(1) < wide);
        QVERIFY(w->Grid1->ColWidth(1) >= w->Grid1->textWidthTwips(QStringLiteral("   姓  名 ")));
        w->Unload();
    }

    void typingAfterSaveGoesToTheMarkedRow()
    {
        ScriptedServices &svc = quorvane::test::installScripted();
        Fixture fx;
        cjintool *w = fx.listClassOne(3);
        QVERIFY(w);
        enter(w, QStringLiteral("80"));
        QCOMPARE(w->Grid1->Row(), 2);

        // Saving checks every row, then the row being edited is current again.
        svc.answers.push_back(MsgAnswer::Ok);
        QVERIFY(press(w->command3));
        QCOMPARE(svc.lastText(), QStringLiteral("保存完毕!"));
        QCOMPARE(w->Grid1->Row(), 2);
        QCOMPARE(w->Grid1->TextMatrix(2, 4), QStringLiteral("←"));
        clickBox(w);
        retype(w, QStringLiteral("70"));
        QCOMPARE(w->Grid1->TextMatrix(2, 3), QStringLiteral("70"));
        QCOMPARE(w->Grid1->TextMatrix(3, 3), QString());

        // Likewise after a cancelled save.
        svc.answers.push_back(MsgAnswer::Cancel);
        QVERIFY(press(w->command3));
        QCOMPARE(w->Grid1->Row(), 2);
        clickBox(w);
        enter(w, QStringLiteral("71"));
        QCOMPARE(w->Grid1->TextMatrix(2, 3), QStringLiteral("71"));
        QCOMPARE(w->Grid1->Row(), 3);
        QCOMPARE(fx.score(kExamA, QStringLiteral("A1")).toDouble(), 80.0);
        QVERIFY(fx.score(kExamA, QStringLiteral("A2")).isNull());

        // Listing again starts the box from row 1's cell: what was left in it is not kept, so a
        // digit typed next is not joined to it.
        retype(w, QStringLiteral("9"));
        pick(w->Combo4, QStringLiteral("总 分"));
        QCOMPARE(w->Grid1->Row(), 1);
        QCOMPARE(w->Text1->text(), QStringLiteral("80"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("80"));
        pick(w->Combo3, QStringLiteral("2"));
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Text1->text(), QStringLiteral("80"));   // nobody listed: the box is left alone
        pick(w->Combo3, QStringLiteral("1"));
        enter(w, QStringLiteral("8"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("8"));
    }
};

QTEST_MAIN(tst_cjintool)
#include "tst_cjintool.moc"
