// The two statistics windows: 成绩总分统计 (make) and 成绩单科统计 (makea).
#include "scores/make.h"
#include "scores/makea.h"
#include "scores/register.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "testsupport.h"

#include <QCloseEvent>
#include <QSqlQuery>
#include <QtTest>

#include <set>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString kNewer = QStringLiteral("240601080000");
const QString kOlder = QStringLiteral("240301080000");
const QString kTitle = QStringLiteral("系统提示：");

// Two cohorts; cohort 2024 has two exams with scores, cohort 2025 one exam and no rows.
struct Fixture
{
    TempData data;
    ScriptedServices &services = installScripted();
    QSqlDatabase cohort;
    QSqlDatabase system;
    bool ready = false;   // every row above was written

    Fixture()
    {
        data.addCohort(QStringLiteral("2024"), QStringLiteral("db2024"));
        data.addCohort(QStringLiteral("2025"), QStringLiteral("db2025"));
        ready = openDatabase(data.cohortPath(QStringLiteral("db2024.mdb")), DbKind::Cohort, QStringLiteral("t-cohort"), &cohort)
            && openDatabase(data.systemPath(), DbKind::System, QStringLiteral("t-system"), &system)
            && addExamRow(system, kOlder, QStringLiteral("期中考试"), QStringLiteral("2024"))
            && addExamRow(system, kNewer, QStringLiteral("期末考试"), QStringLiteral("2024"))
            && addExamRow(system, QStringLiteral("250301080000"), QStringLiteral("入学考试"), QStringLiteral("2025"))
            && execSql(system, QStringLiteral("UPDATE kcbpb SET kgfs3=40 WHERE id=?"), {kNewer});
        for (int k = 1; k <= 12; ++k)
            if (k != 2 && k != 5)
                ready = execSql(system, QStringLiteral("UPDATE kcbpb SET kmflag%1=1, zfjsa%1=1, zfjsb%1=? WHERE id=?").arg(k),
                                {k <= 3 ? 1 : 0, kNewer})
                    && ready;
        const struct { const char *stid; int bj; int wl; double ke1; double ke3; double kea3; double keb3; } rows[] = {
            {"s1", 1, 2, 100, 0, 30, 50}, {"s2", 1, 3, 90, 0, 35, 40}, {"s3", 3, 2, 95, 0, -1, 60}, {"s4", 3, 1, 0, 0, 0, 0}};
        for (const auto &r : rows)
            ready = execSql(cohort,
                            QStringLiteral("INSERT INTO stucj(id, stid, bj, wlflag, ke1, ke3, kea3, keb3, ke2) VALUES(?,?,?,?,?,?,?,?,?)"),
                            {kNewer, r.stid, r.bj, r.wl, r.ke1, r.ke3, r.kea3, r.keb3, 50})
                && ready;
        gCohortYear = QStringLiteral("2024");
        gCohortDbFile = QStringLiteral("db2024.mdb");
    }
    ~Fixture()
    {
        closeDatabase(cohort);
        closeDatabase(system);
    }
    // Loads and shows the statistics window, as the menu does; null when the fixture's rows were not
    // all written or the window does not become active.
    template<class W>
    W *open(const QString &name)
    {
        if (!ready)
            return nullptr;
        auto *w = windows::get<W>(name);
        w->Load();
        w->Show();
        return QTest::qWaitForWindowActive(w) ? w : nullptr;
    }
    QVariant col(const QString &stid, const QString &column)
    {
        QSqlQuery q = prepare(cohort, QStringLiteral("SELECT %1 FROM stucj WHERE id=? AND stid=?").arg(column), {kNewer, stid});
        return q.exec() && q.next() ? q.value(0) : QVariant(QStringLiteral("<missing>"));
    }
    int questions() const
    {
        int n = 0;
        for (const auto &m : services.messages)
            n += m.buttons != MsgButtons::Ok;
        return n;
    }
};

// The statistics windows' question before a run: system title, question icon, OK and Cancel.
bool isQuestion(const RecordedMessage &m)
{
    return m.title == kTitle && m.icon == MsgIcon::Question && m.buttons == MsgButtons::OkCancel;
}

