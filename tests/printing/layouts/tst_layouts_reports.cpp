// The layouts of the six score reports: pages and rows a page, titles on the first page only,
// heading rows on every page, page geometry, cell texts and table frames, read from the preview's
// recorded pages; one report printed to PDF; two reports laid out from their real windows.
#include "layouttest.h"

#include "printing/layouts/reportlayouts.h"
#include "reports/average.h"
#include "reports/cjbq.h"
#include "reports/dkcj.h"
#include "reports/fdtj.h"
#include "reports/gkcj.h"
#include "reports/gkdz.h"
#include "reports/register.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <functional>
#include <memory>

using namespace quorvane;
using namespace quorvane::reportlayouts;
using namespace layouttest;

namespace {

using CellFn = std::function<QString(int row, int col)>;

// The heading row of a score-entry sheet grid: two students a row, each class, seat, name, score
// and remark.
const QStringList &subjectSheetHeads()
{
    static const QStringList heads = {QString(), QStringLiteral(" 班级"), QStringLiteral("座号"), QStringLiteral("   姓 名"),
                                      QStringLiteral("成绩"), QStringLiteral("   备 注"), QString(), QStringLiteral(" 班级"),
                                      QStringLiteral("座号"), QStringLiteral("   姓 名"), QStringLiteral("成绩"), QStringLiteral("   备 注")};
    return heads;
}

std::unique_ptr<Grid> makeGrid(int rows, int cols, const CellFn &cell)
{
    auto g = std::make_unique<Grid>();
    g->setCols(cols);
    g->setRows(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            g->setTextMatrix(r, c, cell(r, c));
    }
    return g;
}

// The captions of the three rank columns that follow a score in the score book.
const QStringList kThreeRanks = {QStringLiteral("班名"), QStringLiteral("类名"), QStringLiteral("年名")};

// The heading row of a score book: the four student columns, then every subject (or total) with
// the captions of its rank columns after it.
QStringList bookHeads(const QStringList &subjects, const QStringList &ranks)
{
    QStringList heads = {QString(), QStringLiteral("    学   号"), QStringLiteral("   姓 名"), QStringLiteral("班级"),
                         QStringLiteral("座号")};
    for (const QString &s : subjects)
        heads << s << ranks;
    return heads;
}

// The preview window with no report laid out yet, measuring text with fixed metrics.
printsform *freshPreview()
{
    gReportCode = 0;
    windows::show(QStringLiteral("printsform"));
    printsform *f = preview();
    f->LumoPrinter1->setTextMetrics(std::make_shared<FixedTextMetrics>());
    f->curpage = 0;
    return f;
}

// The paper as a layout left it: orientation, then the left, top, right and bottom margins (mm).
QList<float> paper(const LumoPrinter *lp)
{
    return {float(lp->Orientation()), lp->LeftMargin(), lp->TopMargin(), lp->RightMargin(), lp->BottomMargin()};
}

int pages(printsform *f)
{
    return f->LumoPrinter1->PageCount();
}

int count(const QStringList &texts, const QString &t)
{
    return int(texts.count(t));
}

bool containsStart(const QStringList &texts, const QString &start)
{
    for (const QString &t : texts) {
        if (t.startsWith(start))
            return true;
    }
    return false;
}

// Top of the first text drawn on page `rec` that equals / starts with `text` (twips); -1 if none.
double textTop(const PageRecord &rec, const QString &text, bool prefix = false)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && (prefix ? op.text.startsWith(text) : op.text == text))
            return op.y1;
    }
    return -1;
}

// Point size of the first text equal to `text` on the page (the page keeps fonts in twips).
double textPoints(const PageRecord &rec, const QString &text, int occurrence = 0)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && op.text == text && occurrence-- == 0)
            return rec.fonts.at(op.index).pixelSize() / 20.0;
    }
    return -1;
}

bool boldText(const PageRecord &rec, const QString &text)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && op.text == text)
            return rec.fonts.at(op.index).bold();
    }
    return false;
}

// Distance between the page's two thick horizontal rules (the table's top and bottom), mm.
double frameHeightMm(const PageRecord &rec)
{
    const std::set<int> ys = thickRules(rec);
    if (ys.size() < 2)
        return -1;
    return (*ys.rbegin() - *ys.begin()) / 56.6929;
}

// x positions (twips, rounded) of the vertical table lines of the thickest pen on the page: the
// left and right edge of the page's table frame (and of an information block above it).
std::set<int> thickVerticals(const PageRecord &rec)
{
    float thin = 1e9f, thick = 0;
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Line) {
            thin = std::min(thin, op.penWidth);
            thick = std::max(thick, op.penWidth);
        }
    }
    std::set<int> xs;
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Line && op.x1 == op.x2 && op.y1 >= 0 && op.penWidth == thick && thick > thin)
            xs.insert(int(std::lround(op.x1)));
    }
    return xs;
}

bool sameTwips(const std::set<int> &xs, std::initializer_list<double> mm)
{
    if (xs.size() != mm.size())
        return false;
    auto it = xs.begin();
    for (double m : mm) {
        if (std::abs(*it++ - mmToTwips(m)) > 2)
            return false;
    }
    return true;
}

QString joinTwips(const std::set<int> &xs)
{
    QStringList out;
    for (int x : xs)
        out << QString::number(x / 56.6929, 'f', 2);
    return out.join(QLatin1Char(' '));
}

// Left edge of the first text equal to `text` on the page (twips); -1 if none.
double textLeft(const PageRecord &rec, const QString &text)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && op.text == text)
            return op.x1;
    }
    return -1;
}

// Font family of the first text equal to `text` on the page; empty if none.
QString textFamily(const PageRecord &rec, const QString &text)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && op.text == text)
            return rec.fonts.at(op.index).family();
    }
    return QString();
}

} // namespace

