#pragma once
#include <QPageRanges>
#include <QPrintDialog>

namespace quorvane {

class LumoPrinter;

// The print dialog of the print control, set up in this one place for every way it is shown: the
// pages of the document on view to choose from (1 to its page count, all of them proposed in the
// 从/到 boxes), the page on view as the current page, and a list of pages typed in the 页数 field
// ("2", "2-3", "1,3-4") taken as the pages to print. (Qt's own dialog refuses every such list.)
class PrintDialog : public QPrintDialog
{
    Q_OBJECT
public:
    PrintDialog(QPrinter *printer, const LumoPrinter *control, QWidget *parent = nullptr);

    // The pages of a list typed in 页数: pages and ranges "a-b" parted by commas (half or full
    // width), blanks ignored, every page from 1 to pageCount; empty when the text is no such list.
    static QPageRanges parsePages(const QString &text, int pageCount);

    // A list in 页数 is checked here (a wrong one is reported and the dialog stays) and put on the
    // printer as its page range; every other choice is taken as the dialog takes it.
    void accept() override;

private:
    int m_pageCount;
};

} // namespace quorvane
