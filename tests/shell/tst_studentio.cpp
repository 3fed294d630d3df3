// Student import from and export to workbooks, through the register's dialogs and questions.
#include "shell/database.h"
#include "shell/excelio.h"
#include "shell/studentio.h"
#include "shell/workbook.h"
#include "testsupport.h"
#include "../workbook/workbooktest.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QCursor>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <variant>
#include <vector>

using namespace quorvane;
using namespace quorvane::test;

namespace {

// A sheet to write: rows of cells, each a text, a number or nothing.
using Cell = std::variant<std::monostate, QString, double>;
using Sheet = std::vector<std::vector<Cell>>;

// Writes an .xlsx with libxlsxwriter directly, numbers as numbers (as a teacher's sheet has them).
bool writeSheet(const QString &path, const Sheet &sheet)
{
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    for (size_t r = 0; r < sheet.size(); ++r)
        for (size_t c = 0; c < sheet[r].size(); ++c) {
            const Cell &cell = sheet[r][c];
            if (const QString *s = std::get_if<QString>(&cell))
                worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), s->toUtf8().constData(), nullptr);
            else if (const double *d = std::get_if<double>(&cell))
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), *d, nullptr);
        }
    return workbook_close(wb) == LXW_NO_ERROR;
}

std::vector<Cell> header()
{
    return {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号"), QStringLiteral("文理倾向")};
}

struct Student
{
    QString stid;
    QString stname;
    double stclass;
    double stclassno;
    int keflag;
    bool operator==(const Student &o) const
    {
        return stid == o.stid && stname == o.stname && stclass == o.stclass && stclassno == o.stclassno && keflag == o.keflag;
    }
};

char *toString(const Student &s)
{
    return QTest::toString(QStringLiteral("%1|%2|%3|%4|%5").arg(s.stid, s.stname).arg(s.stclass).arg(s.stclassno).arg(s.keflag));
}

// Scripted answers that also note, for every message and question, whether the hourglass
// pointer was showing.
struct PointerServices : ScriptedServices
{
    std::vector<bool> hourglass;
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override
    {
        const QCursor *c = QGuiApplication::overrideCursor();
        hourglass.push_back(c && c->shape() == Qt::WaitCursor);
        return ScriptedServices::message(text, title, icon, buttons);
    }
};

PointerServices &installPointerServices()
{
    auto handler = std::make_unique<PointerServices>();
    PointerServices &ref = *handler;
    services::install(std::move(handler));
    return ref;
}

// A cohort whose register is open as the student register holds it.
struct Register
{
    TempData data;
    QSqlDatabase db;
    PointerServices &ui = installPointerServices();
    ExcelIo excel{studentExcelTexts()};
    std::vector<int> progress;
    std::vector<bool> shown;
    QTemporaryDir files;

    explicit Register(const QString &parent = QString()) : data(parent)
    {
        static int serial = 0;
        data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
        if (!openDatabase(data.cohortPath(QStringLiteral("db2023.mdb")), DbKind::Cohort, QStringLiteral("t-studentio%1").arg(++serial), &db))
            qFatal("cannot open the cohort database");
    }
    ~Register() { closeDatabase(db); }

    StudentIoContext ctx()
    {
        StudentIoContext c;
        c.db = db;
        c.cohortYear = QStringLiteral("2023");
        c.progress = [this](int v) { progress.push_back(v); };
        c.showProgress = [this](bool v) { shown.push_back(v); };
        return c;
    }
    QString file(const QString &name) const { return files.filePath(name); }

    void add(const QString &stid, const QString &name, const QVariant &cls, const QVariant &seat, const QVariant &flag)
    {
        QVERIFY(execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?,?,?,?,?)"),
                        {stid, name, cls, seat, flag}));
    }
    // A query of the register; one that cannot run fails the test.
    QSqlQuery read(const QString &sql) const
    {
        QSqlQuery q = prepare(db, sql);
        if (!q.exec())
            QTest::qFail(qPrintable(q.lastError().text()), __FILE__, __LINE__);
        return q;
    }
    std::vector<Student> students() const
    {
        std::vector<Student> out;
        QSqlQuery q = read(QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo ORDER BY stid, id"));
        while (q.next())
            out.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toDouble(), q.value(3).toDouble(), q.value(4).toInt()});
        return out;
    }
    int count() const
    {
        QSqlQuery q = read(QStringLiteral("SELECT count(*) FROM stinfo"));
        return q.next() ? q.value(0).toInt() : -1;
    }
    // Runs the 导入 button with the file, answering the three questions.
    StudentImportResult import(const QString &path, MsgAnswer clear, MsgAnswer append)
    {
        ui.fileNames.push_back(path);
        ui.answers = {MsgAnswer::Yes, clear, append};
        return importStudents(excel, ctx());
    }
    void exportTo(const QString &path)
    {
        ui.fileNames.push_back(path);
        ui.answers = {MsgAnswer::Yes};
        exportStudents(excel, ctx());
    }
};

