#include "scores/scoresheet.h"

#include "shell/database.h"
#include "shell/textcheck.h"
#include "shell/valuetext.h"
#include "shell/workbook.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace quorvane::scoresheet {

ScoreItem itemFromText(const QString &text)
{
    if (text == QStringLiteral("客观分"))
        return ScoreItem::Objective;
    if (text == QStringLiteral("主观分"))
        return ScoreItem::Subjective;
    if (text == QStringLiteral("总 分"))
        return ScoreItem::Total;
    return ScoreItem::None;
}

QString itemText(ScoreItem item)
{
    switch (item) {
    case ScoreItem::Objective: return QStringLiteral("客观分");
    case ScoreItem::Subjective: return QStringLiteral("主观分");
    case ScoreItem::Total: return QStringLiteral("总 分");
    case ScoreItem::None: break;
    }
    return QString();
}

QString scoreColumn(ScoreItem item, int subject)
{
    if (subject < 1 || subject > SubjectCount)
        return QString();
    switch (item) {
    case ScoreItem::Objective: return QStringLiteral("kea") + QString::number(subject);
    case ScoreItem::Subjective: return QStringLiteral("keb") + QString::number(subject);
    case ScoreItem::Total: return QStringLiteral("ke") + QString::number(subject);
    case ScoreItem::None: break;
    }
    return QString();
}

int wholeFullMark(const QVariant &stored)
{
    if (stored.isNull())
        return 0;
    bool ok = false;
    const double v = stored.toDouble(&ok);
    if (!ok || !(v > 0.0) || v > 1e9)
        return 0;
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(v));
}

int fullMark(const sysdb::SubjectSettings &subject, ScoreItem item)
{
    switch (item) {
    case ScoreItem::Objective: return wholeFullMark(subject.kgfs);
    case ScoreItem::Subjective: return wholeFullMark(subject.zgfs);
    case ScoreItem::Total: return wholeFullMark(subject.allfs);
    case ScoreItem::None: break;
    }
    return 0;
}

bool loadSubjectSettings(const QSqlDatabase &system, const QString &year, const QString &examId,
                         sysdb::ExamSettings &settings, QStringList &subjects)
{
    sysdb::ExamSettings s;
    if (sysdb::readExamSettings(system, year, examId, &s) != sysdb::Read::Found)
        return false;
    QStringList names;
    for (int k = 1; k <= SubjectCount; ++k)
        if (s.subject(k).taken())
            names << subjectName(k);
    settings = std::move(s);
    subjects = names;
    return true;
}

QStringList classList(const QSqlDatabase &system, const QString &year)
{
    QStringList out;
    const sysdb::ClassRange range = sysdb::readClassRange(system, year);
    for (int i = 0; i < range.bjsum && i < 1000; ++i)
        out << QString::number(range.startbj + i);
    return out;
}

bool loadSheetRows(const QSqlDatabase &cohort, const SheetContext &ctx, int kstype, std::vector<SheetRow> &rows)
{
    if (kstype < 1 || kstype > 3)
        return false;
    const QString column = scoreColumn(ctx.item, ctx.subject);
    if (column.isEmpty())
        return false;
    QString sql;
    QVariantList values{ctx.examId};
    if (ctx.classMode) {
        sql = QStringLiteral("SELECT name, zh, %1, stid, rowid FROM stucj WHERE id=? AND bj=?").arg(column);
        values << static_cast<qlonglong>(std::llround(Val(ctx.place)));
    } else {
        sql = QStringLiteral("SELECT kczh, %1, stid, rowid FROM stucj WHERE id=? AND kcbj=?").arg(column);
        values << ctx.place;
    }
    if (kstype == 2)
        sql += QStringLiteral(" AND wlflag=2");
    else if (kstype == 3)
        sql += QStringLiteral(" AND wlflag=3");
    sql += ctx.classMode ? QStringLiteral(" ORDER BY zh, rowid") : QStringLiteral(" ORDER BY kczh, rowid");
    std::vector<SheetRow> out;
    QSqlQuery q = prepare(cohort, sql, values);
    if (q.exec()) {
        while (q.next()) {
            SheetRow r;
            int c = 0;
            if (ctx.classMode)
                r.name = q.value(c++).toString();
            r.seat = q.value(c).isNull() ? QString() : QString::number(q.value(c).toLongLong());
            ++c;
            r.score = valueText(q.value(c++), ZeroShown::No);
            r.stid = q.value(c++).toString();
            r.rowId = q.value(c).toLongLong();
            out.push_back(std::move(r));
        }
    }
    rows = std::move(out);
    return true;
}

QVariant storedScore(const QString &cell)
{
    if (cell.isEmpty())
        return QVariant(QMetaType::fromType<double>());
    return QVariant(Val(cell));
}

EntryCheck checkEntry(const QString &typed, const QString &fullMarkText)
{
    // The markers -1 (缺考) and -2 (作弊) are typed in the box as save takes them.
    return checkCell(typed, fullMarkText);
}

