#include "arrangement/exams.h"

#include "shell/database.h"
#include "shell/sysdb.h"
#include "shell/textcheck.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace quorvane {

int examGrade(const QDate &day, const QString &cohortYear)
{
    return day.year() - static_cast<int>(std::lround(Val(cohortYear))) + (day.month() >= 9 ? 1 : 0);
}

QString defaultExamName(const QDate &day)
{
    const int y = day.year();
    if (day.month() >= 9)
        return QString::number(y) + QLatin1Char('-') + QString::number(y + 1) + QStringLiteral("学年第一学期");
    return QString::number(y - 1) + QLatin1Char('-') + QString::number(y) + QStringLiteral("学年第二学期");
}

QString examIdForMoment(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyMMddHHmmss"));
}

namespace {
bool examExists(const QSqlDatabase &sys, const QString &id, bool *ok = nullptr)
{
    QSqlQuery q = prepare(sys, QStringLiteral("SELECT 1 FROM kcbpb WHERE id = ? LIMIT 1"), {id});
    const bool good = q.exec();
    if (ok)
        *ok = good;
    return good && q.next();
}

// An empty room list is stored as an empty text, not as Null (Null: the exam never had rooms).
QString nonNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
} // namespace

QString newExamId(const QSqlDatabase &sys, const QDateTime &moment)
{
    QDateTime t = moment;
    QString id = examIdForMoment(t);
    // Every id of the system database counts, whatever cohort its exam belongs to.
    for (int guard = 0; guard < 100000 && examExists(sys, id); ++guard) {
        t = t.addSecs(1);
        id = examIdForMoment(t);
    }
    return id;
}

namespace {
Exam readExam(const QSqlQuery &query)
{
    Exam e;
    e.id = query.value(0).toString();
    e.name = query.value(1).toString();
    e.num = query.value(2);
    e.bpid = query.value(3);
    e.grade = query.value(4);
    e.kcid = query.value(5);
    return e;
}
} // namespace

QVector<Exam> examsOfCohort(const QSqlDatabase &sys, const QString &cohortYear, bool *ok)
{
    QVector<Exam> out;
    QSqlQuery q = prepare(sys, QStringLiteral("SELECT id, name, num, bpid, grade, kcid FROM kcbpb WHERE year = ? "
                                              "ORDER BY id DESC, rowid"),
                          {cohortYear});
    const bool good = q.exec();
    if (ok)
        *ok = good;
    while (good && q.next())
        out.push_back(readExam(q));
    return out;
}

Exam examById(const QSqlDatabase &sys, const QString &id, bool *found)
{
    QSqlQuery q = prepare(sys, QStringLiteral("SELECT id, name, num, bpid, grade, kcid FROM kcbpb WHERE id = ? "
                                              "ORDER BY rowid LIMIT 1"),
                          {id});
    if (q.exec() && q.next()) {
        if (found)
            *found = true;
        return readExam(q);
    }
    if (found)
        *found = false;
    return {};
}

QString examName(const QSqlDatabase &sys, const QString &id)
{
    bool found = false;
    const Exam e = examById(sys, id, &found);
    return found ? e.name : QString();
}

bool saveExam(const QSqlDatabase &sys, const ExamSave &exam, bool *added, QString *error)
{
    QSqlDatabase db = sys;
    Transaction tx(db);
    bool ok = false;
    const bool exists = examExists(sys, exam.id, &ok);
    if (!ok) {
        setError(error, reasonText(db.lastError()));
        return false;
    }
    if (added)
        *added = !exists;
    if (exists) {
        if (exam.bpid.isNull())
            ok = execSql(sys, QStringLiteral("UPDATE kcbpb SET name = ?, num = ?, year = ? WHERE id = ?"),
                         {exam.name, exam.num, exam.year, exam.id}, error);
        else
            ok = execSql(sys, QStringLiteral("UPDATE kcbpb SET name = ?, num = ?, year = ?, bpid = ? WHERE id = ?"),
                         {exam.name, exam.num, exam.year, exam.bpid, exam.id}, error);
    } else {
        ok = execSql(sys, QStringLiteral("INSERT INTO kcbpb(id, name, num, year, grade, bpid) VALUES(?, ?, ?, ?, ?, ?)"),
                     {exam.id, exam.name, exam.num, exam.year, exam.grade,
                      exam.bpid.isNull() ? QVariant(QMetaType(QMetaType::QString)) : exam.bpid},
                     error);
    }
    if (!ok || !tx.commit())
        return false;
    return true;
}

