#include "workbook/xls/xlsfile.h"

#include "workbook/workbook.h"
#include "workbook/xls/xlsrecords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <freexl.h>

#include <cerrno>

namespace quorvane {

namespace {

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");
const QString kNoSheet = QStringLiteral("工作簿中没有可读取的工作表");
const QString kPassword = QStringLiteral("工作簿有密码保护，无法读取");
const QString kNoMemory = QStringLiteral("读取所需内存超过限制，文件过大或已损坏");

// An .xls file is read from at most this size (the largest sound .xls files stay far below).
constexpr qint64 kMaxXlsBytes = 64LL * 1024 * 1024;

struct Reading
{
    int maxRows = 0;
    int maxCols = 0;
    int sheet = 0;
};

// The displayed text of one cell as FreeXL gives it.
QString cellText(const FreeXL_CellValue &v)
{
    QString text;
    switch (v.type) {
    case FREEXL_CELL_INT:
        text = QString::number(v.value.int_value);
        break;
    case FREEXL_CELL_DOUBLE:
        text = numberText(v.value.double_value);
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        text = v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
        break;
    default:
        break;
    }
    return text;
}

// Reads the sheet with FreeXL. `valued` names the cells the sheet's own records give a value
// (row << 16 | column, from 0): a read that gives none for one of them stopped short (FreeXL stops
// without a word at a record it cannot take) and is refused.
bool readWithFreexl(const QString &path, const Reading &how, const std::vector<quint32> &valued, Workbook &cells, SheetRead *out)
{
    const void *h = nullptr;
    const QByteArray name = QFile::encodeName(path);
    errno = 0;
    const int rc = freexl_open(name.constData(), &h);
    const bool noMemory = errno == ENOMEM;
    struct Closer
    {
        const void *&h;
        ~Closer()
        {
            if (h)
                freexl_close(h);
        }
    } closer{h};
    if (rc != FREEXL_OK || !h) {
        // FreeXL answers FREEXL_OK without a handle when a record stops it: the allocation of a
        // sheet's cell table that failed (errno tells), or a record it refuses.
        out->error = rc == FREEXL_INSUFFICIENT_MEMORY || noMemory ? kNoMemory
                                                                  : QStringLiteral("工作簿文件已损坏、有密码保护或不是Excel工作簿");
        return false;
    }
    unsigned int info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        out->error = kPassword;
        return false;
    }
    unsigned int sheets = 0;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
        out->error = kNoSheet;
        return false;
    }
    const unsigned sheet = how.sheet >= 0 && unsigned(how.sheet) < sheets ? unsigned(how.sheet) : 0;
    if (freexl_select_active_worksheet(h, sheet) != FREEXL_OK) {
        out->error = kNoSheet;
        return false;
    }
    const char *sheetName = nullptr;
    if (freexl_get_worksheet_name(h, sheet, &sheetName) == FREEXL_OK && sheetName)
        out->sheetName = QString::fromUtf8(sheetName);
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK) {
        out->error = kDamaged;
        return false;
    }
    // The dimensions are counts (not last indexes as FreeXL's header says). Rows up to maxRows
    // are read, later ones only counted (a repaired copy has none: the repair counted them);
    // columns right of maxCols are never looked at.
    const unsigned readRows = how.maxRows > 0 ? std::min(rows, unsigned(how.maxRows)) : rows;
    const unsigned readCols = how.maxCols > 0 ? std::min(unsigned(cols), unsigned(how.maxCols)) : cols;
    for (unsigned r = 0; r < std::min(rows, 1048576u); ++r) {
        bool any = false;
        for (unsigned c = 0; c < readCols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, static_cast<unsigned short>(c), &v) != FREEXL_OK)
                continue;
            const QString text = cellText(v);
            if (r < readRows)
                cells.setCell(int(r) + 1, int(c) + 1, text);
            else if (!text.isEmpty())
                any = true;
        }
        if (any)
            ++out->rowsBeyond;
    }
    for (const quint32 cell : valued) {
        const unsigned r = cell >> 16;
        const unsigned short c = static_cast<unsigned short>(cell & 0xFFFF);
        FreeXL_CellValue v;
        if (r >= rows || c >= cols || freexl_get_cell_value(h, r, c, &v) != FREEXL_OK || v.type == FREEXL_CELL_NULL) {
            out->error = kDamaged;
            return false;
        }
    }
    return true;
}

} // namespace

bool readXlsFile(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *out)
{
    QByteArray file;
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            out->error = QStringLiteral("文件不存在或无法读取");
            return false;
        }
        if (f.size() > kMaxXlsBytes) {
            out->error = QStringLiteral("文件过大");
            return false;
        }
        file = f.readAll();
    }
    // A password-protected .xlsx is an OLE file too: its package sits, encrypted, in a stream
    // named EncryptedPackage beside EncryptionInfo.
    auto utf16 = [](const char *name) {
        QByteArray b;
        for (const char *p = name; *p; ++p)
            b.append(*p).append('\0');
        return b;
    };
    const bool passwordXlsx = file.contains(utf16("EncryptedPackage")) && file.contains(utf16("EncryptionInfo"));

    // The sheet to read, as the workbook's own records name it (FreeXL only offers sheets by
    // position and says nothing of the active tab or of hidden sheets).
    Reading how;
    how.maxRows = maxRows;
    how.maxCols = maxCols;
    XlsStream xs;
    const bool container = readXlsStream(file, &xs);
    if (container) {
        if (xs.encryptedPackage || xlsEncrypted(xs.bytes)) {
            out->error = kPassword;
            return false;
        }
        const int chosen = xlsSheetToRead(xs.bytes);
        if (chosen == -2) {
            out->error = kNoSheet;
            return false;
        }
        how.sheet = std::max(chosen, 0);
    }
    // What FreeXL reads wrongly or not at all (see xlsrecords.h) is read from a repaired copy, or
    // here: the shared texts, truth values and errors of the cells read, and the rows after them.
    XlsSheetFound found;
    QByteArray repaired = container ? repairXls(file, std::move(xs), {how.sheet, maxRows, maxCols}, &found) : QByteArray();
    file = QByteArray(); // FreeXL reads from a file of its own
    if (found.damaged) {
        out->error = kDamaged;
        return false;
    }
    QString source = path;
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/quorvane-XXXXXX.xls"));
    if (!repaired.isEmpty()) {
        if (!copy.open() || copy.write(repaired) != repaired.size() || !copy.flush()) {
            out->error = QStringLiteral("无法写入临时文件，磁盘可能已满");
            return false;
        }
        repaired = QByteArray();
        source = copy.fileName();
#ifdef Q_OS_LINUX
        // The copy loses its name at once and is read through this process's open handle, so
        // that nothing is left behind when the reader is stopped at its limits.
        if (QFile::remove(source))
            source = QStringLiteral("/proc/self/fd/%1").arg(copy.handle());
#endif
    }
    bool read = readWithFreexl(source, how, found.valued, cells, out);
    if (read && !found.scanned) {
        // FreeXL read a file whose records could not be read here: nothing tells whether it
        // read all of the sheet.
        out->error = kDamaged;
        read = false;
    }
    if (!read) {
        cells.close();
        if (passwordXlsx)
            out->error = kPassword;
        return false;
    }
    for (const XlsCellText &t : found.texts)
        cells.setCell(t.row, t.col, t.text);
    out->rowsBeyond += found.rowsBeyond;
    return true;
}

} // namespace quorvane
