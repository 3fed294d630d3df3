#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace quorvane {

// One drawing operation of a page, in page coordinates: twips of paper, (0, 0) at the top-left
// corner of the printable area.
struct PageOp
{
    enum Kind : quint8 { Text, Line, Rect, FilledRect, Ellipse, Point, Picture };
    quint8 kind = Line;
    quint8 penStyle = 0;   // the surface's pen style code (0 solid ... 5 invisible)
    qint16 index = -1;     // font (Text) or picture (Picture) in the page's tables
    float x1 = 0, y1 = 0;  // Text: top-left; Ellipse: centre; others: first corner
    float x2 = 0, y2 = 0;  // Text: x2 unused, y2 baseline; Ellipse: radii; others: second corner
    float penWidth = 0;    // twips of paper
    QRgb rgb = 0;
    QString text;
};

// A finished or open page: what was drawn on it, in order. The same page is replayed onto the
// preview, onto a printer or onto a PDF file; the preview keeps pages as files of this format.
class PageRecord
{
public:
    double paperWidth = 11905.509;   // twips
    double paperHeight = 16837.7913;
    double originX = 1133.858;       // the left margin: printable x 0 lies this far from the paper edge
    double originY = 1133.858;
    QRgb paperColor = 0xffffffff;
    std::vector<PageOp> ops;
    QList<QFont> fonts;    // fonts at pixel sizes in twips of paper
    QList<QImage> pictures;

    void clear() { ops.clear(); fonts.clear(); pictures.clear(); m_lastFont = -1; }
    // Index of a font in the table (a repeat of the last font costs no search).
    int fontIndex(const QFont &pageFont);
    int addPicture(const QImage &img);

    bool save(const QString &path) const;
    static bool load(const QString &path, PageRecord &out);

    // Draws the page onto the painter, the paper mapped onto `paperRect` (device coordinates).
    // `fillPaper` paints the paper colour first (the preview does, a printer does not).
    void replay(QPainter &p, const QRectF &paperRect, bool fillPaper) const;

    // Texts of the page, in drawing order (tests and diagnostics).
    QStringList texts() const;

private:
    int m_lastFont = -1;
};

} // namespace quorvane
