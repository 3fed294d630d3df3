#include "shell/keys.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace quorvane;

// The keyboard hooks the registers share, on a plain form of their own.
class TestKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enterPressesAFocusedEnabledButtonOnce()
    {
        QWidget form;
        auto *lay = new QVBoxLayout(&form);
        auto *box = new QLineEdit(&form);
        auto *save = new QPushButton(QStringLiteral("保存"), &form);
        lay->addWidget(box);
        lay->addWidget(save);
        keys::pressOnEnter(save);
        QVERIFY(!save->autoDefault());
        QVERIFY(!save->isDefault());
        int clicks = 0;
        connect(save, &QPushButton::clicked, [&] { ++clicks; });
        form.show();
        save->setFocus();

        QTest::keyClick(save, Qt::Key_Return);
        QCOMPARE(clicks, 1);
        QTest::keyClick(save, Qt::Key_Enter);
        QCOMPARE(clicks, 2);
        // Enter held down presses once, not once per repeat.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(save, &repeat);
        QCOMPARE(clicks, 2);
        // A disabled button is not pressed, and the Enter goes nowhere else.
        save->setEnabled(false);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QVERIFY(QApplication::sendEvent(save, &enter));
        QCOMPARE(clicks, 2);
        // Other keys reach the button as before: space still presses it.
        save->setEnabled(true);
        QTest::keyClick(save, Qt::Key_Space);
        QCOMPARE(clicks, 3);
    }

    void enterAndTypedKeysReachTheFieldHandler()
    {
        QWidget form;
        auto *lay = new QVBoxLayout(&form);
        auto *a = new QLineEdit(&form);
        auto *b = new QLineEdit(&form);
        lay->addWidget(a);
        lay->addWidget(b);
        QList<int> typedA;
        int entersB = 0;
        keys::onKeyPress(a, [&](int k) { typedA << k; });
        keys::onEnter(b, [&] { ++entersB; });
        form.show();
        a->setFocus();

        QTest::keyClicks(a, QStringLiteral("x1"));
        QTest::keyClick(a, Qt::Key_Return);
        QCOMPARE(typedA, (QList<int>{'x', '1', 13}));
        QCOMPARE(a->text(), QStringLiteral("x1"));
        // Tab moves on and types nothing.
        QTest::keyClick(a, Qt::Key_Tab);
        QCOMPARE(typedA.size(), 3);
        // Text committed by an input method counts as typed, and still reaches the box.
        QInputMethodEvent ime;
        ime.setCommitString(QStringLiteral("钱"));
        QApplication::sendEvent(a, &ime);
        QCOMPARE(typedA.last(), int(QChar(u'钱').unicode()));
        QCOMPARE(a->text(), QStringLiteral("x1钱"));

        QTest::keyClicks(b, QStringLiteral("ab"));
        QTest::keyClick(b, Qt::Key_Enter);
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(entersB, 2);
        QCOMPARE(b->text(), QStringLiteral("ab"));
    }

    void upAndDownLetGoReachTheHandlerAndTheBox()
    {
        QLineEdit box;
        box.setText(QStringLiteral("abc"));
        QList<int> codes;
        keys::onKeyUp(&box, [&](int code) { codes << code; });
        box.show();
        box.setFocus();
        box.setCursorPosition(1);
        QTest::keyClick(&box, Qt::Key_Down);
        QTest::keyClick(&box, Qt::Key_Up);
        QTest::keyClick(&box, Qt::Key_Left);
        QCOMPARE(codes, (QList<int>{40, 38}));
        // The keys themselves still act on the box (Left moved the caret).
        QVERIFY(box.cursorPosition() < 3);
    }

    void aKeyActsWhenLetGoOnlyIfPressedInTheBox()
    {
        QLineEdit box;
        QList<int> codes;
        keys::onKeyUpPressedHere(&box, [&](int code) { codes << code; });
        box.show();
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_Return);
        QTest::keyClick(&box, Qt::Key_Down);
        QTest::keyClick(&box, Qt::Key_Up);
        QTest::keyClick(&box, Qt::Key_A);
        QCOMPARE(codes, (QList<int>{13, 40, 38}));
        // An Enter pressed elsewhere (the one that closed a message box) and let go here does nothing.
        codes.clear();
        QTest::keyRelease(&box, Qt::Key_Return);
        QVERIFY(codes.isEmpty());
        // Pressed, then the box loses the focus: the key is forgotten.
        QTest::keyPress(&box, Qt::Key_Down);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(&box, &out);
        QTest::keyRelease(&box, Qt::Key_Down);
        QVERIFY(codes.isEmpty());
        // Held down: the repeats do nothing, the last let-go acts once.
        QTest::keyPress(&box, Qt::Key_Up);
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&box, &repeatUp);
        QVERIFY(codes.isEmpty());
        QTest::keyRelease(&box, Qt::Key_Up);
        QCOMPARE(codes, (QList<int>{38}));
    }

    void aBoxGainingTheFocusPutsTheCaretAtTheEnd()
    {
        QWidget form;
        auto *lay = new QVBoxLayout(&form);
        auto *first = new QLineEdit(&form);
        auto *second = new QLineEdit(QStringLiteral("2024"), &form);
        lay->addWidget(first);
        lay->addWidget(second);
        bool hadFocus = false;
        keys::onGotFocus(second, [&] {
            hadFocus = second->hasFocus();
            keys::caretToEnd(second);
        });
        form.show();
        QApplication::setActiveWindow(&form);
        first->setFocus();
        second->setCursorPosition(0);
        // Tab would select the whole text; the box ends with the caret at the end instead.
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(second->hasFocus());
        QVERIFY(hadFocus);
        QVERIFY(!second->hasSelectedText());
        QCOMPARE(second->cursorPosition(), 4);
    }

    void aLongerStoredTextShowsWholeUntilShortened()
    {
        QLineEdit box;
        keys::limitTyping(&box, 4);
        box.show();
        box.setFocus();
        QTest::keyClicks(&box, QStringLiteral("123456"));
        QCOMPARE(box.text(), QStringLiteral("1234"));

        keys::setTextWhole(&box, QStringLiteral("2023AB"), 4);
        QCOMPARE(box.text(), QStringLiteral("2023AB"));
        box.end(false);
        QTest::keyClick(&box, Qt::Key_X);
        QCOMPARE(box.text(), QStringLiteral("2023AB"));
        // Shortened to fit, the box takes its limit back.
        QTest::keyClick(&box, Qt::Key_Backspace);
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), QStringLiteral("2023"));
        QCOMPARE(box.maxLength(), 4);
        QTest::keyClick(&box, Qt::Key_X);
        QCOMPARE(box.text(), QStringLiteral("2023"));
        // A short text leaves the limit as it is.
        keys::setTextWhole(&box, QStringLiteral("7"), 4);
        QCOMPARE(box.maxLength(), 4);
    }
};

QTEST_MAIN(TestKeys)
#include "tst_keys.moc"
