#include "shell/database.h"

#include "shell/services.h"
#include "shell/titles.h"
#include "workbook/celltext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QStorageInfo>
#include <QUrl>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sqlite3.h>
#include <unistd.h>

namespace quorvane {

namespace {
QString &dataFolderSlot()
{
    static QString folder;
    return folder;
}

struct OpenRule
{
    const char *window;
    bool cohort;        // opens the cohort database (first)
    bool system;        // opens the system database
    bool check;         // looks for the files first; a missing file ends the program
    bool closeCohort;   // closes the cohort database at unload
    bool closeSystem;   // closes the system database at unload
    // What a checking window says when a file is there but cannot be opened as one of our
    // databases; nullptr: the same as for a missing file.
    const char *unreadable = nullptr;
};

// Which window opens which file, whether it checks it first, and what it closes when it unloads.
constexpr OpenRule kRules[] = {
    {"selectyear", false, true, false, false, true},
    {"grad1", false, true, false, false, true},
    {"kcsz", false, true, false, false, true},
    {"gkksxx", false, true, true, false, true},
    {"managst", true, false, true, false, false},
    {"kcbp", true, true, false, true, true},
    {"bpdy", true, true, true, true, true},
    {"bpdy2", true, true, true, true, true},
    {"make", true, true, true, true, true},
    {"makea", true, true, true, true, true},
    {"cjintool", true, true, true, true, true, "库文件出错!"},
    {"dkcj", true, true, true, true, true},
    {"gkcj", true, true, true, true, true},
    {"average", true, true, true, true, true},
    {"fdtj", true, true, true, true, true},
    {"cjbq", true, true, true, true, true},
    {"gkdz", true, true, true, false, false},
};

const OpenRule *ruleFor(const QString &window)
{
    for (const OpenRule &r : kRules)
        if (window == QLatin1String(r.window))
            return &r;
    return nullptr;
}
} // namespace

QString dataFolder()
{
    QString &f = dataFolderSlot();
    if (f.isEmpty())
        return QCoreApplication::applicationDirPath() + QStringLiteral("/data/");
    return f;
}

void setDataFolder(const QString &folder)
{
    QString f = folder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    dataFolderSlot() = f;
}

QString systemDbPath() { return dataFolder() + QStringLiteral("newclasssys.mdb"); }
QString cohortDbPath(const QString &dbFile) { return dataFolder() + dbFile; }
QString templateDbPath() { return dataFolder() + QStringLiteral("dbyear.mdb"); }

namespace {
// Opening a database writes its log and shared-memory files beside it; on a full disk that fails
// as a read or write error, so the free space tells what it was.
bool diskNearlyFull(const QString &path)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    return disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < 1024 * 1024;
}
} // namespace

bool openDatabase(const QString &path, DbKind kind, const QString &connectionName, QSqlDatabase *out, QString *error, OpenFault *fault)
{
    if (QSqlDatabase::contains(connectionName)) {
        {
            QSqlDatabase old = QSqlDatabase::database(connectionName, false);
            old.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
    }
    if (fault)
        *fault = OpenFault::None;
    auto fail = [&](OpenFault why, const QString &reason) {
        if (error)
            *error = why == OpenFault::CannotWrite && diskNearlyFull(path) ? QStringLiteral("磁盘已满") : reason;
        if (fault)
            *fault = why;
        if (out)
            *out = QSqlDatabase();
        if (QSqlDatabase::contains(connectionName))
            QSqlDatabase::removeDatabase(connectionName);
        return false;
    };
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return fail(OpenFault::Missing, QStringLiteral("文件不存在"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(databaseUri(path));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=0"));
        auto drop = [&](QSqlQuery *q) {
            if (q)
                *q = QSqlQuery();
            db.close();
            db = QSqlDatabase();
        };
        if (!db.open()) {
            const QSqlError e = db.lastError();
            drop(nullptr);
            return fail(OpenFault::CannotWrite, reasonText(e));
        }
        QSqlQuery q(db);
        const QString probe = kind == DbKind::System ? QStringLiteral("SELECT count(*) FROM dbsystable WHERE 0")
                                                     : QStringLiteral("SELECT count(*) FROM stinfo WHERE 0");
        if (!q.exec(probe)) {
            // A file that is not a database, or a database without our tables, is not ours; a file
            // that could not be read for another reason (a read-only folder keeps SQLite from making
            // its log beside it, a lock, the disk) is ours but cannot be written.
            const QSqlError e = q.lastError();
            const int code = e.nativeErrorCode().toInt() & 0xff;
            drop(&q);
            return fail(code == 26 || code == 1 || code == 11 ? OpenFault::NotOurs : OpenFault::CannotWrite, reasonText(e));
        }
        // Switching to the log journal writes to the file: a file that can only be read (a read-only
        // file or folder) fails here instead of at the window's first save.
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next()
            || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
            const QSqlError e = q.lastError();
            drop(&q);
            return fail(OpenFault::CannotWrite, e.isValid() ? reasonText(e) : QStringLiteral("文件或所在文件夹只读，没有写入权限"));
        }
        q.finish();
        if (!QFileInfo(path).isWritable() || !QFileInfo(QFileInfo(path).absolutePath()).isWritable()) {
            drop(&q);
            return fail(OpenFault::CannotWrite, QStringLiteral("文件或所在文件夹只读，没有写入权限"));
        }
        if (out)
            *out = db;
    }
    return true;
}

bool checkpoint(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    // Result row: busy flag, log pages, pages written back. Busy means a reader kept part of the log.
    if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) || !q.next())
        return false;
    return q.value(0).toInt() == 0;
}

