#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace quorvane {

// The school's exam rooms (table kcszb of the system database): the room kinds, the form of a room
// id, and the reads and writes of the room register.

// The room kinds in the order of the kind chooser; kind k (1..13) is roomTypeTexts()[k - 1].
const QStringList &roomTypeTexts();
// The text of a stored kind, or an empty text when it is not 1..13 (or Null).
QString roomTypeText(const QVariant &type);

// The result of reading a typed room id.
struct RoomIdCheck
{
    enum Result { Ok, EmptyOrTooLong, NotThreeCharacters };
    Result result = EmptyOrTooLong;
    QString id; // the id as stored: digits zero-padded to three, any other id as typed
};

// Reads a typed room id: blanks around it are dropped; an id that reads as a number is written as
// a whole number of at least three digits (7 becomes 007, 1.5 becomes 002); any other id stays as
// typed (A01). The result must be three characters: every stored id is exactly three characters,
// which is what an exam's room list (kcid) relies on (so A1, -1 and 1e9 are refused).
RoomIdCheck checkRoomId(const QString &typed);

// The id proposed after the last room id: its first character followed by the number its last two
// characters begin with, plus 1, in at least two digits (A09 gives A10, 005 gives 006, 099 gives
// 0100); for a four-character id the last three characters and three digits. Any other length
// proposes nothing (an empty text).
QString nextRoomId(const QString &lastId);

// Formats a whole number with at least the given digits, zero-padded.
QString zeroPadded(double value, int digits);

struct Room
{
    QString id;
    QString address;
    QVariant type; // may be Null in foreign data
    QVariant rs;
};

// All rooms ordered by id (creation order within equal ids).
QVector<Room> roomsById(const QSqlDatabase &sys, bool *ok = nullptr);
// All rooms ordered by kind (creation order within one kind).
QVector<Room> roomsByType(const QSqlDatabase &sys, bool *ok = nullptr);
// The room with that id (letter case ignored); found is false when there is none.
Room roomById(const QSqlDatabase &sys, const QString &id, bool *found);

// Writes a room under its stored id: the rooms with that id (letter case ignored) are rewritten,
// or a new room is added when there is none. Returns false on a database error.
bool saveRoom(const QSqlDatabase &sys, const Room &room, QString *error = nullptr);
// Deletes the rooms with that id (letter case ignored).
bool deleteRoom(const QSqlDatabase &sys, const QString &id, QString *error = nullptr);

} // namespace quorvane
