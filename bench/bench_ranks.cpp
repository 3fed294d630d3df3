// 总分统计 and 单科统计 on a generated exam of 3,000 students in 60 classes with 9 subjects, each beside
// a reference computed by SQLite itself (window functions, one UPDATE per column), with a check
// that both give the same columns.
#include "bench.h"
#include "examrows.h"

#include "scores/ranking.h"
#include "shell/database.h"
#include "shell/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace quorvane;
using quorvane::test::examRows;

namespace {

const QString kYear = QStringLiteral("2024");
const QString kExam = QStringLiteral("240601080000");
const QString kOtherExam = QStringLiteral("240301080000");
constexpr int kStudents = 3000;
constexpr int kClasses = 60;
constexpr int kSubjects = 9;

bool isSplit(int k) { return k == 3 || k == 9; }

// A school: the exam's settings and two exams' rows (the measured one and an earlier one).
bool generate(const QSqlDatabase &system, QSqlDatabase &cohort)
{
    if (!execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year) VALUES(?,?,?)"), {kExam, QStringLiteral("期末考试"), kYear}))
        return false;
    for (int k = 1; k <= kSubjects; ++k)
        if (!execSql(system,
                     QStringLiteral("UPDATE kcbpb SET kmflag%1=1, zfjsa%1=1, zfjsb%1=?, kgfs%1=?, allfs%1=150 WHERE id=?").arg(k),
                     {k <= 3 ? 1 : 0, isSplit(k) ? QVariant(40) : QVariant(), kExam}))
            return false;
    std::mt19937 rng(20240601);
    std::normal_distribution<double> score(95.0, 22.0);
    auto draw = [&]() -> QVariant {
        const int roll = int(rng() % 1000);
        if (roll < 20)
            return -1;
        if (roll < 25)
            return -2;
        if (roll < 35)
            return QVariant();
        if (roll < 40)
            return 0;
        const double s = std::clamp(std::round(score(rng) * 2.0) / 2.0, 0.5, 150.0);
        return s;
    };
    Transaction tx(cohort);
    QString cols = QStringLiteral("id, stid, bj, zh, wlflag");
    QString marks = QStringLiteral("?,?,?,?,?");
    for (int k = 1; k <= kSubjects; ++k) {
        cols += QStringLiteral(", ke%1, kea%1, keb%1").arg(k);
        marks += QStringLiteral(",?,?,?");
    }
    QSqlQuery ins(cohort);
    if (!ins.prepare(QStringLiteral("INSERT INTO stucj(%1) VALUES(%2)").arg(cols, marks)))
        return false;
    for (const QString &exam : {kOtherExam, kExam}) {
        for (int i = 0; i < kStudents; ++i) {
            const int bj = i % kClasses + 1;
            QVariantList v = {exam, QStringLiteral("2024%1").arg(i, 5, 10, QLatin1Char('0')), bj, i / kClasses + 1,
                              bj <= 20 ? 2 : bj <= 55 ? 3 : 1};
            for (int k = 1; k <= kSubjects; ++k) {
                if (isSplit(k)) {
                    const QVariant a = draw();
                    const QVariant b = draw();
                    const auto part = [](const QVariant &x, double share) {
                        return x.isNull() || x.toDouble() <= 0 ? x : QVariant(std::round(x.toDouble() * share * 2.0) / 2.0);
                    };
                    v << QVariant() << part(a, 0.27) << part(b, 0.73);
                } else {
                    v << draw() << QVariant() << QVariant();
                }
            }
            for (int p = 0; p < v.size(); ++p)
                ins.bindValue(p, v[p]);
            if (!ins.exec())
                return false;
        }
    }
    ins.finish();
    return tx.commit();
}

// One UPDATE per column: the value column's dense rank within class, stream or exam, Null where
// the row is not ranked.
QStringList rankStatements(const QString &value, const QString &clsCol, const QString &tlCol, const QString &njCol)
{
    const QString tpl = QStringLiteral(
        "UPDATE stucj SET %1 = r.rk FROM (SELECT rowid AS rid, CASE WHEN %2 THEN DENSE_RANK() OVER "
        "(PARTITION BY (%2)%3 ORDER BY %4 DESC) END AS rk FROM stucj WHERE id = ?) AS r WHERE stucj.rowid = r.rid");
    const QString ranked = value + QStringLiteral(" <> 0");
    return {tpl.arg(clsCol, ranked + QStringLiteral(" AND bj >= 1"), QStringLiteral(", bj"), value),
            tpl.arg(tlCol, ranked + QStringLiteral(" AND wlflag IN (2, 3)"), QStringLiteral(", wlflag"), value),
            tpl.arg(njCol, ranked, QString(), value)};
}

bool runStatements(QSqlDatabase &db, const QStringList &statements)
{
    Transaction tx(db);
    for (const QString &s : statements) {
        QString error;
        if (!execSql(db, s, {kExam}, &error)) {
            std::fprintf(stderr, "reference failed: %s\n", qPrintable(error));
            return false;
        }
    }
    return tx.commit();
}

QStringList totalsReference()
{
    QString a = QStringLiteral("0.0");
    QString b = QStringLiteral("0.0");
    for (int k = 1; k <= kSubjects; ++k) {
        const QString term = QStringLiteral(" + (CASE WHEN ke%1 > 0 THEN ke%1 ELSE 0 END)").arg(k);
        a += term;
        if (k <= 3)
            b += term;
    }
    QStringList s = {QStringLiteral("UPDATE stucj SET kealla = %1, keallb = %2 WHERE id = ?").arg(a, b)};
    s += rankStatements(QStringLiteral("kealla"), QStringLiteral("zfbjnoa"), QStringLiteral("zftlnoa"), QStringLiteral("zfnjnoa"));
    s += rankStatements(QStringLiteral("keallb"), QStringLiteral("zfbjnob"), QStringLiteral("zftlnob"), QStringLiteral("zfnjnob"));
    return s;
}

QStringList subjectsReference()
{
    QStringList s;
    for (int k = 1; k <= kSubjects; ++k) {
        if (isSplit(k))
            // The points of the parts; both parts without points give the marker of a part (-2
            // before -1) or 0.
            s << QStringLiteral("UPDATE stucj SET ke%1 = CASE WHEN kea%1 > 0 OR keb%1 > 0 THEN "
                                "(CASE WHEN kea%1 > 0 THEN kea%1 ELSE 0 END) + (CASE WHEN keb%1 > 0 THEN keb%1 ELSE 0 END) "
                                "WHEN kea%1 = -2 OR keb%1 = -2 THEN -2 WHEN kea%1 = -1 OR keb%1 = -1 THEN -1 ELSE 0 END "
                                "WHERE id = ? AND kea%1 IS NOT NULL AND keb%1 IS NOT NULL")
                     .arg(k);
        s += rankStatements(QStringLiteral("ke%1").arg(k), QStringLiteral("dkbjno%1").arg(k),
                            QStringLiteral("dktlno%1").arg(k), QStringLiteral("dknjno%1").arg(k));
    }
    return s;
}

// Clears every computed column, so that neither side can pass on what the other wrote.
bool clearComputed(QSqlDatabase &db, const QStringList &columns)
{
    QStringList sets;
    for (const QString &c : columns)
        if (!c.startsWith(QLatin1String("ke")) || c.startsWith(QLatin1String("keall")))
            sets << c + QStringLiteral(" = NULL");
    return execSql(db, QStringLiteral("UPDATE stucj SET %1 WHERE id = ?").arg(sets.join(',')), {kExam});
}

void check(const char *name, const QStringList &ours, const QStringList &ref)
{
    int diff = ours.size() == ref.size() ? 0 : 1;
    for (int i = 0; i < std::min(ours.size(), ref.size()); ++i)
        diff += ours[i] != ref[i];
    if (diff == 0 && ours.size() == kStudents)
        std::printf("CHECK %s OK (%lld rows identical)\n", name, static_cast<long long>(ours.size()));
    else
        std::printf("CHECK %s MISMATCH (%d rows differ)\n", name, diff);
}

void benchRanks()
{
    QTemporaryDir dir;
    const QString schema = QStringLiteral(QUORVANE_SCHEMA_DIR);
    const QString sysPath = dir.path() + QStringLiteral("/newclasssys.mdb");
    const QString cohortPath = dir.path() + QStringLiteral("/db2024.mdb");
    QString err = createDatabaseFromSchema(schema + QStringLiteral("/system.sql"), sysPath);
    if (err.isEmpty())
        err = createDatabaseFromSchema(schema + QStringLiteral("/cohort.sql"), cohortPath);
    QSqlDatabase system, cohort;
    if (!err.isEmpty() || !openDatabase(sysPath, DbKind::System, QStringLiteral("bench-system"), &system)
        || !openDatabase(cohortPath, DbKind::Cohort, QStringLiteral("bench-cohort"), &cohort) || !generate(system, cohort)) {
        std::printf("bench_ranks: cannot set up the data: %s\n", qPrintable(err));
        return;
    }

    // 总分统计. Each run starts with the computed columns cleared, so that neither side can pass on what
    // the other wrote; each side's columns are kept after its run for the check.
    const QStringList totalCols = {"kealla", "keallb", "zfbjnoa", "zftlnoa", "zfnjnoa", "zfbjnob", "zftlnob", "zfnjnob"};
    bool ok = true;
    QStringList oursTotals, refTotals;
    const QStringList refSql = totalsReference();
    const auto clearTotals = [&] { ok = clearComputed(cohort, totalCols) && ok; };
    const bench::Line totals = bench::alternate(
        {.run = [&] { ok = runTotals(cohort, system, kYear, kExam).status == RunStatus::Done && ok; },
         .before = clearTotals,
         .after = [&] { oursTotals = examRows(cohort, kExam, totalCols); }},
        {.run = [&] { ok = runStatements(cohort, refSql) && ok; },
         .before = clearTotals,
         .after = [&] { refTotals = examRows(cohort, kExam, totalCols); }});
    bench::report("ranks_totals", totals);
    check("ranks_totals", oursTotals, refTotals);

    // 单科统计 for all subjects of the exam; the reference also sums the split subjects' parts anew.
    std::vector<SubjectChoice> subjects;
    readSubjectList(system, kYear, kExam, &subjects);
    QStringList subjectCols;
    for (int k = 1; k <= kSubjects; ++k)
        subjectCols << QStringLiteral("ke%1").arg(k) << QStringLiteral("dkbjno%1").arg(k) << QStringLiteral("dktlno%1").arg(k)
                    << QStringLiteral("dknjno%1").arg(k);
    QStringList oursSubjects, refSubjects;
    const QStringList refSqlS = subjectsReference();
    const auto clearSubjects = [&] {
        ok = clearComputed(cohort, subjectCols) && ok;
        for (int k = 1; k <= kSubjects; ++k)
            if (isSplit(k))
                ok = execSql(cohort, QStringLiteral("UPDATE stucj SET ke%1 = NULL WHERE id = ?").arg(k), {kExam}) && ok;
    };
    const bench::Line subjectLine = bench::alternate(
        {.run = [&] { ok = runSubjects(cohort, system, kYear, kExam, subjects).status == RunStatus::Done && ok; },
         .before = clearSubjects,
         .after = [&] { oursSubjects = examRows(cohort, kExam, subjectCols); }},
        {.run = [&] { ok = runStatements(cohort, refSqlS) && ok; },
         .before = clearSubjects,
         .after = [&] { refSubjects = examRows(cohort, kExam, subjectCols); }});
    bench::report("ranks_subjects", subjectLine);
    check("ranks_subjects", oursSubjects, refSubjects);
    if (!ok)
        std::printf("bench_ranks: a run or a reset of the computed columns failed\n");

    closeDatabase(cohort);
    closeDatabase(system);
}

bench::Registration reg("ranks", benchRanks);

} // namespace
