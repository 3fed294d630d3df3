#include "shell/grad1.h"

#include "controls/grid/grid.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/services.h"
#include "shell/textcheck.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>

namespace quorvane {

namespace {

const QString kTitle = QStringLiteral("系统提示：");
// Typing limits of the fields: year, database name, number of classes, first class number.
constexpr int kMaxLengths[4] = {4, 15, 2, 4};

// Val of the first two characters of a typed year.
double firstTwo(const QString &text)
{
    return Val(text.left(2));
}

QString cellText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

bool removeFileIfPresent(const QString &path)
{
    QFileInfo fi(path);
    if (!fi.exists())
        return true;
    // A read-only file is deleted as well.
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    return QFile::remove(path);
}

// A database file and the log files SQLite keeps beside it.
const char *const kCompanions[] = {"", "-wal", "-shm"};

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
    for (int i = 1; i < 3; ++i)
        removeFileIfPresent(to + QLatin1String(kCompanions[i]));
    int done = 0;
    int err = 0;
    for (; done < 3; ++done) {
        const QString src = from + QLatin1String(kCompanions[done]);
        if (done > 0 && !QFileInfo::exists(src))
            continue;
        if (!renameFile(src, to + QLatin1String(kCompanions[done]), &err))
            break;
    }
    if (done == 3)
        return true;
    int ignored = 0;
    for (int i = done - 1; i >= 0; --i)
        if (QFileInfo::exists(to + QLatin1String(kCompanions[i])))
            renameFile(to + QLatin1String(kCompanions[i]), from + QLatin1String(kCompanions[i]), &ignored);
    *why = systemReasonText(err);
    return false;
}

} // namespace

grad1::grad1() : Window(QStringLiteral("grad1"))
{
    setWindowTitle(QStringLiteral("学届设置"));
}

void grad1::createControls(QWidget *root)
{
    auto *lay = new QHBoxLayout(root);
    Grid1 = new Grid(root);
    Grid1->setFormatString(QStringLiteral("|^学届  |^数据库名|^班数 |^起始班号"));
    Grid1->setRows(1);
    Grid1->setColWidth(2, std::max(Grid1->ColWidth(2), Grid1->textWidthTwips(QStringLiteral("MMMMMMMMMMMM"))));
    Grid1->setMinimumWidth(330);
    lay->addWidget(Grid1, 1);

    auto *right = new QVBoxLayout;
    auto *form = new QGridLayout;
    static const char *const labels[] = {"学    届：", "数据库名：", "班级数量：", "起始班号："};
    for (int i = 0; i < 4; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(labels[i]), root);
        Txtfields[i] = new QLineEdit(root);
        Txtfields[i]->setObjectName(QStringLiteral("Txtfields%1").arg(i));
        keys::limitTyping(Txtfields[i], kMaxLengths[i]);
        keys::onGotFocus(Txtfields[i], [this, i] { Txtfields_GotFocus(i); });
        keys::onEnter(Txtfields[i], [this, i] { Txtfields_KeyPress(i, keys::kEnter); });
        keys::onKeyUp(Txtfields[i], [this, i](int keyCode) { Txtfields_KeyUp(i, keyCode, 0); });
        connect(Txtfields[i], &QLineEdit::textChanged, this, [this, i] { Txtfields_Change(i); });
        form->addWidget(Label1[i], i, 0);
        form->addWidget(Txtfields[i], i, 1);
    }
    right->addLayout(form);
    right->addStretch(1);
    comadd = new QPushButton(QStringLiteral("新增"), root);
    commodi = new QPushButton(QStringLiteral("修改"), root);
    comdele = new QPushButton(QStringLiteral("删除"), root);
    comsave = new QPushButton(QStringLiteral("保存"), root);
    exitcom = new QPushButton(QStringLiteral("返 回"), root);
    auto *buttons = new QGridLayout;
    int n = 0;
    for (QPushButton *b : {comadd, commodi, comdele, comsave, exitcom}) {
        // Enter on a focused button presses it, as Enter on the last field leads there.
        keys::pressOnEnter(b);
        buttons->addWidget(b, n / 2, n % 2);
        ++n;
    }
    right->addLayout(buttons);
    lay->addLayout(right);

    connect(comadd, &QPushButton::clicked, this, &grad1::comadd_Click);
    connect(commodi, &QPushButton::clicked, this, &grad1::commodi_Click);
    connect(comdele, &QPushButton::clicked, this, &grad1::comdele_Click);
    connect(comsave, &QPushButton::clicked, this, &grad1::comsave_Click);
    connect(exitcom, &QPushButton::clicked, this, &grad1::exitcom_Click);
    connect(Grid1, &QTableWidget::cellClicked, this, [this] { Grid1_Click(); });
    // Moving the current cell with the keyboard takes the row as a click does. The grid's own
    // choice of a first current cell when it first gets the focus is not the user's doing.
    connect(Grid1, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (!m_filling && row >= 0 && previousRow >= 0)
            Grid1_EnterCell();
    });
    resize(640, 320);
}

