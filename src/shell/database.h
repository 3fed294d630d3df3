#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>

namespace quorvane {

// The data folder: the executable's folder + "data/" unless a test has set another.
QString dataFolder();
void setDataFolder(const QString &folder);
QString systemDbPath();                         // data/newclasssys.mdb
QString cohortDbPath(const QString &dbFile);    // data/<dbFile>
QString templateDbPath();                       // data/dbyear.mdb

enum class DbKind { System, Cohort };

// Why a database could not be opened.
enum class OpenFault {
    None,
    Missing,        // no such file
    NotOurs,        // the file is there but is not one of our databases
    CannotWrite,    // the file is there but cannot be opened for writing (read-only file or folder, locked, disk)
};

// Opens an existing database file read-write under the connection name (replacing an older
// connection of that name). A missing file or a file that is not one of our databases fails and
// creates nothing. WAL journal; a write that finds the file held by another connection fails at once.
// On failure, error holds the reason in Chinese and fault says what kind of failure it was.
bool openDatabase(const QString &path, DbKind kind, const QString &connectionName, QSqlDatabase *out, QString *error = nullptr,
                  OpenFault *fault = nullptr);
// Writes what the write-ahead log holds into the database file itself and empties the log, so that
// the .mdb alone holds every committed row (users copy, mail and back up that file). The shared write
// path runs it after every commit (Transaction, and execSql where a statement ends outside a
// transaction). False when it could not complete (a reader kept part of the log).
bool checkpoint(const QSqlDatabase &db);
// Closes every connection of this process, so SQLite writes each file's log into the file and removes
// it. Runs when the program ends, however it ends.
void closeAllDatabases();

// True when the connection's file is no longer the one at the path it was opened at: the file or
// its folder was deleted, moved or renamed. SQLite goes on writing into such a file, and what it
// writes is lost to the user.
bool fileMoved(const QSqlDatabase &db);

// What the writes made while it lives are saving, and why the first of them that failed did not
// complete. Every write goes through Transaction or execSql, which check the file of the
// connection written when a transaction begins and after it ends: when that file was deleted or
// moved, the program says so, names what (for example "本次成绩") was not saved, and ends without
// writing anything else. A window sets one around the writes of a handler; scopes nest (the
// innermost holds), and a write outside every scope says "本次改动".
class WriteScope
{
public:
    explicit WriteScope(const QString &what);
    ~WriteScope();
    // Why the first write of this scope that failed did not complete, in words the user
    // understands ("磁盘已满"); empty when none failed (or it failed outside the shared write path).
    QString failure() const { return m_failure; }
    // A colon and the failure, to follow what failed in a message ("保存失败：磁盘已满"); empty when
    // no write of the scope failed.
    QString failureClause() const;
    WriteScope(const WriteScope &) = delete;
    WriteScope &operator=(const WriteScope &) = delete;

private:
    friend struct WriteCheck;
    QString m_what;
    QString m_failure;
    WriteScope *m_outer;
};

// Commits the open transaction with a COMMIT statement; the error (invalid when it was committed)
// carries SQLite's result code, which QSqlDatabase::commit() drops.
QSqlError commitError(const QSqlDatabase &db);

// The reason of a failed database step or file operation, in words the user understands.
QString reasonText(const QSqlError &error);
// A colon and the reason of a failure, to follow what failed in a message ("保存失败：磁盘已满");
// empty when the reason is not known.
QString failureClause(const QString &reason);
// The reason of a failed system call (errno: a file that cannot be renamed, written or created).
QString systemReasonText(int errnoValue);

// One running program per data folder: locks the folder's lock file (flock) for the life of the
// process. The system releases the lock however the program ends, so only a running program holds
// it; the file's content and a file left from another computer or a crash never block a start.
enum class FolderLock { Taken, HeldByOther, Unavailable };
FolderLock lockDataFolder();
QString dataFolderLockPath();   // data/quorvane.lock
// Closes the connection held in db and forgets its name.
void closeDatabase(QSqlDatabase &db);
// The address a connection opens the file at: a file: URI of its absolute path, read and write,
// never created.
QString databaseUri(const QString &path);
// True when the connection is open on the file.
bool holdsFile(const QSqlDatabase &db, const QString &path);
// True while some connection of this process holds the file open.
bool isDatabaseOpen(const QString &path);

// A window's databases, opened and closed as the window's row of the opening table says:
// which files it opens, whether it checks that they exist, what it reports, whether a failure ends
// the program or unloads the window, and which connections it closes when it unloads.
class WindowDatabases
{
public:
    explicit WindowDatabases(const QString &windowName);
    // Opens the window's databases (the cohort file is the one the window was loaded with). Returns
    // false when the window must unload itself; a failure that ends the program does not return.
    bool open(const QString &cohortDbFile = QString());
    // Closes what the window closes at unload.
    void closeAtUnload();
    void closeAll();

    QSqlDatabase cohort;
    QSqlDatabase system;

private:
    QString m_window;
};

// A transaction that rolls back unless committed. The connection's file is checked before it
// begins and after its commit (WriteScope); a commit is written back into the file (checkpoint).
class Transaction
{
public:
    explicit Transaction(QSqlDatabase &db);
    ~Transaction();
    // Commits; on failure the transaction stays open until it is rolled back, and error() says why
    // (as does the failure of the write scope).
    bool commit();
    bool active() const { return m_active; }
    QSqlError error() const { return m_error; }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    QSqlDatabase &m_db;
    bool m_active = false;
    QSqlError m_error;
};

// A prepared statement with bound values; exec() returns false on an error.
QSqlQuery prepare(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {});
// Runs one statement with bound values. A statement that begins or ends a transaction (one outside
// a transaction, BEGIN, COMMIT) checks the connection's file before and after it, as WriteScope
// says, and one that ends outside a transaction is written back into the file (checkpoint). On
// failure error takes the reason (in words, or SQLite's error); rowsAffected takes the
// number of rows the statement changed.
bool execSql(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {}, QString *error = nullptr);
bool execSql(const QSqlDatabase &db, const QString &sql, const QVariantList &values, QSqlError *error, int *rowsAffected = nullptr);

// Escapes LIKE wildcards of user text (use with ESCAPE '\').
QString likeEscape(const QString &text);

} // namespace quorvane
