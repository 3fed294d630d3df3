// The locale environment the program sets before its application object exists, so that the
// toolkit's own dialogs (the file dialog's dates) are Chinese.
#include "shell/register.h"

#include <QApplication>
#include <QLocale>
#include <QtTest>

using namespace quorvane;

class tst_locale : public QObject
{
    Q_OBJECT
private slots:
    void systemLocaleDatesAreChinese();
    void environment_data();
    void environment();
};

void tst_locale::systemLocaleDatesAreChinese()
{
    // The file dialog writes a file's date with the system locale's short format.
    const QDateTime when(QDate(2026, 12, 9), QTime(8, 5));
    const QString shown = QLocale::system().toString(when, QLocale::ShortFormat);
    QCOMPARE(shown, QLocale(QLocale::Chinese, QLocale::China).toString(when, QLocale::ShortFormat));
    QVERIFY2(!shown.contains(QStringLiteral("Dec")), qPrintable(shown));
}

void tst_locale::environment_data()
{
    QTest::addColumn<QStringList>("before");   // LC_ALL, LC_CTYPE, LANG, LC_TIME ("" unset)
    QTest::addColumn<QStringList>("after");
    const QString zh = QStringLiteral("zh_CN.UTF-8");
    QTest::newRow("C everywhere") << QStringList{"C.UTF-8", "", "en_US.UTF-8", ""} << QStringList{"", "C.UTF-8", zh, zh};
    QTest::newRow("own character set kept") << QStringList{"en_GB.UTF-8", "en_GB.ISO-8859-1", "", "en_GB.UTF-8"}
                                            << QStringList{"", "en_GB.ISO-8859-1", zh, zh};
    QTest::newRow("Chinese kept") << QStringList{"zh_TW.UTF-8", "", "zh_HK.UTF-8", ""} << QStringList{"zh_TW.UTF-8", "", "zh_HK.UTF-8", zh};
    QTest::newRow("nothing set") << QStringList{"", "", "", ""} << QStringList{"", "", zh, zh};
}

void tst_locale::environment()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    const char *names[] = {"LC_ALL", "LC_CTYPE", "LANG", "LC_TIME"};
    for (int i = 0; i < 4; ++i)
        before[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], before[i].toUtf8());
    useChineseLocaleEnvironment();
    QStringList now;
    for (const char *name : names)
        now << qEnvironmentVariable(name);
    QCOMPARE(now, after);
}

int main(int argc, char **argv)
{
    // As the program starts: the environment first (CTest runs the tests with LC_ALL=C.UTF-8).
    qputenv("LANG", "en_US.UTF-8");
    useChineseLocaleEnvironment();
    QApplication app(argc, argv);
    tst_locale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_locale.moc"