class TestLayoutsReports : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        setUp();
        registerReportsWindows();
    }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void labelsTenToAPageWithTheirOwnHeadings()
    {
        printsform *f = freshPreview();
        const QStringList names = {QStringLiteral("王五"), QStringLiteral("欧阳小明"), QStringLiteral("阿卜杜热合曼"),
                                   QStringLiteral("李四光")};
        // 25 students, 7 score columns (语文 … 总分1).
        const QStringList heads = {QString(), QStringLiteral("    学   号"), QStringLiteral("   姓 名"), QStringLiteral("座号"),
                                   QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("物理"),
                                   QStringLiteral("化学"), QStringLiteral("生物"), QStringLiteral("总分1")};
        auto g = makeGrid(26, 11, [&](int r, int c) {
            if (r == 0)
                return heads[c];
            if (c == 1)
                return QStringLiteral("S%1").arg(r, 3, 10, QLatin1Char('0'));
            if (c == 2)
                return r <= 4 ? names[r - 1] : QStringLiteral("学生%1").arg(r);
            if (c == 3)
                return QString::number(r);
            return c == 5 && r == 2 ? QStringLiteral("缺考") : QString::number(60 + r + c);
        });
        int dest = 0;
        layLabels(*f, dest, {QStringLiteral("期中考试"), g.get()});
        QCOMPARE(pages(f), 3);
        QCOMPARE(f->pagecount, qint16(3));
        LumoPrinter *lp = f->LumoPrinter1;
        QCOMPARE(lp->LeftMargin(), 23.0f);
        QCOMPARE(lp->RightMargin(), 23.0f);
        QCOMPARE(lp->TopMargin(), 10.0f);
        QCOMPARE(lp->BottomMargin(), 10.0f);

        const QString six(6, QLatin1Char(' '));
        const PageRecord p1 = page(f, 1);
        const QStringList t1 = p1.texts();
        // The pad after the name: six blanks after two characters, two after four, none after six.
        QVERIFY(t1.contains(QStringLiteral("期中考试") + six + QStringLiteral("学号：S001") + six + QStringLiteral("姓名：王五")
                            + six + QStringLiteral("座号：1")));
        QVERIFY(t1.contains(QStringLiteral("期中考试") + six + QStringLiteral("学号：S002") + six
                            + QStringLiteral("姓名：欧阳小明  座号：2")));
        QVERIFY(t1.contains(QStringLiteral("期中考试") + six + QStringLiteral("学号：S003") + six
                            + QStringLiteral("姓名：阿卜杜热合曼座号：3")));
        QVERIFY(t1.contains(QStringLiteral("缺考")));
        // Every label carries the headings; no title, no page-top heading row.
        QCOMPARE(count(t1, QStringLiteral("语文")), 10);
        QCOMPARE(count(t1, QStringLiteral("总分1")), 10);
        QVERIFY(!containsStart(t1, QStringLiteral("期中考试") + six + QStringLiteral("学号：S011")));
        // The line is bold, the cells regular, all 9 points; every cell has width-1 borders.
        QVERIFY(boldText(p1, t1.at(t1.indexOf(QRegularExpression(QStringLiteral("^期中考试.*S001.*"))))));
        QVERIFY(!boldText(p1, QStringLiteral("语文")));
        QCOMPARE(textPoints(p1, QStringLiteral("语文")), 9.0);
        QVERIFY(thickRules(p1).empty());
        // Seven score columns: a full row of six pairs and a row of one; 22 mm from label to label.
        const double y1 = textTop(p1, QStringLiteral("期中考试") + six + QStringLiteral("学号：S001"), true);
        const double y2 = textTop(p1, QStringLiteral("期中考试") + six + QStringLiteral("学号：S002"), true);
        QVERIFY(std::abs((y2 - y1) - mmToTwips(22)) <= 2);

        const QStringList t3 = pageTexts(f, 3);
        QVERIFY(containsStart(t3, QStringLiteral("期中考试") + six + QStringLiteral("学号：S021")));
        QVERIFY(containsStart(t3, QStringLiteral("期中考试") + six + QStringLiteral("学号：S025")));
        QCOMPARE(count(t3, QStringLiteral("语文")), 5);

        // Page 2 alone: labels 11 to 20.
        f->curpage = 2;
        layLabels(*f, dest, {QStringLiteral("期中考试"), g.get()});
        QCOMPARE(pages(f), 1);
        const QStringList only = pageTexts(f, 1);
        QVERIFY(containsStart(only, QStringLiteral("期中考试") + six + QStringLiteral("学号：S011")));
        QVERIFY(containsStart(only, QStringLiteral("期中考试") + six + QStringLiteral("学号：S020")));
        QVERIFY(!containsStart(only, QStringLiteral("期中考试") + six + QStringLiteral("学号：S021")));
        QCOMPARE(count(only, QStringLiteral("语文")), 10);
    }

    void labelsNeverRunOffThePaper()
    {
        // Up to 17 score cells ten labels fit between margins of 10 mm on A4 upright (277 mm).
        QCOMPARE(labelsPerPage(5, 277), 10);
        QCOMPARE(labelsPerPage(12, 277), 10);
        QCOMPARE(labelsPerPage(17, 277), 10);
        // Twenty (all subjects, both totals with three ranks): 34 mm a label, eight fit.
        QCOMPARE(labelsPerPage(20, 277), 8);
        // Landscape A4 (190 mm): eight labels of 22 mm.
        QCOMPARE(labelsPerPage(7, 190), 8);

        printsform *f = freshPreview();
        auto g = makeGrid(21, 24, [](int r, int c) { return r == 0 ? QStringLiteral("科%1").arg(c) : QString::number(r); });
        int dest = 0;
        layLabels(*f, dest, {QStringLiteral("期末"), g.get()});
        QCOMPARE(pages(f), 3);
        // Every cell of every page lies on the paper.
        for (int n = 1; n <= 3; ++n) {
            const PageRecord rec = page(f, n);
            for (const PageOp &op : rec.ops) {
                if (op.kind == PageOp::Text)
                    QVERIFY(op.y1 + rec.originY < rec.paperHeight);
            }
        }
    }

    void subjectSheetInformationBlockAndPages()
    {
        printsform *f = freshPreview();
        const QStringList &heads = subjectSheetHeads();
        // 36 rows: 71 students, the last row half empty.
        auto g = makeGrid(37, 12, [&](int r, int c) {
            if (r == 0)
                return heads[c];
            if (c == 0 || c == 6 || (r == 36 && c > 6))
                return QString();
            const int st = 2 * (r - 1) + (c > 6 ? 2 : 1);
            const int k = c > 6 ? c - 6 : c;
            return k == 1 ? QStringLiteral("12") : k == 2 ? QString::number(st) : k == 3 ? QStringLiteral("生%1").arg(st)
                   : k == 4 ? QString::number(50 + st) : QString();
        });
        SubjectSheetInput in;
        in.exam = QStringLiteral("期中考试");
        in.subject = QStringLiteral("数学");
        in.classChoice = QStringLiteral("12");
        in.cohortYear = QStringLiteral("2007");
        in.date = QStringLiteral("2008-09-01");
        for (int i = 0; i < 16; ++i)
            in.stats[size_t(i)] = QString::number(100 + i);
        const char *bands[] = {"<60分人数:", "<70分人数:", "<80分人数:", "<90分人数:", "<100分人数:"};
        for (int i = 7; i <= 11; ++i) {
            in.statShown[size_t(i)] = true;
            in.bandCaptions[size_t(i)] = QString::fromUtf8(bands[i - 7]);
        }
        in.grid = g.get();
        QCOMPARE(bandLine(in), QStringLiteral("<60(107)，<70(108)，<80(109)，<90(110)，<100(111)"));

        int dest = 0;
        laySubjectSheet(*f, dest, in);
        QCOMPARE(pages(f), 2);
        const PageRecord p1 = page(f, 1), p2 = page(f, 2);
        const QStringList t1 = p1.texts(), t2 = p2.texts();
        QVERIFY(t1.contains(QStringLiteral("期中考试单科成绩单")));
        QVERIFY(!t2.contains(QStringLiteral("期中考试单科成绩单")));
        for (const QString &t : {QStringLiteral("2007(12)"), QStringLiteral("数学"), QStringLiteral("2008-09-01"),
                                 QStringLiteral("平 均 分"), QStringLiteral("100"), QStringLiteral("作弊人数"),
                                 QStringLiteral("106"), QStringLiteral("<60(107)，<70(108)，<80(109)，<90(110)，<100(111)")})
            QVERIFY2(t1.contains(t), qPrintable(t));
        // The information block stands on the first page only of a whole run.
        QVERIFY(!t2.contains(QStringLiteral("2007(12)")));
        // Both pages carry the heading row (bold); page 2 holds grid row 36 alone.
        QCOMPARE(count(t1, QStringLiteral("   姓 名")), 2);
        QCOMPARE(count(t2, QStringLiteral("   姓 名")), 2);
        QVERIFY(boldText(p2, QStringLiteral("成绩")));
        QVERIFY(t1.contains(QStringLiteral("生70")));
        QVERIFY(!t1.contains(QStringLiteral("生71")));
        QVERIFY(t2.contains(QStringLiteral("生71")));
        // Page 2's table: the heading row and one row, framed thick at top and bottom.
        QVERIFY(std::abs(frameHeightMm(p2) - 12) < 0.05);
        QCOMPARE(textPoints(p1, QStringLiteral("生1")), 10.0);

        // Page 2 alone: no title, but the information block above its table.
        f->curpage = 2;
        laySubjectSheet(*f, dest, in);
        QCOMPARE(pages(f), 1);
        const QStringList only = pageTexts(f, 1);
        QVERIFY(!only.contains(QStringLiteral("期中考试单科成绩单")));
        QVERIFY(only.contains(QStringLiteral("2007(12)")));
        QVERIFY(only.contains(QStringLiteral("生71")));
        QVERIFY(!only.contains(QStringLiteral("生1")));

        QCOMPARE(textPoints(p1, QStringLiteral("<60(107)，<70(108)，<80(109)，<90(110)，<100(111)")), 10.0);

        // Every band with counts of three digits: the line is drawn whole, smaller.
        f->curpage = 0;
        const char *more[] = {"<110分人数:", "<120分人数:", "<130分人数:", ">=130分人数:"};
        for (int i = 7; i <= 15; ++i) {
            in.statShown[size_t(i)] = true;
            in.stats[size_t(i)] = QString::number(100 + i);
            if (i >= 12)
                in.bandCaptions[size_t(i)] = QString::fromUtf8(more[i - 12]);
        }
        const QString all = QStringLiteral("<60(107)，<70(108)，<80(109)，<90(110)，<100(111)，<110(112)，<120(113)，<130(114)，>=130(115)");
        QCOMPARE(bandLine(in), all);
        laySubjectSheet(*f, dest, in);
        const PageRecord whole = page(f, 1);
        QVERIFY2(whole.texts().contains(all), qPrintable(whole.texts().join('|')));
        QVERIFY(textPoints(whole, all) < 10.0);
        QCOMPARE(textPoints(whole, QStringLiteral("生1")), 10.0);

        // No data rows: one page with the title and the information block, no table; page 1
        // alone then draws the heading row and no body row.
        {
            auto empty = makeGrid(1, 12, [&](int, int c) { return heads[c]; });
            SubjectSheetInput none = in;
            none.grid = empty.get();
            f->curpage = 0;
            laySubjectSheet(*f, dest, none);
            QCOMPARE(pages(f), 1);
            QCOMPARE(f->pagecount, qint16(0));
            QVERIFY(pageTexts(f, 1).contains(QStringLiteral("期中考试单科成绩单")));
            QVERIFY(pageTexts(f, 1).contains(QStringLiteral("作弊人数")));
            QVERIFY(!pageTexts(f, 1).contains(QStringLiteral("   姓 名")));
            f->curpage = 1;
            laySubjectSheet(*f, dest, none);
            QCOMPARE(pages(f), 1);
            QCOMPARE(count(pageTexts(f, 1), QStringLiteral("   姓 名")), 2);
            QVERIFY(pageTexts(f, 1).contains(QStringLiteral("期中考试单科成绩单")));
        }

        // No band shown: an empty band cell; the whole grade keeps its first two characters.
        f->curpage = 0;
        in.statShown.fill(false);
        in.classChoice = QStringLiteral("年级");
        QCOMPARE(bandLine(in), QString());
        laySubjectSheet(*f, dest, in);
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("2007(年级)")));
    }

    void bandStatisticsFollowTheColumnCount()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        auto bands = [](int rows, int cols) {
            return makeGrid(rows, cols, [](int r, int c) {
                if (r == 0)
                    return c < 3 ? QStringLiteral("x") : QStringLiteral("H%1").arg(c);
                return c == 1 ? QStringLiteral("高一(%1)班").arg(r) : QStringLiteral("%1-%2").arg(r).arg(c);
            });
        };
        int dest = 0;

        // 14 columns: upright kept, margins 8 / 8, 35 rows a page; 40 rows give 35 and 5.
        auto g14 = bands(41, 14);
        layBands(*f, dest, {QStringLiteral("期中考试"), QStringLiteral("语文"), g14.get()});
        QCOMPARE(lp->Orientation(), 1);
        QCOMPARE(lp->LeftMargin(), 8.0f);
        QCOMPARE(lp->RightMargin(), 8.0f);
        QCOMPARE(pages(f), 2);
        const PageRecord p1 = page(f, 1), p2 = page(f, 2);
        QVERIFY(p1.texts().contains(QStringLiteral("期中考试成绩分段次数统计表")));
        QVERIFY(p1.texts().contains(QStringLiteral("学科：语文")));
        QVERIFY(!p2.texts().contains(QStringLiteral("学科：语文")));
        QVERIFY(p1.texts().contains(QStringLiteral("35-13")));
        QVERIFY(!p1.texts().contains(QStringLiteral("36-13")));
        QCOMPARE(count(p2.texts(), QStringLiteral("班 级")), 1);
        QCOMPARE(count(p2.texts(), QStringLiteral("H13")), 1);
        QVERIFY(!p2.texts().contains(QStringLiteral("x")));
        QVERIFY(std::abs(frameHeightMm(p2) - 36) < 0.05);
        QVERIFY(boldText(p2, QStringLiteral("高一(36)班")));
        QVERIFY(!boldText(p2, QStringLiteral("36-2")));
        // Title centred at 13 and 14 columns: it does not start at the left edge.
        const double titleX = [&] {
            for (const PageOp &op : p1.ops)
                if (op.kind == PageOp::Text && op.text == QStringLiteral("期中考试成绩分段次数统计表"))
                    return double(op.x1);
            return -1.0;
        }();
        QVERIFY(titleX > 100);

        // 15 columns: landscape, margins 20 / 18, 20 rows a page.
        auto g15 = bands(22, 15);
        layBands(*f, dest, {QStringLiteral("期中考试"), QStringLiteral("总分1"), g15.get()});
        QCOMPARE(lp->Orientation(), 2);
        QCOMPARE(lp->LeftMargin(), 20.0f);
        QCOMPARE(lp->RightMargin(), 18.0f);
        QCOMPARE(pages(f), 2);
        QVERIFY(pageTexts(f, 2).contains(QStringLiteral("21-14")));

        // 19 columns: margins 10 / 10; page 2 alone of 50 rows holds rows 21 to 40, no title.
        auto g19 = bands(51, 19);
        f->curpage = 2;
        layBands(*f, dest, {QStringLiteral("期中考试"), QStringLiteral("数学"), g19.get()});
        QCOMPARE(lp->LeftMargin(), 10.0f);
        QCOMPARE(pages(f), 1);
        const PageRecord only = page(f, 1);
        QVERIFY(!only.texts().contains(QStringLiteral("期中考试成绩分段次数统计表")));
        QVERIFY(only.texts().contains(QStringLiteral("21-2")));
        QVERIFY(only.texts().contains(QStringLiteral("40-18")));
        QVERIFY(!only.texts().contains(QStringLiteral("41-2")));
        QVERIFY(std::abs(frameHeightMm(only) - 6 * 21) < 0.05);
    }

    void comparisonStackedCaptionsAndPages()
    {
        printsform *f = freshPreview();
        auto g = makeGrid(81, 10, [](int r, int c) {
            if (r == 0)
                return QStringLiteral("grid%1").arg(c);
            if (c == 0)
                return QString();
            if (c == 1)
                return r % 10 == 1 ? QStringLiteral("科%1").arg(r) : QString();
            return QStringLiteral("%1.%2").arg(r).arg(c);
        });
        int dest = 0;
        layComparison(*f, dest, {QStringLiteral("期末考试"), g.get()});
        QCOMPARE(pages(f), 3);
        QCOMPARE(f->LumoPrinter1->LeftMargin(), 22.0f);
        const PageRecord p1 = page(f, 1), p3 = page(f, 3);
        QVERIFY(p1.texts().contains(QStringLiteral("期末考试各班各科成绩对照表")));
        QVERIFY(!p3.texts().contains(QStringLiteral("期末考试各班各科成绩对照表")));
        // The grid's own captions are not printed; the stacked ones are, on every page.
        QVERIFY(!p1.texts().contains(QStringLiteral("grid3")));
        for (const PageRecord *rec : {&p1, &p3}) {
            const QStringList t = rec->texts();
            QVERIFY(t.contains(QStringLiteral("学 科")));
            QCOMPARE(count(t, QStringLiteral("实")), 1);
            QCOMPARE(count(t, QStringLiteral("率")), 2);
        }
        QVERIFY(p1.texts().contains(QStringLiteral("35.9")));
        QVERIFY(p3.texts().contains(QStringLiteral("71.2")));
        QVERIFY(boldText(p1, QStringLiteral("科1")));
        QVERIFY(!boldText(p1, QStringLiteral("1.2")));
        // Heading 14 mm, 35 rows of 6 on a full page; 10 rows on the last.
        QVERIFY(std::abs(frameHeightMm(p1) - (14 + 35 * 6)) < 0.05);
        QVERIFY(std::abs(frameHeightMm(p3) - (14 + 10 * 6)) < 0.05);

        // Page 2 alone: rows 36 to 70, the 70th closing the frame.
        f->curpage = 2;
        layComparison(*f, dest, {QStringLiteral("期末考试"), g.get()});
        QCOMPARE(pages(f), 1);
        const PageRecord only = page(f, 1);
        QVERIFY(!only.texts().contains(QStringLiteral("期末考试各班各科成绩对照表")));
        QVERIFY(only.texts().contains(QStringLiteral("36.2")));
        QVERIFY(only.texts().contains(QStringLiteral("70.9")));
        QVERIFY(!only.texts().contains(QStringLiteral("71.2")));
        QVERIFY(std::abs(frameHeightMm(only) - (14 + 35 * 6)) < 0.05);
    }

    void allSubjectsGeometryFromTheBoxes()
    {
        // All boxes: 12 subjects 337; totals, subject ranks and one box: 3 subjects 175, 4 subjects 193.
        QCOMPARE(allSubjectsWidth({true, true, true, true, true}, 12), 337);
        QCOMPARE(allSubjectsWidth({true, true, true, false, false}, 3), 175);
        QCOMPARE(allSubjectsWidth({true, true, false, true, false}, 4), 193);
        QCOMPARE(allSubjectsWidth({false, true, true, false, false}, 8), 229);
        QCOMPARE(allSubjectsWidth({true, false, false, false, false}, 11), 179);
        QCOMPARE(allSubjectsWidth({true, false, false, false, true}, 12), 205);
    }

    void allSubjectsWithEveryRank()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        // Three subjects, totals, subject ranks and the class and grade boxes (k = 2): columns 1-4,
        // three blocks of 3, two total blocks of 3.
        const QStringList heads = bookHeads({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("总分1"),
                                             QStringLiteral("总分2")},
                                            {QStringLiteral("班名"), QStringLiteral("年名")});
        const int rows = 32; // 31 students: 30 a page with two rank boxes
        auto g = makeGrid(rows, heads.size(), [&](int r, int c) {
            if (r == 0)
                return heads[c];
            if (c == 0)
                return QString();
            if (c == 1)
                return QStringLiteral("S%1").arg(r);
            if (c == 2)
                return QStringLiteral("生%1").arg(r);
            if (c <= 4)
                return QString::number(r);
            const int off = (c - 5) % 3;
            if (r == 2 && c == 5)
                return QString();          // no 语文 score: its rank cell stays empty
            if (r == 3 && c == 10)
                return QString();          // a missing grade rank in 数学
            return off == 0 ? QString::number(50 + c) : QString::number(off * 10 + r);
        });
        AllSubjectsInput in{QStringLiteral("期中考试"), QStringLiteral("3"), {true, true, true, false, true}, 3, g.get()};
        int dest = 0;
        layAllSubjects(*f, dest, in);
        // W = 85 + 36 + 54 = 175: upright, margins 18, 30 rows a page.
        QCOMPARE(paper(lp), QList<float>({1, 18, 15, 18, 15}));
        QCOMPARE(pages(f), 2);
        const PageRecord p1 = page(f, 1), p2 = page(f, 2);
        const QStringList t1 = p1.texts();
        QVERIFY(t1.contains(QStringLiteral("期中考试成绩册 3")));
        QVERIFY(!p2.texts().contains(QStringLiteral("期中考试成绩册 3")));
        // Heading blocks: the subject over 成绩 and the stacked rank captions, on every page.
        QCOMPARE(count(t1, QStringLiteral("成绩")), 5);
        QCOMPARE(count(p2.texts(), QStringLiteral("成绩")), 5);
        QCOMPARE(count(t1, QStringLiteral("年名")), 5);
        // Rank cells: two lines; "-" for a missing rank; empty when the score is.
        const QStringList s1 = t1;
        QVERIFY(s1.contains(QStringLiteral("11")) && s1.contains(QStringLiteral("21")));
        int row3 = -1;
        for (int i = 0; i < s1.size(); ++i)
            if (s1[i] == QStringLiteral("生3"))
                row3 = i;
        QVERIFY(row3 > 0);
        // 生3's 数学 block: score 58, then 13 over "-".
        const int at = int(s1.indexOf(QStringLiteral("58"), row3));
        QVERIFY(at > 0);
        QCOMPARE(s1.at(at + 1), QStringLiteral("13"));
        QCOMPARE(s1.at(at + 2), QStringLiteral("-"));
        // 生2 has no 语文 score: the score cell and the rank cell print nothing, then 数学 follows.
        const int row2 = int(s1.indexOf(QStringLiteral("生2")));
        QCOMPARE(s1.at(row2 + 3), QStringLiteral("58"));
        // Heading 15 mm, rows 8 mm: page 2 holds one row.
        QVERIFY(std::abs(frameHeightMm(p2) - (15 + 8)) < 0.05);
        QVERIFY(std::abs(frameHeightMm(p1) - (15 + 30 * 8)) < 0.05);
        QCOMPARE(textPoints(p1, QStringLiteral("语文")), 10.0);
        QCOMPARE(textPoints(p1, QStringLiteral("成绩")), 8.0);
        QCOMPARE(textPoints(p1, QStringLiteral("生1")), 9.0);

        // One rank box (rows 5 mm, score cells 8 mm): a total of 611.5 is drawn whole, smaller,
        // not cut to "611."; a rank cell prints its one rank as it stands.
        {
            const QStringList h = {QString(), QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号"),
                                   QStringLiteral("语文"), QStringLiteral("年名"), QStringLiteral("总分1"), QStringLiteral("年名"),
                                   QStringLiteral("总分2"), QStringLiteral("年名")};
            const QStringList v = {QString(), QStringLiteral("S1"), QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("1"),
                                   QStringLiteral("85"), QString(), QStringLiteral("611.5"), QStringLiteral("3"), QStringLiteral("598"),
                                   QStringLiteral("7")};
            auto one = makeGrid(2, h.size(), [&](int r, int c) { return r == 0 ? h[c] : v[c]; });
            AllSubjectsInput k1{QStringLiteral("月考"), QStringLiteral("1"), {true, true, false, false, true}, 1, one.get()};
            layAllSubjects(*f, dest, k1);
            const PageRecord rec = page(f, 1);
            QVERIFY2(rec.texts().contains(QStringLiteral("611.5")), qPrintable(rec.texts().join('|')));
            QVERIFY(textPoints(rec, QStringLiteral("611.5")) < 9.0);
            QCOMPARE(textPoints(rec, QStringLiteral("598")), 9.0);
            QCOMPARE(textPoints(rec, QStringLiteral("85")), 9.0);
            QVERIFY(rec.texts().contains(QStringLiteral("7")));
            QVERIFY(std::abs(frameHeightMm(rec) - (13 + 5)) < 0.05);
        }

        // A subject count for another exam: the grid's own three subjects are laid out.
        in.subjectCount = 5;
        layAllSubjects(*f, dest, in);
        QCOMPARE(lp->LeftMargin(), 18.0f);
        QCOMPARE(count(pageTexts(f, 1), QStringLiteral("成绩")), 5);
    }

    void allSubjectsWithoutRanks()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        // Eleven subjects and totals, no rank box: W 179, margins 15, 48 rows, 10-wide columns.
        auto g = makeGrid(50, 18, [](int r, int c) {
            if (r == 0)
                return c == 0 ? QString() : c <= 4 ? QStringLiteral("F%1").arg(c) : c == 16 ? QStringLiteral("总分1")
                       : c == 17 ? QStringLiteral("总分2") : QStringLiteral("科%1").arg(c);
            return c == 0 ? QString() : QStringLiteral("%1/%2").arg(r).arg(c);
        });
        AllSubjectsInput in{QStringLiteral("期末"), QStringLiteral("年级"), {true, false, false, false, false}, 11, g.get()};
        int dest = 0;
        layAllSubjects(*f, dest, in);
        QCOMPARE(lp->Orientation(), 1);
        QCOMPARE(lp->LeftMargin(), 15.0f);
        QCOMPARE(pages(f), 2);
        const PageRecord p1 = page(f, 1);
        QVERIFY(p1.texts().contains(QStringLiteral("期末成绩册 年级")));
        QVERIFY(p1.texts().contains(QStringLiteral("48/17")));
        QVERIFY(!p1.texts().contains(QStringLiteral("49/1")));
        QVERIFY(std::abs(frameHeightMm(p1) - (10 + 48 * 5)) < 0.05);
        // The table is 49 + 13 × 10 mm wide: the right edge of its cells (not the preview's corner marks).
        double right = 0;
        for (const PageOp &op : p1.ops)
            if (op.kind == PageOp::Line && op.x1 == op.x2 && op.y1 > mmToTwips(5) && op.y2 > op.y1 && op.y2 - op.y1 < mmToTwips(11))
                right = std::max(right, double(op.x1));
        QVERIFY2(std::abs(right - mmToTwips(179)) < 30, qPrintable(QString::number(right / 56.6929)));

        // Page 2 alone: no title, the heading and row 49.
        f->curpage = 2;
        layAllSubjects(*f, dest, in);
        QCOMPARE(pages(f), 1);
        QVERIFY(!pageTexts(f, 1).contains(QStringLiteral("期末成绩册 年级")));
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("49/17")));
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("F1")));
    }

    void averageBookGeometryAndHeading()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        auto book = [](int classes, int n) {
            return makeGrid(classes + 1, 2 * n + 4, [n](int r, int c) {
                if (r == 0)
                    return c >= 2 && c <= 2 * n + 1 ? (c % 2 == 0 ? QStringLiteral("科%1").arg(c / 2) : QStringLiteral("名次"))
                                                    : QString();
                if (c == 0)
                    return QString();
                return c == 1 ? QStringLiteral("高一(%1)班").arg(r) : QStringLiteral("%1:%2").arg(r).arg(c);
            });
        };
        int dest = 0;
        auto g5 = book(36, 5);
        layAverage(*f, dest, {QStringLiteral("期中考试"), QStringLiteral("2007"), 5, g5.get()});
        QCOMPARE(lp->LeftMargin(), 22.0f);
        QCOMPARE(lp->RightMargin(), 22.0f);
        QCOMPARE(pages(f), 2);
        const PageRecord p1 = page(f, 1), p2 = page(f, 2);
        QVERIFY(p1.texts().contains(QStringLiteral("期中考试平均成绩册(2007学届)")));
        QVERIFY(!p2.texts().contains(QStringLiteral("期中考试平均成绩册(2007学届)")));
        QCOMPARE(count(p1.texts(), QStringLiteral("平均分")), 7);   // five subjects and both totals
        QVERIFY(p1.texts().contains(QStringLiteral("总分1")));
        QVERIFY(p2.texts().contains(QStringLiteral("科5")));
        QVERIFY(p2.texts().contains(QStringLiteral("36:13")));
        QVERIFY(std::abs(frameHeightMm(p1) - (12 + 35 * 6)) < 0.05);
        QVERIFY(std::abs(frameHeightMm(p2) - (12 + 6)) < 0.05);
        // "班 级" takes 9 points on the first page, the body's 8.5 on the next.
        QCOMPARE(textPoints(p1, QStringLiteral("班 级")), 9.0);
        QCOMPARE(textPoints(p2, QStringLiteral("班 级")), 8.5);
        QCOMPARE(textPoints(p1, QStringLiteral("1:2")), 8.5);
        QVERIFY(boldText(p1, QStringLiteral("高一(1)班")));

        // Nine subjects: landscape, margins 25, 20 classes a page.
        auto g9 = book(21, 9);
        layAverage(*f, dest, {QStringLiteral("期中考试"), QStringLiteral("2007"), 9, g9.get()});
        QCOMPARE(lp->Orientation(), 2);
        QCOMPARE(lp->LeftMargin(), 25.0f);
        QCOMPARE(pages(f), 2);

        // Seven subjects: margins 13; a count of 9 handed over for another exam does not turn the
        // paper or read past the grid: the grid's seven subjects decide.
        auto g7 = book(3, 7);
        layAverage(*f, dest, {QStringLiteral("期中考试"), QStringLiteral("2007"), 9, g7.get()});
        QCOMPARE(lp->LeftMargin(), 13.0f);
        QCOMPARE(count(pageTexts(f, 1), QStringLiteral("名次")), 7);
        QVERIFY(pageTexts(f, 1).contains(QStringLiteral("3:17")));
    }

    void allSubjectsEveryBoxTwelveSubjects()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        // Twelve subjects, both totals, subject ranks and all three rank boxes: W = 337.
        QStringList subjects;
        for (int j = 1; j <= 12; ++j)
            subjects << QStringLiteral("科%1").arg(j);
        const QStringList heads = bookHeads(subjects << QStringLiteral("总分1") << QStringLiteral("总分2"), kThreeRanks);
        QCOMPARE(heads.size(), 61);
        auto g = makeGrid(15, 61, [&](int r, int c) {
            if (r == 0)
                return heads[c];
            if (c == 0)
                return QString();
            if (c <= 4)
                return QStringLiteral("r%1c%2").arg(r).arg(c);
            return (c - 5) % 4 == 0 ? QString::number(100 + c) : QString::number(r * 100 + (c - 5) % 4);
        });
        AllSubjectsInput in{QStringLiteral("期末考试"), QStringLiteral("理科"), {true, true, true, true, true}, 12, g.get()};
        int dest = 0;
        layAllSubjects(*f, dest, in);
        // Landscape; margins of 5 and 3, not -2 and 0: the frame and the page head stay on the paper.
        QCOMPARE(paper(lp), QList<float>({2, 5, 15, 3, 15}));
        // 13 rows a page: 14 students on two pages.
        QCOMPARE(pages(f), 2);
        QCOMPARE(f->pagecount, qint16(2));
        const PageRecord p1 = page(f, 1), p2 = page(f, 2);
        // Heading 18 mm over rows of 11 mm; page 2 holds student 14 alone under its heading.
        QVERIFY(std::abs(frameHeightMm(p1) - (18 + 13 * 11)) < 0.05);
        QVERIFY(std::abs(frameHeightMm(p2) - (18 + 11)) < 0.05);
        QVERIFY(p2.texts().contains(QStringLiteral("r14c1")));
        QVERIFY(!p2.texts().contains(QStringLiteral("r13c1")));
        // The frame: 49 + 12 × 18 + 36 = 301 mm narrowed to the 289 mm between the margins, on
        // every page.
        QVERIFY2(sameTwips(thickVerticals(p1), {0, 289}), qPrintable(joinTwips(thickVerticals(p1))));
        QVERIFY2(sameTwips(thickVerticals(p2), {0, 289}), qPrintable(joinTwips(thickVerticals(p2))));
        // Width 2 only on the frame: the heading's top and the page's last row's bottom; the line
        // under a block's subject and every row line inside are width 1.
        QCOMPARE(thickRules(p1).size(), size_t(2));
        QCOMPARE(thickRules(p2).size(), size_t(2));
        // Title centred (a grid of more than 15 columns, W 265 or more).
        const double titleX = textLeft(p1, QStringLiteral("期末考试成绩册 理科"));
        QVERIFY(titleX > mmToTwips(60));
        // Three stacked rank captions in every one of the 14 blocks, on every page; the subject over
        // them bold at 10 points, the captions regular at 8.
        QCOMPARE(count(p2.texts(), QStringLiteral("类名")), 14);
        QCOMPARE(count(p2.texts(), QStringLiteral("成绩")), 14);
        QCOMPARE(textPoints(p2, QStringLiteral("科12")), 10.0);
        QVERIFY(boldText(p2, QStringLiteral("科12")));
        QCOMPARE(textPoints(p2, QStringLiteral("类名")), 8.0);
        QVERIFY(!boldText(p2, QStringLiteral("类名")));
        // A body rank cell: the ranks one under the other, 9 points (with the test's fixed metrics,
        // 4 mm a line, the first two of the three fit in the 11 mm row; the fonts the program
        // prints with fit all three, as the PDF test shows).
        const QStringList t2 = p2.texts();
        const int at = int(t2.indexOf(QStringLiteral("105")));
        QVERIFY(at > 0);
        QCOMPARE(t2.mid(at + 1, 2), QStringList({QStringLiteral("1401"), QStringLiteral("1402")}));
        QCOMPARE(textPoints(p2, QStringLiteral("1401")), 9.0);

        // Eight subjects with subject ranks and one box (W 229): upright, margins 15 and 10, title
        // centred; nine (W 247): landscape, the margins left as they were, title at the left.
        auto narrow = [](int subjects) {
            return makeGrid(2, 5 + 2 * subjects, [](int r, int c) {
                if (c == 0)
                    return QString();
                if (r == 0)
                    return c <= 4 ? QStringLiteral("F%1").arg(c) : (c - 5) % 2 ? QStringLiteral("班名") : QStringLiteral("科%1").arg(c);
                return QString::number(c);
            });
        };
        auto g8 = narrow(8);
        layAllSubjects(*f, dest, {QStringLiteral("月考"), QStringLiteral("2"), {false, true, true, false, false}, 8, g8.get()});
        QCOMPARE(lp->Orientation(), 1);
        QCOMPARE(lp->LeftMargin(), 15.0f);
        QCOMPARE(lp->RightMargin(), 10.0f);
        QVERIFY(textLeft(page(f, 1), QStringLiteral("月考成绩册 2")) > mmToTwips(20));
        // The row ends with the rank cell of subject 8: 49 + 8 × 18 = 193 mm.
        QVERIFY2(sameTwips(thickVerticals(page(f, 1)), {0, 193}), qPrintable(joinTwips(thickVerticals(page(f, 1)))));
        auto g9 = narrow(9);
        layAllSubjects(*f, dest, {QStringLiteral("月考"), QStringLiteral("2"), {false, true, true, false, false}, 9, g9.get()});
        QCOMPARE(lp->Orientation(), 2);
        QCOMPARE(lp->LeftMargin(), 15.0f);
        QCOMPARE(lp->RightMargin(), 10.0f);
        QCOMPARE(textLeft(page(f, 1), QStringLiteral("月考成绩册 2")), 0.0);
        // A grid of 15 columns or fewer gets its title at the left whatever W is: three subjects
        // with totals, subject ranks and one box (W 175, margins 18) have exactly 15 columns.
        auto small = makeGrid(2, 15, [](int r, int c) { return r == 0 ? QStringLiteral("H%1").arg(c) : QString::number(c); });
        layAllSubjects(*f, dest, {QStringLiteral("月考"), QStringLiteral("2"), {true, true, false, true, false}, 3, small.get()});
        QCOMPARE(lp->LeftMargin(), 18.0f);
        QCOMPARE(textLeft(page(f, 1), QStringLiteral("月考成绩册 2")), 0.0);
    }

    void averageTitleAlignmentAndFrame()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        auto book = [](int n) {
            return makeGrid(3, 2 * n + 4, [n](int r, int c) {
                if (r == 0)
                    return c >= 2 && c <= 2 * n + 1 ? (c % 2 == 0 ? QStringLiteral("科%1").arg(c / 2) : QStringLiteral("名次"))
                                                    : QString();
                return c == 0 ? QString() : QStringLiteral("%1:%2").arg(r).arg(c);
            });
        };
        int dest = 0;
        // Five subjects: the title starts at the left margin; the table is 52 + 19 × 5 mm wide.
        auto g5 = book(5);
        layAverage(*f, dest, {QStringLiteral("期中"), QStringLiteral("2007"), 5, g5.get()});
        PageRecord rec = page(f, 1);
        QCOMPARE(textLeft(rec, QStringLiteral("期中平均成绩册(2007学届)")), 0.0);
        QVERIFY2(sameTwips(thickVerticals(rec), {0, 147}), qPrintable(joinTwips(thickVerticals(rec))));
        QCOMPARE(thickRules(rec).size(), size_t(2));
        // The heading: subjects bold at 9 over regular 8-point captions.
        QVERIFY(boldText(rec, QStringLiteral("科5")));
        QCOMPARE(textPoints(rec, QStringLiteral("科5")), 9.0);
        QVERIFY(!boldText(rec, QStringLiteral("平均分")));
        QCOMPARE(textPoints(rec, QStringLiteral("平均分")), 8.0);
        QVERIFY(boldText(rec, QStringLiteral("总分1")));
        // Six subjects: centred title, margins 20; eight: margins 6 and a 204 mm table.
        auto g6 = book(6);
        layAverage(*f, dest, {QStringLiteral("期中"), QStringLiteral("2007"), 6, g6.get()});
        QCOMPARE(lp->LeftMargin(), 20.0f);
        QCOMPARE(lp->RightMargin(), 20.0f);
        QVERIFY(textLeft(page(f, 1), QStringLiteral("期中平均成绩册(2007学届)")) > mmToTwips(20));
        auto g8 = book(8);
        layAverage(*f, dest, {QStringLiteral("期中"), QStringLiteral("2007"), 8, g8.get()});
        QCOMPARE(lp->LeftMargin(), 6.0f);
        QVERIFY2(sameTwips(thickVerticals(page(f, 1)), {0, 204}), qPrintable(joinTwips(thickVerticals(page(f, 1)))));
        // Twelve: landscape, margins 9, a 280 mm table.
        auto g12 = book(12);
        layAverage(*f, dest, {QStringLiteral("期中"), QStringLiteral("2007"), 12, g12.get()});
        QCOMPARE(lp->Orientation(), 2);
        QCOMPARE(lp->LeftMargin(), 9.0f);
        QCOMPARE(lp->RightMargin(), 9.0f);
        QVERIFY2(sameTwips(thickVerticals(page(f, 1)), {0, 280}), qPrintable(joinTwips(thickVerticals(page(f, 1)))));

        // Page 2 alone of 36 classes: no title; its heading ("班 级" at 9 points, the first page of
        // this run) and class 36 closing the frame.
        auto g36 = makeGrid(37, 14, [](int r, int c) { return c == 0 ? QString() : r == 0 ? QStringLiteral("H%1").arg(c) : QStringLiteral("%1:%2").arg(r).arg(c); });
        lp->setOrientation(1); // five subjects keep the paper as it is: upright, 35 rows a page
        f->curpage = 2;
        layAverage(*f, dest, {QStringLiteral("期中"), QStringLiteral("2007"), 5, g36.get()});
        QCOMPARE(pages(f), 1);
        QCOMPARE(f->pagecount, qint16(2));
        rec = page(f, 1);
        QVERIFY(!rec.texts().contains(QStringLiteral("期中平均成绩册(2007学届)")));
        QVERIFY(rec.texts().contains(QStringLiteral("36:13")));
        QVERIFY(!rec.texts().contains(QStringLiteral("35:13")));
        QCOMPARE(textPoints(rec, QStringLiteral("班 级")), 9.0);
        QVERIFY(std::abs(frameHeightMm(rec) - (12 + 6)) < 0.05);
    }

    void tableFramesAndAlignments()
    {
        printsform *f = freshPreview();
        int dest = 0;
        // Band statistics of 14 columns: 20 + 11 + 11 × 15 = 196 mm; title centred.
        auto g14 = makeGrid(3, 14, [](int r, int c) { return r == 0 ? QStringLiteral("H%1").arg(c) : QStringLiteral("%1/%2").arg(r).arg(c); });
        layBands(*f, dest, {QStringLiteral("期中"), QStringLiteral("语文"), g14.get()});
        PageRecord rec = page(f, 1);
        QVERIFY2(sameTwips(thickVerticals(rec), {0, 196}), qPrintable(joinTwips(thickVerticals(rec))));
        // The item line: 黑体 13 at the left, under the title.
        QCOMPARE(textLeft(rec, QStringLiteral("学科：语文")), 0.0);
        QCOMPARE(textPoints(rec, QStringLiteral("学科：语文")), 13.0);
        QVERIFY(textTop(rec, QStringLiteral("学科：语文")) > textTop(rec, QStringLiteral("期中成绩分段次数统计表")));
        // 12 columns: title at the left, a 166 mm table.
        auto g12 = makeGrid(3, 12, [](int r, int c) { return r == 0 ? QStringLiteral("H%1").arg(c) : QString::number(c); });
        layBands(*f, dest, {QStringLiteral("期中"), QStringLiteral("语文"), g12.get()});
        rec = page(f, 1);
        QCOMPARE(textLeft(rec, QStringLiteral("期中成绩分段次数统计表")), 0.0);
        QVERIFY2(sameTwips(thickVerticals(rec), {0, 166}), qPrintable(joinTwips(thickVerticals(rec))));

        // Subject comparison: 23 + 25 + 7 × 17 = 167 mm.
        auto gc = makeGrid(3, 10, [](int r, int c) { return r == 0 ? QString() : QString::number(r * 10 + c); });
        layComparison(*f, dest, {QStringLiteral("期中"), gc.get()});
        rec = page(f, 1);
        QVERIFY2(sameTwips(thickVerticals(rec), {0, 167}), qPrintable(joinTwips(thickVerticals(rec))));

        // Single-subject sheet: the information block and the table are 168 mm wide; the band
        // line starts at the left of its cell (19 mm plus the 1 mm cell margin), the other texts
        // are centred in their cells.
        SubjectSheetInput in;
        in.exam = QStringLiteral("期中");
        in.cohortYear = QStringLiteral("2007");
        in.classChoice = QStringLiteral("3");
        in.statShown[7] = true;
        in.stats[7] = QStringLiteral("4");
        in.bandCaptions[7] = QStringLiteral("<60分人数:");
        auto gs = makeGrid(3, 12, [](int r, int c) { return r == 0 ? QStringLiteral("h%1").arg(c) : QStringLiteral("%1.%2").arg(r).arg(c); });
        in.grid = gs.get();
        laySubjectSheet(*f, dest, in);
        rec = page(f, 1);
        QVERIFY2(sameTwips(thickVerticals(rec), {0, 168}), qPrintable(joinTwips(thickVerticals(rec))));
        // Thick: the information block's top, the table's top and its bottom; the block's bottom is
        // width 1, 4 mm above the table.
        {
            const std::set<int> ys = thickRules(rec);
            QCOMPARE(ys.size(), size_t(3));
            const std::vector<int> v(ys.begin(), ys.end());
            QVERIFY(std::abs(v[1] - v[0] - mmToTwips(4 * 6 + 4)) <= 2);
            QVERIFY(std::abs(v[2] - v[1] - mmToTwips(6 + 2 * 6)) <= 2);
        }
        QVERIFY(std::abs(textLeft(rec, QStringLiteral("<60(4)")) - mmToTwips(20)) <= 2);
        QVERIFY(textLeft(rec, QStringLiteral("2007(3)")) > mmToTwips(20));
        // Table text is centred: grid column 1 of row 1 lies well right of the cell's left edge.
        QVERIFY(textLeft(rec, QStringLiteral("1.1")) > mmToTwips(2));
        // Title and information block in the document's regular weight; the table heading bold.
        QVERIFY(!boldText(rec, QStringLiteral("期中单科成绩单")));
        QVERIFY(!boldText(rec, QStringLiteral("学    届")));
        QVERIFY(boldText(rec, QStringLiteral("h1")));
        QVERIFY(!boldText(rec, QStringLiteral("1.1")));

        // Titles in 黑体, tables in 宋体; the band statistics' item line keeps the title's face.
        const QString hei = QStringLiteral("黑体"), song = QStringLiteral("宋体");
        QCOMPARE(textFamily(rec, QStringLiteral("期中单科成绩单")), hei);
        QCOMPARE(textFamily(rec, QStringLiteral("学    届")), song);
        QCOMPARE(textFamily(rec, QStringLiteral("<60(4)")), song);
        QCOMPARE(textFamily(rec, QStringLiteral("1.1")), song);
        layComparison(*f, dest, {QStringLiteral("期中"), gc.get()});
        rec = page(f, 1);
        QCOMPARE(textFamily(rec, QStringLiteral("期中各班各科成绩对照表")), hei);
        QCOMPARE(textFamily(rec, QStringLiteral("学 科")), song);
        QCOMPARE(textFamily(rec, QStringLiteral("11")), song);
        layBands(*f, dest, {QStringLiteral("期中"), QStringLiteral("语文"), g14.get()});
        rec = page(f, 1);
        QCOMPARE(textFamily(rec, QStringLiteral("期中成绩分段次数统计表")), hei);
        QCOMPARE(textFamily(rec, QStringLiteral("学科：语文")), hei);
        QVERIFY(!boldText(rec, QStringLiteral("学科：语文")));
        QCOMPARE(textFamily(rec, QStringLiteral("班 级")), song);
        QCOMPARE(textFamily(rec, QStringLiteral("1/5")), song);
        auto ga = makeGrid(2, 14, [](int r, int c) { return r == 0 ? QStringLiteral("A%1").arg(c) : QStringLiteral("a%1").arg(c); });
        layAverage(*f, dest, {QStringLiteral("期中"), QStringLiteral("2007"), 5, ga.get()});
        rec = page(f, 1);
        QCOMPARE(textFamily(rec, QStringLiteral("期中平均成绩册(2007学届)")), hei);
        QVERIFY(!boldText(rec, QStringLiteral("期中平均成绩册(2007学届)")));
        QCOMPARE(textFamily(rec, QStringLiteral("班 级")), song);
        QCOMPARE(textFamily(rec, QStringLiteral("a2")), song);
        auto gb = makeGrid(2, 8, [](int r, int c) { return r == 0 ? QStringLiteral("B%1").arg(c) : QStringLiteral("b%1").arg(c); });
        layAllSubjects(*f, dest, {QStringLiteral("期中"), QStringLiteral("1"), {true, false, false, false, false}, 1, gb.get()});
        rec = page(f, 1);
        QCOMPARE(textFamily(rec, QStringLiteral("期中成绩册 1")), hei);
        QCOMPARE(textFamily(rec, QStringLiteral("B1")), song);
        QVERIFY(boldText(rec, QStringLiteral("B1")));
        QCOMPARE(textPoints(rec, QStringLiteral("B1")), 10.0);
        QCOMPARE(textFamily(rec, QStringLiteral("b7")), song);
        QCOMPARE(textPoints(rec, QStringLiteral("b7")), 9.0);
        auto gl = makeGrid(2, 5, [](int r, int c) { return r == 0 ? QStringLiteral("L%1").arg(c) : QStringLiteral("l%1").arg(c); });
        layLabels(*f, dest, {QStringLiteral("期中"), gl.get()});
        rec = page(f, 1);
        QCOMPARE(textFamily(rec, QStringLiteral("L4")), song);
        QCOMPARE(textFamily(rec, QStringLiteral("l4")), song);
    }

    void reportsPrintedToPdf()
    {
        // The score book with every box and the single-subject sheet printed to PDF files (kept in
        // LAYOUT_DEMO_DIR when it is set, to look at), measured with the real fonts.
        QTemporaryDir tmp;
        const QString dir = qEnvironmentVariableIsSet("LAYOUT_DEMO_DIR") ? qEnvironmentVariable("LAYOUT_DEMO_DIR") : tmp.path();
        gReportCode = 0;
        windows::show(QStringLiteral("printsform"));
        printsform *f = preview();
        f->curpage = 0;
        LumoPrinter *lp = f->LumoPrinter1;
        lp->Printer()->setOutputFormat(QPrinter::PdfFormat);

        const QStringList heads = bookHeads({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("思想政治"),
                                             QStringLiteral("物理"), QStringLiteral("化学"), QStringLiteral("历史"), QStringLiteral("地理"),
                                             QStringLiteral("生物"), QStringLiteral("综合科"), QStringLiteral("信息技术"),
                                             QStringLiteral("通用技术"), QStringLiteral("总分1"), QStringLiteral("总分2")},
                                            kThreeRanks);
        auto g = makeGrid(21, heads.size(), [&](int r, int c) {
            if (r == 0)
                return heads[c];
            switch (c) {
            case 0: return QString();
            case 1: return QStringLiteral("2007%1").arg(r, 4, 10, QLatin1Char('0'));
            case 2: return QStringLiteral("学生%1").arg(r);
            case 3: return QStringLiteral("3");
            case 4: return QString::number(r);
            default: break;
            }
            const int k = (c - 5) % 4;
            if (k == 0)
                return c >= 53 ? QStringLiteral("%1.5").arg(600 + r) : QString::number(60 + (r * c) % 90);
            return QString::number(k * 7 + r);
        });
        int dest = 1;
        const QString book = dir + QStringLiteral("/score_book.pdf");
        lp->Printer()->setOutputFileName(book);
        layAllSubjects(*f, dest, {QStringLiteral("期末考试"), QStringLiteral("3"), {true, true, true, true, true}, 12, g.get()});
        QCOMPARE(pdfPages(book), 2);
        QCOMPARE(missingInPdf(book, {QStringLiteral("期末考试成绩册 3"), QStringLiteral("通用技术"), QStringLiteral("学生20"),
                                     QStringLiteral("第2页")}),
                 QStringList());

        SubjectSheetInput in;
        in.exam = QStringLiteral("期末考试");
        in.subject = QStringLiteral("数学");
        in.classChoice = QStringLiteral("3");
        in.cohortYear = QStringLiteral("2007");
        in.date = QStringLiteral("2008-09-01");
        const char *captions[] = {"<60分人数:", "<70分人数:", "<80分人数:", "<90分人数:", "<100分人数:",
                                  "<110分人数:", "<120分人数:", "<130分人数:", ">=130分人数:"};
        for (int i = 0; i < 16; ++i)
            in.stats[size_t(i)] = QString::number(i < 7 ? 90 + i : i);
        for (int i = 7; i <= 15; ++i) {
            in.statShown[size_t(i)] = true;
            in.bandCaptions[size_t(i)] = QString::fromUtf8(captions[i - 7]);
        }
        const QStringList &sheetHeads = subjectSheetHeads();
        auto s = makeGrid(41, 12, [&](int r, int c) {
            if (r == 0)
                return sheetHeads[c];
            if (c == 0 || c == 6)
                return QString();
            const int st = 2 * r - (c < 6 ? 1 : 0);
            const int k = c < 6 ? c : c - 6;
            return k == 1 ? QStringLiteral("3") : k == 2 ? QString::number(st) : k == 3 ? QStringLiteral("学生%1").arg(st)
                   : k == 4 ? QString::number(st % 7 ? 60 + st : 0) : st % 7 ? QString() : QStringLiteral("缺考");
        });
        in.grid = s.get();
        // A fresh preview: its print control starts from the defaults (A4 upright, 20 mm margins),
        // not from the score book's landscape page.
        f->Unload();
        windows::show(QStringLiteral("printsform"));
        f = preview();
        f->curpage = 0;
        lp = f->LumoPrinter1;
        lp->Printer()->setOutputFormat(QPrinter::PdfFormat);
        QCOMPARE(lp->Orientation(), 1);
        const QString sheet = dir + QStringLiteral("/subject_sheet.pdf");
        lp->Printer()->setOutputFileName(sheet);
        laySubjectSheet(*f, dest, in);
        QCOMPARE(pdfPages(sheet), 2);
        QCOMPARE(missingInPdf(sheet, {QStringLiteral("期末考试单科成绩单"), QStringLiteral("2007(3)"), QStringLiteral(">=130(15)"),
                                      QStringLiteral("学生80")}),
                 QStringList());

        // Labels: seven score columns, twelve students (two pages).
        const QStringList labelHeads = {QString(), QStringLiteral("    学   号"), QStringLiteral("   姓 名"), QStringLiteral("座号"),
                                        QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("物理"),
                                        QStringLiteral("化学"), QStringLiteral("生物"), QStringLiteral("总分1")};
        auto l = makeGrid(13, 11, [&](int r, int c) {
            if (r == 0)
                return labelHeads[c];
            return c == 0 ? QString() : c == 1 ? QStringLiteral("2007%1").arg(r, 4, 10, QLatin1Char('0'))
                   : c == 2 ? (r % 2 ? QStringLiteral("王五") : QStringLiteral("欧阳小明")) : c == 3 ? QString::number(r)
                   : c == 10 ? QStringLiteral("%1.5").arg(500 + r) : QString::number(60 + r + c);
        });
        const QString labels = dir + QStringLiteral("/labels.pdf");
        lp->Printer()->setOutputFileName(labels);
        layLabels(*f, dest, {QStringLiteral("期末考试"), l.get()});
        QCOMPARE(pdfPages(labels), 2);
        // The labels print no title: the job is named for them all the same.
        const QString info = test::runTool(QStringLiteral("pdfinfo"), {labels});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+期末考试成绩标签\n"))), qPrintable(info));
        QCOMPARE(missingInPdf(labels, {QStringLiteral("学号：20070001").normalized(QString::NormalizationForm_KC),
                                       QStringLiteral("512.5")}),
                 QStringList());
    }

    // A score or total too wide for its cell is drawn whole on one line, smaller: "736.5" in the
    // score book with three rank boxes never reads "736" over ".5". In the PDF too.
    void numbersNeverWrap()
    {
        printsform *f = freshPreview();
        const QStringList heads = bookHeads({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("总分1"), QStringLiteral("总分2")},
                                            kThreeRanks);
        auto g = makeGrid(3, heads.size(), [&](int r, int c) {
            if (r == 0)
                return heads[c];
            if (c == 0)
                return QString();
            if (c <= 4)
                return QStringLiteral("r%1c%2").arg(r).arg(c);
            if ((c - 5) % 4)
                return QString::number(r * 10 + (c - 5) % 4);
            return c == 13 ? QStringLiteral("736.5") : c == 17 ? QStringLiteral("61%1.5").arg(r) : QStringLiteral("98");
        });
        AllSubjectsInput in{QStringLiteral("期末考试"), QStringLiteral("3"), {true, true, true, true, true}, 2, g.get()};
        int dest = 0;
        layAllSubjects(*f, dest, in);
        const PageRecord rec = page(f, 1);
        const QStringList t = rec.texts();
        QVERIFY2(t.contains(QStringLiteral("736.5")), qPrintable(t.join(QLatin1Char('|'))));
        QVERIFY(!t.contains(QStringLiteral("736")) && !t.contains(QStringLiteral(".5")));
        QVERIFY(textPoints(rec, QStringLiteral("736.5")) < 9);
        // Within its 8 mm cell (one millimetre of cell margin either side).
        for (const CellBox &c : cellBoxes(rec)) {
            if (c.text() == QStringLiteral("736.5")) {
                QCOMPARE(int(c.texts.size()), 1);
                QVERIFY(fixedWidth(rec, *c.texts.front()) / 56.6929 <= c.w - 2 + 0.01);
            }
        }
        // A score that fits keeps the row's 9 points.
        QCOMPARE(textPoints(rec, QStringLiteral("98")), 9.0);

        QTemporaryDir dir;
        const QString pdf = (qEnvironmentVariableIsSet("LAYOUT_DEMO_DIR") ? qEnvironmentVariable("LAYOUT_DEMO_DIR") : dir.path())
            + QStringLiteral("/score_book_portrait.pdf");
        f->LumoPrinter1->Printer()->setOutputFormat(QPrinter::PdfFormat);
        f->LumoPrinter1->Printer()->setOutputFileName(pdf);
        f->LumoPrinter1->setTextMetrics(nullptr);
        dest = 1;
        layAllSubjects(*f, dest, in);
        QVERIFY2(pdfText(pdf).contains(QStringLiteral("736.5")), qPrintable(pdfText(pdf)));
    }

    // Every column on the paper: band statistics of twenty bands and the widest score book are
    // narrowed to the space between their margins; the usual widths stay as they are.
    void columnsStayOnThePaper()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        int dest = 0;
        // 26 columns: 20 + 11 + 23 × 15 = 376 mm on the 277 mm of A4 landscape.
        auto g = makeGrid(4, 26, [](int r, int c) { return r == 0 ? QStringLiteral("H%1").arg(c) : QStringLiteral("%1/%2").arg(r).arg(c); });
        layBands(*f, dest, {QStringLiteral("期中"), QStringLiteral("语文"), g.get()});
        PageRecord rec = page(f, 1);
        QVERIFY(rec.texts().contains(QStringLiteral("H25")) && rec.texts().contains(QStringLiteral("3/25")));
        QCOMPARE(lp->LeftMargin(), 10.0f);
        QVERIFY2(sameTwips(thickVerticals(rec), {0, 277}), qPrintable(joinTwips(thickVerticals(rec))));
        QVERIFY(cellExtent(rec).right() <= lp->ScaleWidth() + 0.01);
        // The texts inside their narrowed cells.
        for (const CellBox &c : cellBoxes(rec)) {
            for (const PageOp *op : c.texts)
                QVERIFY2(op->x1 + fixedWidth(rec, *op) <= (c.x + c.w) * 56.6929 + 1, qPrintable(op->text));
        }
        // 14 columns stay 196 mm wide: 2 mm into the right margin, still on the paper.
        auto g14 = makeGrid(3, 14, [](int r, int c) { return r == 0 ? QStringLiteral("H%1").arg(c) : QString::number(r + c); });
        lp->setOrientation(1);
        layBands(*f, dest, {QStringLiteral("期中"), QStringLiteral("语文"), g14.get()});
        QVERIFY(sameTwips(thickVerticals(page(f, 1)), {0, 196}));

        // The widest score book: twelve subjects, every box. Its frame and page head stay on the
        // paper: nothing left of the paper's edge, nothing right of the printable width.
        QStringList heads = {QString(), QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"), QStringLiteral("座号")};
        for (int j = 1; j <= 14; ++j)
            heads << QStringLiteral("科%1").arg(j) << QStringLiteral("班名") << QStringLiteral("类名") << QStringLiteral("年名");
        auto book = makeGrid(3, heads.size(), [&](int r, int c) { return r == 0 ? heads[c] : c == 0 ? QString() : QString::number(r + c); });
        layAllSubjects(*f, dest, {QStringLiteral("期末考试"), QStringLiteral("3"), {true, true, true, true, true}, 12, book.get()});
        rec = page(f, 1);
        QVERIFY(lp->LeftMargin() >= 0);
        QVERIFY(cellExtent(rec).left() >= 0);
        QVERIFY2(cellExtent(rec).right() <= lp->ScaleWidth() + 0.01, qPrintable(QString::number(cellExtent(rec).right())));
        QVERIFY(textLeft(rec, QStringLiteral("Quorvane")) >= 0);
        QVERIFY(rec.texts().contains(QStringLiteral("科14")));
    }

    // The single-subject sheet on landscape paper: as many rows a page as fit under its title and
    // information block, every student printed, page 2 alone as page 2 of the whole sheet.
    void subjectSheetOnLandscape()
    {
        printsform *f = freshPreview();
        LumoPrinter *lp = f->LumoPrinter1;
        lp->setOrientation(2);
        auto g = makeGrid(71, 12, [](int r, int c) {
            if (r == 0)
                return QStringLiteral("H%1").arg(c);
            return c == 3 ? QStringLiteral("生%1").arg(2 * r - 1) : c == 9 ? QStringLiteral("生%1").arg(2 * r) : QString();
        });
        SubjectSheetInput in;
        in.exam = QStringLiteral("期中考试");
        in.grid = g.get();
        int dest = 0;
        laySubjectSheet(*f, dest, in);
        QVERIFY(pages(f) >= 3);
        QStringList seen;
        for (int p = 1; p <= pages(f); ++p) {
            const PageRecord rec = page(f, p);
            const double foot = textTop(rec, QStringLiteral("第%1页").arg(p));
            QVERIFY(foot > 0);
            QVERIFY2(cellExtent(rec).bottom() * 56.6929 < foot, qPrintable(QString::number(p)));
            for (const QString &t : rec.texts())
                if (t.startsWith(QStringLiteral("生")))
                    seen << t;
        }
        QCOMPARE(seen.size(), 140);
        QStringList whole;
        for (const QString &t : pageTexts(f, 2))
            if (t.startsWith(QStringLiteral("生")))
                whole << t;
        f->curpage = 2;
        laySubjectSheet(*f, dest, in);
        f->curpage = 0;
        QStringList alone;
        for (const QString &t : pageTexts(f, 1))
            if (t.startsWith(QStringLiteral("生")))
                alone << t;
        QCOMPARE(alone, whole);
        lp->setOrientation(1);
    }

    void comparisonFromItsWindowPrintedToPdf()
    {
        QTemporaryDir dir;
        test::TempData data;
        data.addCohort(QStringLiteral("2007"), QStringLiteral("db2007"), 12, 1);
        gCohortYear = QStringLiteral("2007");
        gCohortDbFile = QStringLiteral("db2007.mdb");
        auto *w = windows::get<gkdz>(QStringLiteral("gkdz"));
        w->Load();
        w->Combo1->addItem(QStringLiteral("期末考试"));
        w->Combo1->setCurrentIndex(w->Combo1->count() - 1);
        Grid *g = w->Grid1;
        g->setCols(10);
        g->setRows(41);
        for (int r = 1; r <= 40; ++r) {
            g->setTextMatrix(r, 1, r == 1 ? QStringLiteral("语文") : QString());
            g->setTextMatrix(r, 2, r == 40 ? QStringLiteral("全年级") : QStringLiteral("高一(%1)班").arg(r));
            for (int c = 3; c <= 9; ++c)
                g->setTextMatrix(r, c, QString::number(r * 10 + c));
        }
        w->Hide();
        gReportCode = 36;
        windows::show(QStringLiteral("printsform"));
        printsform *f = preview();
        QCOMPARE(f->LumoPrinter1->PageCount(), 2);
        QVERIFY(pageTexts(f, 2).contains(QStringLiteral("全年级")));

        // The whole report.
        const QString all = dir.filePath(QStringLiteral("gkdz.pdf"));
        f->LumoPrinter1->Printer()->setOutputFormat(QPrinter::PdfFormat);
        f->LumoPrinter1->Printer()->setOutputFileName(all);
        QVERIFY(test::press(f->LumoPrinter1->cmdPrint));
        QCOMPARE(pdfPages(all), 2);
        QCOMPARE(missingInPdf(all, {QStringLiteral("期末考试各班各科成绩对照表"), QStringLiteral("高一(35)班"), QStringLiteral("全年级"),
                                    QStringLiteral("第2页"), QStringLiteral("409")}),
                 QStringList());

        // The page on view alone: page 2's heading row and rows, no title, numbered page 1.
        f->LumoPrinter1->SetViewPage(2);
        const QString one = dir.filePath(QStringLiteral("page2.pdf"));
        f->LumoPrinter1->Printer()->setOutputFileName(one);
        QVERIFY(test::press(f->LumoPrinter1->cmdPrint2));
        QCOMPARE(pdfPages(one), 1);
        QCOMPARE(missingInPdf(one, {QStringLiteral("高一(36)班"), QStringLiteral("全年级"), QStringLiteral("准"), QStringLiteral("第1页")}),
                 QStringList());
        const QString text = pdfText(one);
        QVERIFY(!text.contains(QStringLiteral("期末考试各班各科成绩对照表")));
        QVERIFY(!text.contains(QStringLiteral("高一(35)班")));

        // Closing the preview shows the comparison window again with its grid.
        f->Unload();
        QVERIFY(w->isVisible());
        QCOMPARE(w->Grid1->Rows(), 41);
    }

    void layoutsReadTheirWindows()
    {
        test::TempData data;
        data.addCohort(QStringLiteral("2007"), QStringLiteral("db2007"), 12, 1);
        gCohortYear = QStringLiteral("2007");
        gCohortDbFile = QStringLiteral("db2007.mdb");

        // The single-subject window: its grid, choosers and the band labels it shows.
        auto *w = windows::get<dkcj>(QStringLiteral("dkcj"));
        w->Load();
        // The window keeps its cohort; another chosen since does not reach the sheet.
        gCohortYear = QStringLiteral("2099");
        w->Combo1->addItem(QStringLiteral("月考"));
        w->Combo1->setCurrentIndex(w->Combo1->count() - 1);
        w->Combo2->addItem(QStringLiteral("物理"));
        w->Combo2->setCurrentIndex(w->Combo2->count() - 1);
        w->Combo3->setCurrentIndex(w->Combo3->findText(QStringLiteral("文科")));
        for (int i = 0; i < 16; ++i)
            w->Label2[size_t(i)]->setText(QString::number(i));
        for (int i = 7; i <= 15; ++i) {
            w->Label2[size_t(i)]->setVisible(i <= 9);
            w->Label3[size_t(i)]->setVisible(i <= 9);
        }
        w->Grid1->setRows(2);
        w->Grid1->setTextMatrix(1, 3, QStringLiteral("张三"));
        w->Hide();
        gReportCode = 33;
        windows::show(QStringLiteral("printsform"));
        const QStringList t = pageTexts(preview(), 1);
        QVERIFY2(t.contains(QStringLiteral("月考单科成绩单")), qPrintable(t.join('|')));
        QVERIFY(t.contains(QStringLiteral("2007(文科)")));
        QVERIFY(t.contains(QStringLiteral("物理")));
        QVERIFY(t.contains(QStringLiteral("2008-09-01")));
        QVERIFY(t.contains(QStringLiteral("<60(7)，<70(8)，<80(9)")));
        QVERIFY(t.contains(QStringLiteral("张三")));
        preview()->Unload();

        // The score book: the check boxes as they stand decide the columns.
        gCohortYear = QStringLiteral("2007");
        auto *b = windows::get<gkcj>(QStringLiteral("gkcj"));
        b->Load();
        b->Combo1->addItem(QStringLiteral("期末"));
        b->Combo1->setCurrentIndex(b->Combo1->count() - 1);
        b->Combo3->setCurrentIndex(b->Combo3->findText(QStringLiteral("年级")));
        for (QCheckBox *c : b->Check1) {
            const QSignalBlocker block(c);
            c->setChecked(false);
        }
        {
            const QSignalBlocker block(b->Check1[0]);
            b->Check1[0]->setChecked(true);
        }
        const QStringList heads = {QString(), QStringLiteral("    学   号"), QStringLiteral("   姓 名"), QStringLiteral("班级"),
                                   QStringLiteral("座号"), QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("总分1"),
                                   QStringLiteral("总分2")};
        b->Grid1->setCols(heads.size());
        b->Grid1->setRows(2);
        for (int c = 0; c < heads.size(); ++c) {
            b->Grid1->setTextMatrix(0, c, heads[c]);
            if (c > 0)
                b->Grid1->setTextMatrix(1, c, QStringLiteral("v%1").arg(c));
        }
        b->Hide();
        gReportCode = 34;
        gReportSubjectCount = 2;
        windows::show(QStringLiteral("printsform"));
        const QStringList s = pageTexts(preview(), 1);
        QVERIFY2(s.contains(QStringLiteral("期末成绩册 年级")), qPrintable(s.join('|')));
        QVERIFY(s.contains(QStringLiteral("数学")));
        QVERIFY(s.contains(QStringLiteral("v8")));
        QVERIFY(!s.contains(QStringLiteral("成绩")));
        preview()->Unload();

        // Labels, band statistics and the average book: their choosers' texts and grids; the
        // average book's title shows the window's own cohort.
        auto fill = [](Grid *g, int rows, int cols) {
            g->setCols(cols);
            g->setRows(rows);
            for (int r = 0; r < rows; ++r)
                for (int c = 1; c < cols; ++c)
                    g->setTextMatrix(r, c, QStringLiteral("c%1_%2").arg(r).arg(c));
        };
        auto choose = [](QComboBox *box, const QString &text) {
            const QSignalBlocker block(box);
            box->addItem(text);
            box->setCurrentIndex(box->count() - 1);
        };
        auto *l = windows::get<cjbq>(QStringLiteral("cjbq"));
        l->Load();
        choose(l->Combo1, QStringLiteral("期中"));
        fill(l->Grid1, 3, 6);
        l->Hide();
        auto *bands = windows::get<fdtj>(QStringLiteral("fdtj"));
        bands->Load();
        choose(bands->Combo1, QStringLiteral("期中"));
        choose(bands->Combo2, QStringLiteral("化学"));
        fill(bands->Grid1, 3, 12);
        bands->Hide();
        auto *avg = windows::get<average>(QStringLiteral("average"));
        avg->Load();
        gCohortYear = QStringLiteral("2099");
        choose(avg->Combo1, QStringLiteral("期中"));
        fill(avg->Grid1, 3, 14);
        avg->Hide();

        gReportCode = 38;
        windows::show(QStringLiteral("printsform"));
        const QString six(6, QLatin1Char(' '));
        QVERIFY(pageTexts(preview(), 1).contains(QStringLiteral("期中") + six + QStringLiteral("学号：c2_1") + six
                                                 + QStringLiteral("姓名：c2_2  座号：c2_3")));
        preview()->Unload();
        gReportCode = 37;
        windows::show(QStringLiteral("printsform"));
        QVERIFY(pageTexts(preview(), 1).contains(QStringLiteral("学科：化学")));
        QVERIFY(pageTexts(preview(), 1).contains(QStringLiteral("c2_11")));
        preview()->Unload();
        gReportCode = 35;
        gReportSubjectCount = 5;
        windows::show(QStringLiteral("printsform"));
        QVERIFY(pageTexts(preview(), 1).contains(QStringLiteral("期中平均成绩册(2007学届)")));
        QVERIFY(pageTexts(preview(), 1).contains(QStringLiteral("c2_13")));
    }
};

QTEST_MAIN(TestLayoutsReports)
#include "tst_layouts_reports.moc"