void grad1::Form_Load()
{
    comdele->setEnabled(false);
    commodi->setEnabled(false);
    comsave->setEnabled(false);
    m_mode = 0;
    m_selectedYear.clear();
    if (!m_dbs.open()) {
        // The opening shows its own message; the window closes and the rest of the program goes on.
        Unload();
        return;
    }
    form_1();
}

void grad1::Form_Unload()
{
    m_dbs.closeAtUnload();
}

void grad1::form_1()
{
    QSqlQuery q = prepare(m_dbs.system, QStringLiteral("SELECT dbyear, dbname, bjsum, startbj FROM dbsystable ORDER BY dbyear, rowid"));
    if (!q.exec())
        return;
    QList<QStringList> rows;
    while (q.next())
        rows.append({cellText(q.value(0)), cellText(q.value(1)), cellText(q.value(2)), cellText(q.value(3))});
    m_filling = true;
    Grid1->setRows(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 4; ++c)
            Grid1->setTextMatrix(r + 1, c + 1, rows[r][c]);
    m_filling = false;
}

void grad1::Grid1_Click()
{
    if (Grid1->Rows() < 2 || Grid1->Row() < 1)
        return;
    const int r = Grid1->Row();
    for (int i = 0; i < 4; ++i)
        setField(i, Grid1->TextMatrix(r, i + 1));
    m_selectedYear = Txtfields[0]->text();
    comadd->setEnabled(true);
    comdele->setEnabled(true);
    commodi->setEnabled(true);
    comsave->setEnabled(false);
    Txtfields[0]->setFocus();
}

void grad1::setField(int i, const QString &text)
{
    // The limit only restrains typing: a value stored longer is shown whole, so that the row
    // taken is the one changed or deleted.
    keys::setTextWhole(Txtfields[i], text, kMaxLengths[i]);
}

void grad1::Grid1_EnterCell()
{
    Grid1_Click();
}

void grad1::Txtfields_Change(int index)
{
    if (index == 0)
        Txtfields[1]->setText(QStringLiteral("db") + TrimBlanks(Txtfields[0]->text()));
    comsave->setEnabled(true);
}

void grad1::Txtfields_GotFocus(int index)
{
    keys::caretToEnd(Txtfields[index]);
}

void grad1::Txtfields_KeyPress(int index, int keyAscii)
{
    if (keyAscii != 13)
        return;
    const QString text = Txtfields[index]->text();
    auto refuse = [&](const char *message) {
        services::msg(QString::fromUtf8(message), kTitle);
        Txtfields[index]->setFocus();
    };
    switch (index) {
    case 0: {
        const double two = firstTwo(text);
        if (text.size() >= 3 && two != 20 && two != 21)
            return refuse("非法格式:仅由0-9数字组成或年份不符！");
        if (text.isEmpty() || HasNonDigit(text))
            return refuse("非法格式:仅由0-9数字组成或年份不符！");
        Txtfields[1]->setFocus();
        break;
    }
    case 1:
        if (TrimBlanks(text).isEmpty() || HasNonAlnum(text))
            return refuse("数据库名不能为空,仅由字母或数字构成！");
        Txtfields[2]->setFocus();
        break;
    case 2:
        if (TrimBlanks(text).isEmpty() || HasNonDigit(text))
            return refuse("班级数量不能为空或英文等字母！");
        Txtfields[3]->setFocus();
        break;
    case 3:
        if (TrimBlanks(text).isEmpty() || HasNonAlnum(text))
            return refuse("起始班号不能为空,仅由字母或数字构成！");
        comsave->setFocus();
        break;
    default:
        break;
    }
}

