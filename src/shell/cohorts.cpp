#include "shell/cohorts.h"

#include "shell/database.h"
#include "shell/sysdb.h"
#include "shell/valuetext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The log files SQLite keeps beside a database file (its write-ahead log and that log's index, or
// its rollback journal): the one list of them, for every step that makes, renames, deletes or
// sweeps away a database file. A log left beside a file of that name would be replayed into it.
const char *const kLogSuffixes[] = {"-wal", "-shm", "-journal"};

// Removes the log files of a database; true when none is left.
bool removeLogs(const QString &path)
{
    for (const char *suffix : kLogSuffixes)
        if (!removeFileIfPresent(path + QLatin1String(suffix)))
            return false;
    return true;
}

// Removes a database file, then its log files; true when nothing of it is left. The logs of a file
// that cannot be removed stay with it: they may hold its last writes.
bool removeWithLogs(const QString &path)
{
    return removeFileIfPresent(path) && removeLogs(path);
}

// A rename first copies the cohort's database to a file of this name, which no cohort file can
// have (a cohort file is <dbname>.mdb): "~quorvane-rename~<old dbname>~<new dbname>", each name
// percent-encoded with "~" and "-" encoded too (a log file of the copy adds "-wal" and the like). Whatever of a rename a crash leaves is found by it.
const QString kRenamePrefix = QStringLiteral("~quorvane-rename~");

QString encodedName(const QString &dbname)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(dbname, QByteArray(), "~-"));
}

QString renameCopyPath(const QString &oldName, const QString &newName)
{
    return dataFolder() + kRenamePrefix + encodedName(oldName) + QLatin1Char('~') + encodedName(newName);
}

std::function<void(int)> &renameStepHook()
{
    static std::function<void(int)> hook;
    return hook;
}

void stepDone(int step)
{
    if (renameStepHook())
        renameStepHook()(step);
}

std::function<int(const char *)> &fileCallHook()
{
    static std::function<int(const char *)> hook;
    return hook;
}

// The error number the test hook refuses a file call with; 0 to make the call.
int refusal(const char *call)
{
    return fileCallHook() ? fileCallHook()(call) : 0;
}

// Gives the copy of a rename the new name, never replacing a file of that name. Where the file system
// has hard links, the new name is a second name of the copy; where it has none (FAT and exFAT sticks,
// many network shares refuse link() with EPERM, EOPNOTSUPP or ENOSYS), the copy is renamed, with a
// rename that refuses to replace; where that is refused too (EINVAL or ENOSYS, as on NFS), with a
// plain rename once the name is seen to be free. 0 when named (renamed says whether the copy's own
// name is gone), else the error number: EEXIST when the name is taken.
int nameCopy(const QString &copy, const QString &newPath, bool *renamed)
{
    const QByteArray from = QFile::encodeName(copy);
    const QByteArray to = QFile::encodeName(newPath);
    *renamed = false;
    int err = refusal("link");
    if (err == 0)
        err = ::link(from.constData(), to.constData()) == 0 ? 0 : errno;
    if (err != EPERM && err != EOPNOTSUPP && err != ENOSYS)
        return err;
    err = refusal("renameat2");
    if (err == 0)
        err = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
    if (err == EINVAL || err == ENOSYS) {
        struct stat st;
        if (::lstat(to.constData(), &st) == 0)
            return EEXIST;
        err = ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
    }
    *renamed = err == 0;
    return err;
}

// Writes a file's data, or a folder's entries, to the disk.
bool syncToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Copies a database into a new file with SQLite's backup API (what a log beside the source holds
// is copied too) and writes the copy to the disk. why takes the reason of a failure.
bool copyDatabase(const QString &from, const QString &to, QString *why)
{
    sqlite3 *source = nullptr;
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(from).constData(), &source, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_open_v2(QFile::encodeName(to).constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
        if (!backup) {
            rc = sqlite3_extended_errcode(target);
        } else {
            rc = sqlite3_backup_step(backup, -1);
            const int finished = sqlite3_backup_finish(backup);
            rc = rc == SQLITE_DONE ? finished : rc;
        }
    }
    sqlite3_close(target);
    sqlite3_close(source);
    if (rc == SQLITE_OK && syncToDisk(to))
        return true;
    *why = rc == SQLITE_OK ? systemReasonText(errno)
                           : reasonText(QSqlError(QString(), QString(), QSqlError::UnknownError, QString::number(rc)));
    return false;
}