// Picks the exam at list position i, as the user does.
void pick(QComboBox *combo, int i)
{
    QVERIFY(i < combo->count());
    combo->setCurrentIndex(i);
    Q_EMIT combo->activated(i);
}

} // namespace

class MakeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerScoresWindows(); }

    void totalsWindowRunsForTheChosenExam()
    {
        Fixture f;
        auto *w = f.open<make>(QStringLiteral("make"));
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("成绩总分统计--2024学届"));
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("期末考试"));
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("考试名称:"));
        QCOMPARE(w->VsNetBut1[1]->text(), QStringLiteral("统计 "));
        QCOMPARE(w->VsNetBut1[0]->text(), QStringLiteral("退出 "));
        QVERIFY(!w->VsNetBut1[1]->isEnabled());
        QVERIFY(w->VsNetBut1[0]->isEnabled());
        QVERIFY(w->ProgressBar1->isHidden());

        pick(w->Combo1, 0);
        QVERIFY(w->VsNetBut1[1]->isEnabled());
        QCOMPARE(w->classCount(), 3);

        // Cancel computes nothing.
        f.services.answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.messages.size(), size_t(1));
        QCOMPARE(f.services.messages[0].text, QStringLiteral("要统计处理“期末考试”吗？"));
        QVERIFY(isQuestion(f.services.messages[0]));
        QVERIFY(f.col("s1", "kealla").isNull());

        // Another cohort chosen meanwhile: the window keeps the cohort it was loaded with.
        gCohortYear = QStringLiteral("2025");
        gCohortDbFile = QStringLiteral("db2025.mdb");
        f.services.clear();
        f.services.answers = {MsgAnswer::Ok};
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.texts(), (QStringList{QStringLiteral("要统计处理“期末考试”吗？"), QStringLiteral("成绩统计完毕!")}));
        QCOMPARE(f.services.messages[1].title, kTitle);
        QCOMPARE(f.services.messages[1].icon, MsgIcon::Exclamation);
        QCOMPARE(f.col("s1", "kealla").toDouble(), 100.0);  // ke3 is 0, 数学 (ke2) is not taken
        QCOMPARE(f.col("s1", "keallb").toDouble(), 100.0);
        QCOMPARE(f.col("s2", "zfnjnoa").toInt(), 3);
        QCOMPARE(f.col("s3", "zfbjnoa").toInt(), 1);
        QVERIFY(f.col("s4", "zfbjnoa").isNull());
        QVERIFY(w->ProgressBar1->isHidden());
        QVERIFY(w->VsNetBut1[1]->isEnabled());

        // The exam's settings are gone: an error message and nothing written.
        QVERIFY(execSql(f.system, QStringLiteral("DELETE FROM kcbpb WHERE id=?"), {kNewer}));
        QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET ke1=10 WHERE id=?"), {kNewer}));
        f.services.clear();
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.lastText(), QStringLiteral("找不到该考试的设置信息，未进行统计!"));
        QCOMPARE(f.col("s1", "kealla").toDouble(), 100.0);

        // 退出 unloads the window and closes its databases.
        QVERIFY(press(w->VsNetBut1[0]));
        QVERIFY(!w->isLoaded());
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("make-cohort")));
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("make-system")));
    }

    void noSecondRunAndNoClosingDuringARun()
    {
        Fixture f;
        auto *w = f.open<make>(QStringLiteral("make"));
        QVERIFY(w);
        pick(w->Combo1, 0);
        // Enough rows for the bar to go round more than once.
        for (int i = 0; i < 450; ++i)
            QVERIFY(execSql(f.cohort, QStringLiteral("INSERT INTO stucj(id, stid, bj, wlflag, ke1) VALUES(?,?,?,?,?)"),
                            {kNewer, QStringLiteral("x%1").arg(i), 1 + i % 3, 2, 20 + i % 70}));
        // Requests that arrive while the run lets the window repaint: a close, and presses of 统计
        // and 退出 (the buttons stay enabled during a run).
        bool sawRunning = false, buttonEnabled = false, barShown = false, hourglass = false;
        QCoreApplication::postEvent(w, new QCloseEvent);
        QMetaObject::invokeMethod(w, [&] {
            sawRunning = w->isRunning();
            buttonEnabled = press(w->VsNetBut1[1]) && press(w->VsNetBut1[0]);
            barShown = !w->ProgressBar1->isHidden();
            hourglass = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        }, Qt::QueuedConnection);
        // The values the bar shows each time the window repaints during the run.
        std::set<int> shown;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, w, [&] {
            if (w->isRunning())
                shown.insert(w->ProgressBar1->Value());
        });
        sampler.start(0);
        f.services.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        QVERIFY(press(w->VsNetBut1[1]));
        sampler.stop();
        QVERIFY(sawRunning);
        QVERIFY(buttonEnabled);  // the buttons are not disabled during a run
        QVERIFY(barShown);
        QVERIFY(hourglass);
        QVERIFY(!QApplication::overrideCursor());
        // The bar moves: it steps through many values between 1 and 100.
        QVERIFY2(shown.size() >= 5, qPrintable(QString::number(shown.size())));
        QVERIFY(*shown.begin() >= 1 && *shown.rbegin() <= 100);
        QVERIFY(w->isLoaded());
        QCOMPARE(f.questions(), 1);   // only the run's own question: the second 统计 was refused
        QCOMPARE(f.services.texts(), (QStringList{QStringLiteral("要统计处理“期末考试”吗？"), QStringLiteral("成绩统计完毕!")}));
        QCOMPARE(f.col("s1", "kealla").toDouble(), 100.0);
        // Once the run is over the window closes normally.
        w->close();
        QVERIFY(!w->isLoaded());
    }

    void subjectWindowListsAndRunsSubjects()
    {
        Fixture f;
        auto *w = f.open<makea>(QStringLiteral("makea"));
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("成绩单科统计--2024学届"));
        QCOMPARE(w->Combo1->count(), 2);
        QCOMPARE(w->Combo1->itemText(1), QStringLiteral("期中考试"));
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("考试名称:"));
        QCOMPARE(w->Label1[8]->text(), QStringLiteral("选择统计学科:"));
        QCOMPARE(w->VsNetBut1[1]->text(), QStringLiteral("统计 "));
        QCOMPARE(w->VsNetBut1[0]->text(), QStringLiteral("退出 "));
        QCOMPARE(w->Combo3->count(), 0);
        QVERIFY(!w->VsNetBut1[1]->isEnabled());
        QVERIFY(w->ProgressBar1->isHidden());

        // The older exam has no subject taken: the list stays empty and 统计 does nothing.
        pick(w->Combo1, 1);
        QVERIFY(w->VsNetBut1[1]->isEnabled());
        QCOMPARE(w->Combo3->count(), 0);
        QVERIFY(press(w->VsNetBut1[1]));
        QVERIFY(f.services.messages.empty());

        // Subjects 2 and 5 not taken: ten names, the third is 思想政治; nothing selected. Another
        // cohort chosen meanwhile changes nothing: the window keeps its own.
        gCohortYear = QStringLiteral("2025");
        gCohortDbFile = QStringLiteral("db2025.mdb");
        pick(w->Combo1, 0);
        QCOMPARE(w->Combo3->count(), 10);
        QCOMPARE(w->Combo3->itemText(2), QStringLiteral("思想政治"));
        QCOMPARE(w->subjectList()[2].subject, 4);
        QCOMPARE(w->Combo3->currentIndex(), -1);

        f.services.answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("要对所有的学科进行统计处理吗？")});
        QVERIFY(isQuestion(f.services.messages[0]));
        QVERIFY(f.col("s1", "dkbjno1").isNull());

        // One subject chosen and the question cancelled: nothing is computed.
        f.services.clear();
        w->Combo3->setCurrentIndex(1);
        f.services.answers = {MsgAnswer::Cancel};
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("要对“英语”科进行统计处理吗？")});
        QVERIFY(isQuestion(f.services.messages[0]));
        QCOMPARE(f.col("s1", "ke3").toDouble(), 0.0);
        QVERIFY(f.col("s1", "dknjno3").isNull());

        // Confirmed: the split subject 英语 gets its score from the parts and its ranks; other
        // subjects stay unranked, and the subject stays chosen for the next run.
        f.services.clear();
        f.services.answers = {MsgAnswer::Ok};
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.texts(), (QStringList{QStringLiteral("要对“英语”科进行统计处理吗？"), QStringLiteral("成绩统计完毕!")}));
        QCOMPARE(f.services.messages[1].title, kTitle);
        QCOMPARE(f.services.messages[1].icon, MsgIcon::Exclamation);
        QCOMPARE(f.services.messages[1].buttons, MsgButtons::Ok);
        QCOMPARE(w->Combo3->currentIndex(), 1);
        QVERIFY(w->ProgressBar1->isHidden());
        QVERIFY(w->VsNetBut1[1]->isEnabled());
        QCOMPARE(f.col("s1", "ke3").toDouble(), 80.0);
        QCOMPARE(f.col("s3", "ke3").toDouble(), 60.0);
        QCOMPARE(f.col("s4", "ke3").toDouble(), 0.0);
        QCOMPARE(f.col("s1", "dknjno3").toInt(), 1);
        QCOMPARE(f.col("s2", "dknjno3").toInt(), 2);
        QCOMPARE(f.col("s3", "dktlno3").toInt(), 2);
        QVERIFY(f.col("s2", "dktlno3").toInt() == 1);
        QVERIFY(f.col("s4", "dknjno3").isNull());
        QVERIFY(f.col("s1", "dkbjno1").isNull());

        // Picking the exam again offers all subjects.
        f.services.clear();
        pick(w->Combo1, 0);
        f.services.answers = {MsgAnswer::Ok};
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.texts(), (QStringList{QStringLiteral("要对所有的学科进行统计处理吗？"), QStringLiteral("成绩统计完毕!")}));
        QCOMPARE(f.col("s1", "dkbjno1").toInt(), 1);
        QCOMPARE(f.col("s2", "dkbjno1").toInt(), 2);
        QVERIFY(f.col("s1", "dkbjno2").isNull());  // 数学 is not taken
        QVERIFY(f.col("s4", "dkbjno1").isNull());

        // The exam's settings row is gone when it is picked: no subjects from the exam picked
        // before, and 统计 reports the missing settings.
        QVERIFY(execSql(f.system, QStringLiteral("DELETE FROM kcbpb WHERE id=?"), {kNewer}));
        QVERIFY(execSql(f.cohort, QStringLiteral("UPDATE stucj SET dkbjno1=NULL WHERE id=?"), {kNewer}));
        f.services.clear();
        pick(w->Combo1, 0);
        QCOMPARE(w->Combo3->count(), 0);
        QVERIFY(press(w->VsNetBut1[1]));
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("找不到该考试的设置信息，未进行统计!")});
        QVERIFY(f.col("s1", "dkbjno1").isNull());
        w->Unload();
    }

    void missingCohortFileEndsTheProgram()
    {
        Fixture f;
        QVERIFY(f.ready);
        gCohortDbFile = QStringLiteral("db1999.mdb");
        auto *w = windows::get<makea>(QStringLiteral("makea"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, w->Load());
        QCOMPARE(f.services.lastText(), QStringLiteral("库文件db1999.mdb不存在!"));
        QCOMPARE(f.services.messages.back().title, QStringLiteral("警告:"));
        QCOMPARE(f.services.messages.back().icon, MsgIcon::Exclamation);

        // The system database missing: its own message, and the program ends as well.
        gCohortDbFile = QStringLiteral("db2024.mdb");
        closeDatabase(f.system);
        QVERIFY(QFile::remove(f.data.systemPath()));
        f.services.clear();
        auto *m = windows::get<make>(QStringLiteral("make"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, m->Load());
        QCOMPARE(f.services.texts(), QStringList{QStringLiteral("库文件newclasssys.mdb不存在!")});
        QCOMPARE(f.services.messages.back().title, QStringLiteral("警告:"));
    }
};

QTEST_MAIN(MakeTest)
#include "tst_make.moc"
