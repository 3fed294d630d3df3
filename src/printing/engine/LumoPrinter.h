#pragma once
#include "PageInfo.h"
#include "pagerecord.h"
#include "textmetrics.h"
#include "units.h"
#include "controls/propertybag.h"

#include <QElapsedTimer>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>

class QLabel;
class QPainter;
class QPrinter;
class QPushButton;
class QScrollBar;
class QToolButton;

namespace quorvane {

class Grid;

// Texts of a page's head or foot line, filled in by the host's PrintHeader / PrintFooter handler.
// CurrentPage arrives as the page count; a number the handler stores there becomes the page count.
struct PageTextArgs
{
    int CurrentPage = 0;
    QString LeftText;
    QString CenterText;
    QString RightText;
};

// The page view of the preview: shows one page record, stretched to its box.
class PageView : public QWidget
{
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr) : QWidget(parent) {}
    void setPage(std::shared_ptr<const PageRecord> page);
    std::shared_ptr<const PageRecord> page() const { return m_page; }

signals:
    void mousePressed(int button);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    std::shared_ptr<const PageRecord> m_page;
};

// The print control: a host builds a document of pages in millimetres on it (StartPrint, NewPage for
// every page, drawing and table calls, EndDoc), previews it page by page in the control's own window
// and prints it by laying it out again with the printer as destination. Lengths cross the interface
// in millimetres and are kept in twips. Events are signals; connect them directly (the default for
// objects of the one UI thread), since the host's handlers must run inside the raising call.
//
//   printer->StartPrint(0);                      // 0 preview, 1 printer (Printer() may be a PDF file)
//   printer->setOrientation(2);                  // paper and margins before the first page
//   printer->NewPage();                          // raises PrintHeader; (0, 0) = top-left of the printable area
//   printer->Font().setFamily("黑体");
//   printer->TitleOut("成绩册", 16, 2);
//   printer->CellOut("姓名", 20, -1, 4, "1111"); // cells left to right ...
//   printer->NewCellRow(0, 0, -1);               // ... then the next row
//   printer->EndDoc();                           // raises PrintFooter for the last page
//
// Each page is recorded as drawing operations (PageRecord); the preview keeps finished pages as files
// "tubTemp." + page number in a temporary folder of its own and shows them; a printer run replays
// each page onto the QPrinter as it is finished.
class LumoPrinter : public QWidget
{
    Q_OBJECT
public:
    explicit LumoPrinter(QWidget *parent = nullptr);
    ~LumoPrinter() override;

    // ---- dialog and message seam (the application routes these through its own services) ----
    // A message box: text, caption (always the exclamation style).
    static std::function<void(const QString &text, const QString &caption)> messageHook;
    // The page-setup dialog on the printer; true = OK.
    static std::function<bool(QPrinter *printer, QWidget *owner)> pageSetupHook;
    // The print dialog on the printer with the caller's flag word; true = OK.
    static std::function<bool(QPrinter *printer, int flags, QWidget *owner)> printDialogHook;
    // Longest time between two runs of pending events inside drawing calls (ms); 0 = every call.
    static int yieldIntervalMs;

    // ---- document and pages ----
    // 0 = preview, 1 = printer. Returns whether a document was started.
    bool StartPrint(int PrintDest = 0);
    void NewPage();
    void EndDoc();
    void CancelPrint();

    // ---- header and footer descriptors ----
    PageInfo *Header() { return &m_header; }
    PageInfo *Footer() { return &m_footer; }

    // ---- drawing primitives and flowing text (mm) ----
    void TitleOut(const QString &Title, int FontSize = 12, int Alignment = 2);
    float TextOut(const QString &text);
    void TextOutEx(const QString &text, float StartX = 0, float RowSpace = 1, float ParagraphIndent = 2,
                   float ParagraphSpace = 2);
    void NewRow(float RowSpace = 0, float RowStartX = 0, float RowHeight = -1);
    void DotOut(float x, float Y, OleColor Color = NoColor);
    void LineOut(float Left, float Top, float Right, float Bottom, OleColor Color = NoColor);
    void RectOut(float Left, float Top, float Right, float Bottom, OleColor Color = 0);
    void FilledRectOut(float Left, float Top, float Right, float Bottom, OleColor Color);
    void CircleOut(float x, float Y, float Radius, OleColor Color = NoColor, float Aspect = 1);
    void PictureOut(const QImage &Picture, float x = -100, float Y = -100, float W = 0, float H = 0);

