#pragma once
#include "controls/grid/grid.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <array>

namespace quorvane {

// The exam register of a cohort: its exams with name, room count and basis exam, and below them
// the room list of the chosen exam.
class kcbp : public Window
{
    Q_OBJECT
public:
    kcbp();

    std::array<Grid *, 3> Grid1{};           // 0 exams, 1 rooms of the exam, 2 other rooms
    std::array<QLabel *, 3> Label1{};
    std::array<QLineEdit *, 2> Text1{};      // 0 exam name, 1 room count
    QComboBox *Combo1 = nullptr;             // basis exam
    QPushButton *jscsadd = nullptr;
    QPushButton *jscsmodi = nullptr;
    QPushButton *jscsdel = nullptr;
    QPushButton *jscssave = nullptr;
    std::array<QPushButton *, 5> VsNetBtout{}; // only 4 (退出) exists
    std::array<QGroupBox *, 3> Frame1{};
    std::array<QPushButton *, 2> VsNetBut1{}; // 0 添加, 1 移除

    // Fills the exam list with the cohort's exams, newest first.
    void form_1();
    // The name of the exam with that id (the basis column), empty when there is none.
    QString bpidout(const QString &id) const;
    // Offers as basis every exam listed below that row (older exams), none chosen.
    void bpnameid(int row);
    // Selects the chooser item of the exam with that id, or none.
    void bpidsele(const QString &id);
    // A row clicked: in the exam list (0) the exam goes into the editor and its room lists are
    // shown; in a room list (1, 2) the room's tick is set or taken away.
    void Grid1_Click(int index);
    // 新增: a new exam with the default name for today, offering every exam as basis.
    void jscsadd_Click();
    // 修改: enables 保存 and puts the focus into the name box.
    void jscsmodi_Click();
    // 删除: after a question, deletes the chosen exam with its score rows.
    void jscsdel_Click();
    // 保存: checks name and room count and writes the new or chosen exam.
    void jscssave_Click();
    // A text box that gains the focus puts its caret at the end.
    void Text1_GotFocus(int index);
    // Enter in the name box moves to the room count, Enter there to the basis.
    void Text1_KeyPress(int index, int keyAscii);
    // Enter in the basis enables 修改 and 保存 and moves the focus to 修改.
    void Combo1_KeyPress(int keyAscii);
    // 退出 (index 4): closes the window.
    void VsNetBtout_Click(int index);

    // The room lists of the chosen exam.
    struct RoomDescription
    {
        QString address;
        QString capacity;
        QString typeText;
    };
    // Lists the chosen exam's rooms, at most roomCount of them, with their descriptions.
    void listgrid11(const QString &roomCount);
    // Location, seats and kind of a room; all empty when the register no longer knows it.
    RoomDescription listgrid11b(const QString &roomId) const;
    // Lists the other rooms of the register, by kind, to be added to the exam.
    void listgrid12();
    // 添加: adds the ticked rooms of the other rooms to the exam's list.
    void save1();
    // Adds the rooms after the stored ones, up to the exam's saved room count (given back in
    // roomCount); added tells how many of them are in the list afterwards.
    bool save1b(const QStringList &ids, int *added, int *roomCount = nullptr);
    // 移除: takes the ticked rooms out of the exam's list.
    void del1();
    // Stores kept as the exam's room list; false when it cannot be written or the exam is gone.
    bool save2b(const QStringList &kept);
    // The room-list buttons: 添加 (0) or 移除 (1).
    void VsNetBut1_Click(int index);

    // The exam the editor and the room lists act on: an exam's id, "aa" while a new exam is being
    // entered, empty before any exam was chosen.
    QString currentExamId() const { return m_currentId; }
    QStringList basisIds() const { return m_basisIds; }
    // The cohort the window was loaded with.
    QString cohortYear() const { return m_year; }
    QString cohortDbFile() const { return m_dbFile; }
    QSqlDatabase systemDatabase() const { return m_dbs.system; }
    QSqlDatabase cohortDatabase() const { return m_dbs.cohort; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    void resetRoomGrid(Grid *grid, int rows);
    // What the room-list buttons need before they can write: a saved exam that still exists.
    bool roomListTarget(const QString &action);
    // Shows the current exam again: its row in the exam list, its fields and its room lists.
    void showCurrentExam();

    WindowDatabases m_dbs{QStringLiteral("kcbp")};
    QString m_year;
    QString m_dbFile;
    QString m_currentId;
    QStringList m_basisIds;
    QStringList m_rowBpid; // the stored basis id of each exam row (index = grid row)
};

} // namespace quorvane
