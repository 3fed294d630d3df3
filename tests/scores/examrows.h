#pragma once
// Shared by the ranking tests and the ranking benchmark.
#include "shell/database.h"

#include <QSqlQuery>
#include <QStringList>

namespace quorvane::test {

// Every value of an exam's stucj rows in the given columns, in row order: one line a row, the
// values separated by a blank and Null written as "-". Two runs that wrote the same columns give
// the same lines.
inline QStringList examRows(const QSqlDatabase &cohort, const QString &exam, const QStringList &columns)
{
    QStringList out;
    QSqlQuery q = prepare(cohort, QStringLiteral("SELECT %1 FROM stucj WHERE id=? ORDER BY rowid").arg(columns.join(QLatin1Char(','))),
                          {exam});
    if (!q.exec())
        return {QStringLiteral("<cannot read: %1>").arg(columns.join(QLatin1Char(',')))};
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < columns.size(); ++i)
            cells << (q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
        out << cells.join(QLatin1Char(' '));
    }
    return out;
}

} // namespace quorvane::test
