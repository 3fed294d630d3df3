#pragma once
#include "shell/database.h"
#include "shell/subjects.h"
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QVariant>
#include <array>

namespace quorvane {

class Grid;

// 各科考试信息: the exam time, full marks, who sits it and the entry and total flags of each of the
// twelve subjects of one exam.
class gkksxx : public Window
{
    Q_OBJECT
public:
    gkksxx();

    QComboBox *Combo2 = nullptr;                 // exam chooser
    Grid *Grid1 = nullptr;                       // one row per subject
    std::array<QLineEdit *, 5> Text1{};          // name, time, objective, subjective, full mark
    QComboBox *Combo1 = nullptr;                 // 不限 / 文科 / 理科
    std::array<QRadioButton *, 10> Option1{};
    std::array<QWidget *, 5> Picture1{};         // the frames of the option pairs
    QPushButton *jscssave = nullptr;
    std::array<QPushButton *, 5> VsNetBtout{};   // (4) 退出

    // An exam chosen in Combo2: its subjects' settings fill the grid.
    void Combo2_Click();
    // Fills the grid with the settings of the exam's twelve subjects (the chosen row stays).
    void form_1(const QString &examId);
    // A subject row clicked: its settings come into the editor fields and options.
    void Grid1_Click();
    // 保存: checks the editor and writes it into the chosen subject of the chosen exam.
    void jscssave_Click();
    // 退出 closes the window.
    void VsNetBtout_Click(int index);
    // A key typed into an editor field: Enter moves to the next field; typing a full mark ticks 参考 是.
    void Text1_KeyPress(int index, int keyAscii);
    // Enter in 测评对象 moves on to the objective mark.
    void Combo1_KeyPress(int keyAscii);
    // An editor field gaining the focus puts the caret after its text.
    void Text1_GotFocus(int index);

    QStringList examIds() const { return m_examIds; }
    QString cohortYear() const { return m_cohortYear; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    WindowDatabases m_db{QStringLiteral("gkksxx")};
    QString m_cohortYear;
    QStringList m_examIds;
    QString m_shownExamId;
    bool m_subjectClicked = false; // a subject row has been clicked since the window loaded
    bool m_whoTyped = false;       // text was typed into Combo1 since an entry was last chosen
};

} // namespace quorvane
