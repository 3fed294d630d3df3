#include "arrangement/arrange.h"

#include "shell/database.h"
#include "shell/sysdb.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <optional>

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
QString textOf(const QVariant &value)
{
    const QString text = value.isNull() ? QString() : value.toString();
    return text.isNull() ? QString::fromLatin1("") : text;
}

// A student number as the database compares it (the column ignores the case of ASCII letters only).
QString studentKey(const QString &stid)
{
    QString key = stid;
    for (QChar &c : key)
        if (c.unicode() < 128)
            c = c.toLower();
    return key;
}

// The arts group: rows whose stream is 2.
bool isArts(const QVariant &wlflag)
{
    bool ok = false;
    const double d = wlflag.isNull() ? 0.0 : wlflag.toDouble(&ok);
    return ok && d == 2.0;
}

} // namespace

int seatedRows(const QSqlDatabase &cohort, const QString &examId)
{
    QSqlQuery q = prepare(cohort, QStringLiteral("SELECT count(*) FROM stucj WHERE id = ? AND (kcbj IS NOT NULL OR kczh IS NOT NULL)"),
                          {examId});
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toInt();
}

QString rearrangeQuestion(const QString &examName, int seats)
{
    return QStringLiteral("“%1”已编排座位，重新编排将按当前学生名单重新安排这%2个座位(已张贴的座位表可能随之作废)，要重新编排吗？")
        .arg(examName)
        .arg(seats);
}

QString arrangeMessage(const ArrangeResult &result)
{
    // A failed write names its reason (a full disk, a database held by another window).
    if (result.status == ArrangeStatus::DatabaseError && !result.error.isEmpty())
        return QStringLiteral("数据库写入出错：") + result.error + QStringLiteral(",编班失败,本次编排未作任何改动！");
    QString text = arrangeMessage(result.status);
    if (result.status == ArrangeStatus::Done && result.unseated > 0)
        text += QStringLiteral("\n另有") + QString::number(result.unseated) + QStringLiteral("名已不在学生名单中的考生未安排座位。");
    return text;
}

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

namespace {
// The page cache of the cohort connection while a run writes: 64 MB instead of SQLite's 2 MB, so
// the stucj rows of a large grade and their index pages stay in memory while they are copied and
// seated. The connection gets its own size back when the run ends, however it ends.
class RunPageCache
{
public:
    explicit RunPageCache(const QSqlDatabase &db) : m_db(db)
    {
        QSqlQuery q(m_db);
        if (q.exec(QStringLiteral("PRAGMA cache_size")) && q.next()) {
            m_previous = q.value(0).toLongLong();
            q.exec(QStringLiteral("PRAGMA cache_size = -65536"));
        }
    }
    ~RunPageCache()
    {
        if (m_previous)
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA cache_size = %1").arg(*m_previous));
    }
    RunPageCache(const RunPageCache &) = delete;
    RunPageCache &operator=(const RunPageCache &) = delete;

private:
    QSqlDatabase m_db;
    std::optional<qlonglong> m_previous;
};
} // namespace

