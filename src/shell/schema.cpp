#include "shell/schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>

namespace quorvane {

QString createDatabaseFromSchema(const QString &sqlPath, const QString &dbPath)
{
    QFile f(sqlPath);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("cannot read %1").arg(sqlPath);
    QStringList statements;
    QString current;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            statements << current;
            current.clear();
        }
    }

    const QString tmpPath = dbPath + QStringLiteral(".part");
    QFile::remove(tmpPath);
    QString error;
    const QString conn = QStringLiteral("schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(tmpPath);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            for (const QString &s : statements) {
                if (!q.exec(s)) {
                    error = q.lastError().text() + QStringLiteral(" in: ") + s.left(80);
                    break;
                }
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    if (error.isEmpty()) {
        QFile::remove(dbPath);
        if (!QFile::rename(tmpPath, dbPath))
            error = QStringLiteral("cannot write %1").arg(dbPath);
    }
    if (!error.isEmpty())
        QFile::remove(tmpPath);
    return error;
}

} // namespace quorvane
