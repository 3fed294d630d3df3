// The print control: paper-size codes, page setup and printer choice.
#include "LumoPrinter.h"

#include <QPrinter>

namespace quorvane {

namespace {
// Twips of a length in the units a page size was defined in (whole paper sizes are exact in inches).
double twipsPerUnit(QPageSize::Unit unit)
{
    switch (unit) {
    case QPageSize::Inch: return 1440.0;
    case QPageSize::Millimeter: return 1440.0 / 25.4;
    case QPageSize::Point: return 20.0;
    default: return 0;
    }
}

// Hands the control's paper to the printer before a dialog shows it: orientation, and the paper of
// the code, or the control's own width and height (whole millimetres) for a user-defined paper.
void offerPaper(QPrinter &printer, int orientation, int paperSize, int widthMm, int heightMm)
{
    if (paperSize == 256) {
        QSizeF mm(widthMm, heightMm);
        if (mm.width() > mm.height())
            mm.transpose();
        if (mm.width() > 0 && mm.height() > 0)
            printer.setPageSize(QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    } else {
        bool ok = false;
        const QPageSize ps = lumo::pageSizeForCode(paperSize, &ok);
        if (ok)
            printer.setPageSize(ps);
    }
    printer.setPageOrientation(orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

// Whole millimetres of a dialog's length: its hundredths of a millimetre, the fraction dropped.
int wholeMm(double mm)
{
    return int(std::lround(mm * 100.0) / 100);
}
} // namespace

QPageSize lumo::pageSizeForCode(int code, bool *ok)
{
    // Qt knows the printer paper codes; Folio (14, 8.5 x 13 in) it knows only under another name.
    const QPageSize::PageSizeId id = code == 14 ? QPageSize::FanFoldGermanLegal : QPageSize::id(code);
    if (code == 256 || id == QPageSize::Custom) {
        *ok = false;
        return QPageSize(QPageSize::A4);
    }
    *ok = true;
    return QPageSize(id);
}

int lumo::codeForPageSize(const QPageSize &size)
{
    const int code = size.isValid() ? size.windowsId() : 0;
    return code > 0 ? code : 256;
}

// Whole twips of a page size, lying in the orientation (2 = landscape).
static void pageTwips(const QPageSize &ps, int orientation, double &w, double &h)
{
    const double f = twipsPerUnit(ps.definitionUnits());
    const QSizeF size = f > 0 ? ps.definitionSize() * f : ps.size(QPageSize::Point) * 20.0;
    w = lumo::roundEven(size.width());
    h = lumo::roundEven(size.height());
    if (orientation == 2)
        std::swap(w, h);
}

bool LumoPrinter::printerPageTwips(int code, int orientation, double &width, double &height) const
{
    bool ok = false;
    const QPageSize ps = lumo::pageSizeForCode(code, &ok);
    if (!ok)
        return false;
    pageTwips(ps, orientation, width, height);
    return true;
}

// Everything about the printer a dialog may change, so Cancel can put all of it back: the printer
// or file chosen, the paper, copies and the other device settings.
struct LumoPrinter::PrinterState
{
    explicit PrinterState(const QPrinter &p)
        : format(p.outputFormat()), printerName(p.printerName()), fileName(p.outputFileName()),
          layout(p.pageLayout()), copies(p.copyCount()), collate(p.collateCopies()), duplex(p.duplex()),
          color(p.colorMode()), source(p.paperSource()), order(p.pageOrder()), range(p.printRange()),
          ranges(p.pageRanges()), docName(p.docName())
    {
    }
    void restore(QPrinter &p) const
    {
        if (format == QPrinter::NativeFormat && !printerName.isEmpty()) {
            p.setOutputFormat(QPrinter::NativeFormat);
            p.setPrinterName(printerName);
        } else {
            p.setOutputFormat(QPrinter::PdfFormat);
        }
        if (format == QPrinter::PdfFormat)
            p.setOutputFileName(fileName);
        p.setPageLayout(layout);
        p.setCopyCount(copies);
        p.setCollateCopies(collate);
        p.setDuplex(duplex);
        p.setColorMode(color);
        p.setPaperSource(source);
        p.setPageOrder(order);
        p.setPrintRange(range);
        p.setPageRanges(ranges);
        p.setDocName(docName);
    }

    QPrinter::OutputFormat format;
    QString printerName;
    QString fileName;
    QPageLayout layout;
    int copies;
    bool collate;
    QPrinter::DuplexMode duplex;
    QPrinter::ColorMode color;
    QPrinter::PaperSource source;
    QPrinter::PageOrder order;
    QPrinter::PrintRange range;
    QPageRanges ranges;
    QString docName;
};

bool LumoPrinter::takeChosenPaper(const QPageLayout &layout)
{
    const double w0 = m_paperWidth, h0 = m_paperHeight;
    const int o0 = m_orientation, c0 = m_paperSize;
    m_orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    const QPageSize size = layout.pageSize();
    const int code = lumo::codeForPageSize(size);
    if (code != 256) {
        // A paper with a code: the printer takes it and gives its page, now in the new orientation.
        setPaperSize(code);
    } else if (size.isValid() && size.id() != QPageSize::Custom) {
        // A paper the dialog names that has no code (ISO B5, Folio 8.27 x 13 in): a user-defined
        // paper of exactly its size, so it is printed and laid out as chosen.
        m_paperSize = 256;
        pageTwips(size, m_orientation, m_paperWidth, m_paperHeight);
    } else if (m_paperSize == 256) {
        // A size of the user's own: whole millimetres, as the paper lies in the chosen orientation.
        const QRectF paper = layout.fullRect(QPageLayout::Millimeter);
        setPaperWidth(wholeMm(paper.width()));
        setPaperHeight(wholeMm(paper.height()));
    } else if (m_orientation != o0) {
        // A size of the user's own while the paper has a code: the paper stays, but lies as the
        // orientation now says (a turned orientation over an unturned paper would print the page
        // squeezed onto the turned sheet).
        const double tmp = lumo::roundEven(m_paperWidth);
        m_paperWidth = m_paperHeight;
        m_paperHeight = tmp;
    }
    // (A paper read from the settings may differ from the printer's by a fraction of a twip.)
    return m_orientation != o0 || m_paperSize != c0 || std::abs(m_paperWidth - w0) >= 1
        || std::abs(m_paperHeight - h0) >= 1;
}

QMarginsF LumoPrinter::offerPage()
{
    offerPaper(*m_printer, m_orientation, m_paperSize, PaperWidth(), PaperHeight());
    const auto hundredths = [](double twips) { return std::lround(twips / lumo::TwipsPerMm * 100.0) / 100.0; };
    m_printer->setPageMargins(QMarginsF(hundredths(m_leftMargin), hundredths(m_topMargin),
                                        hundredths(m_rightMargin), hundredths(m_bottomMargin)),
                              QPageLayout::Millimeter);
    // (A printer queue may keep wider margins than some of these.)
    return m_printer->pageLayout().margins(QPageLayout::Millimeter);
}

bool LumoPrinter::takeChosenMargins(const QMarginsF &chosen, const QMarginsF *offered)
{
    double *const margins[4] = {&m_leftMargin, &m_topMargin, &m_rightMargin, &m_bottomMargin};
    const double mm[4] = {chosen.left(), chosen.top(), chosen.right(), chosen.bottom()};
    const double was[4] = {offered ? offered->left() : 0, offered ? offered->top() : 0,
                           offered ? offered->right() : 0, offered ? offered->bottom() : 0};
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        if (offered && std::abs(mm[i] - was[i]) < 0.005)
            continue; // as it was offered: the document's margin stays as it is
        // Whole millimetres (the fraction dropped).
        const double twips = double(float(wholeMm(mm[i]) * lumo::TwipsPerMm));
        changed = changed || twips != *margins[i];
        *margins[i] = twips;
    }
    return changed;
}

void LumoPrinter::PageSetup()
{
    endRefusedRun();
    if (m_busy) {
        // No page change under a document being produced.
        message(QStringLiteral("正在生成打印内容，请完成后再进行页面设置!"));
        return;
    }
    const PrinterState before(*m_printer);
    offerPage();
    if (!pageSetupHook || !pageSetupHook(m_printer.get(), this)) {
        // Cancel, or a dialog that did not open: the printer is left as it was.
        before.restore(*m_printer);
        return;
    }

    const QPageLayout layout = m_printer->pageLayout();
    const bool paperChanged = takeChosenPaper(layout);
    const bool marginsChanged = takeChosenMargins(layout.margins(QPageLayout::Millimeter), nullptr);
    // A new page asks the host for a new layout when a document exists (or, with AutoRedraw,
    // rescales the page shown).
    if (paperChanged || marginsChanged)
        ApplyPaper();
}

void LumoPrinter::ShowPrinter(int PrintFlags)
{
    endRefusedRun();
    writeStatus();
    if (m_busy) {
        message(QStringLiteral("正在生成打印内容，请完成后再打印!"));
        return;
    }
    const PrinterState before(*m_printer);
    // The dialog offers the document's paper, orientation and margins (under 属性).
    const QMarginsF offered = offerPage();
    m_printer->setPrintRange(QPrinter::AllPages);
    m_printer->setPageRanges(QPageRanges());
    if (!printDialogHook || !printDialogHook(m_printer.get(), PrintFlags, this)) {
        // Cancel: the printer chosen before, its paper and its settings, all as they were.
        before.restore(*m_printer);
        return;
    }
    // The pages chosen in the dialog are printed by the print it asks for, and by no other.
    QPageRanges ranges;
    if (m_printer->printRange() == QPrinter::PageRange)
        ranges = m_printer->pageRanges();
    else if (m_printer->printRange() == QPrinter::CurrentPage && m_currentPage <= m_pageCount)
        ranges.addPage(m_currentPage);
    m_printer->setPrintRange(QPrinter::AllPages);
    m_printer->setPageRanges(QPageRanges());
    // So does a page set chosen for a print queue, which the dialog leaves among the queue's job
    // options: it would go with every later print of the printer.
    const QString pageSet = takeQueuePageSet();

    // Another paper, orientation or margin lays the document out again for it (the preview first),
    // so the print is made on the chosen page rather than stretched onto it. Margins are taken as
    // the page setup takes them, those changed in the dialog only.
    const QPageLayout layout = m_printer->pageLayout();
    const bool paperChanged = takeChosenPaper(layout);
    const bool marginsChanged = takeChosenMargins(layout.margins(QPageLayout::Millimeter), &offered);
    if (paperChanged || marginsChanged)
        ApplyPaper();
    m_pendingRanges = ranges;
    m_pendingPageSet = pageSet;
    raiseOrDefer(Request::Print);
    m_pendingRanges = QPageRanges();
    m_pendingPageSet.clear();
}

} // namespace quorvane
