#include "printdialog.h"

#include "LumoPrinter.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
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
    // OK is clicked before Qt checks and applies the dialog's choices (on its accepted signal).
    if (auto *buttons = findChild<QDialogButtonBox *>()) {
        connect(buttons, &QDialogButtonBox::clicked, this, [this, buttons](QAbstractButton *button) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                takePageSet();
        });
        // (When Qt's own checks kept the dialog open, the page set is back as the user left it.)
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { putBackPageSet(); });
    }
}

namespace {
// Qt's page sets, as its 页面组 list holds them.
enum PageSet { AllPages = 0, OddPages = 1, EvenPages = 2 };

void choosePageSet(QComboBox *pageSet, int set)
{
    for (int i = 0; pageSet && i < pageSet->count(); ++i) {
        if (pageSet->itemData(i).toInt() == set)
            pageSet->setCurrentIndex(i);
    }
}
} // namespace

int PrintDialog::listedPageSet() const
{
    if (m_takenSet != AllPages)
        return m_takenSet;
    auto *pageSet = findChild<QComboBox *>(QStringLiteral("pageSetCombo"));
    return pageSet ? pageSet->currentData().toInt() : AllPages;
}

void PrintDialog::takePageSet()
{
    auto *pages = findChild<QRadioButton *>(QStringLiteral("pagesRadioButton"));
    if (!pages || !pages->isChecked())
        return;
    // With a 页数 list, 奇数页面 and 偶数页面 choose among the listed pages (accept() does), so the
    // page set is taken off the dialog before Qt checks it: Qt refuses a page set beside 每张页数,
    // which a queue applies to sheets, but none reaches the queue here.
    m_takenSet = listedPageSet();
    choosePageSet(findChild<QComboBox *>(QStringLiteral("pageSetCombo")), AllPages);
}

void PrintDialog::putBackPageSet()
{
    if (m_takenSet != AllPages)
        choosePageSet(findChild<QComboBox *>(QStringLiteral("pageSetCombo")), m_takenSet);
    m_takenSet = AllPages;
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
        QString refusal;
        const int set = listedPageSet();
        if (ranges.isEmpty()) {
            refusal = QStringLiteral("页数“%1”无效！请输入1到%2之间的页码，页码之间用“,”分开，连续的页用“-”连接，例如：1,3-4")
                          .arg(list->text())
                          .arg(m_pageCount);
        } else if (set == OddPages || set == EvenPages) {
            // 奇数页面 and 偶数页面 choose among the listed pages by their numbers in the document
            // (a queue would choose by their places in the job).
            QPageRanges chosen;
            for (const QPageRanges::Range &range : ranges.toRangeList()) {
                for (int page = range.from; page <= range.to; ++page) {
                    if (page % 2 == set % 2)
                        chosen.addPage(page);
                }
            }
            ranges = chosen;
            if (ranges.isEmpty())
                refusal = QStringLiteral("页数“%1”中没有%2！请重新输入页数，或选择其他页面组。")
                              .arg(list->text(), set == OddPages ? QStringLiteral("奇数页面") : QStringLiteral("偶数页面"));
        }
        if (!refusal.isEmpty()) {
            putBackPageSet();
            if (LumoPrinter::messageHook)
                LumoPrinter::messageHook(refusal, QStringLiteral("系统提示:"));
            return;
        }
        // The dialog takes everything else as for all pages with no page set, then the printer
        // gets the pages.
        m_takenSet = AllPages;
        choosePageSet(findChild<QComboBox *>(QStringLiteral("pageSetCombo")), AllPages);
        all->setChecked(true);
    }
    QPrintDialog::accept();
    if (!ranges.isEmpty()) {
        printer()->setPrintRange(QPrinter::PageRange);
        printer()->setPageRanges(ranges);
    }
    // Qt's dialog hands its 属性 page to the printer whether or not it was opened, and for a print
    // queue that page starts on the queue's paper and margins: unless the user confirmed 属性
    // (for the printer now chosen), the printer keeps the page it was offered. A queue refuses a
    // whole page on a paper it does not list (a paper of the user's own where it takes none): it
    // is then given paper, orientation and margins each alone, as a print gives them, and asked
    // for the paper by its size.
    const QPageLayout page = m_confirmed ? chosenPage(m_confirmed) : m_offered;
    if (!printer()->pageLayout().isEquivalentTo(page) && !printer()->setPageLayout(page)) {
        printer()->setPageSize(page.pageSize());
        printer()->setPageOrientation(page.orientation());
        printer()->setPageMargins(page.margins(), page.units());
    }
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
        listQueueSizes(properties);
        offerPage(properties);
        if (m_offeredTo != properties) {
            m_offeredTo = properties;
            connect(properties, &QDialog::accepted, this, [this, properties] { m_confirmed = properties; });
        }
    }
    return QPrintDialog::eventFilter(watched, event);
}

