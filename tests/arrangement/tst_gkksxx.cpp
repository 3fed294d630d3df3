// The per-subject exam settings window.
#include "arrangement/gkksxx.h"
#include "arrangement/subjectsettings.h"
#include "controls/grid/grid.h"
#include "gridclick.h"
#include "shell/database.h"
#include "shell/globals.h"
#include "shell/register.h"
#include "shell/sysdb.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QSqlQuery>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;


class TestGkksxx : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { installScripted(); }
    void settingsRoundTrip();
    void saveChecks();
    void layoutAndKeys();
    void cellTextsOfStoredValues();
    void missingSystemDatabaseEndsProgram();
};

namespace {

const QString kNewExam = QStringLiteral("240115080000");

// Adds the exams (id, name) to cohort 2023 of the data folder and makes 2023 the current cohort.
void addExams(TempData &data, std::initializer_list<std::pair<QString, QString>> exams)
{
    data.addCohort(QStringLiteral("2023"), QStringLiteral("db2023"));
    QSqlDatabase db = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("t-setup"));
    for (const auto &[id, name] : exams) {
        if (!addExamRow(db, id, name, QStringLiteral("2023")))
            throw std::runtime_error("cannot add an exam");
    }
    closeDatabase(db);
    gCohortYear = QStringLiteral("2023");
    gCohortDbFile = QStringLiteral("db2023.mdb");
    windows::registerFactory(QStringLiteral("gkksxx"), [] { return new gkksxx; });
}

// The window on screen for a cohort with two exams, none chosen yet.
struct Fixture
{
    TempData data;
    ScriptedServices &svc = installScripted();
    gkksxx *w = nullptr;

    Fixture()
    {
        addExams(data, {{QStringLiteral("231101080000"), QStringLiteral("期中考试")}, {kNewExam, QStringLiteral("期末考试")}});
        w = windows::get<gkksxx>(QStringLiteral("gkksxx"));
        w->Show();
    }

    // Clicks the row of subject k in the grid.
    [[nodiscard]] bool clickSubject(int subject) { return clickRow(w->Grid1, subject, 2); }

    // Fills the editor: exam time, 测评对象 (list entry, -1 none), objective, subjective and full mark.
    void fillEditor(const QString &time, int who, const QString &objective, const QString &subjective, const QString &full)
    {
        w->Text1[1]->setText(time);
        w->Combo1->setCurrentIndex(who);
        w->Text1[2]->setText(objective);
        w->Text1[3]->setText(subjective);
        w->Text1[4]->setText(full);
    }

    // Presses 保存 and returns the message it gave; "(not pressed)" when the button could not be pressed.
    QString save()
    {
        svc.clear();
        if (!press(w->jscssave))
            return QStringLiteral("(not pressed)");
        return svc.lastText();
    }

    // A stored column of an exam's row.
    QVariant column(const QString &examId, const QString &col) const
    {
        QSqlDatabase db = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("t-read"));
        QSqlQuery q = prepare(db, QStringLiteral("SELECT ") + col + QStringLiteral(" FROM kcbpb WHERE id = ?"), {examId});
        QVariant v;
        if (q.exec() && q.next())
            v = q.value(0);
        q = QSqlQuery();
        closeDatabase(db);
        return v;
    }
};

} // namespace