void closeAllDatabases()
{
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &n : names) {
        // Windows keep copies of their connections; closing the shared connection closes them all.
        // A file that was moved or deleted is left as it is: closing would write its log back and
        // remove the log by its old name, where another file may stand by now.
        QSqlDatabase db = QSqlDatabase::database(n, false);
        if (db.isOpen() && !fileMoved(db))
            db.close();
    }
}

namespace {
// SQLite's own connection behind a Qt connection (the driver uses the system's SQLite library).
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}
} // namespace

bool fileMoved(const QSqlDatabase &db)
{
    sqlite3 *handle = sqliteHandle(db);
    int moved = 0;
    return handle && sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

namespace {
thread_local WriteScope *tInnermostScope = nullptr;

// True while the connection is inside a transaction (its writes are checked when it ends).
bool inTransaction(const QSqlDatabase &db)
{
    sqlite3 *handle = sqliteHandle(db);
    return handle && sqlite3_get_autocommit(handle) == 0;
}
} // namespace

// The shared write path's own use of the innermost scope.
struct WriteCheck
{
    // When the connection's file was deleted or moved, says so and what was not saved, and ends
    // the program.
    static void ensureInPlace(const QSqlDatabase &db)
    {
        if (!fileMoved(db))
            return;
        const QString what = tInnermostScope ? tInnermostScope->m_what : QStringLiteral("本次改动");
        const QString file = QUrl(db.databaseName()).fileName();
        services::msg(QStringLiteral("数据文件“") + file + QStringLiteral("”已被删除或移走，") + what
                          + QStringLiteral("未能保存！程序即将结束。"),
                      titles::kWarning, MsgIcon::Critical);
        services::endProgram();
    }
    static void noteFailure(const QSqlError &error)
    {
        if (tInnermostScope && tInnermostScope->m_failure.isEmpty() && error.isValid())
            tInnermostScope->m_failure = reasonText(error);
    }
};

WriteScope::WriteScope(const QString &what) : m_what(what), m_outer(tInnermostScope)
{
    tInnermostScope = this;
}

WriteScope::~WriteScope()
{
    tInnermostScope = m_outer;
}

QString failureClause(const QString &reason)
{
    return reason.isEmpty() ? QString() : QStringLiteral("：") + reason;
}

QString WriteScope::failureClause() const
{
    return quorvane::failureClause(m_failure);
}

QSqlError commitError(const QSqlDatabase &db)
{
    // Qt's commit() drops SQLite's result code; a COMMIT statement keeps it, so a full disk is
    // named as such.
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("COMMIT")))
        return QSqlError();
    return q.lastError();
}

QString reasonText(const QSqlError &error)
{
    bool numeric = false;
    const int extended = error.nativeErrorCode().toInt(&numeric);
    const int code = extended & 0xff;
    if (!numeric)
        return QStringLiteral("数据库出错");
    // The log's shared-memory file could not grow: there is no room left on the disk.
    if (extended == SQLITE_IOERR_SHMSIZE)
        return QStringLiteral("磁盘已满");
    switch (code) {
    case 3: return QStringLiteral("没有访问权限");
    case 5:
    case 6: return QStringLiteral("数据库正被其他窗口或程序使用");
    case 7: return QStringLiteral("内存不足");
    case 8: return QStringLiteral("文件或所在文件夹只读，没有写入权限");
    case 10: return QStringLiteral("磁盘读写出错");
    case 11: return QStringLiteral("文件已损坏");
    case 13: return QStringLiteral("磁盘已满");
    case 14: return QStringLiteral("文件无法打开（文件或所在文件夹没有读写权限）");
    case 26: return QStringLiteral("不是本系统的数据库文件");
    default: return QStringLiteral("数据库出错（错误代码") + QString::number(code) + QStringLiteral("）");
    }
}

