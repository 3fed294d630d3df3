#include "scores/ranking.h"

#include "shell/database.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <unordered_map>

namespace quorvane {

namespace {

// Rows written between two progress reports. The bar shows the records handled counted from 1 to
// 100 and starting again, so a report every 100 rows (or a multiple) would show the same value each
// time and the bar would stand still; a small step keeps it moving.
constexpr int kProgressChunk = 10;

std::optional<double> optionalValue(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QVariant rankValue(int rank)
{
    return rank > 0 ? QVariant(rank) : QVariant(QMetaType::fromType<int>());
}

// One row of an exam as the statistics read it.
struct ExamRow
{
    qint64 rowid = 0;
    qint64 bj = 0;
    int wlflag = 0;
    std::array<std::optional<double>, 13> ke;
    std::array<std::optional<double>, 13> kea;
    std::array<std::optional<double>, 13> keb;
};

// Reads the exam's rows in one query. withParts also reads the objective and subjective parts.
bool readExamRows(const QSqlDatabase &cohort, const QString &examId, bool withParts, std::vector<ExamRow> *rows,
                  QString *error)
{
    QString sql = QStringLiteral("SELECT rowid, bj, wlflag");
    for (int k = 1; k <= 12; ++k)
        sql += QStringLiteral(", ke%1").arg(k);
    if (withParts)
        for (int k = 1; k <= 12; ++k)
            sql += QStringLiteral(", kea%1, keb%1").arg(k);
    sql += QStringLiteral(" FROM stucj WHERE id = ? ORDER BY rowid");
    QSqlQuery q = prepare(cohort, sql, {examId});
    if (!q.exec()) {
        *error = reasonText(q.lastError());
        return false;
    }
    rows->clear();
    while (q.next()) {
        ExamRow r;
        r.rowid = q.value(0).toLongLong();
        r.bj = q.value(1).isNull() ? 0 : q.value(1).toLongLong();
        r.wlflag = q.value(2).isNull() ? 0 : q.value(2).toInt();
        for (int k = 1; k <= 12; ++k)
            r.ke[k] = optionalValue(q.value(2 + k));
        if (withParts)
            for (int k = 1; k <= 12; ++k) {
                r.kea[k] = optionalValue(q.value(13 + 2 * k));
                r.keb[k] = optionalValue(q.value(14 + 2 * k));
            }
        rows->push_back(std::move(r));
    }
    if (q.lastError().isValid()) {
        *error = reasonText(q.lastError());
        return false;
    }
    return true;
}

void report(const ProgressFn &progress, int records)
{
    if (progress && records > 0)
        progress(records);
}

RunResult failed(const QString &error)
{
    RunResult r;
    r.status = RunStatus::DbError;
    r.error = error;
    return r;
}

// Runs the prepared update once per row (bindRow(i) binds row i's values), reports the progress
// every kProgressChunk rows and at the end, and commits. The first failure leaves the transaction
// to roll back.
template <class BindRow>
RunResult writeRows(Transaction &tx, QSqlQuery &up, size_t n, const ProgressFn &progress,
                    BindRow bindRow)
{
    int pending = 0;
    for (size_t i = 0; i < n; ++i) {
        bindRow(i);
        if (!up.exec())
            return failed(reasonText(up.lastError()));
        if (++pending == kProgressChunk) {
            report(progress, pending);
            pending = 0;
        }
    }
    up.finish();
    report(progress, pending);
    if (!tx.commit())
        return failed(reasonText(tx.error()));
    RunResult r;
    r.rows = static_cast<int>(n);
    return r;
}

} // namespace

RankResult denseRanks(const std::vector<std::optional<double>> &values, const std::vector<qint64> &classes,
                      const std::vector<int> &streams)
{
    const size_t n = values.size();
    RankResult out;
    out.cls.assign(n, 0);
    out.stream.assign(n, 0);
    out.grade.assign(n, 0);

    std::vector<size_t> order;
    order.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (values[i] && *values[i] != 0.0)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return *values[a] > *values[b]; });

    struct Counter
    {
        double last = 0.0;
        int rank = 0;
        int next(double v)
        {
            if (rank == 0 || v != last) {
                ++rank;
                last = v;
            }
            return rank;
        }
    };
    Counter grade;
    Counter stream[2];
    std::unordered_map<qint64, Counter> perClass;
    for (size_t i : order) {
        const double v = *values[i];
        out.grade[i] = grade.next(v);
        const int s = i < streams.size() ? streams[i] : 0;
        if (s == 2 || s == 3)
            out.stream[i] = stream[s - 2].next(v);
        const qint64 c = i < classes.size() ? classes[i] : 0;
        if (c >= 1)
            out.cls[i] = perClass[c].next(v);
    }
    return out;
}

