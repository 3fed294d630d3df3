#include "controls/progressbar/XP_ProgressBar.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRegion>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

constexpr quint32 kDefaultColor = 0x8000000D;  // system highlight colour
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kBorderOuter = 0x686868;
constexpr quint32 kBorderMid = 0xBEBEBE;
constexpr quint32 kBorderInner = 0xEFEFEF;

int red(quint32 c) { return static_cast<int>(c & 0xFF); }
int green(quint32 c) { return static_cast<int>((c >> 8) & 0xFF); }
int blue(quint32 c) { return static_cast<int>((c >> 16) & 0xFF); }

QColor toQColor(quint32 c) { return QColor(red(c), green(c), blue(c)); }

quint32 fromQColor(const QColor &c)
{
    return static_cast<quint32>(c.red()) | (static_cast<quint32>(c.green()) << 8)
           | (static_cast<quint32>(c.blue()) << 16);
}

// Nearest integer, halves going to the even neighbour.
int roundHalfEven(double v)
{
    double r = std::floor(v);
    const double diff = v - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return static_cast<int>(r);
}

// Solid rectangle given by its edges (l, t)-(r, b); an empty or inverted rectangle draws nothing.
void fillSolidRect(QPainter &p, int l, int t, int r, int b, quint32 color)
{
    if (r <= l || b <= t)
        return;
    p.fillRect(QRect(l, t, r - l, b - t), toQColor(XP_ProgressBar::TranslateOleColor(color)));
}

// One-pixel outline just inside the rectangle (l, t)-(r, b).
void drawFrameRect(QPainter &p, int l, int t, int r, int b, quint32 color)
{
    if (r <= l || b <= t)
        return;
    fillSolidRect(p, l, t, r, t + 1, color);
    fillSolidRect(p, l, b - 1, r, b, color);
    fillSolidRect(p, l, t, l + 1, b, color);
    fillSolidRect(p, r - 1, t, r, b, color);
}

// Two-point linear gradient over the rectangle at (x, y) of the given size: the first colour at the
// left (direction 0) or top (direction 1) edge, running towards the second at the opposite edge.
// The channels are interpolated with 8 fractional bits, as the 16-bit gradient vertices are.
void gradientRect(QPainter &p, int x, int y, int width, int height, quint32 c1, quint32 c2,
                  int direction)
{
    if (width <= 0 || height <= 0)
        return;
    const int steps = direction == 0 ? width : height;
    auto channel = [steps](int a, int b, int i) {
        const qint64 va = static_cast<qint64>(a) * 256;
        const qint64 vb = static_cast<qint64>(b) * 256;
        return static_cast<int>((va + (vb - va) * i / steps) >> 8);
    };
    for (int i = 0; i < steps; ++i) {
        const QColor c(channel(red(c1), red(c2), i), channel(green(c1), green(c2), i),
                       channel(blue(c1), blue(c2), i));
        if (direction == 0)
            p.fillRect(QRect(x + i, y, 1, height), c);
        else
            p.fillRect(QRect(x, y + i, width, 1), c);
    }
}

} // namespace

XP_ProgressBar::XP_ProgressBar(QWidget *parent)
    : QWidget(parent), m_color(TranslateOleColor(kDefaultColor)), m_font(QStringLiteral("Tahoma"), 8)
{
    // The bar paints every pixel of its rectangle itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    EnsureBuffer(width(), height());
    DrawProgressBar();
}

// Settings other than Value and ShowText are only stored; they show at the next drawing.
void XP_ProgressBar::setColor(quint32 color)
{
    store(m_color, TranslateOleColor(color));
}

void XP_ProgressBar::setFont(const QFont &font)
{
    store(m_font, font);
}

void XP_ProgressBar::setMin(int minimum)
{
    store(m_min, minimum);
}

void XP_ProgressBar::setMax(int maximum)
{
    store(m_max, maximum);
}

void XP_ProgressBar::setOrientation(int orientation)
{
    store(m_orientation, orientation);
}

void XP_ProgressBar::setScrolling(int scrolling)
{
    store(m_scrolling, scrolling);
}

void XP_ProgressBar::setShowText(bool shown)
{
    m_showText = shown;
    DrawProgressBar();
}

void XP_ProgressBar::setValue(int value)
{
    m_value = value;
    // Only the fill edge and the text depend on the value; both are cheap to work out.
    ComputeFillRect(width(), height());
    if (!m_stale && !m_buffer.isNull() && m_drawnSize == size() && m_fill == m_drawnFill
        && (!m_showText || CaptionFor() == m_drawnCaption)) {
        m_valueToDraw = false;
        return;
    }
    m_valueToDraw = true;
    update();
}

