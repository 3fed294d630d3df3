#include "arrangement/rooms.h"

#include "shell/database.h"
#include "shell/textcheck.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace quorvane {

const QStringList &roomTypeTexts()
{
    static const QStringList texts = {
        QStringLiteral("高一教室"), QStringLiteral("高二教室"), QStringLiteral("高三教室"),
        QStringLiteral("化学实验室"), QStringLiteral("物理实验室"), QStringLiteral("生物实验室"),
        QStringLiteral("多媒体教室"), QStringLiteral("其它教室"), QStringLiteral("七年教室"),
        QStringLiteral("八年教室"), QStringLiteral("九年教室"), QStringLiteral("活动室"),
        QStringLiteral("阅览室")};
    return texts;
}

QString roomTypeText(const QVariant &type)
{
    if (type.isNull())
        return QString();
    bool ok = false;
    const double v = type.toDouble(&ok);
    if (!ok || v != std::floor(v) || v < 1 || v > roomTypeTexts().size())
        return QString();
    return roomTypeTexts().at(static_cast<int>(v) - 1);
}

namespace {
// A typed id that reads as a number (7, 12, +5, 1.5, 1e2) is stored through the number format
// "000": the whole number, rounded, with at least three digits.
bool numericId(const QString &text, double *value)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok;
}
} // namespace

RoomIdCheck checkRoomId(const QString &typed)
{
    RoomIdCheck out;
    const QString id = TrimBlanks(typed);
    if (id.isEmpty() || DisplayWidth(id) > 3) {
        out.result = RoomIdCheck::EmptyOrTooLong;
        return out;
    }
    double value = 0;
    if (numericId(id, &value))
        out.id = std::fabs(value) < 1e6 ? zeroPadded(value, 3) : QString::number(value, 'f', 0);
    else
        out.id = id;
    // Three characters of display width at most 3 are three single-width characters.
    out.result = out.id.size() == 3 ? RoomIdCheck::Ok : RoomIdCheck::NotThreeCharacters;
    if (out.result != RoomIdCheck::Ok)
        out.id.clear();
    return out;
}

QString zeroPadded(double value, int digits)
{
    const long long n = std::llround(value);
    const QString body = QString::number(n < 0 ? -n : n).rightJustified(digits, QLatin1Char('0'));
    return n < 0 ? QStringLiteral("-") + body : body;
}

QString nextRoomId(const QString &lastId)
{
    const int len = static_cast<int>(lastId.size());
    if (len == 3)
        return lastId.left(1) + zeroPadded(Val(lastId.right(2)) + 1, 2);
    if (len == 4)
        return lastId.left(1) + zeroPadded(Val(lastId.right(3)) + 1, 3);
    return QString();
}

namespace {
QVector<Room> readRooms(const QSqlDatabase &sys, const QString &sql, bool *ok)
{
    QVector<Room> rooms;
    QSqlQuery q = prepare(sys, sql);
    const bool good = q.exec();
    if (ok)
        *ok = good;
    while (good && q.next())
        rooms.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2), q.value(3)});
    return rooms;
}
} // namespace

QVector<Room> roomsById(const QSqlDatabase &sys, bool *ok)
{
    return readRooms(sys, QStringLiteral("SELECT id, address, type, rs FROM kcszb ORDER BY id, rowid"), ok);
}

QVector<Room> roomsByType(const QSqlDatabase &sys, bool *ok)
{
    return readRooms(sys, QStringLiteral("SELECT id, address, type, rs FROM kcszb ORDER BY type, rowid"), ok);
}

Room roomById(const QSqlDatabase &sys, const QString &id, bool *found)
{
    QSqlQuery q = prepare(sys, QStringLiteral("SELECT id, address, type, rs FROM kcszb WHERE id = ? ORDER BY rowid LIMIT 1"), {id});
    if (q.exec() && q.next()) {
        if (found)
            *found = true;
        return {q.value(0).toString(), q.value(1).toString(), q.value(2), q.value(3)};
    }
    if (found)
        *found = false;
    return {};
}

bool saveRoom(const QSqlDatabase &sys, const Room &room, QString *error)
{
    QSqlDatabase db = sys;
    Transaction tx(db);
    QSqlQuery q = prepare(sys, QStringLiteral("SELECT count(*) FROM kcszb WHERE id = ?"), {room.id});
    if (!q.exec() || !q.next()) {
        if (error)
            *error = reasonText(q.lastError());
        return false;
    }
    const bool exists = q.value(0).toLongLong() > 0;
    q = QSqlQuery();
    bool ok;
    if (exists)
        ok = execSql(sys, QStringLiteral("UPDATE kcszb SET id = ?, address = ?, rs = ?, type = ? WHERE id = ?"),
                     {room.id, room.address, room.rs, room.type, room.id}, error);
    else
        ok = execSql(sys, QStringLiteral("INSERT INTO kcszb(id, address, rs, type) VALUES(?, ?, ?, ?)"),
                     {room.id, room.address, room.rs, room.type}, error);
    if (!ok || !tx.commit())
        return false;
    return true;
}

bool deleteRoom(const QSqlDatabase &sys, const QString &id, QString *error)
{
    if (!execSql(sys, QStringLiteral("DELETE FROM kcszb WHERE id = ?"), {id}, error))
        return false;
    return true;
}

} // namespace quorvane