SettingsRead readTotalFlags(const QSqlDatabase &system, const QString &year, const QString &examId, TotalFlags *out,
                            QString *error)
{
    sysdb::ExamSettings settings;
    const SettingsRead r = sysdb::readExamSettings(system, year, examId, &settings, error);
    *out = TotalFlags();
    if (r != SettingsRead::Found)
        return r;
    for (int k = 1; k <= 12; ++k) {
        const sysdb::SubjectSettings &s = settings.subject(k);
        if (!s.taken())
            continue;
        out->taken[k] = true;
        out->intoA[k] = s.intoTotal1();
        out->intoB[k] = s.intoTotal2();
    }
    return r;
}

SettingsRead readSubjectList(const QSqlDatabase &system, const QString &year, const QString &examId,
                             std::vector<SubjectChoice> *out)
{
    sysdb::ExamSettings settings;
    const SettingsRead r = sysdb::readExamSettings(system, year, examId, &settings);
    out->clear();
    if (r != SettingsRead::Found)
        return r;
    for (int k = 1; k <= 12; ++k) {
        const sysdb::SubjectSettings &s = settings.subject(k);
        if (s.taken())
            out->push_back({k, !s.kgfs.isNull() && s.kgfs.toDouble() > 0.0});
    }
    return r;
}

qint64 largestClass(const QSqlDatabase &cohort, const QString &examId)
{
    QSqlQuery q = prepare(cohort, QStringLiteral("SELECT max(bj) FROM stucj WHERE id = ?"), {examId});
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return 0;
    return std::max<qint64>(0, q.value(0).toLongLong());
}

double totalOf(const std::array<std::optional<double>, 13> &subjectScores, const std::array<bool, 13> &counts)
{
    double total = 0.0;
    for (int k = 1; k <= 12; ++k)
        if (counts[k] && subjectScores[k] && *subjectScores[k] > 0.0)
            total += *subjectScores[k];
    return total;
}

std::optional<double> splitScore(const std::optional<double> &objective, const std::optional<double> &subjective)
{
    if (!objective || !subjective)
        return std::nullopt;
    const bool a = *objective > 0.0;
    const bool b = *subjective > 0.0;
    if (a || b)
        return (a ? *objective : 0.0) + (b ? *subjective : 0.0);
    // Both parts entered without points: a score formed before from other parts must not stay.
    if (*objective == -2.0 || *subjective == -2.0)
        return -2.0;
    if (*objective == -1.0 || *subjective == -1.0)
        return -1.0;
    return 0.0;
}

RunResult runTotals(QSqlDatabase &cohort, const QSqlDatabase &system, const QString &year, const QString &examId,
                    const ProgressFn &progress)
{
    TotalFlags flags;
    QString settingsError;
    const SettingsRead s = readTotalFlags(system, year, examId, &flags, &settingsError);
    if (s == SettingsRead::Error)
        return failed(settingsError);
    if (s == SettingsRead::NotFound) {
        RunResult r;
        r.status = RunStatus::NoSettings;
        return r;
    }

    Transaction tx(cohort);
    if (!tx.active())
        return failed(reasonText(cohort.lastError()));
    std::vector<ExamRow> rows;
    QString error;
    if (!readExamRows(cohort, examId, false, &rows, &error))
        return failed(error);
    report(progress, static_cast<int>(rows.size()));

    const size_t n = rows.size();
    std::vector<std::optional<double>> totalA(n), totalB(n);
    std::vector<qint64> classes(n);
    std::vector<int> streams(n);
    for (size_t i = 0; i < n; ++i) {
        totalA[i] = totalOf(rows[i].ke, flags.intoA);
        totalB[i] = totalOf(rows[i].ke, flags.intoB);
        classes[i] = rows[i].bj;
        streams[i] = rows[i].wlflag;
    }
    const RankResult ra = denseRanks(totalA, classes, streams);
    const RankResult rb = denseRanks(totalB, classes, streams);
    report(progress, static_cast<int>(n));

    QSqlQuery up(cohort);
    if (!up.prepare(QStringLiteral("UPDATE stucj SET kealla = ?, keallb = ?, zfbjnoa = ?, zftlnoa = ?, zfnjnoa = ?, "
                                   "zfbjnob = ?, zftlnob = ?, zfnjnob = ? WHERE rowid = ?")))
        return failed(reasonText(up.lastError()));
    return writeRows(tx, up, n, progress, [&](size_t i) {
        up.bindValue(0, *totalA[i]);
        up.bindValue(1, *totalB[i]);
        up.bindValue(2, rankValue(ra.cls[i]));
        up.bindValue(3, rankValue(ra.stream[i]));
        up.bindValue(4, rankValue(ra.grade[i]));
        up.bindValue(5, rankValue(rb.cls[i]));
        up.bindValue(6, rankValue(rb.stream[i]));
        up.bindValue(7, rankValue(rb.grade[i]));
        up.bindValue(8, rows[i].rowid);
    });
}

