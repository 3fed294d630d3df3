#pragma once
#include "shell/cohorts.h"
#include "shell/database.h"
#include "shell/window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

namespace quorvane {

class Grid;

// The register of cohorts: one row per cohort with its year, database file, number of classes and
// first class number. Adding a cohort creates its database from the template; deleting removes it.
class grad1 : public Window
{
    Q_OBJECT
public:
    grad1();

    Grid *Grid1 = nullptr;
    std::array<QLineEdit *, 4> Txtfields{};
    std::array<QLabel *, 4> Label1{};
    QPushButton *comadd = nullptr;
    QPushButton *commodi = nullptr;
    QPushButton *comdele = nullptr;
    QPushButton *comsave = nullptr;
    QPushButton *exitcom = nullptr;

    // Fills the list with every cohort, by year.
    void form_1();
    // Takes the current row of the list into the fields, for 修改 or 删除.
    void Grid1_Click();
    // Moving the current row with the keyboard takes it as a click does.
    void Grid1_EnterCell();
    // A change of field index enables 保存; a typed year proposes the database name db<year>.
    void Txtfields_Change(int index);
    // Puts the caret at the end of field index when it gains the focus.
    void Txtfields_GotFocus(int index);
    // Enter in field index checks its value: a refusal keeps the focus there, else it goes on.
    void Txtfields_KeyPress(int index, int keyAscii);
    // Down and Up move the focus to the next and the previous field.
    void Txtfields_KeyUp(int index, int keyCode, int shift);
    // 新增: empties the fields for a new cohort.
    void comadd_Click();
    // 修改: the taken cohort is to be changed by the next 保存.
    void commodi_Click();
    // 保存: checks the fields in order, then adds or changes the cohort.
    void comsave_Click();
    // 删除: deletes the taken cohort with its database file, after asking.
    void comdele_Click();
    // 返回: closes the register.
    void exitcom_Click();
    // True (refused) when another cohort already has this year; shows the refusal.
    bool CheckYearTaken(const QString &year);

    int editMode() const { return m_mode; }
    QString selectedYear() const { return m_selectedYear; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    // Refuses a database name that another cohort uses or that names one of the program's own files.
    bool refuseDatabaseName(const QString &name, const QString &exceptYear);
    // Adds the cohort with its file made from the template; reports and returns false on failure.
    bool addCohort(const cohorts::Cohort &cohort);
    // Releases connections to path left behind by windows that are no longer loaded.
    static void releaseStaleConnections(const QString &path);
    // Puts a text into the field (0..3) without cutting it to the field's typing limit.
    void setField(int field, const QString &text);
    // 保存 in adding mode: stores the typed cohort under year, or replaces the one stored there.
    void saveAdd(const QString &year);
    // 保存 in changing mode: rewrites the taken cohort with the typed values and year.
    void saveChange(const QString &year);
    // Rewrites the stored cohort with the changed values (its exams and file go with it). Refused
    // while a window holds the cohort; a refusal or failure is reported and changes nothing.
    bool storeCohort(const cohorts::Cohort &stored, const cohorts::Cohort &changed);
    // Puts the window into its after-loading state (no row taken, nothing to save).
    void resetEditor();

    WindowDatabases m_dbs{QStringLiteral("grad1")};
    qint16 m_mode = 0;
    QString m_selectedYear;
    bool m_filling = false;
};

} // namespace quorvane
