#pragma once
#include "reports/reportframe.h"

#include <array>

namespace quorvane {

class Grid;

// 各科成绩对照: for every subject of one exam, a row per class and one for the whole grade with the
// number who sat it, the average, lowest and highest score, the standard deviation and the 优良 and
// 及格 rates.
class gkdz : public ReportWindow
{
    Q_OBJECT
public:
    gkdz();

    Grid *Grid2 = nullptr;                       // work grid behind Grid1; never shown or printed
    std::array<qint16, 13> kmfs{};               // whole-number full mark at each subject position

    // Another exam was chosen: its subjects, full marks, grade and the cohort's classes are read; the
    // grids keep the last figures until the next query.
    void Combo1_Click() override;
    // Reads the chosen exam's subjects, full marks and grade.
    void form_1();
    // Computes every statistic into Grid2.
    void showgrid2();
    // Copies the filled rows of Grid2 into Grid1 with the subject names.
    void showgrid1();

protected:
    void createWindowControls(QWidget *root, QVBoxLayout *frameLayout, QHBoxLayout *chooserRow,
                              QHBoxLayout *body) override;
    QString designHeading() const override;
    void Form_Load() override;
    void Query() override;
    // Print tests the work grid: any finished query of an exam with subjects prints, even one that
    // lists no row (the work grid then holds the subjects' empty blocks).
    const Grid *printedGrid() const override { return Grid2; }

private:
    QString m_examId;        // the exam the running query reads
};

} // namespace quorvane
