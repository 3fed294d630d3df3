#include "testsupport.h"

#include "shell/database.h"
#include "shell/globals.h"
#include "shell/schema.h"
#include "shell/window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QProcess>
#include <QSqlQuery>
#include <algorithm>
#include <sched.h>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

namespace quorvane::test {

MsgAnswer ScriptedServices::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons)
{
    messages.push_back({text, title, icon, buttons, m_default.value_or(buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok)});
    m_default.reset();
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    if (!answers.empty()) {
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

MsgAnswer ScriptedServices::question(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton)
{
    m_default = defaultButton;
    return message(text, title, icon, buttons);
}

QString ScriptedServices::fileDialog(const FileDialogRequest &request)
{
    fileRequests.push_back(request);
    if (fileNames.empty())
        return QString();
    const QString f = fileNames.front();
    fileNames.pop_front();
    return f;
}

bool ScriptedServices::printDialog(QPrinter *printer)
{
    return onPrintDialog ? onPrintDialog(printer) : true;
}

bool ScriptedServices::pageSetupDialog(QPrinter *printer)
{
    return onPageSetupDialog ? onPageSetupDialog(printer) : true;
}

bool press(QAbstractButton *button)
{
    if (!button || !button->isVisible() || !button->isEnabled())
        return false;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    return true;
}

QSqlDatabase openOrThrow(const QString &path, DbKind kind, const QString &connectionName)
{
    QSqlDatabase db;
    QString error;
    if (!openDatabase(path, kind, connectionName, &db, &error))
        throw std::runtime_error("cannot open " + path.toStdString() + ": " + error.toStdString());
    return db;
}

void execOrThrow(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QString error;
    if (!execSql(db, sql, values, &error))
        throw std::runtime_error("cannot run " + sql.toStdString() + ": " + error.toStdString());
}

QStringList ScriptedServices::texts() const
{
    QStringList out;
    for (const auto &m : messages)
        out << m.text;
    return out;
}

ScriptedServices &installScripted()
{
    auto s = std::make_unique<ScriptedServices>();
    ScriptedServices &ref = *s;
    services::install(std::move(s));
    return ref;
}

SmallDisk::SmallDisk(int kilobytes)
{
    if (!m_dir.isValid() || ::geteuid() != 0)
        return;
    // A mount namespace of this process keeps the mount from the rest of the machine; where one
    // cannot be made, the mount is made where the test runs and taken away at the end.
    static const bool ownNamespace = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    (void)ownNamespace;
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallDisk::fill(qint64 leaveBytes)
{
    QFile filler(m_dir.path() + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::Append))
        return false;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    const qint64 size = QFileInfo(filler).size();
    return ::truncate(QFile::encodeName(filler.fileName()).constData(), std::max<qint64>(0, size - leaveBytes)) == 0;
}

TempData::TempData() : TempData(QString()) {}

TempData::TempData(const QString &parent)
    : m_dir(parent.isEmpty() ? QDir::tempPath() + QStringLiteral("/tst-data-XXXXXX") : parent + QStringLiteral("/data-XXXXXX"))
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    const QString schema = QStringLiteral(QUORVANE_SCHEMA_DIR);
    QString err = createDatabaseFromSchema(schema + QStringLiteral("/system.sql"), folder() + QStringLiteral("newclasssys.mdb"));
    if (err.isEmpty())
        err = createDatabaseFromSchema(schema + QStringLiteral("/cohort.sql"), folder() + QStringLiteral("dbyear.mdb"));
    if (!err.isEmpty())
        throw std::runtime_error(err.toStdString());
    setDataFolder(folder());
}

TempData::~TempData()
{
    windows::destroyAll();
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &n : names) {
        {
            QSqlDatabase db = QSqlDatabase::database(n, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(n);
    }
    setDataFolder(QString());
    resetGlobals();
}

void TempData::addCohort(const QString &year, const QString &dbname, int classes, int firstClass)
{
    QSqlDatabase db;
    if (!openDatabase(systemPath(), DbKind::System, QStringLiteral("test-addcohort"), &db))
        throw std::runtime_error("cannot open system database");
    const bool added = execSql(db, QStringLiteral("INSERT INTO dbsystable(dbyear, dbname, bjsum, startbj) VALUES(?,?,?,?)"),
                               {year, dbname, classes, firstClass});
    closeDatabase(db);
    // A test must not go on against a cohort that is not there: it would test the wrong thing.
    if (!added)
        throw std::runtime_error("cannot add the cohort row " + year.toStdString());
    // Two cohorts may share a file: the second finds it there.
    const QString file = cohortPath(dbname + QStringLiteral(".mdb"));
    if (!QFile::exists(file) && !QFile::copy(folder() + QStringLiteral("dbyear.mdb"), file))
        throw std::runtime_error("cannot copy the cohort template to " + dbname.toStdString());
}

QString TempData::systemPath() const { return folder() + QStringLiteral("newclasssys.mdb"); }
QString TempData::cohortPath(const QString &dbFile) const { return folder() + dbFile; }

QVariant valueInCopy(const QString &path, DbKind kind, const QString &sql)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
    QSqlDatabase db;
    if (!QFile::copy(path, copy) || !openDatabase(copy, kind, QStringLiteral("test-copy"), &db))
        return QVariant();
    QVariant value;
    {
        QSqlQuery q = prepare(db, sql);
        if (q.exec() && q.next())
            value = q.value(0);
    }
    closeDatabase(db);
    return value;
}

QString runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

QString pdfText(const QString &pdf)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
        .normalized(QString::NormalizationForm_KC)
        .replace(QChar(0x2EDA), QChar(0x9875));
}

bool addExamRow(const QSqlDatabase &system, const QString &id, const QString &name, const QString &year)
{
    return execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year, num, grade) VALUES(?,?,?,1,1)"), {id, name, year});
}

int studentCount(const QString &cohortPath)
{
    QSqlDatabase db;
    if (!openDatabase(cohortPath, DbKind::Cohort, QStringLiteral("test-studentcount"), &db))
        return -1;
    int n = -1;
    {
        QSqlQuery q = prepare(db, QStringLiteral("SELECT count(*) FROM stinfo"));
        if (q.exec() && q.next())
            n = q.value(0).toInt();
    }
    closeDatabase(db);
    return n;
}

} // namespace quorvane::test
