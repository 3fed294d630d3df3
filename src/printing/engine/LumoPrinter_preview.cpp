// The print control: its preview window (toolbar, page view, scroll bars, paging, close request).
#include "LumoPrinter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

namespace quorvane {

namespace {
constexpr double ToolbarHeight = 670;
constexpr double Bar = 255;
// Arrow and wheel step of the scroll bars, in twips of the page.
constexpr double ScrollStep = 200;
int px(double twips) { return int(std::lround(twips / 15.0)); }
int roundEvenInt(double v) { return int(lumo::roundEven(v)); }

// A sheet of paper with ruled lines, its top-left corner at (x, y), w x h.
void drawSheet(QPainter &p, qreal x, qreal y, qreal w, qreal h, const QString &mark = QString())
{
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(x, y, w, h));
    if (!mark.isEmpty()) {
        QFont f = p.font();
        f.setPixelSize(int(h * 0.55));
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(30, 90, 170));
        p.drawText(QRectF(x, y, w, h), Qt::AlignCenter, mark);
        return;
    }
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal ly = y + 3; ly < y + h - 2; ly += 3)
        p.drawLine(QPointF(x + 2.5, ly), QPointF(x + w - 2.5, ly));
}

// The toolbar's print pictures: a printer, with the pages it prints behind it.
QIcon printIcon(int pages, const QString &mark = QString())
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(2, 2);
    // Pages fed from the top, the last one in front.
    for (int i = pages - 1; i >= 0; --i)
        drawSheet(p, 6.5 + 2.5 * i, 1.5 + 1.5 * (pages - 1 - i), 11, 12, i == 0 ? mark : QString());
    // The printer body.
    QLinearGradient body(0, 11, 0, 20);
    body.setColorAt(0, QColor(120, 130, 145));
    body.setColorAt(1, QColor(70, 78, 90));
    p.setPen(QPen(QColor(45, 50, 58), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 11.5, 21, 8), 1.5, 1.5);
    // The printed sheet coming out at the front, and the ready light.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 17.5, 11, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 200, 90));
    p.drawEllipse(QPointF(19.5, 14), 1.2, 1.2);
    p.end();
    return QIcon(pm);
}
} // namespace

// ---- page view ----

void PageView::setPage(std::shared_ptr<const PageRecord> page)
{
    m_page = std::move(page);
    update();
}

void PageView::paintEvent(QPaintEvent *)
{
    if (!m_page)
        return;
    QPainter p(this);
    m_page->replay(p, QRectF(rect()), true);
}

void PageView::mousePressEvent(QMouseEvent *e)
{
    const int button = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2
                     : e->button() == Qt::MiddleButton ? 4 : 0;
    Q_EMIT mousePressed(button);
}

void PageView::mouseDoubleClickEvent(QMouseEvent *)
{
    Q_EMIT doubleClicked();
}

// ---- window ----

