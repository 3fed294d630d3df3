#include "testsupport.h"

#include "controls/grid/grid.h"
#include "shell/cohorts.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/grad1.h"
#include "shell/managst.h"
#include "shell/register.h"
#include "shell/valuetext.h"
#include "shell/window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <memory>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kTitle = QStringLiteral("系统提示：");

// The rows a query of the system database gives, each as its columns' cell texts joined by "|";
// "<cannot open>" or "<cannot read>" when the database fails, so no check can take that for no rows.
QStringList systemRows(const TempData &data, const QString &sql)
{
    QSqlDatabase db;
    QStringList out;
    if (!openDatabase(data.systemPath(), DbKind::System, QStringLiteral("tst-read"), &db))
        return {QStringLiteral("<cannot open>")};
    {
        QSqlQuery q = prepare(db, sql);
        if (!q.exec())
            out << QStringLiteral("<cannot read>");
        while (q.next()) {
            QStringList columns;
            for (int c = 0; c < q.record().count(); ++c)
                columns << valueText(q.value(c));
            out << columns.join(QLatin1Char('|'));
        }
    }
    closeDatabase(db);
    return out;
}

// The rows of dbsystable as "year|name|classes|first", oldest first.
QStringList cohortRows(const TempData &data)
{
    return systemRows(data, QStringLiteral("SELECT dbyear, dbname, bjsum, startbj FROM dbsystable ORDER BY dbyear, rowid"));
}

void addStudent(const QString &path, const QString &stid)
{
    QSqlDatabase db;
    QVERIFY(openDatabase(path, DbKind::Cohort, QStringLiteral("tst-add"), &db));
    QVERIFY(execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?,?,?,?,?)"),
                    {stid, QStringLiteral("张三"), 1, 1, 1}));
    closeDatabase(db);
}

// Exam ids and years of kcbpb, "id|year", by id.
QStringList examYears(const TempData &data)
{
    return systemRows(data, QStringLiteral("SELECT id, year FROM kcbpb ORDER BY id"));
}

// Another program's write on the system database: holds its write lock until released.
struct SystemWriteLock
{
    explicit SystemWriteLock(const TempData &data)
    {
        if (openDatabase(data.systemPath(), DbKind::System, QStringLiteral("tst-lock"), &db))
            locked = QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~SystemWriteLock()
    {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        closeDatabase(db);
    }
    QSqlDatabase db;
    bool locked = false;
};

void fill(grad1 &w, const QString &year, const QString &name, const QString &classes, const QString &first)
{
    w.Txtfields[0]->setText(year);
    w.Txtfields[1]->setText(name);
    w.Txtfields[2]->setText(classes);
    w.Txtfields[3]->setText(first);
}

// Opens the register as a user does: shown, in the active window.
std::unique_ptr<grad1> openRegister()
{
    auto w = std::make_unique<grad1>();
    w->Show();
    QApplication::setActiveWindow(w.get());
    return w;
}

// Clicks a row of the list (its year) with the mouse.
void clickRow(grad1 &w, int row)
{
    const QModelIndex cell = w.Grid1->cellIndex(row, 1);
    QVERIFY(!cell.data().toString().isEmpty());
    w.Grid1->scrollTo(cell);
    QTest::mouseClick(w.Grid1->viewport(), Qt::LeftButton, {}, w.Grid1->visualRect(cell).center());
}

// A key typed at the widget that has the focus.
void typeKey(Qt::Key key)
{
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    QTest::keyClick(focused, key);
}

} // namespace

