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

    void form_1();
    QString bpidout(const QString &id) const;
    void bpnameid(int row);
    // Selects the chooser item of the exam with that id, or none.
    void bpidsele(const QString &id);
    void Grid1_Click(int index);
    void jscsadd_Click();
    void jscsmodi_Click();
    void jscsdel_Click();
    void jscssave_Click();
    void Text1_GotFocus(int index);
    void Text1_KeyPress(int index, int keyAscii);
    void Combo1_KeyPress(int keyAscii);
    void VsNetBtout_Click(int index);

    // The room lists of the chosen exam.
    struct RoomDescription
    {
        QString address;
        QString capacity;
        QString typeText;
    };
    void listgrid11(const QString &roomCount);
    RoomDescription listgrid11b(const QString &roomId) const;
    void listgrid12();
    void save1();
    // Adds the rooms after the stored ones, up to the exam's saved room count (given back in
    // roomCount); added tells how many of them are in the list afterwards.
    bool save1b(const QStringList &ids, int *added, int *roomCount = nullptr);
    void del1();
    bool save2b(const QStringList &kept);
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
