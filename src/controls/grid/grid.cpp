#include "controls/grid/grid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <algorithm>

namespace quorvane {

Grid::Grid(QWidget *parent)
    : QTableWidget(parent), m_backColorFixed(palette().color(QPalette::Button))
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setWordWrap(false);
    setRows(2);
    setCols(2);
}

void Grid::setRows(int rows)
{
    rows = std::max(rows, 0);
    const int oldRows = m_rows;
    m_rows = rows;
    setRowCount(std::max(0, tableRow(rows)));
    std::vector<int> cellAlign(static_cast<size_t>(m_rows) * m_cols, 0);
    for (int r = 0; r < std::min(oldRows, m_rows); ++r)
        for (int c = 0; c < m_cols; ++c)
            if (static_cast<size_t>(r) * m_cols + c < m_cellAlign.size())
                cellAlign[static_cast<size_t>(r) * m_cols + c] = m_cellAlign[static_cast<size_t>(r) * m_cols + c];
    m_cellAlign.swap(cellAlign);
    m_mergeRow.resize(static_cast<size_t>(m_rows), false);
    if (m_fixedRows > m_rows)
        m_fixedRows = m_rows;
}

void Grid::setCols(int cols)
{
    cols = std::max(cols, 0);
    std::vector<int> cellAlign(static_cast<size_t>(m_rows) * cols, 0);
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < std::min(cols, m_cols); ++c)
            cellAlign[static_cast<size_t>(r) * cols + c] = m_cellAlign[static_cast<size_t>(r) * m_cols + c];
    m_cellAlign.swap(cellAlign);
    m_cols = cols;
    setColumnCount(cols);
    m_colAlign.resize(static_cast<size_t>(cols), General);
    m_mergeCol.resize(static_cast<size_t>(cols), false);
    if (m_fixedCols > m_cols)
        m_fixedCols = m_cols;
}

void Grid::setFixedRows(int count)
{
    count = std::clamp(count, 0, m_rows);
    if (count == m_fixedRows)
        return;
    // Keep every text while the first row moves between the header and the table.
    std::vector<QString> texts(static_cast<size_t>(m_rows) * m_cols);
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c)
            texts[static_cast<size_t>(r) * m_cols + c] = TextMatrix(r, c);
    const bool hadHeader = headerRow();
    m_fixedRows = count;
    if (hadHeader != headerRow()) {
        clearContents();
        for (int c = 0; c < m_cols; ++c)
            setHorizontalHeaderItem(c, nullptr);
        setRowCount(std::max(0, tableRow(m_rows)));
        horizontalHeader()->setVisible(headerRow());
        for (int r = 0; r < m_rows; ++r)
            for (int c = 0; c < m_cols; ++c)
                if (!texts[static_cast<size_t>(r) * m_cols + c].isEmpty())
                    setTextMatrix(r, c, texts[static_cast<size_t>(r) * m_cols + c]);
    }
    restyleAll();
}

void Grid::setFixedCols(int count)
{
    m_fixedCols = std::clamp(count, 0, m_cols);
    restyleAll();
}

const QTableWidgetItem *Grid::cellItem(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return nullptr;
    if (headerRow() && row == 0)
        return horizontalHeaderItem(col);
    return item(tableRow(row), col);
}

QTableWidgetItem *Grid::cellItem(int row, int col, bool create)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return nullptr;
    if (headerRow() && row == 0) {
        QTableWidgetItem *it = horizontalHeaderItem(col);
        if (!it && create) {
            it = new QTableWidgetItem;
            setHorizontalHeaderItem(col, it);
        }
        return it;
    }
    QTableWidgetItem *it = item(tableRow(row), col);
    if (!it && create) {
        it = new QTableWidgetItem;
        styleItem(it, row, col);
        setItem(tableRow(row), col, it);
    }
    return it;
}

QString Grid::TextMatrix(int row, int col) const
{
    const QTableWidgetItem *it = cellItem(row, col);
    return it ? it->text() : QString();
}

