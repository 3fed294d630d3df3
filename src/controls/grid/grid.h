#pragma once
#include <QColor>
#include <QFont>
#include <QHash>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <vector>

namespace quorvane {

class GridModel;

// The list grid used by every window: rows and columns counted from 0, with row 0 as the heading
// row and column 0 as the fixed column when FixedRows / FixedCols are 1. The first fixed row is shown
// as the table's column header, so it stays in view while the rows scroll; every other cell is a
// cell of the table. The texts live in one compact model (a list of texts per row) that the view
// asks only for the cells it shows, so a grid of many thousand rows costs little more than its
// texts. Widths and heights are in twips (15 per pixel), as the print engine reads them.
class Grid : public QTableView
{
    Q_OBJECT
public:
    // Alignment codes of cells and columns.
    enum Alignment {
        LeftTop = 0, LeftCenter = 1, LeftBottom = 2, CenterTop = 3, CenterCenter = 4, CenterBottom = 5,
        RightTop = 6, RightCenter = 7, RightBottom = 8, General = 9
    };
    static constexpr int TwipsPerPixel = 15;

    explicit Grid(QWidget *parent = nullptr);

    int Rows() const { return m_rows; }
    void setRows(int rows);
    int Cols() const { return m_cols; }
    void setCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    void setFixedRows(int count);
    int FixedCols() const { return m_fixedCols; }
    void setFixedCols(int count);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // Sets every text of a row at once: column c gets texts[c], columns past the list are emptied.
    void setRowTexts(int row, const QStringList &texts);

    // "|^a|^b": one column per '|'-separated piece ('^' centred, '<' left, '>' right); the pieces
    // become the heading texts of row 0 and each column is made as wide as its heading.
    QString FormatString() const { return m_formatString; }
    void setFormatString(const QString &format);

    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);

    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;
    void setRowHeight(int row, int twips);

    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    // 0 means "as the column"; otherwise one of the codes above.
    int CellAlignment(int row, int col) const;
    void setCellAlignment(int row, int col, int alignment);

    bool MergeRow(int row) const;
    void setMergeRow(int row, bool merge);
    bool MergeCol(int col) const;
    void setMergeCol(int col, bool merge);
    // Shows equal neighbouring texts of merging rows and columns as one cell on screen.
    void applyMerges();

    QColor BackColorFixed() const { return m_backColorFixed; }
    void setBackColorFixed(const QColor &color);

    // Empties every cell's text; rows, columns and widths stay.
    void Clear();

    // Width in twips of a text in the grid's font (used for the heading widths). Each distinct text
    // is measured once while the font stays the same.
    int textWidthTwips(const QString &text) const;
    // Width in twips of the widest text of a column from row firstRow on; 0 when all are empty.
    int widestTextTwips(int col, int firstRow) const;

    // The view's index of a grid cell; invalid for the heading row shown as the header and for a
    // cell outside the grid.
    QModelIndex cellIndex(int row, int col) const;

Q_SIGNALS:
    // A click on a cell of the table, and a move of the current cell; rows counted in the table
    // (the heading row shown as the header is not one of them), -1 for no cell.
    void cellClicked(int row, int column);
    void currentCellChanged(int currentRow, int currentColumn, int previousRow, int previousColumn);

protected:
    void changeEvent(QEvent *event) override;

private:
    friend class GridModel;
    bool headerRow() const { return m_fixedRows > 0; }
    int tableRow(int row) const { return headerRow() ? row - 1 : row; }
    int tableRowCount() const { return std::max(0, tableRow(m_rows)); }
    // Tells the view that the look of every cell may have changed (fixed cells, alignments).
    void restyleAll();

    GridModel *m_model = nullptr;
    std::vector<QStringList> m_texts; // one list a row, as long as its last text at most
    int m_rows = 2;
    int m_cols = 2;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    QString m_formatString;
    std::vector<int> m_colAlign;
    std::vector<int> m_cellAlign; // m_rows * m_cols, 0 = as column
    std::vector<bool> m_mergeRow;
    std::vector<bool> m_mergeCol;
    int m_headerHeightPx = -1;
    QColor m_backColorFixed;
    mutable QHash<QString, int> m_widths; // pixel widths of texts in the current font
};

} // namespace quorvane
