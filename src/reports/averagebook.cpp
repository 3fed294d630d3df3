#include "reports/averagebook.h"

#include "reports/statrules.h"
#include "shell/database.h"

#include <QSqlQuery>
#include <algorithm>
#include <optional>

namespace quorvane::reports {

namespace {
// The heading piece of each subject number: two-character names carry one leading blank.
const char *const kPieces[13] = {
    "", "|^ 语文|^名次", "|^ 数学|^名次", "|^ 英语|^名次", "|^思想政治|^名次", "|^ 物理|^名次", "|^ 化学|^名次",
    "|^ 历史|^名次", "|^ 地理|^名次", "|^ 生物|^名次", "|^综合科|^名次", "|^信息技术|^名次", "|^通用技术|^名次"};
} // namespace

QString averageFormatString(const std::array<quint8, 13> &kmno, int kmsum)
{
    QString f = QStringLiteral("|^    班   级");
    for (int i = 0; i < kmsum && i < 12; ++i) {
        const int k = kmno[static_cast<size_t>(i)];
        if (k >= 1 && k <= 12)
            f += QString::fromUtf8(kPieces[k]);
    }
    f += QStringLiteral("|^ 总分1|^ 总分2");
    return f;
}

AverageBook buildAverageBook(const QSqlDatabase &cohort, const QString &examId, const std::array<quint8, 13> &kmno,
                             int kmsum, int startbj, int bjsum, const QString &njname, const AverageProgress &progress)
{
    AverageBook book;
    const int n = std::clamp(kmsum, 0, 12);
    book.formatString = averageFormatString(kmno, n);
    book.cols = 2 * n + 4;
    const int classes = std::max(bjsum, 0);
    book.rows.assign(static_cast<size_t>(classes), QStringList());
    // Class averages by subject position (slots 0..11) and totals (12, 13); nullopt-free: a slot
    // without a counted value has no average.
    std::vector<std::array<std::optional<double>, 14>> avg(static_cast<size_t>(classes));

    for (int c = 1; c <= classes; ++c) {
        std::array<double, 14> sum{};
        std::array<int, 14> count{};
        QSqlQuery q = prepare(cohort,
                              QStringLiteral("SELECT ke1,ke2,ke3,ke4,ke5,ke6,ke7,ke8,ke9,ke10,ke11,ke12,kealla,keallb "
                                             "FROM stucj WHERE id = ? AND bj = ?"),
                              {examId, startbj + c - 1});
        if (q.exec()) {
            while (q.next()) {
                for (int i = 0; i < n; ++i) {
                    const int k = kmno[static_cast<size_t>(i)];
                    if (k < 1 || k > 12)
                        continue;
                    const QVariant v = q.value(k - 1);
                    if (scoreCounts(v)) {
                        sum[static_cast<size_t>(i)] += v.toDouble();
                        ++count[static_cast<size_t>(i)];
                    }
                }
                // Totals count whenever present (no >= 0 test).
                for (int t = 0; t < 2; ++t) {
                    const QVariant v = q.value(12 + t);
                    if (isPresent(v)) {
                        sum[static_cast<size_t>(12 + t)] += v.toDouble();
                        ++count[static_cast<size_t>(12 + t)];
                    }
                }
                if (progress.row)
                    progress.row();
            }
        }
        q.finish();
        if (progress.afterClass)
            progress.afterClass();

        auto &a = avg[static_cast<size_t>(c - 1)];
        for (size_t s = 0; s < 14; ++s)
            a[s] = average(sum[s], count[s]);
        QStringList cells;
        for (int col = 0; col < book.cols; ++col)
            cells << QString();
        cells[1] = classLabel(njname, startbj + c - 1);
        for (int i = 0; i < n; ++i)
            if (a[static_cast<size_t>(i)])
                cells[2 * i + 2] = numberText(*a[static_cast<size_t>(i)]);
        // A class without any counted total shows 0.
        cells[2 * n + 2] = numberText(a[12].value_or(0));
        cells[2 * n + 3] = numberText(a[13].value_or(0));
        book.rows[static_cast<size_t>(c - 1)] = cells;
    }

    // Ranks per subject (not for totals): a class gets the last position of its average in the
    // descending list of all classes' averages (0 for a class without one), so equal averages share
    // the lowest rank of their run (90, 85, 85 → 1, 3, 3).
    for (int i = 0; i < n; ++i) {
        std::vector<double> list;
        for (const auto &a : avg)
            list.push_back(a[static_cast<size_t>(i)].value_or(0));
        for (int c = 0; c < classes; ++c) {
            const auto &mine = avg[static_cast<size_t>(c)][static_cast<size_t>(i)];
            if (!mine)
                continue;
            int rank = 0;
            for (double v : list)
                if (v >= *mine)
                    ++rank;
            book.rows[static_cast<size_t>(c)][2 * i + 3] = QString::number(rank);
        }
    }
    return book;
}

} // namespace quorvane::reports
