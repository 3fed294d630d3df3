#pragma once
#include "reports/reportframe.h"

#include <QLineEdit>
#include <QRadioButton>

#include <array>

namespace quorvane {

// 成绩分段统计: for one exam and one subject or total, a row per class and one for the whole grade
// with the count, average, lowest and highest score (for a subject also the standard deviation and
// the 优良 and 及格 rates) and the number of scores below a lower bound, in each band and above.
class fdtj : public ReportWindow
{
    Q_OBJECT
public:
    fdtj();

    QComboBox *Combo2 = nullptr;                 // 统计项目: the exam's subjects, then 总分1, 总分2
    QLineEdit *Text1 = nullptr;                  // 统计下限
    QLineEdit *Text2 = nullptr;                  // 统计上限
    QLineEdit *Text3 = nullptr;                  // 统计组距
    std::array<QRadioButton *, 3> Option1{};     // 0 文科, 1 理科, 2 不限

    std::array<qint16, 13> kmfs{};               // whole-number full mark at each subject position

    // Another exam was chosen: the table empties and the exam's items are listed in Combo2.
    void Combo1_Click() override;
    // An item was chosen: the table empties and the bounds and band width take the item's defaults.
    void Combo2_Click();
    // Reads the chosen exam's subjects, full marks and grade, and lists its items in Combo2.
    void form_1();

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    QString designHeading() const override;
    void Form_Load() override;
    void Query() override;

private:
    // Builds the table for the subject at Combo2's position (subject), or for 总分1 or 总分2.
    void build(bool subject, int position, bool secondTotal);
};

} // namespace quorvane
