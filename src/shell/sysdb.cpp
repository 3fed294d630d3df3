#include "shell/sysdb.h"

#include "shell/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
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
    QSet<QString> rooms;     // registered 3-character ids, case-folded
    QStringList malformed;   // registered ids of another length
    for (const QString &id : registered) {
        if (id.size() == 3)
            rooms.insert(id.toCaseFolded());
        else if (!id.isEmpty())
            malformed << id;
    }
    // The best reading of each tail kcid[i..], found from the end: characters dropped, registered
    // rooms kept (negated, so that less is better), unregistered pieces kept; then the step taken.
    struct Best
    {
        int dropped = 0, registered = 0, unregistered = 0;
        int step = 0;     // characters consumed
        bool keep = false; // the step is a room kept
        auto key() const { return std::tuple(dropped, registered, unregistered); }
    };
    const qsizetype n = kcid.size();
    std::vector<Best> best(size_t(n) + 1);
    for (qsizetype i = n - 1; i >= 0; --i) {
        auto consider = [&](Best b, qsizetype step, bool keep) {
            b.step = int(step);
            b.keep = keep;
            Best &cur = best[size_t(i)];
            if (cur.step == 0 || b.key() < cur.key())
                cur = b;
        };
        if (i + 3 <= n) {
            Best b = best[size_t(i + 3)];
            if (rooms.contains(kcid.mid(i, 3).toCaseFolded()))
                --b.registered;
            else
                ++b.unregistered;
            consider(b, 3, true);
        }
        for (const QString &id : malformed)
            if (i + id.size() <= n && QStringView(kcid).mid(i, id.size()).compare(id, Qt::CaseInsensitive) == 0)
                consider(best[size_t(i + id.size())], id.size(), false);
        Best skip = best[size_t(i + 1)];
        ++skip.dropped;
        consider(skip, 1, false);
    }
    QStringList out;
    for (qsizetype i = 0; i < n; i += best[size_t(i)].step)
        if (best[size_t(i)].keep)
            out << kcid.mid(i, 3);
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

} // namespace quorvane::sysdb
