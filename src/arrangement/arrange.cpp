#include "arrangement/arrange.h"

#include "shell/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// Counts the records of one loop for the progress display: 1..100, then again from 1.
class ProgressCounter
{
public:
    explicit ProgressCounter(const std::function<void(int)> &fn) : m_fn(fn) {}
    void step()
    {
        m_value = m_value >= 100 ? 1 : m_value + 1;
        if (m_fn)
            m_fn(m_value);
    }

private:
    const std::function<void(int)> &m_fn;
    int m_value = 0;
};

struct RegisterRow
{
    qint64 order = 0;
    QString stid;
    QString name;
    int stream = 0;
    int classNo = 0;
    int seatInClass = 0;
};

// A text column's value; an empty or Null value gives an empty (never a Null) text, so that a
// student without a number or name gets a row holding empty texts that the next run finds again.
QString textOf(const QVariant &v)
{
    const QString s = v.isNull() ? QString() : v.toString();
    return s.isNull() ? QString::fromLatin1("") : s;
}

} // namespace

QString arrangeMessage(ArrangeStatus status)
{
    switch (status) {
    case ArrangeStatus::Done:
        return QStringLiteral("编班处理完毕!");
    case ArrangeStatus::NoRooms:
        return QStringLiteral("考场未安排,编班失败！");
    case ArrangeStatus::NotEnoughSeats:
        return QStringLiteral("考场安排数量不足,编班失败！");
    case ArrangeStatus::DatabaseError:
        return QStringLiteral("数据库写入出错,编班失败,本次编排未作任何改动！");
    }
    return QString();
}

QStringList roomIdsOfList(const QString &roomList)
{
    QStringList ids;
    const int count = int(roomList.size() / 3);
    for (int i = 0; i < count; ++i)
        ids << roomList.mid(i * 3, 3);
    return ids;
}

int toWhole16(const QVariant &value)
{
    if (value.isNull())
        return 0;
    bool ok = false;
    const double d = value.toString().trimmed().isEmpty() ? 0.0 : value.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 0;
    const double r = std::nearbyint(d); // the default rounding mode rounds halves to even
    return int(std::clamp(r, -32768.0, 32767.0));
}

