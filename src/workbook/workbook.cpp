#include "workbook/workbook.h"

#include "workbook/xlsreader.h"
#include "workbook/xlsxreader.h"

#include <QFile>

#include <new>

namespace quorvane {

namespace {

constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024; // largest workbook file read

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");

} // namespace

void Workbook::setCell(int row, int col, const QString &text)
{
    if (row < 1 || col < 1 || text.isEmpty() || (m_maxCols > 0 && col > m_maxCols))
        return;
    if (m_cells.size() >= kMaxCells && !m_cells.contains(key(row, col))) {
        m_tooManyCells = true;
        return;
    }
    m_cells.insert(key(row, col), validText(text));
    m_rows = std::max(m_rows, row);
    m_cols = std::max(m_cols, col);
}

void Workbook::forEachCell(const std::function<void(int, int, const QString &)> &fn) const
{
    for (auto it = m_cells.constBegin(); it != m_cells.constEnd(); ++it)
        fn(int(it.key() >> 32), int(it.key() & 0xFFFFFFFFu), it.value());
}

QString Workbook::text(int row, int col) const
{
    return m_cells.value(key(row, col));
}

QString Workbook::text(const QString &a1) const
{
    int r = 0;
    int c = 0;
    if (!parseCellRef(a1, &r, &c))
        return QString();
    return text(r, c);
}

void Workbook::close()
{
    m_cells = {};
    m_rows = 0;
    m_cols = 0;
    m_rowsBeyond = 0;
    m_open = false;
    m_tooManyCells = false;
    m_format = Format::None;
    m_sheetName.clear();
}

bool Workbook::open(const QString &path, int maxRows, int maxCols)
{
    close();
    m_error.clear();
    m_maxCols = std::max(0, maxCols);
    bool ok = false;
    // Nothing a file does may escape as an exception into the window that asked for it.
    try {
        ok = read(path, std::max(0, maxRows));
    } catch (const std::bad_alloc &) {
        ok = false;
        m_error = QStringLiteral("内存不足，无法读取");
    } catch (...) {
        ok = false;
        m_error = kDamaged;
    }
    if (ok && m_tooManyCells) {
        ok = false;
        m_error = QStringLiteral("工作簿内容过多，超出了可以读取的范围");
    }
    if (!ok) {
        const QString why = m_error.isEmpty() ? kDamaged : m_error;
        close();
        m_error = why;
        return false;
    }
    m_open = true;
    return true;
}

bool Workbook::read(const QString &path, int maxRows)
{
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("文件不存在或无法读取");
        return false;
    }
    if (f.size() == 0) {
        m_error = QStringLiteral("文件是空的");
        return false;
    }
    if (f.size() > kMaxFileBytes) {
        m_error = QStringLiteral("文件过大");
        return false;
    }
    const QByteArray head = f.peek(8);
    SheetRead got;
    bool ok = false;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)) || head.startsWith(QByteArray("PK\x05\x06", 4))) {
        const QByteArray data = f.readAll();
        f.close();
        m_format = Format::Xlsx;
        ok = readXlsx(data, maxRows, m_maxCols, *this, &got);
    } else if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        f.close();
        m_format = Format::Xls;
        ok = readXlsIsolated(path, maxRows, m_maxCols, *this, &got);
    } else {
        got.error = QStringLiteral("文件不是Excel工作簿");
    }
    m_error = got.error;
    m_sheetName = validText(got.sheetName);
    m_rowsBeyond = std::max(0, got.rowsBeyond);
    return ok;
}

} // namespace quorvane