const QImage &XP_ProgressBar::buffer() const
{
    if (m_valueToDraw)
        const_cast<XP_ProgressBar *>(this)->RenderBuffer();
    return m_buffer;
}

PropertyBag XP_ProgressBar::hostSettings()
{
    PropertyBag bag;
    bag.write(QStringLiteral("color"), kHostColor);
    return bag;
}

XP_ProgressBar *XP_ProgressBar::createHosted(QWidget *parent)
{
    auto *bar = new XP_ProgressBar(parent);
    bar->ReadProperties(hostSettings());
    return bar;
}

void XP_ProgressBar::DrawProgressBar()
{
    RenderBuffer();
    // The finished picture goes to the screen in one piece at the next paint.
    update();
}

void XP_ProgressBar::RenderBuffer()
{
    const int w = width();
    const int h = height();
    EnsureBuffer(w, h);
    if (m_buffer.isNull()) {
        // No surface to draw on (zero size): only the computed state is kept.
        ComputeFillRect(w, h);
        m_caption = CaptionFor();
        m_valueToDraw = false;
        return;
    }
    QPainter p(&m_buffer);
    Render(p, w, h);
    ++m_drawings;
    m_stale = false;
    m_valueToDraw = false;
    m_drawnSize = QSize(w, h);
    m_drawnFill = m_fill;
    m_drawnCaption = m_caption;
}

void XP_ProgressBar::Render(QPainter &p, int w, int h)
{
    p.setClipRect(QRect(0, 0, w, h));
    fillSolidRect(p, 0, 0, w, h, kWhite);
    ComputeFillRect(w, h);
    DrawFill(p, w, h);
    if (m_scrolling == 0)
        DrawGaps(p, w, h);
    DrawCaption(p, w, h);
    DrawBorder(p, w, h);
}

void XP_ProgressBar::EnsureBuffer(int w, int h)
{
    if (!m_buffer.isNull()) {
        // Re-made only when the control outgrows it; a smaller control keeps the larger buffer.
        if (w > m_buffer.width() || h > m_buffer.height())
            m_buffer = QImage(std::max(w, m_buffer.width()), std::max(h, m_buffer.height()),
                              QImage::Format_RGB32);
        return;
    }
    if (w > 0 && h > 0)
        m_buffer = QImage(w, h, QImage::Format_RGB32);
}

void XP_ProgressBar::ComputeFillRect(int w, int h)
{
    m_block = 8;
    m_gap = 2;
    const int left = 0, top = 0, right = w, bottom = h;
    int fillLeft = left, fillTop = top, fillRight = right;
    const int fillBottom = bottom;

    // A bar whose Max equals its Min has no range: it is drawn empty instead of dividing by zero.
    double f = 0.0;
    if (m_max != m_min) {
        f = (static_cast<double>(m_value) - m_min) / (static_cast<double>(m_max) - m_min);
        if (f > 1.0)
            f = 1.0;
        if (f < 0.0)
            f = 0.0;
    }

    if (m_orientation == 0) {
        const int x = roundHalfEven(left + (right - left) * f);
        // Snapped down to whole blocks plus gaps; C++ % truncates like the original remainder.
        int e = x - ((x - fillLeft) % (m_block + m_gap));
        if (e < left)
            e = left;
        fillRight = e;
    } else {
        f = 1.0 - f - 0.02;
        const int y = roundHalfEven(top + (bottom - top) * f);
        int t = y - ((y - fillBottom) % (m_block + m_gap));
        if (t > bottom)
            t = bottom;
        fillTop = t;
    }
    m_fraction = f;
    m_fill.setCoords(fillLeft, fillTop, fillRight, fillBottom);
}

void XP_ProgressBar::DrawFill(QPainter &p, int w, int h)
{
    const quint32 color = m_color;
    const quint32 light = LightenColor(color, 150);
    if (m_orientation == 0) {
        const int e = m_fill.right();
        if (m_scrolling != 2) {
            gradientRect(p, 2, 3, e - 2, 6, light, color, 1);
            fillSolidRect(p, 2, 8, e, h - 6, color);
            gradientRect(p, 2, h - 8, e - 2, 6, color, light, 1);
        } else {
            for (int i = 0; i < 3; ++i) {
                const int x = e + (m_gap + 10) * i;
                const quint32 a = LightenColor(color, 220 - 40 * i);
                const quint32 b = LightenColor(color, 200 - 40 * i);
                gradientRect(p, x, 3, 10, 6, a, b, 1);
                fillSolidRect(p, x, 8, x + 10, h - 6, b);
                gradientRect(p, x, h - 8, 10, 6, b, a, 1);
            }
        }
    } else {
        const int t = m_fill.top();
        if (m_scrolling != 2) {
            gradientRect(p, 2, t, 6, h, light, color, 0);
            fillSolidRect(p, 7, t, w - 8, h, color);
            gradientRect(p, w - 8, t, 6, h, color, light, 0);
        } else {
            for (int i = 0; i < 3; ++i) {
                const int y = t + (m_gap + 10) * i;
                const quint32 a = LightenColor(color, 220 - 40 * i);
                const quint32 b = LightenColor(color, 200 - 40 * i);
                gradientRect(p, 2, y, 6, 10, a, b, 1);
                fillSolidRect(p, 8, y, w - 8, y + 10, b);
                gradientRect(p, w - 8, y, 6, 10, b, a, 1);
            }
        }
    }
}

