// The print control: the document and its pages, the head and foot lines.
#include "LumoPrinter.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <numeric>
#include <utility>

namespace quorvane {

namespace {
// The message of a printer that cannot take the print, with the reason known.
QString printerError(const QString &reason)
{
    return QStringLiteral("错误：482\r\n1:") + reason + QStringLiteral("\r\n2:打印机电源未接通");
}
} // namespace

bool LumoPrinter::StartPrint(int PrintDest)
{
    // Documents never nest: a start requested from inside a running document's event processing
    // is refused.
    if (m_yieldDepth > 0)
        return false;
    endRefusedRun();
    if (PrintDest != 0 && PrintDest != 1) {
        message(QStringLiteral("参数错误！"));
        return false;
    }
    if (PrintDest == 1) {
        // Make sure the print can be handed over before anything changes, so that a printer that
        // cannot be opened leaves the zoom, the document and the preview as they were.
        QString pausedQueue;
        const QString problem = printerProblem(pausedQueue);
        if (!problem.isEmpty()) {
            beginRefusedRun();
            message(problem);
            return false;
        }
        if (!pausedQueue.isEmpty())
            message(QStringLiteral("打印机“%1”已暂停，打印任务将在打印机恢复后打印。").arg(pausedQueue));
        m_printerPainter.reset();
        m_printedPages = 0;
        m_runPages = 0;
        m_runRanges = std::exchange(m_pendingRanges, QPageRanges());
        beginPageOrder(std::exchange(m_pendingPageSet, QString()));
        // The preview keeps its own pages while the printer run counts its own.
        if (!m_busy || !m_isPrinter)
            m_previewPageCount = m_pageCount;
    } else {
        m_memPages.clear();
    }
    m_runTitle.clear();
    m_isPrinter = PrintDest == 1;
    writeStatus();

    Surface &s = out();
    s.font = m_savedFont;
    s.drawMode = m_savedDrawMode;
    s.drawStyle = m_savedDrawStyle;
    s.drawWidth = m_savedDrawWidth;
    s.foreColor = m_savedForeColor;
    s.currentX = s.currentY = 0;
    if (m_isPrinter) {
        m_savedZoom = m_zoom;
        m_zoom = 1;
    } else {
        imgDsp->hide();
        s.font.setPointSizeF(m_savedFont.pointSizeF() * double(m_zoom));
        const int w = int(std::floor(m_savedDrawWidth * double(m_zoom)));
        s.drawWidth = w <= 1 ? 1 : w;
    }
    s.scaleWidth = m_paperWidth;
    s.scaleHeight = m_paperHeight;
    s.scaleLeft = -m_leftMargin;
    s.scaleTop = -m_topMargin;
    resetSurface(s, true);
    m_pageCount = 0;
    m_busy = true;
    m_cancelRequested = false;
    VScroll1->setValue(0);
    HScroll1->setValue(0);
    return true;
}

void LumoPrinter::NewPage()
{
    if (m_refused || m_cancelRequested)
        return;
    writeStatus();
    if (!m_isPrinter) {
        if (m_pageCount > 0)
            closePreviewPage(false);
        resetSurface(m_picDest, true);
    } else if (m_pageCount > 0) {
        raiseFooterAndDraw();
        printSurfacePage();
    }
    ++m_pageCount;
    Surface &s = out();
    if (m_isPrinter)
        s.record = std::make_shared<PageRecord>();
    s.outerWidth = m_paperWidth * zoomOf();
    s.outerHeight = m_paperHeight * zoomOf();
    s.scaleWidth = m_paperWidth;
    s.scaleHeight = m_paperHeight;
    s.scaleLeft = -m_leftMargin;
    s.scaleTop = -m_topMargin;
    resetSurface(s, false);
    if (!m_isPrinter)
        drawCornerMarks();
    s.currentX = 0;
    s.currentY = 0;
    const PageTextArgs args = askPageTexts(&LumoPrinter::PrintHeader);
    if (!args.LeftText.isEmpty() || !args.CenterText.isEmpty() || !args.RightText.isEmpty())
        pNewCellRow(args.LeftText, args.CenterText, args.RightText);
    yieldEvents();
}

void LumoPrinter::beginRefusedRun()
{
    // What the refused run's layout may set (paper, margins, font, pen, position) is put back when
    // the run ends, so the preview goes on as it was.
    m_refused = true;
    m_refusedSnapshot = std::make_unique<RefusedSnapshot>(RefusedSnapshot{
        m_orientation, m_paperSize, m_paperWidth, m_paperHeight,
        {m_leftMargin, m_topMargin, m_rightMargin, m_bottomMargin}, {m_lcm, m_tcm, m_rcm, m_bcm}, m_picDest});
}

void LumoPrinter::endRefusedRun()
{
    if (!m_refused)
        return;
    m_refused = false;
    if (!m_refusedSnapshot)
        return;
    const RefusedSnapshot &r = *m_refusedSnapshot;
    m_orientation = r.orientation;
    m_paperSize = r.paperSize;
    m_paperWidth = r.paperWidth;
    m_paperHeight = r.paperHeight;
    m_leftMargin = r.margins[0], m_topMargin = r.margins[1], m_rightMargin = r.margins[2], m_bottomMargin = r.margins[3];
    m_lcm = r.cellMargins[0], m_tcm = r.cellMargins[1], m_rcm = r.cellMargins[2], m_bcm = r.cellMargins[3];
    m_picDest = r.surface;
    m_refusedSnapshot.reset();
}

void LumoPrinter::EndDoc()
{
    if (m_refused) {
        // The document never started (its printer could not be opened): nothing to end, and
        // whatever its layout set is undone.
        endRefusedRun();
        return;
    }
    if (!m_busy)
        return; // no document: a second EndDoc must not draw a second foot line onto the last page
    raiseFooterAndDraw();
    if (m_isPrinter) {
        if (m_pageCount > 0)
            printSurfacePage();
        printHeldPages();
        if (m_printerPainter) {
            m_printerPainter->end();
            m_printerPainter.reset();
            m_printerShapes.clear();
        }
        endPageOrder();
        m_isPrinter = false;
        m_zoom = m_savedZoom;
        // Back to the preview's document: its page count and the page on view are as they were.
        m_pageCount = m_previewPageCount;
    } else {
        m_previewTitle = m_runTitle;
        if (m_pageCount == 1) {
            showFirstPageImage();
            imgDsp->show();
            cmdPageUp->setEnabled(false);
        }
        if (m_pageCount == 2)
            cmdPageDown->setEnabled(true);
        fileFinishedPage();
        if (m_pageCount >= 1 && m_currentPage > m_pageCount) {
            // The new document is shorter than the page that was on view: show its last page, so
            // the page shown never exceeds the page count.
            m_currentPage = m_pageCount;
            showPageFile(m_currentPage);
            imgDsp->show();
            cmdPageUp->setEnabled(m_currentPage > 1);
            cmdPageDown->setEnabled(false);
            restoreCursor();
        }
    }
    m_busy = false;
    writeStatus();
    if (!m_deferred.empty() && !m_flushScheduled) {
        m_flushScheduled = true;
        QTimer::singleShot(0, this, &LumoPrinter::flushDeferred);
    }
}

void LumoPrinter::CancelPrint()
{
    if (m_busy)
        m_cancelRequested = true;
}

void LumoPrinter::writeStatus()
{
    // The page shown never exceeds the page count.
    const int shown = std::min(m_currentPage, m_pageCount);
    Label2->setText(QStringLiteral("状态:%1/%2(页)").arg(shown).arg(m_pageCount));
}

void LumoPrinter::restoreCursor()
{
    if (m_hourglass) {
        m_hourglass = false;
        QApplication::restoreOverrideCursor();
    }
}

PageTextArgs LumoPrinter::askPageTexts(void (LumoPrinter::*event)(PageTextArgs &))
{
    PageTextArgs args;
    args.CurrentPage = m_pageCount;
    Q_EMIT (this->*event)(args);
    m_pageCount = args.CurrentPage;
    return args;
}

void LumoPrinter::raiseFooterAndDraw()
{
    const PageTextArgs args = askPageTexts(&LumoPrinter::PrintFooter);
    if (!args.LeftText.isEmpty() || !args.CenterText.isEmpty() || !args.RightText.isEmpty())
        pCellOut(args.LeftText, args.CenterText, args.RightText);
}

void LumoPrinter::showFirstPageImage()
{
    imgDsp->hide();
    m_imgWidth = m_picDest.outerWidth;
    m_imgHeight = m_picDest.outerHeight;
    imgDsp->setGeometry(17, 17, int(std::lround(m_imgWidth / 15.0)), int(std::lround(m_imgHeight / 15.0)));
    imgDsp->setPage(std::make_shared<PageRecord>(*m_picDest.record));
    LayoutPreview();
}

void LumoPrinter::closePreviewPage(bool)
{
    raiseFooterAndDraw();
    if (m_pageCount == 1) {
        showFirstPageImage();
        if (m_reviewFrom1st) {
            m_currentPage = 1;
            cmdPageUp->setEnabled(false);
        }
    }
    fileFinishedPage();
}

void LumoPrinter::fileFinishedPage()
{
    savePageFile(m_pageCount);
    if (m_pageCount == m_currentPage + 1)
        cmdPageDown->setEnabled(true);
    if (m_pageCount == m_currentPage) {
        showPageFile(m_currentPage);
        imgDsp->show();
        if (m_pageCount > 1)
            cmdPageUp->setEnabled(true);
        restoreCursor();
    }
}

bool LumoPrinter::savePageFile(int pageNumber)
{
    if (!m_tempDirectory.isEmpty()) {
        const QString path = pageFileName(pageNumber);
        m_pageFiles.insert(path);
        if (m_picDest.record->save(path)) {
            m_memPages.erase(pageNumber);
            return true;
        }
    }
    // No temporary folder, or the file could not be written (a full disk): the page is kept in
    // memory instead, so paging still shows the right page.
    m_memPages[pageNumber] = std::make_shared<PageRecord>(*m_picDest.record);
    return false;
}

std::shared_ptr<const PageRecord> LumoPrinter::savedPage(int pageNumber) const
{
    const auto kept = m_memPages.find(pageNumber);
    if (kept != m_memPages.end())
        return kept->second;
    auto page = std::make_shared<PageRecord>();
    if (!m_tempDirectory.isEmpty() && PageRecord::load(pageFileName(pageNumber), *page))
        return page;
    return nullptr;
}

void LumoPrinter::showPageFile(int pageNumber)
{
    if (auto page = savedPage(pageNumber))
        imgDsp->setPage(std::move(page));
}

QString LumoPrinter::printerProblem(QString &pausedQueue)
{
    // A printer queue. The print system is asked now, not when the preview opened: a print service
    // that does not answer, a chosen queue that is gone or rejects jobs is reported, and when no
    // queue was there to choose, the queue that has appeared since is taken. Asking may take a
    // while (a server that is slow to answer): printSystem() asks under the wait cursor.
    PrintSystem &ps = printSystem();
    pausedQueue.clear();
    QString queue = ps.queueOf(*m_printer);
    const QString fileName = m_printer->outputFileName();
    if (queue.isEmpty() && m_printer->outputFormat() == QPrinter::PdfFormat && !fileName.isEmpty()) {
        // Printing to a file: the file must be writable. It is neither created nor emptied here,
        // so a print that draws no page leaves an existing file as it was and creates none.
        const QFileInfo file(fileName);
        const QFileInfo folder(file.absolutePath());
        const bool writable = file.exists() ? file.isFile() && file.isWritable() : folder.isDir() && folder.isWritable();
        return writable ? QString() : printerError(QStringLiteral("打印机无法打开"));
    }
    if (const QString unreachable = ps.serviceProblem(); !unreachable.isEmpty())
        return unreachable;
    if (queue.isEmpty()) {
        queue = ps.defaultQueue();
        if (queue.isEmpty()) {
            const QStringList all = ps.queues();
            if (!all.isEmpty())
                queue = all.first();
        }
        if (queue.isEmpty() || !ps.select(*m_printer, queue))
            return printerError(QStringLiteral("打印机无法打开"));
    }
    if (const QString refusal = ps.refusal(queue); !refusal.isEmpty())
        return printerError(refusal);
    if (ps.paused(queue))
        pausedQueue = queue;
    return QString();
}

void LumoPrinter::applyPrinterPage(const PrinterPaper &paper)
{
    // The printer takes the paper and orientation the document had when the page was made, so a
    // layout that sets them after StartPrint prints on the paper it laid out.
    m_printer->setFullPage(true);
    if (paper.size == 256) {
        const double w = lumo::roundEven(paper.width), h = lumo::roundEven(paper.height);
        const QSizeF pts(std::min(w, h) / 20.0, std::max(w, h) / 20.0);
        m_printer->setPageSize(QPageSize(pts, QPageSize::Point, QString(), QPageSize::ExactMatch));
        m_printer->setPageOrientation(w > h ? QPageLayout::Landscape : QPageLayout::Portrait);
    } else {
        bool ok = false;
        const QPageSize ps = lumo::pageSizeForCode(paper.size, &ok);
        if (ok)
            m_printer->setPageSize(ps);
        m_printer->setPageOrientation(paper.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

namespace {
// The key under which Qt's print engine for CUPS queues keeps the job's options ("name", "value",
// ...): the same options its print dialog sets 奇数页/偶数页 and pages per sheet through.
constexpr auto QueueJobOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
} // namespace

QString LumoPrinter::takeQueuePageSet()
{
    QPrintEngine *engine = m_printer->printEngine();
    const QVariant options = engine ? engine->property(QueueJobOptions) : QVariant();
    if (!options.canConvert<QStringList>())
        return QString();
    QStringList kept = options.toStringList();
    QString pageSet;
    for (qsizetype i = 0; i + 1 < kept.size();) {
        if (kept[i] == QLatin1String("page-set")) {
            pageSet = kept[i + 1];
            kept.remove(i, 2);
        } else {
            i += 2;
        }
    }
    if (!pageSet.isEmpty())
        engine->setProperty(QueueJobOptions, kept);
    return pageSet;
}

void LumoPrinter::beginPageOrder(const QString &pageSet)
{
    endPageOrder(); // (a run its host never ended)
    m_heldPages.clear();
    m_heldBackwards = m_printer->pageOrder() == QPrinter::LastPageFirst;
    // A print queue makes the copies asked for itself; a file holds them as pages of its own (Qt's
    // PDF output makes none).
    const bool queue = !printSystem().queueOf(*m_printer).isEmpty();
    m_fileCopies = queue ? 1 : std::max(1, m_printer->copyCount());
    // The job asks a print queue for the pages last to first (CUPS "outputorder"), which keeps
    // two-sided printing, pages per sheet and odd or even pages as they were chosen; and for the
    // odd or even pages chosen for this print alone (its options go back as they were after it).
    QStringList asked;
    if (!pageSet.isEmpty())
        asked << QStringLiteral("page-set") << pageSet;
    if (m_heldBackwards)
        asked << QStringLiteral("outputorder") << QStringLiteral("reverse");
    QPrintEngine *engine = m_printer->printEngine();
    const QVariant options = queue && engine && !asked.isEmpty() ? engine->property(QueueJobOptions) : QVariant();
    if (options.canConvert<QStringList>()) {
        m_queueOptions = options;
        engine->setProperty(QueueJobOptions, options.toStringList() + asked);
        m_heldBackwards = false;
    }
    m_holdPages = m_heldBackwards || m_fileCopies > 1;
}

void LumoPrinter::printHeldPages()
{
    // Last to first where so chosen; copies to a file as whole sets when collated, else each page
    // as many times over.
    std::vector<std::size_t> order(m_heldPages.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    if (m_heldBackwards)
        std::reverse(order.begin(), order.end());
    const bool collate = m_printer->collateCopies();
    const int sets = collate ? m_fileCopies : 1, repeats = collate ? 1 : m_fileCopies;
    for (int set = 0; set < sets; ++set) {
        for (const std::size_t i : order) {
            for (int repeat = 0; repeat < repeats; ++repeat) {
                printPage(*m_heldPages[i].first, m_heldPages[i].second);
                if (!m_printerPainter) {
                    m_heldPages.clear(); // the printer could not be opened
                    return;
                }
            }
        }
    }
    m_heldPages.clear();
}

void LumoPrinter::endPageOrder()
{
    if (m_queueOptions.isValid() && m_printer->printEngine())
        m_printer->printEngine()->setProperty(QueueJobOptions, m_queueOptions);
    m_queueOptions = QVariant();
    m_holdPages = false;
}

void LumoPrinter::printSurfacePage()
{
    ++m_runPages;
    if (!m_runRanges.isEmpty() && !m_runRanges.contains(m_runPages))
        return; // outside the pages chosen in the print dialog
    const PrinterPaper paper{m_paperSize, m_orientation, m_paperWidth, m_paperHeight};
    if (m_holdPages)
        m_heldPages.emplace_back(m_printerSurface.record, paper);
    else
        printPage(*m_printerSurface.record, paper);
}

void LumoPrinter::printPage(const PageRecord &page, const PrinterPaper &paper)
{
    if (!m_printerPainter) {
        applyPrinterPage(paper);
        // The job carries the report's title as its name in the print queue (a document without
        // a title keeps the name its host gave the printer).
        const QString title = !m_runTitle.isEmpty() ? m_runTitle : m_previewTitle;
        if (!title.isEmpty())
            m_printer->setDocName(title);
        m_printerPainter = std::make_unique<QPainter>();
        m_printerShapes.clear();
        if (!m_printerPainter->begin(m_printer.get())) {
            // The printer went away after the document started: nothing more is printed.
            m_printerPainter.reset();
            m_cancelRequested = true;
            message(printerError(QStringLiteral("打印机无法打开")));
            return;
        }
    } else if (m_printedPages > 0) {
        applyPrinterPage(paper);
        m_printer->newPage();
    }
    const QRectF rect = m_printer->paperRect(QPrinter::DevicePixel);
    page.replay(*m_printerPainter, QRectF(0, 0, rect.width(), rect.height()), false, &m_printerShapes);
    ++m_printedPages;
}

void LumoPrinter::drawCornerMarks()
{
    const double W = printableW(), H = printableH();
    const struct { double x1, y1, x2, y2; } marks[8] = {
        {-500, 0, 0, 0}, {0, -500, 0, 0}, {W, 0, W + 500, 0}, {W, -500, W, 0},
        {-500, H, 0, H}, {0, H + 500, 0, H}, {W, H, W + 500, H}, {W, H + 500, W, H},
    };
    const double x = out().currentX, y = out().currentY;
    for (const auto &m : marks)
        addShape(PageOp::Line, m.x1, m.y1, m.x2, m.y2, SysGrayText);
    out().currentX = x;
    out().currentY = y;
}

// ---- head and foot lines ----

void LumoPrinter::putHeadFootText(PageInfo &info, int pos, const QString &text, double y)
{
    if (text.isEmpty())
        return;
    Surface &s = out();
    const std::shared_ptr<QFont> font = pos == 0 ? info.LeftFont() : pos == 1 ? info.CenterFont() : info.RightFont();
    const OleColor color = pos == 0 ? info.LeftColor() : pos == 1 ? info.CenterColor() : info.RightColor();
    s.font = *font;
    s.foreColor = color;
    s.font.setPointSizeF(font->pointSizeF() * zoomOf());
    const double W = printableW();
    const double w = textBlockW(text);
    s.currentX = pos == 0 ? 0.0 : pos == 1 ? (W - w) / 2 : W - w;
    s.currentY = y;
    drawTextLine(text);
}

template <class Draw>
void LumoPrinter::drawHeadFootLine(const PageInfo &info, Draw draw)
{
    if (m_cancelRequested)
        return;
    Surface &s = out();
    const double x = s.currentX, y = s.currentY;
    const QFont font = s.font;
    const OleColor color = s.foreColor;
    const int pen = s.drawWidth;
    s.drawWidth = info.LineWidth();

    draw(s);

    s.font = font;
    s.foreColor = color;
    s.drawWidth = pen;
    s.currentX = x;
    s.currentY = y;
    yieldEvents();
}

void LumoPrinter::pNewCellRow(const QString &LeftText, const QString &CenterText, const QString &RightText)
{
    drawHeadFootLine(m_header, [&](Surface &s) {
        QFont left = *m_header.LeftFont();
        left.setPointSizeF(left.pointSizeF() * zoomOf());
        const double yh = lumo::roundEven(-2.0 * metrics().height(left, QStringLiteral("我")) / zoomOf());
        putHeadFootText(m_header, 0, LeftText, yh);
        putHeadFootText(m_header, 1, CenterText, yh);
        putHeadFootText(m_header, 2, RightText, yh);
        if (m_header.LineVisible()) {
            const double ly = s.currentY + 60;
            addShape(PageOp::Line, -120, ly, printableW() + 120, ly, m_header.LineColor());
        }
    });
}

void LumoPrinter::pCellOut(const QString &LeftText, const QString &CenterText, const QString &RightText)
{
    drawHeadFootLine(m_footer, [&](Surface &) {
        // The texts stand on a whole twip; the rule is measured from the unrounded line top.
        const double top = printableH() + textH(QStringLiteral("我"));
        const double yf = lumo::roundEven(top);
        if (m_footer.LineVisible())
            addShape(PageOp::Line, -120, top - 60, printableW() + 120, top - 60, m_footer.LineColor());
        putHeadFootText(m_footer, 0, LeftText, yf);
        putHeadFootText(m_footer, 1, CenterText, yf);
        putHeadFootText(m_footer, 2, RightText, yf);
    });
}

} // namespace quorvane
