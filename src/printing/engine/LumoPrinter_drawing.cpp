// The print control: titles, text lines, flowing text, figures, pictures and table cells.
#include "LumoPrinter.h"

namespace quorvane {

using lumo::mmToTwips;
using lumo::round4;
using lumo::TwipsPerMm;

namespace {
// Natural size of a picture in twips (its stored resolution, 96 dpi when it has none).
double naturalTwips(int pixels, int dotsPerMeter)
{
    const double mm = dotsPerMeter > 0 ? pixels * 1000.0 / dotsPerMeter : pixels * 25.4 / 96.0;
    return mm * TwipsPerMm;
}
} // namespace

QString LumoPrinter::SplitText(const QString &text, const QString &delimiter, int index)
{
    if (delimiter.isEmpty())
        return index <= 1 ? text : QString();
    int start = 0;
    const int want = index <= 1 ? 1 : index;
    for (int k = 1; k < want; ++k) {
        const int at = text.indexOf(delimiter, start);
        if (at < 0)
            return QString();
        start = at + int(delimiter.size());
    }
    const int end = text.indexOf(delimiter, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

// ---- titles and text ----

void LumoPrinter::TitleText(const QString &Title, int FontSize, int Alignment, double startX, double width)
{
    if (m_refused || m_cancelRequested)
        return;
    if (m_runTitle.isEmpty())
        m_runTitle = Title;
    Surface &s = out();
    const double remembered = lumo::roundEven(s.font.pointSizeF());
    s.font.setPointSizeF(FontSize * zoomOf() > 0 ? FontSize * zoomOf() : s.font.pointSizeF());
    const double w = textBlockW(Title);
    s.currentX = Alignment == 2 ? startX + (width - w) / 2 : Alignment == 1 ? startX + width - w : startX;
    drawTextLine(Title);
    if (remembered > 0)
        s.font.setPointSizeF(remembered);
    NewRow(0, 0, -1);
}

void LumoPrinter::TitleOut(const QString &Title, int FontSize, int Alignment)
{
    TitleText(Title, FontSize, Alignment, 0, printableW());
}

float LumoPrinter::TextOut(const QString &text)
{
    if (m_refused || m_cancelRequested)
        return 0;
    Surface &s = out();
    const double y0 = s.currentY;
    drawTextLine(text);
    const double y1 = s.currentY;
    s.currentY = y0;
    yieldEvents();
    return float(round4((y1 - y0) / TwipsPerMm));
}

void LumoPrinter::NewRow(float RowSpace, float RowStartX, float RowHeight)
{
    if (m_refused || m_cancelRequested)
        return;
    Surface &s = out();
    const double h = RowHeight < 0 ? textH(QStringLiteral("AA")) + RowSpace * TwipsPerMm
                                   : (double(RowHeight) + RowSpace) * TwipsPerMm;
    s.currentY += round4(h);
    s.currentX = round4(RowStartX * TwipsPerMm);
    yieldEvents();
}

// The longest start of `text` that is no wider than `room` (widths grow with every character);
// `fitWidth`, when given, gets the width of that start.
static int fitLength(const QString &text, double room, const std::function<double(const QString &)> &width,
                     double *fitWidth = nullptr)
{
    const int n = int(text.size());
    const double whole = width(text);
    if (fitWidth)
        *fitWidth = whole;
    if (whole <= room)
        return n;
    int lo = 0, hi = n - 1; // lo fits (the empty start always does), hi+1 does not
    double loWidth = 0;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        const double w = width(text.left(mid));
        if (w <= room) {
            lo = mid;
            loWidth = w;
        } else {
            hi = mid - 1;
        }
    }
    if (fitWidth)
        *fitWidth = loWidth;
    return lo;
}

void LumoPrinter::TextOutEx(const QString &text, float StartX, float RowSpace, float ParagraphIndent,
                            float ParagraphSpace)
{
    if (m_refused || m_cancelRequested)
        return;
    const double SX = mmToTwips(StartX), RS = mmToTwips(RowSpace), PS = mmToTwips(ParagraphSpace);
    const double W = printableW(), H = printableH();
    const auto width = [this](const QString &t) { return textW(t); };
    double A = W - out().currentX;
    for (int k = 1;; ++k) {
        const QString para = SplitText(text, QStringLiteral("\r\n"), k);
        if (para.isEmpty())
            break;
        QString rest = para;
        while (!rest.isEmpty()) {
            const int fit = fitLength(rest, A, width);
            if (fit == 0)
                break; // not one character fits: the rest of the paragraph is dropped
            drawTextLine(rest.left(fit));
            out().currentY += RS;
            if (out().currentY > H) {
                NewPage();
                Q_EMIT NewPageAutoCreated(m_currentPage, QStringLiteral("TextOutEx"));
            }
            out().currentX = SX;
            A = W - SX;
            rest = rest.mid(fit);
            yieldEvents();
        }
        out().currentY += PS;
        out().currentX = SX + round4(textW(QStringLiteral("的")) * ParagraphIndent);
        A = W - out().currentX;
    }
}

// ---- figures ----

void LumoPrinter::DotOut(float x, float Y, OleColor Color)
{
    if (m_refused || m_cancelRequested)
        return;
    addShape(PageOp::Point, mmToTwips(x), mmToTwips(Y), 0, 0, Color == NoColor ? out().foreColor : Color);
    yieldEvents();
}

void LumoPrinter::LineOut(float Left, float Top, float Right, float Bottom, OleColor Color)
{
    if (m_refused || m_cancelRequested)
        return;
    addShape(PageOp::Line, mmToTwips(Left), mmToTwips(Top), mmToTwips(Right), mmToTwips(Bottom),
            Color == NoColor ? out().foreColor : Color);
    yieldEvents();
}

void LumoPrinter::RectOut(float Left, float Top, float Right, float Bottom, OleColor Color)
{
    if (m_refused || m_cancelRequested)
        return;
    addShape(PageOp::Rect, mmToTwips(Left), mmToTwips(Top), mmToTwips(Right), mmToTwips(Bottom), Color);
    yieldEvents();
}

void LumoPrinter::FilledRectOut(float Left, float Top, float Right, float Bottom, OleColor Color)
{
    if (m_refused || m_cancelRequested)
        return;
    addShape(PageOp::FilledRect, mmToTwips(Left), mmToTwips(Top), mmToTwips(Right), mmToTwips(Bottom), Color);
    yieldEvents();
}

void LumoPrinter::CircleOut(float x, float Y, float Radius, OleColor Color, float Aspect)
{
    if (m_refused || m_cancelRequested)
        return;
    const double r = mmToTwips(Radius);
    // Aspect is height over width; the radius is the longer of the two half-axes.
    double rx = r, ry = r;
    if (Aspect > 1)
        rx = r / Aspect;
    else
        ry = r * Aspect;
    addShape(PageOp::Ellipse, mmToTwips(x), mmToTwips(Y), rx, ry, Color == NoColor ? out().foreColor : Color);
    yieldEvents();
}

void LumoPrinter::PictureOut(const QImage &Picture, float x, float Y, float W, float H)
{
    if (m_refused || m_cancelRequested || Picture.isNull())
        return;
    const double px = x == -100.0f ? out().currentX : mmToTwips(x);
    const double py = Y == -100.0f ? out().currentY : mmToTwips(Y);
    double w = mmToTwips(W), h = mmToTwips(H);
    if (w <= 0)
        w = naturalTwips(Picture.width(), Picture.dotsPerMeterX());
    if (h <= 0)
        h = naturalTwips(Picture.height(), Picture.dotsPerMeterY());
    addPicture(Picture, px, py, w, h);
    yieldEvents();
}

// ---- table cells ----

void LumoPrinter::RowText(double CellRowSpace, double CellStartX, double &CellRowHeight)
{
    if (m_refused || m_cancelRequested)
        return;
    const double h = CellRowHeight >= 0 ? CellRowHeight + CellRowSpace
                                        : textH(QStringLiteral("的")) + m_tcm + m_bcm + CellRowSpace;
    out().currentY += round4(h);
    out().currentX = CellStartX;
    yieldEvents();
}

void LumoPrinter::NewCellRow(float CellRowSpace, float CellRowStartX, float CellRowHeight)
{
    double height = mmToTwips(CellRowHeight);
    RowText(mmToTwips(CellRowSpace), mmToTwips(CellRowStartX), height);
}

float LumoPrinter::CellOut(const QString &text, float CellWidth, float CellHeight, int CellAlignment,
                           const QString &BorderWidth, OleColor FillColor, bool MultiLine, float RowSpace)
{
    double height = mmToTwips(CellHeight);
    double rowSpace = mmToTwips(RowSpace);
    int alignment = CellAlignment;
    OleColor fill = FillColor;
    OleColor border = NoColor;
    bool multi = MultiLine;
    const double h = pDrawCell(text, mmToTwips(CellWidth), height, alignment, BorderWidth, fill, multi, rowSpace,
                               border);
    return float(round4(h / TwipsPerMm));
}

void LumoPrinter::drawCellBox(double x0, double y0, double x1, double y1, const QString &BorderWidth,
                              OleColor FillColor)
{
    if (FillColor != NoColor)
        addShape(PageOp::FilledRect, x0, y0, x1, y1, FillColor);
    int d[4];
    for (int i = 0; i < 4; ++i) {
        const QChar c = i < BorderWidth.size() ? BorderWidth.at(i) : QChar();
        d[i] = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c.unicode() - '0' : 0;
    }
    Surface &s = out();
    const int pen = s.drawWidth;
    if (d[0] == d[1] && d[1] == d[2] && d[2] == d[3] && d[0] > 0) {
        setSurfaceDrawWidth(d[0]);
        addShape(PageOp::Rect, x0, y0, x1, y1, s.foreColor);
    } else {
        const double e[4][4] = {{x0, y0, x0, y1}, {x0, y0, x1, y0}, {x1, y0, x1, y1}, {x0, y1, x1, y1}};
        for (int i = 0; i < 4; ++i) {
            if (d[i] > 0) {
                setSurfaceDrawWidth(d[i]);
                addShape(PageOp::Line, e[i][0], e[i][1], e[i][2], e[i][3], s.foreColor);
            }
        }
    }
    s.drawWidth = pen;
}

double LumoPrinter::pDrawCell(const QString &text, double CellWidth, double &CellHeight, int &CellAlignment,
                              const QString &BorderWidth, OleColor &FillColor, bool &MultiLine, double &RowSpace,
                              OleColor &BorderColor)
{
    if (m_refused || m_cancelRequested)
        return 0;
    Surface &s = out();
    const double A = CellWidth - m_lcm - m_rcm;
    const auto width = [this](const QString &t) { return textW(t); };

    // Lines: paragraphs at "\r\n" up to the first empty one, wrapped to the room; with the width of
    // each line as the wrapping measured it (NaN where it did not).
    QStringList lines;
    std::vector<double> widths;
    for (int k = 1;; ++k) {
        const QString para = SplitText(text, QStringLiteral("\r\n"), k);
        if (para.isEmpty())
            break;
        if (CellAlignment >= 9) {
            for (QChar c : para)
                lines << QString(c);
            CellAlignment -= 9;
        } else {
            QString piece = para;
            while (!piece.isEmpty()) {
                if (!MultiLine && lines.size() == 1)
                    break;
                double w = 0;
                const int fit = fitLength(piece, A, width, &w);
                if (fit == 0)
                    break;
                lines << piece.left(fit);
                widths.resize(size_t(lines.size()), std::nan(""));
                widths.back() = w;
                piece = piece.mid(fit);
            }
        }
    }

    const double hDe = textH(QStringLiteral("的"));
    int n;
    if (CellHeight > 0) {
        const double perLine = hDe + RowSpace;
        n = perLine > 0 ? int(std::min(double(lines.size()), lumo::roundEven(CellHeight / perLine)))
                        : int(lines.size());
    } else {
        if (lines.isEmpty())
            lines << QString();
        n = int(lines.size());
        CellHeight = n * hDe + (n - 1) * RowSpace + m_tcm + m_bcm + (n >= 2 ? RowSpace : 0.0);
    }

    const double x0 = s.currentX, y0 = s.currentY, x1 = x0 + CellWidth, y1 = y0 + CellHeight;
    const OleColor color = s.foreColor;
    if (BorderColor != NoColor)
        s.foreColor = BorderColor;
    drawCellBox(x0, y0, x1, y1, BorderWidth, FillColor);
    s.foreColor = color;

    const int a = CellAlignment;
    const int hor = int(std::floor(a / 3.0));
    const int ver = a % 3;
    for (int i = 1; i <= n; ++i) {
        const QString &line = lines[i - 1];
        const double known = size_t(i) <= widths.size() ? widths[size_t(i) - 1] : std::nan("");
        const double w = std::isnan(known) ? textW(line) : known, h = textH(line);
        double x = s.currentX, y = s.currentY;
        switch (hor) {
        case 0:
            x = x0 + m_lcm;
            if (x > x1 - m_rcm - w)
                x = x1 - m_rcm / 2 - w;
            break;
        case 1: x = x0 + (CellWidth - w - m_rcm + m_lcm) / 2; break;
        case 2:
            x = x0 + CellWidth - w - m_rcm;
            if (x < x0 + m_lcm)
                x = x0 + m_lcm / 2;
            break;
        default: break;
        }
        switch (ver) {
        case 0:
            y = y0 + m_tcm + (i - 1) * (h + RowSpace);
            if (y > y1 - m_bcm - h)
                y = y1 - m_bcm / 2 - h;
            break;
        case 1: y = y0 + (CellHeight - n * h - (n - 1) * RowSpace) / 2 + (i - 1) * (h + RowSpace); break;
        case 2:
            y = y0 + (CellHeight - n * h - (n - 1) * RowSpace - m_bcm) + (i - 1) * (h + RowSpace);
            if (y < y0 + m_tcm)
                y = y0 + m_tcm / 2;
            break;
        default: break;
        }
        s.currentX = x;
        s.currentY = y;
        drawTextLine(line);
    }
    s.currentY = y0;
    s.currentX = x1;
    yieldEvents();
    return CellHeight;
}

void LumoPrinter::CellOutPicture(const QImage &PictureItem, float CellWidth, float CellHeight, int CellAlignment,
                                 const QString &BorderWidth, OleColor FillColor, bool Stretch)
{
    if (m_refused || m_cancelRequested)
        return;
    Surface &s = out();
    const double cw = mmToTwips(CellWidth), ch = mmToTwips(CellHeight);
    const double IW = cw - m_lcm - m_rcm, IH = ch - m_tcm - m_bcm;
    double pw = naturalTwips(PictureItem.width(), PictureItem.dotsPerMeterX());
    double ph = naturalTwips(PictureItem.height(), PictureItem.dotsPerMeterY());
    const int a = CellAlignment > 8 ? CellAlignment - 9 : CellAlignment;
    const double x0 = s.currentX, y0 = s.currentY, x1 = x0 + cw, y1 = y0 + ch;
    drawCellBox(x0, y0, x1, y1, BorderWidth, FillColor);
    if (!PictureItem.isNull()) {
        if (Stretch) {
            addPicture(PictureItem, x0 + m_lcm, y0 + m_tcm, IW, IH);
        } else {
            if (pw > IW)
                pw = IW;
            if (ph > IH)
                ph = IH;
            const int hor = int(std::floor(a / 3.0)), ver = a % 3;
            double x = x0, y = y0;
            if (hor == 0)
                x = x0 + m_lcm;
            else if (hor == 1)
                x = x0 + (cw - pw - m_rcm + m_lcm) / 2;
            else if (hor == 2)
                x = x0 + cw - pw - m_rcm;
            if (ver == 0)
                y = y0 + m_tcm;
            else if (ver == 1)
                y = y0 + (ch - ph - m_bcm + m_tcm) / 2;
            else if (ver == 2)
                y = y0 + ch - ph - m_bcm;
            addPicture(PictureItem, x, y, pw, ph);
        }
    }
    s.currentY = y0;
    s.currentX = x1;
    yieldEvents();
}

} // namespace quorvane