void LumoPrinter::buildWindow()
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    picTlb = new QWidget(this);
    picTlb->setAutoFillBackground(true);
    // The toolbar keeps its button-face colour whatever the control's background is.
    QPalette tlb = picTlb->palette();
    tlb.setColor(QPalette::Window, lumo::resolveColor(m_toolBarColor));
    picTlb->setPalette(tlb);
    picTlb->installEventFilter(this);
    const auto button = [this](int left, const QString &tip, const QIcon &icon) {
        auto *b = new QToolButton(picTlb);
        b->setGeometry(left, 2, 40, 40);
        b->setToolTip(tip);
        b->setIcon(icon);
        b->setIconSize(QSize(24, 24));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    cmdPrint = button(2, QStringLiteral("打印全部显示的内容"), printIcon(3));
    cmdPrint2 = button(42, QStringLiteral("打印当前页显示内容"), printIcon(1));
    cmdPrint3 = button(82, QStringLiteral("打印当前页显示内容"), printIcon(1, QStringLiteral("1")));
    cmdPageUp = button(122, QStringLiteral("显示上一页"), style()->standardIcon(QStyle::SP_ArrowUp));
    cmdPageDown = button(162, QStringLiteral("显示下一页"), style()->standardIcon(QStyle::SP_ArrowDown));
    cmdClose = button(202, QStringLiteral("关闭预览"), style()->standardIcon(QStyle::SP_DialogCloseButton));
    cmdPageUp->setEnabled(false);
    cmdPageDown->setEnabled(false);
    Label2 = new QLabel(QStringLiteral("当前打印信息为空!"), picTlb);
    Label2->move(272, 14);
    Label2->resize(300, 18);
    connect(cmdPrint, &QToolButton::clicked, this, &LumoPrinter::cmdPrint_Click);
    connect(cmdPrint2, &QToolButton::clicked, this, &LumoPrinter::cmdPrint2_Click);
    connect(cmdPrint3, &QToolButton::clicked, this, &LumoPrinter::cmdPrint3_Click);
    connect(cmdPageUp, &QToolButton::clicked, this, &LumoPrinter::cmdPageUp_Click);
    connect(cmdPageDown, &QToolButton::clicked, this, &LumoPrinter::cmdPageDown_Click);
    connect(cmdClose, &QToolButton::clicked, this, &LumoPrinter::cmdClose_Click);

    tmrCancel = new QTimer(this);
    tmrCancel->setInterval(500);
    connect(tmrCancel, &QTimer::timeout, this, &LumoPrinter::tmrCancel_Timer);
    tmrCancel->start();

    frmDsp = new QFrame(this);
    frmDsp->setAutoFillBackground(true);
    QPalette pal = frmDsp->palette();
    pal.setColor(QPalette::Window, lumo::resolveColor(m_backColor));
    frmDsp->setPalette(pal);
    imgDsp = new PageView(frmDsp);
    imgDsp->move(px(Bar), px(Bar));
    imgDsp->resize(0, 0);
    imgDsp->hide();
    connect(imgDsp, &PageView::mousePressed, this, &LumoPrinter::imgDsp_MouseDown);
    connect(imgDsp, &PageView::doubleClicked, this, &LumoPrinter::imgDsp_DblClick);

    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    // The bars never take the focus: Page Up and Page Down keep paging the preview.
    HScroll1->setFocusPolicy(Qt::NoFocus);
    VScroll1->setFocusPolicy(Qt::NoFocus);
    // The wheel over the page scrolls it.
    frmDsp->installEventFilter(this);
    imgDsp->installEventFilter(this);
    HScroll1->hide();
    VScroll1->hide();
    connect(HScroll1, &QScrollBar::valueChanged, this, &LumoPrinter::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &LumoPrinter::VScroll1_Change);
    Command1 = new QPushButton(this);
    Command1->setFocusPolicy(Qt::NoFocus);
    Command1->hide();

    // The border round the control (BorderStyle 1): a frame laid over the edges that lets every
    // click through to what lies under it.
    m_border = new QFrame(this);
    m_border->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_border->setLineWidth(1);
    QPalette edge = m_border->palette();
    edge.setColor(QPalette::WindowText, QColor(64, 64, 64));
    m_border->setPalette(edge);
    m_border->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_border->setAttribute(Qt::WA_NoSystemBackground);
    m_border->setAutoFillBackground(false);
    m_border->setFocusPolicy(Qt::NoFocus);
}

void LumoPrinter::picTlb_Resize()
{
    picTlb->update();
}

