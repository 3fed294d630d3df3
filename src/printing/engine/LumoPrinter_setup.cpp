// The print control: paper-size codes, page setup and printer choice.
#include "LumoPrinter.h"

#include <QPrinter>

namespace quorvane {

namespace {
struct PaperCode
{
    int code;
    QPageSize::PageSizeId id;
};
// The old paper-size codes and the page sizes they stand for (the first code of a size wins when
// a page size is turned back into a code).
const PaperCode paperCodes[] = {
    {9, QPageSize::A4},          {8, QPageSize::A3},          {11, QPageSize::A5},
    {1, QPageSize::Letter},      {5, QPageSize::Legal},       {7, QPageSize::Executive},
    {3, QPageSize::Tabloid},     {4, QPageSize::Ledger},      {6, QPageSize::Statement},
    {12, QPageSize::JisB4},      {13, QPageSize::JisB5},      {14, QPageSize::Folio},
    {15, QPageSize::Quarto},     {16, QPageSize::Imperial10x14}, {17, QPageSize::Tabloid},
    {2, QPageSize::Letter},      {10, QPageSize::A4},         {18, QPageSize::Letter},
    {19, QPageSize::Envelope9},  {20, QPageSize::Envelope10}, {21, QPageSize::Envelope11},
    {22, QPageSize::Envelope12}, {23, QPageSize::Envelope14}, {27, QPageSize::EnvelopeDL},
    {28, QPageSize::EnvelopeC5}, {29, QPageSize::EnvelopeC3}, {30, QPageSize::EnvelopeC4},
    {31, QPageSize::EnvelopeC6}, {32, QPageSize::EnvelopeC65}, {33, QPageSize::EnvelopeB4},
    {34, QPageSize::EnvelopeB5}, {35, QPageSize::EnvelopeB6}, {36, QPageSize::EnvelopeItalian},
    {37, QPageSize::EnvelopeMonarch}, {38, QPageSize::EnvelopePersonal}, {39, QPageSize::FanFoldUS},
    {40, QPageSize::FanFoldGerman}, {41, QPageSize::FanFoldGermanLegal}, {42, QPageSize::B4},
    {66, QPageSize::A2},         {70, QPageSize::A6},
};
} // namespace

QPageSize lumo::pageSizeForCode(int code, bool *ok)
{
    for (const PaperCode &p : paperCodes) {
        if (p.code == code) {
            *ok = true;
            return QPageSize(p.id);
        }
    }
    *ok = false;
    return QPageSize(QPageSize::A4);
}

int lumo::codeForPageSize(const QPageSize &size)
{
    const QPageSize::PageSizeId id = size.id();
    for (const PaperCode &p : paperCodes) {
        if (p.id == id)
            return p.code;
    }
    return 256;
}

bool LumoPrinter::printerPageTwips(int code, int orientation, double &w, double &h) const
{
    bool ok = false;
    const QPageSize ps = lumo::pageSizeForCode(code, &ok);
    if (!ok)
        return false;
    const QSizeF mm = ps.size(QPageSize::Millimeter);
    w = lumo::roundEven(mm.width() * 1440.0 / 25.4);
    h = lumo::roundEven(mm.height() * 1440.0 / 25.4);
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
    m_printer->setPageOrientation(m_orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    bool ok = false;
    const QPageSize ps = lumo::pageSizeForCode(m_paperSize, &ok);
    if (ok)
        m_printer->setPageSize(ps);
    const auto hundredths = [](double twips) { return std::lround(twips / lumo::TwipsPerMm * 100.0) / 100.0; };
    m_printer->setPageMargins(QMarginsF(hundredths(m_leftMargin), hundredths(m_topMargin),
                                        hundredths(m_rightMargin), hundredths(m_bottomMargin)),
                              QPageLayout::Millimeter);
    if (!pageSetupHook || !pageSetupHook(m_printer.get(), this))
        return; // Cancel, or a dialog that did not open

    const QPageLayout layout = m_printer->pageLayout();
    m_orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    const int code = lumo::codeForPageSize(layout.pageSize());
    if (code == 256) {
        QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
        if (m_orientation == 2)
            mm.transpose();
        // Whole millimetres; they take effect only while the paper already is user-defined.
        setPaperWidth(int(mm.width()));
        setPaperHeight(int(mm.height()));
    } else {
        setPaperSize(code);
    }
    // Margins in whole millimetres (the fraction dropped), stored without relayout.
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    const auto whole = [](double mm) { return double(std::lround(mm * 100.0) / 100); };
    m_leftMargin = whole(m.left()) * lumo::TwipsPerMm;
    m_topMargin = whole(m.top()) * lumo::TwipsPerMm;
    m_rightMargin = whole(m.right()) * lumo::TwipsPerMm;
    m_bottomMargin = whole(m.bottom()) * lumo::TwipsPerMm;
}

void LumoPrinter::ShowPrinter(int PrintFlags)
{
    writeStatus();
    if (m_busy) {
        message(QStringLiteral("正在生成打印内容，请完成后再打印!"));
        return;
    }
    m_printer->setPageOrientation(m_orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    bool ok = false;
    const QPageSize ps = lumo::pageSizeForCode(m_paperSize, &ok);
    if (ok)
        m_printer->setPageSize(ps);
    if (!printDialogHook || !printDialogHook(m_printer.get(), PrintFlags, this))
        return;
    // Plain field writes: no turn of the paper, no reload, no relayout.
    const QPageLayout layout = m_printer->pageLayout();
    m_orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    m_paperSize = lumo::codeForPageSize(layout.pageSize());
    raiseOrDefer(Request::Print);
}

} // namespace quorvane
