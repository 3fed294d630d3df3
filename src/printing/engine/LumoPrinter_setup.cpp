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

bool LumoPrinter::printerPageTwips(int code, int orientation, double &w, double &h) const
{
    bool ok = false;
    const QPageSize ps = lumo::pageSizeForCode(code, &ok);
    if (!ok)
        return false;
    const double f = twipsPerUnit(ps.definitionUnits());
    const QSizeF size = f > 0 ? ps.definitionSize() * f : ps.size(QPageSize::Point) * 20.0;
    w = lumo::roundEven(size.width());
    h = lumo::roundEven(size.height());
    if (orientation == 2)
        std::swap(w, h);
    return true;
}

void LumoPrinter::PageSetup()
{
    if (m_busy) {
        // No page change under a document being produced.
        message(QStringLiteral("正在生成打印内容，请完成后再进行页面设置!"));
        return;
    }
    const QPageLayout before = m_printer->pageLayout();
    offerPaper(*m_printer, m_orientation, m_paperSize, PaperWidth(), PaperHeight());
    const auto hundredths = [](double twips) { return std::lround(twips / lumo::TwipsPerMm * 100.0) / 100.0; };
    m_printer->setPageMargins(QMarginsF(hundredths(m_leftMargin), hundredths(m_topMargin),
                                        hundredths(m_rightMargin), hundredths(m_bottomMargin)),
                              QPageLayout::Millimeter);
    if (!pageSetupHook || !pageSetupHook(m_printer.get(), this)) {
        // Cancel, or a dialog that did not open: the printer is left as it was.
        m_printer->setPageLayout(before);
        return;
    }

    const QPageLayout layout = m_printer->pageLayout();
    const int turnedFrom = m_orientation;
    m_orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    const int code = lumo::codeForPageSize(layout.pageSize());
    if (code == 256) {
        if (m_paperSize == 256) {
            // Whole millimetres, as the paper lies in the chosen orientation.
            const QRectF paper = layout.fullRect(QPageLayout::Millimeter);
            setPaperWidth(wholeMm(paper.width()));
            setPaperHeight(wholeMm(paper.height()));
        } else if (m_orientation != turnedFrom) {
            // The paper stays, but lies as the orientation now says: a turned orientation over an
            // unturned paper would print the page squeezed onto the turned sheet.
            const double tmp = lumo::roundEven(m_paperWidth);
            m_paperWidth = m_paperHeight;
            m_paperHeight = tmp;
        }
    } else {
        setPaperSize(code);
    }
    // Margins in whole millimetres (the fraction dropped), stored without relayout.
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    m_leftMargin = double(float(wholeMm(m.left()) * lumo::TwipsPerMm));
    m_topMargin = double(float(wholeMm(m.top()) * lumo::TwipsPerMm));
    m_rightMargin = double(float(wholeMm(m.right()) * lumo::TwipsPerMm));
    m_bottomMargin = double(float(wholeMm(m.bottom()) * lumo::TwipsPerMm));
}

void LumoPrinter::ShowPrinter(int PrintFlags)
{
    writeStatus();
    if (m_busy) {
        message(QStringLiteral("正在生成打印内容，请完成后再打印!"));
        return;
    }
    const QPageLayout before = m_printer->pageLayout();
    offerPaper(*m_printer, m_orientation, m_paperSize, PaperWidth(), PaperHeight());
    if (!printDialogHook || !printDialogHook(m_printer.get(), PrintFlags, this)) {
        m_printer->setPageLayout(before);
        return;
    }
    // Plain field writes: no reload of the paper, no relayout.
    const QPageLayout layout = m_printer->pageLayout();
    const int turnedFrom = m_orientation;
    m_orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    m_paperSize = lumo::codeForPageSize(layout.pageSize());
    if (m_orientation != turnedFrom) {
        // The paper lies as the chosen orientation says, so the report laid out again for the
        // printer is not squeezed onto the turned sheet.
        const double tmp = lumo::roundEven(m_paperWidth);
        m_paperWidth = m_paperHeight;
        m_paperHeight = tmp;
    }
    raiseOrDefer(Request::Print);
}

} // namespace quorvane
