// The print control: construction, properties, persistence, surfaces and the dialog seam.
#include "LumoPrinter.h"
#include "printdialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMetaClassInfo>
#include <QWindow>
#include <QPainter>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QScrollBar>

namespace quorvane {

QColor lumo::resolveColor(OleColor c)
{
    if (c & 0x80000000u) {
        // The classic system colours the control's defaults name.
        switch (c & 0xffu) {
        case 5: return QColor(255, 255, 255);   // window
        case 8: return QColor(0, 0, 0);         // window text
        case 12: return QColor(171, 171, 171);  // application workspace
        case 15: return QColor(240, 240, 240);  // button face
        case 16: return QColor(160, 160, 160);  // button shadow
        case 17: return QColor(109, 109, 109);  // grey text
        case 18: return QColor(0, 0, 0);        // button text
        default: return QColor(0, 0, 0);
        }
    }
    return QColor(int(c & 0xffu), int((c >> 8) & 0xffu), int((c >> 16) & 0xffu));
}

// ---- seams ----

std::function<void(const QString &, const QString &)> LumoPrinter::messageHook =
    [](const QString &text, const QString &caption) {
        QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    };

std::function<bool(QPrinter *, QWidget *)> LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *owner) {
    QPageSetupDialog dlg(printer, owner);
    return dlg.exec() == QDialog::Accepted;
};

std::function<bool(QPrinter *, int, QWidget *)> LumoPrinter::printDialogHook =
    [](QPrinter *printer, int, QWidget *owner) {
        PrintDialog dlg(printer, qobject_cast<const LumoPrinter *>(owner), owner);
        return dlg.exec() == QDialog::Accepted;
    };

int LumoPrinter::yieldIntervalMs = 15;

namespace {
std::shared_ptr<PrintSystem> &installedPrintSystem()
{
    static std::shared_ptr<PrintSystem> system = std::make_shared<SystemPrintSystem>();
    return system;
}

// Every question to the print system passes here and is asked under the wait cursor: a print server
// that is slow to answer (or takes the connection and never answers) keeps the program waiting, and
// the pointer says so, also while the preview opens (it asks for its printer).
class WaitingPrintSystem : public PrintSystem
{
public:
    std::unique_ptr<QPrinter> newPrinter() override { return ask(&PrintSystem::newPrinter); }
    QString serviceProblem() override { return ask(&PrintSystem::serviceProblem); }
    QStringList queues() override { return ask(&PrintSystem::queues); }
    QString defaultQueue() override { return ask(&PrintSystem::defaultQueue); }
    QString refusal(const QString &queue) override { return ask(&PrintSystem::refusal, queue); }
    bool paused(const QString &queue) override { return ask(&PrintSystem::paused, queue); }
    bool select(QPrinter &printer, const QString &queue) override { return ask(&PrintSystem::select, printer, queue); }
    QString queueOf(const QPrinter &printer) override { return ask(&PrintSystem::queueOf, printer); }
    bool listedSizes(const QPrinter &printer, QList<QPageSize> &sizes) override
    {
        return ask(&PrintSystem::listedSizes, printer, sizes);
    }

private:
    template <class R, class... P, class... A>
    static R ask(R (PrintSystem::*query)(P...), A &&...args)
    {
        const std::shared_ptr<PrintSystem> system = installedPrintSystem(); // kept while it answers
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        return (system.get()->*query)(std::forward<A>(args)...);
    }
};
} // namespace

void LumoPrinter::setPrintSystem(std::shared_ptr<PrintSystem> system)
{
    installedPrintSystem() = system ? std::move(system) : std::make_shared<SystemPrintSystem>();
}

PrintSystem &LumoPrinter::printSystem()
{
    static WaitingPrintSystem waiting;
    return waiting;
}

void LumoPrinter::message(const QString &text, const QString &caption)
{
    if (messageHook)
        messageHook(text, caption);
}

QString LumoPrinter::describeProperty(const QString &name)
{
    const QMetaObject &meta = staticMetaObject;
    const int i = meta.indexOfClassInfo(("description:" + name).toUtf8().constData());
    return i >= meta.classInfoOffset() ? QString::fromUtf8(meta.classInfo(i).value()) : QString();
}

