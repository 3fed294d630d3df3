#include "arrangement/subjectsettings.h"

#include "shell/codes.h"
#include "shell/database.h"
#include "shell/textcheck.h"
#include "shell/valuetext.h"

#include <QSqlQuery>
#include <cmath>

namespace quorvane::subjectsettings {

namespace {

// The per-subject columns of a subject, in the order of sysdb::SubjectSettings. Only these fixed
// names are ever put into SQL text.
QStringList columnsOf(int subject)
{
    QStringList columns;
    for (const char *prefix : {"kstime", "kgfs", "zgfs", "allfs", "kstype", "kmflag", "cjlock", "cjinput", "zfjsa", "zfjsb"})
        columns << QLatin1String(prefix) + QString::number(subject);
    return columns;
}

// The index in columnsOf of each yes/no setting.
constexpr int kFlagColumn[FlagCount] = {5, 6, 7, 8, 9};

bool unset(const QVariant &stored)
{
    return stored.isNull() || stored.toString().isEmpty();
}

QString yesNo(const QVariant &flag)
{
    if (unset(flag))
        return QString();
    return sysdb::flagSet(flag) ? QStringLiteral("是") : QStringLiteral("否");
}

} // namespace

QStringList cellTexts(const sysdb::SubjectSettings &subject)
{
    const QString entry = unset(subject.cjinput) ? QString()
        : subject.byClass()                     ? QStringLiteral("班级方式")
                                                : QStringLiteral("考场方式");
    return {valueText(subject.kstime),
            valueText(subject.kgfs, ZeroShown::No),
            valueText(subject.zgfs, ZeroShown::No),
            valueText(subject.allfs, ZeroShown::No),
            streamText(subject.kstype),
            yesNo(subject.kmflag),
            yesNo(subject.cjlock),
            entry,
            yesNo(subject.zfjsa),
            yesNo(subject.zfjsb)};
}

Fault check(const Entry &entry)
{
    if (DisplayWidth(entry.time) > 36)
        return Fault::TimeTooLong;
    if (entry.stream < 1 || entry.stream > 3)
        return Fault::NoStream;
    if ((entry.objective > 0 || entry.subjective > 0) && std::fabs(entry.objective + entry.subjective - entry.full) > 1e-9)
        return Fault::MarksDoNotAdd;
    if (entry.full <= 0)
        return Fault::NoFullMark;
    return Fault::None;
}

QString faultMessage(Fault fault)
{
    // By Fault, in its order.
    static const char *const messages[] = {"", "考试时间长度不能超过18个汉字!", "测评对象未选择!", "客观总分+主观总分<>总分满分!",
                                           "总分满分不能为0!"};
    return QString::fromUtf8(messages[static_cast<int>(fault)]);
}

Saved save(const QSqlDatabase &system, const QString &cohortYear, const QString &examId, int subject, const Entry &entry)
{
    const QStringList columns = columnsOf(subject);
    QStringList sets = {columns.at(0), columns.at(4), columns.at(1), columns.at(2), columns.at(3)};
    QVariantList values = {entry.time, entry.stream, entry.objective, entry.subjective, entry.full};
    for (int flag = 0; flag < FlagCount; ++flag) {
        if (entry.flags[flag]) {
            sets << columns.at(kFlagColumn[flag]);
            values << (*entry.flags[flag] ? 1 : 0);
        }
    }
    QSqlQuery find = prepare(system, QStringLiteral("SELECT rowid FROM kcbpb WHERE year = ? AND id = ? ORDER BY rowid LIMIT 1"),
                             {cohortYear, examId});
    if (!find.exec() || !find.next())
        return Saved::ExamGone;
    values << find.value(0);
    find.finish();
    const QString update = QStringLiteral("UPDATE kcbpb SET ") + sets.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ? WHERE rowid = ?");
    if (!execSql(system, update, values))
        return Saved::Failed;
    return Saved::Done;
}

} // namespace quorvane::subjectsettings
