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

    void form_1();
    void Grid1_Click();
    void Grid1_EnterCell();
    void Txtfields_Change(int index);
    void Txtfields_GotFocus(int index);
    void Txtfields_KeyPress(int index, int keyAscii);
    void Txtfields_KeyUp(int index, int keyCode, int shift);
    void comadd_Click();
    void commodi_Click();
    void comsave_Click();
    void comdele_Click();
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
    // Puts a text into field i without cutting it to the field's typing limit.
    void setField(int i, const QString &text);
    void saveAdd(const QString &year);
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
