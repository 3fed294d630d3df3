// The layouts of the student list, the two seat lists and the score-entry sheet: pages, rows per
// page, titles, heading rows, information lines and the table frame, read from the preview.
#include "layouttest.h"

#include "arrangement/bpdy.h"
#include "arrangement/bpdy2.h"
#include "printing/layouts/layouts.h"
#include "printing/layouts/tablelayout.h"
#include "scores/cjintool.h"
#include "shell/managst.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

using namespace quorvane;
using namespace layouttest;

namespace {

const QString kExam = QStringLiteral("240301080000");

// An exam of grade 2 of cohort 2022 with rooms 101 (30 seats) and 102; class 5 has 45 students,
// the first 30 in room 101.
void seatFixture(test::TempData &data)
{
    data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 4, 3);
    QSqlDatabase sys, coh;
    openDatabase(data.systemPath(), DbKind::System, QStringLiteral("lt-sys"), &sys);
    openDatabase(data.cohortPath(QStringLiteral("db2022.mdb")), DbKind::Cohort, QStringLiteral("lt-coh2"), &coh);
    execSql(sys, QStringLiteral("INSERT INTO kcbpb(id, name, num, year, grade, kcid) VALUES(?, ?, 2, '2022', 2, '101102')"),
            {kExam, QStringLiteral("高二下期中考试")});
    execSql(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('101', '教学楼101室', 2, 30)"));
    execSql(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('102', '实验楼2楼', 5, 30)"));
    for (int i = 1; i <= 45; ++i)
        execSql(coh, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?, ?, ?, 5, ?, ?, ?, ?)"),
                {kExam, QStringLiteral("2205%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("五班%1").arg(i), i, i % 3 + 1,
                 i <= 30 ? QStringLiteral("101") : QStringLiteral("102"), i <= 30 ? i : i - 30});
    closeDatabase(sys);
    closeDatabase(coh);
    gCohortYear = QStringLiteral("2022");
    gCohortDbFile = QStringLiteral("db2022.mdb");
}

// Opens the class (or room) chart of the exam and shows the chooser's entry `choice`.
bpdy2 *openChart(bool classes, int choice)
{
    windows::show(QStringLiteral("bpdy"));
    auto *a = windows::find<bpdy>(QStringLiteral("bpdy"));
    a->Combo1->setCurrentIndex(0);
    a->Option1[classes ? 0 : 1]->setChecked(true);
    a->VsNetBut1_Click(1);
    auto *w = windows::find<bpdy2>(QStringLiteral("bpdy2"));
    w->Combo3->setCurrentIndex(choice);
    return w;
}

// With LAYOUT_DEMO_DIR set, prints the preview's report into that folder as <name>.pdf, to look at.
void demoPdf(printsform *f, const char *name)
{
    if (!qEnvironmentVariableIsSet("LAYOUT_DEMO_DIR"))
        return;
    f->LumoPrinter1->Printer()->setOutputFormat(QPrinter::PdfFormat);
    f->LumoPrinter1->Printer()->setOutputFileName(qEnvironmentVariable("LAYOUT_DEMO_DIR") + QLatin1Char('/')
                                                  + QLatin1String(name) + QStringLiteral(".pdf"));
    f->print_toprinter();
}

bool hasAll(const QStringList &texts, const QStringList &wanted)
{
    for (const QString &t : wanted) {
        if (!texts.contains(t)) {
            qWarning() << "missing" << t;
            return false;
        }
    }
    return true;
}

// The score-entry window with a sheet set up by hand: n entries in class mode (name, seat, score,
// marker) or room mode (seat, score, marker).
cjintool *scoreSheet(int n, bool classMode, bool templateLine)
{
    auto *w = windows::get<cjintool>(QStringLiteral("cjintool"));
    w->Load();
    {
        const QSignalBlocker b1(w->Combo1), b2(w->Combo2), b3(w->Combo3);
        w->Combo2->addItem(QStringLiteral("期中考试"));
        w->Combo2->setCurrentIndex(w->Combo2->count() - 1);
        w->Combo1->addItem(QStringLiteral("数学"));
        w->Combo1->setCurrentIndex(w->Combo1->count() - 1);
        w->Combo3->addItem(classMode ? QStringLiteral("3") : QStringLiteral("001"));
        w->Combo3->setCurrentIndex(w->Combo3->count() - 1);
    }
    w->Label1[1]->setText(classMode ? QStringLiteral("班级号:") : QStringLiteral("考场号:"));
    {
        const QSignalBlocker b(w->Check1);
        w->Check1->setChecked(templateLine);
    }
    Grid *g = w->Grid1;
    g->setFormatString(classMode ? QStringLiteral("|^   姓  名 |^座号|^分数|^位置") : QStringLiteral("|^座位号|^分数|^位置"));
    g->setRows(n + 1);
    for (int k = 1; k <= n; ++k) {
        if (classMode) {
            g->setTextMatrix(k, 1, QStringLiteral("生%1").arg(k));
            g->setTextMatrix(k, 2, QString::number(k));
            g->setTextMatrix(k, 3, QString::number(60 + k));
            g->setTextMatrix(k, 4, k == 1 ? QStringLiteral("←") : QString());
        } else {
            g->setTextMatrix(k, 1, QStringLiteral("座%1").arg(k));
            g->setTextMatrix(k, 2, QString::number(60 + k));
            g->setTextMatrix(k, 3, k == 1 ? QStringLiteral("←") : QString());
        }
    }
    return w;
}

// Widths (mm, rounded) of the boxes drawn on a row of the page at height y (twips).
QList<int> boxWidthsAt(const PageRecord &rec, float y)
{
    QList<int> out;
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Rect && std::abs(op.y1 - y) < 1)
            out << int(std::lround((op.x2 - op.x1) / 56.6929));
    }
    return out;
}

} // namespace