    // ---- table cells (mm) ----
    void NewCellRow(float CellRowSpace = 0, float CellRowStartX = 0, float CellRowHeight = -1);
    float CellOut(const QString &text, float CellWidth, float CellHeight = -1, int CellAlignment = 1,
                  const QString &BorderWidth = QStringLiteral("1111"), OleColor FillColor = NoColor,
                  bool MultiLine = true, float RowSpace = 0.5f);
    void CellOutPicture(const QImage &PictureItem, float CellWidth, float CellHeight, int CellAlignment = 1,
                        const QString &BorderWidth = QStringLiteral("1111"), OleColor FillColor = NoColor,
                        bool Stretch = false);
    // The index-th piece (1-based) of text cut at every delimiter.
    static QString SplitText(const QString &text, const QString &delimiter, int index);

    // ---- direct printing of a grid ("MSFlexGrid": the project's Grid) ----
    void DirectPrint(QWidget *GridToPrint, const QString &Title = QString(), int TitleFontSize = 12,
                     int TitleAlignment = 2, float TableStartX = 0, bool PrintGridHeaderColor = true);

    // ---- preview window ----
    void SetViewPage(int NewNum);
    void PageDown();
    void PageUp();
    void ZoomOut(int Step = 15);
    void ClosePreview();

    // ---- page setup and printer choice ----
    void PageSetup();
    void ShowPrinter(int PrintFlags = 0);
    // The system printer (tests and users point it at a PDF file).
    QPrinter *Printer() { return m_printer.get(); }

    // ---- properties ----
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int v);
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor c);
    OleColor PaperColor() const { return m_paperColor; }
    void setPaperColor(OleColor c);
    int Orientation() const { return m_orientation; }
    void setOrientation(int v);
    int PaperSize() const { return m_paperSize; }
    void setPaperSize(int code);
    int PaperWidth() const;
    void setPaperWidth(int mm);
    int PaperHeight() const;
    void setPaperHeight(int mm);
    float LeftMargin() const { return lumo::twipsToMm(m_leftMargin); }
    void setLeftMargin(float mm);
    float TopMargin() const { return lumo::twipsToMm(m_topMargin); }
    void setTopMargin(float mm);
    float RightMargin() const { return lumo::twipsToMm(m_rightMargin); }
    void setRightMargin(float mm);
    float BottomMargin() const { return lumo::twipsToMm(m_bottomMargin); }
    void setBottomMargin(float mm);
    float LeftCellMargin() const { return lumo::twipsToMm(m_lcm); }
    void setLeftCellMargin(float mm);
    float TopCellMargin() const { return lumo::twipsToMm(m_tcm); }
    void setTopCellMargin(float mm);
    float RightCellMargin() const { return lumo::twipsToMm(m_rcm); }
    void setRightCellMargin(float mm);
    float BottomCellMargin() const { return lumo::twipsToMm(m_bcm); }
    void setBottomCellMargin(float mm);
    float TextWidth(const QString &text);
    float TextHeight(const QString &text);
    int DrawWidth() const { return out().drawWidth; }
    void setDrawWidth(int w);
    int DrawStyle() const { return out().drawStyle; }
    void setDrawStyle(int v);
    int DrawMode() const { return out().drawMode; }
    void setDrawMode(int v);
    OleColor ForeColor() const { return out().foreColor; }
    void setForeColor(OleColor c);
    // The font of the output surface itself: changing it changes all following output.
    QFont &Font() { return out().font; }
    void setFont(const QFont &f);
    float FontSize() const { return float(out().font.pointSizeF()); }
    void setFontSize(float points);
    int PageCount() const { return m_pageCount; }
    int CurrentPage() const { return m_currentPage; }
    float ScaleHeight() const;
    float ScaleWidth() const;
    float CurrentX() const { return lumo::twipsToMm(out().currentX); }
    void setCurrentX(float mm);
    float CurrentY() const { return lumo::twipsToMm(out().currentY); }
    void setCurrentY(float mm);
    bool Busy() const { return m_busy; }
    bool IsPrinter() const { return m_isPrinter; }
    bool AutoRedraw() const { return m_autoRedraw; }
    void setAutoRedraw(bool v);
    bool ReviewFrom1st() const { return m_reviewFrom1st; }
    void setReviewFrom1st(bool v);
    float ZoomFactor() const { return m_zoom; }
    bool ToolBarVisible() const { return m_toolBarVisible; }
    void setToolBarVisible(bool v);
    // Directory of the page files, a folder of this control's own; ends with a separator.
    QString TempDirectory() const { return m_tempDirectory; }

    // ---- persistence in the host's property bag ----
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;
    // The host's ambient font, the default of "Font".
    static QFont ambientFont();

    // ---- measurement seam ----
    // Metrics used for the preview surface (nullptr: the preview device's own font metrics).
    void setTextMetrics(std::shared_ptr<TextMetrics> metrics);

    // ---- state for hosts and tests ----
    QString statusText() const;
    bool pageUpEnabled() const;
    bool pageDownEnabled() const;
    bool closeRequested() const { return m_closeRequested; }
    bool cancelRequested() const { return m_cancelRequested; }
    // The page being drawn on the output surface (the last page after EndDoc).
    const PageRecord &surfacePage() const { return *out().record; }
    // The saved preview page n (false if its file is missing).
    bool loadPage(int n, PageRecord &out) const;
    QString pageFileName(int n) const;
    // The page the preview window is showing (nullptr when none).
    std::shared_ptr<const PageRecord> shownPage() const;
    bool pageShown() const;
    // Drawing position in twips (tests of the geometry).
    double currentXTwips() const { return out().currentX; }
    double currentYTwips() const { return out().currentY; }
    double paperWidthTwips() const { return m_paperWidth; }
    double paperHeightTwips() const { return m_paperHeight; }
    int hScrollScale() const { return m_hScrollScale; }
    // Scroll-bar scaling of a range in twips: twips per bar unit and the bar's maximum (below 32768).
    static void scrollScaling(double range, int &scale, int &maximum);
    int vScrollScale() const { return m_vScrollScale; }

    // ---- the preview window's parts ----
    QWidget *picTlb = nullptr;
    QToolButton *cmdPrint = nullptr;
    QToolButton *cmdPrint2 = nullptr;
    QToolButton *cmdPrint3 = nullptr;
    QToolButton *cmdPageUp = nullptr;
    QToolButton *cmdPageDown = nullptr;
    QToolButton *cmdClose = nullptr;
    QLabel *Label2 = nullptr;
    QTimer *tmrCancel = nullptr;
    QFrame *frmDsp = nullptr;
    PageView *imgDsp = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QPushButton *Command1 = nullptr;

    // ---- event handlers of the preview window ----
    void cmdPrint_Click();
    void cmdPrint2_Click();
    void cmdPrint3_Click();
    void cmdPageUp_Click() { PageUp(); }
    void cmdPageDown_Click() { PageDown(); }
    void cmdClose_Click();
    void imgDsp_MouseDown(int Button) { m_lastMouseButton = Button; }
    void imgDsp_DblClick();
    void tmrCancel_Timer();
    // Key codes 33 (Page Up) and 34 (Page Down).
    void UserControl_KeyDown(int KeyCode);

