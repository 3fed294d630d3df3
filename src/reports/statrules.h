#pragma once
// The rules by which the reports count, average, round and rate stored scores, the standard
// deviation, and the names a report gives a grade and a class. Widget-free: the report builders
// and the tests use them without any window.
// Every number a report shows is written by the workbook's numberText, the program's one number
// format (85.5, 90, 78.33).
#include "workbook/celltext.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane::reports {

// ---- stored score values ------------------------------------------------------------------------
// A stored value is present when it is neither Null nor 0 (a total or a rank counts when present).
bool isPresent(const QVariant &stored);
// A subject score takes part in counts, sums, minima, maxima, bands and deviations when it is
// present and >= 0 (-1 absent, -2 cheating, Null and 0 take no part).
bool scoreCounts(const QVariant &stored);
// The text of a single score where a window shows scores: "" for Null and 0, "缺考" for -1, "作弊"
// for -2, otherwise the number (numberText, the one number format of the program).
QString scoreText(const QVariant &stored);
// The text of a total or a rank: the number when present, otherwise "".
QString presentText(const QVariant &stored);

// ---- numbers --------------------------------------------------------------------------------------
// Rounds to 2 decimal places: value × 100 to the nearest whole number, an exact half to the even
// neighbour, then ÷ 100 (84.125 → 84.12, 84.375 → 84.38).
double round2(double value);
// The nearest whole number, an exact half to the even neighbour (full marks, 16-bit members).
long long roundEven(double value);
// Average of counted scores, rounded by round2; nullopt when nothing was counted.
std::optional<double> average(double sum, int count);
// A rate in per cent: reached ÷ taking × 100 (division first), rounded by round2; nullopt when no
// score takes part (no division by zero).
std::optional<double> ratePercent(int reached, int taking);
// 优良: score >= 0.8 × full mark; 及格: score >= 0.6 × full mark.
bool isGood(double score, double fullMark);
bool isPass(double score, double fullMark);

// Running count, sum, minimum and maximum of the scores that take part.
struct ScoreTally
{
    int count = 0;
    double sum = 0;
    double min = 0;
    double max = 0;
    // Adds the stored score when it takes part (scoreCounts); returns whether it did.
    bool add(const QVariant &stored);
    // Adds a score known to take part.
    void addValue(double score);
    std::optional<double> mean() const { return average(sum, count); }
};

// The sample standard deviation as outbzc computes it: sum of (v − mean)² over the values, divided
// by count − 1 (by 1 when count is 1), square root rounded by round2; 0 when that variance is not
// above 0 and also when count is 0 (which the old routine could not compute at all).
double sampleStdDev(const std::vector<double> &values, double mean, int count);

// Which stucj rows a deviation runs over.
struct RowFilter
{
    int classNo = 0;                // 0: the whole exam; else this class number (bj)
    std::optional<int> wlflag;      // limit to one stream (wlflag 2 arts, 3 science)
};
// outbzc: reads ke<subject> of the exam's rows chosen by filter from the cohort database, keeps the
// values that take part and returns sampleStdDev(values, mean, count). mean and count come from the
// caller and must describe the same rows. step is called once per row read (progress bar).
double outbzc(const QSqlDatabase &cohort, const QString &examId, int subject, const RowFilter &filter, double mean,
              int count, const std::function<void()> &step = {});

// ---- streams --------------------------------------------------------------------------------------
// The stored stream codes (wlflag) of 文科 and 理科: their codes in the shell's kStreamNames.
inline constexpr int kArtsStream = 2;
inline constexpr int kScienceStream = 3;

// ---- grade and class names -------------------------------------------------------------------------
// The grade text of a stored grade: "高一", "高二", "高三" for 1, 2, 3; any other value stays as its
// own text.
QString gradeName(const QVariant &grade);
// A class as the reports show it: njname + "(" + number + ")班", e.g. 高一(3)班.
QString classLabel(const QString &njname, int classNo);

} // namespace quorvane::reports