void XP_ProgressBar::DrawGaps(QPainter &p, int w, int h)
{
    const int step = m_block + m_gap;
    if (m_orientation == 0) {
        const int e = m_fill.right();
        for (int x = m_fill.left() + m_block; x <= e; x += step)
            fillSolidRect(p, x + m_gap, 0, x + m_gap + 2, h, kWhite);
    } else {
        const int t = m_fill.top();
        for (int y = m_fill.bottom(); y >= t + m_block; y -= step)
            fillSolidRect(p, 0, y - m_gap, w, y, kWhite);
    }
}

QString XP_ProgressBar::CaptionFor() const
{
    if (m_scrolling == 2)
        return QStringLiteral("请稍后..");
    // The product is taken in 64 bits so that large values cannot overflow.
    const double v = static_cast<double>(static_cast<qint64>(m_value) * m_max) / 100.0;
    return QString::number(v, 'f', QLocale::FloatingPointShortest) + QStringLiteral(" %");
}

void XP_ProgressBar::DrawCaption(QPainter &p, int w, int h)
{
    m_caption = CaptionFor();
    if (!m_showText)
        return;
    p.save();
    p.setFont(m_font);
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::TransparentMode);
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter | Qt::TextSingleLine, m_caption);
    p.restore();
}

void XP_ProgressBar::DrawBorder(QPainter &p, int w, int h)
{
    drawFrameRect(p, 1, 1, w, h, kBorderMid);
    drawFrameRect(p, 1, 2, w - 1, h - 1, kBorderInner);
    drawFrameRect(p, 0, 0, w, h, kBorderOuter);
    fillSolidRect(p, 1, 1, 2, 2, kBorderOuter);
    fillSolidRect(p, w - 2, 1, w - 1, 2, kBorderOuter);
    fillSolidRect(p, 1, h - 2, 2, h - 1, kBorderOuter);
    fillSolidRect(p, w - 2, h - 2, w - 1, h - 1, kBorderOuter);
}

QRegion XP_ProgressBar::CornerRegion(int w, int h)
{
    QRegion region(0, 0, w, h);
    const QPoint cut[] = {
        {0, 0}, {1, 0}, {0, 1},                          // top left
        {w - 2, 0}, {w - 1, 0}, {w - 1, 1},              // top right
        {0, h - 1}, {1, h - 1}, {0, h - 2},              // bottom left
        {w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2},  // bottom right
    };
    for (const QPoint &pt : cut)
        region -= QRegion(pt.x(), pt.y(), 1, 1);
    return region;
}

void XP_ProgressBar::ApplyCornerRegion(int w, int h)
{
    // The region depends only on the size; setting it again for the same size would only cause
    // another paint, which would set it again, and so on.
    const QSize size(w, h);
    if (size == m_regionSize)
        return;
    m_regionSize = size;
    if (w > 0 && h > 0)
        setMask(CornerRegion(w, h));
    else
        clearMask();
}

void XP_ProgressBar::ReadProperties(const PropertyBag &bag)
{
    setColor(bag.read(QStringLiteral("Color"), kDefaultColor).toUInt());
    setMax(bag.read(QStringLiteral("Max"), 100).toInt());
    setMin(bag.read(QStringLiteral("Min"), 0).toInt());
    setOrientation(bag.read(QStringLiteral("Orientation"), 0).toInt());
    setScrolling(bag.read(QStringLiteral("Scrolling"), 0).toInt());
    setShowText(bag.read(QStringLiteral("ShowText"), false).toBool());
    setValue(bag.read(QStringLiteral("Value"), 0).toInt());
}

