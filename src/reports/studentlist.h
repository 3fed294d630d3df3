#pragma once
#include "reports/reportframe.h"
#include "reports/studentrows.h"

#include <QCheckBox>
#include <QComboBox>
#include <array>
#include <vector>

namespace quorvane {

// Base of the two windows that list the students of a class (or of a larger selection) with their
// scores in one exam: the score labels (cjbq) and the all-subject score book (gkcj). It holds the
// class chooser, the display boxes and the query; a window names its boxes, its heading and how
// its list is read.
class StudentListWindow : public ReportWindow
{
    Q_OBJECT
public:
    // Controls besides the frame's (Combo1, Grid1, VsNetBut1, Label1[8], Frame1).
    QComboBox *Combo3 = nullptr;                 // class numbers of the cohort (and the window's other selections)
    std::array<QCheckBox *, 5> Check1{};         // the display boxes; nullptr where the window has none
    // Label1[0] "班级:", [1] "显示项目:", [3] the number of listed students.

    // Another exam was chosen: the list empties, the exam's subjects are read, the classes listed anew.
    void Combo1_Click() override;
    // Another class (or selection) was chosen: the list empties.
    void Combo3_Click();
    // A display box was ticked or cleared: the list empties.
    void Check1_Click(int Index);
    // Builds the list of the chosen class (or selection) into Grid1.
    void showgrid();

protected:
    using ReportWindow::ReportWindow;
    // Puts the class chooser (Label1[0], Combo3, Label1[3]) on the chooser row and, in a row under it,
    // Label1[1] "显示项目:" with a box for every caption that is not nullptr.
    void addListControls(QVBoxLayout *frameLayout, QHBoxLayout *chooserRow, const char *const (&boxCaptions)[5]);
    QComboBox *classChooser() const override { return Combo3; }
    // Before the first query the grid shows the list's heading without any subject or box.
    QString designHeading() const override { return listHeading({}); }
    // The query button: refuses an unchosen class and boxes that do not agree, then builds the list.
    void Query() override;

    // The message when the ticked boxes ask for something the list cannot show; empty when they agree.
    virtual QString boxesRefusal() const = 0;
    // The heading format string of the list of these subjects under the ticked boxes.
    virtual QString listHeading(const std::vector<int> &subjects) const = 0;
    // Reads the list of the chosen selection for these subjects; false, leaving list as it was, when
    // it holds no student.
    virtual bool buildList(const std::vector<int> &subjects, reports::StudentRows &list) const = 0;
};

} // namespace quorvane
