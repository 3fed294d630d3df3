#pragma once
#include "shell/database.h"
#include "shell/excelio.h"
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

    void form_1();
    void Toolbar2_ButtonMenuClick(const QString &key);
    void Toolbar1_ButtonClick();
    void Grid1_Click();
    void Txtfields_GotFocus(int index);
    void Txtfields_KeyPress(int index, int keyAscii);
    void Txtfields_KeyUp(int index, int keyCode, int shift);
    void Combo4_KeyPress(int keyAscii);
    void comadd_Click();
    void commodi_Click();
    void comsave_Click();
    void comdele_Click();
    void VsNetBut1_Click();
    // Deletes every student, refreshes the list and reports; false when nothing could be deleted.
    bool clearstu();
    void comminput_Click();
    void VsNetBut2_Click();
    void exitcom_Click();

    // True (refused) when n belongs to another student while the edited student still exists.
    bool checkstid(const QString &n);
    bool updateok(const QString &n);
    bool updateok2(const QString &s, const QString &n);

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
    // The values of the editor as a stinfo row: number, name, class, seat, stream.
    QVariantList rowValues(const QString &n) const;
    void saveAdd(const QString &n);
    void saveChange(const QString &n);
    void showBusy(bool on);
    // Puts a text into editor field i without cutting it to the field's typing limit.
    void setField(int i, const QString &text);
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
