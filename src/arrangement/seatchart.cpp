#include "arrangement/seatchart.h"

#include "shell/codes.h"
#include "shell/database.h"
#include "shell/valuetext.h"

#include <QHash>
#include <QSqlQuery>

namespace quorvane::seatchart {

QString gradeName(const QVariant &grade)
{
    const QString name = gradeText(grade);
    return name.isEmpty() ? valueText(grade) : name;
}

QString examGradeName(const QSqlDatabase &system, const QString &examId)
{
    QSqlQuery q = prepare(system, QStringLiteral("SELECT grade FROM kcbpb WHERE id = ? ORDER BY rowid LIMIT 1"), {examId});
    return q.exec() && q.next() ? gradeName(q.value(0)) : QString();
}

QString roomAddress(const QSqlDatabase &system, const QString &roomId)
{
    QSqlQuery q = prepare(system, QStringLiteral("SELECT address FROM kcszb WHERE id = ? ORDER BY rowid LIMIT 1"), {roomId});
    return q.exec() && q.next() ? valueText(q.value(0)) : QString();
}

QList<QStringList> classRows(const QSqlDatabase &cohort, const QSqlDatabase &system, const QString &examId, int classNumber)
{
    QSqlQuery q = prepare(cohort,
                          QStringLiteral("SELECT stid, name, wlflag, zh, kcbj, kczh FROM stucj WHERE id = ? AND bj = ? ORDER BY stid, rowid"),
                          {examId, classNumber});
    QList<QStringList> rows;
    QHash<QString, QString> addresses; // each room's address is read once
    if (!q.exec())
        return rows;
    while (q.next()) {
        const QString room = valueText(q.value(4));
        QString address;
        if (!room.isEmpty()) {
            const auto known = addresses.constFind(room);
            address = known != addresses.cend() ? *known : addresses.insert(room, roomAddress(system, room)).value();
        }
        rows.append({valueText(q.value(0)), valueText(q.value(1)), valueText(q.value(3)), streamText(q.value(2)), room,
                     valueText(q.value(5)), address});
    }
    return rows;
}

QList<QStringList> roomRows(const QSqlDatabase &cohort, const QString &examId, const QString &roomId, const QString &gradeName)
{
    QSqlQuery q = prepare(cohort,
                          QStringLiteral("SELECT kczh, name, stid, bj, zh, wlflag FROM stucj WHERE id = ? AND kcbj = ? ORDER BY kczh, rowid"),
                          {examId, roomId});
    QList<QStringList> rows;
    if (!q.exec())
        return rows;
    while (q.next())
        rows.append({valueText(q.value(0)), valueText(q.value(1)), valueText(q.value(2)),
                     gradeName + QStringLiteral("(") + valueText(q.value(3)) + QStringLiteral(")班"), valueText(q.value(4)),
                     streamText(q.value(5))});
    return rows;
}

} // namespace quorvane::seatchart
