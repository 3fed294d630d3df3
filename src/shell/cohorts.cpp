#include "shell/cohorts.h"

#include "shell/database.h"
#include "shell/valuetext.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

namespace quorvane::cohorts {

namespace {

// Removes a file that is there, also a read-only one; true when it is gone.
bool removeFileIfPresent(const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    return QFile::remove(path);
}

// A database file and the log files SQLite keeps beside it.
const char *const kCompanions[] = {"", "-wal", "-shm"};
constexpr int kCompanionCount = 3;

bool renameFile(const QString &from, const QString &to, int *err)
{
    errno = 0;
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *err = errno;
    return false;
}

// Renames a cohort's database file with its log files; on failure everything is renamed back and
// the reason is given.
bool renameCohortFiles(const QString &from, const QString &to, QString *why)
{
    // Log files of the new name without their database are left from an earlier file of that name.
    for (int i = 1; i < kCompanionCount; ++i)
        removeFileIfPresent(to + QLatin1String(kCompanions[i]));
    int done = 0;
    int err = 0;
    for (; done < kCompanionCount; ++done) {
        const QString src = from + QLatin1String(kCompanions[done]);
        if (done > 0 && !QFileInfo::exists(src))
            continue;
        if (!renameFile(src, to + QLatin1String(kCompanions[done]), &err))
            break;
    }
    if (done == kCompanionCount)
        return true;
    int ignored = 0;
    for (int i = done - 1; i >= 0; --i)
        if (QFileInfo::exists(to + QLatin1String(kCompanions[i])))
            renameFile(to + QLatin1String(kCompanions[i]), from + QLatin1String(kCompanions[i]), &ignored);
    *why = systemReasonText(err);
    return false;
}

Cohort cohortOf(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), valueText(q.value(1)), valueText(q.value(2)), q.value(3), q.value(4)};
}

// Runs one statement; on failure why takes the reason in words the user understands.
bool run(const QSqlDatabase &db, const QString &sql, const QVariantList &values, QString *why)
{
    QSqlQuery q = prepare(db, sql, values);
    if (q.exec())
        return true;
    *why = reasonText(q.lastError());
    return false;
}

const QString kColumns = QStringLiteral("SELECT rowid, dbyear, dbname, bjsum, startbj FROM dbsystable");

} // namespace

QString fileName(const QString &dbname)
{
    return dbname + QStringLiteral(".mdb");
}

QVector<Cohort> listCohorts(const QSqlDatabase &system, bool *ok)
{
    QVector<Cohort> out;
    QSqlQuery q = prepare(system, kColumns + QStringLiteral(" ORDER BY dbyear, rowid"));
    const bool done = q.exec();
    while (done && q.next())
        out.append(cohortOf(q));
    if (ok)
        *ok = done;
    return out;
}

bool findByYear(const QSqlDatabase &system, const QString &year, Cohort *out)
{
    QSqlQuery q = prepare(system, kColumns + QStringLiteral(" WHERE dbyear=? ORDER BY rowid"), {year});
    if (!q.exec() || !q.next())
        return false;
    *out = cohortOf(q);
    return true;
}

QString yearUsingName(const QSqlDatabase &system, const QString &dbname, const QString &exceptYear)
{
    QSqlQuery q = prepare(system, QStringLiteral("SELECT dbyear FROM dbsystable WHERE dbname=? AND (dbyear IS NULL OR dbyear<>?)"),
                          {dbname, exceptYear});
    if (q.exec() && q.next())
        return q.value(0).toString();
    return QString();
}

bool isReservedName(const QString &dbname)
{
    return dbname.compare(QLatin1String("dbyear"), Qt::CaseInsensitive) == 0
           || dbname.compare(QLatin1String("newclasssys"), Qt::CaseInsensitive) == 0;
}