class TestGrad1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerShellWindows(); }
    void init()
    {
        m_svc = &installScripted();
        m_svc->clock = QDateTime(QDate(2024, 5, 10), QTime(9, 0));
    }
    void cleanup() { windows::destroyAll(); }

    void loadFailureUnloadsWindow()
    {
        TempData data;
        QVERIFY(QFile::remove(data.systemPath()));
        auto w = openRegister();
        QVERIFY(!w->isLoaded());
        QCOMPARE(m_svc->lastText(), QStringLiteral("库文件“newclasssys.mdb”错误！"));
        QCOMPARE(m_svc->messages.back().title, kTitle);
        QCOMPARE(m_svc->programEnds, 0);
    }

    void loadListsCohortsAndStartsFromDesignState()
    {
        TempData data;
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 12, 1);
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 10, 3);
        auto w = openRegister();
        QVERIFY(w->isLoaded());
        QCOMPARE(w->windowTitle(), QStringLiteral("学届设置"));
        QCOMPARE(w->Grid1->Rows(), 3);
        QCOMPARE(w->Grid1->TextMatrix(0, 2), QStringLiteral("数据库名"));
        QCOMPARE(w->Grid1->TextMatrix(1, 1), QStringLiteral("2020"));
        QCOMPARE(w->Grid1->TextMatrix(1, 2), QStringLiteral("db2020"));
        QCOMPARE(w->Grid1->TextMatrix(1, 3), QStringLiteral("10"));
        QCOMPARE(w->Grid1->TextMatrix(1, 4), QStringLiteral("3"));
        QCOMPARE(w->Grid1->TextMatrix(2, 1), QStringLiteral("2022"));
        QVERIFY(w->comadd->isEnabled());
        QVERIFY(!w->commodi->isEnabled() && !w->comdele->isEnabled() && !w->comsave->isEnabled());
        // Giving the list the focus takes no row by itself.
        w->Grid1->setFocus();
        QVERIFY(w->Txtfields[0]->text().isEmpty());
        QVERIFY(!w->commodi->isEnabled() && !w->comdele->isEnabled());
        // Moving down the list with the keyboard takes the row as a click does.
        w->Grid1->setFocus();
        QTest::keyClick(w->Grid1, Qt::Key_Down);
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("2022"));
        QVERIFY(w->commodi->isEnabled() && w->comdele->isEnabled());

        clickRow(*w, 2);
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("2022"));
        QCOMPARE(w->Txtfields[1]->text(), QStringLiteral("db2022"));
        QCOMPARE(w->Txtfields[2]->text(), QStringLiteral("12"));
        QCOMPARE(w->selectedYear(), QStringLiteral("2022"));
        QVERIFY(w->commodi->isEnabled() && w->comdele->isEnabled() && !w->comsave->isEnabled());
        QVERIFY(press(w->comadd));
        QCOMPARE(w->editMode(), 1);

        // Typing a year (新增 put the caret in its field) proposes the database name.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[0]));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2019"));
        QCOMPARE(w->Txtfields[1]->text(), QStringLiteral("db2019"));
        QVERIFY(w->comsave->isEnabled());

        // Closed and opened again: the design state, whatever was typed before.
        QVERIFY(press(w->exitcom));
        QVERIFY(!w->isLoaded());
        w->Show();
        QCOMPARE(w->editMode(), 0);
        for (QLineEdit *t : w->Txtfields)
            QVERIFY(t->text().isEmpty());
        QVERIFY(!w->commodi->isEnabled() && !w->comdele->isEnabled() && !w->comsave->isEnabled());
        QCOMPARE(w->Grid1->Rows(), 3);
    }

    void saveChecksInOrder()
    {
        TempData data;
        auto w = openRegister();
        struct Case
        {
            QString year, name, classes, first, message;
            int field;
        };
        const QString badFormat = QStringLiteral("非法格式:仅由0-9数字组成或年份不符！");
        const QString badDigits = QStringLiteral("含有非法字符,仅由0-9数字组成！");
        const QString badNumber = QStringLiteral("含有非法字符或为空,仅由0-9数字组成！");
        const QList<Case> cases = {
            {QStringLiteral("1999"), QStringLiteral("db1999"), QStringLiteral("10"), QStringLiteral("1"), badFormat, 0},
            {QStringLiteral("2200"), QStringLiteral("db2200"), QStringLiteral("10"), QStringLiteral("1"), badFormat, 0},
            {QStringLiteral("20a"), QStringLiteral("db20"), QStringLiteral("10"), QStringLiteral("1"), badDigits, 0},
            {QString(), QStringLiteral("db20"), QStringLiteral("10"), QStringLiteral("1"), badDigits, 0},
            {QStringLiteral("2025"), QStringLiteral("db2025"), QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("输入学届不能大于今日年份！"), 0},
            {QStringLiteral("2023"), QStringLiteral("db-23"), QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("含有非法字符,仅由0-9数字及英文字母组成！"), 1},
            {QStringLiteral("2023"), QStringLiteral("  "), QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("含有非法字符,仅由0-9数字及英文字母组成！"), 1},
            {QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("0"), QStringLiteral("1"), badNumber, 2},
            {QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("1a"), QStringLiteral("1"), badNumber, 2},
            {QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("10"), QStringLiteral("A1"), badNumber, 3},
            {QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("10"), QString(), badNumber, 3},
        };
        for (const Case &c : cases) {
            m_svc->clear();
            fill(*w, c.year, c.name, c.classes, c.first);
            QVERIFY(press(w->comsave));
            QCOMPARE(m_svc->texts(), QStringList{c.message});
            QCOMPARE(m_svc->messages.back().title, kTitle);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[c.field]));
        }
        QVERIFY(cohortRows(data).isEmpty());

        // With no mode chosen and a year filled in, 保存 adds; a first class number 1A passes.
        QCOMPARE(w->editMode(), 1);
        m_svc->clear();
        fill(*w, QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("12"), QStringLiteral("1A"));
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("增加的学届要存盘吗？")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("增加学届："));
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2023|db2023|12|1")});
        QVERIFY(QFile::exists(data.cohortPath(QStringLiteral("db2023.mdb"))));
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("db2023.mdb"))), 0);
        QCOMPARE(w->Grid1->Rows(), 2);
        QCOMPARE(w->Grid1->TextMatrix(1, 2), QStringLiteral("db2023"));
        QVERIFY(!w->comsave->isEnabled());

        // A one-digit year passes every check (only longer years have their first digits examined).
        m_svc->clear();
        fill(*w, QStringLiteral("5"), QStringLiteral("db5"), QStringLiteral("3"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).size(), 2);

        // Cancel at the question: nothing stored, no file.
        m_svc->answers = {MsgAnswer::Cancel};
        fill(*w, QStringLiteral("2021"), QStringLiteral("db2021"), QStringLiteral("3"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).size(), 2);
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db2021.mdb"))));
    }

    void enterChecksAndArrowKeys()
    {
        TempData data;
        auto w = openRegister();
        auto focused = [] { return QApplication::focusWidget(); };
        // Enter checks the field that has the focus: a refusal keeps it there, a good value leads on.
        w->Txtfields[0]->setFocus();
        QTest::keyClicks(focused(), QStringLiteral("1999"));
        typeKey(Qt::Key_Return);
        QCOMPARE(m_svc->lastText(), QStringLiteral("非法格式:仅由0-9数字组成或年份不符！"));
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[0]));
        w->Txtfields[0]->setText(QStringLiteral("2021"));
        typeKey(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[1]));
        w->Txtfields[1]->setText(QStringLiteral("db_21"));
        m_svc->clear();
        typeKey(Qt::Key_Return);
        QCOMPARE(m_svc->lastText(), QStringLiteral("数据库名不能为空,仅由字母或数字构成！"));
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[1]));
        w->Txtfields[1]->setText(QStringLiteral("db21"));
        typeKey(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[2]));
        // Enter in a field presses no button.
        QVERIFY(cohortRows(data).isEmpty());
        QTest::keyClicks(focused(), QStringLiteral("x"));
        typeKey(Qt::Key_Return);
        QCOMPARE(m_svc->lastText(), QStringLiteral("班级数量不能为空或英文等字母！"));
        w->Txtfields[2]->setText(QStringLiteral("8"));
        typeKey(Qt::Key_Return);
        QTest::keyClicks(focused(), QStringLiteral("1"));
        QCOMPARE(w->Txtfields[3]->text(), QStringLiteral("1"));
        typeKey(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->comsave));
        QVERIFY(!w->comsave->isDefault() && !w->comsave->autoDefault());

        // Up and down move between the fields, and stop at the last one.
        w->Txtfields[3]->setFocus();
        typeKey(Qt::Key_Up);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[2]));
        typeKey(Qt::Key_Down);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[3]));
        typeKey(Qt::Key_Down);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[3]));

        // The caret goes to the end of a field that gains the focus.
        w->Txtfields[1]->setCursorPosition(0);
        w->Txtfields[0]->setFocus();
        QTest::keyClick(w->Txtfields[0], Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[1]));
        QCOMPARE(w->Txtfields[1]->cursorPosition(), 4);

        // Enter leads from the last field to 保存, and Enter there saves.
        w->Txtfields[3]->setFocus();
        QTest::keyClick(w->Txtfields[3], Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->comsave));
        m_svc->clear();
        QTest::keyClick(w->comsave, Qt::Key_Return);
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("增加的学届要存盘吗？")});
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|db21|8|1")});
        // A disabled button is not pressed.
        QVERIFY(!w->comsave->isEnabled());
        m_svc->clear();
        QTest::keyClick(w->comsave, Qt::Key_Return);
        QVERIFY(m_svc->texts().isEmpty());
    }

    void replaceAndChange()
    {
        TempData data;
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 10, 1);
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 8, 1);
        auto w = openRegister();

        // Adding a year that exists asks to replace (取消 by default); OK overwrites the row, and the
        // cohort's file takes the new name with it.
        QVERIFY(press(w->comadd));
        fill(*w, QStringLiteral("2020"), QStringLiteral("new2020"), QStringLiteral("6"), QStringLiteral("2"));
        m_svc->answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->lastText(), QStringLiteral("增加的学届已存在，你真得要替换此学届信息吗？"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("信息提示："));
        QCOMPARE(m_svc->messages.back().defaultButton, MsgAnswer::Cancel);
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2020|db2020|10|1"));
        QVERIFY(!w->comsave->isEnabled());
        QVERIFY(press(w->comadd));
        fill(*w, QStringLiteral("2020"), QStringLiteral("new2020"), QStringLiteral("6"), QStringLiteral("2"));
        m_svc->answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2020|new2020|6|2"));
        QVERIFY(QFile::exists(data.cohortPath(QStringLiteral("new2020.mdb"))));
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db2020.mdb"))));

        // Changing a cohort: the clicked row is rewritten.
        clickRow(*w, 2);
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("2021"));
        QVERIFY(press(w->commodi));
        QCOMPARE(w->editMode(), 2);
        QVERIFY(!w->commodi->isEnabled() && !w->comdele->isEnabled() && w->comsave->isEnabled());
        w->Txtfields[2]->setText(QStringLiteral("14"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学届要存盘吗？")});
        QCOMPARE(cohortRows(data).last(), QStringLiteral("2021|db2021|14|1"));

        // Changing to a year another cohort has is refused with the year quoted.
        clickRow(*w, 2);
        QVERIFY(press(w->commodi));
        w->Txtfields[0]->setText(QStringLiteral("2020"));
        w->Txtfields[1]->setText(QStringLiteral("db2021"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->lastText(), QStringLiteral("“2020”学届已存在，无法修改学届信息！"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("信息提示："));
        QCOMPARE(cohortRows(data).last(), QStringLiteral("2021|db2021|14|1"));

        // Changing the year to a free one keeps the row's file name.
        w->Txtfields[0]->setText(QStringLiteral("2019"));
        w->Txtfields[1]->setText(QStringLiteral("db2021"));
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2019|db2021|14|1"));

        // Cancel at the change question: buttons back, nothing written.
        clickRow(*w, 1);
        QVERIFY(press(w->commodi));
        w->Txtfields[2]->setText(QStringLiteral("30"));
        m_svc->answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->comsave));
        QVERIFY(w->comadd->isEnabled() && w->commodi->isEnabled() && w->comdele->isEnabled() && !w->comsave->isEnabled());
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2019|db2021|14|1"));
    }

    void changeKeepsStoredValuesAndEndsWhenTheRowIsGone()
    {
        TempData data;
        // A first class number stored longer than one can type (written by another copy of the register).
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 10, 12345);
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 8, 1);
        auto w = openRegister();
        clickRow(*w, 1);
        QCOMPARE(w->Txtfields[3]->text(), QStringLiteral("12345"));
        QVERIFY(press(w->commodi));
        w->Txtfields[2]->setText(QStringLiteral("11"));
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2020|db2020|11|12345"));

        // The changed cohort was deleted meanwhile: nothing is written and 保存 goes off.
        clickRow(*w, 2);
        QVERIFY(press(w->commodi));
        w->Txtfields[2]->setText(QStringLiteral("9"));
        {
            QSqlDatabase db;
            QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("tst-del"), &db));
            QVERIFY(execSql(db, QStringLiteral("DELETE FROM dbsystable WHERE dbyear='2021'")));
            closeDatabase(db);
        }
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学届要存盘吗？")});
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2020|db2020|11|12345")});
        QVERIFY(!w->comsave->isEnabled());
        QCOMPARE(w->Grid1->Rows(), 2);
    }

    void databaseNameSharedWithAnotherCohortIsRefused()
    {
        TempData data;
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 10, 1);
        addStudent(data.cohortPath(QStringLiteral("db2020.mdb")), QStringLiteral("A1"));
        auto w = openRegister();
        QVERIFY(press(w->comadd));
        fill(*w, QStringLiteral("2021"), QStringLiteral("DB2020"), QStringLiteral("8"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("数据库名“DB2020”已被2020学届使用，请另取数据库名！")});
        QCOMPARE(cohortRows(data).size(), 1);
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("db2020.mdb"))), 1);

        // The template and the system database cannot be a cohort's file.
        for (const QString &name : {QStringLiteral("dbyear"), QStringLiteral("NewClassSys")}) {
            m_svc->clear();
            fill(*w, QStringLiteral("2021"), name, QStringLiteral("8"), QStringLiteral("1"));
            QVERIFY(press(w->comsave));
            QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("数据库名“") + name + QStringLiteral("”是系统保留的文件名，请另取数据库名！")});
        }
        QCOMPARE(cohortRows(data).size(), 1);
        QVERIFY(QFile::exists(data.systemPath()));

        // Changing another cohort onto that name is refused as well.
        fill(*w, QStringLiteral("2021"), QStringLiteral("db2021"), QStringLiteral("8"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).size(), 2);
        clickRow(*w, 2);
        QVERIFY(press(w->commodi));
        w->Txtfields[1]->setText(QStringLiteral("db2020"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("数据库名“db2020”已被2020学届使用，请另取数据库名！")});
        QCOMPARE(cohortRows(data).last(), QStringLiteral("2021|db2021|8|1"));
        // Its own name is not "another cohort's".
        w->Txtfields[1]->setText(QStringLiteral("db2021"));
        w->Txtfields[2]->setText(QStringLiteral("9"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学届要存盘吗？")});
        QCOMPARE(cohortRows(data).last(), QStringLiteral("2021|db2021|9|1"));
    }

    void failedTemplateCopyStoresNothing()
    {
        TempData data;
        auto w = openRegister();
        // The target name is taken by a folder: the copy fails.
        QVERIFY(QDir(data.folder()).mkdir(QStringLiteral("db2022.mdb")));
        QVERIFY(QFile(data.folder() + QStringLiteral("db2022.mdb/keep")).open(QIODevice::WriteOnly));
        fill(*w, QStringLiteral("2022"), QStringLiteral("db2022"), QStringLiteral("8"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->lastText(), QStringLiteral("学届数据库“db2022.mdb”建立失败，学届信息未保存！"));
        QVERIFY(cohortRows(data).isEmpty());
        QCOMPARE(w->Grid1->Rows(), 1);

        // No template at all.
        QVERIFY(QFile::remove(data.folder() + QStringLiteral("dbyear.mdb")));
        fill(*w, QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("8"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->lastText(), QStringLiteral("学届模板库文件dbyear.mdb不存在，无法建立学届数据库，学届信息未保存！"));
        QVERIFY(cohortRows(data).isEmpty());
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db2023.mdb"))));
    }

    void addReplacesStaleFileWithEmptyTemplate()
    {
        TempData data;
        // A file left behind without a cohort row (and its journal companions) is replaced.
        QVERIFY(QFile::copy(data.folder() + QStringLiteral("dbyear.mdb"), data.cohortPath(QStringLiteral("db2022.mdb"))));
        addStudent(data.cohortPath(QStringLiteral("db2022.mdb")), QStringLiteral("OLD"));
        // A log left beside it holds a committed student of another database made from the
        // template: SQLite would replay it into any file of that name.
        {
            const QString other = data.cohortPath(QStringLiteral("other.mdb"));
            QVERIFY(QFile::copy(data.folder() + QStringLiteral("dbyear.mdb"), other));
            QSqlDatabase db;
            QVERIFY(openDatabase(other, DbKind::Cohort, QStringLiteral("tst-wal"), &db));
            QVERIFY(execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname) VALUES(?,?)"), {QStringLiteral("WAL1"), QStringLiteral("李四")}));
            // Copied while the connection is open: closing it would write the log back and remove it.
            QVERIFY(QFile::copy(other + QStringLiteral("-wal"), data.cohortPath(QStringLiteral("db2022.mdb-wal"))));
            closeDatabase(db);
        }
        auto w = openRegister();
        fill(*w, QStringLiteral("2022"), QStringLiteral("db2022"), QStringLiteral("8"), QStringLiteral("1"));
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2022|db2022|8|1")});
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("db2022.mdb"))), 0);
    }

    void deleteRemovesFileAndRefusesWhileOpen()
    {
        TempData data;
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"), 10, 1);
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 10, 1);
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 10, 1);
        const QString path2020 = data.cohortPath(QStringLiteral("db2020.mdb"));
        addStudent(path2020, QStringLiteral("A1"));
        // The student register of 2020 is open.
        gCohortYear = QStringLiteral("2020");
        gCohortDbFile = QStringLiteral("db2020.mdb");
        windows::show(QStringLiteral("managst"));
        QVERIFY(windows::find(QStringLiteral("managst"))->isLoaded());

        auto w = openRegister();
        clickRow(*w, 1);
        m_svc->clear();
        QVERIFY(press(w->comdele));
        QCOMPARE(m_svc->texts(), (QStringList{QStringLiteral("确实要删除此学届吗？该学届所有数据将被删除！"),
                                              QStringLiteral("该学届的数据库“db2020.mdb”正在被其他窗口使用，请先关闭相关窗口再删除！")}));
        QCOMPARE(m_svc->messages.front().title, QStringLiteral("严重警告："));
        QCOMPARE(m_svc->messages.front().defaultButton, MsgAnswer::Cancel);
        QCOMPARE(cohortRows(data).size(), 3);
        QVERIFY(QFile::exists(path2020));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("2020"));

        // Once the register is closed, the cohort goes with its file and journal files.
        windows::unload(QStringLiteral("managst"));
        QFile journal(path2020 + QStringLiteral("-journal"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.close();
        m_svc->clear();
        QVERIFY(press(w->comdele));
        QCOMPARE(m_svc->texts().size(), 1);
        QCOMPARE(cohortRows(data).size(), 2);
        QVERIFY(!QFile::exists(path2020));
        QVERIFY(!QFile::exists(path2020 + QStringLiteral("-wal")));
        QVERIFY(!QFile::exists(path2020 + QStringLiteral("-shm")));
        QVERIFY(!QFile::exists(path2020 + QStringLiteral("-journal")));
        QVERIFY(QFile::exists(data.cohortPath(QStringLiteral("db2021.mdb"))));
        // The window is as after loading: empty fields, nothing to save, no mode.
        QVERIFY(!w->comsave->isEnabled());
        QVERIFY(w->Txtfields[0]->text().isEmpty());
        QVERIFY(!w->commodi->isEnabled() && !w->comdele->isEnabled() && w->comadd->isEnabled());
        QCOMPARE(w->editMode(), 0);

        // Cancel deletes nothing.
        clickRow(*w, 1);
        m_svc->answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->comdele));
        QCOMPARE(cohortRows(data).size(), 2);

        // A cohort whose file is already gone loses only its row.
        QVERIFY(QFile::remove(data.cohortPath(QStringLiteral("db2022.mdb"))));
        clickRow(*w, 2);
        QCOMPARE(w->selectedYear(), QStringLiteral("2022"));
        QVERIFY(press(w->comdele));
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|db2021|10|1")});
        QVERIFY(QFile::exists(data.cohortPath(QStringLiteral("db2021.mdb"))));
        QCOMPARE(w->Grid1->Rows(), 2);

        // A cohort typed after a deletion is added, not taken as a change of nothing.
        fill(*w, QStringLiteral("2023"), QStringLiteral("db2023"), QStringLiteral("9"), QStringLiteral("1"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("增加的学届要存盘吗？")});
        QCOMPARE(cohortRows(data).last(), QStringLiteral("2023|db2023|9|1"));
        QVERIFY(QFile::exists(data.cohortPath(QStringLiteral("db2023.mdb"))));
    }

    void changingTheYearMovesTheCohortsExams()
    {
        TempData data;
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 10, 1);
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 10, 1);
        {
            QSqlDatabase db;
            QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("tst-setup"), &db));
            for (const auto &[id, year] : {std::pair{"210901080000", "2021"}, {"211101080000", "2021"}, {"220901080000", "2022"}})
                QVERIFY(execSql(db, QStringLiteral("INSERT INTO kcbpb(id, name, num, year) VALUES(?,?,1,?)"),
                                {QLatin1String(id), QStringLiteral("月考"), QLatin1String(year)}));
            closeDatabase(db);
        }
        // The student register of 2021 is open.
        gCohortYear = QStringLiteral("2021");
        gCohortDbFile = QStringLiteral("db2021.mdb");
        windows::show(QStringLiteral("managst"));
        auto w = openRegister();
        clickRow(*w, 1);
        QVERIFY(press(w->commodi));
        w->Txtfields[0]->setText(QStringLiteral("2020"));
        w->Txtfields[1]->setText(QStringLiteral("db2021"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        // Refused while a window holds the cohort: nothing changes, the typed values stay.
        QCOMPARE(m_svc->lastText(), QStringLiteral("该学届的数据库“db2021.mdb”正在被其他窗口使用，请先关闭相关窗口再修改学届信息！"));
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2021|db2021|10|1"));
        QCOMPARE(examYears(data).first(), QStringLiteral("210901080000|2021"));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("2020"));
        QVERIFY(w->comsave->isEnabled());

        // With the register closed, the cohort and its exams take the new year; others stay.
        windows::unload(QStringLiteral("managst"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学届要存盘吗？")});
        QCOMPARE(cohortRows(data), (QStringList{QStringLiteral("2020|db2021|10|1"), QStringLiteral("2022|db2022|10|1")}));
        QCOMPARE(examYears(data), (QStringList{QStringLiteral("210901080000|2020"), QStringLiteral("211101080000|2020"),
                                               QStringLiteral("220901080000|2022")}));
        QVERIFY(!w->comsave->isEnabled());
        // The cohort chosen for the work windows follows.
        QCOMPARE(gCohortYear, QStringLiteral("2020"));

        // A failed write (another program holds the system database) is reported, changes neither
        // the cohort nor its exams, and keeps the typed values for another 保存.
        clickRow(*w, 1);
        QVERIFY(press(w->commodi));
        w->Txtfields[0]->setText(QStringLiteral("2019"));
        w->Txtfields[1]->setText(QStringLiteral("db2021"));
        {
            SystemWriteLock lock(data);
            QVERIFY(lock.locked);
            m_svc->clear();
            QVERIFY(press(w->comsave));
            QCOMPARE(m_svc->lastText(), QStringLiteral("学届信息保存失败：数据库正被其他窗口或程序使用，学届信息未修改，请稍后重新保存！"));
        }
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2020|db2021|10|1"));
        QCOMPARE(examYears(data).first(), QStringLiteral("210901080000|2020"));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("2019"));
        QVERIFY(w->comsave->isEnabled());
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2019|db2021|10|1"));
        QCOMPARE(examYears(data).first(), QStringLiteral("210901080000|2019"));
    }

    void changingTheDatabaseNameRenamesTheFile()
    {
        TempData data;
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 10, 1);
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 10, 1);
        addStudent(data.cohortPath(QStringLiteral("db2021.mdb")), QStringLiteral("A1"));
        QVERIFY(QFile::copy(data.folder() + QStringLiteral("dbyear.mdb"), data.cohortPath(QStringLiteral("spare.mdb"))));
        auto w = openRegister();
        auto change = [&](const QString &name) {
            clickRow(*w, 1);
            QVERIFY(press(w->commodi));
            w->Txtfields[1]->setText(name);
            m_svc->clear();
            QVERIFY(press(w->comsave));
        };

        // A name that names an existing file is refused; nothing changes, also not the log file
        // beside the user's file.
        const QString spareLog = data.cohortPath(QStringLiteral("spare.mdb-wal"));
        QFile log(spareLog);
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write("log") == 3);
        log.close();
        change(QStringLiteral("spare"));
        QCOMPARE(m_svc->lastText(), QStringLiteral("库文件“spare.mdb”已存在，数据库不能改用此名，学届信息未修改！"));
        QVERIFY(log.open(QIODevice::ReadOnly) && log.readAll() == "log");
        log.close();
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2021|db2021|10|1"));
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("db2021.mdb"))), 1);
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("spare.mdb"))), 0);
        QCOMPARE(w->Txtfields[1]->text(), QStringLiteral("spare"));
        QVERIFY(w->comsave->isEnabled());

        // Refused while a window holds the cohort.
        gCohortYear = QStringLiteral("2021");
        gCohortDbFile = QStringLiteral("db2021.mdb");
        windows::show(QStringLiteral("managst"));
        change(QStringLiteral("gz2021"));
        QCOMPARE(m_svc->lastText(), QStringLiteral("该学届的数据库“db2021.mdb”正在被其他窗口使用，请先关闭相关窗口再修改学届信息！"));
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("gz2021.mdb"))));
        windows::unload(QStringLiteral("managst"));

        // The row cannot be written: the file is renamed back.
        {
            SystemWriteLock lock(data);
            QVERIFY(lock.locked);
            change(QStringLiteral("gz2021"));
            QVERIFY(m_svc->lastText().startsWith(QStringLiteral("学届信息保存失败：")));
        }
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2021|db2021|10|1"));
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("db2021.mdb"))), 1);
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("gz2021.mdb"))));

        // A free name: the file goes with the row, and the students are reached under the new name,
        // as are the records of exams deleted while rows of them were left in the file.
        QCOMPARE(systemRows(data, QStringLiteral("INSERT INTO deletedexams(id, dbname) VALUES('e1', 'db2021')")), QStringList());
        change(QStringLiteral("gz2021"));
        QCOMPARE(systemRows(data, QStringLiteral("SELECT dbname FROM deletedexams ORDER BY dbname")),
                 (QStringList{QStringLiteral("db2021"), QStringLiteral("gz2021")}));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学届要存盘吗？")});
        QCOMPARE(cohortRows(data).first(), QStringLiteral("2021|gz2021|10|1"));
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db2021.mdb"))));
        QCOMPARE(studentCount(data.cohortPath(QStringLiteral("gz2021.mdb"))), 1);
        QCOMPARE(gCohortDbFile, QStringLiteral("gz2021.mdb"));
        m_svc->clear();
        windows::show(QStringLiteral("managst"));
        QVERIFY(windows::find(QStringLiteral("managst"))->isLoaded());
        QVERIFY(m_svc->texts().isEmpty());
        windows::unload(QStringLiteral("managst"));

        // 新增 of an existing year with a new name renames in the same way.
        QVERIFY(press(w->comadd));
        fill(*w, QStringLiteral("2022"), QStringLiteral("gz2022"), QStringLiteral("12"), QStringLiteral("1"));
        m_svc->answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        QVERIFY(press(w->comsave));
        QCOMPARE(cohortRows(data).last(), QStringLiteral("2022|gz2022|12|1"));
        QVERIFY(QFile::exists(data.cohortPath(QStringLiteral("gz2022.mdb"))));
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db2022.mdb"))));
    }

    void deletingOneOfTwoCohortsSharingAFileKeepsIt()
    {
        TempData data;
        // Registers written before the refusal existed may hold two cohorts on one file.
        data.addCohort(QStringLiteral("2019"), QStringLiteral("shared"), 10, 1);
        data.addCohort(QStringLiteral("2020"), QStringLiteral("shared"), 10, 1);
        const QString path = data.cohortPath(QStringLiteral("shared.mdb"));
        addStudent(path, QStringLiteral("A1"));
        auto w = openRegister();
        clickRow(*w, 1);
        QVERIFY(press(w->comdele));
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2020|shared|10|1")});
        QCOMPARE(studentCount(path), 1);
        clickRow(*w, 1);
        QVERIFY(press(w->comdele));
        QVERIFY(cohortRows(data).isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    // The register's steps without the window, where a failure midway must leave nothing changed.
    void cohortStepsThatFailChangeNothing()
    {
        TempData data;
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 10, 1);
        const QString path = data.cohortPath(QStringLiteral("db2021.mdb"));
        addStudent(path, QStringLiteral("A1"));
        QSqlDatabase sys;
        QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("tst-cohorts"), &sys));
        cohorts::Cohort stored;
        QVERIFY(cohorts::findByYear(sys, QStringLiteral("2021"), &stored));
        QCOMPARE(stored.dbname, QStringLiteral("db2021"));

        // A log file of the new name that cannot be cleared away (it would be replayed into the
        // renamed database): nothing is renamed.
        QFile log(path + QStringLiteral("-wal"));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write("log") == 3);
        log.close();
        QVERIFY(QDir(data.folder()).mkpath(QStringLiteral("gz2021.mdb-wal/keep")));
        cohorts::Cohort renamed = stored;
        renamed.dbname = QStringLiteral("gz2021");
        const cohorts::Result result = cohorts::changeCohort(sys, stored, renamed);
        QCOMPARE(result.outcome, cohorts::Outcome::RenameFailed);
        QVERIFY(!result.reason.isEmpty());
        QVERIFY(QFile::exists(path + QStringLiteral("-wal")));
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("gz2021.mdb"))));
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|db2021|10|1")});
        QVERIFY(QFile::remove(path + QStringLiteral("-wal")));
        QCOMPARE(studentCount(path), 1);

        // Another program holds the system database: a new cohort leaves no file behind, and a
        // deleted one keeps its file.
        {
            SystemWriteLock lock(data);
            QVERIFY(lock.locked);
            const cohorts::Cohort added{-1, QStringLiteral("2022"), QStringLiteral("db2022"), 8, 1};
            QCOMPARE(cohorts::addCohort(sys, added).outcome, cohorts::Outcome::RowFailed);
            QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db2022.mdb"))));
            QCOMPARE(cohorts::deleteCohort(sys, stored).outcome, cohorts::Outcome::RowFailed);
        }
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|db2021|10|1")});
        QCOMPARE(studentCount(path), 1);
        closeDatabase(sys);
    }

    // Each write of the system database is written back into the file at once: a copy of the file
    // alone, taken while a window holds it open, holds the write.
    void systemFileAloneHoldsEachWrite()
    {
        TempData data;
        QSqlDatabase sys = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("tst-copies"));
        const auto inCopy = [&](const char *sql) { return valueInCopy(data.systemPath(), DbKind::System, QLatin1String(sql)); };
        QCOMPARE(cohorts::addCohort(sys, {-1, QStringLiteral("2022"), QStringLiteral("db2022"), 8, 1}).outcome, cohorts::Outcome::Done);
        QCOMPARE(inCopy("SELECT dbname FROM dbsystable"), QVariant(QStringLiteral("db2022")));
        cohorts::Cohort stored;
        QVERIFY(cohorts::findByYear(sys, QStringLiteral("2022"), &stored));
        cohorts::Cohort changed = stored;
        changed.dbname = QStringLiteral("gz2022");
        QCOMPARE(cohorts::changeCohort(sys, stored, changed).outcome, cohorts::Outcome::Done);
        QCOMPARE(inCopy("SELECT dbname FROM dbsystable"), QVariant(QStringLiteral("gz2022")));
        QVERIFY(cohorts::findByYear(sys, QStringLiteral("2022"), &stored));
        QCOMPARE(cohorts::deleteCohort(sys, stored).outcome, cohorts::Outcome::Done);
        QCOMPARE(inCopy("SELECT count(*) FROM dbsystable"), QVariant(0));
        closeDatabase(sys);
    }

    // A rename cut at any step (as by a crash) leaves the row naming a file that holds the cohort;
    // what it left is cleared at the next start, and the rename can be done again.
    void renameCutAtEachStep_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("named");
        QTest::newRow("copy written") << 1 << QStringLiteral("db2021");
        QTest::newRow("new name given") << 2 << QStringLiteral("db2021");
        QTest::newRow("row committed") << 3 << QStringLiteral("gz2021");
        QTest::newRow("old file removed") << 4 << QStringLiteral("gz2021");
    }
    void renameCutAtEachStep()
    {
        QFETCH(int, step);
        QFETCH(QString, named);
        TempData data;
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 10, 1);
        addStudent(data.cohortPath(QStringLiteral("db2021.mdb")), QStringLiteral("A1"));
        QSqlDatabase sys = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("tst-cut"));
        cohorts::Cohort stored;
        QVERIFY(cohorts::findByYear(sys, QStringLiteral("2021"), &stored));
        cohorts::Cohort renamed = stored;
        renamed.dbname = QStringLiteral("gz2021");
        struct Cut {};
        cohorts::setRenameStepHook([step](int at) {
            if (at == step)
                throw Cut();
        });
        QVERIFY_THROWS_EXCEPTION(Cut, cohorts::changeCohort(sys, stored, renamed));
        cohorts::setRenameStepHook({});
        closeDatabase(sys);

        cohorts::finishRenamesAtStart();
        QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|") + named + QStringLiteral("|10|1")});
        QCOMPARE(studentCount(data.cohortPath(named + QStringLiteral(".mdb"))), 1);
        // Nothing else is left: no copy, no second cohort file.
        const QStringList files = QDir(data.folder()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.filter(QRegularExpression(QStringLiteral("^~|^db2021|^gz2021"))), QStringList{named + QStringLiteral(".mdb")});

        // Renamed again (or back), as a user would: no "已存在" refusal from a leftover.
        sys = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("tst-cut"));
        QVERIFY(cohorts::findByYear(sys, QStringLiteral("2021"), &stored));
        renamed.dbname = named == QLatin1String("db2021") ? QStringLiteral("gz2021") : QStringLiteral("db2021");
        QCOMPARE(cohorts::changeCohort(sys, stored, renamed).outcome, cohorts::Outcome::Done);
        QCOMPARE(studentCount(data.cohortPath(renamed.dbname + QStringLiteral(".mdb"))), 1);
        closeDatabase(sys);
    }

    // Where the file system has no hard links (FAT and exFAT sticks, many network shares), the copy
    // is renamed instead, also where the rename cannot be told not to replace a file (NFS); a commit
    // that fails takes the renamed copy away. A true reason refuses the rename as before.
    void renameWithoutHardLinks_data()
    {
        QTest::addColumn<int>("linkError");
        QTest::addColumn<int>("renameError"); // of the rename that never replaces
        QTest::addColumn<bool>("renames");
        QTest::newRow("no hard links") << EPERM << 0 << true;
        QTest::newRow("links not supported") << EOPNOTSUPP << 0 << true;
        QTest::newRow("no exclusive rename") << EPERM << EINVAL << true;
        QTest::newRow("neither call") << ENOSYS << ENOSYS << true;
        QTest::newRow("no write permission") << EACCES << 0 << false;
        QTest::newRow("disk full") << ENOSPC << 0 << false;
    }
    void renameWithoutHardLinks()
    {
        QFETCH(int, linkError);
        QFETCH(int, renameError);
        QFETCH(bool, renames);
        TempData data;
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 10, 1);
        const QString oldPath = data.cohortPath(QStringLiteral("db2021.mdb"));
        const QString newPath = data.cohortPath(QStringLiteral("gz2021.mdb"));
        addStudent(oldPath, QStringLiteral("A1"));
        QSqlDatabase sys = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("tst-nolinks"));
        cohorts::Cohort stored;
        QVERIFY(cohorts::findByYear(sys, QStringLiteral("2021"), &stored));
        cohorts::Cohort renamed = stored;
        renamed.dbname = QStringLiteral("gz2021");
        struct Hook
        {
            Hook(int link, int rename)
            {
                cohorts::setFileCallHook([=](const char *call) { return qstrcmp(call, "link") == 0 ? link : rename; });
            }
            ~Hook() { cohorts::setFileCallHook({}); }
        } hook(linkError, renameError);
        // The cohort's files, the rename's copy included.
        const auto files = [&] {
            return QDir(data.folder()).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression(QStringLiteral("^~|^db2021|^gz2021")));
        };

        {
            SystemWriteLock lock(data);
            QVERIFY(lock.locked);
            QCOMPARE(cohorts::changeCohort(sys, stored, renamed).outcome,
                     renames ? cohorts::Outcome::RowFailed : cohorts::Outcome::RenameFailed);
        }
        QCOMPARE(files(), QStringList{QStringLiteral("db2021.mdb")});
        const cohorts::Result result = cohorts::changeCohort(sys, stored, renamed);
        closeDatabase(sys);
        if (renames) {
            QCOMPARE(result.outcome, cohorts::Outcome::Done);
            QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|gz2021|10|1")});
            QCOMPARE(files(), QStringList{QStringLiteral("gz2021.mdb")});
            QCOMPARE(studentCount(newPath), 1);
        } else {
            QCOMPARE(result.outcome, cohorts::Outcome::RenameFailed);
            QCOMPARE(result.reason, systemReasonText(linkError));
            QCOMPARE(cohortRows(data), QStringList{QStringLiteral("2021|db2021|10|1")});
            QCOMPARE(files(), QStringList{QStringLiteral("db2021.mdb")});
            QCOMPARE(studentCount(oldPath), 1);
        }
    }

private:
    ScriptedServices *m_svc = nullptr;
};

// "--show" opens the register on a few sample cohorts instead of running the tests, so that the
// window can be looked at (screenshots).
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    if (argc > 1 && QByteArray(argv[1]) == "--show") {
        registerShellWindows();
        TempData data;
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"), 16, 1);
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 18, 1);
        data.addCohort(QStringLiteral("2023"), QStringLiteral("gaozhong2023ab"), 20, 101);
        windows::show(QStringLiteral("grad1"));
        return app.exec();
    }
    TestGrad1 tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_grad1.moc"
