#include "shell/outksxx.h"

#include "shell/database.h"

#include <QComboBox>
#include <QSqlQuery>
#include <QTimer>
#include <memory>

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

void connectChoice(QComboBox *combo, QObject *context, std::function<void()> handler)
{
    // A user's pick emits currentIndexChanged (when the entry changes) and then activated, in one
    // go; the flag, cleared once control returns to the event loop, lets only the first of them
    // call the handler.
    auto changed = std::make_shared<bool>(false);
    auto fn = std::make_shared<std::function<void()>>(std::move(handler));
    QObject::connect(combo, &QComboBox::currentIndexChanged, context, [combo, changed, fn](int index) {
        if (index < 0)
            return;
        *changed = true;
        QTimer::singleShot(0, combo, [changed] { *changed = false; });
        (*fn)();
    });
    QObject::connect(combo, &QComboBox::activated, context, [changed, fn](int index) {
        if (index < 0)
            return;
        if (*changed) {
            *changed = false;
            return;
        }
        (*fn)();
    });
}

} // namespace quorvane