void LumoPrinter::LayoutPreview()
{
    if (!picTlb)
        return;
    // The control's inner area: inside the border that BorderStyle draws round it.
    const int b = borderPixels();
    const double W = std::max(0, width() - 2 * b) * 15.0, H = std::max(0, height() - 2 * b) * 15.0;
    const double top = m_toolBarVisible ? 0 : -ToolbarHeight;
    picTlb->setGeometry(b, b + px(top), px(W), px(ToolbarHeight));
    picTlb_Resize();
    const double TB = top + ToolbarHeight;
    const double FW = m_imgWidth + 510, FH = m_imgHeight + 510;
    frmDsp->resize(px(FW), px(FH));
    const bool needH = FW >= W;
    const bool needV = H - TB <= FH;
    const auto scaled = [](double range, double visible, QScrollBar *bar) {
        int scale = 1, maximum = 0;
        scrollScaling(range, scale, maximum);
        bar->setRange(0, std::max(0, maximum));
        // An arrow moves a few lines, a click beside the thumb one screen.
        bar->setSingleStep(std::max(1, roundEvenInt(ScrollStep / scale)));
        bar->setPageStep(std::max(1, roundEvenInt(visible / scale)));
        return scale;
    };
    if (needH && needV) {
        VScroll1->setGeometry(b + px(W - Bar), b + px(TB), px(Bar), px(H - Bar - TB));
        HScroll1->setGeometry(b, b + px(H - Bar), px(W - Bar), px(Bar));
        Command1->setGeometry(b + px(W - Bar), b + px(H - Bar), px(Bar), px(Bar));
        m_frmLeft = 0;
        m_frmTop = TB;
        m_vScrollScale = scaled(FH - (H - TB) + Bar, H - TB - Bar, VScroll1);
        m_hScrollScale = scaled(FW - W + Bar, W - Bar, HScroll1);
        VScroll1->show();
        HScroll1->show();
        Command1->show();
    } else if (needH) {
        HScroll1->setGeometry(b, b + px(H - Bar), px(W), px(Bar));
        m_frmLeft = 0;
        m_frmTop = (H + TB - FH) / 2;
        m_hScrollScale = scaled(FW - W, W, HScroll1);
        HScroll1->show();
        VScroll1->hide();
        Command1->hide();
    } else if (needV) {
        VScroll1->setGeometry(b + px(W - Bar), b + px(TB), px(Bar), px(H - TB));
        Command1->setGeometry(b + px(W - Bar), b + px(H - Bar), px(Bar), px(Bar));
        m_frmLeft = (W - FW) / 2;
        m_frmTop = TB;
        m_vScrollScale = scaled(FH - (H - TB), H - TB, VScroll1);
        VScroll1->show();
        HScroll1->hide();
        Command1->hide();
    } else {
        m_frmLeft = (W - FW) / 2;
        m_frmTop = (H + TB - FH) / 2;
        VScroll1->hide();
        HScroll1->hide();
        Command1->hide();
    }
    placeViewport();
    picTlb->raise();
    m_border->setGeometry(rect());
    m_border->setVisible(b > 0);
    m_border->raise();
}

int LumoPrinter::borderPixels() const
{
    return m_borderStyle > 0 ? 1 : 0;
}

void LumoPrinter::placeViewport()
{
    const int b = borderPixels();
    frmDsp->move(b + px(m_frmLeft), b + px(m_frmTop));
}

void LumoPrinter::scrollScaling(double range, int &scale, int &maximum)
{
    const int R = roundEvenInt(range);
    scale = std::max(1, roundEvenInt(R / 32768.0 + 1));
    maximum = roundEvenInt(double(R) / scale);
}

void LumoPrinter::HScroll1_Change()
{
    m_frmLeft = -double(m_hScrollScale) * HScroll1->value();
    placeViewport();
}

void LumoPrinter::VScroll1_Change()
{
    const double TB = m_toolBarVisible ? ToolbarHeight : 0;
    m_frmTop = TB - double(m_vScrollScale) * VScroll1->value();
    placeViewport();
}

void LumoPrinter::resizeEvent(QResizeEvent *)
{
    LayoutPreview();
}

void LumoPrinter::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_PageUp)
        UserControl_KeyDown(33);
    else if (e->key() == Qt::Key_PageDown)
        UserControl_KeyDown(34);
    else
        QWidget::keyPressEvent(e);
}

void LumoPrinter::UserControl_KeyDown(int KeyCode)
{
    if (KeyCode == 33)
        PageUp();
    else if (KeyCode == 34)
        PageDown();
}

// ---- paging ----

void LumoPrinter::SetViewPage(int NewNum)
{
    if (m_busy && NewNum == m_pageCount)
        return; // still on the drawing surface, no picture yet
    if (NewNum < 1 || NewNum > m_pageCount)
        return;
    m_currentPage = NewNum;
    if (auto page = savedPage(m_currentPage)) {
        imgDsp->setPage(std::move(page));
        imgDsp->show();
    }
    cmdPageUp->setEnabled(m_currentPage > 1);
    cmdPageDown->setEnabled(m_currentPage < m_pageCount);
    VScroll1->setValue(0);
    HScroll1->setValue(0);
}

void LumoPrinter::PageDown()
{
    SetViewPage(m_currentPage + 1);
    writeStatus();
}

void LumoPrinter::PageUp()
{
    SetViewPage(m_currentPage - 1);
    writeStatus();
}

void LumoPrinter::ZoomOut(int)
{
    // The zoom stays as it is; while a document is produced this asks for its cancellation.
    if (m_busy)
        CancelPrint();
}

