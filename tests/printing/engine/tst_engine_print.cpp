// Print requests laid out again to a PDF printer, a printer that cannot be opened, page setup and
// printer choice, persistence in the property bag, and the demonstration document.
#include "enginetest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QtPrintSupport/private/qprintengine_pdf_p.h>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "controls/grid/grid.h"
#include "printing/engine/printdialog.h"

using namespace quorvane;
using namespace enginetest;

namespace {
// A host as the print-preview window is one: it answers the head and foot events and lays its
// report out again for every print request, the whole report or the page on view alone.
class ReportHost : public QObject
{
public:
    ReportHost(LumoPrinter &printer, int pages) : p(printer), pages(pages)
    {
        connect(&p, &LumoPrinter::PrintHeader, this, [](PageTextArgs &a) {
            a.LeftText = QStringLiteral("Quorvane");
            a.RightText = QStringLiteral("Wexmoor");
        });
        connect(&p, &LumoPrinter::PrintFooter, this, [](PageTextArgs &a) {
            a.CenterText = QStringLiteral("第%1页").arg(a.CurrentPage);
            a.RightText = QStringLiteral("2026-12-08");
        });
        connect(&p, &LumoPrinter::RealPrint, this, [this] { layout(1); });
        connect(&p, &LumoPrinter::cmdprint2Preview, this, [this] {
            curpage = p.CurrentPage();
            layout(1);
            curpage = 0;
        });
        connect(&p, &LumoPrinter::NeedRedraw, this, [this] { layout(0); });
    }

    void layout(int dest)
    {
        ++layouts;
        // Like the report layouts, a host may go on after a refused start and set its paper.
        if (!p.StartPrint(dest) && !goesOnWhenRefused)
            return;
        if (setsPaper) {
            p.setOrientation(1);
            p.setLeftMargin(15);
            p.setRightMargin(15);
        }
        for (int k = 1; k <= pages; ++k) {
            if (curpage != 0 && k != curpage)
                continue;
            p.NewPage();
            p.TitleOut(QStringLiteral("成绩表%1").arg(k), 14, 2);
            for (int r = 0; r < 5; ++r) {
                p.CellOut(QStringLiteral("学生%1-%2").arg(k).arg(r + 1), 40);
                p.CellOut(QString::number(70 + r), 20, -1, 7);
                p.NewCellRow(0, 0, -1);
            }
        }
        p.EndDoc();
    }

    LumoPrinter &p;
    int pages;
    int curpage = 0;
    int layouts = 0;
    bool goesOnWhenRefused = false;
    bool setsPaper = false;
};

// The print engine of a print queue as Qt's print support makes one, writing into a PDF file: it
// keeps the job's options (where the print dialog puts 奇数页面/偶数页面 and 每张页数), and when the
// queue lists its sizes it refuses a page layout on a paper it does not list (a paper set alone it
// takes, and asks the queue for it by its size). Each job it ends is recorded as the queue gets it.
class QueueEngine : public QPdfPrintEngine
{
public:
    struct Job
    {
        QStringList options; // "name", "value", ...
        int copies;
        bool collate;
    };

    explicit QueueEngine(const QList<QPageSize> &listed) : QPdfPrintEngine(QPrinter::HighResolution), m_listed(listed) {}
    void setProperty(PrintEnginePropertyKey key, const QVariant &value) override
    {
        if (key == JobOptions)
            m_options = value.toStringList();
        else if (key != PPK_QPageLayout || lists(value.value<QPageLayout>().pageSize()))
            QPdfPrintEngine::setProperty(key, value);
    }
    QVariant property(PrintEnginePropertyKey key) const override
    {
        return key == JobOptions ? QVariant(m_options) : QPdfPrintEngine::property(key);
    }
    bool end() override
    {
        const bool ended = QPdfPrintEngine::end();
        jobs.append({m_options, property(PPK_CopyCount).toInt(), property(PPK_CollateCopies).toBool()});
        return ended;
    }

    // The key of the job's options ("name", "value", ...) in Qt's print engine for a queue.
    static constexpr auto JobOptions = PrintEnginePropertyKey(0xfe00);
    QList<Job> jobs;

private:
    bool lists(const QPageSize &size) const
    {
        return m_listed.isEmpty() || std::any_of(m_listed.begin(), m_listed.end(), [&](const QPageSize &listed) {
                   return listed.sizePoints() == size.sizePoints();
               });
    }
    QList<QPageSize> m_listed;
    QStringList m_options;
};

// A printer on such a queue.
class QueuePrinter : public QPrinter
{
public:
    explicit QueuePrinter(const QList<QPageSize> &listed) : QPrinter(HighResolution), m_engine(listed)
    {
        setEngines(&m_engine, &m_engine);
    }
    const QList<QueueEngine::Job> &jobs() const { return m_engine.jobs; }

private:
    QueueEngine m_engine;
};

// What the queue prints of its last job, whose pages the file holds in order ("135"): the odd or
// even places in the job for a page set, last to first for outputorder=reverse, then the copies,
// whole sets when collated. Empty when the printer is no queue printer or had no job.
QString queuePrinted(QPrinter *printer, const QString &pages)
{
    auto *queue = dynamic_cast<QueuePrinter *>(printer);
    if (!queue || queue->jobs().isEmpty())
        return QString();
    const QueueEngine::Job &job = queue->jobs().last();
    QString pageSet, order;
    for (qsizetype i = 0; i + 1 < job.options.size(); i += 2) {
        if (job.options[i] == QLatin1String("page-set"))
            pageSet = job.options[i + 1];
        else if (job.options[i] == QLatin1String("outputorder"))
            order = job.options[i + 1];
    }
    QString chosen;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (pageSet.isEmpty() || (pageSet == QLatin1String("odd")) == (i % 2 == 0))
            chosen += pages[i];
    }
    if (order == QLatin1String("reverse"))
        std::reverse(chosen.begin(), chosen.end());
    QString out;
    const int copies = std::max(1, job.copies);
    for (int set = 0; set < (job.collate ? copies : 1); ++set) {
        for (const QChar page : chosen)
            out += QString(job.collate ? 1 : copies, page);
    }
    return out;
}

// ShowPrinter shows the control's own print dialog, as in the program (until the test's cleanup).
void useRealPrintDialog()
{
    LumoPrinter::printDialogHook = [](QPrinter *printer, int, QWidget *control) {
        PrintDialog dialog(printer, qobject_cast<const LumoPrinter *>(control), control);
        return dialog.exec() == QDialog::Accepted;
    };
}

// The pages of the test report a PDF file holds, in order ("312": 成绩表3, 成绩表1, 成绩表2).
QString printedPages(const QString &pdf)
{
    QString pages;
    for (const auto &m : QRegularExpression(QStringLiteral("成绩表(\\d)")).globalMatch(pdfText(pdf)))
        pages += m.captured(1);
    return pages;
}

// A print system with queues the test sets up; a queue prints into a PDF file. It counts the
// times it is asked without the wait cursor showing.
class FakePrintSystem : public PrintSystem
{
public:
    std::unique_ptr<QPrinter> newPrinter() override
    {
        asked();
        return standIn ? std::make_unique<QueuePrinter>(listed) : PrintSystem::newPrinter();
    }
    bool listedSizes(const QPrinter &, QList<QPageSize> &sizes) override
    {
        sizes = listed;
        return !listed.isEmpty();
    }
    QString serviceProblem() override { return asked(), unreachable; }
    bool paused(const QString &queue) override { return asked(), pausedQueues.contains(queue); }
    QStringList queues() override { return asked(), names; }
    QString defaultQueue() override { return defaultName; }
    QString refusal(const QString &queue) override
    {
        if (!names.contains(queue) && !(standIn && queue == kStandInQueue))
            return QStringLiteral("打印机“%1”已不存在").arg(queue);
        return rejecting.contains(queue) ? QStringLiteral("打印机“%1”拒绝接受打印任务").arg(queue) : QString();
    }
    bool select(QPrinter &printer, const QString &queue) override
    {
        if (!names.contains(queue))
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        selected = queue;
        return true;
    }
    QString queueOf(const QPrinter &printer) override
    {
        if (standIn && dynamic_cast<const QueuePrinter *>(&printer))
            return kStandInQueue;
        return !selected.isEmpty() && printer.outputFileName() == pdf ? selected : QString();
    }
    static inline const QString kStandInQueue = QStringLiteral("队列");

    QStringList names;
    QString defaultName;
    QStringList rejecting;
    QString pdf;
    QString selected;
    QString unreachable;
    QStringList pausedQueues;
    bool standIn = false;     // its printers are QueuePrinters on the queue kStandInQueue
    QList<QPageSize> listed;  // the sizes its queues list (none: every size, and sizes of one's own)
    int askedWithoutWaitCursor = 0;

private:
    void asked()
    {
        const QCursor *c = QGuiApplication::overrideCursor();
        askedWithoutWaitCursor += !c || c->shape() != Qt::WaitCursor;
    }
};

