#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

// The seat lists of an exam's arrangement: which room and seat each student of a class has, and
// who sits on which seat of a room, read from the exam's score rows (stucj.kcbj, stucj.kczh) of the
// cohort database and the room register (kcszb) of the system database. No widgets; every value
// goes into the statements as a bound value.
namespace quorvane::seatchart {

// A stored grade as the charts name it: 1 "高一", 2 "高二", 3 "高三"; any other value its text.
QString gradeName(const QVariant &grade);
// The grade name of the exam with this id (of whichever cohort); empty when it is not found.
QString examGradeName(const QSqlDatabase &system, const QString &examId);
// The address of a room in the room register; empty when the room is not registered or has none.
QString roomAddress(const QSqlDatabase &system, const QString &roomId);

// The class chart of one class: per student, in student-number order, 学号, 姓名, 班内座号,
// 文理倾向, 考场号, 座位号 and the room's address (room, seat and address empty when not seated).
QList<QStringList> classRows(const QSqlDatabase &cohort, const QSqlDatabase &system, const QString &examId, int classNumber);
// The room chart of one room: per seat, in seat order, 座位号, 姓名, 学号, the class as
// "<grade name>(<class>)班", 班内座号 and 文理倾向. The room id is matched as it is written.
QList<QStringList> roomRows(const QSqlDatabase &cohort, const QString &examId, const QString &roomId, const QString &gradeName);

} // namespace quorvane::seatchart
