#pragma once
// The layouts of the six score reports. Each report has a routine that the preview's report table
// calls (print_dkcj … print_cjbq); it reads the asking window's controls through that window's
// program-wide instance and hands them to a widget-free core (namespace reportlayouts), which draws
// the report on the preview's print control. The cores read the grid cells as they draw them, so
// no copy of the report is kept; tests drive them with grids of their own.
#include <QString>
#include <QtGlobal>
#include <array>

namespace quorvane {

class Grid;
class LumoPrinter;
class printsform;

void print_dkcj(printsform &form, int &dest);     // 33  single-subject score sheet
void print_gkcj(printsform &form, int &dest);     // 34  all-subject score book
void print_average(printsform &form, int &dest);  // 35  average score book
void print_gkdz(printsform &form, int &dest);     // 36  subject comparison
void print_fdtj(printsform &form, int &dest);     // 37  score-band statistics
void print_cjbq(printsform &form, int &dest);     // 38  score labels

namespace reportlayouts {

// The text of a grid cell; empty for a missing grid or a cell outside it.
QString cellText(const Grid *grid, int row, int col);

// The exam chosen in a report window (its Combo1) and the window's grid (Grid1) for a layout's
// input; an empty input when the window is not loaded.
template <class Input, class ReportWindow>
Input examAndGrid(ReportWindow *window)
{
    Input in;
    if (window && window->isLoaded()) {
        in.exam = window->Combo1->currentText();
        in.grid = window->Grid1;
    }
    return in;
}

// Score labels (38): the exam chooser's text and the label grid.
struct LabelsInput
{
    QString exam;
    const Grid *grid = nullptr;
};
void layLabels(printsform &form, int &dest, const LabelsInput &in);
// Labels on a page: ten, or as many as fit on the printable height when ten labels with this many
// score cells would run off the paper.
int labelsPerPage(int scoreColumns, double printableHeightMm);

// Single-subject score sheet (33).
struct SubjectSheetInput
{
    QString exam;            // dkcj.Combo1
    QString subject;         // dkcj.Combo2
    QString classChoice;     // dkcj.Combo3
    QString cohortYear;      // the cohort the window was loaded with
    QString date;            // the day of printing, yyyy-mm-dd
    std::array<QString, 16> stats;        // dkcj.Label2 captions
    std::array<bool, 16> statShown{};     // dkcj.Label2 not hidden (elements 7 to 15 matter)
    std::array<QString, 16> bandCaptions; // dkcj.Label3 captions (elements 7 to 15)
    const Grid *grid = nullptr;
};
void laySubjectSheet(printsform &form, int &dest, const SubjectSheetInput &in);
// The band line of the sheet's information block: <60(3)，<70(5)，…
QString bandLine(const SubjectSheetInput &in);

// Score-band statistics (37).
struct BandsInput
{
    QString exam;   // fdtj.Combo1
    QString item;   // fdtj.Combo2
    const Grid *grid = nullptr;
};
void layBands(printsform &form, int &dest, const BandsInput &in);

// Subject comparison (36).
struct ComparisonInput
{
    QString exam;   // gkdz.Combo1
    const Grid *grid = nullptr;
};
void layComparison(printsform &form, int &dest, const ComparisonInput &in);

// All-subject score book (34).
struct AllSubjectsInput
{
    QString exam;                  // gkcj.Combo1
    QString classChoice;           // gkcj.Combo3
    std::array<bool, 5> checks{};  // gkcj.Check1: 0 总分成绩, 1 各科排名, 2..4 the rank boxes
    int subjectCount = 0;          // gReportSubjectCount
    const Grid *grid = nullptr;
};
void layAllSubjects(printsform &form, int &dest, const AllSubjectsInput &in);
// The width figure that chooses the score book's orientation, margins and title alignment.
int allSubjectsWidth(const std::array<bool, 5> &checks, int subjects);
// The number of subjects the score book lays out: the grid's own subject columns, so that a count
// from another exam never reads columns the grid does not hold.
int allSubjectsCount(const AllSubjectsInput &in);

// Average score book (35).
struct AverageInput
{
    QString exam;         // average.Combo1
    QString cohortYear;   // the cohort the window was loaded with
    int subjectCount = 0; // gReportSubjectCount
    const Grid *grid = nullptr;
};
// The number of subjects the book lays out: the grid's own subject column pairs.
int averageSubjects(const AverageInput &in);
void layAverage(printsform &form, int &dest, const AverageInput &in);

} // namespace reportlayouts
} // namespace quorvane
