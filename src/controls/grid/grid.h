#pragma once
#include <QColor>
#include <QString>
#include <QTableWidget>
#include <vector>

namespace quorvane {

// The list grid used by every window: rows and columns counted from 0, with row 0 as the heading
// row and column 0 as the fixed column when FixedRows / FixedCols are 1. The first fixed row is shown
// as the table's column header, so it stays in view while the rows scroll; every other cell is an
// item of the table. Widths and heights are in twips (15 per pixel), as the print engine reads them.
class Grid : public QTableWidget
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

    // Width in twips of a text in the grid's font (used for the heading widths).
    int textWidthTwips(const QString &text) const;

private:
    bool headerRow() const { return m_fixedRows > 0; }
    int tableRow(int row) const { return headerRow() ? row - 1 : row; }
    QTableWidgetItem *cellItem(int row, int col, bool create);
    const QTableWidgetItem *cellItem(int row, int col) const;
    void styleItem(QTableWidgetItem *item, int row, int col) const;
    Qt::Alignment qtAlignment(int code, const QString &text) const;
    void restyleAll();

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
};

} // namespace quorvane
