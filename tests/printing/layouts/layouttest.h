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
#include "shell/managst.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QToolBar>
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

// One table cell as the page records it: its box in mm (x from the left edge of the printable
// area, y from its top), the pen widths of its left, top, right and bottom edges as a border code
// ("2211"), and the texts drawn inside it with their fonts.
struct CellBox
{
    double x = 0, y = 0, w = 0, h = 0;
    QString code;
    QList<const PageOp *> texts;
    QString text() const
    {
        QStringList t;
        for (const PageOp *op : texts)
            t << op->text;
        return t.join(QString());
    }
};

// A text without its trailing blanks (a cell's last blanks may wrap onto a line that its height
// does not hold).
inline QString chopBlanks(QString t)
{
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    return t;
}

// The cells of a page in drawing order. A cell's box is either one rectangle (all four edges of
// one width) or four lines drawn left, top, right, bottom; the digits are the pen widths in units
// of the page's thinnest pen. The frame of the printable area (the preview's grey box) is no cell.
inline std::vector<CellBox> cellBoxes(const PageRecord &rec)
{
    constexpr double tw = 56.6929;
    float unit = 1e9f;
    for (const PageOp &op : rec.ops) {
        if ((op.kind == PageOp::Line || op.kind == PageOp::Rect) && op.penWidth > 0)
            unit = std::min(unit, op.penWidth);
    }
    const auto digit = [unit](const PageOp &op) { return QString::number(int(std::lround(op.penWidth / unit))); };
    const auto near = [](float a, float b) { return std::abs(a - b) < 0.5f; };
    std::vector<CellBox> out;
    const auto &ops = rec.ops;
    for (size_t i = 0; i < ops.size(); ++i) {
        const PageOp &op = ops[i];
        CellBox c;
        if (op.kind == PageOp::Rect) {
            if (near(op.x1, 0) && near(op.y1, 0) && op.y2 - op.y1 > 150 * tw)
                continue; // the printable area
            c.x = op.x1 / tw, c.y = op.y1 / tw, c.w = (op.x2 - op.x1) / tw, c.h = (op.y2 - op.y1) / tw;
            c.code = digit(op).repeated(4);
        } else if (op.kind == PageOp::Line && i + 3 < ops.size()) {
            const PageOp &l = op, &t = ops[i + 1], &r = ops[i + 2], &b = ops[i + 3];
            const bool box = t.kind == PageOp::Line && r.kind == PageOp::Line && b.kind == PageOp::Line
                && near(l.x1, l.x2) && near(t.y1, t.y2) && near(r.x1, r.x2) && near(b.y1, b.y2)
                && near(t.x1, l.x1) && near(t.y1, l.y1) && near(r.x1, t.x2) && near(b.y1, l.y2)
                && near(b.x1, l.x1) && near(b.x2, r.x1) && near(r.y1, t.y1) && near(r.y2, b.y1);
            if (!box)
                continue;
            c.x = l.x1 / tw, c.y = l.y1 / tw, c.w = (t.x2 - t.x1) / tw, c.h = (l.y2 - l.y1) / tw;
            c.code = digit(l) + digit(t) + digit(r) + digit(b);
            i += 3;
        } else {
            continue;
        }
        for (size_t k = i + 1; k < ops.size() && ops[k].kind == PageOp::Text; ++k) {
            const PageOp &tx = ops[k];
            if (tx.x1 >= c.x * tw - 1 && tx.x1 <= (c.x + c.w) * tw && tx.y1 >= c.y * tw - 1 && tx.y1 <= (c.y + c.h) * tw)
                c.texts << &tx;
        }
        out.push_back(c);
    }
    return out;
}

// The cells of a page grouped into rows (cells whose tops lie within 0.05 mm), top to bottom.
inline std::vector<std::vector<CellBox>> cellRows(const PageRecord &rec)
{
    std::vector<std::vector<CellBox>> rows;
    for (const CellBox &c : cellBoxes(rec)) {
        if (!rows.empty() && std::abs(rows.back().front().y - c.y) < 0.05)
            rows.back().push_back(c);
        else
            rows.push_back({c});
    }
    return rows;
}

// The border codes of a row of cells, left to right.
inline QStringList codesOf(const std::vector<CellBox> &row)
{
    QStringList out;
    for (const CellBox &c : row)
        out << c.code;
    return out;
}

// The widths of a row of cells (mm, to 0.01).
inline QList<double> widthsOf(const std::vector<CellBox> &row)
{
    QList<double> out;
    for (const CellBox &c : row)
        out << std::round(c.w * 100) / 100;
    return out;
}