signals:
    void PrintHeader(quorvane::PageTextArgs &args);
    void PrintFooter(quorvane::PageTextArgs &args);
    void NewPageAutoCreated(int CurrentPage, const QString &GridTypeName);
    void NeedRedraw();
    void CloseRequest();
    void RealPrint();
    void cmdprint2Preview();
    void cmdprint3Preview();
    // A design-time property changed (the host saves it with WriteProperties).
    void PropertyChanged(const QString &name);

protected:
    void resizeEvent(QResizeEvent *) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A drawing surface: the preview page picDest or the printer.
    struct Surface
    {
        QFont font;
        OleColor foreColor = SysButtonText;
        int drawWidth = 1;
        int drawStyle = 0;
        int drawMode = 13;
        double currentX = 0;
        double currentY = 0;
        double scaleLeft = 0;    // -left margin
        double scaleTop = 0;     // -top margin
        double scaleWidth = 11905.509;
        double scaleHeight = 16837.7913;
        double outerWidth = 11905.509; // twips of the surface itself (paper x zoom in preview)
        double outerHeight = 16837.7913;
        std::shared_ptr<PageRecord> record = std::make_shared<PageRecord>();
    };
    enum class Request { Print, Print2, Print3, Redraw };

    Surface &out() { return m_isPrinter ? m_printerSurface : m_picDest; }
    const Surface &out() const { return m_isPrinter ? m_printerSurface : m_picDest; }
    double zoomOf() const { return m_isPrinter ? 1.0 : double(m_zoom); }
    double penUnitTwips() const;
    TextMetrics &metrics();
    // Measurement in page twips on the output surface, current font.
    double textW(const QString &text);
    double textH(const QString &text);
    // Page coordinate system.
    double printableW() const { return m_paperWidth - m_leftMargin - m_rightMargin; }
    double printableH() const { return m_paperHeight - m_topMargin - m_bottomMargin; }

    // Recording on the output surface.
    void drawTextLine(const QString &text);  // at CurrentX/Y; CurrentY += height, CurrentX := left edge
    void addLine(double x1, double y1, double x2, double y2, OleColor color);
    void addRect(double x1, double y1, double x2, double y2, OleColor color);
    void addFilledRect(double x1, double y1, double x2, double y2, OleColor color);
    void addEllipse(double cx, double cy, double rx, double ry, OleColor color);
    void addPoint(double x, double y, OleColor color);
    void addPicture(const QImage &img, double x, double y, double w, double h);
    QFont pageFont(const QFont &f) const;
    void resetSurface(Surface &s, bool clearRecord);
    void setSurfaceDrawWidth(int w);

    // Document steps.
    void writeStatus();
    void raiseFooterAndDraw();
    void pNewCellRow(const QString &LeftText, const QString &CenterText, const QString &RightText);
    void pCellOut(const QString &LeftText, const QString &CenterText, const QString &RightText);
    void putHeadFootText(PageInfo &info, int pos, const QString &text, double y);
    // Runs draw with the pen width of a head or foot line, then restores the surface's position,
    // font, colour and pen and lets waiting events run. Nothing happens once printing is cancelled.
    template <class Draw>
    void drawHeadFootLine(const PageInfo &info, Draw draw);
    void closePreviewPage(bool endDoc);
    void showFirstPageImage();
    void printSurfacePage();
    bool printerAvailable() const;
    void applyPrinterPage();
    bool savePageFile(int n);
    void showPageFile(int n);
    void drawCornerMarks();
    void restoreCursor();

    // Cell engine.
    double pDrawCell(const QString &text, double CellWidth, double &CellHeight, int &CellAlignment,
                     const QString &BorderWidth, OleColor &FillColor, bool &MultiLine, double &RowSpace,
                     OleColor &BorderColor);
    void drawCellBox(double x0, double y0, double x1, double y1, const QString &BorderWidth, OleColor FillColor);
    void RowText(double CellRowSpace, double CellStartX, double &CellRowHeight);
    void TitleText(const QString &Title, int FontSize, int Alignment, double startX, double width);
    void printFlexGrid(Grid &grid, const QString &title, int titleFontSize, int titleAlignment, double startX,
                       bool headerColor);
    void printFlexRow(Grid &grid, int r, OleColor fill);

    // Preview window.
    void buildWindow();
    void ApplyPaper();
    // Sets a page or cell margin from millimetres and reports the property as changed; a page
    // margin (appliesToPaper) also lays the preview paper out again.
    void setMarginMm(double &margin, float mm, const char *property, bool appliesToPaper);
    void LayoutPreview();
    void picTlb_Resize();
    void HScroll1_Change();
    void VScroll1_Change();
    void raiseOrDefer(Request r);
    void flushDeferred();
    bool isOwnWidget(QObject *o) const;

    // Pending events inside drawing calls (throttled; only this control's own input is served).
    void yieldEvents();

    // Paper.
    bool printerPageTwips(int code, int orientation, double &w, double &h) const;
    void markChanged(const char *name);
    void message(const QString &text, const QString &caption = QStringLiteral("系统提示:"));

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_printerPainter;
    int m_printedPages = 0;
    QTemporaryDir m_tempDir;
    QString m_tempDirectory;
    std::set<QString> m_pageFiles;
    std::shared_ptr<TextMetrics> m_previewMetrics;
    std::shared_ptr<TextMetrics> m_printerMetrics;
    QImage m_measureDevice;

    PageInfo m_header;
    PageInfo m_footer;
    Surface m_picDest;
    Surface m_printerSurface;

    int m_borderStyle = 1;
    OleColor m_backColor = SysAppWorkspace;
    OleColor m_paperColor = SysWindow;
    int m_orientation = 1;
    int m_paperSize = 9;
    double m_paperWidth = 11905.509;
    double m_paperHeight = 16837.7913;
    double m_leftMargin = 1133.858, m_topMargin = 1133.858, m_rightMargin = 1133.858, m_bottomMargin = 1133.858;
    double m_lcm = 56.6929, m_tcm = 56.6929, m_rcm = 56.6929, m_bcm = 56.6929;
    float m_zoom = 1;
    float m_savedZoom = 1;
    bool m_autoRedraw = false;
    bool m_reviewFrom1st = true;
    bool m_toolBarVisible = true;
    QFont m_savedFont;
    OleColor m_savedForeColor = SysButtonText;
    int m_savedDrawWidth = 1, m_savedDrawStyle = 0, m_savedDrawMode = 13;
    OleColor m_toolBarColor = SysButtonFace;

    int m_pageCount = 0;
    int m_previewPageCount = 0;      // pages of the preview while a printer document runs
    int m_currentPage = 1;
    bool m_busy = false;
    bool m_isPrinter = false;
    bool m_cancelRequested = false;
    bool m_refused = false;          // a StartPrint that could not open its output: calls until the next StartPrint do nothing
    bool m_closeRequested = false;
    int m_hScrollScale = 0;
    int m_vScrollScale = 0;
    int m_lastMouseButton = 0;
    std::vector<Request> m_deferred;
    bool m_flushScheduled = false;
    int m_yieldDepth = 0;
    bool m_hourglass = false;
    double m_imgWidth = 0, m_imgHeight = 0;   // page view, twips
    double m_frmLeft = 0, m_frmTop = 0;       // viewport position, twips
    QElapsedTimer m_sinceYield;
};

} // namespace quorvane
