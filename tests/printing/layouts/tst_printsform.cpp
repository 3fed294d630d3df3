// The print preview window: what it lays out for each report code, the page head and foot texts,
// laying out again after a page-setup change, printing the whole report or the page on view, and
// showing the asking window again when it closes.
#include "layouttest.h"

#include "printing/layouts/layouts.h"
#include "printing/layouts/reportlayouts.h"
#include "scores/cjintool.h"
#include "shell/managst.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QWindow>

#include <QToolButton>

using namespace quorvane;
using namespace layouttest;

namespace {

// A window that only has to be shown again (the score-report windows).
class StandIn : public Window
{
public:
    explicit StandIn(const QString &name) : Window(name) {}

protected:
    void createControls(QWidget *) override {}
};

// The student register of a cohort of n students, printed with its 打印预览 button: the preview
// on screen. nullptr when the register could not be opened or its button not pressed.
managst *printStudents(test::TempData &data, int n)
{
    managst *m = showStudents(data, n);
    return pressPrintPreview(m) ? m : nullptr;
}

const PageOp *textOp(const PageRecord &rec, const QString &text)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && op.text == text)
            return &op;
    }
    return nullptr;
}

} // namespace

class tst_printsform : public QObject
{
    Q_OBJECT
private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void reportTable()
    {
        const struct
        {
            qint16 code;
            const char *window;
            LayoutRoutine layout;
        } expected[] = {{4, "managst", print_managst}, {31, "bpdy2", print_bjzw},   {32, "bpdy2", print_kczw},
                        {33, "dkcj", print_dkcj},      {34, "gkcj", print_gkcj},    {35, "average", print_average},
                        {36, "gkdz", print_gkdz},      {37, "fdtj", print_fdtj},    {38, "cjbq", print_cjbq},
                        {41, "cjintool", print_cjintool}};
        for (const auto &e : expected) {
            const ReportEntry *r = reportEntry(e.code);
            QVERIFY(r);
            QCOMPARE(QString::fromLatin1(r->askingWindow), QString::fromLatin1(e.window));
            QVERIFY2(r->layout == e.layout, e.window);
        }
        for (qint16 code : {qint16(0), qint16(3), qint16(5), qint16(30), qint16(39), qint16(40), qint16(42), qint16(-4)})
            QVERIFY(!reportEntry(code));
    }

    void headAndFootOfEveryPage()
    {
        test::TempData data;
        QVERIFY(printStudents(data, 45));
        printsform *f = preview();
        QVERIFY(f && f->isVisible());
        QCOMPARE(f->windowTitle(), QStringLiteral("打印预览"));
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        for (int p = 1; p <= 2; ++p) {
            const PageRecord rec = page(f, p);
            const QStringList t = rec.texts();
            QVERIFY(t.contains(QStringLiteral("Quorvane")));
            QVERIFY(t.contains(QStringLiteral("第%1页").arg(p)));
            QVERIFY(t.contains(QStringLiteral("2008-09-01")));
            // The school's name: blue, underlined and italic; the product name plain.
            const PageOp *school = textOp(rec, QStringLiteral("Wexmoor"));
            QVERIFY(school);
            const QFont &sf = rec.fonts.at(school->index);
            QVERIFY(sf.italic() && sf.underline());
            QCOMPARE(QColor::fromRgb(school->rgb), QColor(Qt::blue));
            const PageOp *product = textOp(rec, QStringLiteral("Quorvane"));
            QVERIFY(product && !rec.fonts.at(product->index).italic() && !rec.fonts.at(product->index).underline());
            // The foot keeps the control's defaults: the date is neither italic, underlined nor blue.
            const PageOp *date = textOp(rec, QStringLiteral("2008-09-01"));
            QVERIFY(date && !rec.fonts.at(date->index).italic() && !rec.fonts.at(date->index).underline());
            QVERIFY(QColor::fromRgb(date->rgb) != QColor(Qt::blue));
            QCOMPARE(QColor::fromRgb(date->rgb), QColor::fromRgb(product->rgb));
            // Head above the table, foot below it.
            QVERIFY(school->y1 < 0);
            QVERIFY(textOp(rec, QStringLiteral("第%1页").arg(p))->y1 > mmToTwips(297 - 40));
        }
        // The handlers themselves: the centre of the head stays as passed, the left of the foot too.
        PageTextArgs a;
        a.CurrentPage = 12;
        a.CenterText = QStringLiteral("中");
        a.LeftText = QStringLiteral("左");
        f->LumoPrinter1_PrintFooter(a);
        QCOMPARE(a.CenterText, QStringLiteral("第12页"));
        QCOMPARE(a.RightText, QStringLiteral("2008-09-01"));
        QCOMPARE(a.LeftText, QStringLiteral("左"));
        f->LumoPrinter1_PrintHeader(a);
        QCOMPARE(a.LeftText, QStringLiteral("Quorvane"));
        QCOMPARE(a.CenterText, QStringLiteral("第12页"));
        QCOMPARE(a.RightText, QStringLiteral("Wexmoor"));
    }