const QString kImported = QStringLiteral("学生信息导入完毕，请认真检查是否正确。");
const QString kExported = QStringLiteral("学生信息导出完毕，请认真检查是否正确。");

} // namespace

class tst_studentio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportThenImportRestoresTheRegister();
    void headerRowIsChecked();
    void rowsAreCleanedAndStopAtFirstEmptyNumber();
    void appendModeSkipsNumbersAlreadyTaken();
    void updateModeChangesOnlyMatchingStudents();
    void damagedWorkbookChangesNothing();
    void failedWriteRollsBackTheWholeImport();
    void xlsFileImports();
    void exportThatCannotBeWrittenSaysSo();
    void dialogsAndProgress();
    void rowsAfter6000AreNeverRead();
    void dialogStartsWithTheNameItLastHeld();
    void pointerIsNormalAtTheFinalMessages();
};

void tst_studentio::exportThenImportRestoresTheRegister()
{
    Register reg;
    reg.add(QStringLiteral("2023007"), QStringLiteral("张三"), 3, 12, 3);
    reg.add(QStringLiteral("007"), QStringLiteral("欧阳小明"), 10, 1, 2);
    reg.add(QStringLiteral("A'1"), QStringLiteral("李四"), 0, 0, 1);     // class and seat 0
    reg.add(QStringLiteral("B2"), QStringLiteral("王五"), 4, 5, 0);      // no stream chosen
    reg.add(QStringLiteral("C3"), QStringLiteral("赵六"), 4, 6, 7);      // a stream code out of range
    const std::vector<Student> before = reg.students();

    const QString file = reg.file(QStringLiteral("2023学生信息.xlsx"));
    reg.exportTo(file);
    QCOMPARE(reg.ui.lastText(), kExported);
    QCOMPARE(reg.ui.messages.back().title, QStringLiteral("系统提示："));

    // The file holds text cells in the register's order, the streams as texts.
    Workbook wb;
    QVERIFY(wb.open(file));
    QCOMPARE(wb.text(1, 1), QStringLiteral("学号"));
    QCOMPARE(wb.text(1, 5), QStringLiteral("文理倾向"));
    QCOMPARE(wb.text(2, 1), QStringLiteral("007"));           // leading zeros kept: a text cell
    QCOMPARE(wb.text(3, 1), QStringLiteral("2023007"));
    QCOMPARE(wb.text(3, 3), QStringLiteral("3"));             // class 3 written as the text 3
    QCOMPARE(wb.text(3, 5), QStringLiteral("理科"));
    QCOMPARE(wb.text(4, 1), QStringLiteral("A'1"));
    QCOMPARE(wb.text(4, 3), QStringLiteral("0"));
    QCOMPARE(wb.text(5, 5), QString());                       // keflag 0: empty
    QCOMPARE(wb.text(6, 5), QString());                       // keflag 7: empty
    QCOMPARE(wb.rowCount(), 6);

    // Clear and append: the same students, 不限 for those whose stream was not 1, 2 or 3.
    const StudentImportResult r = reg.import(file, MsgAnswer::Yes, MsgAnswer::Yes);
    QVERIFY(r.finished);
    QCOMPARE(r.added, 5);
    QCOMPARE(r.skipped, 0);
    std::vector<Student> expected = before;
    for (Student &s : expected)
        if (s.keflag < 1 || s.keflag > 3)
            s.keflag = 1;
    QCOMPARE(reg.students(), expected);
    QVERIFY(reg.ui.texts().contains(QStringLiteral("清空完毕!")));
    QCOMPARE(reg.ui.lastText(), kImported);
    // Enter on the clearing question answers 否.
    for (const RecordedMessage &m : reg.ui.messages)
        if (m.text.startsWith(QStringLiteral("原有的学生信息要清空吗")))
            QCOMPARE(m.defaultButton, MsgAnswer::No);

    // The import ends with a checkpoint: a copy of the .mdb alone, taken while the register still
    // holds the file open, has the imported students.
    const QString copy = reg.file(QStringLiteral("copy.mdb"));
    QVERIFY(QFile::copy(reg.data.cohortPath(QStringLiteral("db2023.mdb")), copy));
    QSqlDatabase copied;
    QVERIFY(openDatabase(copy, DbKind::Cohort, QStringLiteral("t-copy"), &copied));
    {
        QSqlQuery q = prepare(copied, QStringLiteral("SELECT count(*) FROM stinfo"));
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toInt(), 5);
    }
    closeDatabase(copied);
}

