#pragma once
#include "texthash.h"

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

class QPainter;
class QPaintDevice;

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

// The texts of a document shaped for one paint device, kept from page to page: each distinct text of
// each font is laid out once, then drawn from its glyphs wherever it recurs (a report repeats the same
// numbers, ranks and captions thousands of times).
class ShapedTexts
{
public:
    // A text laid out as one line, its glyphs placed with the line's top-left corner at (0, 0), in
    // pieces of one font each.
    struct Piece
    {
        int font = 0; // the piece's font among rawFonts()
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    struct Line
    {
        std::vector<Piece> pieces;
        qreal ascent = 0; // from the top of the line to its baseline
        // Drawn whole instead: a text underlined, overlined or struck out (glyph runs draw such
        // lines elsewhere than a text drawn whole does under a scaling painter), or one with
        // control characters or line separators (which a laid-out line treats as tabs and breaks).
        bool drawWhole = false;
    };
    struct FontTexts
    {
        QFont font;
        std::unordered_map<QString, Line, TextHash> lines;
    };

    // The texts of a font (found by comparing fonts; a document uses a handful).
    FontTexts &fontTexts(const QFont &font);
    // The text laid out in the font for the device; shaped on first use only.
    const Line &line(FontTexts &texts, const QString &text, QPaintDevice *device);
    // The fonts the pieces are in.
    const QRawFont &rawFont(int index) const { return m_rawFonts[size_t(index)]; }
    // How many texts were shaped so far.
    int shapedCount() const { return m_shaped; }
    void clear()
    {
        m_fonts.clear();
        m_rawFonts.clear();
        m_shaped = 0;
    }

private:
    std::vector<std::unique_ptr<FontTexts>> m_fonts;
    std::vector<QRawFont> m_rawFonts;
    int m_shaped = 0;
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
    // `fillPaper` paints the paper colour first (the preview does, a printer does not). A print
    // run passes its `shaped` texts: texts are then drawn from the glyphs kept there (shaped for
    // the painter's device), and lines and rectangles of one solid pen are stroked together as
    // one path, edges on one line joined, before the next filled rectangle or picture and at the
    // end of the page. Without (the preview), each operation is drawn as it comes.
    void replay(QPainter &p, const QRectF &paperRect, bool fillPaper, ShapedTexts *shaped = nullptr) const;

    // Texts of the page, in drawing order (tests and diagnostics).
    QStringList texts() const;

private:
    int m_lastFont = -1;
};

} // namespace quorvane
