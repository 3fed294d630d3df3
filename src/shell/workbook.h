#pragma once
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace quorvane {

// The text a number cell shows: plain decimal, at most 15 significant digits, no trailing zeros
// and no exponent (2023007 -> "2023007", 85.5 -> "85.5", 2.4000000000000004 -> "2.4", -0 -> "0").
QString numberText(double value);

// A spreadsheet date serial as text: "yyyy-mm-dd", with " hh:mm:ss" when withTime, or only
// "hh:mm:ss" when timeOnly. date1904 selects the 1904 date system; serial 60 of the 1900 system is
// the non-existent 1900-02-29 that spreadsheets show for it.
QString serialDateText(double serial, bool date1904, bool withTime = false, bool timeOnly = false);

// Column letters and row of an A1 reference ("a1", "E12", "$B$3"); false when it is not one.
bool parseCellRef(const QString &ref, int *row, int *col);

// One worksheet of a workbook file, read once into memory as the texts the cells display:
// text as it stands, numbers by numberText, dates (numbers in a date format) as yyyy-mm-dd,
// booleans TRUE/FALSE, errors as their code (#N/A); a formula reads as the result the file
// stores with it, and as empty when the program that wrote the file stored none (formulas are
// not computed here). Rows and columns count from 1.
//
// The reader is chosen by the file's first bytes, not its name: a zip package is read as .xlsx
// (the active sheet, else the first visible worksheet), an OLE compound file as .xls (its first
// worksheet). A file that cannot be read (missing, empty, truncated, not a workbook, damaged XML,
// no worksheet, password protected, binary .xlsb) gives false and a Chinese reason in errorText(); nothing
// throws and nothing crashes.
class Workbook
{
public:
    enum class Format { None, Xlsx, Xls };

    // Reads the sheet. maxRows > 0 stops reading after that row (later rows are never looked at);
    // maxCols > 0 keeps no cell right of that column (a sheet of very many columns costs no memory).
    bool open(const QString &path, int maxRows = 0, int maxCols = 0);
    void close();
    bool isOpen() const { return m_open; }

    QString text(int row, int col) const;       // empty for a blank or missing cell
    QString text(const QString &a1) const;      // by A1 reference, letter case ignored
    int rowCount() const { return m_rows; }     // last row that holds a cell
    int columnCount() const { return m_cols; }  // last column that holds a cell

    QString errorText() const { return m_error; }
    Format format() const { return m_format; }
    QString sheetName() const { return m_sheetName; }

    // Used by the readers.
    void setCell(int row, int col, const QString &text);

private:
    static quint64 key(int row, int col) { return (quint64(quint32(row)) << 32) | quint32(col); }

    QHash<quint64, QString> m_cells;
    int m_rows = 0;
    int m_cols = 0;
    int m_maxCols = 0;
    bool m_open = false;
    Format m_format = Format::None;
    QString m_error;
    QString m_sheetName;

    friend class WorkbookReaders;
};

// A new .xlsx workbook with one sheet, written cell by cell. Nothing reaches the disk until
// close(), whose result must be checked: a file that cannot be written (no such folder, no
// permission, held open by another program) makes close() false with a Chinese reason.
class WorkbookWriter
{
public:
    WorkbookWriter();
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    // Starts the workbook; every cell of the sheet is formatted as text ("@") in the given font size.
    bool create(const QString &path, double fontSize = 10, const QString &sheetName = QString());
    // Writes a text cell (rows and columns from 1); an empty text leaves the cell blank.
    bool writeText(int row, int col, const QString &text);
    bool close();
    QString errorText() const { return m_error; }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_error;
};

} // namespace quorvane
