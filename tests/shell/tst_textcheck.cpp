// Text checks shared by the input windows, and the reading of numbers from typed text.
#include "shell/textcheck.h"
#include "shell/valuetext.h"

#include <QWidget>
#include <QtTest>

using namespace quorvane;

class TextCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void displayWidthCountsGbkBytes()
    {
        QCOMPARE(DisplayWidth(QString()), qint16(0));
        QCOMPARE(DisplayWidth(QStringLiteral("abc")), qint16(3));
        QCOMPARE(DisplayWidth(QStringLiteral("张三")), qint16(4));
        QCOMPARE(DisplayWidth(QStringLiteral("张三 ")), qint16(4));   // trailing blank not counted
        QCOMPARE(DisplayWidth(QStringLiteral("a张")), qint16(3));
        QCOMPARE(DisplayWidth(QStringLiteral(" 张三")), qint16(3));  // leading blank examined, last char left out
        QCOMPARE(DisplayWidth(QStringLiteral("高一(3)班")), qint16(9));
        QCOMPARE(DisplayWidth(QStringLiteral("（全角）")), qint16(8)); // full-width punctuation is double-byte in GBK
        // A character GBK cannot represent is written as '?' and counts 1.
        QCOMPARE(DisplayWidth(QString(QChar(0x0E01))), qint16(1));      // Thai
    }

    void digitAndAlnumChecks()
    {
        QVERIFY(!HasNonDigit(QString()));
        QVERIFY(!HasNonDigit(QStringLiteral("   ")));
        QVERIFY(!HasNonDigit(QStringLiteral("2008")));
        QVERIFY(HasNonDigit(QStringLiteral("20a8")));
        QVERIFY(!HasNonDigit(QStringLiteral("2008 ")));
        QVERIFY(HasNonDigit(QStringLiteral("20 08")));
        QVERIFY(HasNonDigit(QStringLiteral(" 12")));
        QVERIFY(HasNonDigit(QStringLiteral("２００８"))); // full-width digits are not digits

        QVERIFY(!HasNonAlnum(QStringLiteral("Db2008")));
        QVERIFY(HasNonAlnum(QStringLiteral("db_2008")));
        QVERIFY(HasNonAlnum(QStringLiteral("学届")));
        QVERIFY(!HasNonAlnum(QString()));
    }

    void stripAndTrim()
    {
        QCOMPARE(StripBlanks(QStringLiteral(" a b ")), QStringLiteral("ab"));
        QCOMPARE(StripBlanks(QStringLiteral("a\r\nb")), QStringLiteral("a\rb"));
        QCOMPARE(StripBlanks(QStringLiteral("a\tb\u3000c")), QStringLiteral("a\tb\u3000c"));
        QCOMPARE(TrimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
        QCOMPARE(TrimBlanks(QStringLiteral("\ta\n")), QStringLiteral("\ta\n"));
        QCOMPARE(TrimBlanks(QStringLiteral("\u3000a ")), QStringLiteral("\u3000a"));
        QCOMPARE(TrimBlanks(QStringLiteral("   ")), QString());
    }

    void leadingNumber()
    {
        QCOMPARE(Val(QStringLiteral("12abc")), 12.0);
        QCOMPARE(Val(QStringLiteral("abc")), 0.0);
        QCOMPARE(Val(QStringLiteral("3班")), 3.0);
        QCOMPARE(Val(QStringLiteral("1 2")), 12.0);
        QCOMPARE(Val(QStringLiteral("1\t2\n3")), 123.0); // tabs and line feeds are skipped too
        QCOMPARE(Val(QStringLiteral("1\r2")), 1.0);       // a carriage return ends the number
        QCOMPARE(Val(QStringLiteral("  85.5分")), 85.5);
        QCOMPARE(Val(QStringLiteral("2.4")), 2.4);
        QCOMPARE(Val(QStringLiteral("-1")), -1.0);
        QCOMPARE(Val(QStringLiteral("1e2x")), 100.0);
        QCOMPARE(Val(QStringLiteral("1ex")), 1.0);
        QCOMPARE(Val(QStringLiteral(".5")), 0.5);
        QCOMPARE(Val(QStringLiteral("-")), 0.0);
        QCOMPARE(Val(QString()), 0.0);
    }

    void topMostKeepsPlaceAndSize()
    {
        QWidget w;
        w.setGeometry(120, 90, 400, 300);
        w.show();
        const QRect before = w.geometry();
        SetTopMost(&w);
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w.isVisible());
        QCOMPARE(w.geometry(), before);
        ClearTopMost(&w);
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w.isVisible());
        QCOMPARE(w.geometry(), before);
        // A hidden window only takes the setting; it is not shown by it.
        QWidget hidden;
        SetTopMost(&hidden);
        QVERIFY(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!hidden.isVisible());
        SetTopMost(nullptr);
    }

    // Stored values as every grid, chart and report shows them.
    void storedValuesAsCellText()
    {
        QCOMPARE(valueText(QVariant()), QString());
        QCOMPARE(valueText(QVariant(QMetaType::fromType<double>())), QString()); // Null number
        QCOMPARE(valueText(QStringLiteral("")), QString());
        QCOMPARE(valueText(85.5), QStringLiteral("85.5"));
        QCOMPARE(valueText(2.4000000000000004), QStringLiteral("2.4"));
        QCOMPARE(valueText(2023007.0), QStringLiteral("2023007"));          // no exponent
        QCOMPARE(valueText(1e16), QStringLiteral("10000000000000000"));
        QCOMPARE(valueText(qlonglong(20230101)), QStringLiteral("20230101"));
        QCOMPARE(valueText(-0.0), QStringLiteral("0"));
        QCOMPARE(valueText(0.0), QStringLiteral("0"));
        QCOMPARE(valueText(QStringLiteral("张三")), QStringLiteral("张三"));
        QCOMPARE(valueText(QStringLiteral("007")), QStringLiteral("007"));   // text stays as typed
        // Score and register cells leave a 0 empty, whether stored as a number or as text.
        QCOMPARE(valueText(0.0, ZeroShown::No), QString());
        QCOMPARE(valueText(0, ZeroShown::No), QString());
        QCOMPARE(valueText(QStringLiteral("0"), ZeroShown::No), QString());
        QCOMPARE(valueText(QStringLiteral("0.0"), ZeroShown::No), QString());
        QCOMPARE(valueText(-1.0, ZeroShown::No), QStringLiteral("-1"));
        QCOMPARE(valueText(QStringLiteral("0班"), ZeroShown::No), QStringLiteral("0班"));
    }
};

QTEST_MAIN(TextCheckTest)
#include "tst_textcheck.moc"