void TestGkksxx::settingsRoundTrip()
{
    Fixture f;
    gkksxx *w = f.w;
    QCOMPARE(w->windowTitle(), QStringLiteral("各科考试信息"));
    QCOMPARE(w->Combo2->count(), 2);
    QCOMPARE(w->Combo2->currentIndex(), -1);
    QCOMPARE(w->Grid1->Rows(), 1);

    // A new exam: twelve subjects, every setting cell empty.
    w->Combo2->setCurrentIndex(0);
    QCOMPARE(w->Grid1->Rows(), 13);
    QCOMPARE(w->Grid1->TextMatrix(5, 2), QStringLiteral("物理"));
    QCOMPARE(w->Grid1->TextMatrix(12, 2), QStringLiteral("通用技术"));
    for (int r = 1; r <= 12; ++r)
        for (int c = 3; c <= 12; ++c)
            QVERIFY(w->Grid1->TextMatrix(r, c).isEmpty());

    // 物理: objective 40 + subjective 60 of 100, arts only, entered by exam room, totals 1 only.
    QVERIFY(f.clickSubject(5));
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("物理"));
    QCOMPARE(w->Option1[4]->isChecked(), true); // never saved: 考场
    f.fillEditor(QStringLiteral(" 6月7日上午9:00 "), 1, QStringLiteral("40"), QStringLiteral("60"), QStringLiteral("100"));
    for (int option : {0, 2, 4, 7, 9})
        QVERIFY(press(w->Option1[option]));
    QCOMPARE(f.save(), QStringLiteral("数据保存完毕！"));
    QCOMPARE(f.svc.messages.back().title, QStringLiteral("系统提示："));
    const QString exam = kNewExam;
    QCOMPARE(f.column(exam, QStringLiteral("kstime5")).toString(), QStringLiteral("6月7日上午9:00"));
    QCOMPARE(f.column(exam, QStringLiteral("kstype5")).toInt(), 2);
    QCOMPARE(f.column(exam, QStringLiteral("kgfs5")).toDouble(), 40.0);
    QCOMPARE(f.column(exam, QStringLiteral("zgfs5")).toDouble(), 60.0);
    QCOMPARE(f.column(exam, QStringLiteral("allfs5")).toDouble(), 100.0);
    QCOMPARE(f.column(exam, QStringLiteral("kmflag5")).toInt(), 1);
    QCOMPARE(f.column(exam, QStringLiteral("cjlock5")).toInt(), 0);
    QCOMPARE(f.column(exam, QStringLiteral("cjinput5")).toInt(), 0);
    QCOMPARE(f.column(exam, QStringLiteral("zfjsa5")).toInt(), 1);
    QCOMPARE(f.column(exam, QStringLiteral("zfjsb5")).toInt(), 0);
    // Only subject 5 was written; the other exam is untouched.
    QVERIFY(f.column(exam, QStringLiteral("kstime4")).isNull());
    QVERIFY(f.column(exam, QStringLiteral("allfs6")).isNull());

    // Long exam times show whole: the grid's columns widen to their longest text.
    const QString longTime = QStringLiteral("10月10日 8:00-10:30");
    {
        QSqlDatabase db = openOrThrow(f.data.systemPath(), DbKind::System, QStringLiteral("t-write"));
        execOrThrow(db, QStringLiteral("UPDATE kcbpb SET kstime1 = ? WHERE id = ?"), {longTime, exam});
        closeDatabase(db);
    }
    w->Combo2->setCurrentIndex(1);
    w->Combo2->setCurrentIndex(0);
    QCOMPARE(w->Grid1->TextMatrix(1, 3), longTime);
    QVERIFY(w->Grid1->ColWidth(3) > w->Grid1->textWidthTwips(longTime));
    QVERIFY(w->Grid1->ColWidth(10) > w->Grid1->textWidthTwips(QStringLiteral("考场方式")));
    QVERIFY(f.column(QStringLiteral("231101080000"), QStringLiteral("allfs5")).isNull());
    // The grid shows the saved values.
    QCOMPARE(w->Grid1->TextMatrix(5, 3), QStringLiteral("6月7日上午9:00"));
    QCOMPARE(w->Grid1->TextMatrix(5, 4), QStringLiteral("40"));
    QCOMPARE(w->Grid1->TextMatrix(5, 5), QStringLiteral("60")); // 主观总分
    QCOMPARE(w->Grid1->TextMatrix(5, 6), QStringLiteral("100"));
    QCOMPARE(w->Grid1->TextMatrix(5, 7), QStringLiteral("文科"));
    QCOMPARE(w->Grid1->TextMatrix(5, 8), QStringLiteral("是"));
    QCOMPARE(w->Grid1->TextMatrix(5, 9), QStringLiteral("否"));
    QCOMPARE(w->Grid1->TextMatrix(5, 10), QStringLiteral("考场方式"));
    QCOMPARE(w->Grid1->TextMatrix(5, 12), QStringLiteral("否"));

    // A full mark of 300 (more than a byte holds) and by-class entry, on 综合科; no lock chosen.
    QVERIFY(f.clickSubject(10));
    for (QRadioButton *o : w->Option1) {
        o->setAutoExclusive(false);
        o->setChecked(false);
        o->setAutoExclusive(true);
    }
    f.fillEditor(QString(), 0, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("300"));
    QVERIFY(press(w->Option1[5]));
    QCOMPARE(f.save(), QStringLiteral("数据保存完毕！"));
    QCOMPARE(f.column(exam, QStringLiteral("allfs10")).toDouble(), 300.0);
    QCOMPARE(f.column(exam, QStringLiteral("cjinput10")).toInt(), 1);
    QVERIFY(!f.column(exam, QStringLiteral("kstime10")).isNull()); // an empty time is saved as empty text
    QCOMPARE(f.column(exam, QStringLiteral("kstime10")).toString(), QString());
    QVERIFY(f.column(exam, QStringLiteral("cjlock10")).isNull());
    QCOMPARE(w->Grid1->TextMatrix(10, 6), QStringLiteral("300"));
    QCOMPARE(w->Grid1->TextMatrix(10, 10), QStringLiteral("班级方式"));
    QCOMPARE(w->Grid1->TextMatrix(10, 9), QString());
    QCOMPARE(w->Grid1->TextMatrix(10, 4), QString()); // 0 shows empty

    // The saved row reads back through the shared reader.
    sysdb::ExamSettings settings;
    QSqlDatabase db = openOrThrow(f.data.systemPath(), DbKind::System, QStringLiteral("t-reader"));
    QCOMPARE(sysdb::readExamSettings(db, QStringLiteral("2023"), exam, &settings), sysdb::Read::Found);
    QVERIFY(settings.subject(5).taken());
    QVERIFY(!settings.subject(5).locked());
    QVERIFY(settings.subject(5).intoTotal1());
    QCOMPARE(settings.subject(5).stream(), 2);
    QVERIFY(!settings.subject(1).taken());
    QCOMPARE(settings.subject(10).allfs.toDouble(), 300.0);
    QVERIFY(settings.subject(10).byClass());
    QCOMPARE(sysdb::readExamSettings(db, QStringLiteral("2022"), exam, &settings), sysdb::Read::NotFound);
    closeDatabase(db);

    // A click on a saved subject puts its settings into the editor.
    QVERIFY(f.clickSubject(1));
    QVERIFY(f.clickSubject(5));
    QCOMPARE(w->Text1[1]->text(), QStringLiteral("6月7日上午9:00"));
    QCOMPARE(w->Text1[2]->text(), QStringLiteral("40"));
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("文科"));
    for (int option : {0, 2, 4, 7, 9})
        QVERIFY(w->Option1[option]->isChecked());
    QVERIFY(f.clickSubject(10));
    QVERIFY(w->Option1[5]->isChecked());
    QVERIFY(w->Option1[1]->isChecked()); // 参考 never saved: 否
    QVERIFY(w->Option1[2]->isChecked()); // 锁定 empty: 否

    // Typing into the full mark selects 参考 是; a click on the other exam shows its empty settings.
    QVERIFY(f.clickSubject(5));
    QVERIFY(press(w->Option1[1]));
    w->Text1[4]->setFocus();
    QTest::keyClick(w->Text1[4], Qt::Key_5);
    QVERIFY(w->Option1[0]->isChecked());
    w->Combo2->setCurrentIndex(1);
    QCOMPARE(w->Grid1->TextMatrix(5, 6), QString());
    QCOMPARE(w->Grid1->TextMatrix(10, 10), QString());
}

