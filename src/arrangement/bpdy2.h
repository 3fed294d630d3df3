#pragma once
#include "shell/database.h"
#include "shell/window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <array>

namespace quorvane {

class Grid;

// 考场座位表打印: the seat list of one class (which room and seat each student has) or of one
// exam room (who sits on which seat), for the exam chosen in the arrangement window.
class bpdy2 : public Window
{
    Q_OBJECT
public:
    bpdy2();

    QGroupBox *Frame1 = nullptr;
    std::array<QLabel *, 5> Label1{};  // (0) chooser caption, (1) 考试地点：, (2) address, (3) count, (4) grade
    QComboBox *Combo3 = nullptr;       // class numbers (31) or room ids (32)
    Grid *Grid1 = nullptr;
    std::array<QPushButton *, 2> VsNetBut1{}; // (0) 退出, (1) 打印

    // A class or room chosen in Combo3: its seat list fills the grid (a room also shows its address).
    void Combo3_Click();
    // (0) 退出 closes the chart; (1) 打印 opens the print preview of the list shown.
    void VsNetBut1_Click(int index);

    // Reads the grade name of the exam (m_gradeText).
    void outnjk();
    // Lists the cohort's classes in Combo3.
    void showbj();
    // Lists the exam's rooms in Combo3 and their addresses.
    void showkc();
    // The address of a room in the room register.
    QString outkcname(const QString &roomId);
    // Fills the grid with the class chart of the class chosen in Combo3.
    void outgrid1();
    // Fills the grid with the room chart of the room chosen in Combo3.
    void outgrid2();
    // Widens each column to its heading and its longest cell, so no number or address is cut off.
    void fitColumns();

    // What the window was loaded with: the exam, the chart kind (31 classes, 32 rooms) and the
    // cohort. The print layouts read these.
    QString examId() const { return m_examId; }
    qint16 reportCode() const { return m_reportCode; }
    bool isClassChart() const { return m_reportCode == 31; }
    QString cohortYear() const { return m_cohortYear; }
    QString gradeText() const { return m_gradeText; }
    QStringList roomAddresses() const { return m_addresses; }
    // The exam's name as the arrangement window's chooser shows it.
    QString examName() const { return m_examName; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    // Puts the rows of a seat list into the grid below its heading and counts them.
    void showRows(const QList<QStringList> &rows);

    WindowDatabases m_db{QStringLiteral("bpdy2")};
    QString m_examId;
    qint16 m_reportCode = 32;
    QString m_cohortYear;
    QString m_cohortDbFile;
    QString m_gradeText;
    QString m_examName;
    QStringList m_addresses;
};

} // namespace quorvane
