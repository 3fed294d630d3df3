#pragma once
#include <QString>
#include <QVector>
#include <functional>

namespace quorvane {

class LumoPrinter;
class printsform;

namespace tablelayout {

// Where a row stands in a page's table; it decides the pen widths of its cells' edges.
enum class RowKind { Heading, Body, LastBody };

// Border code of the cell in column col (0-based) of cols columns: the page's table is framed by
// pen width 2 (left of the first column, top of the heading row, right of the last column, bottom
// of the page's last row), with pen width 1 inside.
QString borderCode(RowKind kind, int col, int cols);

// Pages needed for that many body rows at rowsPerPage rows a page (0 for no rows).
int pageCount(int rows, int rowsPerPage);

// First and last body row (1-based) of a page (1-based) of a table of that many body rows.
int firstRow(int page, int rowsPerPage);
int lastRow(int page, int rowsPerPage, int rows);

// Sets the form's pagecount, frompage and topage for that many body rows at rowsPerPage rows a
// page; a current-page run (curpage > 0) lays out that page alone.
void setPageRange(printsform &form, int rows, int rowsPerPage);

// Lays out the pages of the form's range one after another (layPage draws the page of that
// number), a new page between two, and ends the document.
void layPages(printsform &form, LumoPrinter &printer, const std::function<void(int page)> &layPage);

// Draws one table cell. A one-line text too wide for its cell is drawn smaller instead of being cut
// off, so that a long name, an address or a score prints whole; blanks at its end need no room. A
// text of words in a cell tall enough for two lines keeps the print control's wrapping, but a number
// never wraps: "736.5" would read as 736 over ".5".
void fitCell(LumoPrinter &printer, const QString &text, float width, float height, int alignment,
             const QString &border);

// Whether a cell text is a number (a score, a total, a rank, a rate): digits with a point, a sign
// or a per cent sign.
bool isNumber(const QString &text);

// Rows a page: the layout's own number, or as many rows as fit between the table's top on the
// report's first page (top, mm below the top of the printable area) and the page foot, whichever
// is fewer, and at least one. A page turned to landscape or a shorter paper thus never puts rows
// beyond the paper or over the page number. Called with the body font in force: the foot stands
// one line of the page's font below the printable area.
int rowsThatFit(LumoPrinter &printer, int rows, double top, double headingHeight, double rowHeight);

// The height of the title block (one empty line and the title line, as the skeleton draws it with
// the font in force) at the top of the report's first page. A run that lays out a later page alone
// draws no title, yet has to page its rows exactly as the whole report does.
double titleBlockHeight(LumoPrinter &printer, const QString &title, int size);

// The title block of a report: drawn in 黑体 when the run lays out the whole report or its first
// page, otherwise only measured; either way the body face 宋体 follows. Returns how far below the
// current position the first page's table starts (0 when the block was drawn).
double titleBlock(printsform &form, LumoPrinter &printer, const QString &title, int size, int alignment);

// The factor by which every column of a table this wide (mm) is multiplied: 1 when the table ends
// on the paper (within its right margin at most), otherwise the factor that narrows it to the
// space between the margins, so that no column is lost past the paper's edge.
float widthFactor(LumoPrinter &printer, double tableWidth);

// Draws one row of cells left to right with the border codes of its position, then moves to the
// next row (row space 0, row start 0, the row's height).
void cellRow(LumoPrinter &printer, const QVector<float> &widths, float height, int alignment, RowKind kind,
             const std::function<QString(int col)> &text);

// What one table report gives the shared skeleton.
struct Table
{
    QString title;                  // drawn once, at the top of the first page
    int titleSize = 15;
    int titleAlignment = 2;         // TitleOut: 0 left, 1 right, 2 centred
    float bodyFontSize = 12;
    bool boldHeading = false;       // heading row in bold, body rows regular
    int rowsPerPage = 1;            // R, fewer when the paper holds fewer (rowsThatFit)
    int rows = 0;                   // N, the number of body rows
    QVector<float> widths;          // column widths, mm; narrowed when wider than the paper
    float headingHeight = 8;
    float rowHeight = 8;
    int alignment = 4;
    std::function<QString(int col)> heading;               // col 0-based
    std::function<QString(int row, int col)> cell;         // row 1-based, col 0-based; read when drawn
    std::function<void(LumoPrinter &)> geometry;           // margins / orientation before the first page
    std::function<void(LumoPrinter &)> beforeTable;        // lines after the title block, on every run
};

// The skeleton every table report follows: StartPrint, geometry, first page, title block (only
// when the whole report or its first page is laid out), body font, page range, then for each page
// the heading row and the page's body rows, EndDoc.
void run(printsform &form, int &dest, const Table &table);

} // namespace tablelayout
} // namespace quorvane