Result addCohort(const QSqlDatabase &system, const Cohort &cohort)
{
    const QString target = cohortDbPath(fileName(cohort.dbname));
    if (!QFileInfo(templateDbPath()).isFile())
        return {Outcome::NoTemplate, {}};
    if (isDatabaseOpen(target))
        return {Outcome::FileInUse, {}};
    // An existing file of that name is replaced, together with stale journal files of its name: a
    // log left beside the new file would be replayed into it.
    bool ok = removeFileIfPresent(target) && removeFileIfPresent(target + QStringLiteral("-wal"))
              && removeFileIfPresent(target + QStringLiteral("-shm")) && removeFileIfPresent(target + QStringLiteral("-journal"));
    ok = ok && QFile::copy(templateDbPath(), target);
    if (!ok)
        return {Outcome::FileFailed, {}};
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    // The file first: a cohort row is stored only when its database exists.
    QString error;
    if (!run(system, QStringLiteral("INSERT INTO dbsystable(dbyear, dbname, bjsum, startbj) VALUES(?,?,?,?)"),
             {cohort.year, cohort.dbname, cohort.bjsum, cohort.startbj}, &error)) {
        removeFileIfPresent(target);
        return {Outcome::RowFailed, error};
    }
    return {};
}

Result changeCohort(const QSqlDatabase &system, const Cohort &stored, const Cohort &changed)
{
    const bool yearChanges = changed.year.compare(stored.year, Qt::CaseInsensitive) != 0;
    const bool nameChanges = changed.dbname != stored.dbname;
    const QString oldPath = cohortDbPath(fileName(stored.dbname));
    const QString newPath = cohortDbPath(fileName(changed.dbname));
    // A window working on the cohort would lose its exams (a new year) or its file (a new name).
    if ((yearChanges || nameChanges) && isDatabaseOpen(oldPath))
        return {Outcome::FileInUse, {}};
    bool renamed = false;
    if (nameChanges) {
        if (QFileInfo::exists(newPath))
            return {Outcome::FileExists, {}};
        if (!stored.dbname.isEmpty() && QFileInfo::exists(oldPath)) {
            QString why;
            if (!renameCohortFiles(oldPath, newPath, &why))
                return {Outcome::RenameFailed, why};
            renamed = true;
        }
    }
    QSqlError error;
    bool ok = false;
    {
        QSqlDatabase db = system;
        Transaction tx(db);
        auto run = [&](const QString &sql, const QVariantList &values) {
            QSqlQuery q = prepare(db, sql, values);
            if (q.exec())
                return true;
            error = q.lastError();
            return false;
        };
        ok = tx.active()
             && run(QStringLiteral("UPDATE dbsystable SET dbyear=?, dbname=?, bjsum=?, startbj=? WHERE rowid=?"),
                    {changed.year, changed.dbname, changed.bjsum, changed.startbj, stored.rowid});
        // Every exam list filters on the cohort's year: the exams go with their cohort.
        if (ok && yearChanges)
            ok = run(QStringLiteral("UPDATE kcbpb SET year=? WHERE year=?"), {changed.year, stored.year});
        if (ok) {
            ok = tx.commit();
            if (!ok)
                error = db.lastError();
        } else if (!error.isValid()) {
            error = db.lastError();
        }
    }
    if (!ok) {
        QString ignored;
        if (renamed)
            renameCohortFiles(newPath, oldPath, &ignored);
        return {Outcome::RowFailed, reasonText(error)};
    }
    return {};
}

Result deleteCohort(const QSqlDatabase &system, const Cohort &stored)
{
    const QString path = cohortDbPath(fileName(stored.dbname));
    // A cohort whose database a window is working on is not deleted under that window.
    if (isDatabaseOpen(path))
        return {Outcome::FileInUse, {}};
    // The row goes first: if it cannot be deleted, the cohort keeps its file.
    QString error;
    if (!run(system, QStringLiteral("DELETE FROM dbsystable WHERE rowid=?"), {stored.rowid}, &error))
        return {Outcome::RowFailed, error};
    // A file that another cohort still names stays; a file that cannot be deleted stays too.
    if (yearUsingName(system, stored.dbname, stored.year).isEmpty())
        for (const char *companion : kCompanions)
            removeFileIfPresent(path + QLatin1String(companion));
    return {};
}

} // namespace quorvane::cohorts