void grad1::Txtfields_KeyUp(int index, int keyCode, int /*shift*/)
{
    if (keyCode == 40 && index < 3)
        Txtfields[index + 1]->setFocus();
    else if (keyCode == 38 && index > 0)
        Txtfields[index - 1]->setFocus();
}

void grad1::comadd_Click()
{
    comdele->setEnabled(false);
    commodi->setEnabled(false);
    comsave->setEnabled(true);
    m_mode = 1;
    for (int i = 0; i < 4; ++i)
        setField(i, QString());
    Txtfields[0]->setFocus();
}

void grad1::commodi_Click()
{
    if (TrimBlanks(Txtfields[0]->text()).isEmpty())
        return;
    comdele->setEnabled(false);
    comsave->setEnabled(true);
    m_mode = 2;
    comsave->setFocus();
    commodi->setEnabled(false);
}

void grad1::comsave_Click()
{
    const QString yearText = Txtfields[0]->text();
    auto refuse = [&](const char *message, int field) {
        services::msg(QString::fromUtf8(message), kTitle);
        Txtfields[field]->setFocus();
    };
    if (!yearText.isEmpty()) {
        if (m_mode == 0)
            m_mode = 1;
        const double two = firstTwo(yearText);
        if (yearText.size() >= 3 && (two < 20 || two > 21))
            return refuse("非法格式:仅由0-9数字组成或年份不符！", 0);
    }
    if (TrimBlanks(yearText).isEmpty() || HasNonDigit(yearText))
        return refuse("含有非法字符,仅由0-9数字组成！", 0);
    if (Val(yearText) > services::today().year())
        return refuse("输入学届不能大于今日年份！", 0);
    const QString nameText = Txtfields[1]->text();
    if (TrimBlanks(nameText).isEmpty() || HasNonAlnum(nameText))
        return refuse("含有非法字符,仅由0-9数字及英文字母组成！", 1);
    if (Val(Txtfields[2]->text()) <= 0 || HasNonDigit(Txtfields[2]->text()))
        return refuse("含有非法字符或为空,仅由0-9数字组成！", 2);
    if (Val(Txtfields[3]->text()) <= 0 || HasNonAlnum(Txtfields[3]->text()))
        return refuse("含有非法字符或为空,仅由0-9数字组成！", 3);
    const QString year = StripBlanks(TrimBlanks(yearText));
    if (m_mode == 1)
        saveAdd(year);
    else if (m_mode == 2)
        saveChange(year);
}

QString grad1::cohortUsingName(const QString &name, const QString &exceptYear)
{
    QSqlQuery q = prepare(m_dbs.system, QStringLiteral("SELECT dbyear FROM dbsystable WHERE dbname=? AND (dbyear IS NULL OR dbyear<>?)"),
                          {name, exceptYear});
    if (q.exec() && q.next())
        return q.value(0).toString();
    return QString();
}

