// Input while a host lays a document out: real mouse and key input (through the shown window, as
// the platform delivers it) reaches the preview's own window and no other.
#define QTEST_QPA_MOUSE_HANDLING
#include "enginetest.h"

#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <QtTest>

using namespace quorvane;
using namespace enginetest;

class tst_engine_input : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpEngineTests(); }

    void inputDuringALayout()
    {
        // The preview window, and another window of the program beside it.
        QWidget window;
        auto *lay = new QVBoxLayout(&window);
        lay->setContentsMargins(0, 0, 0, 0);
        auto *p = new LumoPrinter(&window);
        p->setTextMetrics(std::make_shared<FixedTextMetrics>());
        lay->addWidget(p);
        window.resize(500, 400);
        QWidget other;
        auto *button = new QPushButton(QStringLiteral("其他"), &other);
        other.resize(200, 100);
        int otherClicks = 0;
        connect(button, &QPushButton::clicked, button, [&] { ++otherClicks; });
        int closes = 0;
        connect(p, &LumoPrinter::CloseRequest, p, [&] { ++closes; });
        other.show();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QApplication::setActiveWindow(&window);
        p->setFocus();

        // What the user does while pages are produced, each served when the layout next lets
        // events run.
        std::vector<std::function<void()>> inputs = {
            [&] { QTest::mouseClick(p->cmdPageDown, Qt::LeftButton); },        // next page
            [&] { QTest::keyClick(window.windowHandle(), Qt::Key_PageDown); }, // and the next
            [&] { QTest::mouseClick(button, Qt::LeftButton); },                // another window: not served
            [&] { QTest::keyClick(window.windowHandle(), Qt::Key_PageUp); },
            [&] { QTest::mouseClick(p->VScroll1, Qt::LeftButton, {}, QPoint(5, p->VScroll1->height() - 30)); },
            [&] { QTest::mouseClick(p->cmdClose, Qt::LeftButton); },           // close: the rest is cancelled
        };
        QVERIFY(p->StartPrint());
        int page = 0;
        for (; page < 200 && !p->cancelRequested(); ++page) {
            p->NewPage();
            p->TextOut(QStringLiteral("第%1页").arg(page + 1));
            if (page >= 4 && size_t(page - 4) < inputs.size()) {
                const auto input = inputs[size_t(page - 4)];
                QTimer::singleShot(0, p, input);
            }
            if (page == 5)
                QCOMPARE(p->CurrentPage(), 2);
            if (page == 6)
                QCOMPARE(p->CurrentPage(), 3);
            if (page == 8) {
                QCOMPARE(p->CurrentPage(), 2);
                QCOMPARE(p->VScroll1->value(), 0);
            }
            if (page == 9)
                QVERIFY(p->VScroll1->value() > 0);
        }
        QCOMPARE(otherClicks, 0);
        QVERIFY(p->cancelRequested());
        QCOMPARE(page, 11); // the page that was open when the close was clicked is the last
        QCOMPARE(p->PageCount(), 11);
        for (int i = 0; i < 5; ++i)
            p->NewPage(); // the layout goes on to its end, drawing nothing
        QCOMPARE(p->PageCount(), 11);
        p->EndDoc();
        QTRY_COMPARE(closes, 1);

        // The window's close request (its title bar) under a running layout: the window stays,
        // the document is cancelled, and the close is carried out once the document has ended.
        QVERIFY(p->StartPrint());
        p->NewPage();
        QTimer::singleShot(0, p, [&] { window.windowHandle()->close(); });
        p->NewPage();
        QVERIFY(window.isVisible());
        QVERIFY(p->cancelRequested());
        p->EndDoc();
        QTRY_COMPARE(closes, 2);
    }
};

QTEST_MAIN(tst_engine_input)
#include "tst_engine_input.moc"
