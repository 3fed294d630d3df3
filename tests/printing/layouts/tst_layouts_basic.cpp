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
// the first 30 in room 101. False when a row could not be written.
[[nodiscard]] bool seatFixture(test::TempData &data)
{
    data.addCohort(QStringLiteral("2022"), QStringLiteral("db2022"), 4, 3);
    QSqlDatabase sys, coh;
    bool ok = openDatabase(data.systemPath(), DbKind::System, QStringLiteral("lt-sys"), &sys)
              && openDatabase(data.cohortPath(QStringLiteral("db2022.mdb")), DbKind::Cohort, QStringLiteral("lt-coh2"), &coh)
              && execSql(sys, QStringLiteral("INSERT INTO kcbpb(id, name, num, year, grade, kcid) VALUES(?, ?, 2, '2022', 2, '101102')"),
                         {kExam, QStringLiteral("高二下期中考试")})
              && execSql(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('101', '教学楼101室', 2, 30)"))
              && execSql(sys, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES('102', '实验楼2楼', 5, 30)"));
    for (int i = 1; ok && i <= 45; ++i)
        ok = execSql(coh, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?, ?, ?, 5, ?, ?, ?, ?)"),
                     {kExam, QStringLiteral("2205%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("五班%1").arg(i), i, i % 3 + 1,
                      i <= 30 ? QStringLiteral("101") : QStringLiteral("102"), i <= 30 ? i : i - 30});
    closeDatabase(sys);
    closeDatabase(coh);
    gCohortYear = QStringLiteral("2022");
    gCohortDbFile = QStringLiteral("db2022.mdb");
    return ok;
}

// Opens the class chart of class 5 (or the room chart of room 101) of the exam with the
// 打印座位表 button; nullptr when the button could not be pressed or opened no chart.
bpdy2 *openChart(bool classes)
{
    windows::show(QStringLiteral("bpdy"));
    auto *a = windows::find<bpdy>(QStringLiteral("bpdy"));
    a->Combo1->setCurrentIndex(0);
    a->Option1[classes ? 0 : 1]->setChecked(true);
    if (!test::press(a->VsNetBut1[1]))
        return nullptr;
    auto *w = windows::find<bpdy2>(QStringLiteral("bpdy2"));
    if (!w || !w->isVisible())
        return nullptr;
    w->Combo3->setCurrentIndex(classes ? 2 : 0);
    return w;
}

// Closes the preview and the student register and drops every window, for the next part of a test.
void startAfresh(printsform *form, managst *students)
{
    form->Unload();
    students->Unload();
    windows::destroyAll();
}

// Prints the chart with its 打印 button: the preview, or nullptr when none opened.
printsform *printChart(bpdy2 *chart)
{
    return test::press(chart->VsNetBut1[1]) ? preview() : nullptr;
}

// With LAYOUT_DEMO_DIR set, prints the preview's report into that folder as <name>.pdf, to look at.
// The report is the preview's own, or the one of `layout` when given (a preview loaded for no report).
void demoPdf(printsform *f, const char *name, LayoutRoutine layout = nullptr)
{
    if (!qEnvironmentVariableIsSet("LAYOUT_DEMO_DIR"))
        return;
    f->LumoPrinter1->Printer()->setOutputFormat(QPrinter::PdfFormat);
    f->LumoPrinter1->Printer()->setOutputFileName(qEnvironmentVariable("LAYOUT_DEMO_DIR") + QLatin1Char('/')
                                                  + QLatin1String(name) + QStringLiteral(".pdf"));
    if (layout) {
        int dest = 1;
        layout(*f, dest);
    } else {
        f->print_toprinter();
    }
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
        managst *m = showStudents(data, 45);
        QVERIFY(m);
        QCOMPARE(m->Grid1->Rows(), 46);
        // The register keeps the cohort it was loaded with, whatever was chosen since.
        gCohortYear = QStringLiteral("2099");
        QVERIFY(pressPrintPreview(m));
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

        // Without a register the list is empty and its title names the chosen cohort.
        startAfresh(f, m);
        f = windows::get<printsform>(QStringLiteral("printsform"));
        f->Load();
        gCohortYear = QStringLiteral("2010");
        print_managst(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        QCOMPARE(f->pagecount, qint16(0));
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("2010学届 学生信息名单")));
    }

    // Every cell of the list as drawn: widths, heights, border codes, texts, fonts and alignment.
    void studentListCells()
    {
        test::TempData data;
        managst *m = showStudents(data, 30);
        QVERIFY(m);
        m->Grid1->setTextMatrix(3, 2, QString()); // an empty cell keeps its frame
        QVERIFY(pressPrintPreview(m));
        printsform *f = preview();
        QVERIFY(f);
        f->LumoPrinter1->setTextMetrics(std::make_shared<FixedTextMetrics>());
        int dest = 0;
        print_managst(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        const double zoom = f->LumoPrinter1->ZoomFactor();
        const QList<double> widths{32, 20, 18, 16, 20, 16, 16, 16, 16};

        PageRecord rec = page(f, 1);
        auto rows = cellRows(rec);
        QCOMPARE(int(rows.size()), 30); // heading and rows 1 to 29
        for (size_t r = 0; r < rows.size(); ++r) {
            QCOMPARE(widthsOf(rows[r]), widths);
            QCOMPARE(rows[r].front().x, 0.0);
            for (const CellBox &c : rows[r])
                QVERIFY(std::abs(c.h - 8) < 0.01);
            if (r > 0)
                QVERIFY(std::abs(rows[r].front().y - rows[r - 1].front().y - 8) < 0.01);
            const QStringList codes = r == 0 ? rowCodes("2211", "1211", "1221", 9)
                : r == 29                    ? rowCodes("2112", "1112", "1122", 9)
                                             : rowCodes("2111", "1111", "1121", 9);
            QCOMPARE(codesOf(rows[r]), codes);
            for (int c = 0; c < 9; ++c) {
                const CellBox &cell = rows[r][size_t(c)];
                QCOMPARE(chopBlanks(cell.text()), c < 5 ? chopBlanks(m->Grid1->TextMatrix(int(r), c + 1)) : QString());
                for (const PageOp *op : cell.texts) {
                    const QFont &font = rec.fonts.at(op->index);
                    QCOMPARE(font.family(), QStringLiteral("宋体"));
                    QVERIFY(!font.bold());
                    QVERIFY(std::abs(pointSize(rec, *op, zoom) - 12) < 0.1);
                    QVERIFY2(centredIn(rec, *op, cell), qPrintable(op->text));
                }
            }
        }
        QVERIFY(rows[3][1].texts.isEmpty());

        // The title: 黑体 15, centred across the 170 mm between the list's own 20 mm margins, one
        // empty line above it, the table below it.
        const PageOp *title = findText(rec, QStringLiteral("2008学届 学生信息名单"));
        QVERIFY(title);
        QCOMPARE(rec.fonts.at(title->index).family(), QStringLiteral("黑体"));
        QVERIFY(!rec.fonts.at(title->index).bold());
        QVERIFY(std::abs(pointSize(rec, *title, zoom) - 15) < 0.1);
        QVERIFY(std::abs(title->x1 + fixedWidth(rec, *title) / 2 - mmToTwips(85)) < 3);
        QVERIFY(std::abs(title->y1 - 9 * 25) < 3); // below one empty line of 宋体 9
        QVERIFY(title->y1 + fixedHeight(rec, *title) <= rows[0].front().y * 56.6929);
        QCOMPARE(f->LumoPrinter1->LeftMargin(), 20.f);
        QCOMPARE(f->LumoPrinter1->RightMargin(), 20.f);

        // Page 2: the heading row again and row 30 closing the table.
        rec = page(f, 2);
        rows = cellRows(rec);
        QCOMPARE(int(rows.size()), 2);
        QCOMPARE(codesOf(rows[0]), rowCodes("2211", "1211", "1221", 9));
        QCOMPARE(chopBlanks(rows[0][0].text()), chopBlanks(m->Grid1->TextMatrix(0, 1)));
        QCOMPARE(codesOf(rows[1]), rowCodes("2112", "1112", "1122", 9));
        QCOMPARE(rows[1][0].text(), m->Grid1->TextMatrix(30, 1));
        QVERIFY(!findText(rec, QStringLiteral("2008学届 学生信息名单")));

        // Page 1 alone: the title and page 1 only.
        f->curpage = 1;
        print_managst(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        QVERIFY(findText(page(f, 1), QStringLiteral("2008学届 学生信息名单")));
        QCOMPARE(int(cellRows(page(f, 1)).size()), 30);

        // Page 2 of three (N = 60) alone: rows 30 to 58, the 58th closing, no title.
        m->Grid1->setRows(61);
        for (int r = 31; r <= 60; ++r)
            m->Grid1->setTextMatrix(r, 1, QStringLiteral("T%1").arg(r));
        f->curpage = 2;
        print_managst(*f, dest);
        QCOMPARE(f->pagecount, qint16(3));
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        rec = page(f, 1);
        rows = cellRows(rec);
        QCOMPARE(int(rows.size()), 30);
        QVERIFY(!findText(rec, QStringLiteral("2008学届 学生信息名单")));
        QCOMPARE(rows[1][0].text(), m->Grid1->TextMatrix(30, 1));
        QCOMPARE(rows[29][0].text(), QStringLiteral("T58"));
        QCOMPARE(codesOf(rows[29]), rowCodes("2112", "1112", "1122", 9));
        QCOMPARE(codesOf(rows[28]), rowCodes("2111", "1111", "1121", 9));
        // The heading row stands at the top of the page, where the title would have been.
        QVERIFY(rows[0].front().y < 0.01);
        f->curpage = 0;
    }

    void classSeatList()
    {
        test::TempData data;
        QVERIFY(seatFixture(data));
        bpdy2 *w = openChart(true); // class 5
        QVERIFY(w);
        QCOMPARE(w->Combo3->currentText(), QStringLiteral("5"));
        QCOMPARE(w->Grid1->Rows(), 46);
        printsform *f = printChart(w);
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
        // The address whole, smaller than the rest when its 20 mm cell is too narrow for it.
        QVERIFY(p1.contains(QStringLiteral("教学楼101室")));
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

    // Both seat lists cell by cell, and the pages laid out alone: the title only with page 1, the
    // information line on the first page of every run.
    void seatListCells()
    {
        test::TempData data;
        QVERIFY(seatFixture(data));
        for (const bool classes : {true, false}) {
            bpdy2 *w = openChart(classes);
            QVERIFY(w);
            Grid *g = w->Grid1;
            const int cols = classes ? 7 : 6;
            g->setRows(91); // 90 students
            for (int r = 1; r <= 90; ++r) {
                for (int c = 1; c <= cols; ++c)
                    g->setTextMatrix(r, c, QStringLiteral("%1-%2").arg(r).arg(c));
            }
            g->setTextMatrix(40, 3, QString());
            printsform *f = printChart(w);
            QVERIFY(f && f->isVisible());
            QCOMPARE(f->reportCode(), qint16(classes ? 31 : 32));
            f->LumoPrinter1->setTextMetrics(std::make_shared<FixedTextMetrics>());
            const double zoom = f->LumoPrinter1->ZoomFactor();
            const QString title = classes ? QStringLiteral("高二5班 高二下期中考试座位单")
                                          : QStringLiteral("高二101考场 高二下期中考试座位单");
            const QString info = classes ? QStringLiteral("2008-09-01    总人数：45")
                                         : QStringLiteral("考试地点：教学楼101室        2008-09-01    总人数：30");
            const QList<double> widths = classes ? QList<double>{27, 18, 18, 18, 18, 15, 20}
                                                 : QList<double>{16, 22, 27, 24, 20, 20};
            const auto lay = [&](int curpage) {
                f->curpage = qint16(curpage);
                int dest = 0;
                if (classes)
                    print_bjzw(*f, dest);
                else
                    print_kczw(*f, dest);
                f->curpage = 0;
            };

            lay(0);
            QCOMPARE(f->LumoPrinter1->PageCount(), 3);
            QCOMPARE(f->pagecount, qint16(3));
            for (int p = 1; p <= 3; ++p) {
                const PageRecord rec = page(f, p);
                const auto rows = cellRows(rec);
                const int first = (p - 1) * 38 + 1, last = std::min(p * 38, 90);
                QCOMPARE(int(rows.size()), last - first + 2);
                QCOMPARE(bool(findText(rec, title)), p == 1);
                QCOMPARE(bool(findText(rec, info)), p == 1);
                for (size_t r = 0; r < rows.size(); ++r) {
                    QCOMPARE(widthsOf(rows[r]), widths);
                    QCOMPARE(rows[r].front().x, 0.0);
                    for (const CellBox &c : rows[r])
                        QVERIFY(std::abs(c.h - 6) < 0.01);
                    const int row = r == 0 ? 0 : first + int(r) - 1;
                    const QStringList codes = r == 0 ? rowCodes("2211", "1211", "1221", cols)
                        : row == last                ? rowCodes("2112", "1112", "1122", cols)
                                                     : rowCodes("2111", "1111", "1121", cols);
                    QCOMPARE(codesOf(rows[r]), codes);
                    for (int c = 0; c < cols; ++c) {
                        const CellBox &cell = rows[r][size_t(c)];
                        QCOMPARE(chopBlanks(cell.text()), chopBlanks(g->TextMatrix(row, c + 1)));
                        for (const PageOp *op : cell.texts) {
                            const QFont &font = rec.fonts.at(op->index);
                            QCOMPARE(font.family(), QStringLiteral("宋体"));
                            QCOMPARE(font.bold(), r == 0); // the heading row alone is bold
                            QVERIFY(std::abs(pointSize(rec, *op, zoom) - 10) < 0.1);
                            QVERIFY2(centredIn(rec, *op, cell), qPrintable(op->text));
                        }
                    }
                }
                if (p == 1) {
                    // Title 黑体 15 at the left edge, then the information line in 宋体 10 at the
                    // left edge, then the table.
                    const PageOp *t = findText(rec, title);
                    const PageOp *i = findText(rec, info);
                    QCOMPARE(rec.fonts.at(t->index).family(), QStringLiteral("黑体"));
                    QVERIFY(std::abs(pointSize(rec, *t, zoom) - 15) < 0.1);
                    QVERIFY(!rec.fonts.at(t->index).bold());
                    QCOMPARE(t->x1, 0.f);
                    QVERIFY(std::abs(t->y1 - 9 * 25) < 3);
                    QCOMPARE(rec.fonts.at(i->index).family(), QStringLiteral("宋体"));
                    QVERIFY(std::abs(pointSize(rec, *i, zoom) - 10) < 0.1);
                    QVERIFY(!rec.fonts.at(i->index).bold());
                    QCOMPARE(i->x1, 0.f);
                    QVERIFY(i->y1 >= t->y1 + fixedHeight(rec, *t));
                    QVERIFY(i->y1 + fixedHeight(rec, *i) <= rows[0].front().y * 56.6929);
                }
            }
            QVERIFY(cellRows(page(f, 2))[2][2].texts.isEmpty()); // row 40's empty cell, still framed
            QCOMPARE(cellRows(page(f, 2))[2][2].code, QStringLiteral("1111"));

            // Pages laid out alone: page 1 with its title; pages 2 and 3 without, each with the
            // information line above its heading row.
            const struct
            {
                int page, first, last;
            } alone[] = {{1, 1, 38}, {2, 39, 76}, {3, 77, 90}};
            for (const auto &a : alone) {
                lay(a.page);
                QCOMPARE(f->LumoPrinter1->PageCount(), 1);
                QCOMPARE(f->frompage, qint16(a.page));
                QCOMPARE(f->topage, qint16(a.page));
                const PageRecord rec = page(f, 1);
                const auto rows = cellRows(rec);
                QCOMPARE(int(rows.size()), a.last - a.first + 2);
                QCOMPARE(bool(findText(rec, title)), a.page == 1);
                const PageOp *i = findText(rec, info);
                QVERIFY(i);
                QVERIFY(i->y1 < rows[0].front().y * 56.6929);
                QCOMPARE(rows[1][0].text(), g->TextMatrix(a.first, 1));
                QCOMPARE(rows.back()[0].text(), g->TextMatrix(a.last, 1));
                QCOMPARE(codesOf(rows.back()), rowCodes("2112", "1112", "1122", cols));
            }
            QCOMPARE(f->curpage, qint16(0));

            // No student row: the one page with the title and the information line.
            g->setRows(1);
            lay(0);
            QCOMPARE(f->pagecount, qint16(0));
            QCOMPARE(f->LumoPrinter1->PageCount(), 1);
            QVERIFY(findText(page(f, 1), title) && findText(page(f, 1), info));
            QVERIFY(cellRows(page(f, 1)).empty());

            f->Unload();
            QVERIFY(w->isVisible());
            w->Unload();
            windows::find(QStringLiteral("bpdy"))->Unload();
        }
    }

    void roomSeatList()
    {
        test::TempData data;
        QVERIFY(seatFixture(data));
        bpdy2 *w = openChart(false); // room 101
        QVERIFY(w);
        QCOMPARE(w->Grid1->Rows(), 31);
        printsform *f = printChart(w);
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

    // The score-entry sheet cell by cell: thin boxes everywhere, a bold heading row of 8 mm, body
    // rows of 7 mm, the title and the subject line flush left in their own fonts.
    void scoreSheetCells()
    {
        test::TempData data;
        QVERIFY(addStudents(data, 0));
        printsform *f = windows::get<printsform>(QStringLiteral("printsform"));
        f->Load();
        f->LumoPrinter1->setTextMetrics(std::make_shared<FixedTextMetrics>());
        const double zoom = f->LumoPrinter1->ZoomFactor();
        cjintool *w = scoreSheet(36, true, false);
        int dest = 0;
        print_cjintool(*f, dest);
        QCOMPARE(f->LumoPrinter1->PageCount(), 1);
        const PageRecord rec = page(f, 1);

        const PageOp *title = findText(rec, QStringLiteral("期中考试"));
        const PageOp *line = findText(rec, QStringLiteral("考试科目：数学（班级号:3）"));
        QVERIFY(title && line);
        QCOMPARE(rec.fonts.at(title->index).family(), QStringLiteral("黑体"));
        QVERIFY(std::abs(pointSize(rec, *title, zoom) - 15) < 0.1);
        QCOMPARE(rec.fonts.at(line->index).family(), QStringLiteral("宋体"));
        QVERIFY(std::abs(pointSize(rec, *line, zoom) - 13) < 0.1);
        for (const PageOp *op : {title, line}) {
            QVERIFY(!rec.fonts.at(op->index).bold());
            QCOMPARE(op->x1, 0.f);
        }
        QVERIFY(std::abs(title->y1) < 1); // no empty line above the title
        QVERIFY(line->y1 > title->y1);

        const auto rows = cellRows(rec);
        QCOMPARE(int(rows.size()), 36); // heading and 35 body rows
        QVERIFY(rows[0].front().y * 56.6929 >= line->y1 + fixedHeight(rec, *line));
        const QStringList heading{QStringLiteral("   姓  名 "), QStringLiteral("座号"), QStringLiteral("分数"),
                                  QStringLiteral("分数2"), QString()};
        for (size_t r = 0; r < rows.size(); ++r) {
            const int cells = r <= 1 ? 10 : 5;
            QCOMPARE(int(rows[r].size()), cells);
            QCOMPARE(rows[r].front().x, 0.0);
            for (int c = 0; c < cells; ++c) {
                const CellBox &cell = rows[r][size_t(c)];
                QCOMPARE(cell.code, QStringLiteral("1111"));
                QVERIFY(std::abs(cell.h - (r == 0 ? 8 : 7)) < 0.01);
                const int entry = int(r) + (c >= 5 ? 35 : 0);
                const int col = c % 5 + 1;
                const QString want = r == 0 ? heading[c % 5] : col <= 3 ? w->Grid1->TextMatrix(entry, col) : QString();
                QCOMPARE(chopBlanks(cell.text()), chopBlanks(want));
                for (const PageOp *op : cell.texts) {
                    const QFont &font = rec.fonts.at(op->index);
                    QCOMPARE(font.family(), QStringLiteral("宋体"));
                    QCOMPARE(font.bold(), r == 0);
                    QVERIFY(std::abs(pointSize(rec, *op, zoom) - 12) < 0.1);
                    QVERIFY2(centredIn(rec, *op, cell), qPrintable(op->text));
                }
            }
        }
        // The two blocks stand side by side without a gap: 79 mm each in class mode.
        QVERIFY(std::abs(rows[1][5].x - 79) < 0.01);
        // The sheet's own top and bottom margins; the side margins stay as the page setup has them.
        QVERIFY(std::abs(f->LumoPrinter1->TopMargin() - 13) < 0.01);
        QVERIFY(std::abs(f->LumoPrinter1->BottomMargin() - 13) < 0.01);
        QVERIFY(std::abs(f->LumoPrinter1->LeftMargin() - 20) < 0.01);
    }

    void scoreEntrySheet()
    {
        test::TempData data;
        QVERIFY(addStudents(data, 0));
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
        demoPdf(f, "scoresheet-room", print_cjintool);
        scoreSheet(70, true, false);
        demoPdf(f, "scoresheet-class", print_cjintool);
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
        // The second sheet carries the exam and the subject line as the first does, above its table,
        // so that it can be matched to its class or room on its own.
        QCOMPARE(p2.count(QStringLiteral("期中考试")), 1);
        QCOMPARE(p2.count(QStringLiteral("考试科目：数学（考场号:001）")), 1);
        const PageRecord second = page(f, 2);
        const PageOp *line = findText(second, QStringLiteral("考试科目：数学（考场号:001）"));
        QVERIFY(line);
        QVERIFY(line->y1 < cellExtent(second).top() * 56.6929);
        QCOMPARE(cellExtent(second).top(), cellExtent(page(f, 1)).top());
    }

    // A name or an address too wide for its cell prints whole, smaller, inside its cell: in the
    // student list, both seat lists and the score-entry sheet, on the preview and in the PDF.
    void longTextsPrintWhole()
    {
        test::TempData data;
        managst *m = showStudents(data, 3);
        QVERIFY(m);
        m->Grid1->setTextMatrix(1, 2, QStringLiteral("阿卜杜热合曼"));
        m->Grid1->setTextMatrix(2, 2, QStringLiteral("欧阳小明明"));
        QVERIFY(pressPrintPreview(m));
        printsform *f = preview();
        QVERIFY(f);
        f->LumoPrinter1->setTextMetrics(std::make_shared<FixedTextMetrics>());
        const double zoom = f->LumoPrinter1->ZoomFactor();
        int dest = 0;
        // The whole text in one piece, smaller than the row's font, within its cell's margins.
        const auto whole = [&](const QString &text, double points) {
            const PageRecord rec = page(f, 1);
            for (const CellBox &c : cellBoxes(rec)) {
                if (c.text() != text)
                    continue;
                const PageOp *op = c.texts.front();
                const double w = fixedWidth(rec, *op) / 56.6929;
                return c.texts.size() == 1 && pointSize(rec, *op, zoom) < points && w <= c.w - 2 + 0.01
                    && op->x1 / 56.6929 >= c.x + 0.99;
            }
            qWarning() << "no cell" << text << pageTexts(f, 1);
            return false;
        };
        print_managst(*f, dest);
        QVERIFY(whole(QStringLiteral("阿卜杜热合曼"), 12));
        QVERIFY(whole(QStringLiteral("欧阳小明明"), 12));
        // A name that fits keeps the row's size.
        QVERIFY(std::abs(pointSize(page(f, 1), *findText(page(f, 1), m->Grid1->TextMatrix(3, 2)), zoom) - 12) < 0.1);

        // The score-entry sheet (the name column is 25 mm).
        scoreSheet(3, true, false)->Grid1->setTextMatrix(2, 1, QStringLiteral("阿卜杜热合曼"));
        print_cjintool(*f, dest);
        QVERIFY(whole(QStringLiteral("阿卜杜热合曼"), 12));

        // Both seat lists: a long name, and the class list's address of the room.
        startAfresh(f, m);
        test::TempData seats;
        QVERIFY(seatFixture(seats));
        for (const bool classes : {true, false}) {
            bpdy2 *w = openChart(classes);
            QVERIFY(w);
            w->Grid1->setTextMatrix(1, 2, QStringLiteral("阿卜杜热合曼"));
            if (classes)
                w->Grid1->setTextMatrix(2, 7, QStringLiteral("教学楼一楼东101室"));
            f = printChart(w);
            QVERIFY(f);
            f->LumoPrinter1->setTextMetrics(std::make_shared<FixedTextMetrics>());
            classes ? print_bjzw(*f, dest) : print_kczw(*f, dest);
            QVERIFY(whole(QStringLiteral("阿卜杜热合曼"), 10));
            if (classes)
                QVERIFY(whole(QStringLiteral("教学楼一楼东101室"), 10));
            f->Unload();
        }
    }

    // After the preview's paper is turned to landscape or changed to US Letter, no page holds more
    // rows than fit above its foot; every row is still printed, and a page laid out alone holds
    // the rows it holds in the whole report.
    void rowsFitTheTurnedPaper()
    {
        test::TempData data;
        managst *m = showStudents(data, 45);
        QVERIFY(m);
        QVERIFY(pressPrintPreview(m));
        printsform *f = preview();
        QVERIFY(f);
        LumoPrinter *lp = f->LumoPrinter1;

        // Each page's cells end above the page number; the pages hold every row once, in order.
        const auto check = [&](const QString &what, const QStringList &rows) {
            QStringList seen;
            for (int p = 1; p <= lp->PageCount(); ++p) {
                const PageRecord rec = page(f, p);
                const PageOp *foot = findText(rec, QStringLiteral("第%1页").arg(p));
                if (!foot || cellExtent(rec).bottom() * 56.6929 >= foot->y1 || cellExtent(rec).bottom() > paperEnd(rec).y()) {
                    qWarning() << what << "page" << p << "runs over its foot";
                    return false;
                }
                for (const QString &t : rec.texts()) {
                    if (rows.contains(t))
                        seen << t;
                }
            }
            if (seen != rows)
                qWarning() << what << seen;
            return seen == rows;
        };
        // The same rows on page 2 laid out alone as on page 2 of the whole report.
        const auto alone = [&](const std::function<void()> &layout, const QStringList &rows) {
            QStringList whole, single;
            for (const QString &t : pageTexts(f, 2))
                if (rows.contains(t))
                    whole << t;
            f->curpage = 2;
            layout();
            f->curpage = 0;
            for (const QString &t : pageTexts(f, 1))
                if (rows.contains(t))
                    single << t;
            layout();
            return !whole.isEmpty() && whole == single;
        };
        QStringList ids;
        for (int r = 1; r <= 45; ++r)
            ids << m->Grid1->TextMatrix(r, 1);
        int dest = 0;
        const auto list = [&] { print_managst(*f, dest); };

        m->Grid1->setTextMatrix(1, 2, QStringLiteral("阿卜杜热合曼"));
        m->Grid1->setTextMatrix(2, 2, QStringLiteral("欧阳小明明"));
        list();
        QCOMPARE(lp->PageCount(), 2); // upright A4: 29 rows a page
        QVERIFY(check(QStringLiteral("A4"), ids));
        lp->setOrientation(2);        // the preview lays the list out again
        QVERIFY(lp->PageCount() >= 3);
        QVERIFY(check(QStringLiteral("landscape"), ids));
        QVERIFY(alone(list, ids));
        lp->setOrientation(1);
        lp->setPaperSize(1); // US Letter
        list();
        QCOMPARE(lp->PaperSize(), 1);
        QVERIFY(check(QStringLiteral("letter"), ids));
        QVERIFY(alone(list, ids));

        // The score-entry sheet of 70 entries on landscape: fewer rows of two entries a sheet.
        lp->setPaperSize(9);
        lp->setOrientation(2);
        Grid *sheet = scoreSheet(70, true, false)->Grid1;
        print_cjintool(*f, dest);
        QStringList names;
        for (int r = 1; r <= 70; ++r)
            names << sheet->TextMatrix(r, 1);
        QVERIFY(lp->PageCount() >= 2);
        QStringList seen;
        for (int p = 1; p <= lp->PageCount(); ++p) {
            const PageRecord rec = page(f, p);
            QVERIFY(cellExtent(rec).bottom() * 56.6929 < findText(rec, QStringLiteral("第%1页").arg(p))->y1);
            for (const QString &t : rec.texts())
                if (names.contains(t))
                    seen << t;
        }
        QCOMPARE(seen.size(), 70);
        QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 70);
        // To look at (with LAYOUT_DEMO_DIR set): the list on A4 upright and turned.
        lp->setOrientation(1);
        list();
        demoPdf(f, "students-portrait");
        lp->setOrientation(2);
        demoPdf(f, "students-landscape");
        startAfresh(f, m);

        // Both seat lists of 45 students on landscape.
        test::TempData seats;
        QVERIFY(seatFixture(seats));
        for (const bool classes : {true, false}) {
            bpdy2 *w = openChart(classes);
            QVERIFY(w);
            Grid *g = w->Grid1;
            g->setRows(46);
            QStringList rows;
            for (int r = 1; r <= 45; ++r) {
                g->setTextMatrix(r, 1, QStringLiteral("R%1").arg(r));
                rows << g->TextMatrix(r, 1);
            }
            f = printChart(w);
            QVERIFY(f);
            lp = f->LumoPrinter1;
            lp->setOrientation(2);
            QVERIFY(lp->PageCount() >= 2);
            const auto seatList = [&] { classes ? print_bjzw(*f, dest) : print_kczw(*f, dest); };
            QVERIFY(check(classes ? QStringLiteral("class seats") : QStringLiteral("room seats"), rows));
            demoPdf(f, classes ? "classseats-landscape" : "roomseats-landscape");
            QVERIFY(alone(seatList, rows));
            lp->setOrientation(1);
            f->Unload();
        }
    }
};

QTEST_MAIN(tst_layouts_basic)
#include "tst_layouts_basic.moc"