bool grad1::refuseDatabaseName(const QString &name, const QString &exceptYear)
{
    // The template and the system database live in the same folder: a cohort of either name would
    // overwrite them.
    if (name.compare(QLatin1String("dbyear"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("newclasssys"), Qt::CaseInsensitive) == 0) {
        services::msg(QStringLiteral("数据库名“") + name + QStringLiteral("”是系统保留的文件名，请另取数据库名！"), kTitle);
        Txtfields[1]->setFocus();
        return true;
    }
    // Two cohorts sharing one file would overwrite each other's students, and deleting either
    // would delete both.
    const QString other = cohortUsingName(name, exceptYear);
    if (!other.isEmpty()) {
        services::msg(QStringLiteral("数据库名“") + name + QStringLiteral("”已被") + other
                          + QStringLiteral("学届使用，请另取数据库名！"),
                      kTitle);
        Txtfields[1]->setFocus();
        return true;
    }
    return false;
}

void grad1::releaseStaleConnections(const QString &path)
{
    // A window that keeps its connection after it closes (the student register) is no longer using
    // the file; the connection would only be replaced when that window loads again.
    const QString want = QFileInfo(path).absoluteFilePath();
    const QString encoded = QStringLiteral("file:") + QString::fromUtf8(QUrl::toPercentEncoding(want, "/")) + QStringLiteral("?mode=rw");
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString &n : names) {
        const int dash = n.lastIndexOf(QLatin1Char('-'));
        if (dash <= 0)
            continue;
        Window *owner = windows::find(n.left(dash));
        if (!owner || owner->isLoaded())
            continue;
        QSqlDatabase db = QSqlDatabase::database(n, false);
        if (db.isOpen() && (db.databaseName() == encoded || db.databaseName() == want))
            db.close();
    }
}

bool grad1::createCohortFile(const QString &name)
{
    const QString target = cohortDbPath(name + QStringLiteral(".mdb"));
    const QString fileName = name + QStringLiteral(".mdb");
    if (!QFileInfo(templateDbPath()).isFile()) {
        services::msg(QStringLiteral("学届模板库文件dbyear.mdb不存在，无法建立学届数据库，学届信息未保存！"), kTitle);
        return false;
    }
    releaseStaleConnections(target);
    if (isDatabaseOpen(target)) {
        services::msg(QStringLiteral("库文件“") + fileName + QStringLiteral("”正在被其他窗口使用，无法建立学届数据库，学届信息未保存！"), kTitle);
        return false;
    }
    // An existing file of that name is replaced, together with stale journal files of its name.
    bool ok = removeFileIfPresent(target) && removeFileIfPresent(target + QStringLiteral("-wal"))
              && removeFileIfPresent(target + QStringLiteral("-shm")) && removeFileIfPresent(target + QStringLiteral("-journal"));
    ok = ok && QFile::copy(templateDbPath(), target);
    if (ok)
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    if (!ok) {
        services::msg(QStringLiteral("学届数据库“") + fileName + QStringLiteral("”建立失败，学届信息未保存！"), kTitle);
        return false;
    }
    return true;
}