// Border codes of a table row of n cells: "first", n - 2 times "middle", "last".
inline QStringList rowCodes(const QString &first, const QString &middle, const QString &last, int n)
{
    QStringList out{first};
    for (int i = 0; i < n - 2; ++i)
        out << middle;
    out << last;
    return out;
}

// The box around all cells of a page in mm, from the corner of the printable area (empty when the
// page has no cell).
inline QRectF cellExtent(const PageRecord &rec)
{
    QRectF box;
    for (const CellBox &c : cellBoxes(rec))
        box = box.isNull() ? QRectF(c.x, c.y, c.w, c.h) : box.united(QRectF(c.x, c.y, c.w, c.h));
    return box;
}

// The paper's right and bottom edges in mm, from the corner of the printable area.
inline QPointF paperEnd(const PageRecord &rec)
{
    constexpr double tw = 56.6929;
    return QPointF((rec.paperWidth - rec.originX) / tw, (rec.paperHeight - rec.originY) / tw);
}

// The first text op of the page with this text (nullptr when none).
inline const PageOp *findText(const PageRecord &rec, const QString &text)
{
    for (const PageOp &op : rec.ops) {
        if (op.kind == PageOp::Text && op.text == text)
            return &op;
    }
    return nullptr;
}

// Width and height (twips) of a text op under FixedTextMetrics: half an em for a character below
// U+0100, a whole em for any other, lines 1.25 em high.
inline double fixedWidth(const PageRecord &rec, const PageOp &op)
{
    const double em = rec.fonts.at(op.index).pixelSize();
    double w = 0;
    for (QChar c : op.text)
        w += c.unicode() < 0x100 ? em / 2 : em;
    return w;
}

inline double fixedHeight(const PageRecord &rec, const PageOp &op)
{
    return rec.fonts.at(op.index).pixelSize() * 1.25;
}

// Whether a text drawn under FixedTextMetrics stands centred in its cell both ways (alignment 4).
inline bool centredIn(const PageRecord &rec, const PageOp &op, const CellBox &c)
{
    constexpr double tw = 56.6929;
    const double cx = op.x1 + fixedWidth(rec, op) / 2, cy = op.y1 + fixedHeight(rec, op) / 2;
    return std::abs(cx - (c.x + c.w / 2) * tw) < 3 && std::abs(cy - (c.y + c.h / 2) * tw) < 3;
}

// The point size of a text op's font on the preview of zoom factor `zoom`.
inline double pointSize(const PageRecord &rec, const PageOp &op, double zoom)
{
    return rec.fonts.at(op.index).pixelSize() * zoom / 20.0;
}

using quorvane::test::pdfPages;
using quorvane::test::pdfText;

// Those of the wanted texts that the PDF file's text lacks; empty when it holds every one.
inline QStringList missingInPdf(const QString &pdf, const QStringList &wanted)
{
    const QString text = pdfText(pdf);
    QStringList missing;
    for (const QString &t : wanted) {
        if (!text.contains(t))
            missing << t;
    }
    return missing;
}

// A cohort 2008 (db2008.mdb) whose register holds n students S001 .. Snnn; false when a row could
// not be written.
[[nodiscard]] inline bool addStudents(test::TempData &data, int n)
{
    data.addCohort(QStringLiteral("2008"), QStringLiteral("db2008"));
    QSqlDatabase db;
    bool ok = openDatabase(data.cohortPath(QStringLiteral("db2008.mdb")), DbKind::Cohort, QStringLiteral("lt-coh"), &db);
    if (ok) {
        Transaction tr(db);
        for (int i = 1; ok && i <= n; ++i)
            ok = execSql(db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?,?,?,?,?)"),
                         {QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("学生%1").arg(i), 1 + i % 3, i,
                          1 + i % 3});
        ok = ok && tr.commit();
    }
    closeDatabase(db);
    gCohortYear = QStringLiteral("2008");
    gCohortDbFile = QStringLiteral("db2008.mdb");
    return ok;
}

// The student register of a cohort of n students, open on screen; nullptr when the cohort could
// not be written or the window did not open.
inline managst *showStudents(test::TempData &data, int n)
{
    if (!addStudents(data, n))
        return nullptr;
    windows::show(QStringLiteral("managst"));
    auto *m = windows::find<managst>(QStringLiteral("managst"));
    return m && m->isVisible() ? m : nullptr;
}

// Presses the register's 打印预览 tool button as a user does; false when it cannot be pressed.
[[nodiscard]] inline bool pressPrintPreview(managst *m)
{
    QToolBar *bar = m ? m->Toolbar1 : nullptr;
    if (!bar || bar->actions().isEmpty())
        return false;
    return test::press(qobject_cast<QAbstractButton *>(bar->widgetForAction(bar->actions().first())));
}

} // namespace layouttest
