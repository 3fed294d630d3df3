#include "reports/bandstats.h"

#include "reports/statrules.h"

#include "shell/database.h"
#include "shell/textcheck.h"

#include <QSqlQuery>

#include <cmath>

namespace quorvane::bandstats {

namespace {

// Whole part of the absolute value of a box's leading number.
double wholeAbs(const QString &text)
{
    const double v = std::trunc(std::fabs(Val(text)));
    return std::isfinite(v) ? v : 0;
}

// Accumulators of one table row.
struct RowStats
{
    reports::ScoreTally tally;
    int pass = 0;   // 及格
    int good = 0;   // 优良
    std::vector<int> bands;
    std::vector<double> values;  // the counted scores, for the standard deviation
};

void countScore(RowStats &s, double v, const Request &req)
{
    const Bounds &b = req.bounds;
    if (req.subject) {
        if (reports::isPass(v, req.fullMark))
            ++s.pass;
        if (reports::isGood(v, req.fullMark))
            ++s.good;
    }
    if (v < b.L)
        ++s.bands[0];
    for (int i = 1; i <= b.n; ++i)
        if (b.L + double(i - 1) * b.W <= v && v < b.L + double(i) * b.W)
            ++s.bands[size_t(i)];
    // The top band holds every score from its first score up, as its caption says.
    if (v >= b.top())
        ++s.bands[size_t(b.n) + 1];
    s.tally.addValue(v);
    s.values.push_back(v);
}

RowStats readRow(const QSqlDatabase &cohort, const Request &req, const QString &sql, const QVariantList &values,
                 const std::function<void()> &step)
{
    RowStats s;
    s.bands.assign(size_t(req.bounds.n) + 2, 0);
    QSqlQuery q = prepare(cohort, sql, values);
    if (q.exec()) {
        while (q.next()) {
            const QVariant raw = q.value(0);
            if (reports::scoreCounts(raw))
                countScore(s, raw.toDouble(), req);
            if (step)
                step();
        }
    }
    return s;
}

QStringList rowCells(const Table &t, const Request &req, const QString &label, const RowStats &s)
{
    QStringList cells;
    cells.reserve(t.cols);
    const reports::ScoreTally &tally = s.tally;
    const double mean = tally.mean().value_or(0);
    cells << QString() << label << QString::number(tally.count) << numberText(mean) << numberText(tally.min)
          << numberText(tally.max);
    if (req.subject) {
        // The deviation runs over the row's own students, around its rounded average.
        cells << numberText(reports::sampleStdDev(s.values, mean, tally.count))
              << numberText(reports::ratePercent(s.good, tally.count).value_or(0))
              << numberText(reports::ratePercent(s.pass, tally.count).value_or(0));
    }
    for (int n : s.bands)
        cells << QString::number(n);
    while (cells.size() < t.cols)
        cells << QString();
    return cells;
}

} // namespace

bool readBounds(const QString &lower, const QString &upper, const QString &width, double fallbackL,
                double fallbackU, Bounds &out)
{
    Bounds b;
    b.L = wholeAbs(lower);
    b.U = wholeAbs(upper);
    const double w = wholeAbs(width);
    b.W = w <= 0 ? 10 : int(std::min(w, 1e9));
    if (b.L <= 0)
        b.L = fallbackL;
    if (b.U <= 0)
        b.U = fallbackU;
    if (!(b.U > b.L))
        return false;
    const double span = std::nearbyint(b.U - b.L);  // halves to even
    // A span of any size gives its band count; more than kMaxBands is only marked as such (the
    // window refuses it), so a huge upper bound is not mistaken for one below the lower bound.
    const double bands = std::floor(span / b.W);
    b.n = bands > kMaxBands ? kMaxBands + 1 : int(bands);
    b.remainder = int(std::fmod(span, double(b.W)));
    out = b;
    return true;
}

QString statisticsHeading(bool subject)
{
    return subject ? QStringLiteral("|^    班级名称|^ 人数|^平均分|^最低分|^最高分|^标准差|^优良率|^及格率")
                   : QStringLiteral("|^    班级名称|^ 人数|^平均分|^最低分|^最高分");
}

QString headingFormat(bool subject, const Bounds &bounds)
{
    QString f = statisticsHeading(subject);
    f += QStringLiteral("|^") + numberText(bounds.L) + QStringLiteral("以下");
    for (int i = 1; i <= bounds.n; ++i)
        f += QStringLiteral("|^") + numberText(bounds.L + double(i - 1) * bounds.W) + QLatin1Char('-')
             + numberText(bounds.L + double(i) * bounds.W - 1);
    f += QStringLiteral("|^") + numberText(bounds.top()) + QStringLiteral("以上");
    return f;
}

Table build(const QSqlDatabase &cohort, const Request &req, const std::function<void()> &step,
            const std::function<void()> &afterQuery)
{
    Table t;
    t.format = headingFormat(req.subject, req.bounds);
    t.cols = int(t.format.count(QLatin1Char('|'))) + 1;
    if (req.subject && (req.k < 1 || req.k > 12))
        return t;
    // The score column comes from the fixed lists only.
    const QString column = req.subject ? QStringLiteral("ke%1").arg(req.k)
                                       : (req.secondTotal ? QStringLiteral("keallb") : QStringLiteral("kealla"));
    QString streamCond;
    if (req.stream == Stream::Arts)
        streamCond = QStringLiteral(" AND wlflag=2");
    else if (req.stream == Stream::Science)
        streamCond = QStringLiteral(" AND wlflag=3");

    const QString classSql = QStringLiteral("SELECT %1 FROM stucj WHERE id=? AND bj=?").arg(column) + streamCond;
    for (int c = 1; c <= req.bjsum; ++c) {
        const int b = req.startbj + c - 1;
        const RowStats s = readRow(cohort, req, classSql, {req.examId, b}, step);
        if (afterQuery)
            afterQuery();
        if (s.tally.count > 0)
            t.rows.push_back(rowCells(t, req, req.njname + QLatin1Char('(') + QString::number(b) + QStringLiteral(")班"), s));
    }
    // The whole-grade row covers every student of the exam for a subject, and the chosen stream
    // for a total.
    QString gradeSql = QStringLiteral("SELECT %1 FROM stucj WHERE id=?").arg(column);
    if (!req.subject)
        gradeSql += streamCond;
    const RowStats s = readRow(cohort, req, gradeSql, {req.examId}, step);
    if (afterQuery)
        afterQuery();
    if (t.rows.empty())
        return t;
    if (s.tally.count > 0)
        t.rows.push_back(rowCells(t, req, QStringLiteral("全年级"), s));
    return t;
}

} // namespace quorvane::bandstats
