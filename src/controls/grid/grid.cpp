#include "controls/grid/grid.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <algorithm>

namespace quorvane {

namespace {

// Texts whose widths a grid keeps: more than the distinct texts of the largest report.
constexpr qsizetype kMaxMeasured = 1 << 17;

Qt::Alignment qtAlignment(int code, const QString &text)
{
    if (code == Grid::General) {
        const bool digits = std::all_of(text.begin(), text.end(), [](QChar ch) { return ch >= QLatin1Char('0') && ch <= QLatin1Char('9'); });
        code = digits ? Grid::RightCenter : Grid::LeftCenter;
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

} // namespace

// The grid's texts as the view sees them: table rows (the heading row, when shown as the header,
// is the header's data), each cell's text, alignment and look asked for only when it is shown.
class GridModel : public QAbstractTableModel
{
public:
    explicit GridModel(Grid *grid) : QAbstractTableModel(grid), g(grid) {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : g->tableRowCount();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : g->m_cols;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const int row = gridRow(index.row());
        const int col = index.column();
        switch (role) {
        case Qt::DisplayRole:
            return g->TextMatrix(row, col);
        case Qt::TextAlignmentRole: {
            const int code = g->CellAlignment(row, col);
            return int(qtAlignment(code ? code : g->ColAlignment(col), g->TextMatrix(row, col)));
        }
        case Qt::BackgroundRole:
            return fixed(row, col) ? QVariant(QBrush(g->m_backColorFixed)) : QVariant();
        default:
            return QVariant();
        }
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return fixed(gridRow(index.row()), index.column()) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && g->headerRow())
            return g->TextMatrix(0, section);
        return QVariant();
    }

    int gridRow(int tableRow) const { return g->headerRow() ? tableRow + 1 : tableRow; }
    bool fixed(int row, int col) const { return row < g->m_fixedRows || col < g->m_fixedCols; }

    // Every cell (and the header) may show differently.
    void allChanged()
    {
        if (rowCount() > 0 && columnCount() > 0)
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        if (columnCount() > 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }
    // The texts of grid row `row` from column first to last changed.
    void rowChanged(int row, int first, int last)
    {
        if (first > last)
            return;
        if (g->headerRow() && row == 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, first, last);
        else
            Q_EMIT dataChanged(index(g->tableRow(row), first), index(g->tableRow(row), last));
    }

    using QAbstractTableModel::beginInsertColumns;
    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveColumns;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::endInsertColumns;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveColumns;
    using QAbstractTableModel::endRemoveRows;

private:
    Grid *g;
};

Grid::Grid(QWidget *parent)
    : QTableView(parent), m_backColorFixed(palette().color(QPalette::Button))
{
    m_texts.resize(size_t(m_rows));
    m_cellAlign.assign(size_t(m_rows) * m_cols, 0);
    m_colAlign.assign(size_t(m_cols), General);
    m_mergeRow.assign(size_t(m_rows), false);
    m_mergeCol.assign(size_t(m_cols), false);
    m_model = new GridModel(this);
    setModel(m_model);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        Q_EMIT cellClicked(index.row(), index.column());
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                Q_EMIT currentCellChanged(current.row(), current.column(), previous.row(), previous.column());
            });
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setWordWrap(false);
}

void Grid::setRows(int rows)
{
    rows = std::max(rows, 0);
    if (rows == m_rows)
        return;
    const int oldTable = tableRowCount();
    const int fixedRows = std::min(m_fixedRows, rows);
    const int newTable = std::max(0, rows - (fixedRows > 0 ? 1 : 0));
    const auto apply = [&] {
        std::vector<int> cellAlign(size_t(rows) * m_cols, 0);
        std::copy_n(m_cellAlign.begin(), std::min(cellAlign.size(), m_cellAlign.size()), cellAlign.begin());
        m_cellAlign.swap(cellAlign);
        m_texts.resize(size_t(rows));
        m_mergeRow.resize(size_t(rows), false);
        m_rows = rows;
        m_fixedRows = fixedRows;
    };
    if (newTable < oldTable) {
        m_model->beginRemoveRows(QModelIndex(), newTable, oldTable - 1);
        apply();
        m_model->endRemoveRows();
    } else if (newTable > oldTable) {
        m_model->beginInsertRows(QModelIndex(), oldTable, newTable - 1);
        apply();
        m_model->endInsertRows();
    } else {
        apply();
    }
}

void Grid::setCols(int cols)
{
    cols = std::max(cols, 0);
    if (cols == m_cols)
        return;
    const auto apply = [&] {
        std::vector<int> cellAlign(size_t(m_rows) * cols, 0);
        for (int r = 0; r < m_rows; ++r)
            for (int c = 0; c < std::min(cols, m_cols); ++c)
                cellAlign[size_t(r) * cols + c] = m_cellAlign[size_t(r) * m_cols + c];
        m_cellAlign.swap(cellAlign);
        for (QStringList &texts : m_texts)
            if (texts.size() > cols)
                texts.resize(cols);
        m_cols = cols;
        m_colAlign.resize(size_t(cols), General);
        m_mergeCol.resize(size_t(cols), false);
        if (m_fixedCols > m_cols)
            m_fixedCols = m_cols;
    };
    if (cols < m_cols) {
        m_model->beginRemoveColumns(QModelIndex(), cols, m_cols - 1);
        apply();
        m_model->endRemoveColumns();
    } else {
        m_model->beginInsertColumns(QModelIndex(), m_cols, cols - 1);
        apply();
        m_model->endInsertColumns();
    }
}

void Grid::setFixedRows(int count)
{
    count = std::clamp(count, 0, m_rows);
    if (count == m_fixedRows)
        return;
    // The texts stay; the first row moves between the header and the table.
    if (headerRow() && count == 0) {
        m_model->beginInsertRows(QModelIndex(), 0, 0);
        m_fixedRows = count;
        m_model->endInsertRows();
    } else if (!headerRow() && count > 0) {
        m_model->beginRemoveRows(QModelIndex(), 0, 0);
        m_fixedRows = count;
        m_model->endRemoveRows();
    } else {
        m_fixedRows = count;
    }
    horizontalHeader()->setVisible(headerRow());
    restyleAll();
}

void Grid::setFixedCols(int count)
{
    m_fixedCols = std::clamp(count, 0, m_cols);
    restyleAll();
}

QString Grid::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return QString();
    const QStringList &texts = m_texts[size_t(row)];
    return col < texts.size() ? texts.at(col) : QString();
}