class tst_layouts_basic : public QObject
{
    Q_OBJECT
private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void borderCodesAndPageRanges()
    {
        using namespace tablelayout;
        QCOMPARE(borderCode(RowKind::Heading, 0, 9), QStringLiteral("2211"));
        QCOMPARE(borderCode(RowKind::Heading, 4, 9), QStringLiteral("1211"));
        QCOMPARE(borderCode(RowKind::Heading, 8, 9), QStringLiteral("1221"));
        QCOMPARE(borderCode(RowKind::Body, 0, 7), QStringLiteral("2111"));
        QCOMPARE(borderCode(RowKind::Body, 3, 7), QStringLiteral("1111"));
        QCOMPARE(borderCode(RowKind::Body, 6, 7), QStringLiteral("1121"));
        QCOMPARE(borderCode(RowKind::LastBody, 0, 6), QStringLiteral("2112"));
        QCOMPARE(borderCode(RowKind::LastBody, 2, 6), QStringLiteral("1112"));
        QCOMPARE(borderCode(RowKind::LastBody, 5, 6), QStringLiteral("1122"));
        QCOMPARE(pageCount(0, 29), 0);
        QCOMPARE(pageCount(29, 29), 1);
        QCOMPARE(pageCount(30, 29), 2);
        QCOMPARE(pageCount(58, 29), 2);
        QCOMPARE(lastRow(2, 38, 90), 76);
        QCOMPARE(lastRow(3, 38, 90), 90);
        QCOMPARE(firstRow(3, 38), 77);
    }

