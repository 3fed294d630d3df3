#include "pagerecord.h"

#include <QDataStream>
#include <QFile>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace quorvane {

namespace {
constexpr quint32 Magic = 0x4c505047; // "LPPG"
constexpr quint16 Version = 1;

Qt::PenStyle qtPenStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}
} // namespace

int PageRecord::fontIndex(const QFont &pageFont)
{
    if (m_lastFont >= 0 && m_lastFont < fonts.size() && fonts[m_lastFont] == pageFont)
        return m_lastFont;
    for (int i = 0; i < fonts.size(); ++i) {
        if (fonts[i] == pageFont)
            return m_lastFont = i;
    }
    fonts.append(pageFont);
    return m_lastFont = int(fonts.size()) - 1;
}

int PageRecord::addPicture(const QImage &img)
{
    pictures.append(img);
    return int(pictures.size()) - 1;
}

bool PageRecord::save(const QString &path) const
{
    // A page file is a scratch file of this control: written plainly, without syncing to disk.
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream s(&f);
    s.setVersion(QDataStream::Qt_6_0);
    s << Magic << Version << paperWidth << paperHeight << originX << originY << paperColor;
    s << fonts << pictures;
    s << quint32(ops.size());
    for (const PageOp &op : ops) {
        s << op.kind << op.penStyle << op.index << op.x1 << op.y1 << op.x2 << op.y2 << op.penWidth << op.rgb;
        if (op.kind == PageOp::Text)
            s << op.text;
    }
    return s.status() == QDataStream::Ok && f.flush();
}

bool PageRecord::load(const QString &path, PageRecord &out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QDataStream s(&f);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint16 version = 0;
    s >> magic >> version;
    if (magic != Magic || version != Version)
        return false;
    PageRecord r;
    quint32 n = 0;
    s >> r.paperWidth >> r.paperHeight >> r.originX >> r.originY >> r.paperColor;
    s >> r.fonts >> r.pictures >> n;
    if (s.status() != QDataStream::Ok || n > 50'000'000)
        return false;
    r.ops.resize(n);
    for (PageOp &op : r.ops) {
        s >> op.kind >> op.penStyle >> op.index >> op.x1 >> op.y1 >> op.x2 >> op.y2 >> op.penWidth >> op.rgb;
        if (op.kind == PageOp::Text)
            s >> op.text;
    }
    if (s.status() != QDataStream::Ok)
        return false;
    out = std::move(r);
    return true;
}

ShapedTexts::FontTexts &ShapedTexts::fontTexts(const QFont &font)
{
    for (const auto &f : m_fonts) {
        if (f->font == font)
            return *f;
    }
    m_fonts.push_back(std::make_unique<FontTexts>());
    m_fonts.back()->font = font;
    return *m_fonts.back();
}

