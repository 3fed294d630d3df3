#include "testsupport.h"

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/managst.h"
#include "shell/register.h"
#include "shell/students.h"
#include "shell/window.h"
#include "shell/workbook.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kTitle = QStringLiteral("系统提示：");

struct Student
{
    QString stid, name;
    double cls, seat;
    QVariant keflag;
};

// Direct access to a cohort database beside the window's own connection.
class CohortDb
{
public:
    explicit CohortDb(const QString &path)
    {
        if (!openDatabase(path, DbKind::Cohort, QStringLiteral("tst-cohort"), &m_db))
            qFatal("cannot open cohort database");
    }
    ~CohortDb() { closeDatabase(m_db); }
    void add(const Student &s)
    {
        QVERIFY(execSql(m_db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?,?,?,?,?)"),
                        {s.stid, s.name, s.cls, s.seat, s.keflag}));
    }
    void addExamRow(const QString &exam, const QString &stid, const QString &name)
    {
        QVERIFY(execSql(m_db, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag) VALUES(?,?,?,1,1,1)"), {exam, stid, name}));
    }
    // "stid|name|class|seat|keflag" in number order.
    QStringList students()
    {
        QStringList out;
        QSqlQuery q = read(QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo ORDER BY stid, id"));
        while (q.next())
            out << QStringLiteral("%1|%2|%3|%4|%5")
                       .arg(q.value(0).toString(), q.value(1).toString())
                       .arg(q.value(2).toDouble())
                       .arg(q.value(3).toDouble())
                       .arg(q.value(4).toString());
        return out;
    }
    // "exam|stid|name" in exam, number order.
    QStringList examRows()
    {
        QStringList out;
        QSqlQuery q = read(QStringLiteral("SELECT id, stid, name FROM stucj ORDER BY id, stid, rowid"));
        while (q.next())
            out << QStringLiteral("%1|%2|%3").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
        return out;
    }

private:
    // A query that cannot run fails the test.
    QSqlQuery read(const QString &sql)
    {
        QSqlQuery q = prepare(m_db, sql);
        if (!q.exec())
            QTest::qFail(qPrintable(q.lastError().text()), __FILE__, __LINE__);
        return q;
    }

    QSqlDatabase m_db;
};

QStringList gridColumn(const managst &w, int col)
{
    QStringList out;
    for (int r = 1; r < w.Grid1->Rows(); ++r)
        out << w.Grid1->TextMatrix(r, col);
    return out;
}

int rowOf(const managst &w, const QString &stid)
{
    for (int r = 1; r < w.Grid1->Rows(); ++r)
        if (w.Grid1->TextMatrix(r, 1) == stid)
            return r;
    return -1;
}

// Clicks the student's row in the list, as a user does.
void clickStudent(managst &w, const QString &stid)
{
    const int r = rowOf(w, stid);
    QVERIFY2(r > 0, qPrintable(stid));
    const QModelIndex cell = w.Grid1->model()->index(r - 1, 1); // the heading is not a table row
    w.Grid1->scrollTo(cell);
    QTest::mouseClick(w.Grid1->viewport(), Qt::LeftButton, {}, w.Grid1->visualRect(cell).center());
    QCOMPARE(w.Grid1->Row(), r);
}

// Opens the 查询 menu and clicks its item `key` (findall, findid, findname, findg1, wlqxm).
void search(managst &w, const char *key)
{
    QMenu *menu = w.Toolbar2Find->menu();
    QAction *item = menu->findChild<QAction *>(QLatin1String(key));
    QVERIFY2(item, key);
    menu->popup(w.Toolbar2Find->mapToGlobal(QPoint(0, w.Toolbar2Find->height())));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QVERIFY(menu->isHidden());
}

// The tool button of 打印预览.
QAbstractButton *printButton(const managst &w)
{
    return qobject_cast<QAbstractButton *>(w.Toolbar1->widgetForAction(w.Toolbar1->findChild<QAction *>(QStringLiteral("print"))));
}

// A key pressed, or a text typed, on the widget that has the focus.
void key(Qt::Key k)
{
    QTest::keyClick(QApplication::focusWidget(), k);
}
void type(const char *latin1)
{
    QTest::keyClicks(QApplication::focusWidget(), QLatin1String(latin1));
}

// Types a field's text anew as a user does: a click into the field, all selected, the new text
// typed over it (Chinese through an input method).
void retype(QLineEdit *field, const QString &text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.toLatin1() == text.toUtf8()) {
        QTest::keyClicks(field, text);
    } else {
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(field, &typed);
    }
    QCOMPARE(field->text(), text);
}

// A stand-in for the print preview: it only has to be shown.
class FakePreview : public Window
{
public:
    FakePreview() : Window(QStringLiteral("printsform")) {}

protected:
    void createControls(QWidget *) override {}
};

// A data folder with cohorts 2020 and 2021; 2020, the chosen one, holds four students and three
// exam rows. The windows are gone when it ends.
struct Register
{
    ScriptedServices &svc = installScripted();
    TempData data;
    QString path = data.cohortPath(QStringLiteral("db2020.mdb"));