namespace {
// Table deletedexams of the system database holds the exams this program deleted whose student
// rows a cohort file may still hold: one row per deleted exam with its cohort's database name,
// committed with the removal of the exam's row and removed once the cohort's rows of the exam are
// gone. A system file from before this table has none; the first deletion makes the table.

// The database name of a cohort connection (dbname): its file's name without ".mdb".
QString cohortDbName(const QSqlDatabase &cohort)
{
    QSqlQuery q(cohort);
    if (q.exec(QStringLiteral("PRAGMA database_list")))
        while (q.next())
            if (q.value(1).toString() == QLatin1String("main"))
                return QFileInfo(q.value(2).toString()).completeBaseName();
    return QString();
}

// The deletions recorded for a cohort: every recorded exam, and those of them whose rows are to go
// (an exam the system database lists again keeps its rows). ok is false when the database failed.
struct RecordedDeletions
{
    QStringList all;
    QStringList rowsToGo;
};
RecordedDeletions recordedDeletions(const QSqlDatabase &sys, const QString &dbname, bool *ok)
{
    RecordedDeletions out;
    QSqlQuery table = prepare(sys, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'deletedexams'"));
    *ok = table.exec() && table.next();
    if (!*ok || table.value(0).toInt() == 0)
        return out;
    QSqlQuery q = prepare(sys, QStringLiteral("SELECT d.id, EXISTS(SELECT 1 FROM kcbpb k WHERE k.id = d.id) FROM deletedexams d "
                                              "WHERE d.dbname = ? AND d.id IS NOT NULL"),
                          {dbname});
    *ok = q.exec();
    while (*ok && q.next()) {
        out.all << q.value(0).toString();
        if (!q.value(1).toBool())
            out.rowsToGo << q.value(0).toString();
    }
    return out;
}

// Removes the records of those exams, once their rows are gone.
bool dropDeletionRecords(const QSqlDatabase &sys, const QString &dbname, const QStringList &exams)
{
    QSqlDatabase db = sys;
    Transaction tx(db);
    for (const QString &id : exams)
        if (!execSql(sys, QStringLiteral("DELETE FROM deletedexams WHERE id = ? AND dbname = ?"), {id, dbname}))
            return false;
    if (!tx.commit())
        return false;
    return true;
}

// Deletes the rows of those exams inside the cohort's open transaction.
bool deleteRowsOf(const QSqlDatabase &cohort, const QStringList &exams, QSqlError *error)
{
    for (const QString &id : exams) {
        QSqlQuery q = prepare(cohort, QStringLiteral("DELETE FROM stucj WHERE id = ?"), {id});
        if (!q.exec()) {
            *error = q.lastError();
            return false;
        }
    }
    return true;
}
} // namespace

ExamDeletion deleteExam(const QSqlDatabase &sys, const QSqlDatabase &cohort, const QString &id)
{
    ExamDeletion result;
    auto run = [&result](const QSqlDatabase &db, const QString &sql, const QVariantList &values = {}) {
        return execSql(db, sql, values, &result.error);
    };
    auto rollback = [](const QSqlDatabase &db) { QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); };