void Grid::setTextMatrix(int row, int col, const QString &text)
{
    QTableWidgetItem *it = cellItem(row, col, true);
    if (!it)
        return;
    it->setText(text);
    if (!(headerRow() && row == 0))
        it->setTextAlignment(qtAlignment(CellAlignment(row, col) ? CellAlignment(row, col) : ColAlignment(col), text));
}

Qt::Alignment Grid::qtAlignment(int code, const QString &text) const
{
    if (code == General) {
        const bool digits = std::all_of(text.begin(), text.end(), [](QChar ch) { return ch >= QLatin1Char('0') && ch <= QLatin1Char('9'); });
        code = digits ? RightCenter : LeftCenter;
    }
    Qt::Alignment h = Qt::AlignLeft;
    if (code >= 3 && code <= 5)
        h = Qt::AlignHCenter;
    else if (code >= 6 && code <= 8)
        h = Qt::AlignRight;
    Qt::Alignment v = Qt::AlignVCenter;
    if (code % 3 == 0)
        v = Qt::AlignTop;
    else if (code % 3 == 2)
        v = Qt::AlignBottom;
    return h | v;
}

void Grid::styleItem(QTableWidgetItem *it, int row, int col) const
{
    const bool fixed = row < m_fixedRows || col < m_fixedCols;
    if (fixed) {
        it->setBackground(m_backColorFixed);
        it->setFlags(Qt::ItemIsEnabled);
    } else {
        it->setData(Qt::BackgroundRole, QVariant());
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    it->setTextAlignment(qtAlignment(CellAlignment(row, col) ? CellAlignment(row, col) : ColAlignment(col), it->text()));
}

void Grid::restyleAll()
{
    for (int r = headerRow() ? 1 : 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c)
            if (QTableWidgetItem *it = item(tableRow(r), c))
                styleItem(it, r, c);
}

void Grid::setFormatString(const QString &format)
{
    m_formatString = format;
    const QString colPart = format.section(QLatin1Char(';'), 0, 0);
    const QStringList pieces = colPart.split(QLatin1Char('|'));
    setCols(static_cast<int>(pieces.size()));
    for (int c = 0; c < m_cols; ++c) {
        QString text = pieces[c];
        int align = -1;
        if (!text.isEmpty()) {
            switch (text[0].unicode()) {
            case '^': align = CenterCenter; break;
            case '<': align = LeftCenter; break;
            case '>': align = RightCenter; break;
            default: break;
            }
        }
        if (align >= 0) {
            text.remove(0, 1);
            setColAlignment(c, align);
        }
        if (m_rows > 0)
            setTextMatrix(0, c, text);
        setColWidth(c, textWidthTwips(text) + 8 * TwipsPerPixel);
    }
}

int Grid::Row() const
{
    const int r = currentRow();
    return r < 0 ? m_fixedRows : r + (headerRow() ? 1 : 0);
}

void Grid::setRow(int row)
{
    if (row < 0 || row >= m_rows || (headerRow() && row == 0))
        return;
    setCurrentCell(tableRow(row), std::max(0, currentColumn()));
}

int Grid::Col() const
{
    const int c = currentColumn();
    return c < 0 ? m_fixedCols : c;
}

void Grid::setCol(int col)
{
    if (col < 0 || col >= m_cols)
        return;
    const int r = currentRow() >= 0 ? currentRow() : std::max(0, tableRow(m_fixedRows));
    if (r < rowCount())
        setCurrentCell(r, col);
}

int Grid::ColWidth(int col) const
{
    return columnWidth(col) * TwipsPerPixel;
}

void Grid::setColWidth(int col, int twips)
{
    if (col >= 0 && col < m_cols)
        setColumnWidth(col, std::max(0, twips / TwipsPerPixel));
}

int Grid::RowHeight(int row) const
{
    if (row < 0 || row >= m_rows)
        return 0;
    if (headerRow() && row == 0) {
        const int h = m_headerHeightPx >= 0 ? m_headerHeightPx : horizontalHeader()->sizeHint().height();
        return h * TwipsPerPixel;
    }
    return rowHeight(tableRow(row)) * TwipsPerPixel;
}

void Grid::setRowHeight(int row, int twips)
{
    if (row < 0 || row >= m_rows)
        return;
    const int px = std::max(0, twips / TwipsPerPixel);
    if (headerRow() && row == 0) {
        m_headerHeightPx = px;
        horizontalHeader()->setFixedHeight(px);
    } else {
        QTableWidget::setRowHeight(tableRow(row), px);
    }
}

int Grid::ColAlignment(int col) const
{
    return col >= 0 && col < m_cols ? m_colAlign[static_cast<size_t>(col)] : General;
}

void Grid::setColAlignment(int col, int alignment)
{
    if (col < 0 || col >= m_cols)
        return;
    m_colAlign[static_cast<size_t>(col)] = alignment;
    for (int r = headerRow() ? 1 : 0; r < m_rows; ++r)
        if (QTableWidgetItem *it = item(tableRow(r), col))
            styleItem(it, r, col);
}

int Grid::CellAlignment(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return 0;
    return m_cellAlign[static_cast<size_t>(row) * m_cols + col];
}

void Grid::setCellAlignment(int row, int col, int alignment)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return;
    m_cellAlign[static_cast<size_t>(row) * m_cols + col] = alignment;
    if (QTableWidgetItem *it = cellItem(row, col, false))
        if (!(headerRow() && row == 0))
            styleItem(it, row, col);
}

