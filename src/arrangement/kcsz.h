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

    void form_1();
    void Grid1_Click();
    void jscsadd_Click();
    void jscsmodi_Click();
    void jscsdel_Click();
    void jscssave_Click();
    void exitcom_Click();
    void Text1_KeyPress(int index, int keyAscii);
    void Combo1_KeyPress(int keyAscii);
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
