// Units, paper, the document and its pages, head and foot lines, page files.
#include "enginetest.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;
using namespace enginetest;

class tst_engine_document : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpEngineTests(); }
    void init() { messages().clear(); }

    void unitsAndPaper()
    {
        QCOMPARE(lumo::mmToTwips(12.34567), double(float(699.9118)));
        auto p = makePrinter();
        p->setLeftMargin(20);
        QCOMPARE(p->LeftMargin(), 20.0f);
        p->setLeftMargin(12.34567f);
        QCOMPARE(p->LeftMargin(), 12.3457f);
        p->setLeftMargin(20);

        // Defaults of the property bag: A4 in twips of 56.6929 per millimetre.
        PropertyBag bag;
        p->ReadProperties(bag);
        QCOMPARE(p->PaperWidth(), 210);
        QCOMPARE(p->PaperHeight(), 297);
        QCOMPARE(p->ScaleWidth(), 170.0f);
        QCOMPARE(p->ScaleHeight(), 257.0f);
        p->setTopMargin(10);
        p->setRightMargin(30);
        QCOMPARE(p->ScaleWidth(), 160.0f);

        bag.write("PaperWidth", 11904.0);
        p->ReadProperties(bag);
        QCOMPARE(p->PaperWidth(), 210);
        QCOMPARE(p->LeftMargin(), 20.0f); // every other value back to its default

        // Width and height are only set on user-defined paper.
        p->setPaperWidth(100);
        QCOMPARE(p->PaperWidth(), 210);
        p->setPaperSize(256);
        QCOMPARE(p->PaperSize(), 256);
        QCOMPARE(p->PaperWidth(), 210);
        p->setPaperWidth(100);
        QCOMPARE(p->PaperWidth(), 100);

        // Turning the paper twice leaves whole twips.
        PropertyBag empty;
        p->ReadProperties(empty);
        p->setOrientation(1);
        QCOMPARE(p->paperWidthTwips(), 11905.509);
        p->setOrientation(2);
        QCOMPARE(p->paperWidthTwips(), 16837.7913);
        QCOMPARE(p->paperHeightTwips(), 11906.0);
        p->setOrientation(1);
        QCOMPARE(p->paperWidthTwips(), 11906.0);
        QCOMPARE(p->paperHeightTwips(), 16838.0);

        // A code loads the printer's page size in whole twips; a code without a paper is refused.
        p->setPaperSize(8);
        QCOMPARE(p->paperWidthTwips(), 16838.0);
        p->setPaperSize(9);
        QCOMPARE(p->paperWidthTwips(), 11906.0);
        QCOMPARE(p->paperHeightTwips(), 16838.0);
        p->setPaperSize(999);
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages().last().text, QStringLiteral("无效属性值!"));
        QCOMPARE(messages().last().caption, QStringLiteral("系统提示:"));
        QCOMPARE(p->paperWidthTwips(), 11906.0);

        // Pen width in preview never below 1.
        p->setDrawWidth(0);
        QCOMPARE(p->DrawWidth(), 1);
    }

    void pageCoordinatesAndMargins()
    {
        // (0, 0) is the top-left corner of the printable area; the margins have negative coordinates.
        auto p = makePrinter();
        p->setLeftMargin(30);
        p->setTopMargin(10);
        p->StartPrint();
        p->NewPage();
        p->FilledRectOut(0, 0, 10, 10, 0x000000);
        p->FilledRectOut(-25, -5, -20, 0, 0x0000FF);
        p->EndDoc();
        PageRecord page;
        QVERIFY(p->loadPage(1, page));
        QImage img(2100, 2970, QImage::Format_RGB32); // 10 pixels to the millimetre
        QPainter painter(&img);
        page.replay(painter, QRectF(0, 0, 2100, 2970), true);
        painter.end();
        const auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 60; };
        QVERIFY(dark(305, 105));
        QVERIFY(!dark(295, 105));
        QVERIFY(!dark(305, 95));
        QVERIFY(dark(395, 195));
        QVERIFY(!dark(405, 195));
        QCOMPARE(img.pixelColor(75, 75), QColor(255, 0, 0)); // 25..20 mm left of the area, 5..0 mm above
        // The grey corner mark runs 500 twips (8.8 mm) into the left margin along y = 0.
        QVERIFY(qGray(img.pixel(260, 100)) < 200);
        QVERIFY(qGray(img.pixel(260, 110)) > 240);
    }

    void startAndEndDocument()
    {
        auto p = makePrinter();
        QVector<int> footers;
        connect(p.get(), &LumoPrinter::PrintFooter, p.get(), [&](PageTextArgs &a) { footers << a.CurrentPage; });
        QVERIFY(!p->StartPrint(2));
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages()[0].text, QStringLiteral("参数错误！"));
        QCOMPARE(messages()[0].caption, QStringLiteral("系统提示:"));
        QVERIFY(!p->Busy());
        QCOMPARE(p->statusText(), QStringLiteral("当前打印信息为空!"));

        QVERIFY(p->StartPrint());
        QVERIFY(p->Busy());
        p->EndDoc();
        QVERIFY(!p->Busy());
        QCOMPARE(footers, QVector<int>{0});
        QVERIFY(QFile::exists(p->TempDirectory() + QStringLiteral("tubTemp.000")));
        QCOMPARE(p->statusText(), QStringLiteral("状态:0/0(页)"));
    }

    void pagesHeaderFooterAndStatus()
    {
        auto p = makePrinter();
        QStringList events;
        connect(p.get(), &LumoPrinter::PrintHeader, p.get(), [&](PageTextArgs &a) {
            events << QStringLiteral("H%1").arg(a.CurrentPage);
            QVERIFY(a.LeftText.isEmpty() && a.CenterText.isEmpty() && a.RightText.isEmpty());
            a.LeftText = QStringLiteral("Quorvane");
            a.RightText = QStringLiteral("Wexmoor");
        });
        connect(p.get(), &LumoPrinter::PrintFooter, p.get(), [&](PageTextArgs &a) {
            events << QStringLiteral("F%1").arg(a.CurrentPage);
            a.CenterText = QStringLiteral("第%1页").arg(a.CurrentPage);
        });
        QVERIFY(p->StartPrint());
        for (int i = 0; i < 3; ++i) {
            p->NewPage();
            QCOMPARE(p->CurrentX(), 0.0f); // the head line leaves the position alone
            QCOMPARE(p->CurrentY(), 0.0f);
            p->TextOut(QStringLiteral("正文%1").arg(i + 1));
            if (i == 1) {
                // Page 1 is shown as soon as it is complete; page 2 saved enables "next".
                QVERIFY(p->pageShown());
                QCOMPARE(p->CurrentPage(), 1);
                QVERIFY(!p->pageUpEnabled());
            }
        }
        QVERIFY(p->pageDownEnabled());
        p->EndDoc();
        QCOMPARE(events, (QStringList{"H1", "F1", "H2", "F2", "H3", "F3"}));
        QCOMPARE(p->PageCount(), 3);
        QCOMPARE(p->CurrentPage(), 1);
        QCOMPARE(p->statusText(), QStringLiteral("状态:1/3(页)"));
        QVERIFY(!p->pageUpEnabled());
        QVERIFY(p->pageDownEnabled());

        PageRecord page2;
        QVERIFY(p->loadPage(2, page2));
        QCOMPARE(page2.texts(), (QStringList{"Quorvane", "Wexmoor", "正文2", "第2页"}));
        // Eight grey corner marks in every preview page.
        int marks = 0;
        for (const auto &op : opsOf(page2, PageOp::Line))
            marks += op.rgb == lumo::resolveColor(SysGrayText).rgb() ? 1 : 0;
        QCOMPARE(marks, 8 + 2); // and the rules of the head and foot lines
        QVERIFY(p->shownPage());
        QCOMPARE(p->shownPage()->texts().at(2), QStringLiteral("正文1"));

        // Head and foot geometry with fixed metrics (9 pt: line 225 twips, 我 180 wide).
        const auto texts = opsOf(page2, PageOp::Text);
        const double W = p->paperWidthTwips() - 2 * 1133.858, H = p->paperHeightTwips() - 2 * 1133.858;
        QCOMPARE(texts[0].y1, float(-450));                  // two 我-heights above the printable area
        QCOMPARE(texts[1].x1, float(W - 7 * 90));            // right text ends at the right margin
        QCOMPARE(texts[3].y1, float(std::nearbyint(H + 225))); // one body 我-height below it
        QCOMPARE(texts[3].x1, float((W - (2 * 180 + 90)) / 2));
        const auto lines = opsOf(page2, PageOp::Line);
        QCOMPARE(lines[8].y1, float(-450 + 225 + 60));       // head rule 60 twips under the texts
        QCOMPARE(lines[8].x1, -120.0f);
        // The foot rule 60 twips above the unrounded top of the foot texts, 120 beyond both margins.
        QCOMPARE(lines[9].y1, float(H + 225 - 60));
        QCOMPARE(lines[9].y2, lines[9].y1);
        QCOMPARE(lines[9].x1, -120.0f);
        QCOMPARE(lines[9].x2, float(W + 120));
        QCOMPARE(lines[8].x2, float(W + 120));

        // A handler that stores a page number there sets the page count.
        auto q = makePrinter();
        connect(q.get(), &LumoPrinter::PrintHeader, q.get(), [](PageTextArgs &a) { a.CurrentPage += 10; });
        q->StartPrint();
        q->NewPage();
        QCOMPARE(q->PageCount(), 11);
        q->EndDoc();
    }

    void headerAppearance()
    {
        auto p = makePrinter();
        // One font object shared by the head and the foot: both follow changes made to it.
        auto shared = std::make_shared<QFont>(QStringLiteral("宋体"));
        shared->setPointSizeF(9);
        p->Header()->setLeftFont(shared);
        p->Footer()->setLeftFont(shared);
        QCOMPARE(p->Header()->LineColor(), SysGrayText);
        QCOMPARE(p->Header()->LineWidth(), short(1));
        {
            // A new descriptor: grey texts and rule, visible rule of width 1, three separate 9-pt fonts;
            // a released font reads as a new default font.
            PageInfo info;
            QCOMPARE(info.LeftColor(), SysGrayText);
            QCOMPARE(info.CenterColor(), SysGrayText);
            QCOMPARE(info.RightColor(), SysGrayText);
            QVERIFY(info.LineVisible());
            QVERIFY(info.LeftFont() != info.CenterFont() && info.CenterFont() != info.RightFont());
            QCOMPARE(info.RightFont()->pointSizeF(), 9.0);
            info.setCenterFont(nullptr);
            QVERIFY(info.CenterFont());
            QCOMPARE(info.CenterFont()->pointSizeF(), 9.0);
            QCOMPARE(info.CenterFont(), info.CenterFont()); // stored, not made anew at every reading
        }
        QVERIFY(p->Header()->RightFont() != p->Header()->LeftFont());
        QCOMPARE(p->Footer()->CenterFont()->pointSizeF(), 9.0);
        p->Header()->RightFont()->setUnderline(true);
        p->Header()->setRightColor(0xFF0000);
        p->Header()->setLineWidth(3);
        p->Footer()->setLineVisible(false);
        shared->setPointSizeF(12);
        connect(p.get(), &LumoPrinter::PrintHeader, p.get(), [](PageTextArgs &a) {
            a.CenterText = QStringLiteral("中");
            a.RightText = QStringLiteral("右");
        });
        connect(p.get(), &LumoPrinter::PrintFooter, p.get(), [](PageTextArgs &a) { a.LeftText = QStringLiteral("左"); });
        p->StartPrint();
        p->NewPage();
        QCOMPARE(p->DrawWidth(), 1); // the body pen is back after the head line
        p->EndDoc();
        PageRecord page;
        QVERIFY(p->loadPage(1, page));
        const auto texts = opsOf(page, PageOp::Text);
        QCOMPARE(texts.size(), 3);
        // The centre text stands two 我-heights of the 12-pt left font above the area, left text or not.
        QCOMPARE(texts[0].y1, float(-2 * 300));
        QVERIFY(page.fonts[texts[1].index].underline());
        QCOMPARE(texts[1].rgb, qRgb(0, 0, 255));
        QCOMPARE(page.fonts[texts[2].index].pixelSize(), 240); // the shared 12-pt font in the foot
        const auto lines = opsOf(page, PageOp::Line);
        QCOMPARE(lines.size(), 9); // eight marks and the head rule; no foot rule
        QCOMPARE(lines[8].penWidth, float(3 * 15));

        // Zoom 1.5: the 9-pt head font draws at 13.5 pt on the zoomed surface, the body stays.
        auto z = makePrinter();
        PropertyBag bag;
        bag.write("Zoom", 1.5f);
        z->ReadProperties(bag);
        connect(z.get(), &LumoPrinter::PrintHeader, z.get(), [](PageTextArgs &a) { a.LeftText = QStringLiteral("甲"); });
        z->StartPrint();
        QCOMPARE(z->FontSize(), 13.5f);
        z->NewPage();
        QCOMPARE(z->FontSize(), 13.5f);
        QCOMPARE(z->surfacePage().texts(), QStringList{"甲"});
        // Page coordinates do not zoom: the head stands where it does at 100 %.
        QCOMPARE(opsOf(z->surfacePage(), PageOp::Text)[0].y1, float(-450));
        z->EndDoc();
    }

    void cancel()
    {
        auto p = makePrinter();
        int headers = 0, footers = 0;
        connect(p.get(), &LumoPrinter::PrintHeader, p.get(), [&](PageTextArgs &a) { ++headers; a.LeftText = "h"; });
        connect(p.get(), &LumoPrinter::PrintFooter, p.get(), [&](PageTextArgs &a) { ++footers; a.LeftText = "f"; });
        p->CancelPrint(); // not busy: nothing
        p->StartPrint();
        for (int i = 0; i < 4; ++i)
            p->NewPage();
        p->CancelPrint();
        const size_t before = p->surfacePage().ops.size();
        p->NewPage();
        p->NewPage();
        QCOMPARE(p->CellOut(QStringLiteral("甲"), 20), 0.0f);
        QCOMPARE(p->TextOut(QStringLiteral("甲")), 0.0f);
        p->CircleOut(10, 10, 5);
        p->TextOutEx(QStringLiteral("甲乙丙"));
        QCOMPARE(p->PageCount(), 4);
        QCOMPARE(headers, 4);
        QCOMPARE(p->surfacePage().ops.size(), before);
        p->EndDoc();
        QCOMPARE(footers, 4);
        QVERIFY(!p->Busy());
        PageRecord last;
        QVERIFY(p->loadPage(4, last));
        QVERIFY(!last.texts().contains("f")); // the foot line is not drawn after a cancel
        // The next document draws normally.
        p->StartPrint();
        p->NewPage();
        QVERIFY(p->CellOut(QStringLiteral("甲"), 20) > 0);
        p->EndDoc();
    }

    void reviewFromCurrentPage()
    {
        auto p = makePrinter();
        const auto produce = [&](int pages) {
            p->StartPrint();
            for (int i = 0; i < pages; ++i) {
                p->NewPage();
                p->TextOut(QStringLiteral("第%1页正文").arg(i + 1));
            }
        };
        produce(3);
        p->EndDoc();
        p->SetViewPage(2);
        p->setReviewFrom1st(false);
        produce(2);
        QVERIFY(!p->pageShown()); // page 2 is still being drawn
        p->NewPage();             // saves page 2: it is shown now
        QVERIFY(p->pageShown());
        QCOMPARE(p->shownPage()->texts(), QStringList{"第2页正文"});
        QCOMPARE(p->CurrentPage(), 2);
        p->EndDoc();
        QCOMPARE(p->CurrentPage(), 2);
        QCOMPARE(p->statusText(), QStringLiteral("状态:2/3(页)"));

        // A shorter document than the page on view: its last page is shown, never 3 of 1.
        p->SetViewPage(3);
        produce(1);
        QVERIFY(!p->statusText().contains("3/"));
        p->EndDoc();
        QCOMPARE(p->CurrentPage(), 1);
        QCOMPARE(p->statusText(), QStringLiteral("状态:1/1(页)"));
        QVERIFY(p->pageShown());
        QVERIFY(!p->pageUpEnabled());
        QVERIFY(!p->pageDownEnabled());
    }

    void pageFilesStayInOwnFolder()
    {
        // Files of other programs, in the temporary folder and in the current directory.
        const QString foreignTemp = QDir::tempPath() + QStringLiteral("/tubTemp.001");
        const bool hadForeign = QFile::exists(foreignTemp);
        if (!hadForeign) {
            QFile f(foreignTemp);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("other program");
        }
        QTemporaryDir cwd;
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        QFile local(QStringLiteral("tubTemp.002"));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.write("x");
        local.close();

        QString folder;
        {
            auto p = makePrinter();
            folder = p->TempDirectory();
            QVERIFY(folder.startsWith(QDir::toNativeSeparators(QDir::tempPath())));
            QVERIFY(folder != QDir::toNativeSeparators(QDir::tempPath() + "/"));
            p->StartPrint();
            for (int i = 0; i < 12; ++i)
                p->NewPage();
            p->EndDoc();
            QVERIFY(QFile::exists(folder + "tubTemp.001"));
            QVERIFY(QFile::exists(folder + "tubTemp.012"));
            QCOMPARE(p->pageFileName(1000), folder + "tubTemp.1000");
        }
        QVERIFY(!QFile::exists(folder + "tubTemp.001"));
        QVERIFY(!QDir(folder).exists());
        QVERIFY(QFile::exists(foreignTemp));
        QVERIFY(QFile::exists(cwd.path() + "/tubTemp.002"));
        QDir::setCurrent(oldCwd);
        if (!hadForeign)
            QFile::remove(foreignTemp);
    }

    void pagesWithoutATemporaryFolder()
    {
        // No writable temporary folder: the pages are kept in memory and paging shows each one.
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", "/proc"); // a folder where nothing can be created
        auto p = makePrinter();
        qputenv("TMPDIR", oldTmp);
        if (oldTmp.isEmpty())
            qunsetenv("TMPDIR");
        QVERIFY(p->TempDirectory().isEmpty());
        p->StartPrint();
        for (int i = 1; i <= 4; ++i) {
            p->NewPage();
            p->TextOut(QStringLiteral("第%1页正文").arg(i));
        }
        p->EndDoc();
        QCOMPARE(p->shownPage()->texts(), QStringList{QStringLiteral("第1页正文")});
        for (int i : {3, 2, 4}) {
            p->SetViewPage(i);
            QCOMPARE(p->CurrentPage(), i);
            QCOMPARE(p->shownPage()->texts(), QStringList{QStringLiteral("第%1页正文").arg(i)});
        }
        PageRecord second;
        QVERIFY(p->loadPage(2, second));
        QCOMPARE(second.texts(), QStringList{QStringLiteral("第2页正文")});
        // A shorter document laid out again shows its own pages.
        p->StartPrint();
        p->NewPage();
        p->TextOut(QStringLiteral("新文档"));
        p->EndDoc();
        QCOMPARE(p->CurrentPage(), 1);
        QCOMPARE(p->shownPage()->texts(), QStringList{QStringLiteral("新文档")});
        QVERIFY(!p->loadPage(2, second));
    }

    void marginSetInTheMiddleOfAPage()
    {
        // What is drawn stays where it was drawn; what follows uses the new margin.
        auto p = makePrinter();
        p->StartPrint();
        p->NewPage();
        p->CellOut(QStringLiteral("甲"), 30);
        p->setLeftMargin(41);
        p->setTopMargin(30);
        p->setCurrentX(0);
        p->setCurrentY(0);
        p->CellOut(QStringLiteral("乙"), 30);
        p->EndDoc();
        PageRecord page;
        QVERIFY(p->loadPage(1, page));
        const auto paperX = [&](const QString &text) {
            for (const PageOp &op : page.ops) {
                if (op.kind == PageOp::Text && op.text == text)
                    return (page.originX + op.x1) / 56.6929;
            }
            return -1.0;
        };
        const auto paperY = [&](const QString &text) {
            for (const PageOp &op : page.ops) {
                if (op.kind == PageOp::Text && op.text == text)
                    return (page.originY + op.y1) / 56.6929;
            }
            return -1.0;
        };
        QVERIFY(std::abs(paperX(QStringLiteral("甲")) - 21) < 0.01); // 20 mm margin + 1 mm cell margin
        QVERIFY(std::abs(paperX(QStringLiteral("乙")) - 42) < 0.01);
        QVERIFY(paperY(QStringLiteral("甲")) < 30);
        QVERIFY(paperY(QStringLiteral("乙")) > 30);
        const auto rects = opsOf(page, PageOp::Rect);
        QVERIFY(std::any_of(rects.begin(), rects.end(), [&](const PageOp &op) {
            return std::abs((page.originX + op.x1) / 56.6929 - 20) < 0.01 && std::abs((page.originY + op.y1) / 56.6929 - 20) < 0.01;
        }));
    }
};

QTEST_MAIN(tst_engine_document)
#include "tst_engine_document.moc"