bool Grid::MergeRow(int row) const
{
    return row >= 0 && row < m_rows && m_mergeRow[static_cast<size_t>(row)];
}

void Grid::setMergeRow(int row, bool merge)
{
    if (row >= 0 && row < m_rows)
        m_mergeRow[static_cast<size_t>(row)] = merge;
}

bool Grid::MergeCol(int col) const
{
    return col >= 0 && col < m_cols && m_mergeCol[static_cast<size_t>(col)];
}

void Grid::setMergeCol(int col, bool merge)
{
    if (col >= 0 && col < m_cols)
        m_mergeCol[static_cast<size_t>(col)] = merge;
}

void Grid::applyMerges()
{
    clearSpans();
    const int first = headerRow() ? 1 : 0;
    std::vector<bool> covered(static_cast<size_t>(m_rows) * m_cols, false);
    for (int c = 0; c < m_cols; ++c) {
        if (!MergeCol(c))
            continue;
        for (int r = first; r < m_rows;) {
            const QString t = TextMatrix(r, c);
            int end = r + 1;
            while (!t.isEmpty() && end < m_rows && TextMatrix(end, c) == t)
                ++end;
            if (end - r > 1) {
                setSpan(tableRow(r), c, end - r, 1);
                for (int k = r; k < end; ++k)
                    covered[static_cast<size_t>(k) * m_cols + c] = true;
            }
            r = end;
        }
    }
    for (int r = first; r < m_rows; ++r) {
        if (!MergeRow(r))
            continue;
        for (int c = 0; c < m_cols;) {
            const QString t = TextMatrix(r, c);
            int end = c + 1;
            while (!t.isEmpty() && end < m_cols && !covered[static_cast<size_t>(r) * m_cols + end] && TextMatrix(r, end) == t)
                ++end;
            if (end - c > 1 && !covered[static_cast<size_t>(r) * m_cols + c])
                setSpan(tableRow(r), c, 1, end - c);
            c = end;
        }
    }
}

void Grid::setBackColorFixed(const QColor &color)
{
    m_backColorFixed = color;
    restyleAll();
}

void Grid::Clear()
{
    for (int c = 0; c < m_cols; ++c)
        if (QTableWidgetItem *it = horizontalHeaderItem(c))
            it->setText(QString());
    clearContents();
}

int Grid::textWidthTwips(const QString &text) const
{
    return fontMetrics().horizontalAdvance(text) * TwipsPerPixel;
}

} // namespace quorvane
