#include "workbook/workbookwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cstdio>

namespace quorvane {

struct WorkbookWriter::Impl
{
    lxw_workbook *wb = nullptr;
    lxw_worksheet *ws = nullptr;
    lxw_format *text = nullptr;
    lxw_error firstError = LXW_NO_ERROR;
    QString target;  // the file the user chose
    QString temp;    // where the workbook is written first, beside the target

    // Drops an unfinished workbook and its temporary file.
    void discard()
    {
        if (wb)
            lxw_workbook_free(wb);
        wb = nullptr;
        ws = nullptr;
        if (!temp.isEmpty())
            QFile::remove(temp);
        temp.clear();
    }
};

WorkbookWriter::WorkbookWriter() : d(std::make_unique<Impl>()) {}

WorkbookWriter::~WorkbookWriter()
{
    d->discard(); // abandoned: nothing is written
}

bool WorkbookWriter::create(const QString &path, double fontSize, const QString &sheetName)
{
    d->discard();
    *d = Impl();
    m_error.clear();
    d->target = path;
    // The workbook goes to a temporary file in the target's folder and replaces the target only
    // when it was written whole, so a failed export leaves an existing file as it was.
    const QFileInfo info(path);
    QTemporaryFile tmp(info.absolutePath() + QStringLiteral("/.~") + info.fileName() + QStringLiteral(".XXXXXX"));
    tmp.setAutoRemove(false);
    if (tmp.open()) {
        d->temp = tmp.fileName();
        tmp.close();
    }
    const QByteArray file = (d->temp.isEmpty() ? path : d->temp).toUtf8();
    d->wb = workbook_new(file.constData());
    if (!d->wb) {
        d->discard();
        m_error = QStringLiteral("工作簿无法创建");
        return false;
    }
    // Sheet names: at most 31 characters, none of []:*?/\ .
    QString sheet = sheetName;
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    for (QChar &c : sheet)
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    sheet = sheet.left(31);
    const QByteArray sheetUtf8 = sheet.toUtf8();
    d->ws = workbook_add_worksheet(d->wb, sheet.isEmpty() ? nullptr : sheetUtf8.constData());
    if (!d->ws) {
        d->discard();
        m_error = QStringLiteral("工作簿无法创建");
        return false;
    }
    d->text = workbook_add_format(d->wb);
    format_set_font_size(d->text, fontSize);
    format_set_num_format(d->text, "@");
    worksheet_set_column(d->ws, 0, LXW_COL_MAX - 1, LXW_DEF_COL_WIDTH, d->text);
    return true;
}

bool WorkbookWriter::writeText(int row, int col, const QString &text)
{
    if (!d->wb || row < 1 || col < 1)
        return false;
    if (text.isEmpty())
        return true;
    const QByteArray utf8 = text.toUtf8();
    const lxw_error err = worksheet_write_string(d->ws, lxw_row_t(row - 1), lxw_col_t(col - 1), utf8.constData(), d->text);
    if (err != LXW_NO_ERROR) {
        if (d->firstError == LXW_NO_ERROR)
            d->firstError = err;
        return false;
    }
    return true;
}

bool WorkbookWriter::close()
{
    if (!d->wb) {
        m_error = QStringLiteral("工作簿无法创建");
        return false;
    }
    const QString cannotWrite = QStringLiteral("文件无法写入（文件夹不存在、没有写入权限，或文件正被其他程序打开）");
    if (d->firstError != LXW_NO_ERROR) {
        m_error = QStringLiteral("有单元格无法写入（") + QString::fromUtf8(lxw_strerror(d->firstError)) + QStringLiteral("）");
        d->discard();
        return false;
    }
    const lxw_error err = workbook_close(d->wb);
    d->wb = nullptr;
    d->ws = nullptr;
    if (err != LXW_NO_ERROR) {
        m_error = err == LXW_ERROR_CREATING_XLSX_FILE || err == LXW_ERROR_CREATING_TMPFILE
            ? cannotWrite
            : QStringLiteral("文件写入出错（") + QString::fromUtf8(lxw_strerror(err)) + QStringLiteral("）");
        d->discard();
        return false;
    }
    if (!d->temp.isEmpty()) {
        const QByteArray from = QFile::encodeName(d->temp);
        const QByteArray to = QFile::encodeName(d->target);
        bool moved = std::rename(from.constData(), to.constData()) == 0;
        if (!moved && QFileInfo(d->target).isFile() && QFile::remove(d->target))
            moved = QFile::rename(d->temp, d->target);
        if (!moved) {
            m_error = cannotWrite;
            d->discard();
            return false;
        }
        d->temp.clear();
        QFile::setPermissions(d->target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    return true;
}

} // namespace quorvane
