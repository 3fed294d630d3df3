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
    void Combo2_Click();
    void Combo1_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Text1_Change();
    void Text1_GotFocus();
    void Text1_KeyUp(int keyCode, int shift);
    void Grid1_GotFocus();
    void Grid1_Click();
    void Grid1_EnterCell();
    void command3_Click();
    void VsNetBut1_Click();
    void VsNetBut2_Click();
    void VsNetBut3_Click();
    void VsNetBut4_Click();
    void exitcom_Click();

    // Procedures.
    void form_1();
    void showbj();
    void showkc();
    void showgrid1();
    void showgrid2();
    void checkno();
    void clearpoint();

    // The workbook procedures of this window.
    void selectin();
    void selectout();
    void outgrid1(const QString &fileName);
    void stuinputok0(const QString &fileName);
    void findgrid(const QString &a, const QString &b, const QString &c);

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
    // The entry box's limit on typed characters.
    EntryLengthLimit *m_entryLimit = nullptr;
    // The window's workbook reference for imports.
    ExcelIo m_excel{scoreExcelTexts()};
};

} // namespace quorvane
