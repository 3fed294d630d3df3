#include "shell/database.h"

#include "shell/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

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

bool openDatabase(const QString &path, DbKind kind, const QString &connectionName, QSqlDatabase *out, QString *error)
{
    if (QSqlDatabase::contains(connectionName)) {
        {
            QSqlDatabase old = QSqlDatabase::database(connectionName, false);
            old.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
    }
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        if (out)
            *out = QSqlDatabase();
        if (QSqlDatabase::contains(connectionName))
            QSqlDatabase::removeDatabase(connectionName);
        return false;
    };
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return fail(QStringLiteral("missing"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        const QString uri = QStringLiteral("file:") + QString::fromUtf8(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/")) + QStringLiteral("?mode=rw");
        db.setDatabaseName(uri);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=0"));
        if (!db.open()) {
            const QString why = db.lastError().text();
            db = QSqlDatabase();
            return fail(why);
        }
        QSqlQuery q(db);
        const QString probe = kind == DbKind::System ? QStringLiteral("SELECT count(*) FROM dbsystable WHERE 0")
                                                     : QStringLiteral("SELECT count(*) FROM stinfo WHERE 0");
        if (!q.exec(probe)) {
            const QString why = q.lastError().text();
            q = QSqlQuery();
            db.close();
            db = QSqlDatabase();
            return fail(why);
        }
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.finish();
        if (out)
            *out = db;
    }
    return true;
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

bool isDatabaseOpen(const QString &path)
{
    const QString want = QFileInfo(path).absoluteFilePath();
    const QString encoded = QStringLiteral("file:") + QString::fromUtf8(QUrl::toPercentEncoding(want, "/")) + QStringLiteral("?mode=rw");
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &n : names) {
        QSqlDatabase db = QSqlDatabase::database(n, false);
        if (db.isOpen() && (db.databaseName() == encoded || db.databaseName() == want))
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
    const QString warn = QStringLiteral("警告:");
    if (rule->cohort) {
        const QString path = cohortDbPath(cohortDbFile);
        const bool ok = !cohortDbFile.isEmpty() && openDatabase(path, DbKind::Cohort, m_window + QStringLiteral("-cohort"), &cohort);
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
        const bool ok = openDatabase(systemDbPath(), DbKind::System, m_window + QStringLiteral("-system"), &system);
        if (!ok) {
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
            if (m_window == QLatin1String("grad1") || m_window == QLatin1String("kcsz"))
                services::msg(QStringLiteral("库文件“newclasssys.mdb”错误！"), QStringLiteral("系统提示："));
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
    m_active = m_db.transaction();
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
    m_active = false;
    return m_db.commit();
}

QSqlQuery prepare(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q;
}

bool execSql(const QSqlDatabase &db, const QString &sql, const QVariantList &values, QString *error)
{
    QSqlQuery q = prepare(db, sql, values);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
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