const ShapedTexts::Line &ShapedTexts::line(FontTexts &texts, const QString &text, QPaintDevice *device)
{
    const auto found = texts.lines.find(text);
    if (found != texts.lines.end())
        return found->second;
    if (texts.lines.size() > 200000)
        texts.lines.clear(); // a bound on memory for very long documents of ever new texts
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
    if (!plain) {
        Line whole;
        whole.drawWhole = true;
        return texts.lines.emplace(text, std::move(whole)).first->second;
    }
    // Laid out as QPainter::drawText(point, text) lays it out: one unwrapped line in the font as
    // the device resolves it.
    QTextLayout layout(text, texts.font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine l = layout.createLine();
    if (l.isValid())
        l.setPosition(QPointF(0, 0));
    layout.endLayout();
    Line shapedLine;
    if (l.isValid()) {
        shapedLine.ascent = l.ascent();
        for (const QGlyphRun &run : layout.glyphRuns()) {
            shapedLine.drawWhole = shapedLine.drawWhole || run.overline() || run.underline() || run.strikeOut();
            Piece piece;
            const QRawFont font = run.rawFont();
            const auto known = std::find(m_rawFonts.begin(), m_rawFonts.end(), font);
            piece.font = int(known - m_rawFonts.begin());
            if (known == m_rawFonts.end())
                m_rawFonts.push_back(font);
            piece.glyphs = run.glyphIndexes();
            piece.positions = run.positions();
            shapedLine.pieces.push_back(std::move(piece));
        }
    }
    ++m_shaped;
    return texts.lines.emplace(text, std::move(shapedLine)).first->second;
}

namespace {
// What a page has drawn but not yet put on the painter: lines and rectangles as one path per pen,
// shaped texts as one glyph run per font and colour, each in the order it first came. A surface
// such as a PDF file then gets one stroke per pen and one text object per font instead of one for
// every edge and every cell. Texts and lines do not cover each other's colour, so they may go in
// either order; anything that fills is drawn after both.
class Pending
{
public:
    explicit Pending(QPainter &p) : m_p(p) {}

    void addStroke(const QPen &pen, const PageOp &op)
    {
        Stroke &stroke = entry(m_strokes, [&](const Stroke &e) { return e.pen == pen; }, [&] { return Stroke{pen}; });
        const float x0 = std::min(op.x1, op.x2), x1 = std::max(op.x1, op.x2);
        const float y0 = std::min(op.y1, op.y2), y1 = std::max(op.y1, op.y2);
        if (op.kind == PageOp::Rect && x0 < x1 && y0 < y1) {
            // A rectangle's outline is its four edges with square ends, as its mitred corners are.
            stroke.across.push_back({y0, x0, x1});
            stroke.across.push_back({y1, x0, x1});
            stroke.down.push_back({x0, y0, y1});
            stroke.down.push_back({x1, y0, y1});
        } else if (op.kind == PageOp::Rect) {
            stroke.other.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
        } else if (op.y1 == op.y2) {
            stroke.across.push_back({op.y1, x0, x1});
        } else if (op.x1 == op.x2) {
            stroke.down.push_back({op.x1, y0, y1});
        } else {
            stroke.other.moveTo(op.x1, op.y1);
            stroke.other.lineTo(op.x2, op.y2);
        }
    }

    // The shaped line with its top-left corner at `at`.
    void addText(const ShapedTexts &shaped, const ShapedTexts::Line &line, const QPointF &at, QRgb rgb)
    {
        for (const ShapedTexts::Piece &piece : line.pieces) {
            TextRun &batch = entry(m_texts, [&](const TextRun &t) { return t.rgb == rgb && t.font == piece.font; }, [&] {
                return TextRun{&shaped, piece.font, rgb, {}, {}};
            });
            batch.glyphs += piece.glyphs;
            for (const QPointF &pos : piece.positions)
                batch.positions.append(pos + at);
        }
    }

    void flush()
    {
        if (!m_strokes.empty()) {
            m_p.setBrush(Qt::NoBrush);
            for (Stroke &stroke : m_strokes) {
                // Lines on one line that touch or overlap are one line: with the same ends they
                // cover the same ground, and a page's frames become a line per row and column.
                addJoined(stroke.other, stroke.across, false);
                addJoined(stroke.other, stroke.down, true);
                m_p.setPen(stroke.pen);
                m_p.drawPath(stroke.other);
            }
            m_strokes.clear();
        }
        for (const TextRun &t : m_texts) {
            QGlyphRun run;
            run.setRawFont(t.shaped->rawFont(t.font));
            run.setGlyphIndexes(t.glyphs);
            run.setPositions(t.positions);
            m_p.setPen(QColor::fromRgb(t.rgb));
            m_p.drawGlyphRun(QPointF(0, 0), run);
        }
        m_texts.clear();
    }

private:
    // A horizontal (across) or vertical (down) line: its place on the other axis, its two ends.
    struct Segment
    {
        float at, from, to;
        bool operator<(const Segment &o) const { return at < o.at || (at == o.at && from < o.from); }
    };
    struct Stroke
    {
        QPen pen;
        std::vector<Segment> across, down;
        QPainterPath other;
    };
    static void addJoined(QPainterPath &path, std::vector<Segment> &lines, bool down)
    {
        std::sort(lines.begin(), lines.end());
        const auto point = [down](float at, float along) { return down ? QPointF(at, along) : QPointF(along, at); };
        for (size_t i = 0; i < lines.size();) {
            Segment joined = lines[i];
            for (++i; i < lines.size() && lines[i].at == joined.at && lines[i].from <= joined.to; ++i)
                joined.to = std::max(joined.to, lines[i].to);
            path.moveTo(point(joined.at, joined.from));
            path.lineTo(point(joined.at, joined.to));
        }
    }
    struct TextRun
    {
        const ShapedTexts *shaped;
        int font;
        QRgb rgb;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    template <class T, class Match, class Make>
    static T &entry(std::vector<T> &list, Match match, Make make)
    {
        for (T &e : list) {
            if (match(e))
                return e;
        }
        list.push_back(make());
        return list.back();
    }

    QPainter &m_p;
    std::vector<Stroke> m_strokes;
    std::vector<TextRun> m_texts;
};
} // namespace

void PageRecord::replay(QPainter &p, const QRectF &paperRect, bool fillPaper, ShapedTexts *shaped) const
{
    p.save();
    if (fillPaper)
        p.fillRect(paperRect, QColor::fromRgba(paperColor));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // Page twips -> device: scale the paper onto the rectangle, origin at the printable corner.
    const double sx = paperRect.width() / paperWidth;
    const double sy = paperRect.height() / paperHeight;
    p.translate(paperRect.left() + originX * sx, paperRect.top() + originY * sy);
    p.scale(sx, sy);
    // One device pixel at least, so hairlines stay visible.
    const double minPen = 1.0 / std::max(1e-9, std::min(sx, sy));
    // The texts of each of the page's fonts, found once per page.
    std::vector<ShapedTexts::FontTexts *> fontTexts(shaped ? size_t(fonts.size()) : 0, nullptr);
    Pending pending(p);
    int currentFont = -2;
    for (const PageOp &op : ops) {
        const QColor c = QColor::fromRgb(op.rgb);
        switch (op.kind) {
        case PageOp::Text: {
            const bool knownFont = op.index >= 0 && op.index < fonts.size();
            if (shaped && knownFont) {
                ShapedTexts::FontTexts *&texts = fontTexts[size_t(op.index)];
                if (!texts)
                    texts = &shaped->fontTexts(fonts[op.index]);
                const ShapedTexts::Line &line = shaped->line(*texts, op.text, p.device());
                if (!line.drawWhole) {
                    pending.addText(*shaped, line, QPointF(op.x1, op.y2 - line.ascent), op.rgb);
                    break;
                }
            }
            if (op.index != currentFont && knownFont) {
                p.setFont(fonts[op.index]);
                currentFont = op.index;
            }
            p.setPen(c);
            p.drawText(QPointF(op.x1, op.y2), op.text);
            break;
        }
        case PageOp::Line:
        case PageOp::Rect:
        case PageOp::Ellipse:
        case PageOp::Point: {
            QPen pen(c, std::max(double(op.penWidth), minPen), qtPenStyle(op.penStyle),
                     op.kind == PageOp::Line || op.kind == PageOp::Point ? Qt::RoundCap : Qt::SquareCap,
                     Qt::MiterJoin);
            // Solid lines of some length and rectangles are stroked with the others of their pen.
            if (shaped && op.penStyle == 0
                && (op.kind == PageOp::Rect || (op.kind == PageOp::Line && (op.x1 != op.x2 || op.y1 != op.y2)))) {
                pending.addStroke(pen, op);
                break;
            }
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            if (op.kind == PageOp::Line)
                p.drawLine(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2));
            else if (op.kind == PageOp::Rect)
                p.drawRect(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)).normalized());
            else if (op.kind == PageOp::Ellipse)
                p.drawEllipse(QPointF(op.x1, op.y1), op.x2, op.y2);
            else
                p.drawPoint(QPointF(op.x1, op.y1));
            break;
        }
        case PageOp::FilledRect:
            // A fill covers what was drawn before it.
            pending.flush();
            p.fillRect(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)).normalized(), c);
            break;
        case PageOp::Picture:
            pending.flush();
            if (op.index >= 0 && op.index < pictures.size())
                p.drawImage(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)), pictures[op.index]);
            break;
        }
    }
    pending.flush();
    p.restore();
}

QStringList PageRecord::texts() const
{
    QStringList out;
    for (const PageOp &op : ops) {
        if (op.kind == PageOp::Text)
            out << op.text;
    }
    return out;
}

} // namespace quorvane
