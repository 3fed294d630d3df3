// Totals, subject scores of split subjects and the dense ranks within class, stream and exam.
#include "examrows.h"
#include "scores/ranking.h"
#include "shell/database.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QtTest>

#include <random>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kYear = QStringLiteral("2024");
const QString kExam = QStringLiteral("240301080000");

std::optional<double> v(double x) { return x; }
const std::optional<double> null = std::nullopt;

// A fresh data folder with one cohort and open connections to both databases.
struct Fixture
{
    TempData data;
    QSqlDatabase cohort;
    QSqlDatabase system;

    Fixture()
    {
        data.addCohort(kYear, QStringLiteral("db2024"));
        if (!openDatabase(data.cohortPath(QStringLiteral("db2024.mdb")), DbKind::Cohort, QStringLiteral("t-cohort"), &cohort)
            || !openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-system"), &system))
            throw std::runtime_error("cannot open test databases");
    }
    ~Fixture()
    {
        closeDatabase(cohort);
        closeDatabase(system);
    }

    void addExam(const QString &id, const QString &year = kYear)
    {
        QVERIFY(execSql(system, QStringLiteral("INSERT INTO kcbpb(id, name, year) VALUES(?,?,?)"), {id, QStringLiteral("期中考试"), year}));
    }
    // kmflag, zfjsa, zfjsb and kgfs of subject k (a null QVariant leaves the column Null).
    void setSubject(const QString &id, int k, const QVariant &taken, const QVariant &a = QVariant(),
                    const QVariant &b = QVariant(), const QVariant &kgfs = QVariant())
    {
        QVERIFY(execSql(system,
                        QStringLiteral("UPDATE kcbpb SET kmflag%1=?, zfjsa%1=?, zfjsb%1=?, kgfs%1=? WHERE id=?").arg(k),
                        {taken, a, b, kgfs, id}));
    }
    void addRow(const QString &exam, const QString &stid, const QVariant &bj, const QVariant &wlflag,
                const QList<QPair<QString, QVariant>> &values = {})
    {
        QVERIFY(execSql(cohort, QStringLiteral("INSERT INTO stucj(id, stid, bj, wlflag) VALUES(?,?,?,?)"), {exam, stid, bj, wlflag}));
        for (const auto &p : values)
            QVERIFY(execSql(cohort, QStringLiteral("UPDATE stucj SET %1=? WHERE id=? AND stid=?").arg(p.first),
                            {p.second, exam, stid}));
    }
    QVariant col(const QString &exam, const QString &stid, const QString &column)
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT %1 FROM stucj WHERE id=? AND stid=?").arg(column), {exam, stid});
        if (!q.exec() || !q.next())
            return QStringLiteral("<missing>");
        return q.value(0);
    }
};

int rankOf(const QVariant &value) { return value.isNull() ? 0 : value.toInt(); }

} // namespace

class RankingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { installScripted(); }

    void denseRanksFollowTheRule()
    {
        // Ties share a rank, ranks are dense, and the highest value is 1 however large it is.
        RankResult r = denseRanks({v(640), v(640), v(610), v(0), null}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1});
        QCOMPARE(r.cls, (std::vector<int>{1, 1, 2, 0, 0}));
        QCOMPARE(r.grade, (std::vector<int>{1, 1, 2, 0, 0}));
        QCOMPARE(r.stream, (std::vector<int>{0, 0, 0, 0, 0}));  // stream 1 (不限) has no stream rank

        r = denseRanks({v(990), v(1020), v(1005)}, {1, 1, 1}, {2, 2, 2});
        QCOMPARE(r.cls, (std::vector<int>{3, 1, 2}));
        QCOMPARE(r.stream, (std::vector<int>{3, 1, 2}));

        // Subject markers rank below every positive score: all -1 share the rank after the lowest
        // score, all -2 the one after that; 0 and Null are not ranked.
        r = denseRanks({v(88), v(75), v(0), v(-1), v(-1), v(-2), null}, std::vector<qint64>(7, 3), std::vector<int>(7, 3));
        QCOMPARE(r.cls, (std::vector<int>{1, 2, 0, 3, 3, 4, 0}));

        // Streams 2 and 3 are ranked apart; classes 1, 2 and 5 are ranked apart; class 0, Null (0)
        // and negative class numbers have no class rank; the whole exam ranks everyone.
        r = denseRanks({v(500), v(480), v(470), v(460), v(450), v(440), v(430)}, {1, 2, 5, 5, 0, 1, -1},
                       {2, 3, 2, 3, 1, 0, 2});
        QCOMPARE(r.grade, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(r.stream, (std::vector<int>{1, 1, 2, 2, 0, 0, 3}));
        QCOMPARE(r.cls, (std::vector<int>{1, 1, 1, 2, 0, 2, 0}));

        // Values are compared exactly: 85.5 and 85.50000001 are different ranks.
        r = denseRanks({v(85.5), v(85.50000001), v(85.5)}, {1, 1, 1}, {2, 2, 2});
        QCOMPARE(r.cls, (std::vector<int>{2, 1, 2}));
    }

    void partsOfASplitSubject()
    {
        QCOMPARE(splitScore(v(30), v(55)), v(85));
        QCOMPARE(splitScore(v(-1), v(45)), v(45));   // a marker adds nothing
        QCOMPARE(splitScore(v(30), v(0)), v(30));    // a part of 0 adds nothing
        QCOMPARE(splitScore(v(-2), v(12.5)), v(12.5));
        // Both parts entered, no points in either: the markers decide, never an older score.
        QCOMPARE(splitScore(v(-1), v(-1)), v(-1));
        QCOMPARE(splitScore(v(0), v(0)), v(0));
        QCOMPARE(splitScore(v(-1), v(0)), v(-1));
        QCOMPARE(splitScore(v(0), v(-2)), v(-2));
        QCOMPARE(splitScore(v(-1), v(-2)), v(-2));   // 作弊 outweighs 缺考
        QCOMPARE(splitScore(null, v(45)), null);     // a part not entered: left as written
        QCOMPARE(splitScore(v(30), null), null);
    }

    void totalsWithTheSubjectFlags()
    {
        Fixture f;
        f.addExam(kExam);
        f.setSubject(kExam, 1, 1, 1, 1);      // 语文: both totals
        f.setSubject(kExam, 2, 1, 1, 0);      // 数学: total 1 only
        f.setSubject(kExam, 3, 1, QVariant(), 1); // 英语: total 2 only (total-1 flag Null)
        f.setSubject(kExam, 4, 0, 1, 1);      // not taken: counts nowhere
        f.setSubject(kExam, 5, QVariant(), 1, 1); // taken flag Null: counts nowhere
        f.setSubject(kExam, 6, 2, 3, 0);      // any non-zero value is a set flag
        f.addRow(kExam, "s1", 1, 2, {{"ke1", 100}, {"ke2", 90.5}, {"ke3", 80}, {"ke4", 70}, {"ke5", 60}, {"ke6", 10}});
        f.addRow(kExam, "s2", 1, 3, {{"ke1", -1}, {"ke2", -2}, {"ke3", 0}, {"ke6", 5}});
        f.addRow(kExam, "s3", 2, 1, {{"ke1", -1}, {"ke2", -1}, {"ke3", -1}, {"ke6", -1}, {"ke4", 99}});
        f.addRow(kExam, "s4", 2, 2);
        const RunResult r = runTotals(f.cohort, f.system, kYear, kExam);
        QCOMPARE(r.status, RunStatus::Done);
        QCOMPARE(r.rows, 4);
        QCOMPARE(f.col(kExam, "s1", "kealla").toDouble(), 200.5);
        QCOMPARE(f.col(kExam, "s1", "keallb").toDouble(), 180.0);
        QCOMPARE(f.col(kExam, "s2", "kealla").toDouble(), 5.0);
        QCOMPARE(f.col(kExam, "s2", "keallb").toDouble(), 0.0);
        // Every row gets its totals, also when nothing counted.
        for (const char *s : {"s3", "s4"}) {
            QVERIFY(!f.col(kExam, s, "kealla").isNull());
            QCOMPARE(f.col(kExam, s, "kealla").toDouble(), 0.0);
            QCOMPARE(f.col(kExam, s, "keallb").toDouble(), 0.0);
            for (const char *c : {"zfbjnoa", "zftlnoa", "zfnjnoa", "zfbjnob", "zftlnob", "zfnjnob"})
                QVERIFY2(f.col(kExam, s, c).isNull(), c);
        }
        QCOMPARE(rankOf(f.col(kExam, "s1", "zfnjnoa")), 1);
        QCOMPARE(rankOf(f.col(kExam, "s2", "zfnjnoa")), 2);
        QCOMPARE(rankOf(f.col(kExam, "s2", "zfbjnoa")), 2);
        QVERIFY(f.col(kExam, "s2", "zfnjnob").isNull());  // total 2 is 0: not ranked
        QCOMPARE(rankOf(f.col(kExam, "s1", "zftlnoa")), 1);
        QCOMPARE(rankOf(f.col(kExam, "s2", "zftlnoa")), 1); // the only 理科 student
    }

    void totalRanksInClassesStreamsAndExam()
    {
        Fixture f;
        f.addExam(kExam);
        f.setSubject(kExam, 1, 1, 1, 1);
        f.setSubject(kExam, 2, 1, 1, 0);
        // Classes 1, 2 and 5; streams 1, 2, 3; a class-0 row; totals above 1000; ties.
        struct R { const char *stid; int bj; int wl; double ke1; double ke2; };
        const R rows[] = {
            {"a1", 1, 2, 600, 420},   // total 1: 1020, total 2: 600
            {"a2", 1, 2, 600, 405},   // 1005, 600
            {"a3", 1, 3, 590, 400},   // 990, 590
            {"b1", 2, 3, 400, 240},   // 640
            {"b2", 2, 2, 400, 240},   // 640
            {"b3", 2, 1, 400, 210},   // 610
            {"e1", 5, 1, 300, 100},   // 400
            {"z1", 0, 3, 500, 500},   // 1000, no class rank
        };
        for (const R &r : rows)
            f.addRow(kExam, r.stid, r.bj, r.wl, {{"ke1", r.ke1}, {"ke2", r.ke2}});
        f.addRow(kExam, "n1", QVariant(), 2, {{"ke1", 10}});  // class Null: no class rank
        QCOMPARE(runTotals(f.cohort, f.system, kYear, kExam).status, RunStatus::Done);

        auto ranks = [&](const char *column) {
            QList<int> out;
            for (const char *s : {"a1", "a2", "a3", "b1", "b2", "b3", "e1", "z1", "n1"})
                out << rankOf(f.col(kExam, s, column));
            return out;
        };
        QCOMPARE(ranks("zfbjnoa"), (QList<int>{1, 2, 3, 1, 1, 2, 1, 0, 0}));
        QCOMPARE(ranks("zfnjnoa"), (QList<int>{1, 2, 4, 5, 5, 6, 7, 3, 8}));
        QCOMPARE(ranks("zftlnoa"), (QList<int>{1, 2, 2, 3, 3, 0, 0, 1, 4}));
        QCOMPARE(ranks("zfbjnob"), (QList<int>{1, 1, 2, 1, 1, 1, 1, 0, 0}));
        QCOMPARE(ranks("zftlnob"), (QList<int>{1, 1, 1, 3, 2, 0, 0, 2, 3}));
        QCOMPARE(ranks("zfnjnob"), (QList<int>{1, 1, 2, 4, 4, 4, 5, 3, 6}));
        QCOMPARE(largestClass(f.cohort, kExam), 5);
    }

    void runsReplaceStaleRanksAndLeaveOtherColumns()
    {
        Fixture f;
        const QString other = QStringLiteral("240101080000");
        f.addExam(kExam);
        f.addExam(other);
        f.setSubject(kExam, 1, 1, 1, 1);
        f.setSubject(kExam, 2, 1, 0, 0, 40);   // split, counts nowhere
        // Ranks left over from an earlier run: the student's total is 0 now, he moved to 不限, and
        // another moved to class 0.
        f.addRow(kExam, "s1", 1, 1, {{"ke1", 0}, {"zfbjnoa", 1}, {"zftlnoa", 1}, {"zfnjnoa", 1}, {"zftlnob", 7},
                                     {"dkbjno1", 9}, {"dkbjno3", 4}, {"ke2", 50}, {"kea2", 30}, {"keb2", 30}});
        f.addRow(kExam, "s2", 0, 1, {{"ke1", 80}, {"zfbjnoa", 3}, {"zftlnoa", 2}, {"zfbjnob", 3}});
        f.addRow(other, "s1", 1, 2, {{"ke1", 70}, {"zfbjnoa", 5}});
        QCOMPARE(runTotals(f.cohort, f.system, kYear, kExam).status, RunStatus::Done);
        for (const char *c : {"zfbjnoa", "zftlnoa", "zfnjnoa", "zfbjnob", "zftlnob", "zfnjnob"})
            QVERIFY2(f.col(kExam, "s1", c).isNull(), c);
        QVERIFY(f.col(kExam, "s2", "zfbjnoa").isNull());
        QVERIFY(f.col(kExam, "s2", "zftlnoa").isNull());
        QCOMPARE(rankOf(f.col(kExam, "s2", "zfnjnoa")), 1);
        // Columns the totals do not compute are left alone, and so is every other exam.
        QCOMPARE(rankOf(f.col(kExam, "s1", "dkbjno1")), 9);
        QCOMPARE(f.col(kExam, "s1", "ke2").toDouble(), 50.0);
        QCOMPARE(rankOf(f.col(other, "s1", "zfbjnoa")), 5);
        QVERIFY(f.col(other, "s1", "kealla").isNull());

        // The subject run writes only the chosen subject's three columns (and its score).
        QCOMPARE(runSubjects(f.cohort, f.system, kYear, kExam, {{1, false}}).status, RunStatus::Done);
        QVERIFY(f.col(kExam, "s1", "dkbjno1").isNull());       // score 0: its stale rank goes
        QCOMPARE(rankOf(f.col(kExam, "s1", "dkbjno3")), 4);    // another subject: untouched
        QCOMPARE(f.col(kExam, "s1", "ke2").toDouble(), 50.0);  // split, but not chosen
        QCOMPARE(rankOf(f.col(kExam, "s2", "zfnjnoa")), 1);    // totals untouched
        QCOMPARE(rankOf(f.col(kExam, "s2", "dknjno1")), 1);
        QVERIFY(f.col(kExam, "s2", "dkbjno1").isNull());       // class 0
        QCOMPARE(rankOf(f.col(other, "s1", "zfbjnoa")), 5);
        QVERIFY(f.col(other, "s1", "dknjno1").isNull());
    }

    void subjectScoresAndRanks()
    {
        Fixture f;
        f.addExam(kExam);
        f.setSubject(kExam, 1, 1);               // not split (kgfs Null)
        f.setSubject(kExam, 3, 1, 0, 0, 40);     // split
        f.setSubject(kExam, 5, 1, 0, 0, 0);      // kgfs 0: not split
        std::vector<SubjectChoice> list;
        QCOMPARE(readSubjectList(f.system, kYear, kExam, &list), SettingsRead::Found);
        QCOMPARE(int(list.size()), 3);
        QCOMPARE(list[1].subject, 3);
        QVERIFY(list[1].split);
        QVERIFY(!list[0].split);
        QVERIFY(!list[2].split);

        // Subject 1 in one class: 88, 75, 0, -1, -1, -2, Null.
        const QList<QVariant> ke1 = {88, 75, 0, -1, -1, -2, QVariant()};
        for (int i = 0; i < ke1.size(); ++i)
            f.addRow(kExam, QStringLiteral("c%1").arg(i), 4, 3, {{"ke1", ke1[i]}, {"dkbjno1", 99}});
        // Subject 3 in two parts.
        f.addRow(kExam, "p1", 5, 2, {{"kea3", -1}, {"keb3", 45}, {"ke3", 44}});
        f.addRow(kExam, "p2", 5, 2, {{"kea3", 30}, {"keb3", 0}});
        f.addRow(kExam, "p3", 5, 2, {{"kea3", 30}, {"ke3", 77}});             // part missing: 77 stays
        f.addRow(kExam, "p4", 5, 2, {{"kea3", -1}, {"keb3", -1}, {"ke3", 66}}); // no points: 缺考
        f.addRow(kExam, "p5", 5, 2, {{"kea3", 35.5}, {"keb3", 50}, {"ke3", 10}});
        f.addRow(kExam, "p6", 5, 2, {{"kea5", 30}, {"keb5", 30}, {"ke5", 12}});  // subject 5 not split

        const RunResult r = runSubjects(f.cohort, f.system, kYear, kExam, list);
        QCOMPARE(r.status, RunStatus::Done);
        QCOMPARE(r.rows, 13);
        QList<int> cls;
        for (int i = 0; i < ke1.size(); ++i)
            cls << rankOf(f.col(kExam, QStringLiteral("c%1").arg(i), "dkbjno1"));
        QCOMPARE(cls, (QList<int>{1, 2, 0, 3, 3, 4, 0}));
        QCOMPARE(f.col(kExam, "p1", "ke3").toDouble(), 45.0);
        QCOMPARE(f.col(kExam, "p2", "ke3").toDouble(), 30.0);
        QCOMPARE(f.col(kExam, "p3", "ke3").toDouble(), 77.0);
        QCOMPARE(f.col(kExam, "p4", "ke3").toDouble(), -1.0);
        QCOMPARE(f.col(kExam, "p5", "ke3").toDouble(), 85.5);
        QCOMPARE(f.col(kExam, "p6", "ke5").toDouble(), 12.0);
        // Subject 3 ranks use the new scores: 85.5, 77, 45, 30, -1.
        QList<int> tl;
        for (const char *s : {"p5", "p3", "p1", "p2", "p4"})
            tl << rankOf(f.col(kExam, s, "dktlno3"));
        QCOMPARE(tl, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(rankOf(f.col(kExam, "p6", "dknjno5")), 1);
        QVERIFY(f.col(kExam, "c0", "dktlno3").isNull());

        // All subjects at once and one subject alone give the same columns; a rerun changes nothing.
        const QStringList cols = {"ke1", "ke3", "ke5", "dkbjno1", "dktlno1", "dknjno1", "dkbjno3", "dktlno3",
                                  "dknjno3", "dkbjno5", "dktlno5", "dknjno5"};
        const QStringList all = examRows(f.cohort, kExam, cols);
        QCOMPARE(runSubjects(f.cohort, f.system, kYear, kExam, {list[1]}).status, RunStatus::Done);
        QCOMPARE(examRows(f.cohort, kExam, cols), all);
        QCOMPARE(runSubjects(f.cohort, f.system, kYear, kExam, list).status, RunStatus::Done);
        QCOMPARE(examRows(f.cohort, kExam, cols), all);
    }

    void correctedPartsReplaceAnOldSplitScore()
    {
        // 语文 is entered in two parts and counts into total 1; 数学 counts as typed.
        Fixture f;
        f.addExam(kExam);
        f.setSubject(kExam, 1, 1, 1, 0, 40);
        f.setSubject(kExam, 2, 1, 1, 0);
        f.addRow(kExam, "s1", 1, 2, {{"kea1", 30}, {"keb1", 50}, {"ke2", 60}});
        f.addRow(kExam, "s2", 1, 2, {{"kea1", 20}, {"keb1", 50}, {"ke2", 50}});
        f.addRow(kExam, "s3", 1, 2, {{"kea1", 10}, {"keb1", 20}, {"ke2", 10}});
        std::vector<SubjectChoice> list;
        QCOMPARE(readSubjectList(f.system, kYear, kExam, &list), SettingsRead::Found);
        auto run = [&] {
            QCOMPARE(runSubjects(f.cohort, f.system, kYear, kExam, list).status, RunStatus::Done);
            QCOMPARE(runTotals(f.cohort, f.system, kYear, kExam).status, RunStatus::Done);
        };
        auto setParts = [&](const QVariant &a, const QVariant &b) {
            QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET kea1=?, keb1=? WHERE stid='s1'"), {a, b}));
        };
        run();
        QCOMPARE(f.col(kExam, "s1", "ke1").toDouble(), 80.0);
        QCOMPARE(f.col(kExam, "s1", "kealla").toDouble(), 140.0);
        QCOMPARE(rankOf(f.col(kExam, "s1", "zfnjnoa")), 1);
        QCOMPARE(rankOf(f.col(kExam, "s1", "dknjno1")), 1);

        // Both parts corrected to 缺考: the subject is 缺考, the student's total loses the 80 and
        // the subject rank comes after every score.
        setParts(-1, -1);
        run();
        QCOMPARE(f.col(kExam, "s1", "ke1").toDouble(), -1.0);
        QCOMPARE(f.col(kExam, "s1", "kealla").toDouble(), 60.0);
        QCOMPARE(rankOf(f.col(kExam, "s1", "zfnjnoa")), 2);
        QCOMPARE(rankOf(f.col(kExam, "s2", "zfnjnoa")), 1);
        QCOMPARE(rankOf(f.col(kExam, "s1", "dknjno1")), 3);
        QCOMPARE(rankOf(f.col(kExam, "s2", "dknjno1")), 1);

        // Corrected to 0 and 0: score 0, not ranked in the subject.
        setParts(0, 0);
        run();
        QCOMPARE(f.col(kExam, "s1", "ke1").toDouble(), 0.0);
        QCOMPARE(f.col(kExam, "s1", "kealla").toDouble(), 60.0);
        for (const char *c : {"dkbjno1", "dktlno1", "dknjno1"})
            QVERIFY2(f.col(kExam, "s1", c).isNull(), c);

        // 缺考 in one part and 作弊 in the other: 作弊.
        setParts(-1, -2);
        run();
        QCOMPARE(f.col(kExam, "s1", "ke1").toDouble(), -2.0);
        QCOMPARE(rankOf(f.col(kExam, "s1", "dkbjno1")), 3);

        // A part not entered leaves the score as it stands (it may have been typed as 总 分).
        QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET ke1=75 WHERE stid='s1'")));
        setParts(30, QVariant());
        run();
        QCOMPARE(f.col(kExam, "s1", "ke1").toDouble(), 75.0);
        QCOMPARE(f.col(kExam, "s1", "kealla").toDouble(), 135.0);
        QCOMPARE(rankOf(f.col(kExam, "s1", "zfnjnoa")), 1);
    }

    void rerunOnUnchangedScoresGivesIdenticalColumns()
    {
        Fixture f;
        f.addExam(kExam);
        for (int k = 1; k <= 9; ++k)
            f.setSubject(kExam, k, 1, 1, k <= 3 ? 1 : 0);
        std::mt19937 rng(7);
        for (int i = 0; i < 200; ++i) {
            QList<QPair<QString, QVariant>> values;
            for (int k = 1; k <= 9; ++k) {
                const int roll = int(rng() % 40);
                values.append({QStringLiteral("ke%1").arg(k), roll == 0 ? QVariant(-1) : roll == 1 ? QVariant() : QVariant(int(rng() % 150))});
            }
            f.addRow(kExam, QStringLiteral("s%1").arg(i), int(rng() % 6), int(rng() % 4), values);
        }
        const QStringList cols = {"kealla", "keallb", "zfbjnoa", "zftlnoa", "zfnjnoa", "zfbjnob", "zftlnob", "zfnjnob"};
        QCOMPARE(runTotals(f.cohort, f.system, kYear, kExam).status, RunStatus::Done);
        const QStringList first = examRows(f.cohort, kExam, cols);
        QCOMPARE(first.size(), 200);
        QCOMPARE(runTotals(f.cohort, f.system, kYear, kExam).status, RunStatus::Done);
        QCOMPARE(examRows(f.cohort, kExam, cols), first);
    }

    void nothingWrittenWithoutSettingsOrOnError()
    {
        Fixture f;
        f.addExam(kExam, QStringLiteral("2023"));  // the same id under another cohort year
        f.addRow(kExam, "s1", 1, 2, {{"ke1", 80}, {"zfbjnoa", 6}});
        RunResult r = runTotals(f.cohort, f.system, kYear, kExam);
        QCOMPARE(r.status, RunStatus::NoSettings);
        QVERIFY(!runFailureText(r).isEmpty());
        QVERIFY(f.col(kExam, "s1", "kealla").isNull());
        QCOMPARE(rankOf(f.col(kExam, "s1", "zfbjnoa")), 6);
        TotalFlags flags;
        QCOMPARE(readTotalFlags(f.system, kYear, kExam, &flags), SettingsRead::NotFound);
        QCOMPARE(runSubjects(f.cohort, f.system, kYear, kExam, {{1, false}}).status, RunStatus::NoSettings);
        QVERIFY(f.col(kExam, "s1", "dkbjno1").isNull());

        // Another connection holds the cohort database for writing: the run fails at once and
        // leaves every column as it was.
        f.addExam(kExam);
        f.setSubject(kExam, 1, 1, 1, 1);
        QSqlDatabase other;
        QVERIFY(openDatabase(f.data.cohortPath(QStringLiteral("db2024.mdb")), DbKind::Cohort, QStringLiteral("t-other"), &other));
        QVERIFY(execSql(other, QStringLiteral("BEGIN IMMEDIATE")));
        r = runTotals(f.cohort, f.system, kYear, kExam);
        QCOMPARE(r.status, RunStatus::DbError);
        QVERIFY(runFailureText(r).startsWith(QStringLiteral("数据库操作出错")));
        r = runSubjects(f.cohort, f.system, kYear, kExam, {{1, false}});
        QCOMPARE(r.status, RunStatus::DbError);
        QVERIFY(execSql(other, QStringLiteral("ROLLBACK")));
        closeDatabase(other);
        QVERIFY(f.col(kExam, "s1", "kealla").isNull());
        QCOMPARE(rankOf(f.col(kExam, "s1", "zfbjnoa")), 6);
        QVERIFY(f.col(kExam, "s1", "dkbjno1").isNull());

        // An exam without rows: done, nothing written.
        const QString empty = QStringLiteral("240505080000");
        f.addExam(empty);
        f.setSubject(empty, 1, 1, 1, 1);
        r = runTotals(f.cohort, f.system, kYear, empty);
        QCOMPARE(r.status, RunStatus::Done);
        QCOMPARE(r.rows, 0);
        QCOMPARE(largestClass(f.cohort, empty), 0);
    }
};

QTEST_MAIN(RankingTest)
#include "tst_ranking.moc"