QFont LumoPrinter::ambientFont()
{
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(9);
    return f;
}

// ---- creation and destruction ----

LumoPrinter::LumoPrinter(QWidget *parent)
    : QWidget(parent),
      m_printer(printSystem().newPrinter()),
      m_tempDir(QDir::tempPath() + QStringLiteral("/lumoprinter-XXXXXX")),
      m_measureDevice(8, 8, QImage::Format_RGB32)
{
    // A 1440-dpi surface measures text in twips, as the page surface of the preview does.
    m_measureDevice.setDotsPerMeterX(56693);
    m_measureDevice.setDotsPerMeterY(56693);
    m_previewMetrics = std::make_shared<DeviceTextMetrics>(&m_measureDevice);
    m_printerMetrics = std::make_shared<DeviceTextMetrics>(m_printer.get());

    buildWindow();

    // The page files live in a folder of this control's own, never in the current directory.
    if (m_tempDir.isValid())
        m_tempDirectory = QDir::toNativeSeparators(m_tempDir.path() + QLatin1Char('/'));

    // Paper from the system printer.
    const QPageLayout layout = m_printer->pageLayout();
    m_orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    m_paperSize = lumo::codeForPageSize(layout.pageSize());
    if (m_paperSize == 256)
        m_paperSize = 9;
    double w = 0, h = 0;
    if (printerPageTwips(m_paperSize, m_orientation, w, h)) {
        m_paperWidth = w;
        m_paperHeight = h;
    }

    m_picDest.font = ambientFont();
    m_printerSurface.font = ambientFont();
    m_savedFont = m_picDest.font;
    m_savedForeColor = m_picDest.foreColor;
    m_savedDrawStyle = m_picDest.drawStyle;
    m_savedDrawMode = m_picDest.drawMode;
    m_savedDrawWidth = m_picDest.drawWidth;
    resetSurface(m_picDest, true);
    LayoutPreview();
}

LumoPrinter::~LumoPrinter()
{
    if (m_printerPainter && m_printerPainter->isActive())
        m_printerPainter->end();
    // Only the page files this control wrote, in its own folder.
    for (const QString &f : m_pageFiles)
        QFile::remove(f);
    m_pageFiles.clear();
    if (m_tempDir.isValid()) {
        m_tempDir.setAutoRemove(false);
        QDir().rmdir(m_tempDir.path()); // only when empty
    }
}

void LumoPrinter::setTextMetrics(std::shared_ptr<TextMetrics> metrics)
{
    if (metrics) {
        m_previewMetrics = metrics;
        m_printerMetrics = metrics;
    } else {
        m_previewMetrics = std::make_shared<DeviceTextMetrics>(&m_measureDevice);
        m_printerMetrics = std::make_shared<DeviceTextMetrics>(m_printer.get());
    }
}

// ---- surfaces ----

TextMetrics &LumoPrinter::metrics()
{
    return m_isPrinter ? *m_printerMetrics : *m_previewMetrics;
}

double LumoPrinter::penUnitTwips() const
{
    // Pen widths are whole units. In the preview a unit is one screen pixel at 100 % (15 twips of
    // paper, less as the zoom grows), so rules look on screen as they always have. On paper and
    // in PDFs a unit is 0.15 mm, whatever the device's resolution: width 1 is a fine rule and
    // width 2, the reports' outer frames, is visibly twice as heavy. (Printer pixels would make
    // both hairlines at 1200 dpi.)
    if (m_isPrinter)
        return PaperPenUnitMm * lumo::TwipsPerMm;
    return 15.0 / std::max(0.01, double(m_zoom));
}

double LumoPrinter::textW(const QString &text)
{
    return metrics().width(out().font, text) / zoomOf();
}

double LumoPrinter::textH(const QString &text)
{
    return metrics().height(out().font, text) / zoomOf();
}

QFont LumoPrinter::pageFont(const QFont &font) const
{
    QFont p(font);
    p.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * 20.0 / zoomOf()))));
    p.setHintingPreference(QFont::PreferNoHinting);
    return p;
}