QString systemReasonText(int errnoValue)
{
    switch (errnoValue) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("磁盘已满");
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case EROFS: return QStringLiteral("磁盘或文件夹只读");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("文件正被其他程序使用");
    case ENOENT: return QStringLiteral("文件不存在");
    case EEXIST: return QStringLiteral("同名文件已存在");
    case EFBIG: return QStringLiteral("文件超过系统允许的大小");
    case EIO: return QStringLiteral("磁盘读写出错");
    case EXDEV: return QStringLiteral("不能移到另一个磁盘");
    case ENAMETOOLONG: return QStringLiteral("文件名太长");
    default: return QStringLiteral("系统错误（错误代码") + QString::number(errnoValue) + QStringLiteral("）");
    }
}

QString dataFolderLockPath()
{
    return dataFolder() + QStringLiteral("quorvane.lock");
}

FolderLock lockDataFolder()
{
    // The lock is an flock() on the lock file, held through one open descriptor for the life of the
    // process: the system drops it when the program ends in any way (an immediate exit, a crash), so
    // what the file holds never matters, and a folder brought from another computer or left by a
    // crash always starts. (A classic fcntl lock would be dropped when any descriptor of the file
    // closes; flock belongs to the open file description.)
    struct Held
    {
        QString path;
        int fd = -1;
    };
    static Held held;
    const QString path = dataFolderLockPath();
    if (held.fd >= 0 && held.path == path)
        return FolderLock::Taken;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return FolderLock::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? FolderLock::HeldByOther : FolderLock::Unavailable;
    }
    if (held.fd >= 0)
        ::close(held.fd);
    held = {path, fd};
    // For whoever looks at the file: the process that holds it. Only the lock itself counts.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.constData(), size_t(pid.size())) < 0) {
        // Nothing to do: the lock holds whatever the file says.
    }
    return FolderLock::Taken;
}

void closeDatabase(QSqlDatabase &db)
{
    if (!db.isValid())
        return;
    const QString name = db.connectionName();
    db.close();
    db = QSqlDatabase();
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
}

QString databaseUri(const QString &path)
{
    return QStringLiteral("file:") + QString::fromUtf8(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/"))
           + QStringLiteral("?mode=rw");
}

bool holdsFile(const QSqlDatabase &db, const QString &path)
{
    return db.isOpen() && (db.databaseName() == databaseUri(path) || db.databaseName() == QFileInfo(path).absoluteFilePath());
}

bool isDatabaseOpen(const QString &path)
{
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &name : names) {
        if (holdsFile(QSqlDatabase::database(name, false), path))
            return true;
    }
    return false;
}

WindowDatabases::WindowDatabases(const QString &windowName) : m_window(windowName) {}

