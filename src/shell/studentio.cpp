#include "shell/studentio.h"

#include "shell/database.h"
#include "shell/services.h"
#include "shell/students.h"
#include "shell/textcheck.h"
#include "shell/titles.h"
#include "shell/valuetext.h"
#include "shell/window.h"
#include "shell/workbook.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSet>
#include <QSqlError>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>

namespace quorvane {

namespace {

constexpr int kFirstRow = 2;
constexpr int kLastRow = 6000;
const char *const kColumns[] = {"a", "b", "c", "d", "e"};

void setProgress(const StudentIoContext &ctx, int value)
{
    if (ctx.progress)
        ctx.progress(value);
}

void showProgress(const StudentIoContext &ctx, bool visible)
{
    if (ctx.showProgress)
        ctx.showProgress(visible);
}

// The first n characters of a text (a character outside the basic plane counts once).
QString leftChars(const QString &text, int n)
{
    int units = 0;
    int chars = 0;
    while (units < text.size() && chars < n) {
        units += (text[units].isHighSurrogate() && units + 1 < text.size() && text[units + 1].isLowSurrogate()) ? 2 : 1;
        ++chars;
    }
    return text.left(units);
}

QString clean(const QString &text)
{
    return StripBlanks(TrimBlanks(text));
}

// The stream code an imported row stores: that of a stream name, 1 ("不限") for any other text.
int importedStream(const QString &text)
{
    return std::max(1, streamCode(text));
}

// Rows below lastRow that hold a student number: the sheet is read again, its first column only,
// so a sheet of any length costs little.
int numbersBelow(const QString &fileName, int lastRow)
{
    Workbook sheet;
    if (!sheet.open(fileName, 0, 1))
        return 0;
    int n = 0;
    for (int r = lastRow + 1; r <= sheet.rowCount(); ++r)
        if (!clean(sheet.text(r, 1)).isEmpty())
            ++n;
    return n;
}

// Why the export's workbook could not be written, in Chinese: a full disk is named as such, and the
// workbook library's own English wording is left out.
QString exportFailureText(const QString &fileName, const QString &writerText, int errnoValue)
{
    const QStorageInfo disk(QFileInfo(fileName).absolutePath());
    if (errnoValue == ENOSPC || errnoValue == EDQUOT || (disk.isValid() && disk.bytesAvailable() < 1024 * 1024))
        return systemReasonText(ENOSPC);
    static const QRegularExpression latin(QStringLiteral("（[^）]*[A-Za-z][^）]*）"));
    QString text = writerText;
    text.remove(latin);
    if (text.isEmpty() || text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
        text = QStringLiteral("文件写入出错");
    // errno is named only where it tells the file's own trouble; other values may be left from elsewhere.
    static const int known[] = {EACCES, EPERM, EROFS, EIO, EFBIG, EBUSY, ETXTBSY};
    if (std::find(std::begin(known), std::end(known), errnoValue) != std::end(known))
        text += QStringLiteral("（") + systemReasonText(errnoValue) + QStringLiteral("）");
    return text;
}

} // namespace

const QStringList &studentHeaders()
{
    static const QStringList h = {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号"),
                                  QStringLiteral("文理倾向")};
    return h;
}

QString studentExportName(const QString &cohortYear)
{
    return cohortYear + QStringLiteral("学生信息.xlsx");
}

int editstu(const QSqlDatabase &db, const QString &number, const QString &name, const QString &cls, const QString &seat,
            const QString &stream)
{
    QSqlError error;
    int changed = -1;
    execSql(db, QStringLiteral("UPDATE stinfo SET stname=?, stclass=?, stclassno=?, keflag=? WHERE stid=?"),
            {name, Val(cls), Val(seat), importedStream(stream), number.toUpper()}, &error, &changed);
    return changed;
}

StudentImportResult stuinputok0(ExcelIo &excel, const QString &fileName, const StudentIoContext &ctx)
{
    StudentImportResult result;
    QSqlDatabase db = ctx.db;

    // The whole sheet is read (and refused when damaged) before anything changes.
    if (!excel.el_openexcel(fileName, kLastRow, int(std::size(kColumns))))
        return result;

    showProgress(ctx, true);
    setProgress(ctx, 1);
    int counter = 1;

    // Header row: 学号, 姓名, 班级, 座号, 文理倾向 in A1 to E1.
    const QStringList &headers = studentHeaders();
    for (int c = 0; c < 5; ++c) {
        excel.el_selsectx(QLatin1String(kColumns[c]) + QLatin1Char('1'));
        if (TrimBlanks(excel.ActiveCellText()).compare(headers[c], Qt::CaseInsensitive) != 0) {
            excel.el_closeexcel();
            services::msg(QStringLiteral("数据格式有误，请认真检查!"), titles::kSystem);
            ExcelIo::normalPointer();
            showProgress(ctx, false);
            return result;
        }
    }

    // Clearing the register is its own confirmed step, done before the import's transaction.
    // Enter answers 否: clearing cannot be undone.
    if (services::ask(QStringLiteral("原有的学生信息要清空吗(同信息相关的数据将一并删除)?"), titles::kSevereWarningAscii, MsgButtons::YesNo,
                      MsgAnswer::No)
        == MsgAnswer::Yes) {
        bool cleared = false;
        if (ctx.clearstu) {
            cleared = ctx.clearstu(); // the register reports success or failure itself
        } else {
            const WriteScope clearing(QStringLiteral("学生信息的清空"));
            cleared = clearStudents(db);
            windows::letEventsRun();
            services::msg(cleared ? QStringLiteral("清空完毕!")
                                  : QStringLiteral("学生信息清空失败") + clearing.failureClause() + QStringLiteral("，请重新操作！"),
                          cleared ? titles::kSystemAscii : titles::kSystem);
        }
        if (!cleared) {
            // Nothing is imported on top of a register that was meant to be cleared.
            excel.el_closeexcel();
            showProgress(ctx, false);
            return result;
        }
    }

    result.appendMode = services::ask(QStringLiteral("是否进行新增操作?"), titles::kImportant, MsgButtons::YesNo) == MsgAnswer::Yes;

    // Numbers already in the register (append mode adds no second student with one of them).
    QSet<QString> taken;
    if (result.appendMode) {
        QSqlQuery q = prepare(db, QStringLiteral("SELECT stid FROM stinfo"));
        if (q.exec())
            while (q.next())
                taken.insert(q.value(0).toString().toUpper());
    }

    bool failed = false;
    bool reachedLimit = false;
    QSqlError writeError;
    const WriteScope importing(QStringLiteral("本次导入的学生信息"));
    {
        Transaction tx(db);
        failed = !tx.active();
        QSqlQuery insert(db);
        insert.setForwardOnly(true);
        if (!failed && result.appendMode)
            failed = !insert.prepare(QStringLiteral("INSERT INTO stinfo (stid, stname, stclass, stclassno, keflag) VALUES (?, ?, ?, ?, ?)"));
        QSqlQuery update(db);
        update.setForwardOnly(true);
        if (!failed && !result.appendMode)
            failed = !update.prepare(QStringLiteral("UPDATE stinfo SET stname=?, stclass=?, stclassno=?, keflag=? WHERE stid=?"));

        for (int r = kFirstRow; r <= kLastRow && !failed; ++r) {
            ++counter;
            QString t[5];
            for (int c = 0; c < 5; ++c) {
                excel.el_selsectx(QLatin1String(kColumns[c]) + QString::number(r));
                t[c] = excel.ActiveCellText();
            }
            if (t[1].size() > 15)
                t[1] = leftChars(t[1], 15);
            for (QString &s : t)
                s = clean(s);
            if (t[0].isEmpty())
                break;
            reachedLimit = r == kLastRow;
            ++result.rowsRead;
            const QString number = t[0].toUpper();
            if (result.appendMode) {
                if (taken.contains(number)) {
                    ++result.skipped;
                } else {
                    insert.addBindValue(number);
                    insert.addBindValue(t[1]);
                    insert.addBindValue(Val(t[2]));
                    insert.addBindValue(Val(t[3]));
                    insert.addBindValue(importedStream(t[4]));
                    if (!insert.exec()) {
                        failed = true;
                        writeError = insert.lastError();
                    } else
                        ++result.added;
                    taken.insert(number);
                }
            } else {
                update.addBindValue(t[1]);
                update.addBindValue(Val(t[2]));
                update.addBindValue(Val(t[3]));
                update.addBindValue(importedStream(t[4]));
                update.addBindValue(number);
                if (!update.exec()) {
                    failed = true;
                    writeError = update.lastError();
                } else if (update.numRowsAffected() > 0)
                    ++result.updated;
            }
            windows::letEventsRun();
            if (counter > 100)
                counter = 1;
            setProgress(ctx, counter);
        }
        insert.finish();
        update.finish();
        if (!failed) {
            failed = !tx.commit();
            if (failed)
                writeError = tx.error();
        }
    }
    if (failed && !writeError.isValid())
        writeError = db.lastError();

    excel.el_closeexcel();
    ExcelIo::normalPointer();
    showProgress(ctx, false);
    if (failed) {
        result.added = 0;
        result.updated = 0;
        services::msg(QStringLiteral("学生信息导入失败（数据库写入出错：") + reasonText(writeError)
                          + QStringLiteral("），本次导入的学生一个也没有写入，请稍后重试！"),
                      titles::kSystem);
        return result;
    }
    result.finished = true;
    QString text = QStringLiteral("学生信息导入完毕，请认真检查是否正确。");
    if (result.skipped > 0)
        text += QStringLiteral("\n其中") + QString::number(result.skipped)
                + QStringLiteral("行的学号已在学生名单中或在文件中重复出现，这些行未导入。");
    // One import reads rows 2 to 6000; what lies below is named, not passed over in silence.
    if (const int beyond = reachedLimit ? numbersBelow(fileName, kLastRow) : 0; beyond > 0)
        text += QStringLiteral("\n工作表第") + QString::number(kLastRow) + QStringLiteral("行以后还有") + QString::number(beyond)
                + QStringLiteral("行学生信息未读取（一次最多导入") + QString::number(kLastRow - kFirstRow + 1)
                + QStringLiteral("行），请把这些行另存为一个工作簿再导入。");
    services::msg(text, titles::kSystem);
    return result;
}

bool stuinputok1(const QString &fileName, const StudentIoContext &ctx)
{
    WorkbookWriter book;
    if (!book.create(fileName, 10)) {
        services::msg(QStringLiteral("工作簿无法创建，操作终止！"), titles::kSystem);
        return false;
    }
    showProgress(ctx, true);
    const QStringList &headers = studentHeaders();
    for (int c = 0; c < 5; ++c)
        book.writeText(1, c + 1, headers[c]);

    QSqlQuery q = prepare(ctx.db, QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo ORDER BY stid"));
    const bool read = q.exec();
    setProgress(ctx, 1);
    int counter = 1;
    int row = 1;
    while (read && q.next()) {
        ++row;
        ++counter;
        book.writeText(row, 1, valueText(q.value(0)));
        book.writeText(row, 2, valueText(q.value(1)));
        book.writeText(row, 3, valueText(q.value(2)));
        book.writeText(row, 4, valueText(q.value(3)));
        book.writeText(row, 5, streamText(q.value(4)));
        if (counter > 100)
            counter = 1;
        setProgress(ctx, counter);
        if (counter == 1)
            windows::letEventsRun();
    }
    q.finish();

    errno = 0;
    const bool written = read && book.close();
    const int closeErrno = errno;
    showProgress(ctx, false);
    ExcelIo::normalPointer();
    if (!read) {
        services::msg(QStringLiteral("学生信息导出失败：学生名单无法读取，文件没有写入！"), titles::kSystem);
        return false;
    }
    if (!written) {
        services::msg(QStringLiteral("学生信息导出失败：") + exportFailureText(fileName, book.errorText(), closeErrno)
                          + QStringLiteral("，请检查后重新导出！"),
                      titles::kSystem);
        return false;
    }
    services::msg(QStringLiteral("学生信息导出完毕，请认真检查是否正确。"), titles::kSystem);
    return true;
}

StudentImportResult importStudents(ExcelIo &excel, const StudentIoContext &ctx)
{
    StudentImportResult result;
    excel.selectin([&](const QString &file) { result = stuinputok0(excel, file, ctx); });
    return result;
}

void exportStudents(ExcelIo &excel, const StudentIoContext &ctx)
{
    excel.selectout(studentExportName(ctx.cohortYear), [&](const QString &file) { stuinputok1(file, ctx); });
}

} // namespace quorvane