void grad1::saveAdd(const QString &year)
{
    const QString name = TrimBlanks(Txtfields[1]->text());
    const double classes = Val(Txtfields[2]->text());
    const double first = Val(Txtfields[3]->text());
    if (refuseDatabaseName(name, year))
        return;
    if (services::ask(QStringLiteral("增加的学届要存盘吗？"), QStringLiteral("增加学届："), MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    QSqlQuery look = prepare(m_dbs.system, QStringLiteral("SELECT rowid FROM dbsystable WHERE dbyear=?"), {year});
    const bool exists = look.exec() && look.next();
    const qint64 rowid = exists ? look.value(0).toLongLong() : -1;
    look.finish();
    if (!exists) {
        // The file first: a cohort row is stored only when its database exists.
        if (!createCohortFile(name))
            return;
        if (!execSql(m_dbs.system, QStringLiteral("INSERT INTO dbsystable(dbyear, dbname, bjsum, startbj) VALUES(?,?,?,?)"),
                     {year, name, classes, first})) {
            removeFileIfPresent(cohortDbPath(name + QStringLiteral(".mdb")));
            services::msg(QStringLiteral("学届信息保存失败，请重新操作！"), kTitle);
            return;
        }
        comadd->setEnabled(true);
        comsave->setEnabled(false);
    } else {
        // Enter answers 取消: replacing overwrites the stored cohort.
        if (services::ask(QStringLiteral("增加的学届已存在，你真得要替换此学届信息吗？"), QStringLiteral("信息提示："), MsgButtons::OkCancel,
                          MsgAnswer::Cancel)
            == MsgAnswer::Ok) {
            QSqlQuery old = prepare(m_dbs.system, QStringLiteral("SELECT dbyear, dbname FROM dbsystable WHERE rowid=?"), {rowid});
            const bool found = old.exec() && old.next();
            const QString oldYear = found ? old.value(0).toString() : year;
            const QString oldName = found ? old.value(1).toString() : name;
            old.finish();
            // A failure is reported; the typed values stay and can be saved again.
            if (!storeCohort(rowid, oldYear, oldName, year, name, classes, first))
                return;
            comadd->setEnabled(true);
            comsave->setEnabled(false);
        } else {
            comadd->setEnabled(true);
            comsave->setEnabled(false);
            Txtfields[0]->setFocus();
            return;
        }
    }
    form_1();
}

bool grad1::CheckYearTaken(const QString &year)
{
    QSqlQuery q = prepare(m_dbs.system, QStringLiteral("SELECT dbyear FROM dbsystable WHERE dbyear=?"), {year});
    if (q.exec() && q.next()) {
        services::msg(QStringLiteral("“") + Txtfields[0]->text() + QStringLiteral("”学届已存在，无法修改学届信息！"), QStringLiteral("信息提示："));
        Txtfields[0]->setFocus();
        return true;
    }
    return false;
}

void grad1::saveChange(const QString &year)
{
    const QString name = StripBlanks(TrimBlanks(Txtfields[1]->text()));
    if (refuseDatabaseName(name, m_selectedYear))
        return;
    if (services::ask(QStringLiteral("修改的学届要存盘吗？"), QStringLiteral("修改学届："), MsgButtons::OkCancel) != MsgAnswer::Ok) {
        comadd->setEnabled(true);
        commodi->setEnabled(true);
        comdele->setEnabled(true);
        comsave->setEnabled(false);
        return;
    }
    if (year.compare(m_selectedYear, Qt::CaseInsensitive) != 0 && CheckYearTaken(year))
        return;
    QSqlQuery look = prepare(m_dbs.system, QStringLiteral("SELECT rowid, dbyear, dbname FROM dbsystable WHERE dbyear=?"), {m_selectedYear});
    if (look.exec() && look.next()) {
        const qint64 rowid = look.value(0).toLongLong();
        const QString oldYear = look.value(1).toString();
        const QString oldName = look.value(2).toString();
        look.finish();
        // A failure is reported; the typed values stay and 保存 stays enabled.
        if (!storeCohort(rowid, oldYear, oldName, year, name, Val(Txtfields[2]->text()), Val(Txtfields[3]->text())))
            return;
        // Changing and deleting now act on the cohort under its new year.
        m_selectedYear = year;
    }
    look.finish();
    // Also when the row has gone meanwhile: nothing is written, and the list shows what is left.
    comsave->setEnabled(false);
    form_1();
}

bool grad1::storeCohort(qint64 rowid, const QString &oldYear, const QString &oldName, const QString &year, const QString &name,
                        double classes, double first)
{
    const bool yearChanges = year.compare(oldYear, Qt::CaseInsensitive) != 0;
    const bool nameChanges = name != oldName;
    const QString oldFile = oldName + QStringLiteral(".mdb");
    const QString newFile = name + QStringLiteral(".mdb");
    const QString oldPath = cohortDbPath(oldFile);
    const QString newPath = cohortDbPath(newFile);
    auto refuse = [&](const QString &text, int field) {
        services::msg(text, kTitle);
        comsave->setEnabled(true);
        Txtfields[field]->setFocus();
        return false;
    };
    if (yearChanges || nameChanges) {
        // A window working on the cohort would lose its exams (a new year) or its file (a new name).
        releaseStaleConnections(oldPath);
        if (isDatabaseOpen(oldPath))
            return refuse(QStringLiteral("该学届的数据库“") + oldFile + QStringLiteral("”正在被其他窗口使用，请先关闭相关窗口再修改学届信息！"),
                          yearChanges ? 0 : 1);
    }
    bool renamed = false;
    if (nameChanges) {
        if (QFileInfo::exists(newPath))
            return refuse(QStringLiteral("库文件“") + newFile + QStringLiteral("”已存在，数据库不能改用此名，学届信息未修改！"), 1);
        if (!oldName.isEmpty() && QFileInfo::exists(oldPath)) {
            QString why;
            if (!renameCohortFiles(oldPath, newPath, &why))
                return refuse(QStringLiteral("库文件“") + oldFile + QStringLiteral("”无法改名为“") + newFile + QStringLiteral("”：") + why
                                  + QStringLiteral("，学届信息未修改！"),
                              1);
            renamed = true;
        }
    }
    QSqlError error;
    bool ok = false;
    {
        QSqlDatabase db = m_dbs.system;
        Transaction tx(db);
        auto run = [&](const QString &sql, const QVariantList &values) {
            QSqlQuery q = prepare(db, sql, values);
            if (q.exec())
                return true;
            error = q.lastError();
            return false;
        };
        ok = tx.active() && run(QStringLiteral("UPDATE dbsystable SET dbyear=?, dbname=?, bjsum=?, startbj=? WHERE rowid=?"), {year, name, classes, first, rowid});
        // Every exam list filters on the cohort's year: the exams go with their cohort.
        if (ok && yearChanges)
            ok = run(QStringLiteral("UPDATE kcbpb SET year=? WHERE year=?"), {year, oldYear});
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
        services::msg(QStringLiteral("学届信息保存失败：") + reasonText(error) + QStringLiteral("，学届信息未修改，请稍后重新保存！"), kTitle);
        comsave->setEnabled(true);
        return false;
    }
    // The cohort chosen for the work windows goes on naming the same cohort.
    if (gCohortYear.compare(oldYear, Qt::CaseInsensitive) == 0 && gCohortDbFile == oldFile) {
        gCohortYear = year;
        gCohortDbFile = newFile;
    }
    return true;
}

void grad1::comdele_Click()
{
    comadd->setEnabled(true);
    // Enter answers 取消: the cohort's data cannot be brought back.
    if (services::ask(QStringLiteral("确实要删除此学届吗？该学届所有数据将被删除！"), QStringLiteral("严重警告："), MsgButtons::OkCancel,
                      MsgAnswer::Cancel)
        != MsgAnswer::Ok)
        return;
    QSqlQuery look = prepare(m_dbs.system, QStringLiteral("SELECT rowid, dbname FROM dbsystable WHERE dbyear=?"), {m_selectedYear});
    const bool exists = look.exec() && look.next();
    const qint64 rowid = exists ? look.value(0).toLongLong() : -1;
    const QString name = exists ? look.value(1).toString() : QString();
    look.finish();
    const QString path = cohortDbPath(name + QStringLiteral(".mdb"));
    const QString deletedYear = m_selectedYear;
    if (exists) {
        // A cohort whose database a window is working on is not deleted under that window.
        releaseStaleConnections(path);
        if (isDatabaseOpen(path)) {
            services::msg(QStringLiteral("该学届的数据库“") + name + QStringLiteral(".mdb”正在被其他窗口使用，请先关闭相关窗口再删除！"),
                          kTitle);
            return;
        }
    }
    // After a deletion the window is as after loading: no row taken, no mode, nothing to save.
    resetEditor();
    if (exists) {
        // The row goes first: if it cannot be deleted, the cohort keeps its file.
        if (!execSql(m_dbs.system, QStringLiteral("DELETE FROM dbsystable WHERE rowid=?"), {rowid})) {
            services::msg(QStringLiteral("学届删除失败，请重新操作！"), kTitle);
        } else if (cohortUsingName(name, deletedYear).isEmpty()) {
            // A file that another cohort still names stays; a file that cannot be deleted stays too.
            removeFileIfPresent(path);
            removeFileIfPresent(path + QStringLiteral("-wal"));
            removeFileIfPresent(path + QStringLiteral("-shm"));
        }
    }
    form_1();
}

void grad1::resetEditor()
{
    for (int i = 0; i < 4; ++i)
        setField(i, QString());
    m_mode = 0;
    m_selectedYear.clear();
    comadd->setEnabled(true);
    commodi->setEnabled(false);
    comdele->setEnabled(false);
    comsave->setEnabled(false);
}

void grad1::exitcom_Click()
{
    Unload();
}

} // namespace quorvane