void TestGkksxx::saveChecks()
{
    Fixture f;
    gkksxx *w = f.w;

    // Saving before an exam or a subject is chosen writes nothing and says why.
    f.fillEditor(QString(), 0, QString(), QString(), QStringLiteral("100"));
    QCOMPARE(f.save(), QStringLiteral("请先选择考试名称!"));
    w->Combo2->setCurrentIndex(0);
    QCOMPARE(f.save(), QStringLiteral("请先在表格中选择学科!"));
    QVERIFY(f.clickSubject(2));

    struct Case { QString time; int who; QString objective, subjective, full, message; };
    const QString eighteen = QString(18, QChar(0x6570));
    const QList<Case> cases = {
        {eighteen + QChar(0x6570), 0, {}, {}, QStringLiteral("100"), QStringLiteral("考试时间长度不能超过18个汉字!")},
        {QString(), -1, {}, {}, QStringLiteral("100"), QStringLiteral("测评对象未选择!")},
        {QString(), 0, QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("客观总分+主观总分<>总分满分!")},
        {QString(), 0, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("总分满分不能为0!")},
        {QString(), 0, QStringLiteral("-5"), QStringLiteral("0"), QStringLiteral("abc"), QStringLiteral("总分满分不能为0!")},
    };
    for (const Case &c : cases) {
        f.fillEditor(c.time, c.who, c.objective, c.subjective, c.full);
        QCOMPARE(f.save(), c.message);
        QCOMPARE(f.svc.messages.back().title, QStringLiteral("系统提示："));
        QVERIFY(f.column(kNewExam, QStringLiteral("allfs2")).isNull());
    }
    // Text typed into the chooser is no choice.
    f.fillEditor(QString(), 0, {}, {}, QStringLiteral("100"));
    w->Combo1->setEditText(QStringLiteral("全体"));
    QCOMPARE(f.save(), QStringLiteral("测评对象未选择!"));

    // 18 Chinese characters, an empty time and marks 0, 0, 100 are accepted.
    f.fillEditor(eighteen, 2, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("100"));
    QCOMPARE(f.save(), QStringLiteral("数据保存完毕！"));
    QCOMPARE(f.column(kNewExam, QStringLiteral("kstype2")).toInt(), 3);
    // The exam deleted meanwhile: nothing written, a message instead of silence.
    QSqlDatabase db = openOrThrow(f.data.systemPath(), DbKind::System, QStringLiteral("t-del"));
    execOrThrow(db, QStringLiteral("DELETE FROM kcbpb WHERE id = ?"), {kNewExam});
    closeDatabase(db);
    QCOMPARE(f.save(), QStringLiteral("该考试已不存在,数据未保存!"));
}

