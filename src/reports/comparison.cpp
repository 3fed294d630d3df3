#include "reports/comparison.h"

#include "reports/statrules.h"
#include "shell/database.h"
#include "shell/subjects.h"

#include <QSqlQuery>

namespace quorvane::comparison {

namespace {

// The figures of one class (or the whole grade) in one subject.
struct Cell
{
    reports::ScoreTally tally;
    int good = 0;   // 优良
    int pass = 0;   // 及格
    std::vector<double> values;
};

using Slot = std::array<Cell, 12>;

const QString kAllColumns = QStringLiteral("ke1,ke2,ke3,ke4,ke5,ke6,ke7,ke8,ke9,ke10,ke11,ke12");

// Reads every row of the query into one slot: for each subject position, the subject's score
// counts when it is present and >= 0.
void accumulate(QSqlQuery &q, const Request &req, Slot &slot, const std::function<void()> &step)
{
    if (!q.exec())
        return;
    while (q.next()) {
        for (int j = 0; j < req.kmsum && j < 12; ++j) {
            const int k = req.kmno[size_t(j)];
            if (k < 1 || k > 12)
                continue;
            const QVariant s = q.value(k - 1);
            if (!reports::scoreCounts(s))
                continue;
            const double v = s.toDouble();
            Cell &c = slot[size_t(j)];
            if (reports::isPass(v, req.kmfs[size_t(j)]))
                ++c.pass;
            if (reports::isGood(v, req.kmfs[size_t(j)]))
                ++c.good;
            c.tally.addValue(v);
            c.values.push_back(v);
        }
        if (step)
            step();
    }
}

// Columns 3..9 of a row from the figures of one cell.
void fillFigures(QStringList &row, const Cell &c)
{
    const double mean = c.tally.mean().value_or(0);
    row[3] = QString::number(c.tally.count);
    row[4] = numberText(mean);
    row[5] = numberText(c.tally.min);
    row[6] = numberText(c.tally.max);
    // The deviation runs over the same scores, around the rounded average.
    row[7] = numberText(reports::sampleStdDev(c.values, mean, c.tally.count));
    row[8] = numberText(reports::ratePercent(c.good, c.tally.count).value_or(0));
    row[9] = numberText(reports::ratePercent(c.pass, c.tally.count).value_or(0));
}

} // namespace

std::vector<QStringList> buildWorkRows(const QSqlDatabase &cohort, const Request &req,
                                       const std::function<void()> &step,
                                       const std::function<void()> &afterQuery)
{
    const int kmsum = std::clamp(req.kmsum, 0, 12);
    const int bjsum = std::max(req.bjsum, 0);
    const int block = bjsum + 1;
    QStringList blank;
    for (int c = 0; c < kCols; ++c)
        blank << QString();
    std::vector<QStringList> rows(size_t(block) * size_t(kmsum), blank);
    if (kmsum == 0)
        return rows;

    // Class classSlots 1..bjsum, each with its own query.
    std::vector<Slot> classSlots(static_cast<size_t>(block));
    const QString classSql = QStringLiteral("SELECT %1 FROM stucj WHERE id=? AND bj=?").arg(kAllColumns);
    for (int i = 1; i <= bjsum; ++i) {
        QSqlQuery q = prepare(cohort, classSql, {req.examId, req.startbj + i - 1});
        accumulate(q, req, classSlots[size_t(i)], step);
        q = QSqlQuery();
        if (afterQuery)
            afterQuery();
    }
    for (int j = 0; j < kmsum; ++j) {
        const int b = block * j;   // the block's rows are b .. b + bjsum (0-based)
        rows[size_t(b)][1] = subjectName(req.kmno[size_t(j)]);
        for (int i = 1; i <= bjsum; ++i) {
            const Cell &c = classSlots[size_t(i)][size_t(j)];
            if (c.tally.count < 1)
                continue;
            QStringList &row = rows[size_t(b + i - 1)];
            row[2] = reports::classLabel(req.njname, req.startbj + i - 1);
            fillFigures(row, c);
        }
        rows[size_t(b + bjsum)][2] = QStringLiteral("全年级");
    }

    // The whole grade: every row of the exam, also classes outside the cohort's range.
    Slot grade;
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT %1 FROM stucj WHERE id=?").arg(kAllColumns), {req.examId});
        accumulate(q, req, grade, step);
    }
    if (afterQuery)
        afterQuery();
    for (int j = 0; j < kmsum; ++j) {
        const Cell &c = grade[size_t(j)];
        if (c.tally.count >= 1)
            fillFigures(rows[size_t(block * j + bjsum)], c);
    }
    return rows;
}

std::vector<QStringList> listedRows(const std::vector<QStringList> &workRows, int kmsum, int bjsum)
{
    std::vector<QStringList> out;
    const int block = std::max(bjsum, 0) + 1;
    for (int j = 0; j < kmsum; ++j) {
        QString name;
        bool first = true;
        for (int r = block * j; r < block * (j + 1) && r < int(workRows.size()); ++r) {
            const QStringList &row = workRows[size_t(r)];
            if (!row.value(1).isEmpty())
                name = row.value(1);
            if (row.value(2).isEmpty() || row.value(3).isEmpty())
                continue;
            QStringList copy = row;
            while (copy.size() < kCols)
                copy << QString();
            copy[0].clear();
            copy[1] = first ? name : QString();
            first = false;
            out.push_back(copy);
        }
    }
    return out;
}

} // namespace quorvane::comparison
