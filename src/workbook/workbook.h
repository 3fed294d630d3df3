#pragma once
#include "workbook/celltext.h"

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <functional>

namespace quorvane {

// What a reader gives besides the cells.
struct SheetRead
{
    QString error;     // the Chinese reason when the sheet cannot be read
    QString sheetName;
    int rowsBeyond = 0;
};

// One worksheet of a workbook file, read once into memory as the texts the cells display:
// text as it stands, numbers by numberText, dates (numbers in a date format) as yyyy-mm-dd,
// booleans TRUE/FALSE, errors as their code (#N/A); a formula reads as the result the file
// stores with it, and as empty when the program that wrote the file stored none (formulas are
// not computed here). Rows and columns count from 1.
//
// The reader is chosen by the file's first bytes, not its name: a zip package is read as .xlsx
// (the active sheet, else the first visible worksheet), an OLE compound file as .xls (its active,
// else first visible, worksheet). Both are read by the helper program quorvane-xlsreader,
// isolated in a process of its own with a time and a memory limit, while the calling thread
// waits in an event loop that paints but takes no input. Only regular files are opened.
//
// Every file is untrusted: any file is either read or refused with a Chinese reason in
// errorText() (missing, not a regular file, empty, truncated, not a workbook, damaged, too large or too much work,
// password protected, binary .xlsb). Nothing throws out of open(), not even on exhausted memory,
// and nothing crashes. The work is bounded by what is read (maxRows, maxCols) and by a budget of
// parsed text and kept strings, not by the file's own claims.
class Workbook
{
public:
    enum class Format { None, Xlsx, Xls };

    // Reads the sheet. maxRows > 0 stops reading after that row (later rows are only counted,
    // see rowsBeyondLimit); maxCols > 0 keeps no cell right of that column.
    bool open(const QString &path, int maxRows = 0, int maxCols = 0);
    void close();
    bool isOpen() const { return m_open; }

    QString text(int row, int col) const;       // empty for a blank or missing cell
    QString text(const QString &a1) const;      // by A1 reference, letter case ignored
    int rowCount() const { return m_rows; }     // last row that holds a cell
    int columnCount() const { return m_cols; }  // last column that holds a cell
    // Rows after maxRows that hold a non-empty cell in the columns kept, counted while reading
    // (exact up to about 100,000 rows past the limit; on a longer sheet the rows counted so far).
    int rowsBeyondLimit() const { return m_rowsBeyond; }

    QString errorText() const { return m_error; }
    Format format() const { return m_format; }
    QString sheetName() const { return m_sheetName; }

    // Every kept cell, in no particular order.
    void forEachCell(const std::function<void(int row, int col, const QString &text)> &fn) const;

    // Used by the readers: keeps a non-empty text within the columns kept. The text must be
    // valid UTF-16 (validText): a reader checks each text once where it is made, not once for
    // every cell that shows it.
    void setCell(int row, int col, const QString &text);
    // Room for that many cells, when a reader knows how many come.
    void reserve(qsizetype cells) { m_cells.reserve(std::min<qsizetype>(cells, kMaxCells)); }
    // Whether setCell refused a cell for the limits below (the sheet is then refused).
    bool overLimits() const { return m_tooManyCells; }
    // The most cells a workbook keeps, and the most characters of their texts together (a long
    // text shown by many cells counts for each); a reader giving more is refused.
    static constexpr int kMaxCells = 2000000;
    static constexpr qint64 kMaxChars = 16LL * 1000 * 1000;
    // The largest workbook file read.
    static constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

private:
    static quint64 key(int row, int col) { return (quint64(quint32(row)) << 32) | quint32(col); }
    bool read(const QString &path, int maxRows);

    QHash<quint64, QString> m_cells;
    int m_rows = 0;
    int m_cols = 0;
    int m_maxCols = 0;
    int m_rowsBeyond = 0;
    qint64 m_chars = 0;
    bool m_open = false;
    bool m_tooManyCells = false;
    Format m_format = Format::None;
    QString m_error;
    QString m_sheetName;
};

// Whether a file's first bytes start a zip package (.xlsx) or an OLE compound file (.xls).
bool isXlsxData(const QByteArray &start);
bool isXlsData(const QByteArray &start);

} // namespace quorvane
