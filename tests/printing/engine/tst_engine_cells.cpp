// Titles, text lines, flowing text, figures, table cells and direct printing of grids.
#include "enginetest.h"
#include "controls/grid/grid.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QtTest>

using namespace quorvane;
using namespace enginetest;

namespace {
constexpr double mm = lumo::TwipsPerMm;
// 9 pt with the fixed metrics: a Chinese character 180 twips wide, a line 225 twips high.
constexpr double Line = 225, Cjk = 180, Margin = 56.6929;

std::unique_ptr<LumoPrinter> startedPrinter()
{
    auto p = makePrinter();
    p->StartPrint();
    p->NewPage();
    return p;
}

// Operations drawn after `from` on the open page.
QVector<PageOp> newOps(const LumoPrinter &p, size_t from, quint8 kind)
{
    QVector<PageOp> out;
    const auto &ops = p.surfacePage().ops;
    for (size_t i = from; i < ops.size(); ++i) {
        if (ops[i].kind == kind)
            out.push_back(ops[i]);
    }
    return out;
}

// A 1200-dpi surface that only counts what it is asked to draw.
class CountingSurface : public QPaintDevice, public QPaintEngine
{
public:
    CountingSurface() : QPaintEngine(QPaintEngine::AllFeatures) {}
    QPaintEngine *paintEngine() const override { return const_cast<CountingSurface *>(this); }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 9921;
        case PdmHeight: return 14031;
        case PdmWidthMM: return 210;
        case PdmHeightMM: return 297;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 1200;
        case PdmDepth: return 32;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 1;
        }
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPath(const QPainterPath &path) override
    {
        ++paths;
        for (int i = 0; i < path.elementCount(); ++i)
            strokes += path.elementAt(i).isMoveTo();
    }
    void drawLines(const QLineF *, int n) override { lines += n; }
    void drawRects(const QRectF *, int n) override { lines += n; }
    void drawTextItem(const QPointF &, const QTextItem &) override { ++textItems; }
    Type type() const override { return User; }
    int paths = 0, strokes = 0, lines = 0, textItems = 0;
};
} // namespace

