// Start-up, main window dispatch, the cohort chooser and the database-opening rules.
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/load.h"
#include "shell/main.h"
#include "shell/register.h"
#include "shell/selectyear.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QSqlQuery>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;
using namespace quorvane::test;

namespace {
// Locks a folder's lock file as another holder would (LOCK_EX or LOCK_SH); the descriptor, or -1 when
// it is held.
int holdLock(const QString &path, int how = LOCK_EX)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0 && ::flock(fd, how | LOCK_NB) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

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
// The button the main window's toolbar shows for one of its actions.
QAbstractButton *toolBarButton(main *m, QAction *action)
{
    return qobject_cast<QAbstractButton *>(m->VsToolBar1->widgetForAction(action));
}
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
        QVERIFY(press(toolBarButton(m, m->toolButton(QStringLiteral("l_gkcjdz")))));
        QCOMPARE(gFunctionCode, quint8(11));
        windows::unload(QStringLiteral("selectyear"));
        gFunctionCode = 0;
        m->VsToolBar1_ButtonClick(9, QStringLiteral("l_ggcjdz")); // the menu's name is not a key
        QCOMPARE(gFunctionCode, quint8(0));
        QVERIFY(press(toolBarButton(m, m->toolButton(QStringLiteral("help")))));
        QCOMPARE(s.helpOpened.size(), 1);
        QVERIFY(s.helpOpened.first().endsWith(QStringLiteral("/help.chm")));
        QVERIFY(s.messages.empty());
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, m->menuItem(QStringLiteral("m_quit"))->trigger());
    }

    void menuAndToolbarLayout()
    {
        auto &s = installScripted();
        TempData data;
        auto *m = windows::get<main>(QStringLiteral("main"));
        m->Show();
        // Each drop-down: its items' names and captions in order; coded items store their code.
        struct Item { const char *name; const char *caption; int code; };
        const struct { const char *menu; std::vector<Item> items; } menus[] = {
            {"m_jbsz", {{"m_xjsz", "学届设置", 0}, {"m_xxsx", "学生信息", 1}}},
            {"m_kcgl", {{"m_kcsz", "考场设置", 0}, {"m_ksbp", "考场编排", 2}, {"m_bbdy", "编班打印", 3}}},
            {"m_kscj", {{"m_gkksxx", "各科考试信息", 4}, {"m_kscjsl", "考试成绩输入", 5}}},
            {"m_cjtj", {{"m_dktj", "单科统计", 6}, {"m_zftj", "总分统计", 7}}},
            {"m_cjdy", {{"m_dkcjc", "单科成绩册", 8}, {"m_gkcjc", "各科成绩册", 9}, {"m_pjcjc", "平均成绩册", 10}}},
            {"m_cjfx", {{"m_ggcjdz", "各科成绩对照", 11}, {"m_cjfdtj", "成绩分段统计", 12}}},
        };
        for (const auto &menu : menus) {
            QMenu *dropDown = m->menuItem(QLatin1String(menu.menu))->menu();
            QVERIFY2(dropDown, menu.menu);
            const QList<QAction *> actions = dropDown->actions();
            QCOMPARE(actions.size(), qsizetype(menu.items.size()));
            for (size_t i = 0; i < menu.items.size(); ++i) {
                const Item &it = menu.items[i];
                QCOMPARE(actions[qsizetype(i)], m->menuItem(QLatin1String(it.name)));
                QCOMPARE(actions[qsizetype(i)]->text(), QString::fromUtf8(it.caption));
                if (it.code == 0)
                    continue;
                gFunctionCode = 0;
                actions[qsizetype(i)]->trigger();
                QCOMPARE(int(gFunctionCode), it.code);
                QVERIFY(windows::find(QStringLiteral("selectyear"))->isVisible());
                windows::unload(QStringLiteral("selectyear"));
            }
        }
        gFunctionCode = 0;
        m->menuItem(QStringLiteral("m_cjbq"))->trigger();
        QCOMPARE(int(gFunctionCode), 13);
        windows::unload(QStringLiteral("selectyear"));

        // The toolbar: a separator, eight coded buttons and help, each with its caption as tooltip.
        const QList<QAction *> buttons = m->VsToolBar1->actions();
        QCOMPARE(buttons.size(), 10);
        QVERIFY(buttons[0]->isSeparator());
        const struct { const char *caption; const char *key; int code; } tools[] = {
            {"考试成绩输入", "l_kscjsl", 5}, {"单科统计", "l_dktj", 6}, {"总分统计", "l_zftj", 7},
            {"单科成绩册", "l_dkcjc", 8}, {"各科成绩册", "l_gkcjc", 9}, {"平均成绩册", "l_pjcjc", 10},
            {"各科成绩对照", "l_gkcjdz", 11}, {"成绩分段统计", "l_cjfdtj", 12}, {"帮 助", "help", 0}};
        QCOMPARE(m->VsToolBar1->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        for (int i = 0; i < 9; ++i) {
            QAction *a = buttons[i + 1];
            QCOMPARE(a, m->toolButton(QLatin1String(tools[i].key)));
            QCOMPARE(a->text(), QString::fromUtf8(tools[i].caption));
            QCOMPARE(a->toolTip(), QString::fromUtf8(tools[i].caption));
            // The picture is drawn: its tile covers the middle of the button.
            const QImage picture = a->icon().pixmap(32, 32).toImage();
            QCOMPARE(picture.size(), QSize(32, 32));
            QCOMPARE(picture.pixelColor(16, 16).alpha(), 255);
            if (tools[i].code == 0)
                continue;
            gFunctionCode = 0;
            QVERIFY(press(toolBarButton(m, a)));
            QCOMPARE(int(gFunctionCode), tools[i].code);
            windows::unload(QStringLiteral("selectyear"));
        }
        // The two registers open directly, without the chooser.
        auto *g = new probe(QStringLiteral("grad1"));
        windows::registerFactory(QStringLiteral("grad1"), [g] { return g; });
        auto *k = new probe(QStringLiteral("kcsz"));
        windows::registerFactory(QStringLiteral("kcsz"), [k] { return k; });
        m->menuItem(QStringLiteral("m_xjsz"))->trigger();
        m->menuItem(QStringLiteral("m_kcsz"))->trigger();
        QCOMPARE(g->loads, 1);
        QCOMPARE(k->loads, 1);
        QVERIFY(!windows::find(QStringLiteral("selectyear"))->isLoaded());
        QVERIFY(s.messages.empty());
        registerShellWindows(); // the real cohort register again for the other cases
    }

    void programEndsWithItsLastWindow()
    {
        installScripted();
        TempData data;
        windows::registerFactory(QStringLiteral("lister"), [] { return new lister; });
        auto *w = windows::get<lister>(QStringLiteral("lister"));
        auto *other = new probe(QStringLiteral("other"));
        windows::registerFactory(QStringLiteral("other"), [other] { return other; });

        // A window's own exit unloads it; while another window is open the program goes on.
        w->Show();
        other->Show();
        QTimer::singleShot(0, w, [w] { w->Unload(); });
        QTimer::singleShot(300, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QApplication::exec(), 7);
        QVERIFY(other->isVisible());

        // Closing the main window with its close box leaves the work windows open.
        auto *m = windows::get<main>(QStringLiteral("main"));
        m->Show();
        QVERIFY(m->close());
        QVERIFY(!m->isLoaded());
        QVERIFY(other->isVisible());

        // When the last window unloads, the program ends. (A stand-in end, 8, after a minute, ends
        // a program that went on; timers that outlive their loop are objects of this scope.)
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(8); });
        QTimer::singleShot(0, other, [other] { other->Unload(); });
        giveUp.start(60000);
        QCOMPARE(QApplication::exec(), 0);

        // The splash unloads itself and then shows the main window: the program goes on. Once the
        // main window shows, the test ends the loop itself (7) an event round later, after the check
        // whether the program ends.
        auto *splash = windows::get<load>(QStringLiteral("load"));
        QTimer shown;
        connect(&shown, &QTimer::timeout, qApp, [&] {
            const QWidget *m = windows::find(QStringLiteral("main"));
            if (splash->isLoaded() || !m || !m->isVisible())
                return;
            shown.stop();
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(7); });
        });
        splash->Show();
        shown.start(10);
        giveUp.start(60000);
        QCOMPARE(QApplication::exec(), 7);
        QVERIFY(!splash->isLoaded());
        QVERIFY(windows::find(QStringLiteral("main")) && windows::find(QStringLiteral("main"))->isVisible());
    }

    void messageBoxButtonsReadChinese()
    {
        DesktopServices desktop;
        QStringList seen;
        auto answer = [&seen](QMessageBox::StandardButton press) {
            QTimer::singleShot(0, qApp, [&seen, press] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                QStringList texts;
                for (QAbstractButton *b : box->buttons())
                    texts << b->text();
                texts.sort();
                seen << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') + texts.join(QLatin1Char(','));
                box->button(press)->click();
            });
        };
        answer(QMessageBox::Ok);
        QCOMPARE(desktop.message(QStringLiteral("请选择相应学届,然后确定！"), QStringLiteral("系统提示:"), MsgIcon::Exclamation, MsgButtons::Ok), MsgAnswer::Ok);
        answer(QMessageBox::Cancel);
        QCOMPARE(desktop.message(QStringLiteral("删除吗？"), QStringLiteral("系统提示："), MsgIcon::Question, MsgButtons::OkCancel), MsgAnswer::Cancel);
        answer(QMessageBox::Yes);
        QCOMPARE(desktop.message(QStringLiteral("清空吗？"), QStringLiteral("警告:"), MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::Yes);
        QCOMPARE(seen, (QStringList{QStringLiteral("系统提示:|请选择相应学届,然后确定！|确定"),
                                    QStringLiteral("系统提示：|删除吗？|取消,确定"),
                                    QStringLiteral("警告:|清空吗？|否,是")}));

        // Enter presses the default button: 否 or 取消 where the answer destroys data, else 是 or 确定.
        QStringList defaults;
        auto pressEnter = [&defaults] {
            QTimer::singleShot(0, qApp, [&defaults] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                defaults << (box->defaultButton() ? box->defaultButton()->text() : QString());
                QTest::keyClick(box, Qt::Key_Return);
            });
        };
        pressEnter();
        QCOMPARE(desktop.question(QStringLiteral("原有的学生信息要清空吗(同信息相关的数据将一并删除)?"), QStringLiteral("严重警告:"),
                                  MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No),
                 MsgAnswer::No);
        pressEnter();
        QCOMPARE(desktop.question(QStringLiteral("确实要删除此学届吗？该学届所有数据将被删除！"), QStringLiteral("严重警告："),
                                  MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Cancel),
                 MsgAnswer::Cancel);
        pressEnter();
        QCOMPARE(desktop.message(QStringLiteral("是否进行新增操作?"), QStringLiteral("重要提示:"), MsgIcon::Question, MsgButtons::YesNo),
                 MsgAnswer::Yes);
        QCOMPARE(defaults, (QStringList{QStringLiteral("否"), QStringLiteral("取消"), QStringLiteral("是")}));

        // A message belongs to the window the user works in and opens over it, also over a window
        // kept above all others.
        QWidget topmost;
        topmost.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        topmost.show();
        QApplication::setActiveWindow(&topmost);
        bool ownedAndAbove = false;
        QTimer::singleShot(0, qApp, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ownedAndAbove = box->parentWidget() == &topmost && box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            box->button(QMessageBox::Ok)->click();
        });
        desktop.message(QStringLiteral("分数超出范围！"), QStringLiteral("系统提示："), MsgIcon::Exclamation, MsgButtons::Ok);
        QVERIFY(ownedAndAbove);
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
        QVERIFY(press(c->command1));
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
        QTest::keyClick(c->Combo1->lineEdit(), Qt::Key_Escape); // Esc is a typed key too, shown once
        QCOMPARE(s.messages.size(), size_t(3));
        QTest::keyClick(c->Combo1, Qt::Key_Escape);
        QCOMPARE(s.messages.size(), size_t(4));
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应选项,不能手工输入！"));
        QVERIFY(c->isLoaded());
        QVERIFY(press(c->command1));
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应学届,然后确定！"));

        // Keys that type nothing are no typing: Tab leaves the list, the arrows choose in it.
        s.clear();
        c->Combo1->setCurrentIndex(0);
        c->Combo1->setFocus();
        QTest::keyClick(c->Combo1, Qt::Key_Down);
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2023"));
        QTest::keyClick(c->Combo1, Qt::Key_Tab);
        QVERIFY(s.messages.empty());
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2023"));
        // A key typed at the list itself shows the message once; pasting with Ctrl+V is typing too.
        QTest::keyClick(c->Combo1, Qt::Key_7);
        QCOMPARE(s.texts(), QStringList{QStringLiteral("请选择相应选项,不能手工输入！")});
        QCOMPARE(s.messages.back().title, QStringLiteral("系统提示:"));
        QCOMPARE(c->Combo1->currentText(), QString());
        QApplication::clipboard()->setText(QStringLiteral("2023"));
        QTest::keyClick(c->Combo1->lineEdit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(s.messages.size(), size_t(2));
        QCOMPARE(c->Combo1->currentText(), QString());
        // Chinese committed by an input method is typing as well.
        c->Combo1->setCurrentIndex(0);
        QInputMethodEvent ime;
        ime.setCommitString(QStringLiteral("届"));
        QApplication::sendEvent(c->Combo1->lineEdit(), &ime);
        QCOMPARE(s.messages.size(), size_t(3));
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应选项,不能手工输入！"));
        QCOMPARE(c->Combo1->currentText(), QString());

        // Pasted text with no item chosen counts as nothing chosen.
        c->Combo1->setCurrentIndex(-1);
        c->Combo1->setEditText(QStringLiteral("2023"));
        QVERIFY(press(c->command1));
        QCOMPARE(s.lastText(), QStringLiteral("请选择相应学届,然后确定！"));
        QVERIFY(gCohortDbFile.isEmpty());

        // Back keeps the variables.
        QVERIFY(press(c->exitcom));
        QVERIFY(!c->isLoaded());
        QCOMPARE(gCohortYear, QStringLiteral("2099"));

        // OK opens the function's window for the chosen cohort and closes the chooser: Enter in the
        // list leads to 确定, and Enter there confirms.
        gCohortYear = QStringLiteral("2023");
        c->Show();
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2023"));
        QApplication::setActiveWindow(c);
        c->Combo1->setFocus();
        QTest::keyClick(c->Combo1, Qt::Key_Return);
        QVERIFY(c->isLoaded());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(c->command1));
        QTest::keyClick(c->command1, Qt::Key_Return);
        QCOMPARE(gCohortDbFile, QStringLiteral("db2023.mdb"));
        QVERIFY(!c->isLoaded());
        QCOMPARE(p->loads, 1);
        QCOMPARE(p->cohortAtLoad, QStringLiteral("2023"));
        // The same function for another cohort only brings the open window forward.
        c->Show();
        c->Combo1->setCurrentIndex(0);
        QVERIFY(press(c->command1));
        QCOMPARE(gCohortYear, QStringLiteral("2024"));
        QCOMPARE(p->loads, 1);
        QCOMPARE(p->cohortAtLoad, QStringLiteral("2023"));

        // A second function chosen while the chooser is open: it comes forward as it is, and OK
        // opens the function chosen last.
        auto *m = windows::get<main>(QStringLiteral("main"));
        m->Show();
        m->menuItem(QStringLiteral("m_zftj"))->trigger();
        c->Combo1->setCurrentIndex(1);
        auto *mk = new probe(QStringLiteral("makea"));
        windows::registerFactory(QStringLiteral("makea"), [mk] { return mk; });
        m->menuItem(QStringLiteral("m_dktj"))->trigger();
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2023"));
        QCOMPARE(c->Combo1->count(), 2);
        QVERIFY(press(c->command1));
        QCOMPARE(mk->loads, 1);
        QCOMPARE(mk->cohortAtLoad, QStringLiteral("2023"));

        // A code outside 1..13 opens nothing; the cohort is taken and the chooser closes.
        gFunctionCode = 14;
        c->Show();
        c->Combo1->setCurrentIndex(0);
        QVERIFY(press(c->command1));
        QVERIFY(!c->isLoaded());
        QCOMPARE(gCohortYear, QStringLiteral("2024"));
        QCOMPARE(gCohortDbFile, QStringLiteral("db2024.mdb"));
        QCOMPARE(mk->loads, 1);
        QCOMPARE(p->loads, 1);
    }

    void chooserCohortWithoutFile()
    {
        auto &s = installScripted();
        TempData data;
        QSqlDatabase db;
        QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t"), &db));
        QVERIFY(execSql(db, QStringLiteral("INSERT INTO dbsystable(dbyear, bjsum, startbj) VALUES(?,?,?)"),
                        {QStringLiteral("2021"), 8, 1}));
        closeDatabase(db);
        gCohortYear = QStringLiteral("2020");
        gCohortDbFile = QStringLiteral("db2020.mdb");
        gFunctionCode = 1;
        auto *c = windows::get<selectyear>(QStringLiteral("selectyear"));
        c->Show();
        QCOMPARE(c->Combo1->currentText(), QStringLiteral("2021"));
        QVERIFY(press(c->command1));
        QCOMPARE(s.lastText(), QStringLiteral("您选择2021学届,服务器中对应的数据库不存在！"));
        QCOMPARE(s.messages.back().title, QStringLiteral("出错提示:"));
        QCOMPARE(s.messages.back().icon, MsgIcon::Exclamation);
        QVERIFY(c->isVisible()); // the chooser stays open, the cohort stays as it was
        QCOMPARE(gCohortYear, QStringLiteral("2020"));
        QCOMPARE(gCohortDbFile, QStringLiteral("db2020.mdb"));
        QVERIFY(!windows::find(QStringLiteral("managst")) || !windows::find(QStringLiteral("managst"))->isLoaded());
    }

    void chooserEndsProgramOnBadSystemDatabase()
    {
        auto &s = installScripted();
        TempData data;
        QVERIFY(QFile::remove(data.systemPath()));
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
        QVERIFY(QFile::remove(data.systemPath()));
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

    void connectionsAndWriteConflicts()
    {
        installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        const QString path = data.cohortPath(QStringLiteral("db2023.mdb"));
        QSqlDatabase a, b;
        QVERIFY(openDatabase(path, DbKind::Cohort, QStringLiteral("a"), &a));
        QVERIFY(openDatabase(path, DbKind::Cohort, QStringLiteral("b"), &b));
        QSqlQuery mode = prepare(a, QStringLiteral("PRAGMA journal_mode"));
        QVERIFY(mode.exec() && mode.next());
        QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
        mode = QSqlQuery();
        {
            // While one window's run holds a write, another window's write fails at once and
            // changes nothing; reading still works.
            Transaction t(a);
            QVERIFY(t.active());
            QVERIFY(execSql(a, QStringLiteral("INSERT INTO stinfo(stid) VALUES(?)"), {QStringLiteral("A1")}));
            QString err;
            QVERIFY(!execSql(b, QStringLiteral("INSERT INTO stinfo(stid) VALUES(?)"), {QStringLiteral("B1")}, &err));
            QVERIFY2(err == QStringLiteral("数据库正被其他窗口或程序使用"), qPrintable(err));
            QSqlQuery r = prepare(b, QStringLiteral("SELECT count(*) FROM stinfo"));
            QVERIFY(r.exec() && r.next());
            QCOMPARE(r.value(0).toInt(), 0);
            // Not committed: the transaction rolls back when it ends.
        }
        QSqlQuery r = prepare(b, QStringLiteral("SELECT count(*) FROM stinfo"));
        QVERIFY(r.exec() && r.next());
        QCOMPARE(r.value(0).toInt(), 0);
        r = QSqlQuery();
        closeDatabase(a);
        closeDatabase(b);

        // The template stays a whole file in rollback-journal mode (a plain copy is a database).
        QFile tpl(data.folder() + QStringLiteral("dbyear.mdb"));
        QVERIFY(tpl.open(QIODevice::ReadOnly));
        const QByteArray header = tpl.read(20);
        QCOMPARE(int(header.at(18)), 1);
        QCOMPARE(int(header.at(19)), 1);

        // A data folder whose path holds blanks, Chinese and URI characters opens all the same.
        QTemporaryDir odd(QDir::tempPath() + QStringLiteral("/数据 #1?%20&x-XXXXXX"));
        QVERIFY(odd.isValid());
        const QString oddPath = odd.path() + QStringLiteral("/db 2023#.mdb");
        QVERIFY(QFile::copy(path, oddPath));
        QSqlDatabase c;
        QVERIFY(openDatabase(oddPath, DbKind::Cohort, QStringLiteral("c"), &c));
        QVERIFY(execSql(c, QStringLiteral("INSERT INTO stinfo(stid) VALUES(?)"), {QStringLiteral("C1")}));
        QVERIFY(isDatabaseOpen(oddPath));
        closeDatabase(c);
        QVERIFY(!QFile::exists(odd.path() + QStringLiteral("/db 2023")));
        QCOMPARE(QDir(odd.path()).entryList(QStringList{QStringLiteral("*.mdb")}, QDir::Files),
                 QStringList{QStringLiteral("db 2023#.mdb")});
        // A file of another kind is no database of ours, and opening it creates nothing.
        QVERIFY(!openDatabase(data.systemPath(), DbKind::Cohort, QStringLiteral("d"), &c));
        QVERIFY(!openDatabase(odd.path() + QStringLiteral("/none.mdb"), DbKind::Cohort, QStringLiteral("d"), &c));
        QVERIFY(!QFile::exists(odd.path() + QStringLiteral("/none.mdb")));
    }

    void schemaOfTheShippedDatabases()
    {
        installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        // Every table with its columns in order and their kinds: T text, R real, I integer, C counter.
        auto per = [](std::initializer_list<std::pair<const char *, char>> prefixes, int from, int to) {
            QList<QPair<QString, char>> cols;
            for (int k = from; k <= to; ++k)
                for (const auto &p : prefixes)
                    cols << qMakePair(QLatin1String(p.first) + QString::number(k), p.second);
            return cols;
        };
        QList<QPair<QString, char>> kcbpb{{QStringLiteral("id"), 'T'}, {QStringLiteral("name"), 'T'}, {QStringLiteral("num"), 'R'},
                                          {QStringLiteral("bpid"), 'T'}, {QStringLiteral("year"), 'T'}, {QStringLiteral("grade"), 'R'},
                                          {QStringLiteral("kcid"), 'T'}};
        kcbpb += per({{"kstime", 'T'}, {"kgfs", 'R'}, {"zgfs", 'R'}, {"allfs", 'R'}, {"kstype", 'I'}, {"kmflag", 'I'},
                      {"cjlock", 'I'}, {"cjinput", 'I'}, {"zfjsa", 'I'}, {"zfjsb", 'I'}}, 1, 12);
        QList<QPair<QString, char>> stucj{{QStringLiteral("id"), 'T'}, {QStringLiteral("stid"), 'T'}, {QStringLiteral("name"), 'T'},
                                          {QStringLiteral("bj"), 'I'}, {QStringLiteral("zh"), 'I'}, {QStringLiteral("wlflag"), 'I'},
                                          {QStringLiteral("kcbj"), 'T'}, {QStringLiteral("kczh"), 'I'}};
        stucj += per({{"kea", 'R'}}, 1, 12);
        stucj += per({{"keb", 'R'}}, 1, 12);
        stucj += per({{"ke", 'R'}}, 1, 12);
        stucj += QList<QPair<QString, char>>{{QStringLiteral("kealla"), 'R'}, {QStringLiteral("keallb"), 'R'},
                                             {QStringLiteral("zfbjnoa"), 'I'}, {QStringLiteral("zfbjnob"), 'I'},
                                             {QStringLiteral("zftlnoa"), 'I'}, {QStringLiteral("zftlnob"), 'I'},
                                             {QStringLiteral("zfnjnoa"), 'I'}, {QStringLiteral("zfnjnob"), 'I'}};
        stucj += per({{"dkbjno", 'I'}, {"dktlno", 'I'}, {"dknjno", 'I'}}, 1, 12);
        const struct { QString file; QString table; QList<QPair<QString, char>> cols; } tables[] = {
            {data.systemPath(), QStringLiteral("dbsystable"),
             {{QStringLiteral("dbyear"), 'T'}, {QStringLiteral("dbname"), 'T'}, {QStringLiteral("bjsum"), 'R'}, {QStringLiteral("startbj"), 'R'}}},
            {data.systemPath(), QStringLiteral("kcszb"),
             {{QStringLiteral("id"), 'T'}, {QStringLiteral("address"), 'T'}, {QStringLiteral("type"), 'I'}, {QStringLiteral("rs"), 'R'}}},
            {data.systemPath(), QStringLiteral("kcbpb"), kcbpb},
            {data.cohortPath(QStringLiteral("db2023.mdb")), QStringLiteral("stinfo"),
             {{QStringLiteral("id"), 'C'}, {QStringLiteral("stid"), 'T'}, {QStringLiteral("stname"), 'T'}, {QStringLiteral("stclass"), 'R'},
              {QStringLiteral("stclassno"), 'R'}, {QStringLiteral("keflag"), 'I'}}},
            {data.cohortPath(QStringLiteral("db2023.mdb")), QStringLiteral("stucj"), stucj},
            {data.cohortPath(QStringLiteral("db2023.mdb")), QStringLiteral("pdinfo"), {{QStringLiteral("stid"), 'T'}}},
        };
        QSqlDatabase db;
        for (const auto &t : tables) {
            QVERIFY(openDatabase(t.file, t.file == data.systemPath() ? DbKind::System : DbKind::Cohort, QStringLiteral("schema"), &db));
            QSqlQuery q = prepare(db, QStringLiteral("SELECT name, type, dflt_value, pk FROM pragma_table_info(?)"), {t.table});
            QVERIFY(q.exec());
            QList<QPair<QString, char>> got;
            while (q.next()) {
                QVERIFY2(q.value(2).isNull(), qPrintable(t.table + QLatin1Char('.') + q.value(0).toString())); // no defaults
                const QString type = q.value(1).toString().toUpper();
                const char kind = q.value(3).toInt() ? 'C' : type.startsWith(QLatin1String("TEXT")) ? 'T'
                                : type == QLatin1String("REAL") ? 'R' : type == QLatin1String("INTEGER") ? 'I' : '?';
                got << qMakePair(q.value(0).toString(), kind);
            }
            q = QSqlQuery();
            QCOMPARE(got, t.cols);
            // Text columns compare without regard to case.
            for (const auto &c : t.cols) {
                if (c.second != 'T')
                    continue;
                QVERIFY(execSql(db, QStringLiteral("DELETE FROM ") + t.table));
                QVERIFY(execSql(db, QStringLiteral("INSERT INTO %1(%2) VALUES(?)").arg(t.table, c.first), {QStringLiteral("Ab")}));
                QSqlQuery m = prepare(db, QStringLiteral("SELECT count(*) FROM %1 WHERE %2=?").arg(t.table, c.first), {QStringLiteral("aB")});
                QVERIFY(m.exec() && m.next());
                QVERIFY2(m.value(0).toInt() == 1, qPrintable(t.table + QLatin1Char('.') + c.first));
            }
            closeDatabase(db);
        }
    }

    void openingTableForEveryWindow()
    {
        auto &s = installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        const QString cohort = QStringLiteral("db2023.mdb");
        // window, opens cohort, opens system, closes cohort at unload, closes system at unload
        const struct { const char *window; bool cohort, system, closeCohort, closeSystem; } rows[] = {
            {"grad1", false, true, false, true},      {"kcsz", false, true, false, true},
            {"gkksxx", false, true, false, true},     {"managst", true, false, false, false},
            {"kcbp", true, true, true, true},         {"bpdy", true, true, true, true},
            {"bpdy2", true, true, true, true},        {"make", true, true, true, true},
            {"makea", true, true, true, true},        {"cjintool", true, true, true, true},
            {"dkcj", true, true, true, true},         {"gkcj", true, true, true, true},
            {"average", true, true, true, true},      {"fdtj", true, true, true, true},
            {"cjbq", true, true, true, true},         {"gkdz", true, true, false, false},
        };
        for (const auto &r : rows) {
            const QString name = QLatin1String(r.window);
            WindowDatabases dbs(name);
            QVERIFY2(dbs.open(cohort), r.window);
            QCOMPARE(dbs.cohort.isOpen(), r.cohort);
            QCOMPARE(dbs.system.isOpen(), r.system);
            dbs.closeAtUnload();
            QCOMPARE(dbs.cohort.isOpen(), r.cohort && !r.closeCohort);
            QCOMPARE(dbs.system.isOpen(), r.system && !r.closeSystem);
            dbs.closeAll();
            QVERIFY(s.messages.empty());
        }

        // A missing cohort file: the checking windows report it under "警告:" and end the program.
        for (const auto &r : rows) {
            if (!r.cohort || QLatin1String(r.window) == QLatin1String("kcbp"))
                continue;
            s.clear();
            WindowDatabases dbs(QLatin1String(r.window));
            QVERIFY_THROWS_EXCEPTION(ProgramEnded, dbs.open(QStringLiteral("db1999.mdb")));
            QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件db1999.mdb不存在!")});
            QCOMPARE(s.messages.back().title, QStringLiteral("警告:"));
            QCOMPARE(s.messages.back().icon, MsgIcon::Exclamation);
        }
        // The exam register reports it too, and its window closes instead of ending the program.
        s.clear();
        WindowDatabases kcbp(QStringLiteral("kcbp"));
        QVERIFY(!kcbp.open(QStringLiteral("db1999.mdb")));
        QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件db1999.mdb不存在!")});

        // A missing system database.
        QVERIFY(QFile::remove(data.systemPath()));
        for (const auto &r : rows) {
            if (!r.system)
                continue;
            const QString name = QLatin1String(r.window);
            s.clear();
            WindowDatabases dbs(name);
            if (name == QLatin1String("grad1") || name == QLatin1String("kcsz")) {
                QVERIFY(!dbs.open(cohort));
                QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件“newclasssys.mdb”错误！")});
                QCOMPARE(s.messages.back().title, QStringLiteral("系统提示："));
            } else if (name == QLatin1String("kcbp")) {
                QVERIFY(!dbs.open(cohort));
                QVERIFY(!dbs.cohort.isValid()); // nothing stays open behind a window that closes
                QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件newclasssys.mdb不存在!")});
            } else {
                QVERIFY_THROWS_EXCEPTION(ProgramEnded, dbs.open(cohort));
                QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件newclasssys.mdb不存在!")});
                QCOMPARE(s.messages.back().title, QStringLiteral("警告:"));
            }
            dbs.closeAll();
        }
        QVERIFY(!QFile::exists(data.systemPath())); // no window creates it
    }

    void programEndWritesEveryLogBack()
    {
        installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        const QString path = data.cohortPath(QStringLiteral("db2023.mdb"));
        QTemporaryDir copies;
        // What a user who copies the .mdb alone gets.
        auto rowsInCopy = [&](const QString &name) {
            const QString copy = copies.path() + QLatin1Char('/') + name;
            return QFile::copy(path, copy) ? studentCount(copy) : -1;
        };
        // The student register holds a student in the log only (a write of the shared path would
        // be written back at once) and closes; its connection stays open, as does a report
        // window's system connection.
        WindowDatabases ms(QStringLiteral("managst"));
        QVERIFY(ms.open(QStringLiteral("db2023.mdb")));
        QVERIFY(prepare(ms.cohort, QStringLiteral("INSERT INTO stinfo(stid, stname) VALUES(?,?)"), {QStringLiteral("A1"), QStringLiteral("张三")}).exec());
        ms.closeAtUnload();
        WindowDatabases gk(QStringLiteral("gkdz"));
        QVERIFY(gk.open(QStringLiteral("db2023.mdb")));
        QCOMPARE(rowsInCopy(QStringLiteral("before.mdb")), 0); // still in the log only

        // 系统退出 ends the program: every connection is closed, the logs are written back and removed.
        auto *m = windows::get<main>(QStringLiteral("main"));
        m->Show();
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, m->menuItem(QStringLiteral("m_quit"))->trigger());
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
        QVERIFY(!QFile::exists(data.systemPath() + QStringLiteral("-wal")));
        QCOMPARE(rowsInCopy(QStringLiteral("after.mdb")), 1);

        // A long write ends with a checkpoint: the file alone holds it while the program runs on.
        QVERIFY(ms.open(QStringLiteral("db2023.mdb")));
        QVERIFY(execSql(ms.cohort, QStringLiteral("INSERT INTO stinfo(stid, stname) VALUES(?,?)"), {QStringLiteral("A2"), QStringLiteral("李四")}));
        QVERIFY(checkpoint(ms.cohort));
        QCOMPARE(rowsInCopy(QStringLiteral("running.mdb")), 2);
        ms.closeAll();
        gk.closeAll();
    }

    // A data file deleted, moved or replaced while a window holds it open: a write into it says so,
    // names what the window was saving, and ends the program; a write into a file in place passes,
    // also when the window's other file is gone.
    void movedDataFileEndsProgram_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("in place") << 0;
        QTest::newRow("file deleted") << 1;
        QTest::newRow("file replaced") << 2;
        QTest::newRow("folder renamed") << 3;
        QTest::newRow("folder deleted") << 4;
        QTest::newRow("the other file deleted") << 5;
    }
    void movedDataFileEndsProgram()
    {
        QFETCH(int, change);
        auto &s = installScripted();
        QTemporaryDir elsewhere;
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        WindowDatabases kcbp(QStringLiteral("kcbp"));
        QVERIFY(kcbp.open(QStringLiteral("db2023.mdb")));
        const QString path = data.cohortPath(QStringLiteral("db2023.mdb"));
        const QString folder = QDir(data.folder()).absolutePath();
        switch (change) {
        case 1: QVERIFY(QFile::remove(path)); break;
        case 2: QVERIFY(QFile::copy(path, path + QStringLiteral("2")) && QFile::remove(path) && QFile::rename(path + QStringLiteral("2"), path)); break;
        case 3: QVERIFY(QDir().rename(folder, elsewhere.filePath(QStringLiteral("moved")))); break;
        case 4: QVERIFY(QDir(folder).removeRecursively()); break;
        case 5: QVERIFY(QFile::remove(data.systemPath())); break;
        }
        const WriteScope saving(QStringLiteral("本次成绩"));
        auto write = [&] { return execSql(kcbp.cohort, QStringLiteral("INSERT INTO stinfo(stid) VALUES('A1')")); };
        if (change == 0 || change == 5) {
            QVERIFY(write());
            QVERIFY(s.messages.empty());
        } else {
            QVERIFY_THROWS_EXCEPTION(ProgramEnded, write());
            QCOMPARE(s.texts(), QStringList{QStringLiteral("数据文件“db2023.mdb”已被删除或移走，本次成绩未能保存！程序即将结束。")});
        }
        kcbp.closeAll();
    }

    // Opening a window on a full disk names the full disk (SQLite reports a read or write error).
    void fullDiskIsNamedWhenAWindowOpens()
    {
        auto &s = installScripted();
        SmallDisk disk;
        if (!disk.ok())
            QSKIP("no small disk can be mounted here");
        TempData data(disk.path());
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        WindowDatabases ms(QStringLiteral("managst"));
        QVERIFY(ms.open(QStringLiteral("db2023.mdb"))); // once, so the file is in its log mode as after any use
        ms.closeAll();
        QVERIFY(disk.fill(4096));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, ms.open(QStringLiteral("db2023.mdb")));
        QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件db2023.mdb无法写入：磁盘已满")});
    }

    void unwritableFileIsNamedAsSuch()
    {
        auto &s = installScripted();
        TempData data;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        // A read-only data folder with read-only files. Root may write anywhere, so a test run as
        // root looks at the folder as an ordinary user does.
        const QByteArray folder = QFile::encodeName(QDir(data.folder()).absolutePath());
        QVERIFY(::chmod(folder.constData(), 0555) == 0);
        for (const QString &f : {data.systemPath(), data.cohortPath(QStringLiteral("db2023.mdb"))})
            QVERIFY(::chmod(QFile::encodeName(f).constData(), 0444) == 0);
        const bool root = ::geteuid() == 0;
        if (root && ::seteuid(65534) != 0) {
            ::chmod(folder.constData(), 0755);
            QSKIP("cannot act as an ordinary user");
        }
        struct Restore
        {
            bool root;
            QByteArray folder;
            ~Restore()
            {
                if (root && ::seteuid(0) != 0)
                    qFatal("cannot return to root");
                ::chmod(folder.constData(), 0755);
            }
        } restore{root, folder};
        const QString why = QStringLiteral("文件或所在文件夹只读，没有写入权限");

        // A checking window: the message, then the program ends as for a missing file.
        WindowDatabases bp(QStringLiteral("bpdy"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, bp.open(QStringLiteral("db2023.mdb")));
        QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件db2023.mdb无法写入：") + why});
        QCOMPARE(s.messages.back().title, QStringLiteral("警告:"));
        // The exam register's window closes instead.
        s.clear();
        WindowDatabases kcbp(QStringLiteral("kcbp"));
        QVERIFY(!kcbp.open(QStringLiteral("db2023.mdb")));
        QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件db2023.mdb无法写入：") + why});
        // The system database: the cohort register closes, the chooser ends the program.
        s.clear();
        WindowDatabases g(QStringLiteral("grad1"));
        QVERIFY(!g.open());
        QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件newclasssys.mdb无法写入：") + why});
        QCOMPARE(s.messages.back().title, QStringLiteral("系统提示："));
        s.clear();
        WindowDatabases sy(QStringLiteral("selectyear"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, sy.open());
        QCOMPARE(s.texts(), QStringList{QStringLiteral("库文件newclasssys.mdb无法写入：") + why});
        bp.closeAll();
        kcbp.closeAll();
        g.closeAll();
        sy.closeAll();
    }

    // The program's lock excludes every other holder, one that shares as well as one that excludes.
    void oneRunningProgramPerDataFolder_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("exclusive holder") << LOCK_EX;
        QTest::newRow("shared holder") << LOCK_SH;
    }
    void oneRunningProgramPerDataFolder()
    {
        QFETCH(int, how);
        installScripted();
        // Whatever a lock file holds, a folder no running program holds starts: a lock written by
        // this program's earlier version on another computer (its fourth line the machine id), an
        // empty file, one left by a crash.
        for (const QByteArray &left : {QByteArray("4242\nquorvane\nother-pc\n0123456789abcdef0123456789abcdef\nfeed\n"), QByteArray()}) {
            TempData data;
            QFile file(dataFolderLockPath());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(left) == left.size());
            file.close();
            QCOMPARE(lockDataFolder(), FolderLock::Taken);
            // While this program runs, another holder of the folder is refused.
            QCOMPARE(holdLock(dataFolderLockPath(), how), -1);
        }

        // The built program started on a folder another program holds says so and ends before it
        // opens any database.
        const QString program = QStringLiteral(QUORVANE_PROGRAM);
        QTemporaryDir home(QFileInfo(program).absolutePath() + QStringLiteral("/tst-second-start-XXXXXX"));
        QVERIFY(home.isValid());
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("data")));
        const QString exe = home.path() + QStringLiteral("/quorvane");
        if (::link(QFile::encodeName(program).constData(), QFile::encodeName(exe).constData()) != 0)
            QVERIFY(QFile::copy(program, exe));
        const int running = holdLock(home.path() + QStringLiteral("/data/quorvane.lock"), how);
        QVERIFY(running >= 0);
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUORVANE_NO_DIALOGS"), QStringLiteral("1"));
        second.setProcessEnvironment(env);
        second.start(exe, {});
        QVERIFY(second.waitForStarted());
        const bool ended = second.waitForFinished(120000);
        if (!ended) {
            second.kill();
            second.waitForFinished();
        }
        QVERIFY2(ended, "the second program did not end");
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY(second.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(second.readAllStandardError()).contains(QStringLiteral("Quorvane 已在运行，请不要重复启动！")));
        QCOMPARE(QDir(home.path() + QStringLiteral("/data")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("quorvane.lock")});
        ::close(running);
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
