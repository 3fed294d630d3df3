#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QObject;

namespace quorvane {

// The exam chooser every exam-based window fills the same way: the exams of one cohort year,
// newest first, their names appended to the window's combo box and their ids returned in a list
// indexed by the combo's list position. For N exams the list has N + 1 positions (the last one
// empty); when no exam is found it is empty. The combo box is not cleared first and no entry is
// chosen afterwards. A database error stops the filling and keeps what was added.
QStringList outksxx(const QSqlDatabase &system, const QString &cohortYear, QComboBox *combo);

// The exam id at a list position of the chooser; empty for no choice (-1) or a position outside
// the list.
QString examIdAt(const QStringList &ids, int position);

// The id of the exam chosen in a combo box filled by outksxx: empty when nothing is chosen or the
// text shown is not one of the list's entries (typed in).
QString chosenExamId(const QComboBox *combo, const QStringList &ids);

// Calls handler whenever an entry of the combo box is chosen, as a list box's click does: when the
// program sets an entry, and when the user picks one, also the entry already shown (so choosing
// the same exam again reads it afresh). One user pick calls it once.
void connectChoice(QComboBox *combo, QObject *context, std::function<void()> handler);

} // namespace quorvane
