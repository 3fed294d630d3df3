#pragma once
#include "scores/scoresheet.h"
#include "shell/database.h"
#include "shell/excelio.h"
#include "shell/window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace quorvane {

class Grid;
class XP_ProgressBar;
class EntryLengthLimit;

// The score-entry window: the scores of one item of one subject of an exam are typed in for one
// class or one exam room, checked, saved, cleared, printed as an entry sheet, and exchanged with
// a workbook.
class cjintool : public Window
{
    Q_OBJECT
public:
    cjintool();

    // Controls (names as the other windows and the print layout read them).
    QComboBox *Combo1 = nullptr;   // subject
    QComboBox *Combo2 = nullptr;   // exam
    QComboBox *Combo3 = nullptr;   // class or exam room
    QComboBox *Combo4 = nullptr;   // score item
    std::array<QLabel *, 9> Label1{};
    std::array<QLabel *, 10> Label3{};
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr;
    Grid *Grid1 = nullptr;
    QPushButton *command3 = nullptr;
    QPushButton *VsNetBut1 = nullptr;
    QPushButton *VsNetBut2 = nullptr;
    QPushButton *VsNetBut3 = nullptr;
    QPushButton *VsNetBut4 = nullptr;
    QPushButton *exitcom = nullptr;
    XP_ProgressBar *XP_ProgressBar1 = nullptr;

    // Event handlers.
    void Combo2_Click();        // exam chosen: lists the exam's subjects (form_1)
    void Combo1_Click();        // subject chosen: lists its score items and its classes or rooms, empties the grid
    void Combo3_Click();        // class or room chosen: lists the sheet again when an item is chosen
    void Combo4_Click();        // item chosen: shows its full mark and lists the sheet
    void Text1_Change();        // the entry box's text goes into the current row's score cell
    void Text1_GotFocus();      // puts the caret after the box's text
    void Text1_KeyUp(int keyCode, int shift);   // Enter/Down or Up: checks the score and walks a row
    void Grid1_GotFocus();      // moves the current row as the last key asked and shows its cell in the box
    void Grid1_Click();         // a click on a row: the next walk stays on that row
    void Grid1_EnterCell();     // sends the focus back to the entry box
    void command3_Click();      // 确定保存: checks every score cell, asks, and saves the listed sheet
    void VsNetBut1_Click();     // 分数清零: empties every score cell of the grid (nothing is saved)
    void VsNetBut2_Click();     // 成绩打印: opens the print preview of the listed sheet (at most 71 rows)
    void VsNetBut3_Click();     // 分数导入: reads scores from a workbook into the grid
    void VsNetBut4_Click();     // 分数导出: writes the grid to a new workbook
    void exitcom_Click();       // 关闭退出: closes the window

    // Procedures.
    void form_1();              // fills the subject chooser from the chosen exam's settings
    void showbj();              // fills the place chooser with the cohort's classes
    void showkc();              // fills the place chooser with the chosen exam's rooms
    void showgrid1();           // lists the chosen class's sheet
    void showgrid2();           // lists the chosen room's sheet
    void checkno();             // checks the typed score; a refusal keeps the row
    void clearpoint();          // removes the row marker from every row but the current one

    // The workbook procedures of this window.
    void selectin();            // asks for a workbook and imports it (stuinputok0)
    void selectout();           // asks for a file name and exports the grid (outgrid1)
    void outgrid1(const QString &fileName);
    void stuinputok0(const QString &fileName);
    // Places one imported sheet row: columnA, columnB and columnC are its cleaned cells. A class
    // sheet holds name, seat number and score; a room sheet seat number and score (columnC unused).
    void findgrid(const QString &columnA, const QString &columnB, const QString &columnC);

    // The cohort the window was loaded with (read by the print layout for its titles).
    QString cohortYear() const { return m_year; }
    QString cohortDbFile() const { return m_dbFile; }
    // The chosen exam's id (empty when none is chosen).
    QString chosenExamId() const;
    // What the grid lists (exam, subject, item, class or room); invalid before a grid is loaded.
    const scoresheet::SheetContext &gridContext() const { return m_gridContext; }
    // The student of each grid row (index r - 1 for grid row r).
    const std::vector<scoresheet::SheetRow> &gridStudents() const { return m_students; }
    const sysdb::ExamSettings &settings() const { return m_settings; }
    int curkm() const { return m_curkm; }
    int movedir() const { return m_movedir; }
    bool isSaving() const { return m_saving; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;
    // A save in progress keeps the window (and its connection) open.
    bool QueryUnload() override { return !m_saving; }

private:
    bool classModeShown() const;
    int scoreCol() const;
    int markerCol() const;
    void showgrid(bool classMode);
    // The two ways findgrid places a row: by seat and name on a class sheet, by seat on a room sheet.
    void placeByStudent(const scoresheet::SeatIndex &index, const QString &name, const QString &seat, const QString &score);
    void placeBySeat(const scoresheet::SeatIndex &index, const QString &seat, const QString &score);
    // The listed rows by the seat number (and name) cells of the grid.
    scoresheet::SeatIndex seatIndex() const;
    void markRow(int row);
    // Shows the current row's score cell in the entry box after the window rewrote the cells.
    void showCurrentCell();
    void setChoosersEnabled(bool enabled);
    // 保存 and the entry box work on a listed sheet only (保存 not for a locked subject).
    void enableEntry();
    // Widens the name column to the longest name listed; the heading's width is the least.
    void fitNameColumn();

    WindowDatabases m_dbs{QStringLiteral("cjintool")};
    QString m_year;
    QString m_dbFile;
    QStringList m_examIds;
    sysdb::ExamSettings m_settings;
    int m_curkm = 0;
    int m_movedir = 2;
    // The sheet the grid was filled for and the students of its rows.
    scoresheet::SheetContext m_gridContext;
    std::vector<scoresheet::SheetRow> m_students;
    bool m_saving = false;
    // Sheet rows of the running import not placed because their name differs from the student's
    // on that seat.
    int m_nameMismatches = 0;
    // The listed rows by seat number while an import runs (its seat and name cells do not change
    // meanwhile); empty otherwise.
    std::optional<scoresheet::SeatIndex> m_seatIndex;
    // The entry box's limit on typed characters.
    EntryLengthLimit *m_entryLimit = nullptr;
    // The window's workbook reference for imports.
    ExcelIo m_excel{scoreExcelTexts()};
};

} // namespace quorvane
