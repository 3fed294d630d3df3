#pragma once
#include "shell/database.h"
#include "shell/excelio.h"
#include "shell/students.h"
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <array>

namespace quorvane {

class Grid;
class XP_ProgressBar;
struct StudentIoContext;

// The student register of one cohort: lists, edits, deletes, clears, prints, imports and exports
// the cohort's students, and keeps the names and numbers in the exam rows up to date.
class managst : public Window
{
    Q_OBJECT
public:
    managst();

    std::array<QLineEdit *, 4> Txtfields{};
    std::array<QLabel *, 4> FieldLabels{};
    QComboBox *Combo4 = nullptr;
    Grid *Grid1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QToolBar *Toolbar2 = nullptr;
    QToolButton *Toolbar2Find = nullptr;
    QToolBar *Toolbar1 = nullptr;
    QPushButton *comadd = nullptr;
    QPushButton *commodi = nullptr;
    QPushButton *comsave = nullptr;
    QPushButton *comdele = nullptr;
    QPushButton *VsNetBut1 = nullptr;
    QPushButton *comminput = nullptr;
    QPushButton *VsNetBut2 = nullptr;
    QPushButton *exitcom = nullptr;
    XP_ProgressBar *ProgressBar1 = nullptr;

    // Lists the students of the current search (m_findkind) in the grid; the editor buttons go off.
    void form_1();
    // A 查询 menu item (key: findall, findid, findname, findg1, wlqxm): sets the search and lists.
    void Toolbar2_ButtonMenuClick(const QString &key);
    // 打印预览: shows the list in the print preview (report 4); refused when the list is empty.
    void Toolbar1_ButtonClick();
    // A row of the list: puts that student into the editor for 修改 or 删除.
    void Grid1_Click();
    // An editor field gains the focus: the caret goes to its end.
    void Txtfields_GotFocus(int index);
    // A key typed in an editor field: enables 保存; Enter checks the field and moves on.
    void Txtfields_KeyPress(int index, int keyAscii);
    // Up and Down in an editor field move between the fields; Down in the last leads to 保存.
    void Txtfields_KeyUp(int index, int keyCode, int shift);
    // Enter in the stream box leads to 保存 (a new student when 保存 was off).
    void Combo4_KeyPress(int keyAscii);
    // 新增: empties the editor for a new student, keeping the number's start.
    void comadd_Click();
    // 修改: the student in the editor is to be changed.
    void commodi_Click();
    // 保存: checks the editor and saves it as a new student or as the clicked one changed.
    void comsave_Click();
    // 删除: deletes the clicked student (the exam rows stay).
    void comdele_Click();
    // 清空: asks, then deletes every student.
    void VsNetBut1_Click();
    // Deletes every student, refreshes the list and reports; false when nothing could be deleted.
    bool clearstu();
    // 导入: imports students from a workbook.
    void comminput_Click();
    // 导出: exports the students to a workbook.
    void VsNetBut2_Click();
    // 返回: closes the register.
    void exitcom_Click();

    // True (refused, and said so) when newNumber belongs to a student while the clicked student
    // still exists.
    bool checkstid(const QString &newNumber);

    qint16 editmode() const { return m_editmode; }
    QString selstid() const { return m_selstid; }
    QString findkind() const { return m_findkind; }
    // The cohort the window was loaded with (its year heads the student list when it is printed).
    QString cohortYear() const { return m_year; }
    QString cohortDbFile() const { return m_dbFile; }
    QSqlDatabase database() const { return m_dbs.cohort; }
    // The window's workbook reference (empty outside an import).
    ExcelIo &excel() { return m_excel; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    // The editor's values as saved under number (already cleaned and upper-cased).
    StudentValues rowValues(const QString &number) const;
    // Saves the editor as a new student, or over the student who has number after a question.
    void saveAdd(const QString &number);
    // Saves the editor over the clicked student, who is to have number from now on.
    void saveChange(const QString &number);
    void showBusy(bool on);
    // Puts a text into editor field `field` (0 to 3) without cutting it to the field's typing limit.
    void setField(int field, const QString &text);
    // What the student import and export get from this window.
    StudentIoContext ioContext();

    WindowDatabases m_dbs{QStringLiteral("managst")};
    qint16 m_editmode = 0;
    QString m_selstid;
    QString m_findkind;
    QString m_year;
    QString m_dbFile;
    ExcelIo m_excel{studentExcelTexts()};
};

} // namespace quorvane