bool WindowDatabases::open(const QString &cohortDbFile)
{
    const OpenRule *rule = ruleFor(m_window);
    if (!rule)
        return false;
    const QString &warn = titles::kWarning;
    QString reason;
    OpenFault fault = OpenFault::None;
    // A file that is there but cannot be written is named as such, not as missing; the window
    // then ends the program or unloads itself as it does for a missing file.
    auto cannotWrite = [&](const QString &file) { return QStringLiteral("库文件") + file + QStringLiteral("无法写入：") + reason; };
    if (rule->cohort) {
        const QString path = cohortDbPath(cohortDbFile);
        const bool ok = !cohortDbFile.isEmpty() && openDatabase(path, DbKind::Cohort, m_window + QStringLiteral("-cohort"), &cohort, &reason, &fault);
        if (!ok && fault == OpenFault::CannotWrite) {
            services::msg(cannotWrite(cohortDbFile), warn);
            if (rule->check)
                services::endProgram();
            return false;
        }
        if (!ok && rule->check) {
            if (rule->unreadable && !cohortDbFile.isEmpty() && QFileInfo(path).isFile())
                services::msg(QString::fromUtf8(rule->unreadable), warn);
            else
                services::msg(QStringLiteral("库文件") + cohortDbFile + QStringLiteral("不存在!"), warn);
            services::endProgram();
        }
        if (!ok) {
            services::msg(QStringLiteral("库文件") + cohortDbFile + QStringLiteral("不存在!"), warn);
            return false;
        }
    }
    if (rule->system) {
        const bool ok = openDatabase(systemDbPath(), DbKind::System, m_window + QStringLiteral("-system"), &system, &reason, &fault);
        if (!ok) {
            const bool registers = m_window == QLatin1String("grad1") || m_window == QLatin1String("kcsz");
            if (fault == OpenFault::CannotWrite) {
                services::msg(cannotWrite(QStringLiteral("newclasssys.mdb")), registers ? titles::kSystem : warn);
                if (rule->check || m_window == QLatin1String("selectyear"))
                    services::endProgram();
                closeDatabase(cohort);
                return false;
            }
            if (rule->check) {
                if (rule->unreadable && QFileInfo(systemDbPath()).isFile())
                    services::msg(QString::fromUtf8(rule->unreadable), warn);
                else
                    services::msg(QStringLiteral("库文件newclasssys.mdb不存在!"), warn);
                services::endProgram();
            }
            if (m_window == QLatin1String("selectyear")) {
                services::msg(QStringLiteral("newclasssys.mdb库文件有误!"), warn);
                services::endProgram();
            }
            if (registers)
                services::msg(QStringLiteral("库文件“newclasssys.mdb”错误！"), titles::kSystem);
            else
                services::msg(QStringLiteral("库文件newclasssys.mdb不存在!"), warn);
            closeDatabase(cohort);
            return false;
        }
    }
    return true;
}

void WindowDatabases::closeAtUnload()
{
    const OpenRule *rule = ruleFor(m_window);
    if (!rule)
        return;
    if (rule->closeCohort)
        closeDatabase(cohort);
    if (rule->closeSystem)
        closeDatabase(system);
}

void WindowDatabases::closeAll()
{
    closeDatabase(cohort);
    closeDatabase(system);
}

Transaction::Transaction(QSqlDatabase &db) : m_db(db)
{
    // Nothing is written into a file that is no longer at its path.
    WriteCheck::ensureInPlace(m_db);
    m_active = m_db.transaction();
    if (!m_active)
        WriteCheck::noteFailure(m_db.lastError());
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    m_error = commitError(m_db);
    // Committed into a file that is no longer at its path, the rows are lost to the user.
    WriteCheck::ensureInPlace(m_db);
    if (m_error.isValid()) {
        WriteCheck::noteFailure(m_error);
        return false; // still open: the destructor rolls it back
    }
    m_active = false;
    checkpoint(m_db);
    return true;
}

QSqlQuery prepare(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &v : values) {
        // Half a character (an unpaired surrogate of pasted text) would be stored as bytes that
        // read back as another text, so the row could never be found again by it.
        if (v.typeId() == QMetaType::QString && !v.isNull()) {
            const QString text = v.toString();
            const QString clean = validText(text);
            q.addBindValue(clean == text ? v : QVariant(clean));
        } else {
            q.addBindValue(v);
        }
    }
    return q;
}

bool execSql(const QSqlDatabase &db, const QString &sql, const QVariantList &values, QString *error)
{
    QSqlError failure;
    if (execSql(db, sql, values, &failure))
        return true;
    if (error)
        *error = reasonText(failure);
    return false;
}

bool execSql(const QSqlDatabase &db, const QString &sql, const QVariantList &values, QSqlError *error, int *rowsAffected)
{
    // A statement of its own (or one that begins a transaction) is checked before it writes, and
    // one that ends a transaction (or is one) after it; a statement inside a transaction is
    // checked when the transaction ends.
    if (!inTransaction(db))
        WriteCheck::ensureInPlace(db);
    QSqlQuery q = prepare(db, sql, values);
    const bool done = q.exec();
    const QSqlError failure = done ? QSqlError() : q.lastError();
    if (rowsAffected)
        *rowsAffected = done ? q.numRowsAffected() : -1;
    q.finish();
    if (!inTransaction(db))
        WriteCheck::ensureInPlace(db);
    if (done) {
        if (!inTransaction(db))
            checkpoint(db); // a statement of its own, or the end of a transaction
        return true;
    }
    WriteCheck::noteFailure(failure);
    if (error)
        *error = failure;
    return false;
}

QString likeEscape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace quorvane