void LumoPrinter::resetSurface(Surface &s, bool clearRecord)
{
    if (clearRecord || !s.record)
        s.record = std::make_shared<PageRecord>();
    s.record->paperWidth = m_paperWidth;
    s.record->paperHeight = m_paperHeight;
    // A page keeps the origin it was started with: a margin set when something is already drawn
    // moves only what is drawn after it (see shiftX / shiftY).
    if (s.record->ops.empty()) {
        s.record->originX = -s.scaleLeft;
        s.record->originY = -s.scaleTop;
    }
    s.record->paperColor = lumo::resolveColor(m_paperColor).rgba();
}

QStringList LumoPrinter::textLines(const QString &text)
{
    return text.split(QStringLiteral("\r\n"));
}

double LumoPrinter::textBlockW(const QString &text)
{
    if (!text.contains(QStringLiteral("\r\n")))
        return textW(text);
    double w = 0;
    for (const QString &line : textLines(text))
        w = std::max(w, textW(line));
    return w;
}

double LumoPrinter::textBlockH(const QString &text)
{
    if (!text.contains(QStringLiteral("\r\n")))
        return textH(text);
    double h = 0;
    for (const QString &line : textLines(text))
        h += textH(line);
    return h;
}

void LumoPrinter::drawTextLine(const QString &text)
{
    Surface &s = out();
    if (text.contains(QStringLiteral("\r\n"))) {
        // A line break starts a new line under the first, at the same x.
        const double x = s.currentX;
        for (const QString &line : textLines(text)) {
            s.currentX = x;
            drawTextLine(line);
        }
        return;
    }
    if (!text.isEmpty()) {
        PageOp op;
        op.kind = PageOp::Text;
        op.index = qint16(s.record->fontIndex(pageFont(s.font)));
        op.x1 = float(s.currentX + shiftX());
        op.y1 = float(s.currentY + shiftY());
        op.y2 = float(s.currentY + shiftY() + metrics().ascent(s.font) / zoomOf());
        op.rgb = lumo::resolveColor(s.foreColor).rgb();
        op.text = text;
        s.record->ops.push_back(std::move(op));
    }
    s.currentY += textH(text);
    s.currentX = s.scaleLeft;
}

void LumoPrinter::addShape(PageOp::Kind kind, double x1, double y1, double x2, double y2, OleColor color)
{
    Surface &s = out();
    const bool outline = kind == PageOp::Line || kind == PageOp::Rect || kind == PageOp::Ellipse;
    PageOp op;
    op.kind = kind;
    if (outline)
        op.penStyle = quint8(std::clamp(s.drawStyle, 0, 6));
    op.x1 = float(x1 + shiftX()), op.y1 = float(y1 + shiftY());
    if (kind == PageOp::Ellipse)
        op.x2 = float(x2), op.y2 = float(y2); // the radii, not a corner
    else if (kind != PageOp::Point)
        op.x2 = float(x2 + shiftX()), op.y2 = float(y2 + shiftY());
    if (kind != PageOp::FilledRect)
        op.penWidth = float(s.drawWidth * penUnitTwips());
    op.rgb = lumo::resolveColor(color).rgb();
    s.record->ops.push_back(op);
}

void LumoPrinter::addPicture(const QImage &img, double x, double y, double width, double height)
{
    Surface &s = out();
    PageOp op;
    op.kind = PageOp::Picture;
    op.index = qint16(s.record->addPicture(img));
    op.x1 = float(x + shiftX()), op.y1 = float(y + shiftY()), op.x2 = float(x + width + shiftX()), op.y2 = float(y + height + shiftY());
    s.record->ops.push_back(op);
}

// ---- pending events ----

bool LumoPrinter::isOwnWidget(const QObject *object) const
{
    for (const QObject *p = object; p; p = p->parent()) {
        if (p == this)
            return true;
    }
    return false;
}

bool LumoPrinter::inPreviewWindow(QObject *object) const
{
    // Real input reaches the top-level window (its QWindow) first and is passed on from there to the
    // widget under the mouse or with the focus; both steps must be let through.
    const QWidget *top = window();
    const auto belongs = [this, top](const QWidget *w) { return w->window() == top || isOwnWidget(w->window()); };
    if (object->isWidgetType())
        return belongs(static_cast<QWidget *>(object));
    if (object->isWindowType()) {
        const QWidgetList tops = QApplication::topLevelWidgets();
        for (const QWidget *w : tops) {
            if (static_cast<QObject *>(w->windowHandle()) == object)
                return belongs(w);
        }
    }
    return false;
}