void TestGkksxx::layoutAndKeys()
{
    Fixture f;
    gkksxx *w = f.w;

    // Labels, chooser entries, option captions and the grid's headings as the user sees them.
    QStringList labels;
    for (QLabel *l : w->findChildren<QLabel *>())
        labels << l->text();
    for (const char *t : {"考试名称:", "学科名称:", "考试时间:", "客观总分:", "主观总分:", "总分满分:", "测评对象:", "是否参考:",
                          "成绩锁定:", "录入方式:", "记入总分1:", "记入总分2:"})
        QVERIFY2(labels.contains(QString::fromUtf8(t)), t);
    QCOMPARE(w->Combo1->count(), 3);
    QCOMPARE(w->Combo1->itemText(0), QStringLiteral("不限"));
    QCOMPARE(w->Combo1->itemText(2), QStringLiteral("理科"));
    QCOMPARE(w->Combo1->currentText(), QString());
    const QStringList captions = {"是", "否", "否", "是", "考场", "班级", "否", "是", "是", "否"};
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(w->Option1[i]->text(), captions.at(i));
        QVERIFY(!w->Option1[i]->isChecked());
    }
    QCOMPARE(w->jscssave->text(), QStringLiteral("保存"));
    QCOMPARE(w->VsNetBtout[4]->text(), QStringLiteral("退出"));
    QCOMPARE(w->Grid1->Cols(), 13);
    QCOMPARE(w->Grid1->TextMatrix(0, 0), QString());
    QCOMPARE(w->Grid1->TextMatrix(0, 1), QStringLiteral("序号"));
    QCOMPARE(w->Grid1->TextMatrix(0, 3), QStringLiteral("          考 试 时 间"));
    QCOMPARE(w->Grid1->TextMatrix(0, 8), QStringLiteral(" 参考"));
    QCOMPARE(w->Grid1->TextMatrix(0, 12), QStringLiteral("总分2"));
    // Options of one frame exclude each other; frames are independent.
    for (int option : {0, 3, 1})
        QVERIFY(press(w->Option1[option]));
    QVERIFY(!w->Option1[0]->isChecked());
    QVERIFY(w->Option1[3]->isChecked());

    // Enter walks time -> 测评对象 -> objective -> subjective -> full mark.
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->Text1[1]->setFocus();
    QTest::keyClick(w->Text1[1], Qt::Key_Return);
    QVERIFY(w->Combo1->hasFocus());
    QTest::keyClick(w->Combo1->lineEdit(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text1[2]);
    QTest::keyClick(w->Text1[2], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text1[3]);
    QTest::keyClick(w->Text1[3], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text1[4]);
    // Tab only moves on: it types nothing, so it does not mark the subject as taken the way a
    // typed full mark does; a typed character does.
    QVERIFY(press(w->Option1[1]));
    w->Text1[4]->setFocus();
    QTest::keyClick(w->Text1[4], Qt::Key_Tab);
    QVERIFY(w->Option1[1]->isChecked());
    w->Text1[4]->setFocus();
    QCOMPARE(w->Text1[4]->cursorPosition(), int(w->Text1[4]->text().size()));
    QTest::keyClick(w->Text1[4], Qt::Key_1);
    QVERIFY(w->Option1[0]->isChecked());
    w->Text1[4]->clear();

    // Text typed into 测评对象 is no choice, even when it reads like an entry; a pick counts.
    w->Combo2->setCurrentIndex(0);
    QVERIFY(f.clickSubject(3));
    w->Combo1->setCurrentIndex(1);
    w->Text1[4]->setText(QStringLiteral("150"));
    w->Combo1->lineEdit()->selectAll();
    {
        // Chinese text arrives through the input method.
        QInputMethodEvent typed;
        typed.setCommitString(QStringLiteral("文科"));
        QCoreApplication::sendEvent(w->Combo1->lineEdit(), &typed);
    }
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("文科"));
    QCOMPARE(f.save(), QStringLiteral("测评对象未选择!"));
    QVERIFY(w->Combo1->hasFocus());
    QVERIFY(f.column(kNewExam, QStringLiteral("allfs3")).isNull());
    // A pick from the list with the arrow key (文科 -> 理科) counts.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(f.save(), QStringLiteral("数据保存完毕！"));
    QCOMPARE(f.column(kNewExam, QStringLiteral("kstype3")).toInt(), 3);
    QCOMPARE(w->Grid1->TextMatrix(3, 7), QStringLiteral("理科"));
    // Typed again, then the same entry picked from the opened list with Enter: that pick counts too.
    w->Combo1->lineEdit()->selectAll();
    {
        QInputMethodEvent typed;
        typed.setCommitString(QStringLiteral("理科"));
        QCoreApplication::sendEvent(w->Combo1->lineEdit(), &typed);
    }
    QCOMPARE(f.save(), QStringLiteral("测评对象未选择!"));
    w->Combo1->showPopup();
    QCOMPARE(w->Combo1->view()->currentIndex().row(), 2);
    QTest::keyClick(w->Combo1->view(), Qt::Key_Return);
    QCOMPARE(f.save(), QStringLiteral("数据保存完毕！"));
    // The editor keeps its contents after the save.
    QCOMPARE(w->Text1[4]->text(), QStringLiteral("150"));
    // A stored exam time longer than may be typed (36 display places) comes into the editor whole.
    const QString longTime = QStringLiteral("2024-01-15 08:00-10:00 (A,B,C) 0123");
    QVERIFY(longTime.size() > 30);
    w->Grid1->setTextMatrix(3, 3, longTime);
    QVERIFY(f.clickSubject(3));
    QCOMPARE(w->Text1[1]->text(), longTime);
    QVERIFY(press(w->VsNetBtout[4]));
    QVERIFY(!w->isLoaded());
}

