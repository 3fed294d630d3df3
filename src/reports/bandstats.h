#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace quorvane::bandstats {

// The stream choice of the class rows: 文科 (wlflag 2), 理科 (wlflag 3) or 不限 (no filter).
enum class Stream { Arts, Science, Any };

// The bounds of a band table: scores below L, n full bands of width W from L up, and a top band
// from L + n·W up.
struct Bounds
{
    double L = 0;
    double U = 0;
    int W = 10;
    int n = 0;        // number of full bands
    int remainder = 0;
    double top() const { return L + double(n) * W; }
};

// Reads the bounds from the three boxes (lower bound, upper bound, band width): each box is read
// as the whole part of the absolute value of its leading number; a width of 0 becomes 10 and a
// lower or upper bound of 0 takes the given fallback. Returns false, leaving out untouched, when
// the upper bound does not lie above the lower one, so no band can be formed. A band count above
// kMaxBands is given as kMaxBands + 1.
bool readBounds(const QString &lower, const QString &upper, const QString &width, double fallbackL,
                double fallbackU, Bounds &out);

// The heading of the statistics columns (with 标准差, 优良率 and 及格率 for a subject), without
// any band.
QString statisticsHeading(bool subject);
// The grid's heading format string: the statistics columns (with 标准差, 优良率 and 及格率 for a
// subject), then "L以下", one "a-b" column per full band, and the top band's "x以上".
QString headingFormat(bool subject, const Bounds &bounds);

// The most full bands a table may have (the band count was one byte); more would only come from a
// mistyped bound or width.
constexpr int kMaxBands = 254;

// What one table is built from.
struct Request
{
    QString examId;
    bool subject = true;
    int k = 0;             // subject number 1..12 (subject tables)
    int fullMark = 0;      // the subject's whole-number full mark (subject tables)
    bool secondTotal = false; // total tables: keallb instead of kealla
    Stream stream = Stream::Any;
    QString njname;        // grade name for the class labels
    int startbj = 0;
    int bjsum = 0;
    Bounds bounds;
};

// The built table: the heading format string and the filled rows (every row has one text per
// column, column 0 empty); class rows in class order for the classes with a counted score, then
// the 全年级 row. When no class row was written the table has no rows at all.
struct Table
{
    QString format;
    int cols = 0;
    std::vector<QStringList> rows;
};

// Builds the table. step runs after each record read (the progress bar), afterQuery after each
// class query and after the whole-grade query (lets the window repaint).
Table build(const QSqlDatabase &cohort, const Request &req, const std::function<void()> &step,
            const std::function<void()> &afterQuery);

} // namespace quorvane::bandstats