void XP_ProgressBar::WriteProperties(PropertyBag &bag) const
{
    // Color is held translated to RGB, so it never equals the system-colour default and is
    // always written.
    bag.write(QStringLiteral("Color"), m_color, kDefaultColor);
    bag.write(QStringLiteral("Max"), m_max, 100);
    bag.write(QStringLiteral("Min"), m_min, 0);
    bag.write(QStringLiteral("Orientation"), m_orientation, 0);
    bag.write(QStringLiteral("Scrolling"), m_scrolling, 0);
    bag.write(QStringLiteral("ShowText"), m_showText, false);
    bag.write(QStringLiteral("Value"), m_value, 0);
}

QString XP_ProgressBar::captionText() const { return CaptionFor(); }

quint32 XP_ProgressBar::LightenColor(quint32 color, int amount)
{
    auto lighten = [amount](int c) { return std::min(255, c * (255 - amount) / 255 + amount); };
    const quint32 r = static_cast<quint32>(lighten(red(color)));
    const quint32 g = static_cast<quint32>(lighten(green(color)));
    const quint32 b = static_cast<quint32>(lighten(blue(color)));
    return r + g * 256 + b * 65536;
}

quint32 XP_ProgressBar::TranslateOleColor(quint32 color)
{
    if (!(color & 0x80000000u))
        return color;
    const QPalette pal = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                             ? QGuiApplication::palette()
                             : QPalette();
    // The Windows system colour indices, matched to the roles of the current palette.
    switch (color & 0x7FFFFFFFu) {
    case 0: return fromQColor(pal.color(QPalette::Midlight));           // scroll bar
    case 1: return fromQColor(pal.color(QPalette::Dark));               // desktop
    case 2: return fromQColor(pal.color(QPalette::Highlight));          // active caption
    case 3: return fromQColor(pal.color(QPalette::Mid));                // inactive caption
    case 4: return fromQColor(pal.color(QPalette::Window));             // menu
    case 5: return fromQColor(pal.color(QPalette::Base));               // window
    case 6: return fromQColor(pal.color(QPalette::Shadow));             // window frame
    case 7: return fromQColor(pal.color(QPalette::WindowText));         // menu text
    case 8: return fromQColor(pal.color(QPalette::Text));               // window text
    case 9: return fromQColor(pal.color(QPalette::HighlightedText));    // caption text
    case 10:                                                            // active border
    case 11: return fromQColor(pal.color(QPalette::Button));            // inactive border
    case 12: return fromQColor(pal.color(QPalette::Mid));               // application workspace
    case 13: return fromQColor(pal.color(QPalette::Highlight));         // highlight
    case 14: return fromQColor(pal.color(QPalette::HighlightedText));   // highlighted text
    case 15: return fromQColor(pal.color(QPalette::Button));            // button face
    case 16: return fromQColor(pal.color(QPalette::Dark));              // button shadow
    case 17: return fromQColor(pal.color(QPalette::Disabled, QPalette::Text));  // grey text
    case 18: return fromQColor(pal.color(QPalette::ButtonText));        // button text
    case 19: return fromQColor(pal.color(QPalette::Disabled, QPalette::WindowText));
    case 20: return fromQColor(pal.color(QPalette::Light));             // button highlight
    case 21: return fromQColor(pal.color(QPalette::Shadow));            // 3-D dark shadow
    case 22: return fromQColor(pal.color(QPalette::Midlight));          // 3-D light
    case 23: return fromQColor(pal.color(QPalette::ToolTipText));       // tooltip text
    case 24: return fromQColor(pal.color(QPalette::ToolTipBase));       // tooltip background
    case 26: return fromQColor(pal.color(QPalette::Link));              // hot-tracked item
    case 27: return fromQColor(pal.color(QPalette::Highlight));         // caption gradient
    case 28: return fromQColor(pal.color(QPalette::Mid));               // inactive caption gradient
    case 29: return fromQColor(pal.color(QPalette::Highlight));         // menu highlight
    case 30: return fromQColor(pal.color(QPalette::Window));            // menu bar
    default: return 0;  // an unknown system colour reads as black
    }
}

void XP_ProgressBar::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    // The buffer already holds the picture unless a stored setting or the size has changed since.
    if (m_stale || m_valueToDraw || m_buffer.isNull() || m_drawnSize != QSize(w, h))
        RenderBuffer();
    QPainter p(this);
    if (m_buffer.isNull())
        Render(p, w, h);
    else
        p.drawImage(QPoint(0, 0), m_buffer, QRect(0, 0, w, h));
    p.end();
    ApplyCornerRegion(w, h);
}

void XP_ProgressBar::resizeEvent(QResizeEvent *event)
{
    // Only the buffer grows here; the paint that follows a resize redraws the bar.
    EnsureBuffer(event->size().width(), event->size().height());
}

} // namespace quorvane
