#include "printdialog.h"

#include "LumoPrinter.h"

#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QRegularExpression>

namespace quorvane {

PrintDialog::PrintDialog(QPrinter *printer, const LumoPrinter *control, QWidget *parent)
    : QPrintDialog(printer, parent), m_pageCount(std::max(1, control ? control->PageCount() : 1))
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
    if (!pages || !pages->isChecked() || !list || !all) {
        QPrintDialog::accept();
        return;
    }
    const QPageRanges ranges = parsePages(list->text(), m_pageCount);
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
    QPrintDialog::accept();
    printer()->setPrintRange(QPrinter::PageRange);
    printer()->setPageRanges(ranges);
}

} // namespace quorvane