    Register()
    {
        data.addCohort(QStringLiteral("2020"), QStringLiteral("db2020"));
        data.addCohort(QStringLiteral("2021"), QStringLiteral("db2021"));
        CohortDb db(path);
        db.add({QStringLiteral("K315"), QStringLiteral("张三"), 3, 2, 2});
        db.add({QStringLiteral("A1"), QStringLiteral("李四"), 3, 1, 3});
        db.add({QStringLiteral("B01"), QStringLiteral("王小五"), 0, 0, 0});
        db.add({QStringLiteral("C2"), QStringLiteral("赵六"), 5, 7, 1});
        db.addExamRow(QStringLiteral("240101080000"), QStringLiteral("A1"), QStringLiteral("李四"));
        db.addExamRow(QStringLiteral("240301080000"), QStringLiteral("A1"), QStringLiteral("李四"));
        db.addExamRow(QStringLiteral("240101080000"), QStringLiteral("C2"), QStringLiteral("赵六"));
        gCohortYear = QStringLiteral("2020");
        gCohortDbFile = QStringLiteral("db2020.mdb");
    }
    ~Register() { windows::destroyAll(); }
};

} // namespace

class TestManagst : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_register.emplace();
        m_svc = &m_register->svc;
        m_data = &m_register->data;
        m_path = m_register->path;
    }
    void cleanup() { m_register.reset(); }

    managst *open()
    {
        windows::show(QStringLiteral("managst"));
        auto *w = windows::find<managst>(QStringLiteral("managst"));
        if (w)
            QApplication::setActiveWindow(w);
        return w;
    }

    void loadListsEveryStudent()
    {
        managst *w = open();
        QVERIFY(w && w->isLoaded());
        QCOMPARE(w->windowTitle(), QStringLiteral("学生信息-->2020届"));
        QCOMPARE(w->Grid1->Rows(), 5);
        QCOMPARE(w->Grid1->TextMatrix(0, 1), QStringLiteral("学 号       "));
        QCOMPARE(w->Grid1->TextMatrix(0, 5), QStringLiteral("文理倾向"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"A1", "B01", "C2", "K315"}));
        QCOMPARE(gridColumn(*w, 2), (QStringList{"李四", "王小五", "赵六", "张三"}));
        // Class and seat 0 and an unchosen stream show as empty cells.
        QCOMPARE(gridColumn(*w, 3), (QStringList{"3", "", "5", "3"}));
        QCOMPARE(gridColumn(*w, 4), (QStringList{"1", "", "7", "2"}));
        QCOMPARE(gridColumn(*w, 5), (QStringList{"理科", "", "不限", "文科"}));
        QCOMPARE(w->Label1->text(), QStringLiteral("请点“查询”得到名单"));
        QCOMPARE(w->Label2->text(), QStringLiteral("查询到人数：4"));
        QVERIFY(w->ProgressBar1->isHidden());
        QVERIFY(w->comadd->isEnabled());
        QVERIFY(!w->commodi->isEnabled() && !w->comsave->isEnabled() && !w->comdele->isEnabled());
        QCOMPARE(w->editmode(), 0);
        for (QPushButton *b : {w->comadd, w->commodi, w->comsave, w->comdele, w->VsNetBut1, w->comminput, w->VsNetBut2, w->exitcom})
            QVERIFY(!b->autoDefault() && !b->isDefault());
    }

    void missingDatabaseEndsProgram()
    {
        gCohortDbFile = QStringLiteral("gone.mdb");
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, windows::show(QStringLiteral("managst")));
        QCOMPARE(m_svc->lastText(), QStringLiteral("库文件gone.mdb不存在!"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("警告:"));
    }

    void searches()
    {
        {
            CohortDb db(m_path);
            db.add({QStringLiteral("X5%1"), QStringLiteral("钱_七"), 3, 9, 2});
            db.add({QStringLiteral("X501"), QStringLiteral("孙八"), 3, 3, 1});
        }
        managst *w = open();
        // Number search: contained anywhere, number order.
        w->Txtfields[0]->setText(QStringLiteral(" 01 "));
        search(*w, "findid");
        QCOMPARE(w->findkind(), QStringLiteral("学号"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01", "X501"}));
        QCOMPARE(w->Label2->text(), QStringLiteral("查询到人数：2"));
        // Wildcard characters typed by the user match only themselves.
        w->Txtfields[0]->setText(QStringLiteral("5%"));
        search(*w, "findid");
        QCOMPARE(gridColumn(*w, 1), (QStringList{"X5%1"}));
        w->Txtfields[1]->setText(QStringLiteral("_"));
        search(*w, "findname");
        QCOMPARE(gridColumn(*w, 2), (QStringList{"钱_七"}));
        w->Txtfields[1]->setText(QStringLiteral("四"));
        search(*w, "findname");
        QCOMPARE(gridColumn(*w, 1), (QStringList{"A1"}));
        w->Txtfields[0]->setText(QStringLiteral("' OR '1'='1"));
        search(*w, "findid");
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Label2->text(), QStringLiteral("当前没有学生名单!"));
        QCOMPARE(w->Label1->text(), QStringLiteral("请点“查询”得到名单"));

        // Class search: by seat, with the heading.
        w->Txtfields[2]->setText(QStringLiteral("3"));
        search(*w, "findg1");
        QCOMPARE(gridColumn(*w, 1), (QStringList{"A1", "K315", "X501", "X5%1"}));
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 3 班4位学生"));
        // A class text without a leading number lists class 0 by number.
        w->Txtfields[2]->setText(QStringLiteral("abc"));
        search(*w, "findg1");
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01"}));
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 abc 班1位学生"));

        // Stream searches: 不限 lists only those marked 不限.
        m_svc->clear();
        search(*w, "wlqxm");
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("查询关键字不能为空值 --> 文理倾向！")});
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01"}));
        w->Combo4->setCurrentIndex(1);
        search(*w, "wlqxm");
        QCOMPARE(w->findkind(), QStringLiteral("文科"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"K315", "X5%1"}));
        w->Combo4->setCurrentIndex(0);
        search(*w, "wlqxm");
        QCOMPARE(gridColumn(*w, 1), (QStringList{"C2", "X501"}));

        // Blank keys are refused and leave the list.
        const struct
        {
            const char *key;
            int field;
            const char *message;
        } blanks[] = {{"findid", 0, "查询关键字不能为空值 --> 学号！"},
                      {"findname", 1, "查询关键字不能为空值 --> 学生姓名！"},
                      {"findg1", 2, "查询关键字不能为空值 --> 班级！"}};
        for (const auto &b : blanks) {
            m_svc->clear();
            w->Txtfields[b.field]->setText(QStringLiteral("  "));
            search(*w, b.key);
            QCOMPARE(m_svc->texts(), QStringList{QString::fromUtf8(b.message)});
            QCOMPARE(m_svc->messages.back().title, kTitle);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[b.field]));
            QCOMPARE(gridColumn(*w, 1), (QStringList{"C2", "X501"}));
        }
        search(*w, "findall");
        QCOMPARE(w->Grid1->Rows(), 7);
    }

    void printHandsListToPreview()
    {
        managst *w = open();
        // Without a preview window the register stays in view.
        QVERIFY(press(printButton(*w)));
        QCOMPARE(gReportCode, qint16(4));
        QVERIFY(w->isVisible());

        windows::registerFactory(QStringLiteral("printsform"), [] { return new FakePreview; });
        gReportCode = 0;
        w->Txtfields[0]->setText(QStringLiteral("nobody"));
        search(*w, "findid");
        QVERIFY(press(printButton(*w)));
        QCOMPARE(m_svc->lastText(), QStringLiteral("当前打印内容不能为空!"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("系统提示:"));
        QCOMPARE(gReportCode, qint16(0));
        QVERIFY(!windows::find(QStringLiteral("printsform")));

        search(*w, "findall");
        QVERIFY(press(printButton(*w)));
        QCOMPARE(gReportCode, qint16(4));
        QVERIFY(!w->isVisible());
        QVERIFY(w->isLoaded());
        QVERIFY(windows::find(QStringLiteral("printsform"))->isVisible());
        // The preview shows the register again with its list as it was.
        windows::show(QStringLiteral("managst"));
        QVERIFY(w->isVisible());
        QCOMPARE(w->Grid1->Rows(), 5);
    }

    void addStudents()
    {
        managst *w = open();
        CohortDb db(m_path);
        // 新增 after clicking K315 keeps K31 and empties the rest.
        clickStudent(*w, QStringLiteral("K315"));
        QCOMPARE(w->editmode(), 2);
        QCOMPARE(w->Combo4->currentIndex(), 1);
        QVERIFY(press(w->comadd));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("K31"));
        QVERIFY(w->Txtfields[1]->text().isEmpty() && w->Txtfields[2]->text().isEmpty() && w->Txtfields[3]->text().isEmpty());
        QCOMPARE(w->Combo4->currentIndex(), -1);
        QCOMPARE(w->editmode(), 1);
        QVERIFY(w->comsave->isEnabled() && !w->commodi->isEnabled() && !w->comdele->isEnabled());

        // The checks, in order.
        const struct
        {
            const char *number;
            const char *name;
            const char *message;
            int field;
        } refusals[] = {{"  ", "甲", "学号不能为空！", 0},
                        {"七个中文字符啊12", "甲", "学号长度过长！", 0},
                        {"K9", " ", "姓名不能为空！", 1},
                        {"K9", "欧阳小明子", "姓名长度过长！", 1}};
        for (const auto &r : refusals) {
            m_svc->clear();
            w->Txtfields[0]->setText(QString::fromUtf8(r.number));
            w->Txtfields[1]->setText(QString::fromUtf8(r.name));
            QVERIFY(press(w->comsave));
            QCOMPARE(m_svc->texts(), QStringList{QString::fromUtf8(r.message)});
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[r.field]));
        }
        QCOMPARE(db.students().size(), 4);

        // A number typed with blanks is stored cleaned and upper-cased; empty class and seat are 0;
        // no stream chosen stores 0.
        m_svc->clear();
        w->Txtfields[0]->setText(QStringLiteral(" ab 12 "));
        w->Txtfields[1]->setText(QStringLiteral("欧阳小明"));
        w->Txtfields[2]->clear();
        w->Txtfields[3]->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("增加的学生要存盘吗？")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("增加学生："));
        QCOMPARE(w->Txtfields[2]->text(), QStringLiteral("0"));
        QCOMPARE(w->Txtfields[3]->text(), QStringLiteral("0"));
        QVERIFY(db.students().contains(QStringLiteral("AB12|欧阳小明|0|0|0")));
        QCOMPARE(w->Grid1->TextMatrix(rowOf(*w, QStringLiteral("AB12")), 5), QString());
        QVERIFY(w->comadd->isEnabled() && !w->comsave->isEnabled());
        QCOMPARE(w->editmode(), 1);

        // Cancel at the question writes nothing and leaves 保存 on.
        retype(w->Txtfields[0], QStringLiteral("Q1"));
        m_svc->answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->comsave));
        QCOMPARE(db.students().size(), 5);
        QVERIFY(w->comsave->isEnabled());

        // A number that exists: replace refused, then confirmed (the exam rows get the new name).
        w->Txtfields[0]->setText(QStringLiteral("a1"));
        w->Txtfields[1]->setText(QStringLiteral("李 思"));
        w->Txtfields[2]->setText(QStringLiteral("4"));
        w->Txtfields[3]->setText(QStringLiteral("6"));
        w->Combo4->setCurrentIndex(1);
        m_svc->clear();
        m_svc->answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts().last(), QStringLiteral("增加的学生已存在，你真得要替换此学生信息吗？"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("信息提示："));
        QVERIFY(db.students().contains(QStringLiteral("A1|李四|3|1|3")));
        m_svc->answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        retype(w->Txtfields[3], QStringLiteral("6"));
        QVERIFY(press(w->comsave));
        QVERIFY(db.students().contains(QStringLiteral("A1|李 思|4|6|2")));
        QCOMPARE(db.students().size(), 5);
        QCOMPARE(db.examRows(), (QStringList{"240101080000|A1|李思", "240101080000|C2|赵六", "240301080000|A1|李思"}));
    }

    void changeRewritesExamRows()
    {
        managst *w = open();
        CohortDb db(m_path);
        // A row click, typing and 保存 change the clicked student directly.
        clickStudent(*w, QStringLiteral("A1"));
        QCOMPARE(w->selstid(), QStringLiteral("A1"));
        retype(w->Txtfields[0], QStringLiteral("A2"));
        retype(w->Txtfields[1], QStringLiteral("李 四"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学生要存盘吗？")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("修改学生："));
        QVERIFY(db.students().contains(QStringLiteral("A2|李 四|3|1|3")));
        QVERIFY(!db.students().join(',').contains(QStringLiteral("A1|")));
        QCOMPARE(db.examRows(), (QStringList{"240101080000|A2|李四", "240101080000|C2|赵六", "240301080000|A2|李四"}));
        QVERIFY(w->ProgressBar1->isHidden());
        QCOMPARE(w->editmode(), 2);

        // A number another student has is refused.
        clickStudent(*w, QStringLiteral("A2"));
        QVERIFY(press(w->commodi));
        w->Txtfields[0]->setText(QStringLiteral("c2"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts().last(), QStringLiteral("“C2”学生已存在，无法修改学生信息！"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("信息提示："));
        QVERIFY(db.students().contains(QStringLiteral("A2|李 四|3|1|3")));

        // Only the letter case changed: not a new number; only names are rewritten.
        w->Txtfields[0]->setText(QStringLiteral("a2"));
        w->Txtfields[1]->setText(QStringLiteral("李四"));
        QVERIFY(press(w->comsave));
        QVERIFY(db.students().contains(QStringLiteral("A2|李四|3|1|3")));
        QCOMPARE(db.examRows().first(), QStringLiteral("240101080000|A2|李四"));

        // Cancel at the question: buttons back, nothing written.
        clickStudent(*w, QStringLiteral("C2"));
        retype(w->Txtfields[1], QStringLiteral("改名"));
        m_svc->answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->comsave));
        QVERIFY(w->comadd->isEnabled() && w->commodi->isEnabled() && w->comdele->isEnabled() && !w->comsave->isEnabled());
        QVERIFY(db.students().contains(QStringLiteral("C2|赵六|5|7|1")));

        // The student's row is gone meanwhile.
        QVERIFY(execSql(QSqlDatabase::database(QStringLiteral("tst-cohort")), QStringLiteral("DELETE FROM stinfo WHERE stid='C2'")));
        m_svc->clear();
        retype(w->Txtfields[1], QStringLiteral("改名"));
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts().last(), QStringLiteral("修改无效，请重新操作！"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("系统提示:"));
        QCOMPARE(db.examRows().at(1), QStringLiteral("240101080000|C2|赵六"));
    }

    void numbersWithQuotesMatchOnlyThemselves()
    {
        {
            CohortDb db(m_path);
            db.add({QStringLiteral("Q'1"), QStringLiteral("引号"), 1, 1, 1});
            db.addExamRow(QStringLiteral("240101080000"), QStringLiteral("Q'1"), QStringLiteral("引号"));
        }
        managst *w = open();
        CohortDb db(m_path);
        // A new student whose number is SQL text.
        QVERIFY(press(w->comadd));
        w->Txtfields[0]->setText(QStringLiteral("X' OR '1'='1"));
        w->Txtfields[1]->setText(QStringLiteral("注入"));
        QVERIFY(press(w->comsave));
        QVERIFY(db.students().contains(QStringLiteral("X'OR'1'='1|注入|0|0|0")));
        QCOMPARE(db.students().size(), 6);

        // Renaming the quoted number touches only its own rows.
        clickStudent(*w, QStringLiteral("Q'1"));
        retype(w->Txtfields[0], QStringLiteral("Q'2"));
        QVERIFY(press(w->comsave));
        QVERIFY(db.students().contains(QStringLiteral("Q'2|引号|1|1|1")));
        QCOMPARE(db.examRows(), (QStringList{"240101080000|A1|李四", "240101080000|C2|赵六", "240101080000|Q'2|引号",
                                             "240301080000|A1|李四"}));

        // Deleting the SQL-text number deletes that student only.
        clickStudent(*w, QStringLiteral("X'OR'1'='1"));
        QVERIFY(press(w->comdele));
        QCOMPARE(db.students().size(), 5);
        QVERIFY(!db.students().join(',').contains(QStringLiteral("注入")));
        QCOMPARE(w->Grid1->Rows(), 6);
    }

    void deleteAndClearKeepExamRows()
    {
        managst *w = open();
        CohortDb db(m_path);
        const QStringList exams = db.examRows();
        clickStudent(*w, QStringLiteral("A1"));
        QVERIFY(w->comdele->isEnabled());
        QVERIFY(press(w->comdele));
        QCOMPARE(db.students().size(), 3);
        QCOMPARE(db.examRows(), exams);
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01", "C2", "K315"}));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("A1")); // the editor keeps its texts
        QVERIFY(!w->comdele->isEnabled());

        m_svc->clear();
        m_svc->answers = {MsgAnswer::No};
        QVERIFY(press(w->VsNetBut1));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("清空后的数据不可恢复，请慎重考虑?")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("再次警告:"));
        QCOMPARE(m_svc->messages[0].buttons, MsgButtons::YesNo);
        QCOMPARE(db.students().size(), 3);
        m_svc->answers = {MsgAnswer::Yes};
        QVERIFY(press(w->VsNetBut1));
        QCOMPARE(m_svc->texts().last(), QStringLiteral("清空完毕!"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("系统提示:"));
        QVERIFY(db.students().isEmpty());
        QCOMPARE(db.examRows(), exams);
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Label2->text(), QStringLiteral("当前没有学生名单!"));
    }

    // A pasted half character (an unpaired surrogate) becomes U+FFFD in the field, so the student
    // saved with it can be deleted again; a 删除 that finds no student says so.
    void halfCharactersAndDeletingNothing()
    {
        managst *w = open();
        CohortDb db(m_path);
        QVERIFY(press(w->comadd));
        QTest::mouseClick(w->Txtfields[0], Qt::LeftButton);
        QTest::keyClick(w->Txtfields[0], Qt::Key_A, Qt::ControlModifier);
        w->Txtfields[0]->insert(QStringLiteral("X") + QChar(0xD800)); // as a paste inserts
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("X\uFFFD"));
        w->Txtfields[1]->setText(QStringLiteral("半字"));
        QVERIFY(press(w->comsave));
        clickStudent(*w, QStringLiteral("X\uFFFD"));
        QVERIFY(press(w->comdele));
        QCOMPARE(db.students().size(), 4);

        clickStudent(*w, QStringLiteral("C2"));
        QVERIFY(execSql(QSqlDatabase::database(QStringLiteral("tst-cohort")), QStringLiteral("DELETE FROM stinfo WHERE stid='C2'")));
        m_svc->clear();
        QVERIFY(press(w->comdele));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("没有找到学号为“C2”的学生，未删除任何学生信息！")});
    }

    // The data folder deleted while the register is open: a save is not reported as done, the
    // program says what was lost and ends.
    void vanishedDataFolderEndsProgram()
    {
        managst *w = open();
        QVERIFY(press(w->comadd));
        w->Txtfields[0]->setText(QStringLiteral("Z9"));
        w->Txtfields[1]->setText(QStringLiteral("钱七"));
        QVERIFY(QDir(m_data->folder()).removeRecursively());
        m_svc->clear();
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, QVERIFY(press(w->comsave)));
        QCOMPARE(m_svc->texts(), (QStringList{QStringLiteral("增加的学生要存盘吗？"),
                                              QStringLiteral("数据文件“db2020.mdb”已被删除或移走，本次学生信息的改动未能保存！程序即将结束。")}));
    }

    // The register's writes on their own: a student and the exam rows change together or not at all.
    void changesAreWholeOrNothing()
    {
        CohortDb db(m_path);
        const QSqlDatabase cohort = QSqlDatabase::database(QStringLiteral("tst-cohort"));
        const QStringList students = db.students();
        const QStringList exams = db.examRows();
        const std::optional<qint64> id = studentRowId(cohort, QStringLiteral("A1"));
        QVERIFY(id && *id > 0);
        QCOMPARE(studentRowId(cohort, QStringLiteral("a1")), id); // numbers compare without letter case
        QCOMPARE(studentRowId(cohort, QStringLiteral("A")), std::optional<qint64>(-1));
        const StudentValues renamed{QStringLiteral("A7"), QStringLiteral("李 七"), 8, 9, 2};
        QVERIFY(execSql(cohort, QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON stucj BEGIN SELECT RAISE(ABORT, 'refused'); END")));
        QVERIFY(!changeStudent(cohort, *id, QStringLiteral("A1"), renamed));
        QCOMPARE(db.students(), students);
        QCOMPARE(db.examRows(), exams);

        // The register says so and lists the student unchanged.
        managst *w = open();
        clickStudent(*w, QStringLiteral("A1"));
        retype(w->Txtfields[0], QStringLiteral("A7"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->lastText(), QStringLiteral("学生信息保存失败：数据库出错（错误代码19），请重新操作！"));
        QCOMPARE(db.students(), students);
        QCOMPARE(gridColumn(*w, 1), (QStringList{"A1", "B01", "C2", "K315"}));

        QVERIFY(execSql(cohort, QStringLiteral("DROP TRIGGER refuse")));
        QVERIFY(changeStudent(cohort, *id, QStringLiteral("A1"), renamed));
        QVERIFY(db.students().contains(QStringLiteral("A7|李 七|8|9|2")));
        QCOMPARE(db.examRows(), (QStringList{"240101080000|A7|李七", "240101080000|C2|赵六", "240301080000|A7|李七"}));
    }

    void keyboard()
    {
        managst *w = open();
        auto focused = [] { return QApplication::focusWidget(); };
        // A click gives the number field the focus.
        QTest::mouseClick(w->Txtfields[0], Qt::LeftButton);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[0]));
        key(Qt::Key_Return);
        QCOMPARE(m_svc->lastText(), QStringLiteral("学号不能为空！"));
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[0]));
        QVERIFY(w->comsave->isEnabled()); // every key, Enter included, enables 保存
        // Typing, Enter moving on, and no button pressed.
        type("k77");
        key(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[1]));
        m_svc->clear();
        key(Qt::Key_Return);
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("学生姓名不能为空！")});
        type("abc");
        key(Qt::Key_Return);
        key(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[3]));
        key(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Combo4));
        QCOMPARE(CohortDb(m_path).students().size(), 4); // nothing saved by Enter

        // Up and Down; the caret goes to the end of the field that gains the focus.
        QTest::mouseClick(w->Txtfields[3], Qt::LeftButton);
        key(Qt::Key_Up);
        key(Qt::Key_Up);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[1]));
        QCOMPARE(w->Txtfields[1]->cursorPosition(), 3);
        QCOMPARE(w->Txtfields[1]->selectedText(), QString());

        // Down in the seat field, or Enter in the stream box, with 保存 off: add mode.
        clickStudent(*w, QStringLiteral("C2"));
        QCOMPARE(w->editmode(), 2);
        QCOMPARE(focused(), static_cast<QWidget *>(w->Txtfields[0]));
        for (int field = 0; field < 4; ++field)
            key(Qt::Key_Down);
        QCOMPARE(w->editmode(), 1);
        QCOMPARE(focused(), static_cast<QWidget *>(w->comsave));
        clickStudent(*w, QStringLiteral("C2"));
        w->Combo4->setFocus();
        key(Qt::Key_Return);
        QCOMPARE(w->editmode(), 1);
        QVERIFY(w->comsave->isEnabled());
        QCOMPARE(focused(), static_cast<QWidget *>(w->comsave));
        // With 保存 already on (something was typed), the mode stays.
        clickStudent(*w, QStringLiteral("C2"));
        key(Qt::Key_End);
        type("x");
        QVERIFY(w->comsave->isEnabled());
        w->Combo4->setFocus();
        key(Qt::Key_Return);
        QCOMPARE(w->editmode(), 2);

        // A new student typed from the keyboard alone: Enter through the fields, Enter on 保存.
        QVERIFY(press(w->comadd));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("C2"));
        key(Qt::Key_Backspace);
        type("9");
        key(Qt::Key_Return);
        type("Kim");
        key(Qt::Key_Return);
        type("4");
        key(Qt::Key_Return);
        key(Qt::Key_Return);
        for (int item = 0; item < 3; ++item)
            key(Qt::Key_Down);
        QCOMPARE(w->Combo4->currentText(), QStringLiteral("理科"));
        key(Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(w->comsave));
        m_svc->clear();
        key(Qt::Key_Return);
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("增加的学生要存盘吗？")});
        QVERIFY(CohortDb(m_path).students().contains(QStringLiteral("C9|Kim|4|0|3")));
    }

    void storedValuesLongerThanTheTypingLimit()
    {
        {
            CohortDb db(m_path);
            // Imported rows may hold numbers and names longer than the editor lets one type.
            db.add({QStringLiteral("ABCDEFGHIJKLMNOP1"), QStringLiteral("长号"), 1, 1, 1});
            db.add({QStringLiteral("ABCDEFGHIJKLMNO"), QStringLiteral("短号"), 1, 2, 1});
            db.add({QStringLiteral("L1"), QStringLiteral("Alexandros"), 12345, 6, 1});
        }
        managst *w = open();
        CohortDb db(m_path);
        // The clicked student is shown whole and is the one deleted.
        clickStudent(*w, QStringLiteral("ABCDEFGHIJKLMNOP1"));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("ABCDEFGHIJKLMNOP1"));
        QCOMPARE(w->selstid(), QStringLiteral("ABCDEFGHIJKLMNOP1"));
        QVERIFY(press(w->comdele));
        QVERIFY(!db.students().join(',').contains(QStringLiteral("长号")));
        QVERIFY(db.students().contains(QStringLiteral("ABCDEFGHIJKLMNO|短号|1|2|1")));

        // A name wider than the limit is refused at 保存, not stored cut; a long class is kept whole.
        clickStudent(*w, QStringLiteral("L1"));
        QCOMPARE(w->Txtfields[1]->text(), QStringLiteral("Alexandros"));
        QCOMPARE(w->Txtfields[2]->text(), QStringLiteral("12345"));
        retype(w->Txtfields[3], QStringLiteral("7"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("姓名长度过长！")});
        QVERIFY(db.students().contains(QStringLiteral("L1|Alexandros|12345|6|1")));
        // Shortened by the user, the name saves; the class stays as stored.
        w->Txtfields[1]->setFocus();
        w->Txtfields[1]->selectAll();
        QTest::keyClicks(w->Txtfields[1], QStringLiteral("Alex"));
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QVERIFY(db.students().contains(QStringLiteral("L1|Alex|12345|7|1")));

        // After 新增 the typing limits hold again.
        QVERIFY(press(w->comadd));
        QTest::keyClicks(w->Txtfields[0], QStringLiteral("12345678901234567890"));
        QCOMPARE(w->Txtfields[0]->text().size(), 15);
        QTest::keyClicks(w->Txtfields[2], QStringLiteral("123456"));
        QCOMPARE(w->Txtfields[2]->text(), QStringLiteral("1234"));
    }

    void typingThroughAnInputMethodEnablesSave()
    {
        managst *w = open();
        clickStudent(*w, QStringLiteral("C2"));
        QVERIFY(!w->comsave->isEnabled());
        // Tab only moves on: nothing was typed.
        QTest::keyClick(w->Txtfields[0], Qt::Key_Tab);
        QVERIFY(!w->comsave->isEnabled());
        // A Chinese character committed by an input method is typed text.
        w->Txtfields[1]->setFocus();
        QInputMethodEvent ime;
        ime.setCommitString(QStringLiteral("钱"));
        QApplication::sendEvent(w->Txtfields[1], &ime);
        QVERIFY(w->Txtfields[1]->text().endsWith(QStringLiteral("钱")));
        QVERIFY(w->comsave->isEnabled());
        m_svc->clear();
        QVERIFY(press(w->comsave));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学生要存盘吗？")});
        QVERIFY(CohortDb(m_path).students().contains(QStringLiteral("C2|赵六钱|5|7|1")));
    }

    void keepsItsCohortAndReloadsFromDesignState()
    {
        managst *w = open();
        w->Txtfields[2]->setText(QStringLiteral("3"));
        search(*w, "findg1");
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 3 班2位学生"));

        // Another cohort is chosen while the register is open: it only comes forward.
        gCohortYear = QStringLiteral("2021");
        gCohortDbFile = QStringLiteral("db2021.mdb");
        windows::show(QStringLiteral("managst"));
        QCOMPARE(w->windowTitle(), QStringLiteral("学生信息-->2020届"));
        QCOMPARE(w->cohortYear(), QStringLiteral("2020"));
        search(*w, "findg1");
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 3 班2位学生"));
        QVERIFY(press(w->comadd));
        w->Txtfields[0]->setText(QStringLiteral("N1"));
        w->Txtfields[1]->setText(QStringLiteral("新生"));
        QVERIFY(press(w->comsave));
        QCOMPARE(CohortDb(m_path).students().size(), 5);
        QCOMPARE(CohortDb(m_data->cohortPath(QStringLiteral("db2021.mdb"))).students().size(), 0);

        // Closed and opened again (now for 2021): design state and the whole register.
        QVERIFY(press(w->exitcom));
        QVERIFY(!w->isLoaded());
        QCOMPARE(w->findkind(), QString());
        windows::show(QStringLiteral("managst"));
        QVERIFY(w->isLoaded());
        QCOMPARE(w->windowTitle(), QStringLiteral("学生信息-->2021届"));
        QCOMPARE(w->Label1->text(), QStringLiteral("请点“查询”得到名单"));
        for (QLineEdit *t : w->Txtfields)
            QVERIFY(t->text().isEmpty());
        QCOMPARE(w->Combo4->currentIndex(), -1);
        QCOMPARE(w->editmode(), 0);
        QVERIFY(!w->commodi->isEnabled() && !w->comsave->isEnabled() && !w->comdele->isEnabled());
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Label2->text(), QStringLiteral("当前没有学生名单!"));
        QCOMPARE(w->database().databaseName().contains(QStringLiteral("db2021.mdb")), true);
    }


    void importAndExportThroughTheButtons()
    {
        managst *w = open();
        // A workbook of three students (one already registered), then an empty number.
        const QString in = m_data->folder() + QStringLiteral("in.xlsx");
        {
            WorkbookWriter book;
            QVERIFY(book.create(in));
            const QStringList rows[] = {{"学号", "姓名", "班级", "座号", "文理倾向"},
                                        {"n1", "新 同学", "2班", "5", "理 科"},
                                        {"N2", "另一个", "3", "", "文科"},
                                        {"A1", "李四", "9", "9", "x"},
                                        {"", "", "", "", ""},
                                        {"N9", "不读", "1", "1", "文科"}};
            for (int r = 0; r < 6; ++r)
                for (int c = 0; c < 5; ++c)
                    book.writeText(r + 1, c + 1, rows[r][c]);
            QVERIFY(book.close());
        }
        w->Txtfields[2]->setText(QStringLiteral("3"));
        search(*w, "findg1");
        QVERIFY(!w->Label1->isHidden());
        m_svc->clear();
        m_svc->fileNames = {in};
        m_svc->answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes}; // the file, no clearing, append
        QVERIFY(press(w->comminput));
        QCOMPARE(w->findkind(), QString());
        QCOMPARE(m_svc->fileRequests.back().title, QStringLiteral("学生信息导入"));
        QVERIFY(m_svc->texts().contains(QStringLiteral("导入的文件是：") + in + QStringLiteral("吗?")));
        CohortDb db(m_path);
        QVERIFY(db.students().contains(QStringLiteral("N1|新同学|2|5|3")));
        QVERIFY(db.students().contains(QStringLiteral("N2|另一个|3|0|2")));
        QVERIFY(!db.students().join(',').contains(QStringLiteral("N9")));
        QVERIFY(db.students().contains(QStringLiteral("A1|李四|3|1|3"))); // an existing number is not added twice
        QCOMPARE(db.students().size(), 6);
        // After an import the class heading and the bar stay hidden.
        QVERIFY(w->Label1->isHidden());
        QVERIFY(w->ProgressBar1->isHidden());

        // Export: the preset name is the window's own cohort, even when another one is chosen now.
        gCohortYear = QStringLiteral("2021");
        const QString out = m_data->folder() + QStringLiteral("out.xlsx");
        m_svc->clear();
        m_svc->fileNames = {out};
        m_svc->answers = {MsgAnswer::Yes};
        QVERIFY(press(w->VsNetBut2));
        QCOMPARE(m_svc->fileRequests.back().title, QStringLiteral("学生信息导出"));
        QCOMPARE(m_svc->fileRequests.back().presetName, QStringLiteral("2020学生信息.xlsx"));
        QCOMPARE(m_svc->lastText(), QStringLiteral("学生信息导出完毕，请认真检查是否正确。"));
        Workbook book;
        QVERIFY(book.open(out));
        QCOMPARE(book.text(1, 1), QStringLiteral("学号"));
        QCOMPARE(book.text(2, 1), QStringLiteral("A1"));
        QCOMPARE(book.text(2, 5), QStringLiteral("理科"));
        QCOMPARE(book.text(7, 1), QStringLiteral("N2"));
        QCOMPARE(book.text(7, 3), QStringLiteral("3"));
        QCOMPARE(book.rowCount(), 7);

        // Clearing at the import's question runs the register's own clearing.
        m_svc->clear();
        m_svc->fileNames = {out};
        m_svc->answers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes};
        QVERIFY(press(w->comminput));
        QVERIFY(m_svc->texts().contains(QStringLiteral("清空完毕!")));
        QCOMPARE(db.students().size(), 6);
        QCOMPARE(db.examRows().size(), 3);
    }

private:
    std::optional<Register> m_register;
    ScriptedServices *m_svc = nullptr;
    TempData *m_data = nullptr;
    QString m_path;
};

// "--show" opens the register on a small sample cohort instead of running the tests, so that the
// window can be looked at (screenshots).
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    registerShellWindows();
    if (argc > 1 && QByteArray(argv[1]) == "--show") {
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        {
            CohortDb db(data.cohortPath(QStringLiteral("db2023.mdb")));
            const QStringList names = {"张伟", "王芳", "李娜", "刘洋", "陈静", "欧阳明辉", "赵磊", "孙丽", "周杰", "吴敏"};
            for (int i = 0; i < names.size(); ++i)
                db.add({QStringLiteral("2023%1").arg(1001 + i * 37, 6, 10, QLatin1Char('0')), names[i], double(1 + i % 3), double(i + 1),
                        QVariant(1 + i % 4)});
            db.add({QStringLiteral("K2023A0012345"), QStringLiteral("司马相如"), 12, 45, 2});
        }
        gCohortYear = QStringLiteral("2023");
        gCohortDbFile = QStringLiteral("db2023.mdb");
        windows::show(QStringLiteral("managst"));
        return app.exec();
    }
    TestManagst tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_managst.moc"