    void studentList()
    {
        test::TempData data;
        addStudents(data, 45);
        windows::show(QStringLiteral("managst"));
        auto *m = windows::find<managst>(QStringLiteral("managst"));
        QVERIFY(m && m->isLoaded());
        QCOMPARE(m->Grid1->Rows(), 46);
        // The register keeps the cohort it was loaded with, whatever was chosen since.
        gCohortYear = QStringLiteral("2099");
        m->Toolbar1_ButtonClick();
        printsform *f = preview();
        QVERIFY(f && f->isVisible());
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        QCOMPARE(f->pagecount, qint16(2));

        QStringList heading;
        for (int c = 1; c <= 5; ++c)
            heading << m->Grid1->TextMatrix(0, c);
        QVERIFY(heading.contains(QStringLiteral("学 号       ")));

        const QStringList p1 = pageTexts(f, 1);
        QCOMPARE(p1.count(QStringLiteral("2008学届 学生信息名单")), 1);
        QVERIFY(!p1.join(QLatin1Char('|')).contains(QStringLiteral("2099")));
        QVERIFY(hasAll(p1, heading));
        for (int r = 1; r <= 45; ++r) {
            const QString id = m->Grid1->TextMatrix(r, 1);
            QCOMPARE(p1.contains(id), r <= 29);
        }
        QVERIFY(p1.contains(m->Grid1->TextMatrix(29, 2)));
        QVERIFY(p1.contains(m->Grid1->TextMatrix(29, 5)));

        const QStringList p2 = pageTexts(f, 2);
        QVERIFY(!p2.contains(QStringLiteral("2008学届 学生信息名单")));
        QVERIFY(hasAll(p2, heading));
        for (int r = 30; r <= 45; ++r)
            QVERIFY(p2.contains(m->Grid1->TextMatrix(r, 1)));

        // Each page's table is framed: heavy rules at the heading's top and under its last row.
        const auto rules1 = thickRules(page(f, 1));
        QCOMPARE(int(rules1.size()), 2);
        QVERIFY(std::abs(*rules1.rbegin() - *rules1.begin() - mmToTwips(30 * 8)) <= 2);
        const auto rules2 = thickRules(page(f, 2));
        QCOMPARE(int(rules2.size()), 2);
        QVERIFY(std::abs(*rules2.rbegin() - *rules2.begin() - mmToTwips(17 * 8)) <= 2);

        // Page 2 laid out alone: heading and rows 30 to 45, no title.
        f->curpage = 2;
        int dest = 0;
        print_managst(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        QCOMPARE(f->frompage, qint16(2));
        QCOMPARE(f->topage, qint16(2));
        const QStringList alone = pageTexts(f, 1);
        QVERIFY(!alone.contains(QStringLiteral("2008学届 学生信息名单")));
        QVERIFY(hasAll(alone, heading));
        QVERIFY(alone.contains(m->Grid1->TextMatrix(30, 1)) && alone.contains(m->Grid1->TextMatrix(45, 1)));
        QVERIFY(!alone.contains(m->Grid1->TextMatrix(29, 1)));
        QCOMPARE(f->curpage, qint16(2));

        // 29 rows fill one page exactly; 30 need a second page of one row.
        f->curpage = 0;
        m->Grid1->setRows(30);
        print_managst(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        m->Grid1->setRows(31);
        print_managst(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        const auto last = thickRules(page(f, 2));
        QCOMPARE(int(last.size()), 2);
        QVERIFY(std::abs(*last.rbegin() - *last.begin() - mmToTwips(2 * 8)) <= 2);
    }

    void classSeatList()
    {
        test::TempData data;
        seatFixture(data);
        bpdy2 *w = openChart(true, 2); // class 5
        QCOMPARE(w->Combo3->currentText(), QStringLiteral("5"));
        QCOMPARE(w->Grid1->Rows(), 46);
        w->VsNetBut1_Click(1);
        printsform *f = preview();
        QVERIFY(f && f->isVisible());
        QVERIFY(!w->isVisible());
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);

        const QString title = QStringLiteral("高二5班 高二下期中考试座位单");
        const QString info = QStringLiteral("2008-09-01    总人数：45");
        const QStringList heading{QStringLiteral("       学  号"), QStringLiteral("   姓 名"), QStringLiteral("班内座号"),
                                  QStringLiteral("文理倾向"),      QStringLiteral("考场号"),   QStringLiteral("座位号"),
                                  QStringLiteral("  考场地点")};
        const QStringList p1 = pageTexts(f, 1);
        QVERIFY(p1.contains(title));
        QVERIFY(p1.contains(info));
        QVERIFY(hasAll(p1, heading));
        QVERIFY(p1.contains(QStringLiteral("220538")) && !p1.contains(QStringLiteral("220539")));
        // The address as far as its 20 mm cell holds it.
        QVERIFY(p1.contains(QStringLiteral("教学楼101")));
        const QStringList p2 = pageTexts(f, 2);
        QVERIFY(!p2.contains(title) && !p2.contains(info));
        QVERIFY(hasAll(p2, heading));
        QVERIFY(p2.contains(QStringLiteral("220539")) && p2.contains(QStringLiteral("220545")));
        QCOMPARE(int(thickRules(page(f, 1)).size()), 2);
        demoPdf(f, "classseats");

        // The heading row is bold, the data rows are not.
        const PageRecord rec = page(f, 1);
        for (const PageOp &op : rec.ops) {
            if (op.kind != PageOp::Text)
                continue;
            if (op.text == QStringLiteral("班内座号"))
                QVERIFY(rec.fonts.at(op.index).bold());
            if (op.text == QStringLiteral("220501"))
                QVERIFY(!rec.fonts.at(op.index).bold());
        }

        // Page 2 alone: no title, but the information line, the heading and rows 39 to 45.
        f->curpage = 2;
        int dest = 0;
        print_bjzw(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        const QStringList alone = pageTexts(f, 1);
        QVERIFY(!alone.contains(title));
        QVERIFY(alone.contains(info));
        QVERIFY(alone.contains(QStringLiteral("220539")) && !alone.contains(QStringLiteral("220538")));
        f->curpage = 0;

        // 38 rows are one page.
        w->Grid1->setRows(39);
        print_bjzw(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);

        // Closing the preview shows the chart again, as it was.
        f->Unload();
        QVERIFY(w->isVisible());
        QCOMPARE(w->Combo3->currentText(), QStringLiteral("5"));
    }

    void roomSeatList()
    {
        test::TempData data;
        seatFixture(data);
        bpdy2 *w = openChart(false, 0); // room 101
        QCOMPARE(w->Grid1->Rows(), 31);
        w->VsNetBut1_Click(1);
        printsform *f = preview();
        QVERIFY(f);
        QCOMPARE(gReportCode, qint16(32));
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        const QStringList p1 = pageTexts(f, 1);
        QVERIFY(p1.contains(QStringLiteral("高二101考场 高二下期中考试座位单")));
        QVERIFY(p1.contains(QStringLiteral("考试地点：教学楼101室        2008-09-01    总人数：30")));
        QVERIFY(hasAll(p1, {QStringLiteral("座位号"), QStringLiteral("   姓 名"), QStringLiteral("       学  号"),
                            QStringLiteral("    所在班级"), QStringLiteral("班内座号"), QStringLiteral("文理倾向")}));
        QVERIFY(p1.contains(QStringLiteral("高二(5)班")));
        QVERIFY(p1.contains(QStringLiteral("220530")));
        const auto rules = thickRules(page(f, 1));
        QCOMPARE(int(rules.size()), 2);
        QVERIFY(std::abs(*rules.rbegin() - *rules.begin() - mmToTwips(31 * 6)) <= 2);
        demoPdf(f, "roomseats");

        // An empty address keeps the blanks of the line.
        w->Label1[2]->setText(QString());
        int dest = 0;
        print_kczw(*f, dest);
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("考试地点：        2008-09-01    总人数：30")));

        f->Unload();
        QVERIFY(w->isVisible());
    }

    void scoreEntrySheet()
    {
        test::TempData data;
        addStudents(data, 0);
        printsform *f = windows::get<printsform>(QStringLiteral("printsform"));
        f->Load(); // gReportCode 0: nothing laid out yet
        QCOMPARE(f->LumoPrinter1->PageCount(), 0);
        int dest = 0;

        // 35 entries in class mode: one block a row.
        scoreSheet(35, true, false);
        print_cjintool(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        QStringList t = pageTexts(f, 1);
        QVERIFY(t.contains(QStringLiteral("期中考试")));
        QVERIFY(t.contains(QStringLiteral("考试科目：数学（班级号:3）")));
        QCOMPARE(t.count(QStringLiteral("分数2")), 1);
        QCOMPARE(t.count(QStringLiteral("   姓  名 ")), 1);
        QVERIFY(t.contains(QStringLiteral("生35")));
        QVERIFY(!t.contains(QStringLiteral("←")) && !t.contains(QStringLiteral("位置")));
        PageRecord rec = page(f, 1);
        float headTop = 1e9f;
        std::set<float> pens;
        for (const PageOp &op : rec.ops) {
            if (op.kind == PageOp::Rect) {
                headTop = std::min(headTop, op.y1);
                pens.insert(op.penWidth);
            }
            // Every cell is a thin box (the only loose lines are the engine's corner marks).
            QVERIFY(op.kind != PageOp::Line || op.x2 <= 0 || op.x1 >= mmToTwips(169) || op.y1 <= 0
                    || op.y1 >= mmToTwips(297 - 26));
        }
        QCOMPARE(int(pens.size()), 1);
        QCOMPARE(boxWidthsAt(rec, headTop), (QList<int>{25, 14, 14, 14, 12}));
        QCOMPARE(boxWidthsAt(rec, headTop + mmToTwips(8)), (QList<int>{25, 14, 14, 14, 12}));

        // 36 entries: two heading blocks; entry 36 stands beside entry 1, the other rows are single.
        scoreSheet(36, true, false);
        print_cjintool(*f, dest);
        rec = page(f, 1);
        t = rec.texts();
        QCOMPARE(t.count(QStringLiteral("分数2")), 2);
        QCOMPARE(boxWidthsAt(rec, headTop).size(), 10);
        QCOMPARE(boxWidthsAt(rec, headTop + mmToTwips(8)).size(), 10);
        QCOMPARE(boxWidthsAt(rec, headTop + mmToTwips(8 + 7)).size(), 5);
        QVERIFY(t.indexOf(QStringLiteral("生36")) > t.indexOf(QStringLiteral("生1"))
                && t.indexOf(QStringLiteral("生36")) < t.indexOf(QStringLiteral("生2")));

        // Room mode with the template line: blocks of 25, 14, 14 and 12 mm.
        scoreSheet(70, false, true);
        print_cjintool(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        rec = page(f, 1);
        t = rec.texts();
        QVERIFY(t.contains(QStringLiteral("考试科目：_______________（考场号:_________）")));
        QCOMPARE(boxWidthsAt(rec, headTop), (QList<int>{25, 14, 14, 12, 25, 14, 14, 12}));
        QVERIFY(t.contains(QStringLiteral("座70")));
        gReportCode = 41;
        demoPdf(f, "scoresheet-room");
        scoreSheet(70, true, false);
        demoPdf(f, "scoresheet-class");
        scoreSheet(70, false, true);
        print_cjintool(*f, dest);
        QVERIFY(t.indexOf(QStringLiteral("座70")) < t.indexOf(QStringLiteral("座35")) + 10);

        // A current-page print of the sheet is the whole sheet.
        f->curpage = 1;
        print_cjintool(*f, dest);
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("期中考试")));
        f->curpage = 0;

        // The entry window admits a 71st entry: it goes onto a second page instead of being lost.
        scoreSheet(71, false, false);
        print_cjintool(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        const QStringList p2 = pageTexts(f, 2);
        QVERIFY(p2.contains(QStringLiteral("座71")));
        QVERIFY(p2.contains(QStringLiteral("分数2")));
        QVERIFY(!pageTexts(f, 1).contains(QStringLiteral("座71")));
    }
};

QTEST_MAIN(tst_layouts_basic)
#include "tst_layouts_basic.moc"
