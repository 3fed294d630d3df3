// The exam chooser every exam-based window fills: which exams it lists, in which order, and when it
// calls its window back.
#include "shell/database.h"
#include "shell/outksxx.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;


class TestOutksxx : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { installScripted(); }
    void chooserListsCohortExamsNewestFirst();
};

void TestOutksxx::chooserListsCohortExamsNewestFirst()
{
    TempData data;
    QSqlDatabase db;
    QVERIFY(openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-sys"), &db));

    // No exam of the cohort: nothing listed, the id list stays unsized.
    {
        QComboBox combo;
        const QStringList ids = outksxx(db, QStringLiteral("2023"), &combo);
        QCOMPARE(combo.count(), 0);
        QVERIFY(ids.isEmpty());
        QCOMPARE(chosenExamId(&combo, ids), QString());
    }

    QVERIFY(addExamRow(db, QStringLiteral("230901080000"), QStringLiteral("第一次月考"), QStringLiteral("2023")));
    QVERIFY(addExamRow(db, QStringLiteral("240115090000"), QStringLiteral("期末考试"), QStringLiteral("2023")));
    QVERIFY(addExamRow(db, QStringLiteral("231101100000"), QStringLiteral("期中考试'"), QStringLiteral("2023")));
    QVERIFY(addExamRow(db, QStringLiteral("240301100000"), QStringLiteral("别的学届"), QStringLiteral("2022")));

    QComboBox combo;
    const QStringList ids = outksxx(db, QStringLiteral("2023"), &combo);
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.itemText(0), QStringLiteral("期末考试"));
    QCOMPARE(combo.itemText(1), QStringLiteral("期中考试'"));
    QCOMPARE(combo.itemText(2), QStringLiteral("第一次月考"));
    QCOMPARE(ids, (QStringList{QStringLiteral("240115090000"), QStringLiteral("231101100000"),
                               QStringLiteral("230901080000"), QString()}));
    // Nothing is chosen after filling.
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(chosenExamId(&combo, ids), QString());
    combo.setCurrentIndex(1);
    QCOMPARE(chosenExamId(&combo, ids), QStringLiteral("231101100000"));
    QCOMPARE(examIdAt(ids, 7), QString());

    // Choosing: by the program once, by the user once per pick, also of the entry already shown.
    int calls = 0;
    connectChoice(&combo, &combo, [&calls] { ++calls; });
    combo.setCurrentIndex(2);
    QCOMPARE(calls, 1);
    combo.setCurrentIndex(0); // a user's pick: the change, then the activation, in one go
    Q_EMIT combo.activated(0);
    QCOMPARE(calls, 2);
    QCoreApplication::processEvents();
    Q_EMIT combo.activated(0); // the same exam picked again
    QCOMPARE(calls, 3);

    // A year with a quote is matched literally and finds nothing.
    QComboBox other;
    QVERIFY(outksxx(db, QStringLiteral("2023' OR '1'='1"), &other).isEmpty());
    QCOMPARE(other.count(), 0);
    closeDatabase(db);
}

QTEST_MAIN(TestOutksxx)
#include "tst_outksxx.moc"