    void closeShowsTheAskingWindowAgain()
    {
        test::TempData data;
        managst *m = printStudents(data, 3);
        printsform *f = preview();
        QVERIFY(m && f && f->isVisible() && !m->isVisible() && m->isLoaded());
        m->Grid1->setTextMatrix(1, 2, QStringLiteral("改名"));

        // The preview's close button: the control's timer asks the window to unload.
        QVERIFY(test::press(f->LumoPrinter1->cmdClose));
        QTRY_VERIFY(!f->isLoaded());
        QVERIFY(!f->isVisible());
        QVERIFY(m->isVisible());
        QCOMPARE(m->Grid1->Rows(), 4);
        QCOMPARE(m->Grid1->TextMatrix(1, 2), QStringLiteral("改名"));

        // Printing again loads the preview again and lays out the list afresh.
        QVERIFY(pressPrintPreview(m));
        QVERIFY(f->isLoaded() && f->isVisible());
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("改名")));
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);

        // The window's own close box does the same.
        f->close();
        QVERIFY(!f->isLoaded());
        QVERIFY(m->isVisible());

        // The score-report windows come back by their codes; other codes show nothing.
        for (const char *name : {"dkcj", "gkcj", "average", "gkdz", "fdtj", "cjbq"}) {
            const QString n = QString::fromLatin1(name);
            windows::registerFactory(n, [n] { return new StandIn(n); });
        }
        const struct
        {
            qint16 code;
            const char *window;
        } back[] = {{33, "dkcj"}, {34, "gkcj"}, {35, "average"}, {36, "gkdz"}, {37, "fdtj"}, {38, "cjbq"}};
        for (const auto &b : back) {
            gReportCode = b.code;
            windows::show(QStringLiteral("printsform"));
            QVERIFY(f->isVisible());
            f->curpage = 3;
            f->Unload();
            QCOMPARE(f->curpage, qint16(0));
            Window *w = windows::find(QString::fromLatin1(b.window));
            QVERIFY2(w && w->isVisible(), b.window);
            w->Unload();
        }
        m->Hide();
        gReportCode = 5;
        windows::show(QStringLiteral("printsform"));
        QCOMPARE(f->LumoPrinter1->PageCount(), 0);
        f->Unload();
        QVERIFY(!m->isVisible());
    }

    void previewKeepsTheReportItWasOpenedFor()
    {
        test::TempData data;
        managst *m = printStudents(data, 3);
        printsform *f = preview();
        QVERIFY(m && f && f->isVisible());
        QCOMPARE(f->reportCode(), qint16(4));

        // Another window changes the report code while the preview is open (the arrangement window
        // does when a seat chart is opened): the preview still lays out and returns to the list.
        windows::registerFactory(QStringLiteral("bpdy2"), [] { return new StandIn(QStringLiteral("bpdy2")); });
        gReportCode = 31;
        f->print_topreview();
        QVERIFY(pageTexts(f, 1).contains(m->Grid1->TextMatrix(1, 2)));
        f->Unload();
        QVERIFY(m->isVisible());
        QVERIFY(!windows::find(QStringLiteral("bpdy2")));

        // A window that prints while the preview is open for another report gets a fresh preview of
        // its own report, and the first asking window comes back.
        QVERIFY(pressPrintPreview(m));
        QVERIFY(f->isVisible() && !m->isVisible());
        windows::registerFactory(QStringLiteral("dkcj"), [] { return new StandIn(QStringLiteral("dkcj")); });
        Window *other = windows::get(QStringLiteral("dkcj"));
        other->Show();
        gReportCode = 33;
        other->showPrintPreview();
        QVERIFY(m->isVisible());
        QVERIFY(!other->isVisible());
        QVERIFY(f->isLoaded() && f->isVisible());
        QCOMPARE(f->reportCode(), qint16(33));
        f->Unload();
        QVERIFY(other->isVisible());
    }

    void scoreSheetFromTheEntryWindow()
    {
        test::TempData data;
        QVERIFY(addStudents(data, 0));
        windows::show(QStringLiteral("cjintool"));
        auto *w = windows::find<cjintool>(QStringLiteral("cjintool"));
        QVERIFY(w && w->isLoaded());
        {
            const QSignalBlocker b(w->Combo2);
            w->Combo2->addItem(QStringLiteral("期末考试"));
            w->Combo2->setCurrentIndex(0);
        }
        w->Label1[1]->setText(QStringLiteral("考场号:"));
        w->Grid1->setFormatString(QStringLiteral("|^座位号|^分数|^位置"));
        w->Grid1->setRows(3);
        w->Grid1->setTextMatrix(1, 1, QStringLiteral("1"));
        w->Grid1->setTextMatrix(2, 1, QStringLiteral("2"));
        w->Grid1->setTextMatrix(2, 2, QStringLiteral("88.5"));
        QVERIFY(test::press(w->VsNetBut2));
        QCOMPARE(gReportCode, qint16(41));
        printsform *f = preview();
        QVERIFY(f && f->isVisible() && !w->isVisible());
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        const QStringList t = pageTexts(f, 1);
        QVERIFY(t.contains(QStringLiteral("期末考试")));
        QVERIFY(t.contains(QStringLiteral("88.5")));
        QVERIFY(t.contains(QStringLiteral("第1页")));
        // The sheet sets its own top and bottom margins.
        QVERIFY(std::abs(f->LumoPrinter1->TopMargin() - 13.f) < 0.01f);
        QVERIFY(std::abs(f->LumoPrinter1->BottomMargin() - 13.f) < 0.01f);
        QVERIFY(test::press(f->LumoPrinter1->cmdClose));
        QTRY_VERIFY(!f->isLoaded());
        QVERIFY(w->isVisible());
        QCOMPARE(w->Grid1->TextMatrix(2, 2), QStringLiteral("88.5"));
    }

    void redrawAfterPageSetup()
    {
        test::TempData data;
        QVERIFY(printStudents(data, 45));
        printsform *f = preview();
        QVERIFY(f);
        const double portraitWidth = page(f, 1).paperWidth;
        // Turning the paper lays the list out again on the turned paper: as many rows a page as fit
        // above the page foot (18 under the title), so 45 students take three pages.
        f->LumoPrinter1->setOrientation(2);
        QCOMPARE(f->LumoPrinter1->PageCount(), 3);
        QVERIFY(page(f, 1).paperWidth > portraitWidth);
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("2008学届 学生信息名单")));
        for (int p = 1; p <= 3; ++p) {
            const PageRecord rec = page(f, p);
            const PageOp *foot = textOp(rec, QStringLiteral("第%1页").arg(p));
            QVERIFY(foot);
            QVERIFY2(cellExtent(rec).bottom() * 56.6929 < foot->y1, qPrintable(QString::number(p)));
        }
        // A changed top margin is kept; the list's own side margins are set again.
        f->LumoPrinter1->setTopMargin(30);
        f->LumoPrinter1->setLeftMargin(35);
        QCOMPARE(f->LumoPrinter1->LeftMargin(), 20.f);
        QVERIFY(std::abs(f->LumoPrinter1->TopMargin() - 30.f) < 0.01f);
        // The handler turns the control's own redrawing off before it lays out.
        f->LumoPrinter1->setAutoRedraw(true);
        f->LumoPrinter1_NeedRedraw();
        QVERIFY(!f->LumoPrinter1->AutoRedraw());
        QCOMPARE(f->LumoPrinter1->PageCount(), 3);
    }

    void printToPdf()
    {
        QTemporaryDir dir;
        test::TempData data;
        managst *m = printStudents(data, 45);
        printsform *f = preview();
        QVERIFY(m && f);
        QPrinter *printer = f->LumoPrinter1->Printer();
        printer->setOutputFormat(QPrinter::PdfFormat);

        // The whole list.
        const QString all = dir.filePath("all.pdf");
        printer->setOutputFileName(all);
        QVERIFY(test::press(f->LumoPrinter1->cmdPrint));
        QCOMPARE(pdfPages(all), 2);
        QString text = pdfText(all);
        QVERIFY2(text.contains(QStringLiteral("2008学届 学生信息名单")), qPrintable(text));
        if (qEnvironmentVariableIsSet("LAYOUT_DEMO_PDF")) // to look at the pages
            QFile::copy(all, qEnvironmentVariable("LAYOUT_DEMO_PDF"));
        QVERIFY(text.contains(m->Grid1->TextMatrix(1, 2)));
        QVERIFY(text.contains(m->Grid1->TextMatrix(45, 2)));
        QVERIFY(text.contains(QStringLiteral("第2页")));
        QVERIFY(text.contains(QStringLiteral("Wexmoor")));
        QVERIFY(text.contains(QStringLiteral("2008-09-01")));
        // The preview is as it was.
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        QVERIFY(!f->LumoPrinter1->IsPrinter());

        // The page on view alone: page 1 of its own print, without the title.
        f->LumoPrinter1->SetViewPage(2);
        const QString one = dir.filePath("one.pdf");
        printer->setOutputFileName(one);
        QVERIFY(test::press(f->LumoPrinter1->cmdPrint2));
        QCOMPARE(pdfPages(one), 1);
        text = pdfText(one);
        // (Names rather than numbers: the extractor reads the Latin letters of a number cell apart.)
        QVERIFY(text.contains(m->Grid1->TextMatrix(30, 2)));
        QVERIFY(text.contains(m->Grid1->TextMatrix(45, 2)));
        QVERIFY(!text.contains(m->Grid1->TextMatrix(29, 2)));
        QVERIFY(!text.contains(QStringLiteral("学生信息名单")));
        QVERIFY(text.contains(QStringLiteral("第1页")));
        QCOMPARE(f->curpage, qint16(0));

        // A later whole-list print is the whole list again, not the page printed last.
        const QString again = dir.filePath("again.pdf");
        printer->setOutputFileName(again);
        QVERIFY(test::press(f->LumoPrinter1->cmdPrint));
        QCOMPARE(pdfPages(again), 2);
        // So is a page-setup change afterwards.
        f->LumoPrinter1->SetViewPage(2);
        QVERIFY(test::press(f->LumoPrinter1->cmdPrint3));
        f->LumoPrinter1->setOrientation(2);
        QCOMPARE(f->LumoPrinter1->PageCount(), 3); // the whole list, on the turned paper
    }

    void firstPageOnScreenDuringTheLayout()
    {
        // The preview is exposed and paints page 1 while the rest of a long list is laid out.
        struct Watch : QObject
        {
            int paints = 0;
            bool eventFilter(QObject *o, QEvent *e) override
            {
                const LumoPrinter *p = e->type() == QEvent::Paint && qobject_cast<PageView *>(o) ? preview()->LumoPrinter1 : nullptr;
                paints += p && p->Busy() && p->CurrentPage() == 1 && p->window()->windowHandle()->isExposed();
                return false;
            }
        } watch;
        test::TempData data;
        managst *m = showStudents(data, 400);
        qApp->installEventFilter(&watch);
        QVERIFY(pressPrintPreview(m));
        qApp->removeEventFilter(&watch);
        QVERIFY(preview()->LumoPrinter1->PageCount() > 5);
        QVERIFY(watch.paints > 0);
    }

    void printDialogChoosesThePages_data()
    {
        QTest::addColumn<QString>("choice");     // the dialog's radio button
        QTest::addColumn<QString>("typed");      // into 页数, or 从-到
        QTest::addColumn<QList<int>>("printed"); // none: refused, the dialog stays open
        QTest::newRow("all") << "printAll" << "" << QList<int>{1, 2, 3, 4};
        QTest::newRow("页数 2") << "pagesRadioButton" << "2" << QList<int>{2};
        QTest::newRow("页数 2-3") << "pagesRadioButton" << "2-3" << QList<int>{2, 3};
        QTest::newRow("页数 1,3-4") << "pagesRadioButton" << " 1，3 - 4" << QList<int>{1, 3, 4};
        QTest::newRow("页数 past the end") << "pagesRadioButton" << "3-5" << QList<int>{};
        QTest::newRow("页数 backwards") << "pagesRadioButton" << "3-2" << QList<int>{};
        QTest::newRow("页数 not a list") << "pagesRadioButton" << "二" << QList<int>{};
        QTest::newRow("从/到") << "printRange" << "2-3" << QList<int>{2, 3};
        QTest::newRow("current page") << "printCurrentPage" << "" << QList<int>{3};
    }

    void printDialogChoosesThePages()
    {
        // The program's print dialog through its hook and dialog service, driven as a user does,
        // printing a list of four pages to PDF with page 3 on view.
        QFETCH(QString, choice);
        QFETCH(QString, typed);
        QFETCH(QList<int>, printed);
        struct RealPrintDialog : test::ScriptedServices
        {
            bool printDialog(QPrintDialog &dialog) override { return DesktopServices().printDialog(dialog); }
        };
        auto *svc = new RealPrintDialog;
        services::install(std::unique_ptr<ServiceHandler>(svc));
        test::TempData data;
        QVERIFY(printStudents(data, 110));
        LumoPrinter *p = preview()->LumoPrinter1;
        QCOMPARE(p->PageCount(), 4);
        p->SetViewPage(3);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("pages.pdf");
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(pdf);
        bool setUp = false, stayed = false;
        QTimer::singleShot(0, p, [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            // Pages 1 to 4 offered and proposed, and the current page.
            setUp = d && d->minPage() == 1 && d->maxPage() == 4 && d->fromPage() == 1 && d->toPage() == 4
                && d->testOption(QAbstractPrintDialog::PrintCurrentPage);
            if (!setUp)
                return d ? d->reject() : void();
            auto *radio = d->findChild<QRadioButton *>(choice);
            auto *list = d->findChild<QLineEdit *>(QStringLiteral("pagesLineEdit"));
            radio->setEnabled(true); // (to a file Qt disables 页数; a print queue enables it)
            list->setEnabled(true);
            radio->setChecked(true);
            if (choice == QLatin1String("pagesRadioButton"))
                list->setText(typed);
            if (choice == QLatin1String("printRange")) {
                d->findChild<QSpinBox *>(QStringLiteral("from"))->setValue(typed.left(1).toInt());
                d->findChild<QSpinBox *>(QStringLiteral("to"))->setValue(typed.right(1).toInt());
            }
            QTest::mouseClick(d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
            if ((stayed = d->isVisible()))
                d->reject();
        });
        p->ShowPrinter();
        QVERIFY(setUp);
        QCOMPARE(stayed, printed.isEmpty());
        // A wrong list is told and prints nothing; every other choice prints its pages.
        QCOMPARE(svc->messages.size(), size_t(printed.isEmpty()));
        if (printed.isEmpty())
            QVERIFY(svc->lastText().startsWith(QStringLiteral("页数“%1”无效！").arg(typed)));
        QCOMPARE(pdfPages(pdf), printed.isEmpty() ? -1 : int(printed.size())); // -1: no file
        const QString text = pdfText(pdf);
        for (int page = 1; page <= 4; ++page)
            QCOMPARE(text.contains(QStringLiteral("第%1页").arg(page)), printed.contains(page));
    }

    void fillsItsClientArea()
    {
        test::TempData data;
        QVERIFY(printStudents(data, 1));
        printsform *f = preview();
        QVERIFY(f);
        for (const QSize s : {QSize(640, 480), QSize(1100, 820), QSize(300, 200)}) {
            f->resize(s);
            QCoreApplication::processEvents();
            QCOMPARE(f->LumoPrinter1->geometry(), QRect(QPoint(0, 0), f->size()));
        }
    }
};

QTEST_MAIN(tst_printsform)
#include "tst_printsform.moc"