EntryCheck checkCell(const QString &cell, const QString &fullMarkText)
{
    if (cell.isEmpty())
        return EntryCheck::Ok;
    const double v = Val(cell);
    if (v != -1.0 && v != -2.0 && HasNonDigit(cell))
        return EntryCheck::IllegalCharacter;
    if (v > Val(fullMarkText))
        return EntryCheck::AboveFullMark;
    return EntryCheck::Ok;
}

bool saveScores(QSqlDatabase &cohort, const SheetContext &ctx, const std::vector<SaveRow> &rows,
                const std::function<void(int)> &progress, QString *error)
{
    if (rows.empty())
        return true;
    const QString column = scoreColumn(ctx.item, ctx.subject);
    if (column.isEmpty() || ctx.examId.isEmpty()) {
        if (error)
            *error = QStringLiteral("没有选定成绩单");
        return false;
    }
    Transaction tx(cohort);
    if (!tx.active()) {
        if (error)
            *error = reasonText(cohort.lastError());
        return false;
    }
    // The student's own row of this exam: its row id as listed, checked against exam and student
    // number, so a row that now belongs to someone else is never written.
    QSqlQuery q(cohort);
    q.prepare(QStringLiteral("UPDATE stucj SET %1=? WHERE rowid=? AND id=? AND stid IS ?").arg(column));
    int r = 0;
    for (const SaveRow &row : rows) {
        ++r;
        if (row.rowId >= 0) {
            q.bindValue(0, storedScore(row.score));
            q.bindValue(1, row.rowId);
            q.bindValue(2, ctx.examId);
            q.bindValue(3, row.stid.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(row.stid));
            if (!q.exec()) {
                if (error)
                    *error = reasonText(q.lastError());
                return false;
            }
        }
        if (progress)
            progress(r);
    }
    q.finish();
    if (!tx.commit()) {
        if (error)
            *error = reasonText(tx.error());
        return false;
    }
    return true;
}

namespace {
// The hash key of a seat number: Val's number, with -0 and 0 one key.
double seatKey(const QString &seatText)
{
    const double v = Val(seatText);
    return v == 0 ? 0.0 : v;
}
QString nameKey(const QString &name) { return StripBlanks(TrimBlanks(name)); }
} // namespace

SeatIndex::SeatIndex(const std::vector<QString> &seats, const std::vector<QString> &names)
{
    m_rows.reserve(qsizetype(seats.size()));
    for (size_t i = 0; i < seats.size(); ++i)
        m_rows[seatKey(seats[i])].push_back(static_cast<int>(i));
    m_names.reserve(names.size());
    for (const QString &name : names)
        m_names.push_back(nameKey(name));
}

const std::vector<int> *SeatIndex::rowsOf(const QString &seatText) const
{
    const auto it = m_rows.constFind(seatKey(seatText));
    return it == m_rows.cend() ? nullptr : &it.value();
}

int SeatIndex::findSeat(const QString &seatText) const
{
    const std::vector<int> *rows = rowsOf(seatText);
    return rows ? rows->front() : -1;
}

int SeatIndex::findStudent(const QString &seatText, const QString &name, bool *nameDiffers) const
{
    if (nameDiffers)
        *nameDiffers = false;
    const std::vector<int> *rows = rowsOf(seatText);
    if (!rows)
        return -1;
    const QString wanted = nameKey(name);
    for (int i : *rows) {
        if (size_t(i) < m_names.size() && m_names[size_t(i)] == wanted)
            return i;
    }
    if (nameDiffers)
        *nameDiffers = true;
    return -1;
}

bool writeScoreWorkbook(const QString &fileName, const std::vector<QStringList> &table,
                        const std::function<void(int)> &progress, QString *error)
{
    WorkbookWriter book;
    if (!book.create(fileName, 10)) {
        if (error)
            *error = book.errorText();
        return false;
    }
    bool ok = true;
    int i = 0;
    for (const QStringList &row : table) {
        ++i;
        for (int j = 0; j < row.size(); ++j)
            ok = book.writeText(i, j + 1, row[j]) && ok;
        if (progress)
            progress(i);
    }
    ok = book.close() && ok;
    if (!ok && error)
        *error = book.errorText();
    return ok;
}

bool readScoreRows(const std::function<QString(const QString &)> &cell,
                   const std::function<void(const QString &, const QString &, const QString &)> &take,
                   const std::function<void(int)> &progress)
{
    auto clean = [&](const char *column, const QString &row) {
        return StripBlanks(TrimBlanks(cell(QLatin1String(column) + row)));
    };
    for (int r = 2; r <= LastScoreRow; ++r) {
        const QString row = QString::number(r);
        const QString a = clean("a", row);
        const QString b = clean("b", row);
        const QString c = clean("c", row);
        if (a.isEmpty())
            return false;
        take(a, b, c);
        if (progress)
            progress(r);
    }
    return true;
}

} // namespace quorvane::scoresheet
