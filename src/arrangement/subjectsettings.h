#pragma once
#include "shell/sysdb.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The rules of an exam's per-subject settings: how a subject's stored settings read in the
// settings grid, which entries may be saved, and the save of one subject's entry into the exam's
// row (kcbpb). No widgets; every value goes into the statements as a bound value.
namespace quorvane::subjectsettings {

// The grid texts of one subject's stored settings, 考试时间 to 总分2: the exam time; the objective,
// subjective and full marks (0 shows empty); 测评对象 ("不限", "文科", "理科"); 参考 and 锁定
// ("是"/"否"); 录入方式 ("班级方式"/"考场方式"); 总分1 and 总分2 ("是"/"否"). Unset columns are empty.
QStringList cellTexts(const sysdb::SubjectSettings &subject);

// The yes/no settings of a subject, in the order they are written.
enum Flag { Taken, Locked, ByClass, IntoTotal1, IntoTotal2, FlagCount };

// What the editor holds for one subject.
struct Entry
{
    QString time;      // the exam time, blanks trimmed
    int stream = 0;    // who sits it: 1 不限, 2 文科, 3 理科; 0 when nothing is chosen
    double objective = 0;
    double subjective = 0;
    double full = 0;
    // Each yes/no setting; none when neither of its options is chosen (the stored value stays).
    std::array<std::optional<bool>, FlagCount> flags;
};

// The first rule an entry breaks, in the order they are checked: the time fits 18 Chinese
// characters, who sits it is chosen, objective + subjective equal the full mark (when either is
// given), and the full mark is above 0.
enum class Fault { None, TimeTooLong, NoStream, MarksDoNotAdd, NoFullMark };
Fault check(const Entry &entry);
// The message that names a fault to the user; empty for none.
QString faultMessage(Fault fault);

// How a save ended: written, the exam is no longer there (nothing written), or the database failed.
enum class Saved { Done, ExamGone, Failed };
// Writes the entry into subject 1..12 of the cohort year's exam; only that subject's columns change.
Saved save(const QSqlDatabase &system, const QString &cohortYear, const QString &examId, int subject, const Entry &entry);

} // namespace quorvane::subjectsettings