ArrangeResult arrangeStudents(QSqlDatabase &cohort, const QSqlDatabase &system, const ArrangeInput &input,
                              std::mt19937 &rng, const ArrangeCallbacks &callbacks)
{
    ArrangeResult result;
    const QStringList listIds = sysdb::readRoomList(system, input.roomList);
    if (input.roomList.isEmpty() || listIds.isEmpty()) {
        result.status = ArrangeStatus::NoRooms;
        return result;
    }

    auto failed = [&result](const QSqlQuery &query) {
        result.status = ArrangeStatus::DatabaseError;
        result.error = reasonText(query.lastError());
        return result;
    };

    const RunPageCache cache(cohort);
    Transaction tx(cohort);
    if (!tx.active()) {
        result.status = ArrangeStatus::DatabaseError;
        result.error = reasonText(cohort.lastError());
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
            r.stream = sysdb::toWhole16(q.value(3));
            r.classNo = sysdb::toWhole16(q.value(4));
            r.seatInClass = sysdb::toWhole16(q.value(5));
            reg.push_back(std::move(r));
        }
    }
    std::shuffle(reg.begin(), reg.end(), rng);
    QSet<QString> registerKeys;
    for (const RegisterRow &r : reg)
        registerKeys.insert(studentKey(r.stid));
    // A row of the exam gets a seat when its student is in the register; a row without a student
    // number belongs to nobody there.
    auto inRegister = [&registerKeys](const QVariant &stid) {
        return !stid.isNull() && registerKeys.contains(studentKey(stid.toString()));
    };
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

    // The rows that will be seated, by group, and the rows of students who have left the register.
    int otherRows = 0;
    int artsRows = 0;
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT stid, wlflag FROM stucj WHERE id = ?"), {input.examId});
        if (!q.exec())
            return failed(q);
        while (q.next()) {
            if (!inRegister(q.value(0)))
                ++result.unseated;
            else if (isArts(q.value(1)))
                ++artsRows;
            else
                ++otherRows;
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
                    room.capacity = std::max(0, sysdb::toWhole16(rs));
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
            result.error = reasonText(tx.error());
        }
        return result;
    };
    if (total < artsRows + otherRows)
        return shortOfSeats();

    // Split of the rooms: the non-arts students take the first rooms, the arts students the rest.
    if (otherRows >= 1 && artsRows == 0) {
        result.nonArtsRooms = roomCount;
    } else if (otherRows == 0 && artsRows >= 1) {
        result.artsRooms = roomCount;
    } else if (otherRows >= 1 && artsRows >= 1) {
        int sum = 0;
        int r = 0;
        for (int i = 0; i < roomCount; ++i) {
            sum += result.rooms[i].capacity;
            if (sum >= otherRows) {
                r = i + 1;
                break;
            }
        }
        if (r == 0)
            return shortOfSeats();
        int rest = 0;
        for (int i = r; i < roomCount; ++i)
            rest += result.rooms[i].capacity;
        if (rest < artsRows)
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

    // Every seat of the exam is dealt afresh: no row keeps a seat from an earlier run, so the rows
    // of students who have left the register are left without room and seat (their scores stay).
    if (QSqlQuery clear = prepare(cohort, QStringLiteral("UPDATE stucj SET kcbj = NULL, kczh = NULL WHERE id = ? AND (kcbj IS NOT NULL OR kczh IS NOT NULL)"),
                                  {input.examId});
        !clear.exec())
        return failed(clear);
    // The rows to seat of each group, in ascending order of their key (no key first, then the
    // order in which the rows were created).
    std::vector<qint64> groupRows[2];
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT rowid, stid, wlflag FROM stucj WHERE id = ? ORDER BY zftlnob, rowid"),
                              {input.examId});
        if (!q.exec())
            return failed(q);
        while (q.next())
            if (inRegister(q.value(1)))
                groupRows[isArts(q.value(2)) ? 1 : 0].push_back(q.value(0).toLongLong());
    }

    // Seat walk of one group over its rooms, room after room and seat after seat. Every row gets
    // a seat of its own (rows are written by their own row id, so two rows of one student number
    // are both seated); the split has given the group at least as many seats as it has rows.
    QSqlQuery seat = prepare(cohort, QStringLiteral("UPDATE stucj SET kcbj = ?, kczh = ? WHERE rowid = ?"));
    auto walk = [&](const std::vector<qint64> &rows, int firstRoom, int roomsInGroup) -> bool {
        ProgressCounter progress(callbacks.progress);
        size_t next = 0;
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
        return true;
    };
    if (!walk(groupRows[0], 0, result.nonArtsRooms))
        return result;
    if (result.nonArtsRooms > 0 && callbacks.betweenGroups)
        callbacks.betweenGroups();
    if (!walk(groupRows[1], result.nonArtsRooms, result.artsRooms))
        return result;

    if (!tx.commit()) {
        result.status = ArrangeStatus::DatabaseError;
        result.error = reasonText(tx.error());
        return result;
    }
    result.status = ArrangeStatus::Done;
    return result;
}

} // namespace quorvane
