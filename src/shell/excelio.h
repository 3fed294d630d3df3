#pragma once
#include "shell/services.h"
#include "shell/workbook.h"

#include <QString>
#include <functional>

namespace quorvane {

// What tells one window's workbook procedures from another's: the titles of its file dialogs.
struct ExcelTexts
{
    QString importTitle;   // open dialog of selectin
    QString exportTitle;   // save dialog of selectout
};

// The student register's texts ("学生信息导入", "学生信息导出").
ExcelTexts studentExcelTexts();
// The score-entry window's texts ("成绩导入", "成绩导出").
ExcelTexts scoreExcelTexts();

// One window's workbook procedures. The window keeps one ExcelIo as its workbook reference:
// el_openexcel reads the chosen workbook's sheet into it, el_selsectx / ActiveCellText read a cell
// as the text the cell displays, el_closeexcel empties it. selectin and selectout run the file
// dialog and the confirmation and then the window's reader or writer.
//
//   ExcelIo excel{studentExcelTexts()};
//   excel.selectin([&](const QString &file) { stuinputok0(excel, file, ctx); });
//   excel.selectout(year + "学生信息.xlsx", [&](const QString &file) { stuinputok1(file, ctx); });
class ExcelIo
{
public:
    explicit ExcelIo(ExcelTexts texts);

    // Opens the workbook (rows 1 to maxRows and columns 1 to maxCols of its active sheet: what the
    // caller reads, so that nothing else costs work). A file that cannot be read is reported under
    // "系统提示：" with the reason, and false is returned: the caller ends at once.
    bool el_openexcel(const QString &fileName, int maxRows = 6000, int maxCols = 256);
    // Forgets the open workbook; does nothing when none is open.
    void el_closeexcel();
    bool isOpen() const { return m_book.isOpen(); }
    // Rows after the read limit (maxRows) that hold a non-empty cell in the columns read: rows the
    // import never sees.
    int rowsBeyondLimit() const { return m_book.rowsBeyondLimit(); }
    // Makes the cell of an A1 reference ("a1", "e12") the active cell.
    void el_selsectx(const QString &ref);
    // The active cell's displayed text (empty when no workbook is open).
    QString ActiveCellText() const;

    // The open dialog (this window's import title, the program's folder, .xls and .xlsx files),
    // starting with the name the window's dialog last held (an earlier import's file or an
    // export's name); a name containing "xls" is confirmed with "导入的文件是：" + name + "吗?"
    // and, on Yes, the reader runs under the hourglass pointer; the workbook is closed afterwards
    // in every case.
    void selectin(const std::function<void(const QString &)> &reader);
    // The save dialog with the preset name; a name ending in .xls is given the .xlsx ending of the
    // file that is really written; confirmed with "导出的文件是：" + name + "吗?"; then the writer.
    void selectout(const QString &presetName, const std::function<void(const QString &)> &writer);

    const Workbook &workbook() const { return m_book; }
    const ExcelTexts &texts() const { return m_texts; }

    static QString importFilter();  // "格式(.xls) (*.xls *.xlsx)"
    static QString exportFilter();  // "格式(.xlsx) (*.xlsx)"

    // Back to the normal pointer inside a reader or writer, before its final message; does
    // nothing when no workbook operation set the hourglass.
    static void normalPointer();

private:
    FileDialogRequest dialogRequest(bool save, const QString &title, const QString &filter) const;

    ExcelTexts m_texts;
    Workbook m_book;
    int m_activeRow = 1;
    int m_activeCol = 1;
    QString m_dialogName; // the name the window's file dialog holds
};

} // namespace quorvane