void TestGkksxx::cellTextsOfStoredValues()
{
    // Values no window writes but an older file may hold: a fractional mark shows as it is, a stream
    // code outside 1..3 and an empty flag show nothing, entry way 0 is 考场方式.
    sysdb::SubjectSettings stored;
    stored.kstime = QStringLiteral("上午");
    stored.kgfs = 0.0;
    stored.zgfs = 95.5;
    stored.allfs = 95.5;
    stored.kstype = 4;
    stored.kmflag = QString();
    stored.cjlock = 2;
    stored.cjinput = 0;
    stored.zfjsa = 0;
    QCOMPARE(subjectsettings::cellTexts(stored),
             (QStringList{"上午", "", "95.5", "95.5", "", "", "是", "考场方式", "否", ""}));
    // The marks of an entry add up to its full mark within rounding.
    subjectsettings::Entry entry;
    entry.stream = 1;
    entry.objective = 0.1;
    entry.subjective = 0.2;
    entry.full = 0.3;
    QCOMPARE(subjectsettings::check(entry), subjectsettings::Fault::None);
    entry.stream = 4;
    QCOMPARE(subjectsettings::check(entry), subjectsettings::Fault::NoStream);
}

void TestGkksxx::missingSystemDatabaseEndsProgram()
{
    TempData data;
    auto &svc = installScripted();
    QFile::remove(data.systemPath());
    gkksxx w;
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, w.Load());
    QCOMPARE(svc.lastText(), QStringLiteral("库文件newclasssys.mdb不存在!"));
    QCOMPARE(svc.messages.back().title, QStringLiteral("警告:"));
}