    result.outcome = ExamDeletion::NothingDeleted;
    // Both write locks first: a database that another program or window is writing stops the
    // deletion before anything is gone.
    if (!run(sys, QStringLiteral("BEGIN IMMEDIATE")))
        return result;
    if (!run(cohort, QStringLiteral("BEGIN IMMEDIATE"))) {
        rollback(sys);
        return result;
    }
    // The exam row goes first, together with the record of its deletion: once committed no window
    // lists the exam, and rows left of it (a crash before the second commit) are named by the
    // record, which this deletion and every later one (and opening 考场编排) complete.
    const QString dbname = cohortDbName(cohort);
    const bool removed = sysdb::makeDeletionRecords(sys, &result.error)
                         && run(sys, QStringLiteral("DELETE FROM kcbpb WHERE id = ?"), {id})
                         && run(sys, QStringLiteral("INSERT INTO deletedexams(id, dbname) VALUES(?, ?)"), {id, dbname});
    if (!removed || !run(sys, QStringLiteral("COMMIT"))) {
        if (!result.error.isValid())
            result.error = sys.lastError();
        rollback(cohort);
        rollback(sys);
        return result;
    }
    result.outcome = ExamDeletion::RowsLeft;
    bool read = false;
    const RecordedDeletions recorded = recordedDeletions(sys, dbname, &read);
    if (!read || !deleteRowsOf(cohort, recorded.rowsToGo, &result.error) || !run(cohort, QStringLiteral("COMMIT"))) {
        rollback(cohort);
        return result;
    }
    // A record that cannot go now is cleared at the next opening; its rows are gone already.
    dropDeletionRecords(sys, dbname, recorded.all);
    result.outcome = ExamDeletion::Deleted;
    result.error = QSqlError();
    return result;
}

bool removeOrphanRows(const QSqlDatabase &sys, const QSqlDatabase &cohort)
{
    const QString dbname = cohortDbName(cohort);
    bool ok = false;
    const RecordedDeletions recorded = recordedDeletions(sys, dbname, &ok);
    if (!ok)
        return false;
    if (recorded.all.isEmpty())
        return true;
    if (!recorded.rowsToGo.isEmpty()) {
        QSqlDatabase db = cohort;
        Transaction tx(db);
        QSqlError error;
        if (!tx.active() || !deleteRowsOf(cohort, recorded.rowsToGo, &error) || !tx.commit())
            return false;
    }
    return dropDeletionRecords(sys, dbname, recorded.all);
}

QStringList roomListCut(const QStringList &rooms, int roomCount)
{
    return rooms.mid(0, std::max(0, roomCount));
}

bool appendRooms(const QSqlDatabase &sys, const QString &examId, const QStringList &rooms, int roomCount, bool *found,
                 int *added, QString *error)
{
    if (added)
        *added = 0;
    QSqlDatabase db = sys;
    Transaction tx(db);
    sysdb::ExamRooms stored;
    QString readError;
    const sysdb::Read read = sysdb::readExamRooms(sys, examId, &stored, &readError);
    if (read == sysdb::Read::Error) {
        setError(error, readError);
        return false;
    }
    const bool exists = read == sysdb::Read::Found;
    if (found)
        *found = exists;
    if (!exists)
        return true;
    QStringList list = stored.rooms;
    const int before = static_cast<int>(list.size());
    int newOnes = 0;
    for (const QString &room : rooms) {
        if (room.size() != 3)
            continue; // only 3-character ids keep the list's framing
        const bool present = std::any_of(list.cbegin(), list.cend(), [&](const QString &listed) {
            return QString::compare(listed, room, Qt::CaseInsensitive) == 0;
        });
        if (present)
            continue;
        list << room;
        ++newOnes;
    }
    list = roomListCut(list, roomCount);
    const QString joined = list.join(QString());
    if (added)
        *added = std::clamp(static_cast<int>(list.size()) - before, 0, newOnes);
    if (!execSql(sys, QStringLiteral("UPDATE kcbpb SET kcid = ? WHERE id = ?"), {nonNull(joined), examId}, error) || !tx.commit())
        return false;
    return true;
}

bool storeRoomList(const QSqlDatabase &sys, const QString &examId, const QStringList &rooms, bool *found, QString *error)
{
    QSqlDatabase db = sys;
    Transaction tx(db);
    bool ok = false;
    const bool exists = examExists(sys, examId, &ok);
    if (!ok) {
        setError(error, reasonText(db.lastError()));
        return false;
    }
    if (found)
        *found = exists;
    if (!exists)
        return true;
    if (!execSql(sys, QStringLiteral("UPDATE kcbpb SET kcid = ? WHERE id = ?"), {nonNull(rooms.join(QString())), examId}, error) || !tx.commit())
        return false;
    return true;
}

} // namespace quorvane