RunResult runSubjects(QSqlDatabase &cohort, const QSqlDatabase &system, const QString &year, const QString &examId,
                      const std::vector<SubjectChoice> &subjects, const ProgressFn &progress)
{
    QString error;
    sysdb::ExamSettings settings;
    const SettingsRead read = sysdb::readExamSettings(system, year, examId, &settings, &error);
    if (read == SettingsRead::Error)
        return failed(error);
    if (read == SettingsRead::NotFound) {
        RunResult r;
        r.status = RunStatus::NoSettings;
        return r;
    }
    // Each subject once, valid numbers only (the list comes from the exam's settings).
    std::vector<SubjectChoice> chosen;
    for (const SubjectChoice &c : subjects) {
        if (c.subject < 1 || c.subject > 12)
            continue;
        if (std::none_of(chosen.begin(), chosen.end(), [&](const SubjectChoice &d) { return d.subject == c.subject; }))
            chosen.push_back(c);
    }
    if (chosen.empty())
        return RunResult();

    Transaction tx(cohort);
    if (!tx.active())
        return failed(reasonText(cohort.lastError()));
    std::vector<ExamRow> rows;
    if (!readExamRows(cohort, examId, true, &rows, &error))
        return failed(error);
    const size_t n = rows.size();
    report(progress, static_cast<int>(n));

    std::vector<qint64> classes(n);
    std::vector<int> streams(n);
    for (size_t i = 0; i < n; ++i) {
        classes[i] = rows[i].bj;
        streams[i] = rows[i].wlflag;
    }
    // One statement writes every computed column of a row: the score of each split subject and the
    // three ranks of each subject. Column names come from the fixed subject numbers only.
    QStringList sets;
    std::vector<RankResult> ranks;
    ranks.reserve(chosen.size());
    for (const SubjectChoice &c : chosen) {
        const int k = c.subject;
        std::vector<std::optional<double>> values(n);
        for (size_t i = 0; i < n; ++i) {
            ExamRow &r = rows[i];
            if (c.split)
                if (const auto score = splitScore(r.kea[k], r.keb[k]))
                    r.ke[k] = score;
            values[i] = r.ke[k];
        }
        ranks.push_back(denseRanks(values, classes, streams));
        if (c.split)
            sets << QStringLiteral("ke%1 = ?").arg(k);
        sets << QStringLiteral("dkbjno%1 = ?").arg(k) << QStringLiteral("dktlno%1 = ?").arg(k)
             << QStringLiteral("dknjno%1 = ?").arg(k);
        report(progress, static_cast<int>(n));
    }

    QSqlQuery up(cohort);
    if (!up.prepare(QStringLiteral("UPDATE stucj SET ") + sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?")))
        return failed(reasonText(up.lastError()));
    return writeRows(tx, up, n, progress, [&](size_t i) {
        int pos = 0;
        for (size_t s = 0; s < chosen.size(); ++s) {
            const int k = chosen[s].subject;
            if (chosen[s].split) {
                const auto &v = rows[i].ke[k];
                up.bindValue(pos++, v ? QVariant(*v) : QVariant(QMetaType::fromType<double>()));
            }
            up.bindValue(pos++, rankValue(ranks[s].cls[i]));
            up.bindValue(pos++, rankValue(ranks[s].stream[i]));
            up.bindValue(pos++, rankValue(ranks[s].grade[i]));
        }
        up.bindValue(pos, rows[i].rowid);
    });
}

QString runFailureText(const RunResult &result)
{
    switch (result.status) {
    case RunStatus::Done:
        return QString();
    case RunStatus::NoSettings:
        return QStringLiteral("找不到该考试的设置信息，未进行统计!");
    case RunStatus::DbError:
        return QStringLiteral("数据库操作出错，统计未完成，成绩数据未作改动!\n") + result.error;
    }
    return QString();
}

} // namespace quorvane
