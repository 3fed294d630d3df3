#include "printdialog.h"

#include "LumoPrinter.h"

#include <QChildEvent>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>

namespace quorvane {

PrintDialog::PrintDialog(QPrinter *printer, const LumoPrinter *control, QWidget *parent)
    : QPrintDialog(printer, parent), m_pageCount(std::max(1, control ? control->PageCount() : 1)),
      m_offered(printer->pageLayout())
{
    setOption(QAbstractPrintDialog::PrintPageRange, true);
    setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    setMinMax(1, m_pageCount);
    setFromTo(1, m_pageCount);
}

QPageRanges PrintDialog::parsePages(const QString &text, int pageCount)
{
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d{1,9})\\s*(?:[-－]\\s*(\\d{1,9})\\s*)?$"));
    QPageRanges ranges;
    for (const QString &part : text.split(QRegularExpression(QStringLiteral("[,，]")))) {
        if (part.trimmed().isEmpty())
            continue;
        const QRegularExpressionMatch m = item.match(part);
        if (!m.hasMatch())
            return {};
        const int from = m.captured(1).toInt();
        const int to = m.capturedLength(2) > 0 ? m.captured(2).toInt() : from;
        if (from < 1 || from > to || to > pageCount)
            return {};
        ranges.addRange(from, to);
    }
    return ranges;
}

void PrintDialog::accept()
{
    auto *pages = findChild<QRadioButton *>(QStringLiteral("pagesRadioButton"));
    auto *list = findChild<QLineEdit *>(QStringLiteral("pagesLineEdit"));
    auto *all = findChild<QRadioButton *>(QStringLiteral("printAll"));
    QPageRanges ranges;
    if (pages && pages->isChecked() && list && all) {
        ranges = parsePages(list->text(), m_pageCount);
        if (ranges.isEmpty()) {
            if (LumoPrinter::messageHook)
                LumoPrinter::messageHook(QStringLiteral("页数“%1”无效！请输入1到%2之间的页码，页码之间用“,”分开，"
                                                        "连续的页用“-”连接，例如：1,3-4")
                                             .arg(list->text())
                                             .arg(m_pageCount),
                                         QStringLiteral("系统提示:"));
            return;
        }
        // The dialog takes everything else as for all pages, then the printer gets the list.
        all->setChecked(true);
    }
    QPrintDialog::accept();
    if (!ranges.isEmpty()) {
        printer()->setPrintRange(QPrinter::PageRange);
        printer()->setPageRanges(ranges);
    }
    // Qt's dialog hands its 属性 page to the printer whether or not it was opened, and for a print
    // queue that page starts on the queue's paper and margins: unless the user confirmed 属性
    // (for the printer now chosen), the printer keeps the page it was offered.
    if (!m_confirmed)
        printer()->setPageLayout(m_offered);
}

void PrintDialog::childEvent(QChildEvent *event)
{
    // The 属性 page is a dialog of its own, made when it is first wanted and made again for
    // another printer: every child is watched for it to show.
    if (event->added())
        event->child()->installEventFilter(this);
    QPrintDialog::childEvent(event);
}

bool PrintDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *properties = qobject_cast<QDialog *>(watched);
    if (event->type() == QEvent::Show && properties && properties != m_confirmed
        && properties->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"))) {
        offerPage(properties);
        if (m_offeredTo != properties) {
            m_offeredTo = properties;
            connect(properties, &QDialog::accepted, this, [this, properties] { m_confirmed = properties; });
        }
    }
    return QPrintDialog::eventFilter(watched, event);
}

void PrintDialog::offerPage(QWidget *properties) const
{
    auto *size = properties->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"));
    auto *units = properties->findChild<QComboBox *>(QStringLiteral("unitCombo"));
    auto *width = properties->findChild<QDoubleSpinBox *>(QStringLiteral("pageWidth"));
    auto *height = properties->findChild<QDoubleSpinBox *>(QStringLiteral("pageHeight"));
    auto *portrait = properties->findChild<QRadioButton *>(QStringLiteral("portrait"));
    auto *landscape = properties->findChild<QRadioButton *>(QStringLiteral("landscape"));
    QDoubleSpinBox *margins[4];
    const char *const names[4] = {"leftMargin", "topMargin", "rightMargin", "bottomMargin"};
    for (int i = 0; i < 4; ++i)
        margins[i] = properties->findChild<QDoubleSpinBox *>(QLatin1String(names[i]));
    if (!size || !units || !width || !height || !portrait || !landscape
        || std::find(std::begin(margins), std::end(margins), nullptr) != std::end(margins))
        return; // not the page Qt is known to make: left as Qt made it

    // Millimetres, the unit of the document's paper and margins.
    for (int i = 0; i < units->count(); ++i) {
        if (units->itemData(i).value<QPageLayout::Unit>() == QPageLayout::Millimeter)
            units->setCurrentIndex(i);
    }
    // The paper by its name where the printer lists it, else as a size of the user's own.
    const QPageSize paper = m_offered.pageSize();
    int custom = -1, named = -1, same = -1;
    for (int i = 0; i < size->count(); ++i) {
        const QPageSize listed = size->itemData(i).value<QPageSize>();
        if (!listed.isValid() || listed.id() == QPageSize::Custom)
            custom = i;
        else if (listed.id() == paper.id() && same < 0)
            same = i;
        else if (listed.isEquivalentTo(paper) && named < 0)
            named = i;
    }
    named = same >= 0 ? same : named;
    if (named >= 0 || custom >= 0)
        size->setCurrentIndex(named >= 0 ? named : custom);
    if (named < 0 && custom >= 0) {
        const QSizeF mm = paper.size(QPageSize::Millimeter);
        width->setValue(mm.width());
        height->setValue(mm.height());
    }
    (m_offered.orientation() == QPageLayout::Landscape ? landscape : portrait)->click();
    const QMarginsF m = m_offered.margins(QPageLayout::Millimeter);
    const double mm[4] = {m.left(), m.top(), m.right(), m.bottom()};
    for (int i = 0; i < 4; ++i)
        margins[i]->setValue(mm[i]);
}

} // namespace quorvane