// With QUORVANE_SHOW_GKKSXX set, the program shows the settings of an exam whose subjects have exam
// times instead of running the tests (to look at the window).
static int showSettings()
{
    installFontSubstitutions();
    installScripted();
    TempData data;
    addExams(data, {{QStringLiteral("241008080000"), QStringLiteral("2024-2025学年第一学期期中考试")}});
    QSqlDatabase db = openOrThrow(data.systemPath(), DbKind::System, QStringLiteral("t-show"));
    for (int k = 1; k <= 9; ++k) {
        const QString n = QString::number(k);
        // k and n are numbers: only fixed column names go into the text.
        execOrThrow(db, QStringLiteral("UPDATE kcbpb SET kstime%1 = ?, kgfs%1 = ?, zgfs%1 = ?, allfs%1 = ?, kstype%1 = ?, kmflag%1 = 1, "
                                       "cjlock%1 = 0, cjinput%1 = ?, zfjsa%1 = 1, zfjsb%1 = ?").arg(n),
                    {QStringLiteral("10月%1日 %2:00-%3:30").arg(9 + k / 3).arg(k % 3 == 1 ? 8 : k % 3 == 2 ? 10 : 14).arg(k % 3 == 1 ? 10 : k % 3 == 2 ? 11 : 16),
                     k <= 3 ? 60 : 40, k <= 3 ? 90 : 60, k <= 3 ? 150 : 100, k <= 3 ? 1 : 1 + k % 3, k % 2, k <= 3 ? 1 : 0});
    }
    closeDatabase(db);
    auto *w = windows::get<gkksxx>(QStringLiteral("gkksxx"));
    w->Show();
    w->Combo2->setCurrentIndex(0);
    return qApp->exec();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QUORVANE_SHOW_GKKSXX"))
        return showSettings();
    TestGkksxx tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_gkksxx.moc"
