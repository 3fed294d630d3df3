#include "shell/sysdb.h"

#include "shell/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace quorvane::sysdb {

bool flagSet(const QVariant &value)
{
    if (value.isNull())
        return false;
    bool ok = false;
    const double d = value.toDouble(&ok);
    return ok && d != 0.0;
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

ClassRange readClassRange(const QSqlDatabase &system, const QString &cohortYear)
{
    ClassRange out;
    QSqlQuery q = prepare(system, QStringLiteral("SELECT bjsum, startbj FROM dbsystable WHERE dbyear = ? ORDER BY rowid LIMIT 1"),
                          {cohortYear});
    if (!q.exec() || !q.next())
        return out;
    out.found = true;
    out.bjsum = qint16(toWhole16(q.value(0)));
    out.startbj = qint16(toWhole16(q.value(1)));
    return out;
}

QStringList splitRoomList(const QString &kcid, const QStringList &registered)
{
    const qsizetype n = kcid.size();
    // The pieces kept, each room once: the first time it appears, letter case ignored.
    QStringList out;
    QSet<QString> seen;
    auto keep = [&](qsizetype i) {
        const QString room = kcid.mid(i, 3);
        if (!seen.contains(room.toCaseFolded())) {
            seen.insert(room.toCaseFolded());
            out << room;
        }
    };
    // The program writes the list framed in 3-character pieces, so a list of that length is read
    // as framed, whatever the register holds now: a room deleted from the register since stays as
    // its own piece (it gets no seats), and no reading across the pieces invents a room the list
    // does not name.
    if (n % 3 == 0) {
        for (qsizetype i = 0; i < n; i += 3)
            keep(i);
        return out;
    }

    // Any other length comes from a room id of another length (an earlier build stored them):
    // the list is read the way that keeps the most registered rooms.
    QHash<QString, int> rooms; // registered 3-character ids, case-folded, to their number
    QStringList malformed;     // registered ids of another length
    for (const QString &id : registered) {
        if (id.size() == 3)
            rooms.insert(id.toCaseFolded(), rooms.value(id.toCaseFolded(), int(rooms.size())));
        else if (!id.isEmpty())
            malformed << id;
    }
    // The registered room each 3-character piece names (-1: none).
    std::vector<int> roomAt(static_cast<size_t>(n), -1);
    for (qsizetype i = 0; i + 3 <= n; ++i)
        roomAt[size_t(i)] = rooms.value(kcid.mid(i, 3).toCaseFolded(), -1);
    // A room that two separate pieces name could be kept twice; the reading keeps track of which
    // of these rooms it has kept (one bit each), so that each counts once. The bits are limited so
    // that the positions times their combinations stay within a fixed budget; a room beyond them
    // counts each time it is kept (the list is cleared of repeats below all the same).
    constexpr qsizetype kStateBudget = qsizetype(1) << 16;
    int bits = 0;
    while ((n + 1) << (bits + 1) <= kStateBudget)
        ++bits;
    std::vector<int> bitOf(size_t(rooms.size()), -1);
    {
        std::vector<qsizetype> firstAt(size_t(rooms.size()), -1);
        int used = 0;
        for (qsizetype i = 0; i < n && used < bits; ++i) {
            const int room = roomAt[size_t(i)];
            if (room < 0)
                continue;
            qsizetype &first = firstAt[size_t(room)];
            if (first < 0)
                first = i;
            else if (i - first >= 3 && bitOf[size_t(room)] < 0)
                bitOf[size_t(room)] = used++;
        }
        bits = used;
    }
    const size_t masks = size_t(1) << bits;

    // The best reading of each tail kcid[i..] with the tracked rooms of mask already kept before
    // it, found from the end: registered rooms it adds (negated, so that less is better),
    // characters dropped, pieces kept that name no registered room; then the step taken. A piece
    // that repeats a room kept before is kept without counting (it is left out below).
    struct Best
    {
        int registered = 0, dropped = 0, unregistered = 0;
        int step = 0;     // characters consumed
        bool keep = false; // the step is a 3-character piece kept
        auto key() const { return std::tuple(registered, dropped, unregistered); }
    };
    std::vector<Best> best((size_t(n) + 1) * masks);
    auto at = [&](qsizetype i, size_t mask) -> Best & { return best[size_t(i) * masks + mask]; };
    std::vector<qsizetype> malformedHere; // the lengths of the malformed ids that begin at i
    for (qsizetype i = n - 1; i >= 0; --i) {
        malformedHere.clear();
        for (const QString &id : malformed)
            if (i + id.size() <= n && QStringView(kcid).mid(i, id.size()).compare(id, Qt::CaseInsensitive) == 0
                && std::find(malformedHere.begin(), malformedHere.end(), id.size()) == malformedHere.end())
                malformedHere.push_back(id.size());
        for (size_t mask = 0; mask < masks; ++mask) {
            Best &cur = at(i, mask);
            auto consider = [&](Best b, qsizetype step, bool keep) {
                b.step = int(step);
                b.keep = keep;
                if (cur.step == 0 || b.key() < cur.key())
                    cur = b;
            };
            if (i + 3 <= n) {
                const int room = roomAt[size_t(i)];
                const int bit = room < 0 ? -1 : bitOf[size_t(room)];
                const bool adds = room >= 0 && (bit < 0 || !(mask >> bit & 1));
                Best b = at(i + 3, bit < 0 ? mask : mask | (size_t(1) << bit));
                if (adds)
                    --b.registered;
                else if (room < 0)
                    ++b.unregistered;
                consider(b, 3, true);
            }
            for (const qsizetype length : malformedHere)
                consider(at(i + length, mask), length, false);
            Best skip = at(i + 1, mask);
            ++skip.dropped;
            consider(skip, 1, false);
        }
    }
    size_t mask = 0;
    for (qsizetype i = 0; i < n;) {
        const Best &b = at(i, mask);
        if (b.keep) {
            keep(i);
            const int r = roomAt[size_t(i)];
            if (r >= 0 && bitOf[size_t(r)] >= 0)
                mask |= size_t(1) << bitOf[size_t(r)];
        }
        i += b.step;
    }
    return out;
}

QStringList registeredRoomIds(const QSqlDatabase &system)
{
    QStringList ids;
    QSqlQuery q = prepare(system, QStringLiteral("SELECT id FROM kcszb WHERE id IS NOT NULL"));
    if (q.exec())
        while (q.next())
            ids << q.value(0).toString();
    return ids;
}

QStringList readRoomList(const QSqlDatabase &system, const QString &kcid)
{
    return kcid.isEmpty() ? QStringList() : splitRoomList(kcid, registeredRoomIds(system));
}

Read readExamRooms(const QSqlDatabase &system, const QString &examId, ExamRooms *out, QString *error)
{
    QSqlQuery q = prepare(system, QStringLiteral("SELECT kcid, bpid FROM kcbpb WHERE id = ? ORDER BY rowid LIMIT 1"), {examId});
    if (!q.exec()) {
        if (error)
            *error = reasonText(q.lastError());
        return Read::Error;
    }
    if (!q.next())
        return Read::NotFound;
    out->kcid = q.value(0).isNull() ? QString() : q.value(0).toString();
    out->bpid = q.value(1).isNull() ? QString() : q.value(1).toString();
    out->rooms = readRoomList(system, out->kcid);
    return Read::Found;
}

QStringList examRoomIds(const QSqlDatabase &system, const QString &examId)
{
    ExamRooms exam;
    return readExamRooms(system, examId, &exam) == Read::Found ? exam.rooms : QStringList();
}

const SubjectSettings &ExamSettings::subject(int k) const
{
    static const SubjectSettings none;
    return k >= 1 && k <= kSubjectCount ? subjects[size_t(k - 1)] : none;
}

Read readExamSettings(const QSqlDatabase &system, const QString &cohortYear, const QString &examId, ExamSettings *out,
                      QString *error)
{
    // Every column of the row, found by name, so a column missing from an old file reads as Null.
    QSqlQuery q = prepare(system, QStringLiteral("SELECT * FROM kcbpb WHERE year = ? AND id = ? ORDER BY rowid LIMIT 1"),
                          {cohortYear, examId});
    if (!q.exec()) {
        if (error)
            *error = reasonText(q.lastError());
        return Read::Error;
    }
    if (!q.next())
        return Read::NotFound;
    const QSqlRecord rec = q.record();
    auto value = [&](const QString &column) {
        const int i = rec.indexOf(column);
        if (i < 0)
            return QVariant();
        const QVariant v = q.value(i);
        return v.isNull() ? QVariant() : v;
    };
    ExamSettings s;
    s.grade = value(QStringLiteral("grade"));
    for (int k = 1; k <= kSubjectCount; ++k) {
        const QString n = QString::number(k);
        SubjectSettings &t = s.subjects[size_t(k - 1)];
        t.kstime = value(QStringLiteral("kstime") + n);
        t.kgfs = value(QStringLiteral("kgfs") + n);
        t.zgfs = value(QStringLiteral("zgfs") + n);
        t.allfs = value(QStringLiteral("allfs") + n);
        t.kstype = value(QStringLiteral("kstype") + n);
        t.kmflag = value(QStringLiteral("kmflag") + n);
        t.cjlock = value(QStringLiteral("cjlock") + n);
        t.cjinput = value(QStringLiteral("cjinput") + n);
        t.zfjsa = value(QStringLiteral("zfjsa") + n);
        t.zfjsb = value(QStringLiteral("zfjsb") + n);
    }
    *out = std::move(s);
    return Read::Found;
}

bool makeDeletionRecords(const QSqlDatabase &system, QSqlError *error)
{
    return execSql(system, QStringLiteral("CREATE TABLE IF NOT EXISTS deletedexams (id TEXT COLLATE NOCASE, dbname TEXT COLLATE NOCASE)"), {},
                   error);
}

} // namespace quorvane::sysdb
