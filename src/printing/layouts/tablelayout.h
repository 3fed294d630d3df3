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

// Pages needed for n body rows at r rows a page (0 for n = 0).
int pageCount(int n, int r);

// First and last body row (1-based) of page p.
int firstRow(int p, int r);
int lastRow(int p, int r, int n);

// Sets the form's pagecount, frompage and topage for n body rows at r rows a page; a current-page
// run (curpage > 0) lays out that page alone.
void setPageRange(printsform &form, int n, int r);

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
    int rowsPerPage = 1;            // R
    int rows = 0;                   // N, the number of body rows
    QVector<float> widths;          // column widths, mm
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
