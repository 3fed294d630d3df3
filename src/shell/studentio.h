#pragma once
#include "shell/codes.h"
#include "shell/excelio.h"
#include "shell/students.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>

namespace quorvane {

// What the student register hands to its import and export.
struct StudentIoContext
{
    QSqlDatabase db;        // the register's cohort database
    QString cohortYear;     // the cohort the register was loaded with (export file name)
    // ProgressBar1.Value := value (1 to 100, starting again at 1); may be empty.
    std::function<void(int value)> progress;
    // Shows (true) or hides (false) the register's Label1 and ProgressBar1; may be empty.
    std::function<void(bool visible)> showProgress;
    // The register's clearing step (clearstu without its own question: delete every student,
    // refresh the list, report "清空完毕!"); returns false when nothing was cleared. When empty,
    // clearStudents runs and "清空完毕!" is reported under "系统提示:".
    std::function<bool()> clearstu;
};

// What an import did (for the caller's refresh and for tests).
struct StudentImportResult
{
    bool finished = false;  // ran to its final message with the rows written
    bool appendMode = false;
    int rowsRead = 0;       // student rows taken from the sheet
    int added = 0;          // append mode: rows added
    int updated = 0;        // update mode: students found and changed
    int skipped = 0;        // append mode: rows whose number was already taken
};

// The student workbook's header texts, columns A to E.
const QStringList &studentHeaders();
// The export's preset file name: the cohort year + "学生信息.xlsx".
QString studentExportName(const QString &cohortYear);

// Update step of the import: the student whose number is `number` (upper-cased, matched as
// itself only) gets the name, the numeric values of class and seat and the stream code; its
// number stays. Returns the rows changed (0: no such student, passed over), -1 on a database error.
int editstu(const QSqlDatabase &db, const QString &number, const QString &name, const QString &cls, const QString &seat,
            const QString &stream);

// Student import from an open dialog's file: reads the sheet through the window's ExcelIo, checks
// the header row, asks whether to clear the register and whether to append (Yes) or update (No),
// then writes rows 2 to 6000 up to the first empty number in one transaction. Append mode skips
// numbers that are already in the register or earlier in the file and says how many.
StudentImportResult stuinputok0(ExcelIo &excel, const QString &fileName, const StudentIoContext &ctx);

// Student export: every student in number order to a new .xlsx workbook of text cells; reports
// success only when the file was written.
bool stuinputok1(const QString &fileName, const StudentIoContext &ctx);

// The register's buttons 导入 and 导出: the dialogs and questions of selectin / selectout around
// the import and the export.
StudentImportResult importStudents(ExcelIo &excel, const StudentIoContext &ctx);
void exportStudents(ExcelIo &excel, const StudentIoContext &ctx);

} // namespace quorvane
