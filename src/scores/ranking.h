#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "shell/subjects.h"
#include "shell/sysdb.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

// Dense ranks by descending value within the class, the stream and the whole exam, for one value
// per row. Equal values share a rank and the next lower value gets the next rank (640, 640, 610 →
// 1, 1, 2). The highest value of a group always gets rank 1, however large. A row whose value is
// Null or 0 is not ranked. Only streams 2 (文科) and 3 (理科) have stream ranks; only class numbers
// from 1 up have class ranks. A rank of 0 in the result means "not ranked" (written as Null).
struct RankResult
{
    std::vector<int> cls;     // within the class
    std::vector<int> stream;  // within the same stream
    std::vector<int> grade;   // within the whole exam
};

RankResult denseRanks(const std::vector<std::optional<double>> &values, const std::vector<qint64> &classes,
                      const std::vector<int> &streams);


// The per-subject flags of an exam that the totals use: subject taken (kmflag), counts into total 1
// (zfjsa), counts into total 2 (zfjsb). A total flag counts only when the subject is taken.
struct TotalFlags
{
    std::array<bool, 13> taken{};
    std::array<bool, 13> intoA{};
    std::array<bool, 13> intoB{};
};

// One subject of an exam for the subject statistics: its number and whether it is entered in two
// parts (objective full mark kgfs above 0).
struct SubjectChoice
{
    int subject = 0;
    bool split = false;
};

using SettingsRead = sysdb::Read;

// Reads the exam's settings row (cohort year and exam id) from the system database.
SettingsRead readTotalFlags(const QSqlDatabase &system, const QString &year, const QString &examId, TotalFlags *out,
                            QString *error = nullptr);
// The subjects taken in the exam, in subject order, with their split flags.
SettingsRead readSubjectList(const QSqlDatabase &system, const QString &year, const QString &examId,
                             std::vector<SubjectChoice> *out);

// Largest class number among the exam's rows (0 when there is none).
qint64 largestClass(const QSqlDatabase &cohort, const QString &examId);

// Total of one row: the sum of the subject scores above 0 over the subjects that count (both
// indexed by subject number 1..12).
double totalOf(const std::array<std::optional<double>, 13> &subjectScores, const std::array<bool, 13> &counts);

// Subject score of a split subject from its two parts: when both parts are entered (not Null), the
// points of the parts (a part above 0) are added; the markers -1/-2 and 0 add nothing. When neither
// part has points the score is -2 if a part is -2 (作弊), else -1 if a part is -1 (缺考), else 0.
// When a part is Null the score stays as it was (nullopt is returned): it may have been typed whole.
std::optional<double> splitScore(const std::optional<double> &objective, const std::optional<double> &subjective);

// Reports progress in records handled since the last call; the window steps its bar and repaints.
using ProgressFn = std::function<void(int records)>;

enum class RunStatus { Done, NoSettings, DbError };
struct RunResult
{
    RunStatus status = RunStatus::Done;
    QString error;  // the database's text for DbError
    int rows = 0;   // rows of the exam written
};

// 总分统计: reads the exam's flags, computes total 1 and total 2 of every row of the exam and their
// ranks within class, stream and exam, and writes the eight columns of every row in one
// transaction. The exam's rows are read once; nothing is written when the settings row is
// missing or a statement fails.
RunResult runTotals(QSqlDatabase &cohort, const QSqlDatabase &system, const QString &year, const QString &examId,
                    const ProgressFn &progress = {});

// 单科统计 for the given subjects (in the order given): forms the score of every split subject from
// its parts, then writes the subject's class, stream and exam rank of every row of the exam; all
// in one transaction. The split flags are those of the list; the exam's settings row must still
// exist.
RunResult runSubjects(QSqlDatabase &cohort, const QSqlDatabase &system, const QString &year, const QString &examId,
                      const std::vector<SubjectChoice> &subjects, const ProgressFn &progress = {});

// The message a window shows for a run that could not be done, or an empty string when it was done.
QString runFailureText(const RunResult &result);

} // namespace quorvane
