#include "workbook/workbook.h"

#include "workbook/xlsreader.h"

#include <QFile>
#include <QFileInfo>

#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");
const QString kTooMuch = QStringLiteral("工作簿内容过多，超出了可以读取的范围");
const QString kNotRegular = QStringLiteral("不是普通文件（可能是文件夹、管道或设备）");

} // namespace

void Workbook::setCell(int row, int col, const QString &text)
{
    if (row < 1 || col < 1 || text.isEmpty() || (m_maxCols > 0 && col > m_maxCols))
        return;
    m_chars += text.size();
    if ((m_cells.size() >= kMaxCells && !m_cells.contains(key(row, col))) || m_chars > kMaxChars) {
        m_tooManyCells = true;
        return;
    }
    m_cells.insert(key(row, col), text);
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
    m_chars = 0;
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
        m_error = kTooMuch;
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
    // Only a regular file is opened, and without waiting: a pipe, a socket or a device could
    // keep the program waiting for ever, a folder holds no workbook.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        m_error = QStringLiteral("文件不存在或无法读取");
        return false;
    }
    if (!info.isFile()) {
        m_error = kNotRegular;
        return false;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = QStringLiteral("文件不存在或无法读取");
        return false;
    }
    struct stat st;
    char head[8] = {};
    ssize_t got = 0;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode); // the same file still
    if (regular && st.st_size > 0)
        got = ::read(fd, head, sizeof head);
    ::close(fd);
    if (!regular) {
        m_error = kNotRegular;
        return false;
    }
    if (st.st_size == 0) {
        m_error = QStringLiteral("文件是空的");
        return false;
    }
    if (st.st_size > kMaxFileBytes) {
        m_error = QStringLiteral("文件过大");
        return false;
    }
    // Both formats are read by the isolated helper, which finds the format the same way.
    const QByteArray start(head, got > 0 ? qsizetype(got) : 0);
    if (isXlsxData(start))
        m_format = Format::Xlsx;
    else if (isXlsData(start))
        m_format = Format::Xls;
    else {
        m_error = QStringLiteral("文件不是Excel工作簿");
        return false;
    }
    SheetRead read;
    const bool ok = readXlsIsolated(path, maxRows, m_maxCols, *this, &read);
    m_error = read.error;
    m_sheetName = validText(read.sheetName);
    m_rowsBeyond = std::max(0, read.rowsBeyond);
    return ok;
}

bool isXlsxData(const QByteArray &start)
{
    return start.startsWith(QByteArray("PK\x03\x04", 4)) || start.startsWith(QByteArray("PK\x05\x06", 4));
}

bool isXlsData(const QByteArray &start)
{
    return start.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

} // namespace quorvane
