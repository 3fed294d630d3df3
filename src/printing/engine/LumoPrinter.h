#pragma once
#include "PageInfo.h"
#include "pagerecord.h"
#include "printsystem.h"
#include "textmetrics.h"
#include "units.h"
#include "controls/propertybag.h"

#include <QElapsedTimer>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QPageLayout>
#include <QPageRanges>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
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
    // What each property is for, as the control describes it to whoever sets it up.
    Q_CLASSINFO("description:BorderStyle", "设置/返回控件边框类型。")
    Q_CLASSINFO("description:BackColor", "设置/返回控件的背景颜色")
    Q_CLASSINFO("description:PaperColor", "设置/返回预览时纸张的颜色")
    Q_CLASSINFO("description:Orientation", "设置/返回打印纸的放置方向。")
    Q_CLASSINFO("description:PaperSize", "取得/设置打印纸的型号")
    Q_CLASSINFO("description:PaperWidth", "设置/返回打印纸的宽度，单位是mm。")
    Q_CLASSINFO("description:PaperHeight", "设置/返回打印纸的高度，单位是mm。")
    Q_CLASSINFO("description:LeftMargin", "设置/返回打印纸的左边界，单位是mm。")
    Q_CLASSINFO("description:TopMargin", "设置/返回打印纸上边界，单位是mm。")
    Q_CLASSINFO("description:RightMargin", "设置/返回打印纸右边界，单位是mm。")
    Q_CLASSINFO("description:BottomMargin", "设置/返回打印纸下边界，单位是mm。")
    Q_CLASSINFO("description:LeftCellMargin", "设置/返回表格内字距离左边框的尺寸，单位是mm。")
    Q_CLASSINFO("description:TopCellMargin", "设置/返回表格内字距离上边框的尺寸，单位是mm。")
    Q_CLASSINFO("description:RightCellMargin", "设置/返回表格内字距离右边框的尺寸，单位是mm。")
    Q_CLASSINFO("description:BottomCellMargin", "设置/返回表格内字距离下边框的尺寸，单位是mm。")
    Q_CLASSINFO("description:DrawWidth", "设置/返回打印线条的宽度。")
    Q_CLASSINFO("description:DrawStyle", "设置/返回打印线类型。")
    Q_CLASSINFO("description:DrawMode", "设置/返回打印图形用到的模式。")
    Q_CLASSINFO("description:ForeColor", "设置/返回打印使用的前景颜色。")
    Q_CLASSINFO("description:Font", "设置/返回打印使用的字体。")
    Q_CLASSINFO("description:PageCount", "返回生成预览后总的页数（设计时不可用）。")
    Q_CLASSINFO("description:CurrentPage", "返回当前预览的页码（设计时不可用）。")
    Q_CLASSINFO("description:ScaleHeight", "返回页面可打印的最大高度（设计时不可用）。")
    Q_CLASSINFO("description:ScaleWidth", "返回页面可打印的最大宽度（设计时不可用）。")
    Q_CLASSINFO("description:CurrentX", "设置/返回画笔在页面内的X坐标（设计时不可用）。")
    Q_CLASSINFO("description:CurrentY", "设置/返回画笔在页面内的Y坐标（设计时不可用）。")
    Q_CLASSINFO("description:Busy", "返回控件的状态，如果上次任务未完成，该值为真。想进行新的打印操作应先调用CancelPrint（设计时不可用）。")
    Q_CLASSINFO("description:IsPrinter", "返回当前的打印设备是否是打印机")
