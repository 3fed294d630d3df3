#include "reports/statrules.h"

#include "shell/codes.h"
#include "shell/database.h"
#include "shell/subjects.h"

#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace quorvane::reports {

namespace {
bool isNumber(const QVariant &v, double *out)
{
    if (!v.isValid() || v.isNull())
        return false;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        return false;
    *out = d;
    return true;
}
} // namespace

bool isPresent(const QVariant &stored)
{
    double d = 0;
    if (!isNumber(stored, &d))
        return false;
    return d != 0;
}

bool scoreCounts(const QVariant &stored)
{
    double d = 0;
    return isNumber(stored, &d) && d != 0 && d >= 0;
}

QString scoreText(const QVariant &stored)
{
    double d = 0;
    if (!isNumber(stored, &d) || d == 0)
        return QString();
    if (d == -1)
        return QStringLiteral("缺考");
    if (d == -2)
        return QStringLiteral("作弊");
    return numberText(d);
}

QString presentText(const QVariant &stored)
{
    double d = 0;
    if (!isNumber(stored, &d) || d == 0)
        return QString();
    return numberText(d);
}

double round2(double value)
{
    // std::nearbyint follows the current rounding mode, which is round-half-to-even by default.
    return std::nearbyint(value * 100.0) / 100.0;
}

long long roundEven(double value)
{
    return static_cast<long long>(std::nearbyint(value));
}

std::optional<double> average(double sum, int count)
{
    if (count < 1)
        return std::nullopt;
    return round2(sum / count);
}

std::optional<double> ratePercent(int reached, int taking)
{
    if (taking < 1)
        return std::nullopt;
    return round2(static_cast<double>(reached) / taking * 100.0);
}

bool isGood(double score, double fullMark) { return score >= 0.8 * fullMark; }
bool isPass(double score, double fullMark) { return score >= 0.6 * fullMark; }

bool ScoreTally::add(const QVariant &stored)
{
    if (!scoreCounts(stored))
        return false;
    addValue(stored.toDouble());
    return true;
}

void ScoreTally::addValue(double score)
{
    if (count == 0) {
        min = score;
        max = score;
    } else {
        min = std::min(min, score);
        max = std::max(max, score);
    }
    ++count;
    sum += score;
}

double sampleStdDev(const std::vector<double> &values, double mean, int count)
{
    if (count < 1)
        return 0;
    double sum = 0;
    for (double v : values)
        sum += (v - mean) * (v - mean);
    const double variance = count > 1 ? sum / (count - 1) : sum;
    if (!(variance > 0))
        return 0;
    return round2(std::sqrt(variance));
}

double outbzc(const QSqlDatabase &cohort, const QString &examId, int subject, const RowFilter &filter, double mean,
              int count, const std::function<void()> &step)
{
    if (subject < 1 || subject > kSubjectCount)
        return 0;
    // The column name comes only from the fixed subject numbers.
    QString sql = QStringLiteral("SELECT ke%1 FROM stucj WHERE id = ?").arg(subject);
    QVariantList values{examId};
    if (filter.classNo > 0) {
        sql += QStringLiteral(" AND bj = ?");
        values << filter.classNo;
    }
    if (filter.wlflag) {
        sql += QStringLiteral(" AND wlflag = ?");
        values << *filter.wlflag;
    }
    QSqlQuery q = prepare(cohort, sql, values);
    std::vector<double> taking;
    if (q.exec()) {
        while (q.next()) {
            const QVariant v = q.value(0);
            if (scoreCounts(v))
                taking.push_back(v.toDouble());
            if (step)
                step();
        }
    }
    return sampleStdDev(taking, mean, count);
}

QString gradeName(const QVariant &grade)
{
    double d = 0;
    if (isNumber(grade, &d)) {
        const QString name = codeName(kGradeNames, d);
        return name.isEmpty() ? numberText(d) : name;
    }
    return grade.toString();
}

QString classLabel(const QString &njname, int classNo)
{
    return njname + QLatin1Char('(') + QString::number(classNo) + QStringLiteral(")班");
}

} // namespace quorvane::reports
