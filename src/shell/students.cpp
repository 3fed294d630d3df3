#include "shell/students.h"

#include "shell/codes.h"
#include "shell/database.h"
#include "shell/textcheck.h"

#include <QSqlQuery>

namespace quorvane {

std::optional<std::vector<StudentRow>> findStudents(const QSqlDatabase &db, const StudentSearch &search)
{
    QString where;
    QString order = QStringLiteral(" ORDER BY stid, id");
    QVariantList values;
    if (search.kind == QStringLiteral("学号")) {
        where = QStringLiteral(" WHERE stid LIKE ? ESCAPE '\\'");
        values << QStringLiteral("%") + likeEscape(search.number) + QStringLiteral("%");
    } else if (search.kind == QStringLiteral("学生姓名")) {
        where = QStringLiteral(" WHERE stname LIKE ? ESCAPE '\\'");
        values << QStringLiteral("%") + likeEscape(search.name) + QStringLiteral("%");
    } else if (search.kind == QStringLiteral("班级")) {
        const double cls = Val(search.classText);
        if (cls > 0) {
            where = QStringLiteral(" WHERE stclass=?");
            values << cls;
            order = QStringLiteral(" ORDER BY stclassno, id");
        } else {
            where = QStringLiteral(" WHERE stclass=0");
        }
    } else if (const int stream = streamCode(search.kind); stream > 0) {
        where = QStringLiteral(" WHERE keflag=?");
        values << stream;
    }
    QSqlQuery q = prepare(db, QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo") + where + order, values);
    if (!q.exec())
        return std::nullopt;
    std::vector<StudentRow> rows;
    while (q.next())
        rows.push_back({q.value(0), q.value(1), q.value(2), q.value(3), q.value(4)});
    return rows;
}

std::optional<qint64> studentRowId(const QSqlDatabase &db, const QString &number)
{
    QSqlQuery q = prepare(db, QStringLiteral("SELECT id FROM stinfo WHERE stid=? ORDER BY id"), {number});
    if (!q.exec())
        return std::nullopt;
    return q.next() ? q.value(0).toLongLong() : qint64(-1);
}

bool studentExists(const QSqlDatabase &db, const QString &number)
{
    QSqlQuery q = prepare(db, QStringLiteral("SELECT stid FROM stinfo WHERE stid=?"), {number});
    return q.exec() && q.next();
}

bool addStudent(const QSqlDatabase &db, const StudentValues &student)
{
    return execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?,?,?,?,?)"),
                   {student.number, student.name, student.cls, student.seat, student.stream});
}

bool changeStudent(const QSqlDatabase &db, qint64 id, const QString &oldNumber, const StudentValues &student)
{
    const bool numberChanged = student.number.compare(oldNumber, Qt::CaseInsensitive) != 0;
    QSqlDatabase connection = db; // the same connection, as the transaction wants it
    Transaction t(connection);
    bool ok = execSql(db, QStringLiteral("UPDATE stinfo SET stid=?, stname=?, stclass=?, stclassno=?, keflag=? WHERE id=?"),
                      {student.number, student.name, student.cls, student.seat, student.stream, id});
    ok = ok && (numberChanged ? updateok2(db, oldNumber, student.number, student.name) : updateok(db, student.number, student.name));
    return ok && t.commit();
}

bool updateok(const QSqlDatabase &db, const QString &number, const QString &name)
{
    return execSql(db, QStringLiteral("UPDATE stucj SET name=? WHERE stid=?"), {StripBlanks(name), number});
}

bool updateok2(const QSqlDatabase &db, const QString &oldNumber, const QString &newNumber, const QString &name)
{
    return execSql(db, QStringLiteral("UPDATE stucj SET stid=?, name=? WHERE stid=?"), {newNumber, StripBlanks(name), oldNumber});
}

int deleteStudent(const QSqlDatabase &db, const QString &number)
{
    QSqlError error;
    int deleted = -1;
    execSql(db, QStringLiteral("DELETE FROM stinfo WHERE stid=?"), {number}, &error, &deleted);
    return deleted;
}

bool clearStudents(const QSqlDatabase &db, QString *error)
{
    return execSql(db, QStringLiteral("DELETE FROM stinfo"), {}, error);
}

} // namespace quorvane