void tst_studentio::headerRowIsChecked()
{
    Register reg;
    reg.add(QStringLiteral("K1"), QStringLiteral("甲"), 1, 1, 1);
    // Header cells may carry blanks around them.
    const QString good = reg.file(QStringLiteral("good.xlsx"));
    QVERIFY(writeSheet(good, {{QStringLiteral("学号   "), QStringLiteral(" 姓名"), QStringLiteral("班级"), QStringLiteral("座号"), QStringLiteral("文理倾向")},
                              {QStringLiteral("K2"), QStringLiteral("乙"), 2.0, 3.0, QStringLiteral("文科")}}));
    QVERIFY(reg.import(good, MsgAnswer::No, MsgAnswer::Yes).finished);
    QCOMPARE(reg.count(), 2);

    // 学生号 for 学号: refused before any question, nothing changes.
    const QString bad = reg.file(QStringLiteral("bad.xlsx"));
    QVERIFY(writeSheet(bad, {{QStringLiteral("学生号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号"), QStringLiteral("文理倾向")},
                             {QStringLiteral("K3"), QStringLiteral("丙"), 2.0, 3.0, QStringLiteral("文科")}}));
    reg.ui.clear();
    const StudentImportResult r = reg.import(bad, MsgAnswer::Yes, MsgAnswer::Yes);
    QVERIFY(!r.finished);
    QCOMPARE(reg.ui.messages.size(), size_t(2)); // the file question, then the refusal
    QCOMPARE(reg.ui.lastText(), QStringLiteral("数据格式有误，请认真检查!"));
    QCOMPARE(reg.ui.messages.back().title, QStringLiteral("系统提示："));
    QCOMPARE(reg.count(), 2);
    QCOMPARE(reg.shown.back(), false);

    // A missing fifth heading fails too.
    const QString four = reg.file(QStringLiteral("four.xlsx"));
    QVERIFY(writeSheet(four, {{QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号")}}));
    reg.import(four, MsgAnswer::Yes, MsgAnswer::Yes);
    QCOMPARE(reg.ui.lastText(), QStringLiteral("数据格式有误，请认真检查!"));
    QCOMPARE(reg.count(), 2);
}

void tst_studentio::rowsAreCleanedAndStopAtFirstEmptyNumber()
{
    Register reg;
    const QString file = reg.file(QStringLiteral("rows.xlsx"));
    QVERIFY(writeSheet(file, {
                                 header(),
                                 {2023007.0, QStringLiteral("一二三四五六七八九十甲乙丙丁戊己庚"), QStringLiteral("3班"), QStringLiteral("abc"), QStringLiteral("理 科")},
                                 {QStringLiteral(" a b 1 "), QStringLiteral(" 欧阳 小明 "), 12.0, 5.0, QStringLiteral("文科  ")},
                                 {QStringLiteral("x9"), QStringLiteral("王五"), std::monostate(), std::monostate(), QStringLiteral("其他")},
                                 {QStringLiteral("   "), QStringLiteral("空号"), 1.0, 1.0, QStringLiteral("理科")},
                                 {QStringLiteral("Z1"), QStringLiteral("在空行之后"), 1.0, 1.0, QStringLiteral("理科")},
                             }));
    const StudentImportResult r = reg.import(file, MsgAnswer::No, MsgAnswer::Yes);
    QVERIFY(r.finished);
    QCOMPARE(r.rowsRead, 3);
    const std::vector<Student> expected = {
        {QStringLiteral("2023007"), QStringLiteral("一二三四五六七八九十甲乙丙丁戊"), 3, 0, 3}, // cut to 15, 3班 → 3, abc → 0
        {QStringLiteral("AB1"), QStringLiteral("欧阳小明"), 12, 5, 2},                          // blanks removed, upper case
        {QStringLiteral("X9"), QStringLiteral("王五"), 0, 0, 1},                                 // empty class and seat, other stream
    };
    QCOMPARE(reg.students(), expected);
}

void tst_studentio::appendModeSkipsNumbersAlreadyTaken()
{
    Register reg;
    reg.add(QStringLiteral("S1"), QStringLiteral("原有"), 1, 1, 1);
    const QString file = reg.file(QStringLiteral("dups.xlsx"));
    QVERIFY(writeSheet(file, {
                                 header(),
                                 {QStringLiteral("s1"), QStringLiteral("重复一"), 2.0, 2.0, QStringLiteral("理科")},
                                 {QStringLiteral("S2"), QStringLiteral("新生"), 2.0, 3.0, QStringLiteral("文科")},
                                 {QStringLiteral("S 2"), QStringLiteral("重复二"), 2.0, 4.0, QStringLiteral("文科")},
                                 {QStringLiteral("S3"), QStringLiteral("又一个"), 2.0, 5.0, QString()},
                             }));
    const StudentImportResult r = reg.import(file, MsgAnswer::No, MsgAnswer::Yes);
    QVERIFY(r.finished);
    QCOMPARE(r.added, 2);
    QCOMPARE(r.skipped, 2);
    const std::vector<Student> expected = {
        {QStringLiteral("S1"), QStringLiteral("原有"), 1, 1, 1},
        {QStringLiteral("S2"), QStringLiteral("新生"), 2, 3, 2},
        {QStringLiteral("S3"), QStringLiteral("又一个"), 2, 5, 1},
    };
    QCOMPARE(reg.students(), expected);
    QVERIFY(reg.ui.lastText().startsWith(kImported));
    QVERIFY2(reg.ui.lastText().contains(QStringLiteral("2行")), qPrintable(reg.ui.lastText()));

    // Importing the same file again adds nobody and says all four rows were skipped.
    const StudentImportResult again = reg.import(file, MsgAnswer::No, MsgAnswer::Yes);
    QCOMPARE(again.added, 0);
    QCOMPARE(again.skipped, 4);
    QCOMPARE(reg.count(), 3);
    QVERIFY(reg.ui.lastText().contains(QStringLiteral("4行")));
}

void tst_studentio::updateModeChangesOnlyMatchingStudents()
{
    Register reg;
    reg.add(QStringLiteral("A'B"), QStringLiteral("引号"), 1, 1, 1);
    reg.add(QStringLiteral("AB"), QStringLiteral("无引号"), 1, 2, 1);
    reg.add(QStringLiteral("K7"), QStringLiteral("旧名"), 1, 3, 1);
    const QString file = reg.file(QStringLiteral("update.xlsx"));
    QVERIFY(writeSheet(file, {
                                 header(),
                                 {QStringLiteral("a'b"), QStringLiteral("新引号"), 5.0, 6.0, QStringLiteral("理科")},
                                 {QStringLiteral("k7"), QStringLiteral("新名"), QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("文科")},
                                 {QStringLiteral("' OR '1'='1"), QStringLiteral("注入"), 9.0, 9.0, QStringLiteral("理科")},
                                 {QStringLiteral("NEW1"), QStringLiteral("不在名单"), 9.0, 9.0, QStringLiteral("理科")},
                             }));
    const StudentImportResult r = reg.import(file, MsgAnswer::No, MsgAnswer::No);
    QVERIFY(r.finished);
    QVERIFY(!r.appendMode);
    QCOMPARE(r.updated, 2);
    const std::vector<Student> expected = {
        {QStringLiteral("A'B"), QStringLiteral("新引号"), 5, 6, 3},
        {QStringLiteral("AB"), QStringLiteral("无引号"), 1, 2, 1},
        {QStringLiteral("K7"), QStringLiteral("新名"), 8, 9, 2},
    };
    QCOMPARE(reg.students(), expected);
    QCOMPARE(reg.ui.lastText(), kImported);

    // Clearing and then updating leaves nobody to update: the register stays empty.
    const StudentImportResult empty = reg.import(file, MsgAnswer::Yes, MsgAnswer::No);
    QVERIFY(empty.finished);
    QCOMPARE(empty.updated, 0);
    QCOMPARE(reg.count(), 0);

    // editstu on its own: a number that is not there is passed over.
    reg.add(QStringLiteral("Q1"), QStringLiteral("甲"), 1, 1, 1);
    QCOMPARE(editstu(reg.db, QStringLiteral("q1"), QStringLiteral("乙"), QStringLiteral("2班"), QStringLiteral("x"), QStringLiteral("文科")), 1);
    QCOMPARE(editstu(reg.db, QStringLiteral("Q2"), QStringLiteral("丙"), QString(), QString(), QString()), 0);
    QCOMPARE(reg.students(), (std::vector<Student>{{QStringLiteral("Q1"), QStringLiteral("乙"), 2, 0, 2}}));
}

void tst_studentio::damagedWorkbookChangesNothing()
{
    Register reg;
    reg.add(QStringLiteral("K1"), QStringLiteral("甲"), 1, 1, 1);
    const std::vector<Student> before = reg.students();

    // A good export, cut short; an empty file; a text file named .xls; a zip without a sheet.
    const QString good = reg.file(QStringLiteral("good.xlsx"));
    reg.exportTo(good);
    QFile g(good);
    QVERIFY(g.open(QIODevice::ReadOnly));
    const QByteArray bytes = g.readAll();
    g.close();
    auto write = [&](const QString &name, const QByteArray &content) {
        const QString p = reg.file(name);
        QFile f(p);
        const bool written = f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
        return written ? p : QString();
    };
    const QStringList damaged = {
        write(QStringLiteral("cut.xlsx"), bytes.left(bytes.size() * 2 / 3)),
        write(QStringLiteral("empty.xlsx"), QByteArray()),
        write(QStringLiteral("text.xls"), "学号,姓名\nK9,乙\n"),
        write(QStringLiteral("tail.xlsx"), bytes.left(bytes.size() - 30)),
    };
    QVERIFY(!damaged.contains(QString()));
    for (const QString &file : damaged) {
        reg.ui.clear();
        // Every question would say Yes, clearing included: none may be asked.
        const StudentImportResult r = reg.import(file, MsgAnswer::Yes, MsgAnswer::Yes);
        QVERIFY(!r.finished);
        QCOMPARE(reg.ui.messages.size(), size_t(2));
        QVERIFY2(reg.ui.lastText().startsWith(QStringLiteral("无法读取文件")), qPrintable(reg.ui.lastText()));
        QVERIFY(reg.ui.lastText().endsWith(QStringLiteral("操作终止！")));
        QCOMPARE(reg.students(), before);
        QVERIFY(!reg.excel.isOpen());
    }
}

void tst_studentio::failedWriteRollsBackTheWholeImport()
{
    Register reg;
    reg.add(QStringLiteral("K1"), QStringLiteral("甲"), 1, 1, 1);
    // The database refuses one row in the middle of the file.
    QVERIFY(execSql(reg.db, QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON stinfo WHEN NEW.stid = 'BAD' "
                                           "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    const QString file = reg.file(QStringLiteral("bad-row.xlsx"));
    QVERIFY(writeSheet(file, {header(),
                              {QStringLiteral("N1"), QStringLiteral("一"), 1.0, 1.0, QStringLiteral("理科")},
                              {QStringLiteral("bad"), QStringLiteral("坏"), 1.0, 2.0, QStringLiteral("理科")},
                              {QStringLiteral("N3"), QStringLiteral("三"), 1.0, 3.0, QStringLiteral("理科")}}));
    const StudentImportResult r = reg.import(file, MsgAnswer::No, MsgAnswer::Yes);
    QVERIFY(!r.finished);
    QCOMPARE(reg.count(), 1);
    QVERIFY(!reg.ui.texts().contains(kImported));
    QVERIFY(reg.ui.lastText().contains(QStringLiteral("导入失败")));
    QCOMPARE(reg.shown.back(), false);

    // A full disk is named as the reason (the database may not grow by a single page).
    QVERIFY(execSql(reg.db, QStringLiteral("DROP TRIGGER refuse")));
    Sheet many = {header()};
    for (int i = 1; i <= 400; ++i)
        many.push_back({QStringLiteral("F%1").arg(i), QStringLiteral("学生"), 1.0, double(i), QStringLiteral("理科")});
    const QString big = reg.file(QStringLiteral("many.xlsx"));
    QVERIFY(writeSheet(big, many));
    QSqlQuery pages = prepare(reg.db, QStringLiteral("PRAGMA page_count"));
    QVERIFY(pages.exec() && pages.next());
    const int full = pages.value(0).toInt();
    pages = QSqlQuery();
    QVERIFY(QSqlQuery(reg.db).exec(QStringLiteral("PRAGMA max_page_count=%1").arg(full)));
    QVERIFY(!reg.import(big, MsgAnswer::No, MsgAnswer::Yes).finished);
    QVERIFY2(reg.ui.lastText().contains(QStringLiteral("磁盘已满")), qPrintable(reg.ui.lastText()));
    QCOMPARE(reg.count(), 1);

    // The disk full when the import commits: named as such too.
    SmallDisk disk;
    if (!disk.ok())
        QSKIP("no small disk can be mounted here");
    Register onSmallDisk(disk.path());
    QCOMPARE(onSmallDisk.count(), 0); // read once, as the register does when it opens
    QVERIFY(disk.fill());
    QVERIFY(!onSmallDisk.import(big, MsgAnswer::No, MsgAnswer::Yes).finished);
    QVERIFY2(onSmallDisk.ui.lastText().contains(QStringLiteral("磁盘已满")), qPrintable(onSmallDisk.ui.lastText()));
    QCOMPARE(onSmallDisk.count(), 0);
}

void tst_studentio::xlsFileImports()
{
    Register reg;
    const QString file = reg.file(QStringLiteral("学生.xls"));
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/students.xls"), file));
    const StudentImportResult r = reg.import(file, MsgAnswer::No, MsgAnswer::Yes);
    QVERIFY(r.finished);
    QCOMPARE(r.added, 80);
    const std::vector<Student> all = reg.students();
    QCOMPARE(all[0], (Student{QStringLiteral("2023001"), QStringLiteral("张三"), 3, 1, 3}));
    QCOMPARE(all[1], (Student{QStringLiteral("2023002"), QStringLiteral("李四"), 3, 2, 2}));  // number cell, 3班, 文 科
    QCOMPARE(all[2], (Student{QStringLiteral("2023004"), QStringLiteral("欧阳小明"), 4, 2, 2}));
    QCOMPARE(all.back(), (Student{QStringLiteral("A2023003"), QStringLiteral("王五"), 4, 1, 1}));

    // A list written by a school system through a library, with an empty stream cell.
    const QString withEmpty = reg.file(QStringLiteral("名单.xls"));
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/empty-text-sst.xls"), withEmpty));
    const StudentImportResult again = reg.import(withEmpty, MsgAnswer::Yes, MsgAnswer::Yes);
    QVERIFY2(again.finished, qPrintable(reg.ui.lastText()));
    QCOMPARE(again.added, 80);
    QCOMPARE(reg.students()[1], (Student{QStringLiteral("2023002"), QStringLiteral("李四"), 3, 2, 1}));

    // A list so short that the file keeps it in its mini stream.
    const QString small = reg.file(QStringLiteral("小名单.xls"));
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/small-list.xls"), small));
    QVERIFY(reg.import(small, MsgAnswer::Yes, MsgAnswer::Yes).finished);
    QCOMPARE(reg.students(), (std::vector<Student>{{QStringLiteral("2023001"), QStringLiteral("张三"), 3, 1, 3},
                                                   {QStringLiteral("2023002"), QStringLiteral("李四"), 3, 2, 1},
                                                   {QStringLiteral("2023003"), QStringLiteral("王五"), 4, 1, 2}}));

    // A list of 300 whose 备注 column holds, in row 152, a formula's text of 4,108 Chinese
    // characters in one record (as a writer fills one): every student is imported.
    QByteArray sheet = xlsDimensions(301, 6);
    const QStringList header = {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号"),
                                QStringLiteral("文理倾向"), QStringLiteral("备注")};
    for (int c = 0; c < header.size(); ++c)
        sheet += xlsLabel(0, c, header[c]);
    for (int r = 1; r <= 300; ++r) {
        sheet += xlsLabel(r, 0, QStringLiteral("N%1").arg(r, 3, 10, QLatin1Char('0'))) + xlsLabel(r, 1, QStringLiteral("学生%1").arg(r))
            + xlsNumber(r, 2, 1 + r % 8) + xlsNumber(r, 3, r) + xlsLabel(r, 4, QStringLiteral("理科"));
        if (r == 151)
            sheet += xlsFormulaText(r, 5, QString(4108, QChar(u'注')));
    }
    const QString noted = reg.file(QStringLiteral("备注名单.xls"));
    QVERIFY(writeFile(noted, xlsCompoundFile(xlsOfOneSheet(QByteArray(), sheet))));
    const StudentImportResult whole = reg.import(noted, MsgAnswer::Yes, MsgAnswer::Yes);
    QVERIFY2(whole.finished, qPrintable(reg.ui.lastText()));
    QCOMPARE(reg.ui.lastText(), kImported);
    QCOMPARE(whole.added, 300);
    QCOMPARE(reg.students().back(), (Student{QStringLiteral("N300"), QStringLiteral("学生300"), 5, 300, 3}));
}

void tst_studentio::exportThatCannotBeWrittenSaysSo()
{
    Register reg;
    reg.add(QStringLiteral("K1"), QStringLiteral("甲"), 1, 1, 1);
    const QString nowhere = reg.file(QStringLiteral("no-such-folder/2023学生信息.xlsx"));
    reg.exportTo(nowhere);
    QVERIFY(!reg.ui.texts().contains(kExported));
    QVERIFY2(reg.ui.lastText().startsWith(QStringLiteral("学生信息导出失败")), qPrintable(reg.ui.lastText()));
    QVERIFY(!QFile::exists(nowhere));
    QCOMPARE(reg.shown.back(), false);

    // A folder where the file should be.
    const QString dirName = reg.file(QStringLiteral("a-folder.xlsx"));
    QVERIFY(QDir().mkpath(dirName));
    reg.ui.clear();
    reg.exportTo(dirName);
    QVERIFY(reg.ui.lastText().startsWith(QStringLiteral("学生信息导出失败")));

    // The file cannot grow (as on a full disk): the reason is given in Chinese, without the workbook
    // library's English wording.
    for (int i = 1; i <= 3000; ++i)
        reg.add(QStringLiteral("S%1").arg(i), QStringLiteral("学生甲乙丙丁"), 1, i, 1);
    reg.ui.clear();
    rlimit before{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 4096;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    reg.exportTo(reg.file(QStringLiteral("2023学生信息.xlsx")));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    const QString text = reg.ui.lastText();
    QVERIFY2(text.startsWith(QStringLiteral("学生信息导出失败：")), qPrintable(text));
    QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(text));
}

void tst_studentio::dialogsAndProgress()
{
    Register reg;
    for (int i = 1; i <= 250; ++i)
        reg.add(QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("学生"), 1, i, 1);

    // The export dialog: its title, a filter of workbooks, the cohort's preset name; a name
    // ending in .xls is written as the .xlsx it is.
    reg.ui.fileNames.push_back(reg.file(QStringLiteral("out.xls")));
    reg.ui.answers = {MsgAnswer::Yes};
    exportStudents(reg.excel, reg.ctx());
    QCOMPARE(reg.ui.fileRequests.back().title, QStringLiteral("学生信息导出"));
    QVERIFY(reg.ui.fileRequests.back().save);
    QCOMPARE(reg.ui.fileRequests.back().presetName, QStringLiteral("2023学生信息.xlsx"));
    QCOMPARE(reg.ui.fileRequests.back().filter, QStringLiteral("格式(.xlsx) (*.xlsx)"));
    QCOMPARE(reg.ui.messages.front().text, QStringLiteral("导出的文件是：") + reg.file(QStringLiteral("out.xlsx")) + QStringLiteral("吗?"));
    QCOMPARE(reg.ui.messages.front().title, QStringLiteral("系统提示:"));
    QCOMPARE(reg.ui.messages.front().buttons, MsgButtons::YesNo);
    QVERIFY(QFile::exists(reg.file(QStringLiteral("out.xlsx"))));
    QVERIFY(!QFile::exists(reg.file(QStringLiteral("out.xls"))));

    // Progress steps 1..100 and starts again; the bar is shown, then hidden.
    QVERIFY(!reg.progress.empty());
    QCOMPARE(reg.progress.front(), 1);
    QCOMPARE(*std::max_element(reg.progress.begin(), reg.progress.end()), 100);
    QCOMPARE(*std::min_element(reg.progress.begin(), reg.progress.end()), 1);
    QCOMPARE(std::count(reg.progress.begin(), reg.progress.end(), 1), 3L); // start and two restarts
    QCOMPARE(reg.shown, (std::vector<bool>{true, false}));

    // The import dialog: its title and the workbook filter; the question names the file.
    reg.progress.clear();
    reg.shown.clear();
    reg.ui.clear();
    const StudentImportResult r = reg.import(reg.file(QStringLiteral("out.xlsx")), MsgAnswer::No, MsgAnswer::No);
    QVERIFY(r.finished);
    QCOMPARE(r.updated, 250);
    QCOMPARE(reg.ui.fileRequests.back().title, QStringLiteral("学生信息导入"));
    QVERIFY(!reg.ui.fileRequests.back().save);
    QCOMPARE(reg.ui.fileRequests.back().filter, QStringLiteral("格式(.xls) (*.xls *.xlsx)"));
    QCOMPARE(reg.ui.messages[0].text, QStringLiteral("导入的文件是：") + reg.file(QStringLiteral("out.xlsx")) + QStringLiteral("吗?"));
    QCOMPARE(reg.ui.messages[1].text, QStringLiteral("原有的学生信息要清空吗(同信息相关的数据将一并删除)?"));
    QCOMPARE(reg.ui.messages[1].title, QStringLiteral("严重警告:"));
    QCOMPARE(reg.ui.messages[2].text, QStringLiteral("是否进行新增操作?"));
    QCOMPARE(reg.ui.messages[2].title, QStringLiteral("重要提示:"));
    QCOMPARE(*std::max_element(reg.progress.begin(), reg.progress.end()), 100);
    QCOMPARE(reg.shown, (std::vector<bool>{true, false}));

    // A cancelled dialog, a name without xls, or No to the question does nothing.
    reg.ui.clear();
    reg.ui.fileNames = {QString()};
    importStudents(reg.excel, reg.ctx());
    reg.ui.fileNames = {reg.file(QStringLiteral("students.csv"))};
    importStudents(reg.excel, reg.ctx());
    QVERIFY(reg.ui.messages.empty());
    reg.ui.fileNames = {reg.file(QStringLiteral("out.xlsx"))};
    reg.ui.answers = {MsgAnswer::No};
    importStudents(reg.excel, reg.ctx());
    QCOMPARE(reg.ui.messages.size(), size_t(1));
    QCOMPARE(reg.count(), 250);

    // The register's own clearing step is used when it gives one.
    int cleared = 0;
    StudentIoContext c = reg.ctx();
    c.clearstu = [&] {
        ++cleared;
        return clearStudents(reg.db);
    };
    reg.ui.clear();
    reg.ui.fileNames = {reg.file(QStringLiteral("out.xlsx"))};
    reg.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes};
    QVERIFY(importStudents(reg.excel, c).finished);
    QCOMPARE(cleared, 1);
    QVERIFY(!reg.ui.texts().contains(QStringLiteral("清空完毕!"))); // the register reports it itself
    QCOMPARE(reg.count(), 250);

    // A clearing that failed ends the import: nothing is added on top of the old register.
    c.clearstu = [] { return false; };
    reg.ui.clear();
    reg.ui.fileNames = {reg.file(QStringLiteral("out.xlsx"))};
    reg.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes};
    QVERIFY(!importStudents(reg.excel, c).finished);
    QVERIFY(!reg.ui.texts().contains(QStringLiteral("是否进行新增操作?")));
    QCOMPARE(reg.count(), 250);
}

void tst_studentio::rowsAfter6000AreNeverRead()
{
    Register reg;
    Sheet sheet = {header()};
    for (int i = 2; i <= 6002; ++i)
        sheet.push_back({QStringLiteral("R%1").arg(i), QStringLiteral("学生"), 1.0, double(i), QStringLiteral("理科")});
    sheet.push_back({std::monostate(), QStringLiteral("备注")}); // row 6003: no number, no student
    sheet.push_back({QStringLiteral("R6004"), QStringLiteral("学生"), 1.0, 6004.0, QStringLiteral("理科")});
    const QString file = reg.file(QStringLiteral("big.xlsx"));
    QVERIFY(writeSheet(file, sheet));
    const StudentImportResult r = reg.import(file, MsgAnswer::No, MsgAnswer::Yes);
    QVERIFY(r.finished);
    QCOMPARE(r.added, 5999);
    QSqlQuery q = reg.read(QStringLiteral("SELECT count(*) FROM stinfo WHERE stid IN ('R6000', 'R6001', 'R6002')"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    // The closing message says how many students below the limit were not read.
    QCOMPARE(reg.ui.lastText(), kImported + QStringLiteral("\n工作表第6000行以后还有3行学生信息未读取（一次最多导入5999行），"
                                                           "请把这些行另存为一个工作簿再导入。"));
}

void tst_studentio::dialogStartsWithTheNameItLastHeld()
{
    Register reg;
    reg.add(QStringLiteral("K1"), QStringLiteral("甲"), 1, 1, 1);
    const QString programFolder = QCoreApplication::applicationDirPath();

    // The first import: no name, the program's folder.
    reg.ui.fileNames = {QString()};
    importStudents(reg.excel, reg.ctx());
    QCOMPARE(reg.ui.fileRequests.back().presetName, QString());
    QCOMPARE(reg.ui.fileRequests.back().directory, programFolder);

    // An export presets the cohort's name in the program's folder; the user saves elsewhere.
    const QString file = reg.file(QStringLiteral("名单.xlsx"));
    reg.exportTo(file);
    QCOMPARE(reg.ui.fileRequests.back().presetName, QStringLiteral("2023学生信息.xlsx"));
    QCOMPARE(reg.ui.fileRequests.back().directory, programFolder);

    // The next import's dialog starts with that file, in its folder, so Open takes it at once.
    reg.ui.fileNames = {QString()};
    importStudents(reg.excel, reg.ctx());
    QCOMPARE(reg.ui.fileRequests.back().presetName, QStringLiteral("名单.xlsx"));
    QCOMPARE(QDir(reg.ui.fileRequests.back().directory), QDir(reg.files.path()));
    // A cancelled dialog keeps the name it held.
    reg.ui.fileNames = {QString()};
    importStudents(reg.excel, reg.ctx());
    QCOMPARE(reg.ui.fileRequests.back().presetName, QStringLiteral("名单.xlsx"));

    // Another window's dialog holds its own name.
    ExcelIo other{scoreExcelTexts()};
    reg.ui.fileNames = {QString()};
    other.selectin([](const QString &) {});
    QCOMPARE(reg.ui.fileRequests.back().presetName, QString());
    QCOMPARE(reg.ui.fileRequests.back().title, QStringLiteral("成绩导入"));
}

void tst_studentio::pointerIsNormalAtTheFinalMessages()
{
    Register reg;
    reg.add(QStringLiteral("K1"), QStringLiteral("甲"), 1, 1, 1);
    const QString file = reg.file(QStringLiteral("p.xlsx"));

    // Export: the confirmation comes before the hourglass; the final message after it.
    reg.exportTo(file);
    QCOMPARE(reg.ui.lastText(), kExported);
    QCOMPARE(reg.ui.hourglass, (std::vector<bool>{false, false}));

    // Import: the questions are asked under the hourglass (it is set when the file is
    // confirmed); the final message comes with the normal pointer.
    reg.ui.hourglass.clear();
    QVERIFY(reg.import(file, MsgAnswer::No, MsgAnswer::No).finished);
    QCOMPARE(reg.ui.lastText(), kImported);
    QCOMPARE(reg.ui.hourglass, (std::vector<bool>{false, true, true, false}));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // A refused header row: the message, then the normal pointer; nothing is left set.
    const QString bad = reg.file(QStringLiteral("bad.xlsx"));
    QVERIFY(writeSheet(bad, {{QStringLiteral("学生号")}}));
    reg.ui.hourglass.clear();
    reg.import(bad, MsgAnswer::No, MsgAnswer::No);
    QCOMPARE(reg.ui.lastText(), QStringLiteral("数据格式有误，请认真检查!"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // An export that fails says so with the normal pointer.
    reg.ui.hourglass.clear();
    reg.exportTo(reg.file(QStringLiteral("no-folder/p.xlsx")));
    QVERIFY(reg.ui.lastText().startsWith(QStringLiteral("学生信息导出失败")));
    QCOMPARE(reg.ui.hourglass.back(), false);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(tst_studentio)
#include "tst_studentio.moc"