class tst_engine_cells : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpEngineTests(); }

    void titlesAndTextLines()
    {
        auto p = startedPrinter();
        const double W = p->paperWidthTwips() - 2 * 1133.858;
        size_t from = p->surfacePage().ops.size();
        p->TitleOut(QStringLiteral("成绩册"), 12, 2);
        auto t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 1);
        QCOMPARE(t[0].x1, float((W - 3 * 240) / 2));
        QCOMPARE(t[0].y1, 0.0f);
        QCOMPARE(p->currentYTwips(), 300 + Line); // the title line and one empty body line
        QCOMPARE(p->CurrentX(), 0.0f);
        QCOMPARE(p->FontSize(), 9.0f);

        from = p->surfacePage().ops.size();
        p->TitleOut(QStringLiteral("右"), 12, 1);
        p->TitleOut(QStringLiteral("左"), 12, 5);
        t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t[0].x1, float(W - 240));
        QCOMPARE(t[1].x1, 0.0f);

        // The body size comes back as a whole number.
        p->setFontSize(10.5f);
        p->TitleOut(QStringLiteral("题"), 12, 2);
        QCOMPARE(p->FontSize(), 10.0f);
        p->setFontSize(9);

        // TextOut: the line's height in mm, the position stays on the row.
        p->setCurrentY(50);
        const float h = p->TextOut(QStringLiteral("甲乙"));
        QCOMPARE(h, float(lumo::round4(Line / mm)));
        QCOMPARE(h, p->TextHeight(QStringLiteral("甲乙")));
        QCOMPARE(p->CurrentY(), 50.0f);
        QCOMPARE(p->CurrentX(), -20.0f); // back at the surface's left edge, the paper's margin

        // A line break: the text is measured and drawn as lines one under the other.
        p->setCurrentY(50);
        p->setCurrentX(10);
        from = p->surfacePage().ops.size();
        const float two = p->TextOut(QStringLiteral("甲\r\n乙乙乙"));
        QCOMPARE(two, float(lumo::round4(2 * Line / mm)));
        QCOMPARE(p->TextHeight(QStringLiteral("甲\r\n乙乙乙")), two);
        QCOMPARE(p->TextWidth(QStringLiteral("甲\r\n乙乙乙")), p->TextWidth(QStringLiteral("乙乙乙")));
        QCOMPARE(p->TextWidth(QStringLiteral("甲\r\n乙乙乙")), float(lumo::round4(3 * 180 / mm)));
        t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0].text, QStringLiteral("甲"));
        QCOMPARE(t[1].text, QStringLiteral("乙乙乙"));
        QCOMPARE(t[0].x1, float(lumo::mmToTwips(10)));
        QCOMPARE(t[1].x1, t[0].x1);
        QCOMPARE(t[1].y1, float(t[0].y1 + Line));
        QCOMPARE(p->CurrentY(), 50.0f);

        // NewRow: a line of "AA" plus the space, or the given height plus the space.
        p->setCurrentY(0);
        p->NewRow(1, 0, 5);
        QCOMPARE(p->CurrentY(), 6.0f);
        p->NewRow(0, 12);
        QVERIFY(std::abs(p->currentYTwips() - (lumo::mmToTwips(6) + Line)) < 1e-3);
        QCOMPARE(p->CurrentX(), 12.0f);
        p->EndDoc();
    }

    void lineAtThePageBottom()
    {
        // Flowing text tests the page after each line against the top of the line to follow: a
        // line that ends exactly at the bottom of the printable area breaks no page; the next line
        // is drawn from there, into the bottom margin, and the page breaks after it.
        for (const int lines : {65, 66}) {
            auto p = makePrinter();
            p->setPaperSize(9);
            p->setTopMargin(0);
            p->setBottomMargin(39.03487f); // the printable height is exactly 65 lines
            QCOMPARE(p->paperHeightTwips() - lumo::mmToTwips(39.03487f), 65 * Line);
            QVERIFY(p->StartPrint());
            p->NewPage();
            const int perLine = int((p->paperWidthTwips() - 2 * 1133.858) / Cjk);
            p->TextOutEx(QString(perLine * lines, QChar(0x5b57)), 0, 0, 0, 0);
            QCOMPARE(p->PageCount(), lines == 65 ? 1 : 2);
            p->EndDoc();
            PageRecord first;
            QVERIFY(p->loadPage(1, first));
            const auto t = opsOf(first, PageOp::Text);
            QCOMPARE(int(t.size()), lines);
            QCOMPARE(t.last().y1, float((lines - 1) * Line));
        }
    }

    void flowingText()
    {
        auto p = startedPrinter();
        const double W = p->paperWidthTwips() - 2 * 1133.858;
        const double H = p->paperHeightTwips() - 2 * 1133.858;
        size_t from = p->surfacePage().ops.size();
        p->TextOutEx(QStringLiteral("甲乙\r\n丙丁\r\n"));
        auto t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0].x1, 0.0f);
        QCOMPARE(t[1].x1, float(2 * Cjk));                              // indented by two 的
        QCOMPARE(t[1].y1, float(Line + 1 * mm + 2 * mm));                 // 2 mm lower than the next line
        QCOMPARE(p->currentXTwips(), 2 * Cjk);

        // Everything after two line breaks is dropped.
        from = p->surfacePage().ops.size();
        p->TextOutEx(QStringLiteral("一\r\n\r\n二"));
        QCOMPARE(newOps(*p, from, PageOp::Text).size(), 1);

        // A first paragraph where not one character fits is dropped, the second drawn.
        p->setCurrentX(200);
        from = p->surfacePage().ops.size();
        p->TextOutEx(QStringLiteral("丢\r\n留"));
        t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 1);
        QCOMPARE(t[0].text, QStringLiteral("留"));

        // Past the bottom: a page break after the line whose follower would start below H.
        QVector<QPair<int, QString>> autoPages;
        connect(p.get(), &LumoPrinter::NewPageAutoCreated, p.get(),
                [&](int page, const QString &name) { autoPages.push_back({page, name}); });
        const int perLine = int(W / Cjk);
        p->setCurrentX(0);
        p->setCurrentY(float((H - 283) / mm));
        p->TextOutEx(QString(perLine * 4, QChar(0x5b57)), 5);
        QCOMPARE(p->PageCount(), 2);
        QCOMPARE(autoPages.size(), 1);
        QCOMPARE(autoPages[0].second, QStringLiteral("TextOutEx"));
        QCOMPARE(autoPages[0].first, p->CurrentPage());
        t = opsOf(p->surfacePage(), PageOp::Text);
        QVERIFY(!t.isEmpty());
        QCOMPARE(t[0].y1, 0.0f);
        QCOMPARE(t[0].x1, float(lumo::mmToTwips(5)));
        p->EndDoc();
        PageRecord first;
        QVERIFY(p->loadPage(1, first));
        // Two lines on page 1: the first from x 0, the second from StartX 5 mm.
        const int rest = int((W - lumo::mmToTwips(5)) / Cjk);
        QCOMPARE(first.texts().mid(first.texts().size() - 2), (QStringList{QString(perLine, QChar(0x5b57)),
                                                                           QString(rest, QChar(0x5b57))}));
        int chars = 0;
        for (const auto &op : t)
            chars += int(op.text.size());
        QCOMPARE(chars, perLine * 4 - perLine - rest);
    }

    void figures()
    {
        auto p = startedPrinter();
        p->setForeColor(0x0000FF);
        size_t from = p->surfacePage().ops.size();
        p->DotOut(1, 1);
        p->LineOut(0, 0, 10, 10);
        p->CircleOut(20, 20, 5);
        p->CircleOut(20, 20, 5, 0x00FF00, 2);
        p->RectOut(0, 0, 10, 10);
        p->FilledRectOut(0, 0, 10, 10, 0xFF0000);
        const auto &ops = p->surfacePage().ops;
        QCOMPARE(ops.size() - from, size_t(6));
        QCOMPARE(ops[from].rgb, qRgb(255, 0, 0));     // surface colour
        QCOMPARE(ops[from + 1].rgb, qRgb(255, 0, 0));
        QCOMPARE(ops[from + 1].x2, float(lumo::mmToTwips(10)));
        QCOMPARE(ops[from + 2].rgb, qRgb(255, 0, 0));
        QCOMPARE(ops[from + 3].x2 * 2, ops[from + 3].y2); // aspect 2: twice as high as wide
        QCOMPARE(ops[from + 4].rgb, qRgb(0, 0, 0));   // an omitted rectangle colour is black
        QCOMPARE(ops[from + 5].rgb, qRgb(0, 0, 255));
        QCOMPARE(p->CurrentX(), 0.0f); // figures leave the position alone

        QImage img(96, 48, QImage::Format_RGB32);
        img.setDotsPerMeterX(3780);
        img.setDotsPerMeterY(3780);
        p->setCurrentX(30);
        p->setCurrentY(40);
        p->PictureOut(img);
        const PageOp &pic = p->surfacePage().ops.back();
        QCOMPARE(pic.kind, quint8(PageOp::Picture));
        QCOMPARE(pic.x1, float(lumo::mmToTwips(30)));
        QCOMPARE(pic.y1, float(lumo::mmToTwips(40)));
        QVERIFY(std::abs((pic.x2 - pic.x1) - 96 * 1000.0 / 3780 * mm) < 1); // natural size
        p->EndDoc();
    }

    void cellsTextAndHeight()
    {
        auto p = startedPrinter();
        // An empty text: one empty line.
        QCOMPARE(p->CellOut(QString(), 20), float(lumo::round4((Line + 2 * Margin) / mm)));
        // Two paragraphs: two lines, two row spaces.
        const double rs = lumo::mmToTwips(0.5);
        QCOMPARE(p->CellOut(QStringLiteral("甲\r\n乙"), 20),
                 float(lumo::round4((2 * Line + 2 * rs + 2 * Margin) / mm)));
        size_t from = p->surfacePage().ops.size();
        p->CellOut(QStringLiteral("甲\r\n\r\n乙"), 20);
        QCOMPARE(newOps(*p, from, PageOp::Text).size(), 1);

        // A given height of 8 mm holds 2 of 6 wrapped lines.
        from = p->surfacePage().ops.size();
        QCOMPARE(p->CellOut(QStringLiteral("一二三四五六"), 5.5f, 8), 8.0f);
        QCOMPARE(newOps(*p, from, PageOp::Text).size(), 2);
        // One line only.
        from = p->surfacePage().ops.size();
        p->CellOut(QStringLiteral("一二三四五六"), 5.5f, -1, 1, "1111", NoColor, false);
        auto t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 1);
        QCOMPARE(t[0].text, QStringLiteral("一"));

        // Position: top-right corner of the cell; a row moves down by its height.
        p->setCurrentX(10);
        p->setCurrentY(20);
        p->CellOut(QStringLiteral("甲"), 15);
        QCOMPARE(p->CurrentX(), 25.0f);
        QCOMPARE(p->CurrentY(), 20.0f);
        p->NewCellRow(0, 10, 7);
        QCOMPARE(p->CurrentY(), 27.0f);
        QCOMPARE(p->CurrentX(), 10.0f);
        p->NewCellRow(1);
        QVERIFY(std::abs(p->currentYTwips() - (lumo::mmToTwips(27) + lumo::round4(Line + 2 * Margin + mm))) < 1e-3);

        // Centred both ways; vertical text stacked and centred vertically.
        p->setCurrentX(0);
        p->setCurrentY(0);
        from = p->surfacePage().ops.size();
        p->CellOut(QStringLiteral("甲"), 20, 10, 4);
        t = newOps(*p, from, PageOp::Text);
        const double w20 = lumo::mmToTwips(20), h10 = lumo::mmToTwips(10);
        QCOMPARE(t[0].x1, float((w20 - Cjk - Margin + Margin) / 2));
        QCOMPARE(t[0].y1, float((h10 - Line) / 2));
        from = p->surfacePage().ops.size();
        p->CellOut(QStringLiteral("甲乙"), 20, 20, 10);
        t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0].x1, t[1].x1);
        QCOMPARE(t[0].x1, float(w20 + Margin));
        const double h20 = lumo::mmToTwips(20);
        QCOMPARE(t[0].y1, float((h20 - 2 * Line - rs) / 2));
        QCOMPARE(t[1].y1, float((h20 - 2 * Line - rs) / 2 + Line + rs));
        // Right aligned, bottom.
        p->setCurrentX(0);
        from = p->surfacePage().ops.size();
        p->CellOut(QStringLiteral("12"), 20, 10, 8);
        t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t[0].x1, float(w20 - 180 - Margin));
        QCOMPARE(t[0].y1, float(h10 - Line - Margin));
        p->EndDoc();
    }

    void cellAlignmentCodes()
    {
        auto p = startedPrinter();
        const double w20 = lumo::mmToTwips(20), h8 = lumo::mmToTwips(8), rs = lumo::mmToTwips(0.5);
        const auto cell = [&](const QString &text, float height, int code) {
            p->setCurrentX(0);
            p->setCurrentY(0);
            const size_t from = p->surfacePage().ops.size();
            p->CellOut(text, 20, height, code);
            return newOps(*p, from, PageOp::Text);
        };
        // Top: three lines asked for, two fit 8 mm; the second would pass the bottom margin and is
        // pulled back to half the margin above the bottom edge.
        auto t = cell(QStringLiteral("甲\r\n乙\r\n丙"), 8, 0);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0].x1, float(Margin));
        QCOMPARE(t[0].y1, float(Margin));
        QCOMPARE(t[1].y1, float(h8 - Margin / 2 - Line));
        // Bottom: the block ends one margin above the bottom edge; a first line that would start
        // above the top margin is pulled back to half the margin.
        t = cell(QStringLiteral("甲\r\n乙"), 8, 2);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0].y1, float(Margin / 2));
        QCOMPARE(t[1].y1, float(h8 - 2 * Line - rs - Margin + Line + rs));
        // Centred at the top and at the bottom; right at the top and in the middle.
        t = cell(QStringLiteral("甲"), 8, 3);
        QCOMPARE(t[0].x1, float((w20 - Cjk) / 2));
        QCOMPARE(t[0].y1, float(Margin));
        t = cell(QStringLiteral("甲"), 8, 5);
        QCOMPARE(t[0].y1, float(h8 - Line - Margin));
        t = cell(QStringLiteral("甲"), 8, 6);
        QCOMPARE(t[0].x1, float(w20 - Cjk - Margin));
        QCOMPARE(t[0].y1, float(Margin));
        t = cell(QStringLiteral("甲"), 8, 7);
        QCOMPARE(t[0].x1, float(w20 - Cjk - Margin));
        QCOMPARE(t[0].y1, float((h8 - Line) / 2));

        // Vertical text stacks the first paragraph only; the next one is wrapped as usual, all with
        // the code less 9. The automatic height counts the three lines.
        p->setCurrentX(0);
        p->setCurrentY(0);
        size_t from = p->surfacePage().ops.size();
        const float h = p->CellOut(QStringLiteral("甲乙\r\n丙丁"), 20, -1, 9);
        t = newOps(*p, from, PageOp::Text);
        QCOMPARE(t.size(), 3);
        QCOMPARE(t[2].text, QStringLiteral("丙丁"));
        QCOMPARE(t[2].x1, float(Margin));
        QCOMPARE(t[2].y1, float(Margin + 2 * (Line + rs)));
        QCOMPARE(h, float(lumo::round4((3 * Line + 3 * rs + 2 * Margin) / mm)));
        // The caller's alignment code is its own.
        int code = 10;
        p->CellOut(QStringLiteral("甲"), 20, -1, code);
        QCOMPARE(code, 10);

        // Cell margins set by the host move the text.
        p->setLeftCellMargin(3);
        p->setTopCellMargin(2);
        t = cell(QStringLiteral("甲"), 8, 0);
        QCOMPARE(t[0].x1, float(lumo::mmToTwips(3)));
        QCOMPARE(t[0].y1, float(lumo::mmToTwips(2)));
        p->setLeftCellMargin(1);
        p->setTopCellMargin(1);
        p->EndDoc();

        // In a zoomed preview border widths are pen units of the zoomed surface (at least 1): at
        // 150 % a width-2 edge is 3 units, a width-1 edge 1 unit.
        auto z = makePrinter();
        PropertyBag bag;
        bag.write("Zoom", 1.5f);
        z->ReadProperties(bag);
        z->StartPrint();
        z->NewPage();
        z->CellOut(QStringLiteral("甲"), 20, 8, 4, QStringLiteral("2222"));
        QCOMPARE(opsOf(z->surfacePage(), PageOp::Rect).last().penWidth, float(3 * 15 / 1.5));
        z->CellOut(QStringLiteral("甲"), 20, 8, 4, QStringLiteral("1111"));
        QCOMPARE(opsOf(z->surfacePage(), PageOp::Rect).last().penWidth, float(1 * 15 / 1.5));
        // Measurement does not zoom: a cell's automatic height is that of 100 %.
        QCOMPARE(z->CellOut(QString(), 20), float(lumo::round4((Line + 2 * Margin) / mm)));
        z->EndDoc();
    }

    void cellBorders()
    {
        auto p = startedPrinter();
        const auto borders = [&](const QString &spec, int &rects, QVector<PageOp> &lines) {
            const size_t from = p->surfacePage().ops.size();
            p->setCurrentX(0);
            p->CellOut(QStringLiteral("格"), 20, 10, 1, spec, 0xC0C0C0);
            rects = newOps(*p, from, PageOp::Rect).size();
            lines = newOps(*p, from, PageOp::Line);
            QCOMPARE(newOps(*p, from, PageOp::FilledRect).size(), 1);
            QCOMPARE(p->surfacePage().ops[from].kind, quint8(PageOp::FilledRect)); // fill first
        };
        int rects = 0;
        QVector<PageOp> lines;
        borders("1010", rects, lines);
        QCOMPARE(rects, 0);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].x1, lines[0].x2);                          // left edge
        QCOMPARE(lines[1].x1, float(lumo::mmToTwips(20)));           // right edge
        borders("2222", rects, lines);
        QCOMPARE(rects, 1);
        QCOMPARE(lines.size(), 0);
        QCOMPARE(opsOf(p->surfacePage(), PageOp::Rect).last().penWidth, float(2 * 15));
        borders("0000", rects, lines);
        QCOMPARE(rects + lines.size(), 0);
        borders("1", rects, lines);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].x1, 0.0f);
        QCOMPARE(lines[0].x2, 0.0f);
        borders("0120", rects, lines);                               // top 1, right 2
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].y1, lines[0].y2);
        QCOMPARE(lines[1].penWidth, float(2 * 15));
        QCOMPARE(p->DrawWidth(), 1);

        // Pictures: squeezed into the inner box, or stretched to it.
        QImage big(1000, 1000, QImage::Format_RGB32);
        p->setCurrentX(0);
        p->CellOutPicture(big, 20, 10);
        PageOp pic = p->surfacePage().ops.back();
        QCOMPARE(pic.x2 - pic.x1, float(lumo::mmToTwips(20) - 2 * Margin));
        QCOMPARE(pic.y2 - pic.y1, float(lumo::mmToTwips(10) - 2 * Margin));
        QImage small(10, 10, QImage::Format_RGB32);
        p->CellOutPicture(small, 20, 10, 4, "1111", NoColor, true);
        pic = p->surfacePage().ops.back();
        QCOMPARE(pic.x2 - pic.x1, float(lumo::mmToTwips(20) - 2 * Margin));
        p->EndDoc();
    }

    void measuredWidthsByFont()
    {
        // Widths are remembered by font and text: the same text in another font, size or weight is
        // measured for that font, and a repeat gives what the font's metrics say.
        QImage device(8, 8, QImage::Format_RGB32);
        device.setDotsPerMeterX(56693);
        device.setDotsPerMeterY(56693);
        DeviceTextMetrics m(&device);
        QFont small(QStringLiteral("宋体"));
        small.setPointSizeF(9);
        QFont large = small;
        large.setPointSizeF(12);
        QFont bold = small;
        bold.setBold(true);
        const QString text = QStringLiteral("736.5 阿卜杜热合曼");
        const double w9 = m.width(small, text);
        const double w12 = m.width(large, text);
        const double wb = m.width(bold, text);
        QVERIFY(w12 > w9 * 1.2);
        QCOMPARE(m.width(small, text), w9);
        QCOMPARE(m.width(large, text), w12);
        QCOMPARE(m.width(bold, text), wb);
        QCOMPARE(w9, QFontMetricsF(small, &device).horizontalAdvance(text));
        QCOMPARE(w12, QFontMetricsF(large, &device).horizontalAdvance(text));
        QVERIFY(m.width(small, text + QStringLiteral("0")) > w9);
    }

    void realFontLines()
    {
        // With the installed fonts a line is one em high, as in the fonts the reports name, so a
        // heading cell holds as many stacked captions as the layouts planned for.
        LumoPrinter p;
        p.StartPrint();
        p.NewPage();
        QCOMPARE(p.TextHeight(QStringLiteral("的")), float(lumo::round4(180 / mm))); // 9 pt
        p.Font().setFamily(QStringLiteral("宋体"));
        p.setFontSize(8);
        p.setCurrentX(10);
        p.setCurrentY(30);
        size_t from = p.surfacePage().ops.size();
        p.CellOut(QStringLiteral("班名\r\n类名\r\n年名"), 10, 11, 4, QStringLiteral("1111"));
        const auto t = newOps(p, from, PageOp::Text);
        QCOMPARE(t.size(), 3);
        const double y0 = lumo::mmToTwips(30), y1 = y0 + lumo::mmToTwips(11);
        QVERIFY(t[0].y1 > y0 && t[2].y1 + 160 < y1);
        QCOMPARE(t[1].y1 - t[0].y1, float(160 + lumo::mmToTwips(0.5)));
        // The baseline puts an ideograph's ink inside its line.
        const double baseline = t[0].y2 - t[0].y1;
        QVERIFY2(baseline > 0.8 * 160 && baseline < 0.95 * 160, qPrintable(QString::number(baseline)));
        // Total 1 and its average on two lines of 9 pt in a 12 mm heading cell.
        p.setFontSize(9);
        from = p.surfacePage().ops.size();
        p.CellOut(QStringLiteral("总分1\r\n平均分"), 15, 12, 4, QStringLiteral("1211"));
        QCOMPARE(newOps(p, from, PageOp::Text).size(), 2);
        p.EndDoc();

        // A class seat list's first page: an empty line, the title, an info line, the heading row and
        // 38 rows of 6 mm end inside the printable height of A4 with 20 mm margins.
        p.StartPrint();
        p.NewPage();
        p.NewRow();
        p.Font().setFamily(QStringLiteral("黑体"));
        p.TitleOut(QStringLiteral("高一3班 期中考试座位单"), 15, 0);
        p.Font().setFamily(QStringLiteral("宋体"));
        p.setFontSize(10);
        p.NewCellRow(0, 0, 0);
        p.TextOutEx(QStringLiteral("2008-06-20    总人数：45"));
        p.NewCellRow(0, 0, 0);
        for (int r = 0; r < 39; ++r) {
            p.CellOut(QStringLiteral("张伟"), 20, 6, 4, QStringLiteral("1111"));
            p.NewCellRow(0, 0, 6);
        }
        QVERIFY2(p.CurrentY() <= p.ScaleHeight(), qPrintable(QString::number(p.CurrentY())));
        QCOMPARE(p.PageCount(), 1);
        p.EndDoc();
    }

    // A print run shapes each text of a font once, draws a page's texts of one font and colour as
    // one item and its frames as one stroke per pen, edges on one line joined; what it draws is
    // what drawing each text directly draws.
    void replayShapesOnceAndBatches()
    {
        auto p = makePrinter();
        p->StartPrint();
        for (int page = 0; page < 3; ++page) {
            p->NewPage();
            for (int r = 1; r <= 10; ++r) {
                p->CellOut(QString::number(r), 10, 8, 4, QStringLiteral("2111"));
                p->CellOut(QStringLiteral("张三"), 20, 8, 4, QStringLiteral("2111"));
                p->CellOut(QStringLiteral("85"), 10, 8, 4, QStringLiteral("2111"));
                p->NewCellRow(0, 0, 8);
            }
        }
        p->EndDoc();
        ShapedTexts shaped;
        CountingSurface surface;
        QPainter painter(&surface);
        int textOps = 0;
        for (int n = 1; n <= 3; ++n) {
            PageRecord page;
            QVERIFY(p->loadPage(n, page));
            QCOMPARE(page.fonts.size(), 1);
            textOps += int(opsOf(page, PageOp::Text).size());
            QCOMPARE(opsOf(page, PageOp::Line).size(), 128); // 4 edges a cell, 8 corner marks
            page.replay(painter, QRectF(0, 0, 9921, 14031), false, &shaped);
        }
        painter.end();
        QCOMPARE(textOps, 90);
        QCOMPARE(shaped.shapedCount(), 12);     // 1 to 10, 张三 and 85
        QCOMPARE(surface.textItems, 3);         // one a page
        QCOMPARE(surface.paths, 9);             // a page: the corner marks' pen, the left edges', the others'
        QCOMPARE(surface.lines, 0);
        // A page: 8 corner marks, one line across the page at each of the 11 row edges, one down
        // each column's thick left and thin right edge (4 edges: 6 lines).
        QCOMPARE(surface.strokes, 3 * (8 + 11 + 6));

        // Drawn from the kept glyphs, the page's texts look as when each is laid out afresh.
        PageRecord page;
        QVERIFY(p->loadPage(1, page));
        std::erase_if(page.ops, [](const PageOp &op) { return op.kind != PageOp::Text; });
        // Also an underlined text, as the head line's right text is by default, and one with a line
        // separator.
        QFont underlined = page.fonts.front();
        underlined.setUnderline(true);
        const int fonts[] = {0, page.fontIndex(underlined), 0};
        const QString texts[] = {QStringLiteral("成绩 Ag"), QStringLiteral("成绩 Ag"), QStringLiteral("成绩") + QChar(QChar::LineSeparator) + QStringLiteral("Ag")};
        for (int i = 0; i < 3; ++i) {
            page.ops.push_back(opsOf(page, PageOp::Text).front());
            page.ops.back().text = texts[i];
            page.ops.back().y2 += 6000 + 500 * i; // below the table
            page.ops.back().index = qint16(fonts[i]);
        }
        const auto image = [&page](ShapedTexts *texts) {
            QImage img(1050, 1485, QImage::Format_RGB32);
            QPainter ip(&img);
            page.replay(ip, QRectF(0, 0, 1050, 1485), true, texts);
            return img;
        };
        ShapedTexts fresh;
        QCOMPARE(image(&fresh), image(nullptr));
    }

    void splitText()
    {
        QCOMPARE(LumoPrinter::SplitText("a\r\nb\r\nc", "\r\n", 2), QStringLiteral("b"));
        QCOMPARE(LumoPrinter::SplitText("a\r\nb\r\nc", "\r\n", 3), QStringLiteral("c"));
        QCOMPARE(LumoPrinter::SplitText("a\r\nb", "\r\n", 0), QStringLiteral("a"));
        QCOMPARE(LumoPrinter::SplitText("a\r\nb", "\r\n", 5), QString());
        QCOMPARE(LumoPrinter::SplitText("aXb", "x", 2), QString()); // exact, case-sensitive
    }

    void directPrintGrid()
    {
        Grid g;
        g.setCols(3);
        g.setRows(1 + 40);
        g.setFixedRows(1);
        g.setFixedCols(0);
        g.setTextMatrix(0, 0, QStringLiteral("姓名"));
        g.setTextMatrix(0, 1, QStringLiteral("班级"));
        g.setTextMatrix(0, 2, QStringLiteral("分数"));
        for (int c = 0; c < 3; ++c) {
            g.setColWidth(c, 1500);
            g.setColAlignment(c, Grid::General);
        }
        for (int r = 0; r < g.Rows(); ++r)
            g.setRowHeight(r, 450);
        for (int r = 1; r < g.Rows(); ++r) {
            g.setTextMatrix(r, 0, QStringLiteral("学生%1").arg(r));
            g.setTextMatrix(r, 1, r <= 3 ? QStringLiteral("1班") : QStringLiteral("%1班").arg(r));
            g.setTextMatrix(r, 2, QString::number(60 + r % 40));
        }
        g.setMergeCol(1, true);
        g.setTextMatrix(5, 0, QStringLiteral("同"));
        g.setTextMatrix(5, 1, QStringLiteral("同"));
        g.setMergeRow(5, true);
        g.setBackColorFixed(QColor(200, 200, 200));

        auto p = startedPrinter();
        QVector<QPair<int, QString>> autoPages;
        connect(p.get(), &LumoPrinter::NewPageAutoCreated, p.get(),
                [&](int page, const QString &name) { autoPages.push_back({page, name}); });
        p->DirectPrint(&g, QStringLiteral("名单"));
        // 40 rows of 450 twips with a title and the heading row do not fit one A4 page.
        QCOMPARE(p->PageCount(), 2);
        QCOMPARE(autoPages.size(), 1);
        QCOMPARE(autoPages[0].second, QStringLiteral("MSFlexGrid"));
        const QStringList page2 = p->surfacePage().texts();
        QCOMPARE(page2.mid(0, 4), (QStringList{"名单", "姓名", "班级", "分数"})); // title and heading again
        QCOMPARE(page2.last(), QString::number(60 + 40 % 40));
        p->EndDoc();

        PageRecord page1;
        QVERIFY(p->loadPage(1, page1));
        const QStringList texts = page1.texts();
        // "1班" in rows 1 to 3 of the merging column: one cell, three rows high.
        QCOMPARE(texts.count(QStringLiteral("1班")), 1);
        // The merging row 5: "同" twice becomes one cell two columns wide.
        QCOMPARE(texts.count(QStringLiteral("同")), 1);
        const auto fills = opsOf(page1, PageOp::FilledRect);
        QCOMPARE(fills.size(), 3); // heading cells filled with the fixed colour
        QCOMPARE(fills[0].rgb, qRgb(200, 200, 200));
        // General alignment: digits to the right, text to the left.
        const auto textOps = opsOf(page1, PageOp::Text);
        for (const auto &op : textOps) {
            if (op.text == QStringLiteral("61")) {
                const double x0 = 2 * 1500;
                QCOMPARE(op.x1, float(x0 + 1500 - 180 - Margin));
            }
            if (op.text == QStringLiteral("学生1"))
                QCOMPARE(op.x1, float(Margin));
        }
        bool tall = false;
        for (const auto &op : opsOf(page1, PageOp::Rect))
            tall = tall || (op.y2 - op.y1 == 3 * 450.0f);
        QVERIFY(tall);

        // Without the header colour: no fill.
        auto q = startedPrinter();
        q->DirectPrint(&g, QString(), 12, 2, 0, false);
        QCOMPARE(opsOf(q->surfacePage(), PageOp::FilledRect).size(), 0);
        QVERIFY(!q->surfacePage().texts().contains("名单"));
        q->EndDoc();
        // Any other widget prints nothing.
        auto r = startedPrinter();
        const size_t before = r->surfacePage().ops.size();
        QWidget other;
        r->DirectPrint(&other, QStringLiteral("名单"));
        QCOMPARE(r->surfacePage().ops.size(), before);
        r->EndDoc();
    }
};

QTEST_MAIN(tst_engine_cells)
#include "tst_engine_cells.moc"
