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

// The reference's side of a line: the rows of the exam arranged last, written again in one
// transaction under another exam id (and removed after, untimed).
struct Reference
{
    QSqlDatabase &cohort;
    const QString &exam;
    std::vector<StoredRow> rows;

    bench::Side side()
    {
        const QString copy = QStringLiteral("990000000000");
        return {.run = [this, copy] { writeRows(cohort, rows, copy); },
                .before = [this] { rows = rowsOf(cohort, exam); },
                .after = [this, copy] { execSql(cohort, QStringLiteral("DELETE FROM stucj WHERE id = ?"), {copy}); }};
    }
};

void run()
{
    bench::School school;
    QString exam;
    ArrangeResult last;
    int runs = 0;
    bool done = true;
    const auto arranged = [&] {
        if (last.status == ArrangeStatus::Done && last.seated == school.spec().students)
            return;
        std::printf("arrangement failed: status %d, %d seated\n", int(last.status), last.seated);
        done = false;
    };
    std::mt19937 rng(1000);
    ArrangeInput input;
    const auto arrange = [&] { last = arrangeStudents(school.cohort(), school.system(), input, rng); };
    Reference reference{school.cohort(), exam};
    // Each run arranges a new exam.
    const bench::Line first = bench::alternate({.run = arrange,
                                                .before =
                                                    [&] {
                                                        exam = school.addExam(QStringLiteral("期末考试%1").arg(++runs));
                                                        input = {exam, QString(), school.allRooms()};
                                                    },
                                                .after = arranged},
                                               reference.side());
    // A second run on the same exam refreshes every row and deals the seats again.
    const bench::Line rerun = bench::alternate({.run = arrange, .after = arranged}, reference.side());
    if (!done)
        return;
    bench::report("arrange_3000_students_75_rooms", first);
    bench::report("arrange_rerun_3000_students", rerun);

    // Seating ordered by an earlier, ranked exam: one more pass over the basis exam's rows.
    const QString basis = school.addExam(QStringLiteral("期中考试"));
    school.seatStudents(basis);
    school.addScores(basis);
    school.addStreamRanks(basis);
    const bench::Line withBasis = bench::alternate({.run = arrange,
                                                    .before =
                                                        [&] {
                                                            exam = school.addExam(QStringLiteral("期末考试B%1").arg(++runs), QString(), basis);
                                                            input = {exam, basis, school.allRooms()};
                                                        },
                                                    .after = arranged},
                                                   reference.side());
    if (!done)
        return;
    bench::report("arrange_with_basis_exam_3000_students", withBasis);
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
    QString exam;
    bpdy *w = nullptr;
    int runs = 0;
    bool done = true;
    Reference reference{school.cohort(), exam};
    const bench::Line line = bench::alternate(
        {.run = [&] { w->VsNetBut1_Click(0); },
         .before =
             [&] {
                 exam = school.addExam(QStringLiteral("期末考试%1").arg(++runs));
                 w = windows::get<bpdy>(QStringLiteral("bpdy"));
                 w->Show();
                 w->Combo1->setCurrentIndex(w->examIds().indexOf(exam));
                 w->Combo1_Click();
             },
         .after =
             [&] {
                 if (w->examIds().indexOf(exam) < 0 || w->lastResult().status != ArrangeStatus::Done
                     || w->lastResult().seated != spec.students) {
                     std::printf("arrange_10k: the window seated %d students\n", w->lastResult().seated);
                     done = false;
                 }
                 w->Unload();
             }},
        reference.side());
    if (done)
        bench::report("arrange_10k", line);
    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("arrange", run);
bench::Registration regWindow("arrange_10k", runWindow);

} // namespace
