#include "testsupport.h"

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/managst.h"
#include "shell/register.h"
#include "shell/window.h"
#include "shell/workbook.h"

#include <QApplication>
#include <QInputMethodEvent>
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
        QSqlQuery q = prepare(m_db, QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo ORDER BY stid, id"));
        q.exec();
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
        QSqlQuery q = prepare(m_db, QStringLiteral("SELECT id, stid, name FROM stucj ORDER BY id, stid, rowid"));
        q.exec();
        while (q.next())
            out << QStringLiteral("%1|%2|%3").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
        return out;
    }

private:
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

void clickStudent(managst &w, const QString &stid)
{
    const int r = rowOf(w, stid);
    QVERIFY2(r > 0, qPrintable(stid));
    w.Grid1->setRow(r);
    w.Grid1_Click();
}

// A stand-in for the print preview: it only has to be shown.
class FakePreview : public Window
{
public:
    FakePreview() : Window(QStringLiteral("printsform")) {}

protected:
    void createControls(QWidget *) override {}
};

} // namespace

class TestManagst : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerShellWindows(); }
    void init()
    {
        m_svc = &installScripted();
        m_data = std::make_unique<TempData>();
        m_data->addCohort(QStringLiteral("2020"), QStringLiteral("db2020"));
        m_data->addCohort(QStringLiteral("2021"), QStringLiteral("db2021"));
        m_path = m_data->cohortPath(QStringLiteral("db2020.mdb"));
        {
            CohortDb db(m_path);
            db.add({QStringLiteral("K315"), QStringLiteral("张三"), 3, 2, 2});
            db.add({QStringLiteral("A1"), QStringLiteral("李四"), 3, 1, 3});
            db.add({QStringLiteral("B01"), QStringLiteral("王小五"), 0, 0, 0});
            db.add({QStringLiteral("C2"), QStringLiteral("赵六"), 5, 7, 1});
            db.addExamRow(QStringLiteral("240101080000"), QStringLiteral("A1"), QStringLiteral("李四"));
            db.addExamRow(QStringLiteral("240301080000"), QStringLiteral("A1"), QStringLiteral("李四"));
            db.addExamRow(QStringLiteral("240101080000"), QStringLiteral("C2"), QStringLiteral("赵六"));
        }
        gCohortYear = QStringLiteral("2020");
        gCohortDbFile = QStringLiteral("db2020.mdb");
    }
    void cleanup()
    {
        windows::destroyAll();
        m_data.reset();
    }

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
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findid"));
        QCOMPARE(w->findkind(), QStringLiteral("学号"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01", "X501"}));
        QCOMPARE(w->Label2->text(), QStringLiteral("查询到人数：2"));
        // Wildcard characters typed by the user match only themselves.
        w->Txtfields[0]->setText(QStringLiteral("5%"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findid"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"X5%1"}));
        w->Txtfields[1]->setText(QStringLiteral("_"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findname"));
        QCOMPARE(gridColumn(*w, 2), (QStringList{"钱_七"}));
        w->Txtfields[1]->setText(QStringLiteral("四"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findname"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"A1"}));
        w->Txtfields[0]->setText(QStringLiteral("' OR '1'='1"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findid"));
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Label2->text(), QStringLiteral("当前没有学生名单!"));
        QCOMPARE(w->Label1->text(), QStringLiteral("请点“查询”得到名单"));

        // Class search: by seat, with the heading.
        w->Txtfields[2]->setText(QStringLiteral("3"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findg1"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"A1", "K315", "X501", "X5%1"}));
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 3 班4位学生"));
        // A class text without a leading number lists class 0 by number.
        w->Txtfields[2]->setText(QStringLiteral("abc"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findg1"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01"}));
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 abc 班1位学生"));

        // Stream searches: 不限 lists only those marked 不限.
        m_svc->clear();
        w->Toolbar2_ButtonMenuClick(QStringLiteral("wlqxm"));
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("查询关键字不能为空值 --> 文理倾向！")});
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01"}));
        w->Combo4->setCurrentIndex(1);
        w->Toolbar2_ButtonMenuClick(QStringLiteral("wlqxm"));
        QCOMPARE(w->findkind(), QStringLiteral("文科"));
        QCOMPARE(gridColumn(*w, 1), (QStringList{"K315", "X5%1"}));
        w->Combo4->setCurrentIndex(0);
        w->Toolbar2_ButtonMenuClick(QStringLiteral("wlqxm"));
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
            w->Toolbar2_ButtonMenuClick(QLatin1String(b.key));
            QCOMPARE(m_svc->texts(), QStringList{QString::fromUtf8(b.message)});
            QCOMPARE(m_svc->messages.back().title, kTitle);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[b.field]));
            QCOMPARE(gridColumn(*w, 1), (QStringList{"C2", "X501"}));
        }
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findall"));
        QCOMPARE(w->Grid1->Rows(), 7);
    }

    void printHandsListToPreview()
    {
        managst *w = open();
        // Without a preview window the register stays in view.
        w->Toolbar1_ButtonClick();
        QCOMPARE(gReportCode, qint16(4));
        QVERIFY(w->isVisible());

        windows::registerFactory(QStringLiteral("printsform"), [] { return new FakePreview; });
        gReportCode = 0;
        w->Txtfields[0]->setText(QStringLiteral("nobody"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findid"));
        w->Toolbar1_ButtonClick();
        QCOMPARE(m_svc->lastText(), QStringLiteral("当前打印内容不能为空!"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("系统提示:"));
        QCOMPARE(gReportCode, qint16(0));
        QVERIFY(!windows::find(QStringLiteral("printsform")));

        w->Toolbar2_ButtonMenuClick(QStringLiteral("findall"));
        w->Toolbar1_ButtonClick();
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
        w->comadd_Click();
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
            w->comsave_Click();
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
        w->comsave_Click();
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("增加的学生要存盘吗？")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("增加学生："));
        QCOMPARE(w->Txtfields[2]->text(), QStringLiteral("0"));
        QCOMPARE(w->Txtfields[3]->text(), QStringLiteral("0"));
        QVERIFY(db.students().contains(QStringLiteral("AB12|欧阳小明|0|0|0")));
        QCOMPARE(w->Grid1->TextMatrix(rowOf(*w, QStringLiteral("AB12")), 5), QString());
        QVERIFY(w->comadd->isEnabled() && !w->comsave->isEnabled());
        QCOMPARE(w->editmode(), 1);

        // Cancel at the question writes nothing and leaves 保存 on.
        w->Txtfields[0]->setText(QStringLiteral("Q1"));
        w->comsave->setEnabled(true);
        m_svc->answers = {MsgAnswer::Cancel};
        w->comsave_Click();
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
        w->comsave_Click();
        QCOMPARE(m_svc->texts().last(), QStringLiteral("增加的学生已存在，你真得要替换此学生信息吗？"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("信息提示："));
        QVERIFY(db.students().contains(QStringLiteral("A1|李四|3|1|3")));
        m_svc->answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        w->comsave_Click();
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
        w->Txtfields[0]->setText(QStringLiteral("A2"));
        w->Txtfields[1]->setText(QStringLiteral("李 四"));
        m_svc->clear();
        w->comsave_Click();
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学生要存盘吗？")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("修改学生："));
        QVERIFY(db.students().contains(QStringLiteral("A2|李 四|3|1|3")));
        QVERIFY(!db.students().join(',').contains(QStringLiteral("A1|")));
        QCOMPARE(db.examRows(), (QStringList{"240101080000|A2|李四", "240101080000|C2|赵六", "240301080000|A2|李四"}));
        QVERIFY(w->ProgressBar1->isHidden());
        QCOMPARE(w->editmode(), 2);

        // A number another student has is refused.
        clickStudent(*w, QStringLiteral("A2"));
        w->commodi_Click();
        w->Txtfields[0]->setText(QStringLiteral("c2"));
        m_svc->clear();
        w->comsave_Click();
        QCOMPARE(m_svc->texts().last(), QStringLiteral("“C2”学生已存在，无法修改学生信息！"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("信息提示："));
        QVERIFY(db.students().contains(QStringLiteral("A2|李 四|3|1|3")));

        // Only the letter case changed: not a new number; only names are rewritten.
        w->Txtfields[0]->setText(QStringLiteral("a2"));
        w->Txtfields[1]->setText(QStringLiteral("李四"));
        w->comsave_Click();
        QVERIFY(db.students().contains(QStringLiteral("A2|李四|3|1|3")));
        QCOMPARE(db.examRows().first(), QStringLiteral("240101080000|A2|李四"));

        // Cancel at the question: buttons back, nothing written.
        clickStudent(*w, QStringLiteral("C2"));
        w->Txtfields[1]->setText(QStringLiteral("改名"));
        m_svc->answers = {MsgAnswer::Cancel};
        w->comsave_Click();
        QVERIFY(w->comadd->isEnabled() && w->commodi->isEnabled() && w->comdele->isEnabled() && !w->comsave->isEnabled());
        QVERIFY(db.students().contains(QStringLiteral("C2|赵六|5|7|1")));

        // The student's row is gone meanwhile.
        QVERIFY(execSql(QSqlDatabase::database(QStringLiteral("tst-cohort")), QStringLiteral("DELETE FROM stinfo WHERE stid='C2'")));
        m_svc->clear();
        w->comsave_Click();
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
        w->comadd_Click();
        w->Txtfields[0]->setText(QStringLiteral("X' OR '1'='1"));
        w->Txtfields[1]->setText(QStringLiteral("注入"));
        w->comsave_Click();
        QVERIFY(db.students().contains(QStringLiteral("X'OR'1'='1|注入|0|0|0")));
        QCOMPARE(db.students().size(), 6);

        // Renaming the quoted number touches only its own rows.
        clickStudent(*w, QStringLiteral("Q'1"));
        w->Txtfields[0]->setText(QStringLiteral("Q'2"));
        w->comsave_Click();
        QVERIFY(db.students().contains(QStringLiteral("Q'2|引号|1|1|1")));
        QCOMPARE(db.examRows(), (QStringList{"240101080000|A1|李四", "240101080000|C2|赵六", "240101080000|Q'2|引号",
                                             "240301080000|A1|李四"}));

        // Deleting the SQL-text number deletes that student only.
        clickStudent(*w, QStringLiteral("X'OR'1'='1"));
        w->comdele_Click();
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
        w->comdele_Click();
        QCOMPARE(db.students().size(), 3);
        QCOMPARE(db.examRows(), exams);
        QCOMPARE(gridColumn(*w, 1), (QStringList{"B01", "C2", "K315"}));
        QCOMPARE(w->Txtfields[0]->text(), QStringLiteral("A1")); // the editor keeps its texts
        QVERIFY(!w->comdele->isEnabled());

        m_svc->clear();
        m_svc->answers = {MsgAnswer::No};
        w->VsNetBut1_Click();
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("清空后的数据不可恢复，请慎重考虑?")});
        QCOMPARE(m_svc->messages[0].title, QStringLiteral("再次警告:"));
        QCOMPARE(m_svc->messages[0].buttons, MsgButtons::YesNo);
        QCOMPARE(db.students().size(), 3);
        m_svc->answers = {MsgAnswer::Yes};
        w->VsNetBut1_Click();
        QCOMPARE(m_svc->texts().last(), QStringLiteral("清空完毕!"));
        QCOMPARE(m_svc->messages.back().title, QStringLiteral("系统提示:"));
        QVERIFY(db.students().isEmpty());
        QCOMPARE(db.examRows(), exams);
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Label2->text(), QStringLiteral("当前没有学生名单!"));
    }

    void keyboard()
    {
        managst *w = open();
        w->Txtfields[0]->setFocus();
        w->Txtfields_KeyPress(0, 13);
        QCOMPARE(m_svc->lastText(), QStringLiteral("学号不能为空！"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[0]));
        QVERIFY(w->comsave->isEnabled()); // every key, Enter included, enables 保存
        // Real keys: typing, Enter moving on, and no button pressed.
        QTest::keyClicks(w->Txtfields[0], QStringLiteral("k77"));
        QTest::keyClick(w->Txtfields[0], Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[1]));
        m_svc->clear();
        QTest::keyClick(w->Txtfields[1], Qt::Key_Return);
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("学生姓名不能为空！")});
        QTest::keyClicks(w->Txtfields[1], QStringLiteral("abc"));
        QTest::keyClick(w->Txtfields[1], Qt::Key_Return);
        QTest::keyClick(w->Txtfields[2], Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[3]));
        QTest::keyClick(w->Txtfields[3], Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Combo4));
        QCOMPARE(CohortDb(m_path).students().size(), 4); // nothing saved by Enter

        // Up and Down; the caret goes to the end of the field that gains the focus.
        w->Txtfields[3]->setFocus();
        QTest::keyClick(w->Txtfields[3], Qt::Key_Up);
        QTest::keyClick(w->Txtfields[2], Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Txtfields[1]));
        QCOMPARE(w->Txtfields[1]->cursorPosition(), 3);
        QCOMPARE(w->Txtfields[1]->selectedText(), QString());

        // Down in the seat field, or Enter in the stream box, with 保存 off: add mode.
        clickStudent(*w, QStringLiteral("C2"));
        QCOMPARE(w->editmode(), 2);
        w->Txtfields_KeyUp(3, 40, 0);
        QCOMPARE(w->editmode(), 1);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->comsave));
        clickStudent(*w, QStringLiteral("C2"));
        w->Combo4->setFocus();
        QTest::keyClick(w->Combo4, Qt::Key_Return);
        QCOMPARE(w->editmode(), 1);
        QVERIFY(w->comsave->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->comsave));
        // With 保存 already on, the mode stays.
        clickStudent(*w, QStringLiteral("C2"));
        w->comsave->setEnabled(true);
        w->Combo4_KeyPress(13);
        QCOMPARE(w->editmode(), 2);

        // A new student typed from the keyboard alone: Enter through the fields, Enter on 保存.
        w->comadd_Click();
        QTest::keyClicks(w->Txtfields[0], QStringLiteral("9"));
        QTest::keyClick(w->Txtfields[0], Qt::Key_Return);
        QTest::keyClicks(w->Txtfields[1], QStringLiteral("Kim"));
        QTest::keyClick(w->Txtfields[1], Qt::Key_Return);
        QTest::keyClicks(w->Txtfields[2], QStringLiteral("4"));
        QTest::keyClick(w->Txtfields[2], Qt::Key_Return);
        QTest::keyClick(w->Txtfields[3], Qt::Key_Return);
        w->Combo4->setCurrentIndex(2);
        QTest::keyClick(w->Combo4, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->comsave));
        m_svc->clear();
        QTest::keyClick(w->comsave, Qt::Key_Return);
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
        w->comdele_Click();
        QVERIFY(!db.students().join(',').contains(QStringLiteral("长号")));
        QVERIFY(db.students().contains(QStringLiteral("ABCDEFGHIJKLMNO|短号|1|2|1")));

        // A name wider than the limit is refused at 保存, not stored cut; a long class is kept whole.
        clickStudent(*w, QStringLiteral("L1"));
        QCOMPARE(w->Txtfields[1]->text(), QStringLiteral("Alexandros"));
        QCOMPARE(w->Txtfields[2]->text(), QStringLiteral("12345"));
        w->Txtfields[3]->setText(QStringLiteral("7"));
        m_svc->clear();
        w->comsave_Click();
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("姓名长度过长！")});
        QVERIFY(db.students().contains(QStringLiteral("L1|Alexandros|12345|6|1")));
        // Shortened by the user, the name saves; the class stays as stored.
        w->Txtfields[1]->setFocus();
        w->Txtfields[1]->selectAll();
        QTest::keyClicks(w->Txtfields[1], QStringLiteral("Alex"));
        m_svc->clear();
        w->comsave_Click();
        QVERIFY(db.students().contains(QStringLiteral("L1|Alex|12345|7|1")));

        // After 新增 the typing limits hold again.
        w->comadd_Click();
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
        w->comsave_Click();
        QCOMPARE(m_svc->texts(), QStringList{QStringLiteral("修改的学生要存盘吗？")});
        QVERIFY(CohortDb(m_path).students().contains(QStringLiteral("C2|赵六钱|5|7|1")));
    }

    void keepsItsCohortAndReloadsFromDesignState()
    {
        managst *w = open();
        w->Txtfields[2]->setText(QStringLiteral("3"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findg1"));
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 3 班2位学生"));

        // Another cohort is chosen while the register is open: it only comes forward.
        gCohortYear = QStringLiteral("2021");
        gCohortDbFile = QStringLiteral("db2021.mdb");
        windows::show(QStringLiteral("managst"));
        QCOMPARE(w->windowTitle(), QStringLiteral("学生信息-->2020届"));
        QCOMPARE(w->cohortYear(), QStringLiteral("2020"));
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findg1"));
        QCOMPARE(w->Label1->text(), QStringLiteral("2020届 3 班2位学生"));
        w->comadd_Click();
        w->Txtfields[0]->setText(QStringLiteral("N1"));
        w->Txtfields[1]->setText(QStringLiteral("新生"));
        w->comsave_Click();
        QCOMPARE(CohortDb(m_path).students().size(), 5);
        QCOMPARE(CohortDb(m_data->cohortPath(QStringLiteral("db2021.mdb"))).students().size(), 0);

        // Closed and opened again (now for 2021): design state and the whole register.
        w->exitcom_Click();
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
        w->Toolbar2_ButtonMenuClick(QStringLiteral("findg1"));
        QVERIFY(!w->Label1->isHidden());
        m_svc->clear();
        m_svc->fileNames = {in};
        m_svc->answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes}; // the file, no clearing, append
        w->comminput_Click();
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
        w->VsNetBut2_Click();
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
        w->comminput_Click();
        QVERIFY(m_svc->texts().contains(QStringLiteral("清空完毕!")));
        QCOMPARE(db.students().size(), 6);
        QCOMPARE(db.examRows().size(), 3);
    }

private:
    ScriptedServices *m_svc = nullptr;
    std::unique_ptr<TempData> m_data;
    QString m_path;
};

// "--show" opens the register on a small sample cohort instead of running the tests, so that the
// window can be looked at (screenshots).
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    if (argc > 1 && QByteArray(argv[1]) == "--show") {
        registerShellWindows();
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