ArrangeResult arrangeStudents(QSqlDatabase &cohort, const QSqlDatabase &system, const ArrangeInput &input,
                              std::mt19937 &rng, const ArrangeCallbacks &callbacks)
{
    ArrangeResult result;
    const QStringList listIds = roomIdsOfList(input.roomList);
    if (input.roomList.isEmpty() || listIds.isEmpty()) {
        result.status = ArrangeStatus::NoRooms;
        return result;
    }

    auto failed = [&result](const QSqlQuery &q) {
        result.status = ArrangeStatus::DatabaseError;
        result.error = q.lastError().text();
        return result;
    };

    Transaction tx(cohort);
    if (!tx.active()) {
        result.status = ArrangeStatus::DatabaseError;
        result.error = cohort.lastError().text();
        return result;
    }

    // Copy of the register, in random order.
    std::vector<RegisterRow> reg;
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT id, stid, stname, keflag, stclass, stclassno FROM stinfo ORDER BY id"));
        if (!q.exec())
            return failed(q);
        while (q.next()) {
            RegisterRow r;
            r.order = q.value(0).toLongLong();
            r.stid = textOf(q.value(1));
            r.name = textOf(q.value(2));
            r.stream = toWhole16(q.value(3));
            r.classNo = toWhole16(q.value(4));
            r.seatInClass = toWhole16(q.value(5));
            reg.push_back(std::move(r));
        }
    }
    std::shuffle(reg.begin(), reg.end(), rng);
    {
        QSqlQuery find = prepare(cohort, QStringLiteral("SELECT rowid FROM stucj WHERE stid = ? AND id = ? ORDER BY rowid LIMIT 1"));
        QSqlQuery insert = prepare(cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, wlflag, bj, zh) VALUES(?, ?, ?, ?, ?, ?)"));
        QSqlQuery update = prepare(cohort, QStringLiteral("UPDATE stucj SET name = ?, wlflag = ?, bj = ?, zh = ? WHERE rowid = ?"));
        ProgressCounter progress(callbacks.progress);
        for (const RegisterRow &r : reg) {
            if (r.stream == 2)
                ++result.artsCount;
            else
                ++result.otherCount;
            find.bindValue(0, r.stid);
            find.bindValue(1, input.examId);
            if (!find.exec())
                return failed(find);
            if (find.next()) {
                const qint64 rowid = find.value(0).toLongLong();
                find.finish();
                update.bindValue(0, r.name);
                update.bindValue(1, r.stream);
                update.bindValue(2, r.classNo);
                update.bindValue(3, r.seatInClass);
                update.bindValue(4, rowid);
                if (!update.exec())
                    return failed(update);
            } else {
                find.finish();
                insert.bindValue(0, input.examId);
                insert.bindValue(1, r.stid);
                insert.bindValue(2, r.name);
                insert.bindValue(3, r.stream);
                insert.bindValue(4, r.classNo);
                insert.bindValue(5, r.seatInClass);
                if (!insert.exec())
                    return failed(insert);
            }
            progress.step();
        }
    }

    // Capacities of the rooms, in list order.
    int total = 0;
    {
        QSqlQuery q = prepare(system, QStringLiteral("SELECT id, rs FROM kcszb WHERE id = ? ORDER BY rowid LIMIT 1"));
        for (const QString &listId : listIds) {
            ArrangeRoom room;
            room.listId = listId;
            q.bindValue(0, listId);
            if (q.exec() && q.next()) {
                const QVariant rs = q.value(1);
                if (!rs.isNull() && !rs.toString().trimmed().isEmpty()) {
                    room.capacity = std::max(0, toWhole16(rs));
                    room.id = textOf(q.value(0));
                }
            }
            q.finish();
            total += room.capacity;
            result.rooms.push_back(room);
        }
    }
    const int roomCount = int(result.rooms.size());

    auto shortOfSeats = [&]() {
        result.status = ArrangeStatus::NotEnoughSeats;
        // The copy of the register stays; no seat has been written.
        if (!tx.commit()) {
            result.status = ArrangeStatus::DatabaseError;
            result.error = cohort.lastError().text();
        }
        return result;
    };
    if (total < result.artsCount + result.otherCount)
        return shortOfSeats();

    // Split of the rooms: the non-arts students take the first rooms, the arts students the rest.
    if (result.otherCount >= 1 && result.artsCount == 0) {
        result.nonArtsRooms = roomCount;
    } else if (result.otherCount == 0 && result.artsCount >= 1) {
        result.artsRooms = roomCount;
    } else if (result.otherCount >= 1 && result.artsCount >= 1) {
        int sum = 0;
        int r = 0;
        for (int i = 0; i < roomCount; ++i) {
            sum += result.rooms[i].capacity;
            if (sum >= result.otherCount) {
                r = i + 1;
                break;
            }
        }
        if (r == 0)
            return shortOfSeats();
        int rest = 0;
        for (int i = r; i < roomCount; ++i)
            rest += result.rooms[i].capacity;
        if (rest < result.artsCount)
            return shortOfSeats();
        result.nonArtsRooms = r;
        result.artsRooms = roomCount - r;
    }

    // Order keys from the basis exam: its rows by their stream rank of total 2, largest first,
    // numbered 1, 2, 3, ... through the whole list.
    if (!input.basisExamId.isEmpty()) {
        QStringList basis;
        {
            QSqlQuery q = prepare(cohort, QStringLiteral("SELECT stid FROM stucj WHERE id = ? ORDER BY zftlnob DESC, rowid"),
                                  {input.basisExamId});
            if (!q.exec())
                return failed(q);
            while (q.next())
                basis << textOf(q.value(0));
        }
        QSqlQuery set = prepare(cohort, QStringLiteral("UPDATE stucj SET zftlnob = ? WHERE stid = ? AND id = ?"));
        ProgressCounter progress(callbacks.progress);
        int number = 0;
        for (const QString &stid : basis) {
            ++number;
            set.bindValue(0, number);
            set.bindValue(1, stid);
            set.bindValue(2, input.examId);
            if (!set.exec())
                return failed(set);
            progress.step();
        }
    }

    // Seat walk of one group over its rooms, room after room and seat after seat. Every row gets
    // its own seat (rows are written by their own row id, so two rows of one student number are
    // both seated). Rows beyond the group's seats (students who left the register) start again
    // at the group's first room.
    QSqlQuery seat = prepare(cohort, QStringLiteral("UPDATE stucj SET kcbj = ?, kczh = ? WHERE rowid = ?"));
    auto walk = [&](bool arts, int firstRoom, int roomsInGroup) -> bool {
        if (roomsInGroup <= 0)
            return true;
        std::vector<qint64> rows;
        {
            QSqlQuery q = prepare(cohort, arts ? QStringLiteral("SELECT rowid FROM stucj WHERE wlflag = 2 AND id = ? ORDER BY zftlnob, rowid")
                                               : QStringLiteral("SELECT rowid FROM stucj WHERE wlflag <> 2 AND id = ? ORDER BY zftlnob, rowid"),
                                  {input.examId});
            if (!q.exec()) {
                failed(q);
                return false;
            }
            while (q.next())
                rows.push_back(q.value(0).toLongLong());
        }
        int seats = 0;
        for (int i = firstRoom; i < firstRoom + roomsInGroup; ++i)
            seats += result.rooms[i].capacity;
        if (seats <= 0)
            return true;
        ProgressCounter progress(callbacks.progress);
        size_t next = 0;
        while (next < rows.size()) {
            for (int i = firstRoom; i < firstRoom + roomsInGroup && next < rows.size(); ++i) {
                const ArrangeRoom &room = result.rooms[i];
                for (int s = 1; s <= room.capacity && next < rows.size(); ++s) {
                    seat.bindValue(0, room.id);
                    seat.bindValue(1, s);
                    seat.bindValue(2, rows[next]);
                    if (!seat.exec()) {
                        failed(seat);
                        return false;
                    }
                    ++next;
                    ++result.seated;
                    progress.step();
                }
            }
        }
        return true;
    };
    if (!walk(false, 0, result.nonArtsRooms))
        return result;
    if (result.nonArtsRooms > 0 && callbacks.betweenGroups)
        callbacks.betweenGroups();
    if (!walk(true, result.nonArtsRooms, result.artsRooms))
        return result;

    if (!tx.commit()) {
        result.status = ArrangeStatus::DatabaseError;
        result.error = cohort.lastError().text();
        return result;
    }
    result.status = ArrangeStatus::Done;
    return result;
}

} // namespace quorvane