// A five-page report on the stand-in print queue (which prints into a PDF file), printed through
// the control's own print dialog (until the test's cleanup).
struct QueuedReport
{
    QueuedReport()
    {
        host.layout(0);
        p->Printer()->setOutputFileName(pdf);
    }
    static std::shared_ptr<FakePrintSystem> standInQueues()
    {
        auto queues = std::make_shared<FakePrintSystem>();
        queues->standIn = true;
        LumoPrinter::setPrintSystem(queues);
        useRealPrintDialog();
        return queues;
    }
    // What the queue printed of the last job.
    QString printed() const { return queuePrinted(p->Printer(), printedPages(pdf)); }

    std::shared_ptr<FakePrintSystem> queues = standInQueues(); // (before the printer is made)
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
    std::unique_ptr<LumoPrinter> p = makePrinter();
    ReportHost host{*p, 5};
};

// What the preview shows: pages, status line, page on view and its picture.
struct PreviewState
{
    explicit PreviewState(const LumoPrinter &p)
        : pages(p.PageCount()), current(p.CurrentPage()), status(p.statusText()), shown(p.shownPage())
    {
    }
    bool operator==(const PreviewState &o) const
    {
        return pages == o.pages && current == o.current && status == o.status && shown == o.shown;
    }
    int pages;
    int current;
    QString status;
    std::shared_ptr<const PageRecord> shown;
};
} // namespace

