// The progress bar: where the fill ends, what it draws, its text, colours, saved settings and when
// it redraws.
#include "controls/progressbar/XP_ProgressBar.h"

#include <QGuiApplication>
#include <QPalette>
#include <QtTest>

using namespace quorvane;

namespace {

constexpr quint32 kBarColor = 0x006A240A;  // the colour every host sets

QRgb rgbOf(quint32 bgr) { return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
QRgb pixel(const XP_ProgressBar &bar, int x, int y) { return (bar.buffer().pixel(x, y) & 0xFFFFFF) | 0xFF000000; }
const QRgb kWhite = qRgb(255, 255, 255);

// The colours the bar drew at those points.
QList<QRgb> pixels(const XP_ProgressBar &bar, std::initializer_list<QPoint> points)
{
    QList<QRgb> out;
    for (const QPoint &at : points)
        out << pixel(bar, at.x(), at.y());
    return out;
}

// Sets each value and checks where the fill ends: its right edge on a horizontal bar, its top on a
// vertical one, while the other end stays at the start (left 0, or the bottom of the bar).
void checkFillEdges(XP_ProgressBar &bar, std::initializer_list<std::pair<int, int>> valueEdges)
{
    const bool vertical = bar.Orientation() == 1;
    for (const auto &[value, edge] : valueEdges) {
        bar.setValue(value);
        const QRect fill = bar.fillRect();
        QCOMPARE(vertical ? fill.bottom() : fill.left(), vertical ? bar.height() : 0);
        const int end = vertical ? fill.top() : fill.right();
        QVERIFY2(end == edge, qPrintable(QStringLiteral("value %1: edge %2").arg(value).arg(end)));
    }
}

// A bar that counts how often it is painted.
class CountingBar : public XP_ProgressBar
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *e) override
    {
        ++paints;
        XP_ProgressBar::paintEvent(e);
    }
};

// A counting bar of 150 x 20 in a host window; show() shows the host and waits until it is on screen.
struct HostedBar
{
    QWidget host;
    CountingBar bar;
    HostedBar()
    {
        host.resize(300, 100);
        bar.setParent(&host);
        bar.setGeometry(10, 10, 150, 20);
    }
    bool show()
    {
        host.show();
        return QTest::qWaitForWindowExposed(&host);
    }
    // Lets the window paint until the bar has painted and two pauses in a row bring no further
    // paint; returns the paints so far. Each pause serves every waiting event at least once, so a
    // busy machine makes this longer, never cut short.
    int settle()
    {
        for (int quiet = 0, rounds = 0; (quiet < 2 || bar.paints == 0) && rounds < 200; ++rounds) {
            const int before = bar.paints;
            QTest::qWait(20);
            quiet = bar.paints == before ? quiet + 1 : 0;
        }
        return bar.paints;
    }
};
} // namespace

class ProgressBarTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void horizontalFillEdge()
    {
        XP_ProgressBar bar;
        bar.resize(150, 20);
        bar.setColor(kBarColor);
        checkFillEdges(bar, {{50, 70}, {6, 0}, {8, 10}, {100, 150}, {0, 0}, {-20, 0}, {500, 150}, {99, 140}, {55, 80}});
        if (QTest::currentTestFailed())
            return;

        // Value 8: one block, columns 2 to 9.
        bar.setValue(8);
        const QRgb filled = rgbOf(kBarColor);
        QCOMPARE(pixels(bar, {{5, 10}, {9, 10}, {10, 10}, {12, 10}}), QList<QRgb>({filled, filled, kWhite, kWhite}));
        // Value 6 rounds down to nothing; Value 0 leaves only border and white.
        for (int v : {6, 0, -3}) {
            bar.setValue(v);
            for (int x = 2; x < 148; ++x)
                QCOMPARE(pixel(bar, x, 10), kWhite);
        }

        // Min takes part in the fraction: halfway between 20 and 120 is half the bar.
        bar.setMin(20);
        bar.setMax(120);
        bar.setValue(70);
        QCOMPARE(bar.fillRect().right(), 70);
        bar.setValue(10);  // below Min: empty
        QCOMPARE(bar.fillRect().right(), 0);
        bar.setValue(130);  // above Max: full
        QCOMPARE(bar.fillRect().right(), 150);

        // The continuous bar is snapped to whole blocks as well, but has no gaps.
        bar.setMin(0);
        bar.setMax(100);
        bar.setScrolling(1);
        bar.setValue(50);
        QCOMPARE(bar.fillRect().right(), 70);
        QCOMPARE(pixels(bar, {{10, 10}, {69, 10}, {70, 10}}), QList<QRgb>({filled, filled, kWhite}));
    }

    void verticalFillEdge()
    {
        XP_ProgressBar bar;
        bar.resize(20, 100);
        bar.setColor(kBarColor);
        bar.setOrientation(1);
        checkFillEdges(bar, {{50, 50}, {0, 100}, {100, 0}, {-5, 100}, {250, 0}});
        if (QTest::currentTestFailed())
            return;
        // Half full: blocks from the bottom up to row 50, 2-row gaps every 10 rows, white above.
        bar.setValue(50);
        const QRgb filled = rgbOf(kBarColor);
        QCOMPARE(pixels(bar, {{10, 50}, {10, 57}, {10, 58}, {10, 59}, {10, 60}, {10, 45}}),
                 QList<QRgb>({filled, filled, kWhite, kWhite, filled, kWhite}));
        // The side bands start pale at the left edge.
        QCOMPARE(pixel(bar, 2, 65), rgbOf(XP_ProgressBar::LightenColor(kBarColor, 150)));
        // Empty: nothing but white inside the border.
        bar.setValue(0);
        for (int y = 3; y < 97; ++y)
            QCOMPARE(pixel(bar, 10, y), kWhite);
    }

    void maxEqualToMinDrawsEmptyBar()
    {
        XP_ProgressBar bar;
        bar.resize(150, 20);
        bar.setColor(kBarColor);
        bar.setMin(50);
        bar.setMax(50);
        for (int v : {0, 50, 80}) {
            bar.setValue(v);
            QCOMPARE(bar.fillRect().right(), 0);
            QCOMPARE(pixel(bar, 40, 10), kWhite);
        }
        bar.setOrientation(1);
        bar.resize(20, 100);
        bar.setValue(50);
        QCOMPARE(bar.fillRect().top(), 100);
        QCOMPARE(pixel(bar, 10, 90), kWhite);
    }

    void captionText()
    {
        XP_ProgressBar bar;
        bar.resize(150, 20);
        bar.setValue(37);
        QCOMPARE(bar.captionText(), QStringLiteral("37 %"));
        bar.setMax(50);
        bar.setValue(25);
        QCOMPARE(bar.captionText(), QStringLiteral("12.5 %"));
        bar.setMax(100);
        bar.setValue(0);
        QCOMPARE(bar.captionText(), QStringLiteral("0 %"));
        // Large values do not overflow the product.
        bar.setMax(100000);
        bar.setValue(100000);
        QCOMPARE(bar.captionText(), QStringLiteral("100000000 %"));
        bar.setMax(100);
        bar.setScrolling(2);
        bar.setValue(37);
        QCOMPARE(bar.captionText(), QStringLiteral("请稍后.."));

        // The text is drawn only with ShowText, dark on the white middle of an empty bar.
        auto darkPixels = [&bar] {
            int n = 0;
            for (int y = 3; y < 17; ++y)
                for (int x = 20; x < 130; ++x)
                    if (qGray(bar.buffer().pixel(x, y)) < 128)
                        ++n;
            return n;
        };
        bar.setScrolling(0);
        bar.setValue(0);
        QCOMPARE(darkPixels(), 0);
        bar.setShowText(true);
        QVERIFY(darkPixels() > 0);

        // 47 and 48 end the fill at the same edge: only the text tells them apart, and it is redrawn.
        bar.setValue(47);
        const QImage at47 = bar.buffer().copy(0, 0, 150, 20);
        bar.setValue(48);
        QCOMPARE(bar.fillRect().right(), 70);
        XP_ProgressBar fresh;
        fresh.resize(150, 20);
        fresh.setShowText(true);
        fresh.setValue(48);
        QVERIFY(fresh.buffer().copy(0, 0, 150, 20) != at47);
        QCOMPARE(bar.buffer().copy(0, 0, 150, 20), fresh.buffer().copy(0, 0, 150, 20));
    }

    void colours()
    {
        // Each channel moves towards white by the amount.
        const quint32 l = XP_ProgressBar::LightenColor(kBarColor, 150);
        QCOMPARE(l & 0xFF, 154u);
        QCOMPARE((l >> 8) & 0xFF, 164u);
        QCOMPARE((l >> 16) & 0xFF, 193u);
        QCOMPARE(XP_ProgressBar::LightenColor(kBarColor, 0), kBarColor);
        QCOMPARE(XP_ProgressBar::LightenColor(kBarColor, 255), 0xFFFFFFu);

        // System colours come from the current palette, as 0x00BBGGRR.
        auto bgr = [](const QColor &c) {
            return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
        };
        const QPalette pal = QGuiApplication::palette();
        QCOMPARE(XP_ProgressBar::TranslateOleColor(0x8000000D), bgr(pal.color(QPalette::Highlight)));
        QCOMPARE(XP_ProgressBar::TranslateOleColor(0x8000000F), bgr(pal.color(QPalette::Button)));
        QCOMPARE(XP_ProgressBar::TranslateOleColor(kBarColor), kBarColor);

        // A new bar uses the highlight colour; a system colour is kept translated.
        XP_ProgressBar bar;
        QCOMPARE(bar.Color(), bgr(pal.color(QPalette::Highlight)));
        bar.setColor(0x8000000F);
        QCOMPARE(bar.Color(), bgr(pal.color(QPalette::Button)));
    }

    void drawnBarPixels()
    {
        XP_ProgressBar bar;
        bar.resize(150, 20);
        bar.setColor(kBarColor);
        bar.setValue(50);
        const QRgb col = rgbOf(kBarColor);
        const QRgb light = rgbOf(XP_ProgressBar::LightenColor(kBarColor, 150));

        // Blocks of 8 columns with white 2-column gaps, up to column 69.
        for (int x : {2, 9, 12, 19, 62, 69})
            QCOMPARE(pixel(bar, x, 10), col);
        for (int x : {10, 11, 20, 21, 60, 61, 70, 71, 100})
            QCOMPARE(pixel(bar, x, 10), kWhite);
        // Gaps run across the whole bar, bands included.
        QCOMPARE(pixel(bar, 10, 3), kWhite);
        QCOMPARE(pixel(bar, 11, 16), kWhite);
        // The top band is pale at its top row and reaches the bar colour at the body; the bottom
        // band grows paler downwards.
        QCOMPARE(pixel(bar, 5, 3), light);
        QCOMPARE(pixel(bar, 5, 8), col);
        QCOMPARE(pixel(bar, 5, 12), col);
        QVERIFY(qRed(pixel(bar, 5, 17)) > qRed(pixel(bar, 5, 14)));
        QVERIFY(qRed(pixel(bar, 5, 4)) < qRed(light) && qRed(pixel(bar, 5, 4)) > qRed(col));

        // The three-tone border and its corner pixels.
        const QRgb outer = qRgb(0x68, 0x68, 0x68), mid = qRgb(0xBE, 0xBE, 0xBE), inner = qRgb(0xEF, 0xEF, 0xEF);
        QCOMPARE(pixel(bar, 0, 10), outer);
        QCOMPARE(pixel(bar, 149, 10), outer);
        QCOMPARE(pixel(bar, 40, 0), outer);
        QCOMPARE(pixel(bar, 40, 19), outer);
        QCOMPARE(pixel(bar, 40, 1), mid);
        QCOMPARE(pixel(bar, 40, 2), inner);
        QCOMPARE(pixel(bar, 40, 18), inner);
        QCOMPARE(pixel(bar, 1, 10), inner);
        QCOMPARE(pixel(bar, 148, 10), inner);
        QCOMPARE(pixel(bar, 1, 1), outer);
        QCOMPARE(pixel(bar, 148, 1), outer);
        QCOMPARE(pixel(bar, 1, 18), outer);
        QCOMPARE(pixel(bar, 148, 18), outer);
    }

    void busyMode()
    {
        XP_ProgressBar bar;
        bar.resize(150, 20);
        bar.setColor(kBarColor);
        bar.setScrolling(2);
        bar.setValue(50);
        // Three blocks of 10 columns, 12 apart from the fill edge, palest first; nothing before.
        const QRgb b0 = rgbOf(XP_ProgressBar::LightenColor(kBarColor, 200));
        const QRgb b1 = rgbOf(XP_ProgressBar::LightenColor(kBarColor, 160));
        const QRgb b2 = rgbOf(XP_ProgressBar::LightenColor(kBarColor, 120));
        QCOMPARE(pixel(bar, 70, 10), b0);
        QCOMPARE(pixel(bar, 79, 10), b0);
        QCOMPARE(pixel(bar, 80, 10), kWhite);
        QCOMPARE(pixel(bar, 82, 10), b1);
        QCOMPARE(pixel(bar, 94, 10), b2);
        QCOMPARE(pixel(bar, 103, 10), b2);
        QCOMPARE(pixel(bar, 104, 10), kWhite);
        QCOMPARE(pixel(bar, 30, 10), kWhite);
        QVERIFY(qRed(b0) > qRed(b1) && qRed(b1) > qRed(b2));
        // The top band of a block starts at its paler colour.
        QCOMPARE(pixel(bar, 75, 3), rgbOf(XP_ProgressBar::LightenColor(kBarColor, 220)));
    }

    void savedSettings()
    {
        const quint32 highlight = XP_ProgressBar::TranslateOleColor(0x8000000D);
        {
            // Defaults are not written; the colour is held as RGB and so always is.
            XP_ProgressBar bar;
            PropertyBag bag;
            bar.WriteProperties(bag);
            QCOMPARE(bag.keys(), QStringList{QStringLiteral("Color")});
            QCOMPARE(bag.read(QStringLiteral("color")).toUInt(), highlight);
        }
        {
            // The hosts' bags hold lower-case keys; every host stores the bar's colour.
            PropertyBag host = XP_ProgressBar::hostSettings();
            QCOMPARE(host.keys(), QStringList{QStringLiteral("color")});
            host.write(QStringLiteral("max"), 50);
            XP_ProgressBar bar;
            bar.ReadProperties(host);
            QCOMPARE(bar.Color(), kBarColor);
            QCOMPARE(bar.Max(), 50);
            QCOMPARE(bar.Min(), 0);
            QCOMPARE(bar.Orientation(), 0);
            QCOMPARE(bar.Scrolling(), 0);
            QCOMPARE(bar.ShowText(), false);
            QCOMPARE(bar.Value(), 0);
            // Saving back over the host's bag: a Max returned to its default is removed.
            bar.setMax(100);
            bar.WriteProperties(host);
            QVERIFY(!host.contains(QStringLiteral("Max")));
            QCOMPARE(host.read(QStringLiteral("COLOR")).toUInt(), kBarColor);
        }
        {
            // Round trip of every saved setting; Value shows at once after reading.
            XP_ProgressBar a;
            a.setColor(kBarColor);
            a.setMax(200);
            a.setMin(-10);
            a.setOrientation(1);
            a.setScrolling(1);
            a.setShowText(true);
            a.setValue(120);
            PropertyBag bag;
            a.WriteProperties(bag);
            QCOMPARE(bag.size(), 7);

            XP_ProgressBar b;
            b.resize(20, 100);
            b.ReadProperties(bag);
            QCOMPARE(b.Color(), kBarColor);
            QCOMPARE(b.Max(), 200);
            QCOMPARE(b.Min(), -10);
            QCOMPARE(b.Orientation(), 1);
            QCOMPARE(b.Scrolling(), 1);
            QCOMPARE(b.ShowText(), true);
            QCOMPARE(b.Value(), 120);
            QCOMPARE(b.fillRect().top(), 40);
            QCOMPARE(pixel(b, 10, 45), rgbOf(kBarColor));
        }
    }

    void onlyValueAndShowTextRedraw()
    {
        XP_ProgressBar bar;
        bar.resize(150, 20);
        bar.setColor(kBarColor);
        bar.setValue(50);
        const QImage before = bar.buffer().copy(0, 0, 150, 20);

        bar.setColor(0x000000FF);
        bar.setMax(200);
        bar.setMin(10);
        bar.setScrolling(1);
        bar.setFont(QFont(QStringLiteral("Tahoma"), 20));
        QCOMPARE(bar.buffer().copy(0, 0, 150, 20), before);
        QCOMPARE(bar.fillRect().right(), 70);

        // The next Value shows everything stored meanwhile.
        bar.setValue(105);
        QCOMPARE(bar.fillRect().right(), 70);
        QCOMPARE(pixel(bar, 10, 10), rgbOf(0x000000FF));

        bar.setColor(kBarColor);
        bar.setShowText(false);
        QCOMPARE(pixel(bar, 10, 10), rgbOf(kBarColor));
    }

    // A host sets a value per record and lets the window paint now and then: the bar is drawn
    // once for each paint, not for each value that moves its edge.
    void drawnOncePerPaint()
    {
        HostedBar hosted;
        CountingBar &bar = hosted.bar;
        QVERIFY(hosted.show());
        const int painted = hosted.settle(), drawn = bar.drawings();
        for (int v = 1; v <= 100; ++v)
            bar.setValue(v); // 15 new fill edges
        QCOMPARE(bar.drawings(), drawn);
        QTRY_VERIFY(bar.paints > painted);
        QVERIFY2(bar.drawings() - drawn <= bar.paints - painted, qPrintable(QString::number(bar.drawings() - drawn)));
        QCOMPARE(pixel(bar, 145, 10), pixel(bar, 5, 10)); // filled to the end
    }

    void bufferGrowsOnly()
    {
        XP_ProgressBar bar;
        bar.resize(700, 500);
        bar.setValue(10);
        QVERIFY(bar.buffer().width() >= 700 && bar.buffer().height() >= 500);
        const QSize grown = bar.buffer().size();
        bar.resize(100, 20);
        bar.setValue(100);
        QCOMPARE(bar.buffer().size(), grown);
        QCOMPARE(bar.fillRect().right(), 100);
        // The smaller bar is drawn whole within the larger buffer.
        QCOMPARE(pixel(bar, 99, 10), qRgb(0x68, 0x68, 0x68));
    }

    void cornersAndPainting()
    {
        HostedBar hosted;
        CountingBar &bar = hosted.bar;
        bar.setColor(kBarColor);
        QVERIFY(hosted.show());
        const int settled = hosted.settle();

        const QRegion m = bar.mask();
        for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(148, 0), QPoint(149, 0),
                         QPoint(149, 1), QPoint(0, 19), QPoint(1, 19), QPoint(0, 18), QPoint(148, 19),
                         QPoint(149, 19), QPoint(149, 18)})
            QVERIFY2(!m.contains(p), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        for (QPoint p : {QPoint(2, 0), QPoint(1, 1), QPoint(0, 2), QPoint(147, 0), QPoint(148, 1),
                         QPoint(75, 10), QPoint(2, 19), QPoint(147, 19)})
            QVERIFY2(m.contains(p), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));

        // Painting settles: the region does not set off further paints.
        QVERIFY(settled > 0);
        QTest::qWait(200);
        QCOMPARE(bar.paints, settled);

        // Setting the colour paints nothing; setting the value does.
        bar.setColor(0x000000FF);
        QTest::qWait(100);
        QCOMPARE(bar.paints, settled);
        bar.setValue(30);
        QTRY_VERIFY(bar.paints > settled);

        // A new size gets its own corners.
        bar.resize(200, 30);
        QTRY_VERIFY(bar.mask().contains(QPoint(197, 29)));
        QVERIFY(!bar.mask().contains(QPoint(199, 29)));
        QVERIFY(bar.mask().contains(QPoint(149, 19)));
        const int afterResize = hosted.settle();
        QTest::qWait(200);
        QCOMPARE(bar.paints, afterResize);
    }

    void redrawsOnlyWhatChanges()
    {
        HostedBar hosted;
        CountingBar &bar = hosted.bar;
        bar.ReadProperties(XP_ProgressBar::hostSettings());
        QVERIFY(hosted.show());
        bar.setValue(31);  // fill edge 40
        const int settled = hosted.settle();  // the first paint sets the corner region, which paints once more
        const QImage shown = bar.buffer().copy(0, 0, 150, 20);

        // A host steps its counter once per record: values with the same fill edge paint nothing.
        for (int v : {32, 31, 32})
            bar.setValue(v);
        QTest::qWait(50);
        QCOMPARE(bar.paints, settled);
        QCOMPARE(bar.Value(), 32);
        QCOMPARE(bar.buffer().copy(0, 0, 150, 20), shown);
        // A whole counter cycle of 1..100 paints at most once per new fill edge (16 edges).
        for (int v = 1; v <= 100; ++v) {
            bar.setValue(v);
            QCoreApplication::processEvents();
        }
        QVERIFY2(bar.paints - settled <= 16, qPrintable(QString::number(bar.paints - settled)));
        QCOMPARE(bar.fillRect().right(), 150);

        // A moved edge paints; so does a setting stored meanwhile, though the edge stays.
        const int full = bar.paints;
        bar.setValue(45);
        QTRY_VERIFY(bar.paints > full);
        QCOMPARE(bar.fillRect().right(), 60);
        const int moved = bar.paints;
        bar.setColor(0x000000FF);
        bar.setValue(46);
        QTRY_VERIFY(bar.paints > moved);
        QCOMPARE(pixel(bar, 5, 10), rgbOf(0x000000FF));

        // With the text shown, every value that changes the text paints.
        bar.setShowText(true);
        const int withText = hosted.settle();
        bar.setValue(47);
        QTRY_VERIFY(bar.paints > withText);
        QCOMPARE(bar.captionText(), QStringLiteral("47 %"));
        const int same = hosted.settle();
        bar.setValue(47);
        QTest::qWait(50);
        QCOMPARE(bar.paints, same);
    }
};

QTEST_MAIN(ProgressBarTest)
#include "tst_progressbar.moc"
