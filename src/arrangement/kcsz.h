#pragma once
#include "controls/grid/grid.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

namespace quorvane {

// The room register: the school's exam rooms with their id, location, seats and kind.
class kcsz : public Window
{
    Q_OBJECT
public:
    kcsz();

    std::array<QLabel *, 4> Label1{};
    std::array<QLineEdit *, 3> Text1{};  // 0 room id, 1 location, 2 seats
    QComboBox *Combo1 = nullptr;         // room kind
    Grid *Grid1 = nullptr;
    QPushButton *jscsadd = nullptr;
    QPushButton *jscsmodi = nullptr;
    QPushButton *jscsdel = nullptr;
    QPushButton *jscssave = nullptr;
    QPushButton *exitcom = nullptr;

    // Fills the grid with every room of the register, by id, and notes the last id.
    void form_1();
    // A room row clicked: its values go into the editor; 修改 and 删除 are enabled.
    void Grid1_Click();
    // 新增: proposes the id after the last one, empties the other fields and enables 保存.
    void jscsadd_Click();
    // 修改: enables 保存 and puts the focus into the id box.
    void jscsmodi_Click();
    // 删除: after a question, deletes the room whose id the id box holds.
    void jscsdel_Click();
    // 保存: checks the editor's fields and writes the room under its stored id.
    void jscssave_Click();
    // 返回退出: closes the window.
    void exitcom_Click();
    // Enter in a text box moves on to the next box, from the seats box to the kind.
    void Text1_KeyPress(int index, int keyAscii);
    // Enter in the kind box enables 修改 and 保存 and moves the focus to 修改.
    void Combo1_KeyPress(int keyAscii);
    // A text box that gains the focus puts its caret at the end.
    void Text1_GotFocus(int index);

    // The id of the last room the grid showed (what 新增 counts on from).
    QString lastRoomId() const { return m_lastId; }
    QSqlDatabase systemDatabase() const { return m_dbs.system; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    bool typeChosen() const;

    WindowDatabases m_dbs{QStringLiteral("kcsz")};
    QString m_lastId;
};

} // namespace quorvane
