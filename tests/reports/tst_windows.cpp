// What every window shares: where it opens and at what size, the size and place it keeps while
// loaded, the controls it gives up when it closes, the colour of its progress bar and the heading
// of a report grid before the first query.
#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "reports/gkcj.h"
#include "reports/register.h"
#include "shell/globals.h"
#include "shell/managst.h"
#include "shell/selectyear.h"
#include "shell/register.h"
#include "reporttest.h"
#include "testsupport.h"

#include <QPointer>
#include <QTimer>
#include <QStyleOptionButton>
#include <QToolBar>
#include <QWindow>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

// A bare window: the main window's stand-in, and a window sized by its constructor.
class Plain : public Window
{
public:
    explicit Plain(const QString &name, QSize size = QSize()) : Window(name)
    {
        if (size.isValid())
            resize(size);
    }

protected:
    void createControls(QWidget *) override {}
};

// Runs what waits for the event loop, the release of unloaded controls included.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Whether the style draws the button's focus frame: it has the focus, and its window's focus was
// moved by the keyboard.
bool showsFocusFrame(QPushButton *b)
{
    QStyleOptionButton opt;
    opt.initFrom(b);
    return b->hasFocus() && (opt.state & QStyle::State_HasFocus) && (opt.state & QStyle::State_KeyboardFocusChange);
}

// Moves and resizes the window as the user does, through the window system rather than through
// the widget (which would make the geometry the program's own).
void userSetsGeometry(QWidget *w, const QRect &r)
{
    w->windowHandle()->setGeometry(r);
    QTRY_COMPARE(w->geometry(), r);
}

} // namespace

class WindowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        registerShellWindows();
        registerReportsWindows();
    }

    void progressBarsWearTheHostColour()
    {
        ScoreBookFixture f;
        for (const char *name : {"managst", "average", "dkcj", "fdtj", "gkdz"}) {
            Window *w = windows::get(QLatin1String(name));
            QVERIFY2(w, name);
            w->Load();
            const auto bars = w->findChildren<XP_ProgressBar *>();
            QVERIFY2(!bars.isEmpty(), name);
            for (const XP_ProgressBar *bar : bars)
                QVERIFY2(bar->Color() == XP_ProgressBar::kHostColor, name);
            w->Unload();
        }
    }

    void reportGridsShowTheirHeadingBeforeTheFirstQuery()
    {
        ScoreBookFixture f;
        const struct { const char *name; int col; const char *heading; } cases[] = {
            {"average", 1, "    班   级"}, {"fdtj", 1, "    班级名称"}, {"gkdz", 3, " 实考数"},
            {"gkcj", 1, "    学   号"},  {"cjbq", 3, "座号"},          {"dkcj", 3, "   姓 名"}};
        for (const auto &c : cases) {
            auto *w = dynamic_cast<ReportWindow *>(windows::get(QLatin1String(c.name)));
            QVERIFY2(w, c.name);
            w->Load();
            const Grid *g = w->Grid1;
            QCOMPARE(g->Rows(), 1);
            QVERIFY2(g->Cols() > c.col, c.name);
            QCOMPARE(g->TextMatrix(0, c.col), QString::fromUtf8(c.heading));
            // What the header shows is that heading, never a column number of its own.
            for (int col = 0; col < g->Cols(); ++col)
                QCOMPARE(g->model()->headerData(col, Qt::Horizontal).toString(), g->TextMatrix(0, col));
            QCOMPARE(g->model()->headerData(0, Qt::Horizontal).toString(), QString());
        }
    }

    void windowsOpenCentredOverTheMainWindow()
    {
        ScoreBookFixture f;
        windows::registerFactory(QStringLiteral("main"), [] { return new Plain(QStringLiteral("main"), QSize(600, 450)); });
        Window &mainWindow = *windows::get(QStringLiteral("main"));
        mainWindow.Show();
        userSetsGeometry(&mainWindow, QRect(40, 30, 520, 420));

        // A window sized by its constructor opens at that size, centred over the main window.
        Plain probe(QStringLiteral("probe"), QSize(300, 200));
        probe.Show();
        QCOMPARE(probe.size(), QSize(300, 200));
        // (Within the few pixels a window frame takes.)
        QVERIFY((probe.geometry().center() - mainWindow.geometry().center()).manhattanLength() <= 6);

        // The student register too, and a report window at a size that shows its grid and buttons.
        for (const char *name : {"managst", "average"}) {
            Window *w = windows::get(QLatin1String(name));
            w->Show();
            // Centred over the main window as far as the screen lets it be.
            const QRect area = w->screen()->availableGeometry();
            QVERIFY2(qAbs(w->geometry().center().x() - mainWindow.geometry().center().x()) <= 3
                         || w->frameGeometry().left() == area.left() || w->frameGeometry().right() == area.right(),
                     name);
            QVERIFY2(area.contains(w->frameGeometry()), name);
            QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->sizeHint().height(), name);
        }
        auto *avg = windows::find<ReportWindow>(QStringLiteral("average"));
        QVERIFY(avg->width() >= 640);
        QVERIFY(avg->Grid1->height() >= 200);
        for (QPushButton *b : avg->VsNetBut1)
            QVERIFY(b->isVisible() && avg->rect().contains(b->geometry().translated(b->parentWidget()->mapTo(avg, QPoint()))));

        windows::unload(QStringLiteral("managst"));
        windows::unload(QStringLiteral("average"));
        probe.Unload();
        windows::destroyAll();
    }

    void enterShowsTheFocusFrameOfTheButtonItReaches()
    {
        ScoreBookFixture f;
        // The chooser: Enter in the cohort list moves to 确 定.
        auto *chooser = windows::get<selectyear>(QStringLiteral("selectyear"));
        chooser->Show();
        chooser->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(chooser));
        chooser->Combo1->setFocus(Qt::MouseFocusReason);
        QVERIFY(!showsFocusFrame(chooser->command1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(chooser->command1->hasFocus());
        QVERIFY(showsFocusFrame(chooser->command1));
        chooser->Unload();

        // The student register: Enter in the stream chooser moves to 保存.
        auto *reg = windows::get<managst>(QStringLiteral("managst"));
        reg->Show();
        reg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(reg));
        reg->Combo4->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(reg->Combo4, Qt::Key_Return);
        QVERIFY(reg->comsave->hasFocus());
        QVERIFY(showsFocusFrame(reg->comsave));
        reg->Unload();
        windows::destroyAll();
    }

    void printPreviewButtonStaysInPlace()
    {
        ScoreBookFixture f;
        auto *reg = windows::get<managst>(QStringLiteral("managst"));
        reg->Show();
        QVERIFY(QTest::qWaitForWindowExposed(reg));
        const QRect before = reg->Toolbar1->geometry();
        // An import or an export ends with the heading label hidden.
        reg->Label1->hide();
        QCoreApplication::processEvents();
        QTRY_COMPARE(reg->Toolbar1->geometry(), before);
        QTest::qWait(50);
        QCOMPARE(reg->Toolbar1->geometry(), before);
        reg->Unload();
        windows::destroyAll();
    }

    void reportWindowKeepsTheUsersGeometryWhileLoaded()
    {
        ScoreBookFixture f;
        f.usePreviewStandIn();
        auto *w = windows::get<gkcj>(QStringLiteral("gkcj"));
        w->Show();
        const QSize opening = w->size();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("1")));
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 4);

        // The user moves and enlarges it; printing hides it, and when the preview closes it comes
        // back where and as large as the user left it.
        const QRect mine(25, 35, opening.width() - 40, opening.height() - 30);
        userSetsGeometry(w, mine);
        QVERIFY(pressPrint(w));
        QVERIFY(w->isHidden());
        windows::show(QStringLiteral("gkcj"));  // what the preview does when it closes
        QVERIFY(w->isVisible());
        QCOMPARE(w->geometry(), mine);

        // Closed and opened again, it starts afresh at its opening size.
        QVERIFY(pressClose(w));
        settle();
        w->Show();
        QCOMPARE(w->size(), opening);
        w->Unload();
        windows::destroyAll();
    }

    void closingReleasesTheControls()
    {
        ScoreBookFixture f;
        auto *w = windows::get<gkcj>(QStringLiteral("gkcj"));
        w->Show();
        QVERIFY(chooseExamAndClass(w, QStringLiteral("期末考试"), QStringLiteral("年级")));
        QVERIFY(pressQuery(w));
        QCOMPARE(w->Grid1->Rows(), 5);
        const QPointer<Grid> grid = w->Grid1;
        const QPointer<QComboBox> chooser = w->Combo1;

        // 退出: once its click is over, the grid with its report and every other control is gone.
        QVERIFY(pressClose(w));
        QVERIFY(!w->isLoaded());
        settle();
        QVERIFY(grid.isNull());
        QVERIFY(chooser.isNull());

        // Opened again: new controls in their design state, on the same window instance.
        windows::show(QStringLiteral("gkcj"));
        QCOMPARE(windows::find<gkcj>(QStringLiteral("gkcj")), w);
        QCOMPARE(w->Grid1->Rows(), 1);
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Combo1->count(), 2);

        // The close box releases them too.
        const QPointer<Grid> second = w->Grid1;
        w->close();
        settle();
        QVERIFY(second.isNull());
        QVERIFY(!w->isLoaded());
        windows::destroyAll();
    }
};

// QUORVANE_SHOW_WINDOWS=register|chooser|average|gkdz|fdtj|gkcj|cjbq shows the main window with
// that window over it (the register after an Enter to 保存 and an import's end with its bar left
// at 60, the chooser after an Enter to 确 定), to look at them on a display.
static int showWindows(const QString &which)
{
    installFontSubstitutions();
    registerShellWindows();
    registerReportsWindows();
    static ScoreBookFixture f;
    windows::show(QStringLiteral("main"));
    if (which == QStringLiteral("chooser")) {
        auto *w = windows::get<selectyear>(QStringLiteral("selectyear"));
        w->Show();
        QTimer::singleShot(500, w, [w] {
            w->Combo1->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(w->Combo1, Qt::Key_Return);
        });
    } else if (which == QStringLiteral("register")) {
        auto *w = windows::get<managst>(QStringLiteral("managst"));
        w->Show();
        QTimer::singleShot(500, w, [w] {
            w->Label1->hide();
            w->ProgressBar1->show();
            w->ProgressBar1->setValue(60);
            w->Combo4->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(w->Combo4, Qt::Key_Return);
        });
    } else {
        windows::show(which);
    }
    return qApp->exec();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QUORVANE_SHOW_WINDOWS"))
        return showWindows(qEnvironmentVariable("QUORVANE_SHOW_WINDOWS"));
    WindowsTest tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_windows.moc"
