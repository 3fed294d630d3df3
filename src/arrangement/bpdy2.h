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

    void Combo3_Click();
    void VsNetBut1_Click(int index);

    void outnjk();
    void showbj();
    void showkc();
    QString outkcname(const QString &roomId);
    QString outaddress(const QString &roomId);
    void outgrid1();
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

    static QString streamText(const QVariant &code);
    static QString gradeTextOf(const QVariant &grade);

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
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
