#pragma once
#include <QString>

#include <memory>

namespace quorvane {

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