void Grid::setTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return;
    QStringList &texts = m_texts[size_t(row)];
    if (col >= texts.size()) {
        if (text.isEmpty())
            return;
        texts.resize(col + 1);
    }
    texts[col] = text;
    m_model->rowChanged(row, col, col);
}

void Grid::setRowTexts(int row, const QStringList &texts)
{
    if (row < 0 || row >= m_rows)
        return;
    QStringList &own = m_texts[size_t(row)];
    const qsizetype before = own.size();
    own = texts;
    if (own.size() > m_cols)
        own.resize(m_cols);
    m_model->rowChanged(row, 0, int(std::max(before, own.size())) - 1);
}

void Grid::restyleAll()
{
    m_model->allChanged();
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
    const int r = currentIndex().row();
    return r < 0 ? m_fixedRows : r + (headerRow() ? 1 : 0);
}

void Grid::setRow(int row)
{
    if (row < 0 || row >= m_rows || (headerRow() && row == 0))
        return;
    setCurrentIndex(m_model->index(tableRow(row), std::max(0, currentIndex().column())));
}

int Grid::Col() const
{
    const int c = currentIndex().column();
    return c < 0 ? m_fixedCols : c;
}

void Grid::setCol(int col)
{
    if (col < 0 || col >= m_cols)
        return;
    const int current = currentIndex().row();
    const int r = current >= 0 ? current : std::max(0, tableRow(m_fixedRows));
    if (r < tableRowCount())
        setCurrentIndex(m_model->index(r, col));
}

QModelIndex Grid::cellIndex(int row, int col) const
{
    if (row < 0 || row >= m_rows || (headerRow() && row == 0))
        return QModelIndex();
    return m_model->index(tableRow(row), col);
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
        QTableView::setRowHeight(tableRow(row), px);
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
    if (m_rows > 1)
        Q_EMIT m_model->dataChanged(m_model->index(0, col), m_model->index(m_model->rowCount() - 1, col));
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
    m_model->rowChanged(row, col, col);
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
    for (QStringList &texts : m_texts)
        texts = QStringList();
    m_widths.clear();
    restyleAll();
}

int Grid::textWidthTwips(const QString &text) const
{
    auto it = m_widths.constFind(text);
    if (it == m_widths.constEnd()) {
        // Bounded for a grid that is measured for long without being cleared.
        if (m_widths.size() >= kMaxMeasured)
            m_widths.clear();
        it = m_widths.insert(text, fontMetrics().horizontalAdvance(text));
    }
    return it.value() * TwipsPerPixel;
}

int Grid::widestTextTwips(int col, int firstRow) const
{
    int widest = 0;
    // Cells that share one string (a list's repeated figures) are measured by the first of them.
    QHash<const QChar *, int> shared;
    for (int r = std::max(0, firstRow); r < m_rows; ++r) {
        const QStringList &texts = m_texts[size_t(r)];
        if (col < 0 || col >= texts.size() || texts.at(col).isEmpty())
            continue;
        const QString &text = texts.at(col);
        auto it = shared.constFind(text.constData());
        if (it == shared.constEnd())
            it = shared.insert(text.constData(), textWidthTwips(text));
        widest = std::max(widest, it.value());
    }
    return widest;
}

void Grid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_widths.clear();
    QTableView::changeEvent(event);
}

} // namespace quorvane
