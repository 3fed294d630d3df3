#pragma once
#include "reports/reportframe.h"
#include "reports/subjectbook.h"

namespace quorvane {

// 单科成绩册: the scores of one subject of an exam for one class, the whole grade or one stream,
// two students to a grid row, with the selection's average, highest, lowest, head counts and the
// number of scores in each band of ten points.
class dkcj : public ReportWindow
{
    Q_OBJECT
public:
    dkcj();

    QComboBox *Combo2 = nullptr;               // subjects of the chosen exam
    QComboBox *Combo3 = nullptr;               // class numbers, then "年级", "文科", "理科"
    std::array<QLabel *, 16> Label2{};         // statistic i of the last query
    std::array<QLabel *, 16> Label3{};         // band captions, elements 7..15 (0..6 are nullptr)

    std::array<int, 13> kmfs{};                // whole-number full mark of each Combo2 position

    // Whether the statistic row (band rows 7..15) is shown; read this rather than isVisible(), which
    // is false while the window is hidden for printing.
    bool bandVisible(int row) const;
    // The statistics of the last query (tj).
    const std::array<double, 16> &tj() const { return m_tj; }

    // Another exam was chosen: the list empties and the exam's subjects are listed in Combo2.
    void Combo1_Click() override;
    // A subject was chosen: the list empties, the classes are listed anew and the band rows up to
    // the subject's full mark are shown.
    void Combo2_Click();
    // Another class (or the grade or a stream) was chosen: the list empties.
    void Combo3_Click();
    // Lists the chosen exam's subjects in Combo2 and fills kmno and kmfs.
    void form_1();
    // Runs the query for the chosen subject and selection into Grid1 and Label2.
    void showgrid();

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    void Query() override;
    QComboBox *classChooser() const override { return Combo3; }

private:
    // The full mark of the chosen subject; 0 when none is chosen.
    int chosenFullMark() const;

    std::array<double, 16> m_tj{};
};

} // namespace quorvane
