#include "pagerecord.h"

#include <QDataStream>
#include <QFile>
#include <QPainter>

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

void PageRecord::replay(QPainter &p, const QRectF &paperRect, bool fillPaper) const
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
    int currentFont = -2;
    for (const PageOp &op : ops) {
        const QColor c = QColor::fromRgb(op.rgb);
        switch (op.kind) {
        case PageOp::Text: {
            if (op.index != currentFont && op.index >= 0 && op.index < fonts.size()) {
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
            p.fillRect(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)).normalized(), c);
            break;
        case PageOp::Picture:
            if (op.index >= 0 && op.index < pictures.size())
                p.drawImage(QRectF(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2)), pictures[op.index]);
            break;
        }
    }
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