void PrintDialog::listQueueSizes(QWidget *properties) const
{
    QList<QPageSize> listed;
    auto *size = properties->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"));
    if (!size || !LumoPrinter::printSystem().listedSizes(*printer(), listed))
        return;
    // The page follows its list as it follows Qt's: the first size is taken until one is chosen.
    size->clear();
    for (const QPageSize &listedSize : listed)
        size->addItem(listedSize.name(), QVariant::fromValue(listedSize));
}

namespace {
// The widgets of Qt's 属性 page that hold the page; all of them null when the page is not the one
// Qt is known to make.
struct PageWidgets
{
    explicit PageWidgets(QWidget *properties)
        : size(properties->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"))),
          units(properties->findChild<QComboBox *>(QStringLiteral("unitCombo"))),
          width(properties->findChild<QDoubleSpinBox *>(QStringLiteral("pageWidth"))),
          height(properties->findChild<QDoubleSpinBox *>(QStringLiteral("pageHeight"))),
          portrait(properties->findChild<QRadioButton *>(QStringLiteral("portrait"))),
          landscape(properties->findChild<QRadioButton *>(QStringLiteral("landscape")))
    {
        const char *const names[4] = {"leftMargin", "topMargin", "rightMargin", "bottomMargin"};
        for (int i = 0; i < 4; ++i)
            margins[i] = properties->findChild<QDoubleSpinBox *>(QLatin1String(names[i]));
        if (!size || !units || !width || !height || !portrait || !landscape
            || std::find(std::begin(margins), std::end(margins), nullptr) != std::end(margins))
            size = nullptr;
    }
    bool found() const { return size != nullptr; }

    QComboBox *size;
    QComboBox *units;
    QDoubleSpinBox *width;
    QDoubleSpinBox *height;
    QRadioButton *portrait;
    QRadioButton *landscape;
    QDoubleSpinBox *margins[4]; // left, top, right, bottom
};
} // namespace

void PrintDialog::offerPage(QWidget *properties) const
{
    const PageWidgets w(properties);
    if (!w.found())
        return; // left as Qt made it

    // Millimetres, the unit of the document's paper and margins.
    for (int i = 0; i < w.units->count(); ++i) {
        if (w.units->itemData(i).value<QPageLayout::Unit>() == QPageLayout::Millimeter)
            w.units->setCurrentIndex(i);
    }
    // The orientation first: the page's width and height are as the paper lies.
    (m_offered.orientation() == QPageLayout::Landscape ? w.landscape : w.portrait)->click();
    // The paper by its name where the queue lists it, else as a size of the user's own: on Qt's
    // entry for one (which holds no size) where the queue takes such sizes, else on an entry of
    // the document's paper put on the list. A listed size that Qt does not know (a queue's "16K")
    // is a named paper like any other, never the user's own.
    const QPageSize paper = m_offered.pageSize();
    int custom = -1, named = -1, same = -1;
    for (int i = 0; i < w.size->count(); ++i) {
        const QPageSize listed = w.size->itemData(i).value<QPageSize>();
        if (!listed.isValid())
            custom = i;
        else if (listed.id() != QPageSize::Custom && listed.id() == paper.id() && same < 0)
            same = i;
        else if (listed.isEquivalentTo(paper) && named < 0)
            named = i;
    }
    named = same >= 0 ? same : named;
    if (named >= 0) {
        w.size->setCurrentIndex(named);
    } else if (custom >= 0) {
        w.size->setCurrentIndex(custom);
        QSizeF mm = paper.size(QPageSize::Millimeter);
        if (m_offered.orientation() == QPageLayout::Landscape)
            mm.transpose();
        w.width->setValue(mm.width());
        w.height->setValue(mm.height());
    } else {
        w.size->addItem(paper.id() == QPageSize::Custom ? QCoreApplication::translate("QPageSetupWidget", "Custom")
                                                        : paper.name(),
                        QVariant::fromValue(paper));
        w.size->setCurrentIndex(w.size->count() - 1);
    }
    const QMarginsF m = m_offered.margins(QPageLayout::Millimeter);
    const double mm[4] = {m.left(), m.top(), m.right(), m.bottom()};
    for (int i = 0; i < 4; ++i)
        w.margins[i]->setValue(mm[i]);
}

QPageLayout PrintDialog::chosenPage(QWidget *properties) const
{
    // The page as the 属性 page shows it, where its paper is an entry that holds one; on Qt's entry
    // for a size of the user's own the queue takes any size, and the printer has the page.
    const PageWidgets w(properties);
    const QPageSize paper = w.found() ? w.size->currentData().value<QPageSize>() : QPageSize();
    if (!paper.isValid())
        return printer()->pageLayout();
    const QPageLayout::Unit unit = w.units->currentData().value<QPageLayout::Unit>();
    const QMarginsF margins(w.margins[0]->value(), w.margins[1]->value(), w.margins[2]->value(), w.margins[3]->value());
    return QPageLayout(paper, w.landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait, margins, unit);
}

} // namespace quorvane
