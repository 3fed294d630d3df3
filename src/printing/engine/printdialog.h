#pragma once
#include <QPageLayout>
#include <QPageRanges>
#include <QPointer>
#include <QPrintDialog>

namespace quorvane {

class LumoPrinter;

// The print dialog of the print control, set up in this one place for every way it is shown: the
// pages of the document on view to choose from (1 to its page count, all of them proposed in the
// 从/到 boxes), the page on view as the current page, and a list of pages typed in the 页数 field
// ("2", "2-3", "1,3-4") taken as the pages to print, 奇数页面 or 偶数页面 beside it choosing among
// them by their numbers in the document. (Qt's own dialog refuses every such list.)
// Its 属性 page opens on the paper, orientation and margins the printer was given before the
// dialog (the document's), not on the defaults of the print queue, also where the queue lists
// no such paper; they come back changed only when the user confirmed 属性 with OK.
class PrintDialog : public QPrintDialog
{
    Q_OBJECT
public:
    PrintDialog(QPrinter *printer, const LumoPrinter *control, QWidget *parent = nullptr);

    // The pages of a list typed in 页数: pages and ranges "a-b" parted by commas (half or full
    // width), blanks ignored, every page from 1 to pageCount; empty when the text is no such list.
    static QPageRanges parsePages(const QString &text, int pageCount);

    // A list in 页数 is checked here (a wrong one, or one with no page of the 奇数页面 or 偶数页面
    // chosen, is reported and the dialog stays) and its pages put on the printer as its page
    // range, with no page set for the queue; every other choice is taken as the dialog takes it.
    void accept() override;

protected:
    void childEvent(QChildEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The page set chosen beside a 页数 list (Qt's numbers: 0 all pages, 1 odd, 2 even), taken
    // off the dialog when OK was clicked, and put back when the dialog stays open.
    int listedPageSet() const;
    void takePageSet();
    void putBackPageSet();
    // Lists on the 属性 page the sizes of a queue that the print system lists itself.
    void listQueueSizes(QWidget *properties) const;
    // Puts the offered page on the 属性 page as the user would: paper, orientation, margins.
    void offerPage(QWidget *properties) const;
    // The page the user confirmed on the 属性 page.
    QPageLayout chosenPage(QWidget *properties) const;

    int m_pageCount;
    int m_takenSet = 0;               // the page set taken off the dialog, 0 when none
    QPageLayout m_offered;            // the printer's page when the dialog was made
    QPointer<QWidget> m_offeredTo;    // the 属性 page the offered page was put on
    QPointer<QWidget> m_confirmed;    // the 属性 page the user closed with OK
};

} // namespace quorvane