public:
    // The description the control publishes for a property; empty for a property it describes not.
    static QString describeProperty(const QString &name);

    explicit LumoPrinter(QWidget *parent = nullptr);
    ~LumoPrinter() override;

    // ---- dialog and message seam (the application routes these through its own services) ----
    // A message box: text, caption (always the exclamation style).
    static std::function<void(const QString &text, const QString &caption)> messageHook;
    // The page-setup dialog on the printer; true = OK.
    static std::function<bool(QPrinter *printer, QWidget *owner)> pageSetupHook;
    // The print dialog on the printer with the caller's flag word; true = OK. The default shows the
    // control's own PrintDialog (printdialog.h), as a host's dialog should.
    static std::function<bool(QPrinter *printer, int flags, QWidget *owner)> printDialogHook;
    // The print system asked at every print to a printer queue (nullptr: the platform's own).
    static void setPrintSystem(std::shared_ptr<PrintSystem> system);
    // The print system installed, each question asked under the wait cursor.
    static PrintSystem &printSystem();
    // Longest time between two runs of pending events inside drawing calls (ms); 0 = every call.
    static int yieldIntervalMs;

    // Millimetres of paper per unit of pen width when printing.
    static constexpr double PaperPenUnitMm = 0.15;

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
    void setBorderStyle(int style);
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor color);
    OleColor PaperColor() const { return m_paperColor; }
    void setPaperColor(OleColor color);
    int Orientation() const { return m_orientation; }
    void setOrientation(int orientation);
    int PaperSize() const { return m_paperSize; }
    void setPaperSize(int code);
    // Whole millimetres; set only for a user-defined paper (PaperSize 256).
    int PaperWidth() const { return int(lumo::roundEven(m_paperWidth / lumo::TwipsPerMm)); }
    void setPaperWidth(int mm) { setPaperLength(m_paperWidth, mm, "PaperWidth"); }
    int PaperHeight() const { return int(lumo::roundEven(m_paperHeight / lumo::TwipsPerMm)); }
    void setPaperHeight(int mm) { setPaperLength(m_paperHeight, mm, "PaperHeight"); }
    // Paper margins lay the preview's page out again; cell margins apply to the next cells.
    float LeftMargin() const { return lumo::twipsToMm(m_leftMargin); }
    void setLeftMargin(float mm) { setMarginMm(m_leftMargin, mm, "LeftMargin", true); }
    float TopMargin() const { return lumo::twipsToMm(m_topMargin); }
    void setTopMargin(float mm) { setMarginMm(m_topMargin, mm, "TopMargin", true); }
    float RightMargin() const { return lumo::twipsToMm(m_rightMargin); }
    void setRightMargin(float mm) { setMarginMm(m_rightMargin, mm, "RightMargin", true); }
    float BottomMargin() const { return lumo::twipsToMm(m_bottomMargin); }
    void setBottomMargin(float mm) { setMarginMm(m_bottomMargin, mm, "BottomMargin", true); }
    float LeftCellMargin() const { return lumo::twipsToMm(m_lcm); }
    void setLeftCellMargin(float mm) { setMarginMm(m_lcm, mm, "LeftCellMargin", false); }
    float TopCellMargin() const { return lumo::twipsToMm(m_tcm); }
    void setTopCellMargin(float mm) { setMarginMm(m_tcm, mm, "TopCellMargin", false); }
    float RightCellMargin() const { return lumo::twipsToMm(m_rcm); }
    void setRightCellMargin(float mm) { setMarginMm(m_rcm, mm, "RightCellMargin", false); }
    float BottomCellMargin() const { return lumo::twipsToMm(m_bcm); }
    void setBottomCellMargin(float mm) { setMarginMm(m_bcm, mm, "BottomCellMargin", false); }
    float TextWidth(const QString &text);
    float TextHeight(const QString &text);
    int DrawWidth() const { return out().drawWidth; }
    void setDrawWidth(int width);
    int DrawStyle() const { return out().drawStyle; }
    void setDrawStyle(int style);
    int DrawMode() const { return out().drawMode; }
    void setDrawMode(int mode);
    OleColor ForeColor() const { return out().foreColor; }
    void setForeColor(OleColor color);
    // The font of the output surface itself: changing it changes all following output.
    QFont &Font() { return out().font; }
    void setFont(const QFont &font);
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
    void setAutoRedraw(bool on);
    bool ReviewFrom1st() const { return m_reviewFrom1st; }
    void setReviewFrom1st(bool fromFirst);
    float ZoomFactor() const { return m_zoom; }
    bool ToolBarVisible() const { return m_toolBarVisible; }
    void setToolBarVisible(bool visible);
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
    // The saved preview page of that number (false if it is missing).
    bool loadPage(int pageNumber, PageRecord &page) const;
    // The file that page of the preview is kept in.
    QString pageFileName(int pageNumber) const;
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
    // Asks the host to print the whole document (RealPrint), held back while a layout runs.
    void cmdPrint_Click();
    // Asks the host to print what the current page shows (cmdprint2Preview), held back likewise.
    void cmdPrint2_Click();
    // The same request through the second current-page button (cmdprint3Preview).
    void cmdPrint3_Click();
    // Shows the page before the one on view.
    void cmdPageUp_Click() { PageUp(); }
    // Shows the page after the one on view.
    void cmdPageDown_Click() { PageDown(); }
    // Closes the preview; the next document is viewed from its first page.
    void cmdClose_Click();
    // Remembers which mouse button pressed the page (1 left, 2 right) for a double click.
    void imgDsp_MouseDown(int Button) { m_lastMouseButton = Button; }
    // A right-button double click on the page turns the paper between portrait and landscape.
    void imgDsp_DblClick();
    // Raises a pending close request once no layout is running.
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
    // The preview's state while a refused print run goes through its layout.
    struct RefusedSnapshot
    {
        int orientation;
        int paperSize;
        double paperWidth, paperHeight;
        double margins[4];
        double cellMargins[4];
        Surface surface;
    };

    Surface &out() { return m_isPrinter ? m_printerSurface : m_picDest; }
    const Surface &out() const { return m_isPrinter ? m_printerSurface : m_picDest; }
    double zoomOf() const { return m_isPrinter ? 1.0 : double(m_zoom); }
    double penUnitTwips() const;
    TextMetrics &metrics();
    // Measurement in page twips on the output surface, current font.
    double textW(const QString &text);
    double textH(const QString &text);
    // The same for text that may hold line breaks ("\r\n"): its widest line, its lines' heights.
    static QStringList textLines(const QString &text);
    double textBlockW(const QString &text);
    double textBlockH(const QString &text);
    // Page coordinate system.
    double printableW() const { return m_paperWidth - m_leftMargin - m_rightMargin; }
    double printableH() const { return m_paperHeight - m_topMargin - m_bottomMargin; }

    // Recording on the output surface.
    // At CurrentX/Y; CurrentY += height, CurrentX := left edge. A line break ("\r\n") starts the
    // next line under it at the same x.
    void drawTextLine(const QString &text);
    // A line, rectangle, filled rectangle or point between the corners (x1, y1) and (x2, y2), or
    // an ellipse round the centre (x1, y1) with the radii x2, y2 (a point takes the first pair
    // alone); outlines take the surface's pen style, all but a filled rectangle its pen width.
    void addShape(PageOp::Kind kind, double x1, double y1, double x2, double y2, OleColor color);
    void addPicture(const QImage &img, double x, double y, double width, double height);
    // From the surface's coordinates to the page record's: zero unless a margin changed after
    // the page's first drawing.
    double shiftX() const { return -out().scaleLeft - out().record->originX; }
    double shiftY() const { return -out().scaleTop - out().record->originY; }
    QFont pageFont(const QFont &font) const;
    void resetSurface(Surface &s, bool clearRecord);
    void setSurfaceDrawWidth(int width);

    // Document steps.
    void writeStatus();
    // Raises the page head (PrintHeader) or foot (PrintFooter) event with the page count; a number
    // its handler stores becomes the page count. Returns the texts the handler filled in.
    PageTextArgs askPageTexts(void (LumoPrinter::*event)(PageTextArgs &));
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
    // Files the page just finished and keeps the preview in step: page down once the page after
    // the one on view exists, the page itself (and page up past the first) once it is on view.
    void fileFinishedPage();
    // The paper a printed page lies on: its code, orientation and size in twips.
    struct PrinterPaper
    {
        int size;
        int orientation;
        double width, height;
    };
    // Prints the page the printer run just closed, or holds it when the pages go last to first.
    void printSurfacePage();
    void printPage(const PageRecord &page, const PrinterPaper &paper);
    // Pages last to first: the job asks the print queue for it where it can, else the run's pages
    // are held and printed backwards when the document ends. Copies to a file are held the same
    // way and printed as many times over; a queue makes them itself. pageSet: the queue's page set
    // ("odd", "even") for this run alone, empty for none.
    void beginPageOrder(const QString &pageSet);
    void endPageOrder();
    void printHeldPages();
    // Why a print cannot be handed over now (the message that says so); empty when it can.
    // pausedQueue: the queue it goes to when that queue is paused (it keeps the job); else empty.
    QString printerProblem(QString &pausedQueue);
    // Takes the page set (奇数页面/偶数页面: "odd", "even") that the print dialog put among a print
    // queue's job options off the printer, so that no later print carries it; empty when none.
    QString takeQueuePageSet();
    // A print run whose printer could not be opened: it draws nothing, raises nothing, and what
    // its layout sets is put back when it ends.
    void beginRefusedRun();
    void endRefusedRun();
    void applyPrinterPage(const PrinterPaper &paper);
    bool savePageFile(int pageNumber);
    // The preview page of that number as it was saved (its file, or the copy kept in memory);
    // nullptr when missing.
    std::shared_ptr<const PageRecord> savedPage(int pageNumber) const;
    void showPageFile(int pageNumber);
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
    void printFlexRow(Grid &grid, int row, OleColor fill);

    // Preview window.
    void buildWindow();
    void ApplyPaper();
    // Sets a page or cell margin from millimetres and reports the property as changed; a page
    // margin (appliesToPaper) also lays the preview paper out again.
    void setMarginMm(double &margin, float mm, const char *property, bool appliesToPaper);
    // Sets the paper width or height of a user-defined paper from millimetres (nothing for a
    // coded paper) and reports the property as changed.
    void setPaperLength(double &length, int mm, const char *property);
    // The control and the area round the page take the background colour (BackColor).
    void paintBackColor();
    void LayoutPreview();
    // Width of the border round the control in pixels (BorderStyle 1: one).
    int borderPixels() const;
    // Moves the viewport to its place (m_frmLeft, m_frmTop inside the border).
    void placeViewport();
    void picTlb_Resize();
    void HScroll1_Change();
    void VScroll1_Change();
    void raiseOrDefer(Request request);
    void flushDeferred();
    bool isOwnWidget(const QObject *object) const;
    // The object is the preview's window, a widget in it, or a popup of one of its widgets.
    bool inPreviewWindow(QObject *object) const;

    // Pending events inside drawing calls (throttled; only this control's own input is served).
    void yieldEvents();

    // Paper.
    bool printerPageTwips(int code, int orientation, double &width, double &height) const;
    // Takes the paper and orientation chosen in a dialog; true when the page changed.
    bool takeChosenPaper(const QPageLayout &layout);
    // Hands the document's paper, orientation and margins to the printer before a dialog shows
    // them; gives the margins the printer took (mm).
    QMarginsF offerPage();
    // Takes the margins chosen in a dialog in whole millimetres; with the margins offered, only
    // those changed. True when a margin changed.
    bool takeChosenMargins(const QMarginsF &chosen, const QMarginsF *offered);
    struct PrinterState;
    void markChanged(const char *name);
    void message(const QString &text, const QString &caption = QStringLiteral("系统提示:"));

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_printerPainter;
    // The texts of the print run shaped for the printer, kept while its painter is open.
    ShapedTexts m_printerShapes;
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
    std::unique_ptr<RefusedSnapshot> m_refusedSnapshot;
    int m_runPages = 0;              // pages closed by the printer run so far
    QPageRanges m_runRanges;         // pages the printer run prints (empty: all)
    QPageRanges m_pendingRanges;     // pages chosen in the print dialog, for the print it asks for
    QString m_pendingPageSet;        // odd or even pages chosen there for a queue, for that print too
    bool m_holdPages = false;        // the printer run prints its pages when the document ends
    bool m_heldBackwards = false;    // ... last to first
    int m_fileCopies = 1;            // ... so many copies of them (to a file)
    std::vector<std::pair<std::shared_ptr<const PageRecord>, PrinterPaper>> m_heldPages;
    QVariant m_queueOptions;         // the queue's job options before the run asked for its page order
    QString m_runTitle;              // the first title of the running document
    QString m_previewTitle;          // the first title of the preview's document
    std::map<int, std::shared_ptr<const PageRecord>> m_memPages; // preview pages that could not be saved as files
    bool m_closeRequested = false;
    int m_hScrollScale = 0;
    int m_vScrollScale = 0;
    int m_lastMouseButton = 0;
    std::vector<Request> m_deferred;
    bool m_flushScheduled = false;
    int m_yieldDepth = 0;
    bool m_hourglass = false;
    double m_imgWidth = 0, m_imgHeight = 0;   // page view, twips
    double m_frmLeft = 0, m_frmTop = 0;       // viewport position inside the border, twips
    QFrame *m_border = nullptr;
    QElapsedTimer m_sinceYield;
};

} // namespace quorvane
