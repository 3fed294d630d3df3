// Start-up, main window dispatch, the cohort chooser and the database-opening rules.
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/load.h"
#include "shell/main.h"
#include "shell/register.h"
#include "shell/selectyear.h"
#include "testsupport.h"

#include <QFile>
#include <QLineEdit>
#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {
// A stand-in work window that records how it was loaded.
class probe : public Window
{
public:
    explicit probe(const QString &name) : Window(name) {}
    int loads = 0;
    QString cohortAtLoad;

protected:
    void createControls(QWidget *) override {}
    void Form_Load() override
    {
        ++loads;
        cohortAtLoad = gCohortYear;
    }
};

// A window whose list is filled at load, to check that every load starts from the design state.
class lister : public Window
{
public:
    lister() : Window(QStringLiteral("lister")) {}
    QComboBox *Combo1 = nullptr;
    bool unloadSelf = false;

protected:
    void createControls(QWidget *root) override { Combo1 = new QComboBox(root); }
    void Form_Load() override
    {
        Combo1->addItems({QStringLiteral("a"), QStringLiteral("b")});
        if (unloadSelf)
            Unload();
    }
};
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerShellWindows(); }

    void windowReloadStartsFromDesignState()
    {
        installScripted();
        TempData data;
        windows::registerFactory(QStringLiteral("lister"), [] { return new lister; });
        auto *w = windows::get<lister>(QStringLiteral("lister"));
        QVERIFY(w);
        QCOMPARE(windows::get(QStringLiteral("lister")), w); // one instance per name
        w->Show();
        QCOMPARE(w->Combo1->count(), 2);
        w->Combo1->setCurrentIndex(1);
        w->Show(); // already loaded: only raised, not loaded again
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->currentIndex(), 1);
        w->close(); // the close box unloads
        QVERIFY(!w->isLoaded());
        w->Show();
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->currentIndex(), 0);
        w->Unload();
        w->unloadSelf = true;
        w->Show();
        QVERIFY(!w->isLoaded());
        QVERIFY(!w->isVisible());
        // A name without a window shows nothing.
        windows::show(QStringLiteral("nosuchwindow"));
        QVERIFY(!windows::find(QStringLiteral("nosuchwindow")));
    }

    void splashTicksThenMainWindow()
    {
        installScripted();
        TempData data;
        auto *splash = windows::get<load>(QStringLiteral("load"));
        splash->Show();
        QVERIFY(splash->Timer1->isActive());
        QCOMPARE(splash->Timer1->interval(), 20);
        QCOMPARE(splash->XP_ProgressBar1->Max(), 50);
        // Drive the ticks by hand from a known start.
        splash->Timer1->stop();
        splash->Unload();
        splash->Load();
        splash->Timer1->stop();
        for (int i = 1; i < 50; ++i) {
            splash->Timer1_Timer();
            QCOMPARE(splash->XP_ProgressBar1->Value(), i);
        }
        QVERIFY(!windows::find(QStringLiteral("main")));
        splash->Timer1_Timer(); // the 50th tick closes the splash instead of showing 50
        QCOMPARE(splash->XP_ProgressBar1->Value(), 49);
        QVERIFY(!splash->isLoaded());
        QVERIFY(windows::find(QStringLiteral("main")));
        QVERIFY(windows::find(QStringLiteral("main"))->isVisible());
    }

    void mainWindowMenusAndToolbar()
    {
        auto &s = installScripted();
        TempData data;
        auto *m = windows::get<main>(QStringLiteral("main"));
        m->Show();
        QCOMPARE(m->windowTitle(), QStringLiteral("Quorvane(2008)"));
        const QList<QAction *> top = m->menuBar->actions();
        QStringList captions;
        for (QAction *a : top)
            captions << a->text();
        QCOMPARE(captions, (QStringList{QStringLiteral("基本设置"), QStringLiteral("考场管理"), QStringLiteral("考试成绩"),
                                        QStringLiteral("成绩统计"), QStringLiteral("成绩打印"), QStringLiteral("成绩分析"),
                                        QStringLiteral("成绩标签"), QStringLiteral("系统退出")}));
        QCOMPARE(m->menuItem(QStringLiteral("m_ggcjdz"))->text(), QStringLiteral("各科成绩对照"));
        QCOMPARE(m->toolButton(QStringLiteral("help"))->text(), QStringLiteral("帮 助"));

        // Coded items store the code and open the chooser; toolbar keys are compared exactly.
        m->menuItem(QStringLiteral("m_zftj"))->trigger();
        QCOMPARE(gFunctionCode, quint8(7));
        QVERIFY(windows::find(QStringLiteral("selectyear"))->isLoaded());
        windows::unload(QStringLiteral("selectyear"));
        m->toolButton(QStringLiteral("l_gkcjdz"))->trigger();
        QCOMPARE(gFunctionCode, quint8(11));
        windows::unload(QStringLiteral("selectyear"));
        gFunctionCode = 0;
        m->VsToolBar1_ButtonClick(9, QStringLiteral("l_ggcjdz")); // the menu's name is not a key
        QCOMPARE(gFunctionCode, quint8(0));
        m->toolButton(QStringLiteral("help"))->trigger();
        QCOMPARE(s.helpOpened.size(), 1);
        QVERIFY(s.helpOpened.first().endsWith(QStringLiteral("/help.chm")));
        QVERIFY(s.messages.empty());
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, m->menuItem(QStringLiteral("m_quit"))->trigger());
    }

    void chooserPreselection()
    {
        installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"));
        data.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"));
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        auto *c = windows::get<selectyear>(QStringLiteral("selectyear"));

        gCohortYear.clear(); // first use: the oldest
        c->Show();
        QCOMPARE(c->Combo1->count(), 3);
        QCOMPARE(c->Combo1->itemText(0), QStringLiteral("2024")); // newest first
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2022"));
        c->Unload();

        gCohortYear = QStringLiteral("2023"); // the current cohort
        c->Show();
        QCOMPARE(c->Combo1->count(), 3); // filled afresh, each entry once
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2023"));
        c->Unload();

        QSqlDatabase db;
        QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t"), &db));
        QVERIFY(execSql(db, QStringLiteral("DELETE FROM dbsystable WHERE dbyear=?"), {QStringLiteral("2023")}));
        closeDatabase(db);
        c->Show(); // the current one deleted: the next newer
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2024"));
        c->Unload();

        gCohortYear = QStringLiteral("2030"); // every year lower: none
        c->Show();
        QCOMPARE(c->Combo1->currentIndex(), -1);
        QCOMPARE(c->Combo1->currentText(), QString());
        c->Unload();
    }

    void chooserOkAndTyping()
    {
        auto &s = installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        data.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"));
        auto *p = new probe(QStringLiteral("managst"));
        windows::registerFactory(QStringLiteral("managst"), [p] { return p; });
        auto *c = windows::get<selectyear>(QStringLiteral("selectyear"));
        gFunctionCode = 1;

        // No cohort at all chosen: ask for one.
        gCohortYear = QStringLiteral("2099");
        c->Show();
        c->command1_Click();
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应学届,然后确定！"));
        QCOMPARE(s.messages.back().title, QStringLiteral("系统提示:"));
        QVERIFY(c->isLoaded());

        // Typing is refused and clears the text; Enter moves on without a message.
        s.clear();
        c->Combo1->setCurrentIndex(0);
        c->Combo1->setFocus();
        QTest::keyClick(c->Combo1->lineEdit(), Qt::Key_Return);
        QVERIFY(s.messages.empty());
        QTest::keyClick(c->Combo1->lineEdit(), Qt::Key_A);
        QCOMPARE(s.messages.size(), size_t(1));
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应选项,不能手工输入！"));
        QCOMPARE(c->Combo1->currentText(), QString());
        QTest::keyClick(c->Combo1->lineEdit(), Qt::Key_Backspace);
        QCOMPARE(s.messages.size(), size_t(2));
        c->command1_Click();
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应学届,然后确定！"));

        // Pasted text with no item chosen counts as nothing chosen.
        c->Combo1->setCurrentIndex(-1);
        c->Combo1->setEditText(QStringLiteral("2023"));
        c->command1_Click();
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应学届,然后确定！"));
        QVERIFY(gCohortDbFile.isEmpty());

        // Back keeps the variables.
        c->exitcom_Click();
        QVERIFY(!c->isLoaded());
        QCOMPARE(gCohortYear, QStringLiteral("2099"));

        // OK opens the function's window for the chosen cohort and closes the chooser.
        gCohortYear = QStringLiteral("2023");
        c->Show();
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2023"));
        c->command1_Click();
        QCOMPARE(gCohortDbFile, QStringLiteral("db2023.mdb"));
        QVERIFY(!c->isLoaded());
        QCOMPARE(p->loads, 1);
        QCOMPARE(p->cohortAtLoad, QStringLiteral("2023"));
        // The same function for another cohort only brings the open window forward.
        c->Show();
        c->Combo1->setCurrentIndex(0);
        c->command1_Click();
        QCOMPARE(gCohortYear, QStringLiteral("2024"));
        QCOMPARE(p->loads, 1);
        QCOMPARE(p->cohortAtLoad, QStringLiteral("2023"));
    }

    void chooserEndsProgramOnBadSystemDatabase()
    {
        auto &s = installScripted();
        TempData data;
        QFile::remove(data.systemPath());
        QFile f(data.systemPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Standard Jet DB\0\0\0 not sqlite", 30); // an old file of another format
        f.close();
        auto *c = windows::get<selectyear>(QStringLiteral("selectyear"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, c->Show());
        QCOMPARE(s.lastText(), QStringLiteral("newclasssys.mdb库文件有误!"));
        QCOMPARE(s.messages.back().title, QStringLiteral("警告:"));
    }

    void openingTable()
    {
        auto &s = installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));

        // A checking window with a missing cohort file: message with the file name, program ends.
        WindowDatabases bp(QStringLiteral("bpdy"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, bp.open(QStringLiteral("db1999.mdb")));
        QCOMPARE(s.lastText(), QStringLiteral("库文件db1999.mdb不存在!"));
        QCOMPARE(s.messages.back().title, QStringLiteral("警告:"));
        QVERIFY(!QFile::exists(data.cohortPath(QStringLiteral("db1999.mdb")))); // nothing created

        // Both present: both open, and unloading closes both.
        QVERIFY(bp.open(QStringLiteral("db2023.mdb")));
        QVERIFY(bp.cohort.isOpen());
        QVERIFY(bp.system.isOpen());
        QVERIFY(isDatabaseOpen(data.cohortPath(QStringLiteral("db2023.mdb"))));
        bp.closeAtUnload();
        QVERIFY(!bp.cohort.isValid());
        QVERIFY(!isDatabaseOpen(data.cohortPath(QStringLiteral("db2023.mdb"))));

        // The student register does not close its cohort database at unload.
        WindowDatabases ms(QStringLiteral("managst"));
        QVERIFY(ms.open(QStringLiteral("db2023.mdb")));
        ms.closeAtUnload();
        QVERIFY(ms.cohort.isOpen());
        ms.closeAll();

        // The registers: a broken system database is a message and the window unloads; the program goes on.
        QFile::remove(data.systemPath());
        s.clear();
        WindowDatabases g(QStringLiteral("grad1"));
        QVERIFY(!g.open());
        QCOMPARE(s.lastText(), QStringLiteral("库文件“newclasssys.mdb”错误！"));
        QCOMPARE(s.messages.back().title, QStringLiteral("系统提示："));
        QVERIFY(!QFile::exists(data.systemPath()));

        WindowDatabases gk(QStringLiteral("gkksxx"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, gk.open());
        QCOMPARE(s.lastText(), QStringLiteral("库文件newclasssys.mdb不存在!"));
    }

    void valuesAreBoundNotJoined()
    {
        installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        QSqlDatabase db;
        QVERIFY(openDatabase(data.cohortPath(QStringLiteral("db2023.mdb")), DbKind::Cohort, QStringLiteral("t"), &db));
        const QString evil = QStringLiteral("x' OR '1'='1");
        QVERIFY(execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname) VALUES(?, ?)"), {evil, QStringLiteral("甲")}));
        QVERIFY(execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname) VALUES(?, ?)"), {QStringLiteral("A100"), QStringLiteral("乙")}));
        QSqlQuery q = prepare(db, QStringLiteral("SELECT count(*) FROM stinfo WHERE stid=?"), {evil});
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        // Text compares without regard to case; LIKE wildcards in user text are literal.
        q = prepare(db, QStringLiteral("SELECT count(*) FROM stinfo WHERE stid=?"), {QStringLiteral("a100")});
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        q = prepare(db, QStringLiteral("SELECT count(*) FROM stinfo WHERE stid LIKE ? ESCAPE '\\'"),
                    {QStringLiteral("%") + likeEscape(QStringLiteral("%")) + QStringLiteral("%")});
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        q = QSqlQuery();
        closeDatabase(db);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
