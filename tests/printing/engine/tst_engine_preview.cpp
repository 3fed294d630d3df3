// The preview window: paging, buttons, status line, close and print requests, paper changes.
#include "enginetest.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

using namespace quorvane;
using namespace enginetest;

namespace {
void produce(LumoPrinter &p, int pages)
{
    p.StartPrint();
    for (int i = 0; i < pages; ++i) {
        p.NewPage();
        p.TextOut(QStringLiteral("第%1页正文").arg(i + 1));
    }
    p.EndDoc();
}

// Double-clicks a widget with a mouse button as a user does: a click, then the double click.
void doubleClick(QWidget *widget, Qt::MouseButton button)
{
    QTest::mouseClick(widget, button);
    QTest::mouseDClick(widget, button);
}

QString shownText(const LumoPrinter &p)
{
    const auto page = p.shownPage();
    return page && !page->texts().isEmpty() ? page->texts().first() : QString();
}
} // namespace

class tst_engine_preview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpEngineTests(); }
    void init() { messages().clear(); }

    void paging()
    {
        auto p = makePrinter();
        QCOMPARE(p->statusText(), QStringLiteral("当前打印信息为空!"));
        QVERIFY(!p->pageUpEnabled() && !p->pageDownEnabled());
        produce(*p, 3);
        QCOMPARE(shownText(*p), QStringLiteral("第1页正文"));
        for (int bad : {0, -1, 4}) {
            p->SetViewPage(bad);
            QCOMPARE(p->CurrentPage(), 1);
            QCOMPARE(shownText(*p), QStringLiteral("第1页正文"));
        }
        p->SetViewPage(2);
        QVERIFY(p->pageUpEnabled() && p->pageDownEnabled());
        QCOMPARE(shownText(*p), QStringLiteral("第2页正文"));
        QCOMPARE(p->statusText(), QStringLiteral("状态:1/3(页)")); // SetViewPage leaves the status line
        p->SetViewPage(3);
        QVERIFY(p->pageUpEnabled() && !p->pageDownEnabled());
        p->PageDown(); // on the last page: unchanged, the status line rewritten
        QCOMPARE(p->CurrentPage(), 3);
        QCOMPARE(p->statusText(), QStringLiteral("状态:3/3(页)"));
        p->cmdPageUp->click();
        QCOMPARE(p->CurrentPage(), 2);
        QCOMPARE(p->statusText(), QStringLiteral("状态:2/3(页)"));
        QTest::keyClick(p.get(), Qt::Key_PageUp);
        QCOMPARE(p->CurrentPage(), 1);
        QVERIFY(!p->pageUpEnabled() && p->pageDownEnabled());
        p->PageUp();
        QCOMPARE(p->statusText(), QStringLiteral("状态:1/3(页)"));
        QTest::keyClick(p.get(), Qt::Key_PageDown);
        QCOMPARE(shownText(*p), QStringLiteral("第2页正文"));
        QTest::keyClick(p.get(), Qt::Key_Home); // other keys do nothing
        QCOMPARE(p->CurrentPage(), 2);

        // While a document is produced: its open page cannot be shown, finished ones can.
        p->SetViewPage(1);
        p->StartPrint();
        p->NewPage();
        p->NewPage();
        p->NewPage();
        p->SetViewPage(3);
        QCOMPARE(p->CurrentPage(), 1);
        p->SetViewPage(2);
        QCOMPARE(p->CurrentPage(), 2);
        p->EndDoc();

        auto one = makePrinter();
        produce(*one, 1);
        QVERIFY(one->pageShown());
        QVERIFY(!one->pageUpEnabled() && !one->pageDownEnabled());
        QCOMPARE(one->statusText(), QStringLiteral("状态:1/1(页)"));
    }

    void toolbarRequests()
    {
        auto p = makePrinter();
        QStringList got;
        connect(p.get(), &LumoPrinter::RealPrint, p.get(), [&] { got << "all"; });
        connect(p.get(), &LumoPrinter::cmdprint2Preview, p.get(), [&] { got << "page2"; });
        connect(p.get(), &LumoPrinter::cmdprint3Preview, p.get(), [&] { got << "page3"; });
        p->cmdPrint->click();
        p->cmdPrint2->click();
        p->cmdPrint3->click();
        QCOMPARE(got, (QStringList{"all", "page2", "page3"}));
        QCOMPARE(p->cmdPrint->toolTip(), QStringLiteral("打印全部显示的内容"));
        QCOMPARE(p->cmdPrint2->toolTip(), QStringLiteral("打印当前页显示内容"));
        QCOMPARE(p->cmdClose->toolTip(), QStringLiteral("关闭预览"));

        // A print request clicked while a document is produced waits for its end: never nested.
        got.clear();
        bool busyWhenServed = true;
        connect(p.get(), &LumoPrinter::RealPrint, p.get(), [&] { busyWhenServed = p->Busy(); });
        QMetaObject::invokeMethod(p->cmdPrint, "click", Qt::QueuedConnection);
        QMetaObject::invokeMethod(p->cmdPrint, "click", Qt::QueuedConnection);
        p->StartPrint();
        for (int i = 0; i < 3; ++i)
            p->NewPage();
        QVERIFY(got.isEmpty());
        p->EndDoc();
        QVERIFY(got.isEmpty());
        QTRY_COMPARE(got, QStringList{"all"});
        QVERIFY(!busyWhenServed);
    }

    void closeRequest()
    {
        auto p = makePrinter();
        int closes = 0;
        connect(p.get(), &LumoPrinter::CloseRequest, p.get(), [&] { ++closes; });
        produce(*p, 3);
        p->SetViewPage(2);
        p->cmdClose->click();
        QCOMPARE(p->CurrentPage(), 1);
        QVERIFY(!p->pageUpEnabled() && !p->pageDownEnabled());
        QCOMPARE(closes, 0); // deferred to the timer
        p->ClosePreview();
        p->tmrCancel_Timer();
        p->tmrCancel_Timer();
        QCOMPARE(closes, 1); // two requests within one interval give one event

        // The real timer (every half second) serves it.
        p->ClosePreview();
        QTRY_COMPARE(closes, 2);

        // A close arriving during a layout cancels the rest and is carried out after EndDoc.
        bool busyAtClose = true;
        connect(p.get(), &LumoPrinter::CloseRequest, p.get(), [&] { busyAtClose = p->Busy(); });
        QMetaObject::invokeMethod(p->cmdClose, "click", Qt::QueuedConnection);
        QMetaObject::invokeMethod(p.get(), [&] { p->tmrCancel_Timer(); }, Qt::QueuedConnection);
        p->StartPrint();
        p->NewPage();                // serves the click (the document is cancelled) and a tick
        QCOMPARE(closes, 2);         // not under the running layout
        for (int i = 0; i < 5; ++i)
            p->NewPage();
        QCOMPARE(p->PageCount(), 1);
        p->EndDoc();
        p->tmrCancel_Timer();
        QCOMPARE(closes, 3);
        QVERIFY(!busyAtClose);

        // A document its host left without EndDoc does not keep the preview from closing.
        p->StartPrint();
        p->NewPage();
        p->cmdClose->click();
        p->tmrCancel_Timer();
        QCOMPARE(closes, 4);

        // Closing the window that holds the preview under a running layout becomes a close request.
        QWidget host;
        auto *inner = new LumoPrinter(&host);
        inner->setTextMetrics(std::make_shared<FixedTextMetrics>());
        int innerCloses = 0;
        connect(inner, &LumoPrinter::CloseRequest, inner, [&] { ++innerCloses; });
        host.show();
        inner->StartPrint();
        QTimer::singleShot(0, &host, [&] { host.close(); });
        inner->NewPage();
        QVERIFY(host.isVisible());
        QVERIFY(inner->closeRequested());
        inner->EndDoc();
        inner->tmrCancel_Timer();
        QCOMPARE(innerCloses, 1);
    }

    void documentsNeverNest()
    {
        auto p = makePrinter();
        QWidget other;
        auto *button = new QPushButton(QStringLiteral("其他"), &other);
        other.show();
        int otherClicks = 0;
        connect(button, &QPushButton::clicked, button, [&] { ++otherClicks; });
        bool nestedStarted = true;
        p->StartPrint();
        p->NewPage();
        // Work that arrives while the layout lets events run: a timer that starts another document,
        // a click into another window.
        QTimer::singleShot(0, p.get(), [&] { nestedStarted = p->StartPrint(); });
        const QPoint c = button->rect().center();
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, c, button->mapToGlobal(c),
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, c, button->mapToGlobal(c),
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        p->TextOut(QStringLiteral("正文"));
        p->NewPage();
        QVERIFY(!nestedStarted);
        QCOMPARE(otherClicks, 0);
        QCOMPARE(p->PageCount(), 2);
        QVERIFY(p->Busy());
        p->EndDoc();
        QCOMPARE(p->PageCount(), 2);
        PageRecord first;
        QVERIFY(p->loadPage(1, first));
        QVERIFY(first.texts().contains(QStringLiteral("正文")));
        // The preview's own page buttons are served during the layout.
        p->StartPrint();
        p->NewPage();
        p->NewPage();
        p->NewPage();
        QMetaObject::invokeMethod(p->cmdPageDown, "click", Qt::QueuedConnection);
        p->NewPage();
        QCOMPARE(p->CurrentPage(), 2);
        QVERIFY(!p->cancelRequested());
        p->EndDoc();
    }

    void paperChanges()
    {
        auto p = makePrinter();
        int redraws = 0;
        connect(p.get(), &LumoPrinter::NeedRedraw, p.get(), [&] { ++redraws; });
        // No pages: the surface changes, no event.
        p->setLeftMargin(25);
        QCOMPARE(redraws, 0);
        produce(*p, 2);
        // Cell margins, the paper code and a coded paper's width ask for no new layout.
        p->setLeftCellMargin(2);
        p->setPaperSize(11);
        p->setPaperSize(9);
        p->setPaperWidth(100);
        QCOMPARE(redraws, 0);
        QVERIFY(p->pageShown());
        p->setLeftMargin(20);
        QCOMPARE(redraws, 1);
        QVERIFY(!p->pageShown()); // hidden until the host has laid the document out again

        // Right-button double click turns the paper and asks for a new layout.
        produce(*p, 2);
        doubleClick(p->imgDsp, Qt::LeftButton);
        QCOMPARE(p->Orientation(), 1);
        doubleClick(p->imgDsp, Qt::RightButton);
        QCOMPARE(p->Orientation(), 2);
        QCOMPARE(redraws, 2);
        doubleClick(p->imgDsp, Qt::RightButton);
        QCOMPARE(p->Orientation(), 1);

        // AutoRedraw: the shown page is stretched, no event.
        produce(*p, 2);
        p->setAutoRedraw(true);
        const int before = redraws;
        p->setOrientation(2);
        QCOMPARE(redraws, before);
        QVERIFY(p->pageShown());
        QVERIFY(p->imgDsp->width() > p->imgDsp->height());
        p->setAutoRedraw(false);

        // Under a running document a margin change waits for the end, the paper is not turned.
        produce(*p, 1);
        const int count = redraws;
        bool busyAtRedraw = true;
        connect(p.get(), &LumoPrinter::NeedRedraw, p.get(), [&] { busyAtRedraw = p->Busy(); });
        p->StartPrint();
        p->NewPage();
        p->setTopMargin(15);
        doubleClick(p->imgDsp, Qt::RightButton);
        QCOMPARE(p->Orientation(), 2);
        QCOMPARE(redraws, count);
        p->EndDoc();
        QTRY_COMPARE(redraws, count + 1);
        QVERIFY(!busyAtRedraw);

        // ZoomOut never zooms; it cancels a running document.
        const float zoom = p->ZoomFactor();
        p->ZoomOut();
        QCOMPARE(p->ZoomFactor(), zoom);
        p->StartPrint();
        p->NewPage();
        p->ZoomOut();
        p->NewPage();
        QCOMPARE(p->PageCount(), 1);
        p->EndDoc();
    }

    void layout()
    {
        // Twips per bar unit and the bar's maximum for a range.
        const auto scaling = [](double range) {
            int scale = 0, maximum = 0;
            LumoPrinter::scrollScaling(range, scale, maximum);
            return std::pair(scale, maximum);
        };
        QCOMPARE(scaling(255), std::pair(1, 255));
        QCOMPARE(scaling(16384), std::pair(2, 8192));
        QCOMPARE(scaling(16383), std::pair(1, 16383));
        QCOMPARE(scaling(40000), std::pair(2, 20000));

        auto p = makePrinter();
        p->show();
        produce(*p, 1);
        p->resize(1400, 1400); // room for the whole page: no bars, the page centred
        QVERIFY(p->HScroll1->isHidden() && p->VScroll1->isHidden() && p->Command1->isHidden());
        QCOMPARE(p->frmDsp->x(), (1400 - p->frmDsp->width()) / 2);
        QCOMPARE(p->frmDsp->y(), (1400 + 45 - p->frmDsp->height()) / 2);
        // Around the page the control shows its background colour (application workspace).
        const QImage whole = p->grab().toImage();
        QCOMPARE(whole.pixelColor(5, 1390), QColor(171, 171, 171));
        QCOMPARE(whole.pixelColor(p->frmDsp->x() + 5, p->frmDsp->y() + 5), QColor(171, 171, 171));
        QCOMPARE(whole.pixelColor(700, 30), QColor(240, 240, 240)); // the toolbar: button face
        // BorderStyle 1 (the default) draws a border round the control; its inner area lies inside.
        QCOMPARE(whole.pixelColor(0, 700), QColor(64, 64, 64));
        QCOMPARE(whole.pixelColor(700, 1399), QColor(64, 64, 64));
        QCOMPARE(whole.pixelColor(1399, 30), QColor(64, 64, 64));
        QCOMPARE(p->picTlb->geometry(), QRect(1, 1, 1398, 45));
        p->setBorderStyle(0);
        const QImage plain = p->grab().toImage();
        QCOMPARE(plain.pixelColor(0, 700), QColor(171, 171, 171));
        QCOMPARE(plain.pixelColor(700, 1399), QColor(171, 171, 171));
        QCOMPARE(p->picTlb->geometry(), QRect(0, 0, 1400, 45));
        QCOMPARE(p->frmDsp->y(), (1400 + 45 - p->frmDsp->height()) / 2);
        p->setBorderStyle(1);
        p->resize(400, 300);   // both bars and the corner box
        QVERIFY(!p->HScroll1->isHidden() && !p->VScroll1->isHidden() && !p->Command1->isHidden());
        QCOMPARE(p->frmDsp->pos(), QPoint(1, 46));
        QCOMPARE(p->VScroll1->geometry().right(), 400 - 2);
        QCOMPARE(p->HScroll1->geometry().bottom(), 300 - 2);
        // The wheel over the page scrolls it down; an arrow step is a few lines, not a pixel.
        QWheelEvent wheel(QPointF(10, 10), p->imgDsp->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(p->imgDsp, &wheel);
        QVERIFY(p->VScroll1->value() > 0);
        QVERIFY(p->frmDsp->y() < 45 - 20);
        QCOMPARE(p->VScroll1->singleStep() * p->vScrollScale(), 200);
        QVERIFY(p->VScroll1->pageStep() * p->vScrollScale() > 2000); // a click beside the thumb: a screen
        // The bars never take the focus from the page, so Page Up / Page Down keep paging.
        QCOMPARE(p->VScroll1->focusPolicy(), Qt::NoFocus);
        p->VScroll1->setValue(p->VScroll1->maximum());
        QVERIFY(p->frmDsp->y() < 0);
        QVERIFY(p->frmDsp->y() + p->frmDsp->height() <= 300 + 2);
        p->SetViewPage(1); // a page is always shown from its top-left corner
        QCOMPARE(p->VScroll1->value(), 0);
        p->setToolBarVisible(false);
        QCOMPARE(p->picTlb->y(), 1 - 45);
        QCOMPARE(p->frmDsp->y(), 1);
    }

    void pageViewPaintsThePage()
    {
        LumoPrinter p; // the real fonts
        p.resize(900, 1200);
        p.show();
        p.StartPrint();
        p.NewPage();
        p.TitleOut(QStringLiteral("预览标题"), 16, 2);
        p.CellOut(QStringLiteral("单元格"), 40, 10, 4);
        p.EndDoc();
        const QImage img = p.imgDsp->grab().toImage();
        if (qEnvironmentVariableIsSet("LUMO_PREVIEW_PNG"))
            img.save(qEnvironmentVariable("LUMO_PREVIEW_PNG"));
        QCOMPARE(img.size(), QSize(794, 1123)); // A4 at 100 %, 15 twips to the pixel
        int dark = 0;
        for (int y = 0; y < img.height(); y += 2) {
            for (int x = 0; x < img.width(); x += 2)
                dark += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
        }
        QVERIFY(dark > 50);                                  // title, text and cell border
        QCOMPARE(img.pixelColor(5, 5), QColor(Qt::white));   // the paper colour
    }
};

QTEST_MAIN(tst_engine_preview)
#include "tst_engine_preview.moc"
