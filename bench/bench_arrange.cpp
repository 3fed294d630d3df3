// 编班 (arrangement) of 3,000 generated students into 75 rooms of 40, beside a reference measured
// in the same run: writing the same 3,000 rows with the same values in one transaction; and
// arrange_10k: 10,000 students into 260 rooms through the window (编班打印's 进行编排处理, with its
// progress bar on screen), beside the same reference for 10,000 rows.
#include "bench.h"
#include "generate.h"

#include "arrangement/arrange.h"
#include "arrangement/bpdy.h"
#include "arrangement/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/window.h"

#include <QSqlQuery>
#include <QVariant>
#include <cstdio>
#include <vector>

using namespace quorvane;

namespace {

struct StoredRow
{
    QVariantList values; // id, stid, name, bj, zh, wlflag, kcbj, kczh
};

std::vector<StoredRow> rowsOf(const QSqlDatabase &cohort, const QString &examId)
{
    std::vector<StoredRow> rows;
    QSqlQuery q = prepare(cohort, QStringLiteral("SELECT id, stid, name, bj, zh, wlflag, kcbj, kczh FROM stucj WHERE id = ? ORDER BY rowid"), {examId});
    q.exec();
    while (q.next()) {
        StoredRow r;
        for (int i = 0; i < 8; ++i)
            r.values << q.value(i);
        rows.push_back(std::move(r));
    }
    return rows;
}

// The reference: the same rows written in one transaction with one prepared insert.
void writeRows(QSqlDatabase &cohort, const std::vector<StoredRow> &rows, const QString &asExam)
{
    Transaction tx(cohort);
    QSqlQuery q = prepare(cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const StoredRow &r : rows) {
        q.bindValue(0, asExam);
        for (int i = 1; i < 8; ++i)
            q.bindValue(i, r.values.at(i));
        q.exec();
    }
    tx.commit();
}

void run()
{
    bench::School school;
    const int repeat = 3;
    double best = 1e300;
    double bestRerun = 1e300;
    double bestRef = 1e300;
    ArrangeResult last;
    for (int i = 0; i < repeat; ++i) {
        const QString exam = school.addExam(QStringLiteral("期末考试%1").arg(i + 1));
        std::mt19937 rng(1000 + i);
        const ArrangeInput input{exam, QString(), school.allRooms()};
        best = std::min(best, bench::timeMs([&] { last = arrangeStudents(school.cohort(), school.system(), input, rng); }, 1));
        if (last.status != ArrangeStatus::Done || last.seated != school.spec().students) {
            std::printf("arrangement failed: status %d, %d seated\n", int(last.status), last.seated);
            return;
        }
        // A second run on the same exam refreshes every row and deals the seats again.
        bestRerun = std::min(bestRerun, bench::timeMs([&] { arrangeStudents(school.cohort(), school.system(), input, rng); }, 1));
        const std::vector<StoredRow> rows = rowsOf(school.cohort(), exam);
        const QString copy = QStringLiteral("99%1").arg(i, 10, 10, QLatin1Char('0'));
        bestRef = std::min(bestRef, bench::timeMs([&] { writeRows(school.cohort(), rows, copy); }, 1));
        execSql(school.cohort(), QStringLiteral("DELETE FROM stucj WHERE id = ?"), {copy});
    }
    bench::report("arrange_3000_students_75_rooms", best, bestRef);
    bench::report("arrange_rerun_3000_students", bestRerun, bestRef);

    // Seating ordered by an earlier, ranked exam: one more pass over the basis exam's rows.
    const QString basis = school.addExam(QStringLiteral("期中考试"));
    school.seatStudents(basis);
    school.addScores(basis);
    school.addStreamRanks(basis);
    double bestBasis = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const QString exam = school.addExam(QStringLiteral("期末考试B%1").arg(i + 1), QString(), basis);
        std::mt19937 rng(2000 + i);
        const ArrangeInput input{exam, basis, school.allRooms()};
        bestBasis = std::min(bestBasis, bench::timeMs([&] { last = arrangeStudents(school.cohort(), school.system(), input, rng); }, 1));
        if (last.status != ArrangeStatus::Done) {
            std::printf("arrangement with a basis exam failed\n");
            return;
        }
    }
    bench::report("arrange_with_basis_exam_3000_students", bestBasis, bestRef);
}

// Arranges each new exam through the window: chosen in its exam chooser, then 进行编排处理.
void runWindow()
{
    services::install(std::make_unique<bench::QuietServices>());
    registerArrangementWindows();
    bench::SchoolSpec spec;
    spec.students = 10000;
    spec.classes = 200;
    spec.artsClasses = 66;
    spec.rooms = 260;
    bench::School school(spec);
    gCohortYear = spec.year;
    gCohortDbFile = school.cohortDbFile();
    double best = 1e300, bestRef = 1e300;
    for (int i = 0; i < 3; ++i) {
        const QString exam = school.addExam(QStringLiteral("期末考试%1").arg(i + 1));
        auto *w = windows::get<bpdy>(QStringLiteral("bpdy"));
        w->Show();
        const int at = w->examIds().indexOf(exam);
        w->Combo1->setCurrentIndex(at);
        w->Combo1_Click();
        best = std::min(best, bench::timeMs([&] { w->VsNetBut1_Click(0); }, 1));
        if (at < 0 || w->lastResult().status != ArrangeStatus::Done || w->lastResult().seated != spec.students) {
            std::printf("arrange_10k: the window seated %d students\n", w->lastResult().seated);
            return;
        }
        w->Unload();
        const std::vector<StoredRow> rows = rowsOf(school.cohort(), exam);
        const QString copy = QStringLiteral("99%1").arg(i, 10, 10, QLatin1Char('0'));
        bestRef = std::min(bestRef, bench::timeMs([&] { writeRows(school.cohort(), rows, copy); }, 1));
        execSql(school.cohort(), QStringLiteral("DELETE FROM stucj WHERE id = ?"), {copy});
    }
    bench::report("arrange_10k", best, bestRef);
    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("arrange", run);
bench::Registration regWindow("arrange_10k", runWindow);

} // namespace