class tst_engine_print : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The platform's print system asks a CUPS server that is not there (before CUPS is first
        // used, which fixes the server for the program's run).
        qputenv("CUPS_SERVER", QDir::temp().filePath(QStringLiteral("no-cups-here.sock")).toLocal8Bit());
        setUpEngineTests();
    }
    void init() { messages().clear(); }
    // A test that showed the print dialog or set up queues of its own leaves neither behind, also
    // when it failed half way.
    void cleanup()
    {
        LumoPrinter::printDialogHook = [](QPrinter *, int, QWidget *) { return false; };
        LumoPrinter::setPrintSystem(nullptr);
    }

    void printRequestsLayOutAgain()
    {
        QTemporaryDir dir;
        auto p = makePrinter();
        ReportHost host(*p, 5);
        host.layout(0);
        QCOMPARE(p->PageCount(), 5);

        // The whole report.
        const QString all = dir.filePath("all.pdf");
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(all);
        p->cmdPrint->click();
        QCOMPARE(pdfPages(all), 5);
        QString text = pdfText(all);
        QVERIFY2(text.contains(QStringLiteral("成绩表3")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("学生5-5")));
        QVERIFY(text.contains(QStringLiteral("第5页")));
        QVERIFY(text.contains(QStringLiteral("Wexmoor")));
        QVERIFY(!p->IsPrinter());
        QVERIFY(!p->Busy());

        // The page on view alone: page 1 of its own run.
        p->SetViewPage(3);
        const QString one = dir.filePath("one.pdf");
        p->Printer()->setOutputFileName(one);
        p->cmdPrint2->click();
        QCOMPARE(pdfPages(one), 1);
        text = pdfText(one);
        QVERIFY(text.contains(QStringLiteral("成绩表3")));
        QVERIFY(text.contains(QStringLiteral("第1页")));
        QVERIFY(!text.contains(QStringLiteral("成绩表2")));
        // The preview is as it was: five pages, page 3 on view.
        QCOMPARE(p->PageCount(), 5);
        QCOMPARE(p->CurrentPage(), 3);
        QCOMPARE(p->statusText(), QStringLiteral("状态:3/5(页)"));
        p->PageDown();
        QCOMPARE(p->CurrentPage(), 4);
        // A printed page has no corner marks; the preview's pages have.
        PageRecord shown;
        QVERIFY(p->loadPage(4, shown));
        QVERIFY(opsOf(shown, PageOp::Line).size() >= 8);
    }

    void paperSetByTheLayoutReachesThePrinter()
    {
        // A layout sets the orientation between StartPrint and its first page: the printed page
        // is turned as the laid-out one is.
        QTemporaryDir dir;
        auto p = makePrinter();
        const QString pdf = dir.filePath("wide.pdf");
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(pdf);
        QVERIFY(p->StartPrint(1));
        p->setOrientation(2);
        p->NewPage();
        p->CellOut(QStringLiteral("横向"), 250);
        p->NewPage();
        p->EndDoc();
        QCOMPARE(pdfPages(pdf), 2);
        const QString info = quorvane::test::runTool(QStringLiteral("pdfinfo"), {pdf});
        const QRegularExpression size(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)"));
        const auto m = size.match(info);
        QVERIFY2(m.hasMatch(), qPrintable(info));
        QVERIFY(m.captured(1).toDouble() > m.captured(2).toDouble());
        QVERIFY(std::abs(m.captured(1).toDouble() - 841.89) < 1);
    }

    void paperSizeFollowsTheOrientationWhateverCameBefore()
    {
        // Choosing a paper gives its page as Orientation lays it, and turning it then swaps the
        // sides, whatever the printer was last left with: a print, a page setup, a printer choice.
        const auto paperIs = [](LumoPrinter &p, int orientation, int width, int height) {
            return p.Orientation() == orientation && p.PaperWidth() == width && p.PaperHeight() == height;
        };
        QTemporaryDir dir;
        auto p = makePrinter();
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(dir.filePath("wide.pdf"));
        QVERIFY(p->StartPrint(1));
        p->setOrientation(2);
        p->NewPage();
        p->CellOut(QStringLiteral("横向"), 250);
        p->EndDoc();
        QCOMPARE(pdfPages(dir.filePath("wide.pdf")), 1);
        // The next report is upright, then chooses A4 and turns it.
        p->setOrientation(1);
        p->setPaperSize(9);
        QVERIFY(paperIs(*p, 1, 210, 297));
        p->setOrientation(2);
        QVERIFY(paperIs(*p, 2, 297, 210));
        // The preview lays the page out turned, and the printer prints it turned.
        QVERIFY(p->StartPrint(0));
        p->NewPage();
        p->CellOut(QStringLiteral("横向"), 250);
        p->EndDoc();
        PageRecord shown;
        QVERIFY(p->loadPage(1, shown));
        QVERIFY(shown.paperWidth > shown.paperHeight);
        const QString again = dir.filePath("again.pdf");
        p->Printer()->setOutputFileName(again);
        QVERIFY(p->StartPrint(1));
        p->NewPage();
        p->CellOut(QStringLiteral("横向"), 250);
        p->EndDoc();
        const QString info = quorvane::test::runTool(QStringLiteral("pdfinfo"), {again});
        const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)")).match(info);
        QVERIFY2(m.hasMatch(), qPrintable(info));
        QVERIFY(std::abs(m.captured(1).toDouble() - 841.89) < 1 && std::abs(m.captured(2).toDouble() - 595.28) < 1);

        // After a page setup that chose landscape, an upright A4 stays upright.
        auto s = makePrinter();
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        s->PageSetup();
        QVERIFY(paperIs(*s, 2, 297, 210));
        s->setOrientation(1);
        s->setPaperSize(9);
        QVERIFY(paperIs(*s, 1, 210, 297));
        s->setOrientation(2);
        QVERIFY(paperIs(*s, 2, 297, 210));

        // After a printer choice in landscape, another paper (A5) lies as Orientation says.
        auto c = makePrinter();
        LumoPrinter::printDialogHook = [](QPrinter *printer, int, QWidget *) {
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        c->ShowPrinter();
        QCOMPARE(c->Orientation(), 2);
        c->setOrientation(1);
        c->setPaperSize(11);
        QVERIFY(paperIs(*c, 1, 148, 210));
        c->setOrientation(2);
        QVERIFY(paperIs(*c, 2, 210, 148));

        // Turned before any print, the printer still upright: the paper chosen is turned too.
        auto t = makePrinter();
        t->setOrientation(2);
        t->setPaperSize(8);
        QVERIFY(paperIs(*t, 2, 420, 297));
        t->setOrientation(1);
        QVERIFY(paperIs(*t, 1, 297, 420));

        LumoPrinter::pageSetupHook = [](QPrinter *, QWidget *) { return false; };
        LumoPrinter::printDialogHook = [](QPrinter *, int, QWidget *) { return false; };
    }

    void refusedPrintLeavesThePreview()
    {
        // The layout goes on after the refusal and sets its paper: nothing of it reaches the preview.
        auto p = makePrinter();
        ReportHost host(*p, 5);
        host.goesOnWhenRefused = true;
        host.setsPaper = true;
        int redraws = 0;
        connect(p.get(), &LumoPrinter::NeedRedraw, p.get(), [&] { ++redraws; });
        host.layout(0);
        p->SetViewPage(3);
        p->PageDown();
        const PreviewState before(*p);
        PageRecord page4;
        QVERIFY(p->loadPage(4, page4));
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(QStringLiteral("/nonexistent-folder/sub/x.pdf"));
        p->cmdPrint->click();
        QCOMPARE(messages().size(), 1);
        QCOMPARE(redraws, 0);
        QCOMPARE(host.layouts, 2); // the preview's and the refused print's: no layout inside it
        QVERIFY(PreviewState(*p) == before);
        QCOMPARE(p->statusText(), QStringLiteral("状态:4/5(页)"));
        PageRecord again;
        QVERIFY(p->loadPage(4, again));
        QCOMPARE(again.texts(), page4.texts());
        QCOMPARE(p->LeftMargin(), 15.0f);
        QVERIFY(!p->Busy());
        // The preview goes on as usual.
        p->PageDown();
        QCOMPARE(p->CurrentPage(), 5);
        host.layout(0);
        QCOMPARE(p->PageCount(), 5);
    }

    void outputFileUntouchedBeforeTheFirstPage()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath("old.pdf");
        {
            QFile f(existing);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("the report printed yesterday");
        }
        auto p = makePrinter();
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(existing);
        QVERIFY(p->StartPrint(1));
        p->EndDoc();
        QFile f(existing);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("the report printed yesterday"));
        // A new file: a print without a page leaves none, not an empty one.
        const QString fresh = dir.filePath("new.pdf");
        p->Printer()->setOutputFileName(fresh);
        QVERIFY(p->StartPrint(1));
        p->EndDoc();
        QVERIFY(!QFile::exists(fresh));
        QVERIFY(messages().isEmpty());
    }

    void penWidthsOnPaper()
    {
        // A width-1 box and a width-2 box printed to PDF: the second's rules visibly heavier, the
        // first a fine rule (a pen unit is 0.15 mm on paper).
        QTemporaryDir dir;
        const QString pdf = dir.filePath("pens.pdf");
        auto p = makePrinter();
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(pdf);
        QVERIFY(p->StartPrint(1));
        p->NewPage();
        p->CellOut(QString(), 40, 20, 1, QStringLiteral("1111"));
        p->setCurrentX(60);
        p->CellOut(QString(), 40, 20, 1, QStringLiteral("2222"));
        p->EndDoc();
        // A strip across the boxes 30 mm from the paper's top (10 mm into them), at 600 dpi: the
        // dark runs along it are the rules.
        const QString png = dir.filePath("pens");
        const int y = int(30 / 25.4 * 600);
        quorvane::test::runTool(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("600"), QStringLiteral("-y"), QString::number(y),
                                 QStringLiteral("-H"), QStringLiteral("4"), QStringLiteral("-gray"),
                                 QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, png});
        const QImage strip(png + QStringLiteral(".png"));
        QVERIFY(!strip.isNull());
        const QImage img = strip.convertToFormat(QImage::Format_Grayscale8);
        QVector<int> runs;
        int run = 0;
        for (int x = 0; x < img.width(); ++x) {
            if (qGray(img.pixel(x, 2)) < 160) {
                ++run;
            } else if (run > 0) {
                runs << run;
                run = 0;
            }
        }
        QCOMPARE(runs.size(), 4);
        const double mmPerPixel = 25.4 / 600;
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(runs[i] * mmPerPixel >= 0.1 && runs[i] * mmPerPixel <= 0.22, qPrintable(QString::number(runs[i])));
            QVERIFY2(runs[i + 2] >= 2 * runs[i] - 1, qPrintable(QString::number(runs[i + 2])));
        }
    }

    void printerThatCannotBeOpened()
    {
        auto p = makePrinter();
        PropertyBag bag;
        bag.write("Zoom", 1.5f);
        p->ReadProperties(bag);
        ReportHost host(*p, 3);
        host.layout(0);
        const QString status = p->statusText();
        const auto before = p->shownPage();
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(QStringLiteral("/nonexistent-folder/sub/x.pdf"));
        QVERIFY(!p->StartPrint(1));
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].text.startsWith(QStringLiteral("错误：")));
        QVERIFY(messages()[0].text.endsWith(QStringLiteral("\r\n2:打印机电源未接通")));
        QCOMPARE(messages()[0].caption, QStringLiteral("系统提示:"));
        // The caller goes on drawing: nothing happens to the preview.
        p->NewPage();
        p->CellOut(QStringLiteral("甲"), 20);
        p->EndDoc();
        QCOMPARE(p->ZoomFactor(), 1.5f);
        QVERIFY(!p->Busy());
        QVERIFY(!p->IsPrinter());
        QCOMPARE(p->PageCount(), 3);
        QCOMPARE(p->statusText(), status);
        QCOMPARE(p->shownPage(), before);
        // The next preview works as usual.
        host.layout(0);
        QCOMPARE(p->PageCount(), 3);
        p->StartPrint();
        QCOMPARE(p->FontSize(), 13.5f); // the preview's zoom is still 1.5
        p->EndDoc();
    }

    void pageSetupAndPrinterChoice()
    {
        auto p = makePrinter();
        PropertyBag defaults;
        p->ReadProperties(defaults);
        p->setLeftMargin(20);
        p->setTopMargin(10);
        p->setRightMargin(20);
        p->setBottomMargin(10);
        QMarginsF offered;
        LumoPrinter::pageSetupHook = [&](QPrinter *printer, QWidget *) {
            offered = printer->pageLayout().margins(QPageLayout::Millimeter);
            return false;
        };
        p->PageSetup();
        QCOMPARE(offered, QMarginsF(20, 10, 20, 10));
        QCOMPARE(p->Orientation(), 1);
        QCOMPARE(p->TopMargin(), 10.0f);

        // OK with landscape and a margin of 25.49 mm: whole millimetres, paper reloaded turned.
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageOrientation(QPageLayout::Landscape);
            printer->setPageMargins(QMarginsF(25.49, 10, 20, 10), QPageLayout::Millimeter);
            return true;
        };
        p->PageSetup();
        QCOMPARE(p->Orientation(), 2);
        QCOMPARE(p->PaperWidth(), 297);
        QCOMPARE(p->PaperHeight(), 210);
        QCOMPARE(p->LeftMargin(), 25.0f);

        // A user-defined size while the paper is A4 leaves the paper as it is ...
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageSize(QPageSize(QSizeF(100, 150), QPageSize::Millimeter, "x", QPageSize::ExactMatch));
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        p->PageSetup();
        QCOMPARE(p->PaperSize(), 9);
        QCOMPARE(p->PaperWidth(), 297);
        QCOMPARE(p->PaperHeight(), 210);
        // ... and with portrait chosen the A4 paper lies upright, as the orientation says.
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageSize(QPageSize(QSizeF(100, 150), QPageSize::Millimeter, "x", QPageSize::ExactMatch));
            printer->setPageOrientation(QPageLayout::Portrait);
            return true;
        };
        p->PageSetup();
        QCOMPARE(p->Orientation(), 1);
        QCOMPARE(p->PaperSize(), 9);
        QCOMPARE(p->PaperWidth(), 210);
        QCOMPARE(p->PaperHeight(), 297);

        // Cancel leaves the printer's paper as it was, though the dialog was offered the control's.
        p->setOrientation(2);
        const QPageLayout printerBefore = p->Printer()->pageLayout();
        QPageLayout::Orientation offeredOrientation = QPageLayout::Portrait;
        LumoPrinter::pageSetupHook = [&](QPrinter *printer, QWidget *) {
            offeredOrientation = printer->pageLayout().orientation();
            printer->setPageSize(QPageSize(QPageSize::A3));
            return false;
        };
        p->PageSetup();
        QCOMPARE(offeredOrientation, QPageLayout::Landscape);
        QVERIFY(p->Printer()->pageLayout().isEquivalentTo(printerBefore));
        QCOMPARE(p->PaperSize(), 9);
        QCOMPARE(p->PaperWidth(), 297);

        // A user-defined paper is offered with its own size; OK takes whole millimetres.
        auto u = makePrinter();
        u->setPaperSize(256);
        u->setPaperWidth(150);
        u->setPaperHeight(200);
        QSizeF offeredSize;
        LumoPrinter::pageSetupHook = [&](QPrinter *printer, QWidget *) {
            offeredSize = printer->pageLayout().fullRect(QPageLayout::Millimeter).size();
            printer->setPageSize(QPageSize(QSizeF(160.7, 220.2), QPageSize::Millimeter, "x", QPageSize::ExactMatch));
            return true;
        };
        u->PageSetup();
        QCOMPARE(offeredSize, QSizeF(150, 200));
        QCOMPARE(u->PaperSize(), 256);
        QCOMPARE(u->PaperWidth(), 160);
        QCOMPARE(u->PaperHeight(), 220);

        // A paper code of the dialog reloads the paper: A3 in landscape.
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageSize(QPageSize(QPageSize::A3));
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        u->PageSetup();
        QCOMPARE(u->PaperSize(), 8);
        QCOMPARE(u->PaperWidth(), 420);
        QCOMPARE(u->PaperHeight(), 297);

        // The print dialog: Cancel changes nothing and prints nothing; OK prints.
        auto q = makePrinter();
        q->ReadProperties(defaults);
        int prints = 0;
        connect(q.get(), &LumoPrinter::RealPrint, q.get(), [&] { ++prints; });
        LumoPrinter::printDialogHook = [](QPrinter *printer, int, QWidget *) {
            printer->setPageOrientation(QPageLayout::Landscape);
            return false;
        };
        q->ShowPrinter();
        QCOMPARE(prints, 0);
        QCOMPARE(q->Orientation(), 1);
        QCOMPARE(q->Printer()->pageLayout().orientation(), QPageLayout::Portrait);
        int flagsSeen = -1;
        LumoPrinter::printDialogHook = [&](QPrinter *printer, int flags, QWidget *) {
            flagsSeen = flags;
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        q->ShowPrinter(4);
        QCOMPARE(flagsSeen, 4);
        QCOMPARE(prints, 1);
        QCOMPARE(q->Orientation(), 2);
        // The paper is turned with the orientation, so the report laid out again for the printer
        // fills the turned sheet instead of being squeezed onto it.
        QCOMPARE(q->PaperWidth(), 297);
        QCOMPARE(q->PaperHeight(), 210);

        // No page setup and no printer choice under a running document.
        q->StartPrint();
        q->NewPage();
        messages().clear();
        q->PageSetup();
        q->ShowPrinter();
        QCOMPARE(messages().size(), 2);
        QCOMPARE(prints, 1);
        q->EndDoc();
        LumoPrinter::pageSetupHook = [](QPrinter *, QWidget *) { return false; };
        LumoPrinter::printDialogHook = [](QPrinter *, int, QWidget *) { return false; };
    }

    void pageSetupAppliesEveryPaper()
    {
        auto p = makePrinter();
        ReportHost host(*p, 2);
        // No document yet: the paper changes, nothing is asked of the host.
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageSize(QPageSize(QPageSize::B5)); // ISO B5 has no paper code
            return true;
        };
        p->PageSetup();
        QCOMPARE(host.layouts, 0);
        QCOMPARE(p->PaperSize(), 256);
        QCOMPARE(p->PaperWidth(), 176);
        QCOMPARE(p->PaperHeight(), 250);

        // With a document: A3 landscape lays it out again on the new paper.
        host.layout(0);
        QCOMPARE(host.layouts, 1);
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageSize(QPageSize(QPageSize::A3));
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        p->PageSetup();
        QCOMPARE(host.layouts, 2);
        QCOMPARE(p->PaperSize(), 8);
        QCOMPARE(p->Orientation(), 2);
        PageRecord page;
        QVERIFY(p->loadPage(1, page));
        QCOMPARE(page.paperWidth, 23811.0);
        QCOMPARE(page.paperHeight, 16838.0);
        // OK with nothing changed asks for nothing; a new margin lays out again.
        p->PageSetup();
        QCOMPARE(host.layouts, 2);
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageMargins(QMarginsF(30, 20, 20, 20), QPageLayout::Millimeter);
            return true;
        };
        p->PageSetup();
        QCOMPARE(host.layouts, 3);
        QCOMPARE(p->LeftMargin(), 30.0f);
        // B5 again, with the document: laid out on B5, and printed on it.
        LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) {
            printer->setPageSize(QPageSize(QPageSize::B5));
            printer->setPageOrientation(QPageLayout::Portrait);
            return true;
        };
        p->PageSetup();
        QCOMPARE(host.layouts, 4);
        QVERIFY(p->loadPage(2, page));
        QCOMPARE(page.paperWidth, std::round(176 * 1440 / 25.4));
        QTemporaryDir dir;
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(dir.filePath("b5.pdf"));
        p->cmdPrint->click();
        const QString info = quorvane::test::runTool(QStringLiteral("pdfinfo"), {dir.filePath("b5.pdf")});
        QVERIFY2(info.contains(QStringLiteral("499 x 709")) || info.contains(QStringLiteral("498.9")), qPrintable(info));
        LumoPrinter::pageSetupHook = [](QPrinter *, QWidget *) { return false; };
    }

    void printQueues()
    {
        QTemporaryDir dir;
        auto queues = std::make_shared<FakePrintSystem>();
        queues->pdf = dir.filePath("queue.pdf");
        LumoPrinter::setPrintSystem(queues);
        auto p = makePrinter();
        ReportHost host(*p, 3);
        host.goesOnWhenRefused = true;
        host.layout(0);
        p->PageDown();
        const PreviewState before(*p);

        // No printer when the preview opened, none now: the print says so.
        p->cmdPrint->click();
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages()[0].text, QStringLiteral("错误：482\r\n1:打印机无法打开\r\n2:打印机电源未接通"));
        QVERIFY(PreviewState(*p) == before);

        // A printer set up while the preview is open is found by the next print; the job carries
        // the report's title.
        queues->names = {QStringLiteral("办公室")};
        queues->defaultName = QStringLiteral("办公室");
        messages().clear();
        p->cmdPrint->click();
        QVERIFY(messages().isEmpty());
        QCOMPARE(queues->selected, QStringLiteral("办公室"));
        QCOMPARE(pdfPages(queues->pdf), 3);
        QVERIFY(PreviewState(*p) == before);
        const QString info = quorvane::test::runTool(QStringLiteral("pdfinfo"), {queues->pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+成绩表1\n"))), qPrintable(info));
        // The page on view alone: named by the first title it prints.
        QFile::remove(queues->pdf);
        p->cmdPrint2->click();
        QCOMPARE(pdfPages(queues->pdf), 1);
        QVERIFY(quorvane::test::runTool(QStringLiteral("pdfinfo"), {queues->pdf}).contains(QStringLiteral("成绩表2")));

        // The queue rejects jobs: the print says so and nothing is printed.
        QFile::remove(queues->pdf);
        queues->rejecting = queues->names;
        p->cmdPrint->click();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].text.contains(QStringLiteral("拒绝接受打印任务")));
        QVERIFY(messages()[0].text.startsWith(QStringLiteral("错误：482\r\n1:")));
        QVERIFY(!QFile::exists(queues->pdf));
        QVERIFY(PreviewState(*p) == before);

        // The print system went away after the preview opened.
        queues->rejecting.clear();
        queues->names.clear();
        queues->defaultName.clear();
        messages().clear();
        p->cmdPrint->click();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].text.contains(QStringLiteral("已不存在")));
        QVERIFY(!QFile::exists(queues->pdf));
        QVERIFY(PreviewState(*p) == before);
        LumoPrinter::setPrintSystem(nullptr);
    }

    void printServiceReasons_data()
    {
        QTest::addColumn<QString>("system"); // "cups": the platform's, with no CUPS server to reach
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("printed");    // pages; -1: no file
        const QString down = QStringLiteral("无法连接打印服务，请确认打印服务已经启动！");
        QTest::newRow("CUPS not running") << "cups" << down << -1;
        QTest::newRow("service down") << "down" << down << -1;
        QTest::newRow("queue paused") << "paused" << "打印机“办公室”已暂停，打印任务将在打印机恢复后打印。" << 3;
        QTest::newRow("queue ready") << "ready" << "" << 3;
    }

    void printServiceReasons()
    {
        // Why a print to a queue cannot go, or waits, is told as it is; the print system is asked
        // under the wait cursor, also for the preview's printer as it opens, and the cursor is gone
        // afterwards.
        QFETCH(QString, system);
        QFETCH(QString, told);
        QFETCH(int, printed);
        QTemporaryDir dir;
        auto queues = std::make_shared<FakePrintSystem>();
        queues->pdf = dir.filePath("queue.pdf");
        queues->names = {QStringLiteral("办公室")};
        queues->unreachable = system == QLatin1String("down") ? QStringLiteral("无法连接打印服务，请确认打印服务已经启动！") : QString();
        if (system == QLatin1String("paused"))
            queues->pausedQueues = queues->names;
        LumoPrinter::setPrintSystem(system == QLatin1String("cups") ? nullptr : queues);
        auto p = makePrinter();
        ReportHost host(*p, 3);
        host.layout(0);
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(QString()); // no file: the print goes to a queue
        p->cmdPrint->click();
        LumoPrinter::setPrintSystem(nullptr);
        QStringList texts;
        for (const Message &m : messages())
            texts << m.text;
        QCOMPARE(texts, told.isEmpty() ? QStringList() : QStringList{told});
        QCOMPARE(pdfPages(queues->pdf), printed);
        QCOMPARE(queues->askedWithoutWaitCursor, 0);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void printerChoice()
    {
        QTemporaryDir dir;
        auto p = makePrinter();
        ReportHost host(*p, 5);
        host.layout(0);
        const QString chosen = dir.filePath("chosen.pdf");
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(chosen);

        // Cancel after picking another file (or printer) and paper: all of it is put back.
        LumoPrinter::printDialogHook = [&](QPrinter *printer, int, QWidget *) {
            printer->setOutputFileName(dir.filePath("other.pdf"));
            printer->setPageSize(QPageSize(QPageSize::Letter));
            printer->setCopyCount(3);
            return false;
        };
        p->ShowPrinter();
        QCOMPARE(p->Printer()->outputFileName(), chosen);
        QCOMPARE(p->Printer()->copyCount(), 1);
        QCOMPARE(p->Printer()->pageLayout().pageSize().id(), QPageSize::A4);
        p->cmdPrint->click();
        QCOMPARE(pdfPages(chosen), 5);
        QVERIFY(!QFile::exists(dir.filePath("other.pdf")));

        // Pages 2 to 3 chosen: only they are printed, and only by this print.
        QFile::remove(chosen);
        int offeredMax = 0;
        LumoPrinter::printDialogHook = [&](QPrinter *printer, int, QWidget *) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setPageRanges(QPageRanges());
            printer->setFromTo(2, 3);
            offeredMax = 5;
            return true;
        };
        p->ShowPrinter();
        QCOMPARE(offeredMax, 5);
        QCOMPARE(pdfPages(chosen), 2);
        QString text = pdfText(chosen);
        QVERIFY(text.contains(QStringLiteral("成绩表2")) && text.contains(QStringLiteral("成绩表3")));
        QVERIFY(!text.contains(QStringLiteral("成绩表1")) && !text.contains(QStringLiteral("成绩表4")));
        p->cmdPrint->click();
        QCOMPARE(pdfPages(chosen), 5);

        // US Letter chosen: the document is laid out again on it (the preview first), not stretched.
        QCOMPARE(host.layouts, 4);
        LumoPrinter::printDialogHook = [](QPrinter *printer, int, QWidget *) {
            printer->setPageSize(QPageSize(QPageSize::Letter));
            return true;
        };
        p->ShowPrinter();
        QCOMPARE(host.layouts, 6); // NeedRedraw for the preview, then the print
        QCOMPARE(p->PaperSize(), 1);
        PageRecord page;
        QVERIFY(p->loadPage(1, page));
        QCOMPARE(page.paperWidth, 12240.0);
        QCOMPARE(page.paperHeight, 15840.0);
        const QString info = quorvane::test::runTool(QStringLiteral("pdfinfo"), {chosen});
        QVERIFY2(info.contains(QStringLiteral("612 x 792")), qPrintable(info));
        LumoPrinter::printDialogHook = [](QPrinter *, int, QWidget *) { return false; };
    }

    void printDialogChoicesApplied_data()
    {
        QTest::addColumn<int>("start");          // the document's paper: 9 A4, 256 150 x 200 mm
        QTest::addColumn<bool>("landscape");     // the document lies turned
        QTest::addColumn<QString>("queue");      // "Letter": the queue's paper is Letter with 6.35 mm
                                                 // margins; "Letter 16K": and it lists Letter and a
                                                 // 69 x 95 mm "16K" alone, no size of the user's own;
                                                 // "队列": a print queue of the print system
        QTest::addColumn<QString>("properties"); // 属性 opened: "OK" unchanged, "A5", "left 30"
        QTest::addColumn<QString>("job");        // 反向打印, 份数2, 逐份打印 chosen
        QTest::addColumn<QString>("printed");    // the pages printed, in order (by the queue where there is one)
        QTest::addColumn<int>("paper");          // the document's paper code afterwards
        QTest::addColumn<int>("left");           // its left margin, mm
        QTest::addColumn<int>("layouts");        // the preview's, a new one for a new page, the print's
        const QString own = QStringLiteral("Letter 16K");
        QTest::newRow("反向打印, 2 copies collated") << 9 << false << "" << "" << "反向打印 份数2 逐份打印" << "321321" << 9 << 20 << 2;
        QTest::newRow("反向打印, 2 copies not collated") << 9 << false << "" << "" << "反向打印 份数2" << "332211" << 9 << 20 << 2;
        QTest::newRow("2 copies collated") << 9 << false << "" << "" << "份数2 逐份打印" << "123123" << 9 << 20 << 2;
        QTest::newRow("3 copies not collated") << 9 << false << "" << "" << "份数3" << "111222333" << 9 << 20 << 2;
        QTest::newRow("反向打印, 3 copies collated") << 9 << false << "" << "" << "反向打印 份数3 逐份打印" << "321321321" << 9 << 20 << 2;
        // A queue gets each page once, with the copies and the order to make.
        QTest::newRow("queue, 2 copies collated") << 9 << false << "队列" << "" << "份数2 逐份打印" << "123123" << 9 << 20 << 2;
        QTest::newRow("queue, 2 copies not collated") << 9 << false << "队列" << "" << "份数2" << "112233" << 9 << 20 << 2;
        QTest::newRow("queue, 反向打印, 3 copies collated") << 9 << false << "队列" << "" << "反向打印 份数3 逐份打印" << "321321321" << 9 << 20 << 2;
        QTest::newRow("queue, 反向打印, 3 copies not collated") << 9 << false << "队列" << "" << "反向打印 份数3" << "333222111" << 9 << 20 << 2;
        QTest::newRow("queue on Letter, 打印") << 9 << false << "Letter" << "" << "" << "123" << 9 << 20 << 2;
        QTest::newRow("queue on Letter, 属性 OK") << 9 << false << "Letter" << "OK" << "" << "123" << 9 << 20 << 2;
        QTest::newRow("queue on Letter, A5 in 属性") << 9 << false << "Letter" << "A5" << "" << "123" << 11 << 20 << 3;
        QTest::newRow("left margin 30 in 属性") << 9 << false << "" << "left 30" << "" << "123" << 9 << 30 << 3;
        QTest::newRow("paper of its own, 打印") << 256 << false << "" << "" << "" << "123" << 256 << 20 << 2;
        QTest::newRow("paper of its own, 属性 OK") << 256 << false << "" << "OK" << "" << "123" << 256 << 20 << 2;
        QTest::newRow("paper of its own, queue without it, 打印") << 256 << false << own << "" << "" << "123" << 256 << 20 << 2;
        QTest::newRow("paper of its own, queue without it, 属性 OK") << 256 << false << own << "OK" << "" << "123" << 256 << 20 << 2;
        QTest::newRow("landscape A4, 属性 OK") << 9 << true << "" << "OK" << "" << "123" << 9 << 20 << 2;
        QTest::newRow("landscape A4, queue without it, 属性 OK") << 9 << true << own << "OK" << "" << "123" << 9 << 20 << 2;
        QTest::newRow("landscape paper of its own, 属性 OK") << 256 << true << "" << "OK" << "" << "123" << 256 << 20 << 2;
        QTest::newRow("landscape paper of its own, queue without it, 属性 OK") << 256 << true << own << "OK" << "" << "123" << 256 << 20 << 2;
    }

    void printDialogChoicesApplied()
    {
        // The print dialog of ShowPrinter, driven as a user does, over a three-page document with
        // 20 mm margins printed to PDF: every choice it offers is applied.
        QFETCH(int, start);
        QFETCH(bool, landscape);
        QFETCH(QString, queue);
        QFETCH(QString, properties);
        QFETCH(QString, job);
        QFETCH(QString, printed);
        QFETCH(int, paper);
        QFETCH(int, left);
        QFETCH(int, layouts);
        const bool reverse = job.contains(QStringLiteral("反向打印")), collate = job.contains(QStringLiteral("逐份打印"));
        const auto asked = QRegularExpression(QStringLiteral("份数(\\d)")).match(job);
        const int copies = asked.hasMatch() ? asked.captured(1).toInt() : 1;
        // A queue with a list of its own stands in as the print system's (this machine has no
        // print server): it lists its sizes to the dialog, and its printer refuses a page on a
        // paper it does not list.
        auto queues = std::make_shared<FakePrintSystem>();
        queues->standIn = queue.contains(QStringLiteral("16K")) || queue == QStringLiteral("队列");
        if (queue.contains(QStringLiteral("16K")))
            queues->listed = {QPageSize(QPageSize::Letter), QPageSize(QSizeF(69, 95), QPageSize::Millimeter, QStringLiteral("16K"))};
        if (queues->standIn)
            LumoPrinter::setPrintSystem(queues);
        useRealPrintDialog();
        QTemporaryDir dir;
        const QString pdf = dir.filePath("choices.pdf");
        auto p = makePrinter();
        p->setOrientation(landscape ? 2 : 1);
        p->setPaperSize(start);
        p->setPaperWidth(landscape ? 200 : 150);
        p->setPaperHeight(landscape ? 150 : 200);
        const QSize startSize(p->PaperWidth(), p->PaperHeight());
        ReportHost host(*p, 3);
        host.layout(0);
        p->Printer()->setOutputFormat(QPrinter::PdfFormat);
        p->Printer()->setOutputFileName(pdf);
        QString shown; // what 属性 showed when it opened
        const auto okOf = [](QWidget *d) { return d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok); };
        QTimer::singleShot(0, p.get(), [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            if (queue.startsWith(QLatin1String("Letter"))) {
                // A queue of a print server that defaults to Letter: the dialog takes its paper
                // and margins once the queue is chosen.
                d->printer()->setPageSize(QPageSize(QPageSize::Letter));
                d->printer()->setPageMargins(QMarginsF(6.35, 6.35, 6.35, 6.35), QPageLayout::Millimeter);
            }
            if (!properties.isEmpty()) {
                QTimer::singleShot(0, d, [&] {
                    QWidget *s = QApplication::activeModalWidget();
                    auto *size = s->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"));
                    auto *margin = s->findChild<QDoubleSpinBox *>(QStringLiteral("leftMargin"));
                    shown = QStringLiteral("%1 %2 %3").arg(size->currentText()).arg(
                        s->findChild<QRadioButton *>(QStringLiteral("portrait"))->isChecked() ? "portrait" : "landscape").arg(margin->value());
                    if (properties == QLatin1String("A5"))
                        size->setCurrentIndex(size->findText(QPageSize(QPageSize::A5).name()));
                    if (properties == QLatin1String("left 30"))
                        margin->setValue(30);
                    QTest::mouseClick(okOf(s), Qt::LeftButton);
                });
                QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("properties")), Qt::LeftButton);
            }
            d->findChild<QCheckBox *>(QStringLiteral("reverse"))->setChecked(reverse);
            d->findChild<QSpinBox *>(QStringLiteral("copies"))->setValue(copies);
            d->findChild<QCheckBox *>(QStringLiteral("collate"))->setChecked(collate);
            QTest::mouseClick(okOf(d), Qt::LeftButton);
        });
        p->ShowPrinter();

        // 属性 opens on the document's paper, orientation and margins, whatever the queue's are.
        const QString startName = start == 9 ? QStringLiteral("A4") : QStringLiteral("Custom");
        const QString turned = landscape ? QStringLiteral(" landscape 20") : QStringLiteral(" portrait 20");
        QCOMPARE(shown, properties.isEmpty() ? QString() : startName + turned);
        QCOMPARE(p->PaperSize(), paper);
        QCOMPARE(p->Orientation(), landscape ? 2 : 1);
        if (paper == start)
            QCOMPARE(QSize(p->PaperWidth(), p->PaperHeight()), startSize);
        QCOMPARE(p->LeftMargin(), float(left));
        QCOMPARE(p->RightMargin(), 20.0f);
        QCOMPARE(p->TopMargin(), 20.0f);
        QCOMPARE(host.layouts, layouts);
        // Printed on the document's paper, pages last to first when so chosen, as many copies as
        // were asked for.
        const QString info = quorvane::test::runTool(QStringLiteral("pdfinfo"), {pdf});
        const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)")).match(info);
        QVERIFY2(size.hasMatch(), qPrintable(info));
        QVERIFY(std::abs(size.captured(1).toDouble() - p->PaperWidth() * 72 / 25.4) < 1);
        QVERIFY(std::abs(size.captured(2).toDouble() - p->PaperHeight() * 72 / 25.4) < 1);
        const QString text = pdfText(pdf);
        const qsizetype first = text.indexOf(QStringLiteral("成绩表1")), last = text.indexOf(QStringLiteral("成绩表3"));
        QVERIFY(first >= 0 && last >= 0);
        if (queues->standIn) {
            // The job holds each page once, in order; the queue makes the rest of it.
            QCOMPARE(printedPages(pdf), QStringLiteral("123"));
            QCOMPARE(queuePrinted(p->Printer(), printedPages(pdf)), printed);
        } else {
            QCOMPARE(last < first, reverse);
            QCOMPARE(printedPages(pdf), printed);
        }
        // The other choices stay as the dialog set them.
        QCOMPARE(p->Printer()->copyCount(), copies);
        QCOMPARE(p->Printer()->collateCopies(), collate);
    }

    void printDialogPageListWithPageSet_data()
    {
        QTest::addColumn<QString>("typed");   // 页数
        QTest::addColumn<int>("set");         // 页面组: 1 奇数页面, 2 偶数页面
        QTest::addColumn<QString>("job");     // 反向打印, 份数2, 每张页数2 chosen
        QTest::addColumn<QString>("printed"); // the pages printed, in order; empty: none, the dialog stays
        QTest::newRow("2-4 奇数页面") << "2-4" << 1 << "" << "3";
        QTest::newRow("2-4 偶数页面") << "2-4" << 2 << "" << "24";
        QTest::newRow("1,3-5 奇数页面") << "1,3-5" << 1 << "" << "135";
        QTest::newRow("1,3-5 奇数页面, 反向打印") << "1,3-5" << 1 << "反向打印" << "531";
        QTest::newRow("2-4 偶数页面, 份数2") << "2-4" << 2 << "份数2" << "2424";
        QTest::newRow("1,3-5 奇数页面, 每张页数2") << "1,3-5" << 1 << "每张页数2" << "135";
        QTest::newRow("2 奇数页面: no page") << "2" << 1 << "" << "";
    }

    void printDialogPageListWithPageSet()
    {
        // A 页数 list with 奇数页面 or 偶数页面 in the print dialog of ShowPrinter, driven as a user
        // does over a five-page document, printed on a queue printer (into a PDF file): the pages
        // are chosen by their numbers in the document, and the job carries no page set that the
        // queue would apply again to the positions in the job. What the queue prints is compared.
        QFETCH(QString, typed);
        QFETCH(int, set);
        QFETCH(QString, job);
        QFETCH(QString, printed);
        QueuedReport report;
        LumoPrinter *const p = report.p.get();
        bool stayed = false;
        int setLeft = -1; // 页面组 of a dialog that stayed open
        QString told;     // a box of Qt's own the dialog showed
        const auto okOf = [](QWidget *w) { return w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok); };
        QTimer::singleShot(0, p, [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            if (job.contains(QStringLiteral("每张页数2"))) {
                QTimer::singleShot(0, d, [&] {
                    QWidget *s = QApplication::activeModalWidget();
                    s->findChild<QComboBox *>(QStringLiteral("pagesPerSheetCombo"))->setCurrentIndex(1);
                    QTest::mouseClick(okOf(s), Qt::LeftButton);
                });
                QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("properties")), Qt::LeftButton);
            }
            // (To a file Qt disables 页数 and 页面组; a print queue enables them.)
            auto *radio = d->findChild<QRadioButton *>(QStringLiteral("pagesRadioButton"));
            auto *list = d->findChild<QLineEdit *>(QStringLiteral("pagesLineEdit"));
            auto *pageSet = d->findChild<QComboBox *>(QStringLiteral("pageSetCombo"));
            for (QWidget *w : {static_cast<QWidget *>(radio), static_cast<QWidget *>(list), static_cast<QWidget *>(pageSet)})
                w->setEnabled(true);
            radio->setChecked(true);
            list->setText(typed);
            pageSet->setCurrentIndex(set);
            d->findChild<QCheckBox *>(QStringLiteral("reverse"))->setChecked(job.contains(QStringLiteral("反向打印")));
            d->findChild<QSpinBox *>(QStringLiteral("copies"))->setValue(job.contains(QStringLiteral("份数2")) ? 2 : 1);
            QTimer::singleShot(0, d, [&] {
                // A box of Qt's own (which refuses a page set beside 每张页数) is closed and noted.
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    told = box->text();
                    box->reject();
                }
            });
            QTest::mouseClick(okOf(d), Qt::LeftButton);
            if ((stayed = d->isVisible())) {
                setLeft = pageSet->currentIndex();
                d->reject();
            }
        });
        p->ShowPrinter();
        QCOMPARE(told, QString());
        QCOMPARE(stayed, printed.isEmpty());
        QCOMPARE(setLeft, stayed ? set : -1); // as the user left it
        // The queue makes the copies and puts the pages last to first.
        QCOMPARE(report.printed(), printed);
        if (printed.isEmpty()) {
            // Told as a wrong list is, nothing printed.
            QCOMPARE(messages().size(), 1);
            QCOMPARE(messages()[0].text, QStringLiteral("页数“2”中没有奇数页面！请重新输入页数，或选择其他页面组。"));
            QCOMPARE(messages()[0].caption, QStringLiteral("系统提示:"));
            QVERIFY(!QFile::exists(report.pdf));
            return;
        }
        QVERIFY(messages().isEmpty());
        const QStringList options = dynamic_cast<QueuePrinter *>(p->Printer())->jobs().last().options;
        QVERIFY2(!options.contains(QStringLiteral("page-set")), qPrintable(options.join(' ')));
        const qsizetype up = options.indexOf(QStringLiteral("number-up"));
        QCOMPARE(up >= 0 && options.value(up + 1) == QLatin1String("2"), job.contains(QStringLiteral("每张页数2")));
    }

    void pageSetEndsWithItsPrint_data()
    {
        QTest::addColumn<int>("from");        // 从 (0: 全部)
        QTest::addColumn<int>("to");          // 到
        QTest::addColumn<int>("set");         // 页面组: 1 奇数页面, 2 偶数页面
        QTest::addColumn<QString>("printed"); // the pages the queue prints of the dialog's print
        QTest::addColumn<int>("then");        // the next print: 0 打印全部, else 打印当前页 on that page
        QTest::addColumn<QString>("next");    // the pages the queue prints of it
        QTest::newRow("从2到5 奇数页面, then 打印全部") << 2 << 5 << 1 << "35" << 0 << "12345";
        QTest::newRow("从2到4 偶数页面, then 打印全部") << 2 << 4 << 2 << "24" << 0 << "12345";
        QTest::newRow("全部 偶数页面, then 打印当前页") << 0 << 0 << 2 << "24" << 3 << "3";
    }

    void pageSetEndsWithItsPrint()
    {
        // 奇数页面 or 偶数页面 chosen in the print dialog of ShowPrinter over a five-page document on a
        // print queue goes with the print the dialog starts, and with no later print; 份数 (2,
        // collated) stays on the printer.
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, set);
        QFETCH(QString, printed);
        QFETCH(int, then);
        QFETCH(QString, next);
        QueuedReport report;
        LumoPrinter *const p = report.p.get();
        QTimer::singleShot(0, p, [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            // (To a file Qt disables 页面组; a print queue enables it.)
            auto *range = d->findChild<QRadioButton *>(QStringLiteral("printRange"));
            auto *fromBox = d->findChild<QSpinBox *>(QStringLiteral("from"));
            auto *toBox = d->findChild<QSpinBox *>(QStringLiteral("to"));
            auto *pageSet = d->findChild<QComboBox *>(QStringLiteral("pageSetCombo"));
            for (QWidget *w : std::initializer_list<QWidget *>{range, fromBox, toBox, pageSet})
                w->setEnabled(true);
            if (from > 0) {
                range->setChecked(true);
                fromBox->setValue(from);
                toBox->setValue(to);
            }
            pageSet->setCurrentIndex(set);
            d->findChild<QSpinBox *>(QStringLiteral("copies"))->setValue(2);
            d->findChild<QCheckBox *>(QStringLiteral("collate"))->setChecked(true);
            QTest::mouseClick(d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        p->ShowPrinter();
        QCOMPARE(report.printed(), printed.repeated(2));
        if (then > 0) {
            p->SetViewPage(then);
            p->cmdPrint2->click();
        } else {
            p->cmdPrint->click();
        }
        QCOMPARE(report.printed(), next.repeated(2));
        QVERIFY(messages().isEmpty());
    }

    void paperCodes()
    {
        // The printer paper codes and the sheets they stand for, in whole twips.
        auto p = makePrinter();
        const struct { int code; double w, h; } sheets[] = {
            {9, 11906, 16838},   // A4
            {8, 16838, 23811},   // A3
            {11, 8391, 11906},   // A5
            {1, 12240, 15840},   // Letter 8.5 x 11 in
            {5, 12240, 20160},   // Legal 8.5 x 14 in
            {13, 10318, 14570},  // B5 (JIS)
            {14, 12240, 18720},  // Folio 8.5 x 13 in
            {93, 8277, 12189},   // PRC 16K 146 x 215 mm
            {70, 5953, 8391},    // A6
        };
        for (const auto &sheet : sheets) {
            messages().clear();
            p->setPaperSize(sheet.code);
            QVERIFY2(messages().isEmpty(), qPrintable(QString::number(sheet.code)));
            QCOMPARE(p->PaperSize(), sheet.code);
            QCOMPARE(p->paperWidthTwips(), sheet.w);
            QCOMPARE(p->paperHeightTwips(), sheet.h);
            // The printer takes the paper, and reads back as the same code.
            QCOMPARE(lumo::codeForPageSize(p->Printer()->pageLayout().pageSize()), sheet.code == 14 ? 41 : sheet.code);
        }
        bool ok = true;
        lumo::pageSizeForCode(256, &ok);
        QVERIFY(!ok);
        QCOMPARE(lumo::codeForPageSize(QPageSize(QSizeF(123, 45), QPageSize::Millimeter)), 256);
        // A code beyond 16 bits is refused and the field keeps its value.
        p->setPaperSize(9);
        messages().clear();
        p->setPaperSize(70000);
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages()[0].text, QStringLiteral("无效属性值!"));
        QCOMPARE(p->PaperSize(), 9);
    }

    void directPrintDetails()
    {
        Grid g;
        g.setCols(3);
        g.setRows(1 + 60);
        g.setFixedRows(1);
        g.setFixedCols(0);
        for (int c = 0; c < 3; ++c) {
            g.setColWidth(c, 1500);
            g.setColAlignment(c, Grid::General);
            g.setTextMatrix(0, c, QStringLiteral("列%1").arg(c + 1));
        }
        for (int r = 0; r < g.Rows(); ++r)
            g.setRowHeight(r, 450);
        for (int r = 4; r < g.Rows(); ++r)
            g.setTextMatrix(r, 0, QStringLiteral("行%1").arg(r));
        // A run of the merging column over a hidden row: the column rule takes the cell, so the
        // merging row does not widen it.
        g.setMergeCol(0, true);
        g.setTextMatrix(1, 0, QStringLiteral("甲"));
        g.setTextMatrix(2, 0, QStringLiteral("甲"));
        g.setRowHeight(2, 0);
        g.setTextMatrix(1, 1, QStringLiteral("甲"));
        g.setMergeRow(1, true);
        // Two empty cells of a merging row stay two cells.
        g.setMergeRow(3, true);
        g.setTextMatrix(3, 2, QStringLiteral("5"));
        // General alignment: digits only to the right, anything else to the left.
        g.setTextMatrix(4, 1, QStringLiteral("12.5"));
        g.setTextMatrix(4, 2, QStringLiteral("007"));

        auto p = makePrinter();
        p->StartPrint();
        p->NewPage();
        QVector<QPair<int, QString>> autoPages;
        connect(p.get(), &LumoPrinter::NewPageAutoCreated, p.get(),
                [&](int page, const QString &name) { autoPages.push_back({page, name}); });
        const double startX = 10 * 56.6929;
        p->DirectPrint(&g, QString(), 12, 2, 10);
        QVERIFY(autoPages.size() >= 1);
        QCOMPARE(autoPages[0], qMakePair(1, QStringLiteral("MSFlexGrid"))); // the page on view, the type name
        // The heading row repeated on the next page starts at the table's left edge, not at 0.
        const auto rects2 = opsOf(p->surfacePage(), PageOp::Rect);
        QVERIFY(!rects2.isEmpty());
        QCOMPARE(rects2[0].x1, float(startX));
        QCOMPARE(rects2[0].y1, 0.0f);
        p->EndDoc();

        PageRecord page1;
        QVERIFY(p->loadPage(1, page1));
        const auto rects = opsOf(page1, PageOp::Rect);
        const auto cellAt = [&](double x, double y) {
            for (const auto &op : rects) {
                if (qFuzzyCompare(op.x1, float(x)) && qFuzzyCompare(1 + op.y1, 1 + float(y)))
                    return op;
            }
            return PageOp();
        };
        // Row 1: "甲" of the merging column over rows 1 and 2 (the second hidden), one column wide.
        const PageOp run = cellAt(startX, 450);
        QCOMPARE(run.x2 - run.x1, 1500.0f);
        QCOMPARE(run.y2 - run.y1, 450.0f);
        // Row 3 (y 900, after the hidden row): the two empty cells are two cells.
        QCOMPARE(cellAt(startX, 900).x2 - cellAt(startX, 900).x1, 1500.0f);
        QCOMPARE(cellAt(startX + 1500, 900).x2 - cellAt(startX + 1500, 900).x1, 1500.0f);
        const double m = 56.6929;
        for (const auto &op : opsOf(page1, PageOp::Text)) {
            if (op.text == QStringLiteral("12.5"))
                QCOMPARE(op.x1, float(startX + 1500 + m));                  // left
            if (op.text == QStringLiteral("007"))
                QCOMPARE(op.x1, float(startX + 3000 + 1500 - 3 * 90 - m)); // right
        }

        // A cancel from the page event stops the table between rows; the font (zoomed for the
        // table in the preview) is put back.
        PropertyBag bag;
        bag.write("Zoom", 1.5f);
        auto q = makePrinter();
        q->ReadProperties(bag);
        q->StartPrint();
        q->NewPage();
        const float size = q->FontSize();
        connect(q.get(), &LumoPrinter::NewPageAutoCreated, q.get(), [&] { q->CancelPrint(); });
        q->DirectPrint(&g, QStringLiteral("名单"));
        QCOMPARE(q->PageCount(), 2);
        QCOMPARE(q->FontSize(), size);
        QVERIFY(!q->surfacePage().texts().contains(QStringLiteral("名单")));
        q->EndDoc();
    }

    void propertyDescriptions()
    {
        QCOMPARE(LumoPrinter::describeProperty(QStringLiteral("LeftMargin")), QStringLiteral("设置/返回打印纸的左边界，单位是mm。"));
        QCOMPARE(LumoPrinter::describeProperty(QStringLiteral("TopCellMargin")),
                 QStringLiteral("设置/返回表格内字距离上边框的尺寸，单位是mm。"));
        QCOMPARE(LumoPrinter::describeProperty(QStringLiteral("PaperSize")), QStringLiteral("取得/设置打印纸的型号"));
        QVERIFY(LumoPrinter::describeProperty(QStringLiteral("Busy")).endsWith(QStringLiteral("CancelPrint（设计时不可用）。")));
        // Every property the control publishes has its description; the measuring methods have none.
        const QStringList described = {"BorderStyle", "BackColor", "PaperColor", "Orientation", "PaperSize",
                                       "PaperWidth", "PaperHeight", "LeftMargin", "TopMargin", "RightMargin",
                                       "BottomMargin", "LeftCellMargin", "TopCellMargin", "RightCellMargin",
                                       "BottomCellMargin", "DrawWidth", "DrawStyle", "DrawMode", "ForeColor", "Font",
                                       "PageCount", "CurrentPage", "ScaleHeight", "ScaleWidth", "CurrentX", "CurrentY",
                                       "Busy", "IsPrinter"};
        for (const QString &name : described)
            QVERIFY2(LumoPrinter::describeProperty(name).startsWith(QStringLiteral("设置/返回"))
                         || LumoPrinter::describeProperty(name).startsWith(QStringLiteral("返回"))
                         || LumoPrinter::describeProperty(name).startsWith(QStringLiteral("取得")),
                     qPrintable(name));
        QVERIFY(LumoPrinter::describeProperty(QStringLiteral("TextWidth")).isEmpty());
        QVERIFY(LumoPrinter::describeProperty(QStringLiteral("FontSize")).isEmpty());
    }

    void persistence()
    {
        auto p = makePrinter();
        PropertyBag empty;
        p->ReadProperties(empty);
        PropertyBag untouched;
        p->WriteProperties(untouched);
        QCOMPARE(untouched.size(), 0); // every value at its default

        QStringList marked;
        connect(p.get(), &LumoPrinter::PropertyChanged, p.get(), [&](const QString &n) { marked << n; });
        p->setAutoRedraw(true);
        p->setReviewFrom1st(false);
        p->setLeftMargin(15);
        p->setBottomCellMargin(2);
        p->setOrientation(2); // not marked
        p->setDrawWidth(2);
        p->setForeColor(0x0000FF);
        QFont f(QStringLiteral("黑体"));
        f.setPointSizeF(12);
        f.setBold(true);
        p->setFont(f);
        p->setPaperColor(0xEEEEEE);
        p->setBorderStyle(0);
        p->setToolBarVisible(false);
        QVERIFY(marked.contains("LeftMargin") && marked.contains("Font") && marked.contains("AutoRedraw"));
        QVERIFY(!marked.contains("Orientation"));
        // Width and height of a paper with a code are not the user's to set: nothing is marked.
        p->setPaperWidth(100);
        p->setFontSize(12);
        QVERIFY(!marked.contains("PaperWidth"));
        QVERIFY(!marked.contains("FontSize"));
        QCOMPARE(p->PaperWidth(), 297);
        p->setBorderStyle(70000); // beyond 16 bits: no change
        QCOMPARE(p->BorderStyle(), 0);

        PropertyBag bag;
        p->WriteProperties(bag);
        QVERIFY(bag.contains("leftmargin"));
        auto q = makePrinter();
        q->ReadProperties(bag);
        QCOMPARE(q->AutoRedraw(), true);
        QCOMPARE(q->ReviewFrom1st(), false);
        QCOMPARE(q->LeftMargin(), 15.0f);
        QCOMPARE(q->BottomCellMargin(), 2.0f);
        QCOMPARE(q->Orientation(), 2);
        QCOMPARE(q->PaperWidth(), 297);
        QCOMPARE(q->DrawWidth(), 2);
        QCOMPARE(q->ForeColor(), OleColor(0x0000FF));
        QCOMPARE(q->Font().family(), QStringLiteral("黑体"));
        QVERIFY(q->Font().bold());
        QCOMPARE(q->PaperColor(), OleColor(0xEEEEEE));
        QCOMPARE(q->BorderStyle(), 0);
        QCOMPARE(q->ToolBarVisible(), false);
        PropertyBag again;
        q->WriteProperties(again);
        QCOMPARE(again.keys().size(), bag.keys().size());

        // The stored font is what the next document starts with.
        q->StartPrint();
        QCOMPARE(q->Font().family(), QStringLiteral("黑体"));
        QCOMPARE(q->FontSize(), 12.0f);
        q->EndDoc();
    }

    // Three pages with Chinese text, a table with mixed borders, a head and a foot line, printed to
    // PDF with the real fonts (LUMO_DEMO_PDF names the file to keep).
    void demonstrationDocument()
    {
        QTemporaryDir dir;
        const QString pdf = qEnvironmentVariableIsSet("LUMO_DEMO_PDF") ? qEnvironmentVariable("LUMO_DEMO_PDF")
                                                                        : dir.filePath("demo.pdf");
        LumoPrinter p;
        p.Header()->RightFont()->setUnderline(true);
        p.Header()->RightFont()->setItalic(true);
        p.Header()->setRightColor(16711680);
        connect(&p, &LumoPrinter::PrintHeader, &p, [](PageTextArgs &a) {
            a.LeftText = QStringLiteral("Quorvane");
            a.RightText = QStringLiteral("Wexmoor");
        });
        connect(&p, &LumoPrinter::PrintFooter, &p, [](PageTextArgs &a) {
            a.CenterText = QStringLiteral("第%1页").arg(a.CurrentPage);
            a.RightText = QStringLiteral("2026-12-08");
        });
        p.Printer()->setOutputFormat(QPrinter::PdfFormat);
        p.Printer()->setOutputFileName(pdf);
        QVERIFY(p.StartPrint(1));

        const QStringList heads = {QStringLiteral("班级"), QStringLiteral("姓名"), QStringLiteral("语文"),
                                   QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("总分")};
        const float widths[] = {25, 30, 25, 25, 25, 30};
        const QStringList names = {QStringLiteral("张伟"), QStringLiteral("王芳"), QStringLiteral("李娜"),
                                   QStringLiteral("刘洋"), QStringLiteral("陈静"), QStringLiteral("杨磊")};
        for (int page = 1; page <= 3; ++page) {
            p.NewPage();
            p.Font().setFamily(QStringLiteral("黑体"));
            p.TitleOut(QStringLiteral("高一年级期中考试成绩册（第%1部分）").arg(page), 16, 2);
            p.Font().setFamily(QStringLiteral("宋体"));
            p.setFontSize(10.5f);
            for (int c = 0; c < 6; ++c)
                p.CellOut(heads[c], widths[c], 8, 4, QStringLiteral("2222"), 0xE0E0E0);
            p.NewCellRow(0, 0, 8);
            for (int r = 0; r < 18; ++r) {
                // Mixed borders: outer edges thick, inner rows with top and bottom only.
                for (int c = 0; c < 6; ++c) {
                    const QString border = c == 0 ? QStringLiteral("2101") : c == 5 ? QStringLiteral("0121")
                                                                                    : QStringLiteral("0101");
                    const int n = page * 100 + r;
                    const QString text = c == 0 ? QStringLiteral("高一(%1)班").arg(r % 4 + 1)
                                       : c == 1 ? names[r % names.size()]
                                       : c == 5 ? QString::number(200 + n % 97)
                                                : QString::number(60 + (n * (c + 3)) % 40);
                    p.CellOut(text, widths[c], 7, c >= 2 ? 7 : 4, border);
                }
                p.NewCellRow(0, 0, 7);
            }
            p.NewRow();
            p.TextOutEx(QStringLiteral("说明：本成绩册由考务系统自动生成，成绩以教务处最终公布为准。"
                                       "如对成绩有疑问，请于三日内向班主任提出复核申请。\r\n"
                                       "缺考学生的成绩记为缺考，作弊学生的成绩记为作弊，均不参加排名。"));
            p.RectOut(0, 0, p.ScaleWidth(), p.ScaleHeight(), 0x808080);
        }
        p.EndDoc();
        QCOMPARE(pdfPages(pdf), 3);
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("高一年级期中考试成绩册")), qPrintable(text.left(400)));
        QVERIFY(text.contains(QStringLiteral("第3页")));
        QVERIFY(text.contains(QStringLiteral("张伟")));
    }
};

QTEST_MAIN(tst_engine_print)
#include "tst_engine_print.moc"