bool LumoPrinter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == picTlb && event->type() == QEvent::Paint && m_borderStyle > 0) {
        // The toolbar's raised edge: white top and left, dark grey right and bottom.
        QPainter p(picTlb);
        const int SW = picTlb->width(), SH = picTlb->height();
        p.setPen(Qt::white);
        p.drawLine(0, 0, SW - 1, 0);
        p.drawLine(0, 0, 0, SH - 1);
        p.setPen(QColor(64, 64, 64));
        p.drawLine(SW - 1, 0, SW - 1, SH);
        p.drawLine(0, SH - 1, SW, SH - 1);
        return false;
    }
    if (event->type() == QEvent::Wheel && (watched == frmDsp || watched == imgDsp)) {
        // The wheel over the page moves the bar that is shown (the vertical one first).
        QScrollBar *bar = !VScroll1->isHidden() ? VScroll1 : !HScroll1->isHidden() ? HScroll1 : nullptr;
        if (bar)
            QCoreApplication::sendEvent(bar, event);
        return true;
    }
    if (m_yieldDepth > 0) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            // While a layout runs, input to the preview's own window (its toolbar, bars and keys)
            // is served; input to every other window waits out the layout unseen.
            return !inPreviewWindow(watched);
        case QEvent::Close:
            if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()) {
                // Closing the window under a running layout becomes a close request, carried out
                // once the document has ended.
                if (watched == window())
                    ClosePreview();
                event->ignore();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LumoPrinter::yieldEvents()
{
    if (!qApp || (yieldIntervalMs > 0 && m_sinceYield.isValid() && m_sinceYield.elapsed() < yieldIntervalMs))
        return;
    ++m_yieldDepth;
    if (m_yieldDepth == 1)
        qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (m_yieldDepth == 1)
        qApp->removeEventFilter(this);
    --m_yieldDepth;
    m_sinceYield.restart();
}

void LumoPrinter::markChanged(const char *name)
{
    Q_EMIT PropertyChanged(QString::fromLatin1(name));
}

// ---- properties ----

void LumoPrinter::setBorderStyle(int style)
{
    if (style < -32768 || style > 32767)
        return; // the style is a 16-bit value: a larger one changes nothing
    m_borderStyle = style;
    picTlb_Resize();
    LayoutPreview(); // the border round the control, and the inner area inside it
    markChanged("BorderStyle");
}

void LumoPrinter::setBackColor(OleColor color)
{
    m_backColor = color;
    paintBackColor();
    markChanged("BackColor");
}

void LumoPrinter::paintBackColor()
{
    const QColor back = lumo::resolveColor(m_backColor);
    QPalette pal = frmDsp->palette();
    pal.setColor(QPalette::Window, back);
    frmDsp->setPalette(pal);
    QPalette own = palette();
    own.setColor(QPalette::Window, back);
    setPalette(own);
}

void LumoPrinter::setPaperColor(OleColor color)
{
    m_paperColor = color;
    m_picDest.record->paperColor = lumo::resolveColor(color).rgba();
    markChanged("PaperColor");
}

void LumoPrinter::setOrientation(int orientation)
{
    if (orientation == m_orientation)
        return;
    const double tmp = lumo::roundEven(m_paperWidth);
    m_paperWidth = m_paperHeight;
    m_paperHeight = tmp;
    m_orientation = orientation;
    // A print run that was refused lays nothing out: the preview is left alone.
    if (!m_isPrinter && !m_refused)
        ApplyPaper();
}

void LumoPrinter::setPaperSize(int code)
{
    if (code < -32768 || code > 32767) {
        message(QStringLiteral("无效属性值!"));
        return;
    }
    if (code == 256) {
        m_paperSize = 256;
        return;
    }
    m_paperSize = code;
    // The printer takes the paper; width and height are its page as the control's own orientation
    // lays it. The printer's orientation is not asked: it is only set when a document is printed,
    // so after a print, a page setup or a printer choice it may still be the one of an earlier
    // page, and a paper loaded in it would come out turned against Orientation.
    bool known = false;
    const QPageSize ps = lumo::pageSizeForCode(code, &known);
    double w = 0, h = 0;
    if (!known || !printerPageTwips(code, m_orientation, w, h)) {
        message(QStringLiteral("无效属性值!"));
        return;
    }
    m_printer->setPageSize(ps);
    m_paperWidth = w;
    m_paperHeight = h;
}

void LumoPrinter::setPaperLength(double &length, int mm, const char *property)
{
    // Only a user-defined paper (code 256) takes a width or height of its own.
    if (m_paperSize != 256)
        return;
    length = double(float(mm * lumo::TwipsPerMm));
    markChanged(property);
}

void LumoPrinter::setMarginMm(double &margin, float mm, const char *property, bool appliesToPaper)
{
    margin = lumo::mmToTwips(mm);
    if (appliesToPaper && !m_isPrinter && !m_refused)
        ApplyPaper();
    markChanged(property);
}

float LumoPrinter::TextWidth(const QString &text)
{
    // Text with line breaks: the widest of its lines.
    return lumo::twipsToMm(textBlockW(text));
}

float LumoPrinter::TextHeight(const QString &text)
{
    // Text with line breaks: its lines one under the other.
    return lumo::twipsToMm(textBlockH(text));
}

void LumoPrinter::setSurfaceDrawWidth(int width)
{
    if (m_isPrinter) {
        out().drawWidth = width;
    } else {
        const int z = int(std::floor(double(m_zoom) * width));
        out().drawWidth = z <= 1 ? 1 : z;
    }
}

void LumoPrinter::setDrawWidth(int width)
{
    setSurfaceDrawWidth(width);
    markChanged("DrawWidth");
}

void LumoPrinter::setDrawStyle(int style)
{
    out().drawStyle = style;
    markChanged("DrawStyle");
}

void LumoPrinter::setDrawMode(int mode)
{
    out().drawMode = mode;
    markChanged("DrawMode");
}

void LumoPrinter::setForeColor(OleColor color)
{
    out().foreColor = color;
    markChanged("ForeColor");
}

void LumoPrinter::setFont(const QFont &font)
{
    out().font = font;
    markChanged("Font");
}

void LumoPrinter::setFontSize(float points)
{
    const double s = m_isPrinter ? points : points * double(m_zoom);
    if (s > 0)
        out().font.setPointSizeF(s);
}

float LumoPrinter::ScaleHeight() const
{
    // The surface's scale is always the paper.
    return lumo::twipsToMm(m_paperHeight - m_topMargin - m_bottomMargin);
}

float LumoPrinter::ScaleWidth() const
{
    return lumo::twipsToMm(m_paperWidth - m_leftMargin - m_rightMargin);
}

void LumoPrinter::setCurrentX(float mm)
{
    out().currentX = lumo::mmToTwips(mm);
    markChanged("CurrentX");
}

void LumoPrinter::setCurrentY(float mm)
{
    out().currentY = lumo::mmToTwips(mm);
    markChanged("CurrentY");
}

void LumoPrinter::setAutoRedraw(bool on)
{
    m_autoRedraw = on;
    markChanged("AutoRedraw");
}

void LumoPrinter::setReviewFrom1st(bool fromFirst)
{
    m_reviewFrom1st = fromFirst;
    markChanged("ReviewFrom1st");
}

void LumoPrinter::setToolBarVisible(bool visible)
{
    m_toolBarVisible = visible;
    LayoutPreview();
    markChanged("ToolBarVisible");
}

// ---- persistence ----

void LumoPrinter::ReadProperties(const PropertyBag &bag)
{
    m_autoRedraw = bag.read("AutoRedraw", false).toBool();
    m_reviewFrom1st = bag.read("ReviewFrom1st", true).toBool();
    m_zoom = bag.read("Zoom", 1.0).toFloat();
    if (!(m_zoom > 0))
        m_zoom = 1;
    m_paperSize = qint16(bag.read("PaperSize", 9).toInt());
    m_orientation = bag.read("Orientation", 1).toInt();
    m_paperWidth = bag.read("PaperWidth", 11905.509).toDouble();
    m_paperHeight = bag.read("PaperHeight", 16837.7913).toDouble();
    m_leftMargin = bag.read("LeftMargin", 1133.858).toDouble();
    m_topMargin = bag.read("TopMargin", 1133.858).toDouble();
    m_rightMargin = bag.read("RightMargin", 1133.858).toDouble();
    m_bottomMargin = bag.read("BottomMargin", 1133.858).toDouble();
    m_lcm = bag.read("LeftCellMargin", 56.6929).toDouble();
    m_tcm = bag.read("TopCellMargin", 56.6929).toDouble();
    m_rcm = bag.read("RightCellMargin", 56.6929).toDouble();
    m_bcm = bag.read("BottomCellMargin", 56.6929).toDouble();
    m_toolBarVisible = bag.read("ToolBarVisible", true).toBool();
    m_picDest.foreColor = bag.read("ForeColor", uint(SysButtonText)).toUInt();
    m_picDest.drawStyle = bag.read("DrawStyle", 0).toInt();
    m_picDest.drawMode = bag.read("DrawMode", 13).toInt();
    m_picDest.drawWidth = bag.read("DrawWidth", 1).toInt();
    const QVariant font = bag.read("Font");
    m_picDest.font = font.canConvert<QFont>() && font.isValid() ? font.value<QFont>() : ambientFont();
    m_savedForeColor = m_picDest.foreColor;
    m_savedDrawStyle = m_picDest.drawStyle;
    m_savedDrawMode = m_picDest.drawMode;
    m_savedDrawWidth = m_picDest.drawWidth;
    m_savedFont = m_picDest.font;
    m_borderStyle = bag.read("BorderStyle", 1).toInt();
    m_paperColor = bag.read("PaperColor", uint(SysWindow)).toUInt();
    m_picDest.record->paperColor = lumo::resolveColor(m_paperColor).rgba();
    m_backColor = bag.read("BackColor", uint(SysAppWorkspace)).toUInt();
    paintBackColor();
    picTlb_Resize();
    LayoutPreview();
}

void LumoPrinter::WriteProperties(PropertyBag &bag) const
{
    bag.write("AutoRedraw", m_autoRedraw, false);
    bag.write("ReviewFrom1st", m_reviewFrom1st, true);
    bag.write("Zoom", m_zoom, 1.0f);
    bag.write("PaperSize", m_paperSize, 9);
    bag.write("Orientation", m_orientation, 1);
    bag.write("PaperWidth", m_paperWidth, 11905.509);
    bag.write("PaperHeight", m_paperHeight, 16837.7913);
    bag.write("LeftMargin", m_leftMargin, 1133.858);
    bag.write("TopMargin", m_topMargin, 1133.858);
    bag.write("RightMargin", m_rightMargin, 1133.858);
    bag.write("BottomMargin", m_bottomMargin, 1133.858);
    bag.write("LeftCellMargin", m_lcm, 56.6929);
    bag.write("TopCellMargin", m_tcm, 56.6929);
    bag.write("RightCellMargin", m_rcm, 56.6929);
    bag.write("BottomCellMargin", m_bcm, 56.6929);
    bag.write("ForeColor", uint(m_picDest.foreColor), uint(SysButtonText));
    bag.write("DrawStyle", m_picDest.drawStyle, 0);
    bag.write("DrawMode", m_picDest.drawMode, 13);
    bag.write("DrawWidth", m_picDest.drawWidth, 1);
    bag.write("Font", QVariant::fromValue(m_picDest.font), QVariant::fromValue(ambientFont()));
    bag.write("BackColor", uint(m_backColor), uint(SysAppWorkspace));
    bag.write("BorderStyle", m_borderStyle, 1);
    bag.write("ToolBarVisible", m_toolBarVisible, true);
    bag.write("PaperColor", uint(m_paperColor), uint(SysWindow));
    bag.write("ToolBarColor", uint(m_toolBarColor), uint(SysButtonFace));
}

// ---- state ----

QString LumoPrinter::statusText() const
{
    return Label2->text();
}

QString LumoPrinter::pageFileName(int pageNumber) const
{
    return m_tempDirectory + QStringLiteral("tubTemp.") + QStringLiteral("%1").arg(pageNumber, 3, 10, QLatin1Char('0'));
}

bool LumoPrinter::loadPage(int pageNumber, PageRecord &page) const
{
    const auto saved = savedPage(pageNumber);
    if (!saved)
        return false;
    page = *saved;
    return true;
}

} // namespace quorvane