void LumoPrinter::ClosePreview()
{
    if (!m_isPrinter && m_busy)
        CancelPrint();
    m_closeRequested = true;
}

std::shared_ptr<const PageRecord> LumoPrinter::shownPage() const
{
    return imgDsp->isHidden() ? nullptr : imgDsp->page();
}

bool LumoPrinter::pageShown() const
{
    return !imgDsp->isHidden() && imgDsp->page() != nullptr;
}

bool LumoPrinter::pageUpEnabled() const
{
    return cmdPageUp->isEnabled();
}

bool LumoPrinter::pageDownEnabled() const
{
    return cmdPageDown->isEnabled();
}

// ---- toolbar and timer ----

void LumoPrinter::cmdPrint_Click()
{
    raiseOrDefer(Request::Print);
}

void LumoPrinter::cmdPrint2_Click()
{
    raiseOrDefer(Request::Print2);
}

void LumoPrinter::cmdPrint3_Click()
{
    raiseOrDefer(Request::Print3);
}

void LumoPrinter::cmdClose_Click()
{
    m_currentPage = 1;
    cmdPageUp->setEnabled(false);
    cmdPageDown->setEnabled(false);
    ClosePreview();
}

void LumoPrinter::tmrCancel_Timer()
{
    // A close request is carried out when no layout is running: never under a running layout
    // (it is served once the document has ended), but also when a host left a document without
    // ending it, so the preview can always be closed.
    if (m_closeRequested && (!m_busy || m_yieldDepth == 0)) {
        m_closeRequested = false;
        Q_EMIT CloseRequest();
    }
}

void LumoPrinter::imgDsp_DblClick()
{
    if (m_lastMouseButton != 2)
        return;
    if (m_busy)
        return; // the paper is not turned under a document being produced
    if (m_orientation == 1)
        setOrientation(2);
    else if (m_orientation == 2)
        setOrientation(1);
}

void LumoPrinter::raiseOrDefer(Request request)
{
    if (m_busy) {
        // Documents never nest: the request is served once the running document has ended.
        if (std::find(m_deferred.begin(), m_deferred.end(), request) == m_deferred.end())
            m_deferred.push_back(request);
        return;
    }
    switch (request) {
    case Request::Print: Q_EMIT RealPrint(); break;
    case Request::Print2: Q_EMIT cmdprint2Preview(); break;
    case Request::Print3: Q_EMIT cmdprint3Preview(); break;
    case Request::Redraw: Q_EMIT NeedRedraw(); break;
    }
}

void LumoPrinter::flushDeferred()
{
    m_flushScheduled = false;
    if (m_busy)
        return; // EndDoc schedules the next try
    if (m_closeRequested) {
        m_deferred.clear(); // the preview is closing: nothing more to print or redraw
        return;
    }
    const std::vector<Request> pending = std::move(m_deferred);
    m_deferred.clear();
    for (Request r : pending)
        raiseOrDefer(r);
}

// ---- paper ----

void LumoPrinter::ApplyPaper()
{
    Surface &s = out();
    if (!m_isPrinter) {
        s.outerWidth = m_paperWidth * double(m_zoom);
        s.outerHeight = m_paperHeight * double(m_zoom);
    }
    s.scaleWidth = m_paperWidth;
    s.scaleHeight = m_paperHeight;
    s.scaleLeft = -m_leftMargin;
    s.scaleTop = -m_topMargin;
    resetSurface(s, false);
    if (!m_isPrinter) {
        const int pen = s.drawWidth;
        addShape(PageOp::Rect, 0, 0, printableW(), printableH(), SysGrayText);
        s.drawWidth = pen;
    }
    s.currentX = 0;
    s.currentY = 0;
    if (m_pageCount <= 0)
        return;
    if (m_autoRedraw) {
        imgDsp->hide();
        m_imgWidth = s.outerWidth;
        m_imgHeight = s.outerHeight;
        imgDsp->setGeometry(px(Bar), px(Bar), px(m_imgWidth), px(m_imgHeight));
        LayoutPreview();
        imgDsp->show();
    } else {
        if (!m_reviewFrom1st && !m_hourglass) {
            m_hourglass = true;
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
        imgDsp->hide();
        raiseOrDefer(Request::Redraw);
        restoreCursor();
    }
}

} // namespace quorvane