// True when two paths name the same file (one is a hard link of the other).
bool sameFile(const QString &a, const QString &b)
{
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
           && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool rowNames(const QSqlDatabase &system, const QString &dbname)
{
    QSqlQuery q = prepare(system, QStringLiteral("SELECT 1 FROM dbsystable WHERE dbname=? LIMIT 1"), {dbname});
    return q.exec() && q.next();
}

Cohort cohortOf(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), valueText(q.value(1)), valueText(q.value(2)), q.value(3), q.value(4)};
}

// Runs one statement; on failure why takes the reason in words the user understands.
bool run(const QSqlDatabase &db, const QString &sql, const QVariantList &values, QString *why)
{
    return execSql(db, sql, values, why);
}

// Copies a file to a new file of that name and writes it to the disk. On failure nothing of the
// new file is left and why takes the reason (a full disk is named as such).
bool copyFile(const QString &from, const QString &to, QString *why)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = in < 0 ? -1 : ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    int err = out < 0 ? errno : 0;
    char block[65536];
    while (err == 0) {
        const ssize_t n = ::read(in, block, sizeof block);
        if (n == 0)
            break;
        if (n < 0) {
            err = errno == EINTR ? 0 : errno;
            continue;
        }
        for (ssize_t done = 0; done < n && err == 0;) {
            const ssize_t written = ::write(out, block + done, size_t(n - done));
            if (written > 0)
                done += written;
            else if (written == 0 || errno != EINTR)
                err = written == 0 ? ENOSPC : errno;
        }
    }
    if (err == 0 && ::fsync(out) != 0)
        err = errno;
    if (out >= 0 && ::close(out) != 0 && err == 0)
        err = errno;
    if (in >= 0)
        ::close(in);
    if (err == 0)
        return true;
    if (out >= 0)
        ::unlink(QFile::encodeName(to).constData());
    *why = systemReasonText(err);
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
    // Begun first: nothing is made for a system database that was deleted or moved.
    QSqlDatabase db = system;
    Transaction tx(db);
    if (!tx.active())
        return {Outcome::RowFailed, reasonText(db.lastError())};
    const QString target = cohortDbPath(fileName(cohort.dbname));
    if (!QFileInfo(templateDbPath()).isFile())
        return {Outcome::NoTemplate, {}};
    if (isDatabaseOpen(target))
        return {Outcome::FileInUse, {}};
    // An existing file of that name is replaced, together with stale journal files of its name: a
    // log left beside the new file would be replayed into it.
    QString error;
    if (!removeWithLogs(target) || !copyFile(templateDbPath(), target, &error))
        return {Outcome::FileFailed, error};
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    // The file first: a cohort row is stored only when its database exists.
    if (!run(system, QStringLiteral("INSERT INTO dbsystable(dbyear, dbname, bjsum, startbj) VALUES(?,?,?,?)"),
             {cohort.year, cohort.dbname, cohort.bjsum, cohort.startbj}, &error)
        || !tx.commit()) {
        if (error.isEmpty())
            error = reasonText(tx.error());
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
    // A rename never overwrites or removes a file of the new name, and a crash at any step leaves
    // the row naming a file that holds the cohort: the data is copied to a file of the program's
    // own name and written to the disk, the copy gets the new name (refused when that name is
    // taken), the row is committed, and only then does the old file go.
    QString copy;
    bool copyRenamed = false; // the copy's only name is the new one
    if (nameChanges) {
        finishRenames(system);
        // Before anything of the new name is touched: log files beside a file of that name are
        // the user's file's own.
        if (QFileInfo::exists(newPath))
            return {Outcome::FileExists, {}};
        if (!stored.dbname.isEmpty() && QFileInfo::exists(oldPath)) {
            // Log files of the new name without their database are left from an earlier file of
            // that name: they would be replayed into the copy.
            if (!removeLogs(newPath))
                return {Outcome::RenameFailed, systemReasonText(EEXIST)};
            copy = renameCopyPath(stored.dbname, changed.dbname);
            removeWithLogs(copy);
            QString why;
            if (!copyDatabase(oldPath, copy, &why)) {
                removeWithLogs(copy);
                return {Outcome::RenameFailed, why};
            }
            stepDone(1);
            if (const int err = nameCopy(copy, newPath, &copyRenamed)) {
                removeWithLogs(copy);
                return err == EEXIST ? Result{Outcome::FileExists, {}} : Result{Outcome::RenameFailed, systemReasonText(err)};
            }
            syncToDisk(dataFolder());
            stepDone(2);
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
        // Exams deleted while rows of them were left in the cohort's file are recorded by the file's
        // name: the renamed file keeps those records, so its leftover rows still go. The records of
        // the old name stay for the old file (another cohort may still name it).
        if (ok && nameChanges)
            ok = sysdb::makeDeletionRecords(db, &error)
                 && run(QStringLiteral("INSERT INTO deletedexams(id, dbname) SELECT id, ? FROM deletedexams WHERE dbname = ?"),
                        {changed.dbname, stored.dbname});
        if (ok) {
            ok = tx.commit();
            if (!ok)
                error = tx.error();
        } else if (!error.isValid()) {
            error = db.lastError();
        }
    }
    if (!ok) {
        // The new name is this rename's own name of the copy (a second name, or its only one): it goes
        // with the copy.
        if (!copy.isEmpty()) {
            if (copyRenamed || sameFile(copy, newPath))
                removeFileIfPresent(newPath);
            removeWithLogs(copy);
        }
        return {Outcome::RowFailed, reasonText(error)};
    }
    if (!copy.isEmpty()) {
        stepDone(3);
        // The old file stays while another cohort still names it.
        if (!rowNames(system, stored.dbname))
            removeWithLogs(oldPath);
        stepDone(4);
        removeWithLogs(copy);
    }
    return {};
}

namespace {
QStringList renameLeftovers()
{
    return QDir(dataFolder()).entryList({kRenamePrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
}
} // namespace

void finishRenamesAtStart()
{
    if (renameLeftovers().isEmpty())
        return;
    QSqlDatabase system;
    if (!openDatabase(systemDbPath(), DbKind::System, QStringLiteral("start-renames"), &system))
        return;
    finishRenames(system);
    closeDatabase(system);
}

void finishRenames(const QSqlDatabase &system)
{
    const QStringList leftovers = renameLeftovers();
    for (const QString &name : leftovers) {
        const QStringList parts = name.mid(kRenamePrefix.size()).split(QLatin1Char('~'));
        if (parts.size() != 2 || parts.at(1).contains(QLatin1Char('-')))
            continue; // not a copy itself (its log files go with it)
        const QString oldName = QUrl::fromPercentEncoding(parts.at(0).toLatin1());
        const QString newName = QUrl::fromPercentEncoding(parts.at(1).toLatin1());
        const QString copy = dataFolder() + name;
        const QString oldPath = cohortDbPath(fileName(oldName));
        const QString newPath = cohortDbPath(fileName(newName));
        if (isDatabaseOpen(copy) || isDatabaseOpen(oldPath) || isDatabaseOpen(newPath))
            continue;
        const bool committed = rowNames(system, newName);
        if (committed && !rowNames(system, oldName))
            removeWithLogs(oldPath); // the row names the new file: the old one is left over
        else if (!committed && sameFile(copy, newPath))
            removeFileIfPresent(newPath); // the rename's own second name of the copy, never a user's file
        removeWithLogs(copy);
    }
}

void setRenameStepHook(std::function<void(int)> hook)
{
    renameStepHook() = std::move(hook);
}

void setFileCallHook(std::function<int(const char *)> hook)
{
    fileCallHook() = std::move(hook);
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
        removeWithLogs(path);
    return {};
}

} // namespace quorvane::cohorts
