#pragma once
// Shared set-up of the preview and layout tests: the program's windows registered, a scripted
// service with a fixed clock, and readers of the preview's recorded pages.
#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "printing/layouts/register.h"
#include "arrangement/register.h"
#include "scores/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QProcess>
#include <QSqlQuery>
#include <QtTest>
#include <algorithm>
#include <set>

namespace layouttest {

using namespace quorvane;

inline test::ScriptedServices &setUp()
{
    static bool registered = false;
    if (!registered) {
        registered = true;
        installFontSubstitutions();
        registerShellWindows();
        registerArrangementWindows();
        registerScoresWindows();
        registerLayoutsWindows();
    }
    LumoPrinter::yieldIntervalMs = 0;
    auto &svc = test::installScripted();
    svc.clock = QDateTime(QDate(2008, 9, 1), QTime(10, 30));
    return svc;
}

inline void tearDown()
{
    windows::destroyAll();
    gReportCode = 0;
}

inline printsform *preview()
{
    return windows::find<printsform>(QStringLiteral("printsform"));
}

// Texts of page n of the preview (empty when the page does not exist).
inline QStringList pageTexts(printsform *f, int n)
{
    PageRecord rec;
    if (!f || !f->LumoPrinter1->loadPage(n, rec))
        return {};
    return rec.texts();
}

inline PageRecord page(printsform *f, int n)
{
    PageRecord rec;
    if (f)
        f->LumoPrinter1->loadPage(n, rec);
    return rec;
}

// The y positions (twips, rounded) of horizontal table lines of pen width 2 inside the printable
// area: the page's table frame has exactly two, the heading row's top and the last row's bottom.
inline std::set<int> thickRules(const PageRecord &rec)
{
    float thin = 1e9f, thick = 0;
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Line || op.kind == PageOp::Rect) {
            thin = std::min(thin, op.penWidth);
            thick = std::max(thick, op.penWidth);
        }
    }
    std::set<int> ys;
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Line && op.y1 == op.y2 && op.y1 >= 0 && op.penWidth == thick && thick > thin)
            ys.insert(int(std::lround(op.y1)));
    }
    return ys;
}

inline int mmToTwips(double mm)
{
    return int(std::lround(mm * 56.6929));
}

inline QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int pdfPages(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

inline QString pdfText(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
        .normalized(QString::NormalizationForm_KC)
        .replace(QChar(0x2EDA), QChar(0x9875));
}

// A cohort 2008 (db2008.mdb) whose register holds n students S001 .. Snnn.
inline void addStudents(test::TempData &data, int n)
{
    data.addCohort(QStringLiteral("2008"), QStringLiteral("db2008"));
    QSqlDatabase db;
    openDatabase(data.cohortPath(QStringLiteral("db2008.mdb")), DbKind::Cohort, QStringLiteral("lt-coh"), &db);
    {
        Transaction tr(db);
        for (int i = 1; i <= n; ++i)
            execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?,?,?,?,?)"),
                    {QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("学生%1").arg(i), 1 + i % 3, i,
                     1 + i % 3});
        tr.commit();
    }
    closeDatabase(db);
    gCohortYear = QStringLiteral("2008");
    gCohortDbFile = QStringLiteral("db2008.mdb");
}

} // namespace layouttest
