#include "arrangement/outksxx.h"

#include "shell/database.h"

#include <QComboBox>
#include <QSqlQuery>

namespace quorvane {

QStringList outksxx(const QSqlDatabase &system, const QString &cohortYear, QComboBox *combo)
{
    QStringList ids;
    if (!combo)
        return ids;
    QSqlQuery q = prepare(system, QStringLiteral("SELECT id, name FROM kcbpb WHERE year = ? ORDER BY id DESC, rowid"),
                          {cohortYear});
    if (!q.exec())
        return ids;
    const int before = combo->currentIndex();
    QStringList names;
    while (q.next()) {
        ids << q.value(0).toString();
        names << q.value(1).toString();
    }
    if (ids.isEmpty())
        return ids;
    ids << QString(); // position N stays empty
    const QSignalBlocker block(combo);
    combo->addItems(names);
    // Adding to an empty list chooses its first entry; the chooser shows no exam until the user
    // picks one.
    if (before < 0) {
        combo->setCurrentIndex(-1);
        if (combo->isEditable())
            combo->setEditText(QString());
    }
    return ids;
}

QString examIdAt(const QStringList &ids, int position)
{
    if (position < 0 || position >= ids.size())
        return QString();
    return ids.at(position);
}

QString chosenExamId(const QComboBox *combo, const QStringList &ids)
{
    if (!combo)
        return QString();
    const int index = combo->currentIndex();
    if (index < 0 || combo->itemText(index) != combo->currentText())
        return QString();
    return examIdAt(ids, index);
}

} // namespace quorvane
