#pragma once
#include "shell/window.h"

#include <QString>

namespace quorvane {

class LumoPrinter;
struct PageTextArgs;
class printsform;

// A report's layout routine: draws the report of its asking window on the preview's print control,
// one whole document from StartPrint to EndDoc. dest: 0 preview, 1 printer.
using LayoutRoutine = void (*)(printsform &form, int &dest);

// One line of the report table: the report code a printing window stores in gReportCode, the
// window that asked for it (shown again when the preview closes) and the routine that lays it out
// (nullptr while that report has no layout yet: the preview stays empty).
struct ReportEntry
{
    qint16 code;
    const char *askingWindow;
    LayoutRoutine layout;
};

// The report table entry of a code; nullptr for a code no report uses.
const ReportEntry *reportEntry(qint16 code);

// 打印预览: the one print-preview window. It lays out the report of gReportCode from the controls of
// the window that asked for it, previews and prints it, and shows that window again when it closes.
class printsform : public Window
{
    Q_OBJECT
public:
    printsform();

    LumoPrinter *LumoPrinter1 = nullptr;

    // Page variables of the running layout: curpage 0 lays out the whole report, p > 0 page p
    // alone; frompage, topage and pagecount are set by each layout before its page loop.
    qint16 curpage = 0;
    qint16 frompage = 0;
    qint16 topage = 0;
    qint16 pagecount = 0;

    // The report this preview was opened for: gReportCode when it loaded. Later changes of
    // gReportCode by other windows (a seat chart opened meanwhile) do not change which report is
    // laid out again or which window comes back on close.
    qint16 reportCode() const { return m_reportCode; }

    // Runs the layout of the report into the preview / onto the printer; nothing for a code
    // without a layout.
    void print_topreview();
    void print_toprinter();

    // Every page's head: the program's name on the left, the school's on the right.
    void LumoPrinter1_PrintHeader(PageTextArgs &args);
    // Every page's foot: 第n页 in the middle, today's date on the right.
    void LumoPrinter1_PrintFooter(PageTextArgs &args);
    // The paper or margins changed: the report is laid out into the preview again.
    void LumoPrinter1_NeedRedraw();
    // The preview's close button: the window unloads and the asking window comes back.
    void LumoPrinter1_CloseRequest();
    // The print-all button: the whole report goes to the printer.
    void LumoPrinter1_RealPrint();
    // The two current-page print buttons: the page on view goes to the printer alone.
    void LumoPrinter1_cmdprint2Preview();
    void LumoPrinter1_cmdprint3Preview();

protected:
    void createControls(QWidget *root) override;
    // Takes the report code, shows the window, styles the page head and lays the report out.
    void Form_Load() override;
    // Forgets a current-page run and shows the window that asked for the report again.
    void Form_Unload() override;
    // The print control fills the window.
    void Form_Resize();
    void resizeEvent(QResizeEvent *event) override;

private:
    qint16 m_reportCode = 0;
    void dispatch(int dest);
    void printCurrentPage();
};

} // namespace quorvane
