#include "arrangement/bpdy.h"

#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/sysdb.h"
#include "shell/titles.h"
#include "shell/waitcursor.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvane {

bpdy::bpdy() : Window(QStringLiteral("bpdy")), m_rng(std::random_device{}())
{
    setWindowTitle(QStringLiteral("编班打印"));
}

void bpdy::createControls(QWidget *root)
{
    setWindowTitle(QStringLiteral("编班打印"));
    auto *lay = new QVBoxLayout(root);

    Frame1[0] = new QGroupBox(root);
    auto *f0 = new QHBoxLayout(Frame1[0]);
    Label1[0] = new QLabel(QStringLiteral("考试名称："), Frame1[0]);
    Combo1 = new QComboBox(Frame1[0]);
    Combo1->setEditable(false);
    Combo1->setMinimumWidth(300);
    f0->addWidget(Label1[0]);
    f0->addWidget(Combo1, 1);
    lay->addWidget(Frame1[0]);

    Frame1[1] = new QGroupBox(root);
    auto *f1 = new QHBoxLayout(Frame1[1]);
    Option1[0] = new QRadioButton(QStringLiteral("班级座位表"), Frame1[1]);
    Option1[1] = new QRadioButton(QStringLiteral("考场座位表"), Frame1[1]);
    Option1[0]->setChecked(true);
    f1->addWidget(Option1[0]);
    f1->addWidget(Option1[1]);
    f1->addStretch(1);
    lay->addWidget(Frame1[1]);

    Frame1[2] = new QGroupBox(root);
    auto *f2 = new QVBoxLayout(Frame1[2]);
    ProgressBar1 = XP_ProgressBar::createHosted(Frame1[2]);
    ProgressBar1->setMin(0);
    ProgressBar1->setMax(100);
    ProgressBar1->setMinimumHeight(20);
    ProgressBar1->hide();
    Label1[2] = new QLabel(QStringLiteral("进行一次编排操作即可！"), Frame1[2]);
    f2->addWidget(ProgressBar1);
    f2->addWidget(Label1[2]);
    lay->addWidget(Frame1[2]);

    auto *buttons = new QHBoxLayout;
    VsNetBut1[0] = new QPushButton(QStringLiteral("进行编排处理"), root);
    VsNetBut1[1] = new QPushButton(QStringLiteral("打印座位表  "), root);
    for (int i : {0, 1}) {
        keys::noDefault(VsNetBut1[i]);
        VsNetBut1[i]->setEnabled(false);
        buttons->addWidget(VsNetBut1[i]);
        connect(VsNetBut1[i], &QPushButton::clicked, this, [this, i] { VsNetBut1_Click(i); });
    }
    lay->addLayout(buttons);

    connectChoice(Combo1, this, [this] { Combo1_Click(); });
    resize(460, 260);
}

void bpdy::Form_Load()
{
    m_cohortYear = gCohortYear;
    m_cohortDbFile = gCohortDbFile;
    m_examIds.clear();
    m_basisExamId.clear();
    m_roomList.clear();
    m_lastResult = ArrangeResult();
    setWindowTitle(QStringLiteral("编班打印--") + m_cohortYear);
    if (!m_db.open(m_cohortDbFile)) {
        Unload();
        return;
    }
    m_examIds = outksxx(m_db.system, m_cohortYear, Combo1);
}

void bpdy::Form_Unload()
{
    m_db.closeAtUnload();
}

bool bpdy::QueryUnload()
{
    // The run works on the window's databases: the window stays until the run has ended.
    return !m_running;
}

QString bpdy::examId() const
{
    return Combo1 ? examIdAt(m_examIds, Combo1->currentIndex()) : QString();
}

void bpdy::Combo1_Click()
{
    const QString id = examId();
    sysdb::ExamRooms exam;
    if (id.isEmpty() || sysdb::readExamRooms(m_db.system, id, &exam) != sysdb::Read::Found) {
        m_basisExamId.clear();
        m_roomList.clear();
        return;
    }
    VsNetBut1[0]->setEnabled(true);
    VsNetBut1[1]->setEnabled(true);
    m_basisExamId = exam.bpid;
    m_roomList = exam.kcid;
}

void bpdy::VsNetBut1_Click(int index)
{
    if (m_running)
        return;
    if (index == 0) {
        startbb();
        return;
    }
    if (index != 1)
        return;
    gChartExamId = examId();
    gReportCode = Option1[0]->isChecked() ? 31 : 32;
    // A chart window still loaded from an earlier opening (hidden behind the preview) holds the old
    // exam and kind: load it afresh so it shows what was just chosen.
    if (Window *chart = windows::find(QStringLiteral("bpdy2")); chart && chart->isLoaded())
        chart->Unload();
    Hide();
    windows::show(QStringLiteral("bpdy2"));
}

void bpdy::startbb()
{
    if (m_running)
        return;
    const QString title = titles::kSystem;
    ArrangeInput input{examId(), m_basisExamId, m_roomList};
    if (input.examId.isEmpty())
        return; // no exam chosen: the button is disabled then
    if (sysdb::readRoomList(m_db.system, input.roomList).isEmpty()) {
        m_lastResult = ArrangeResult();
        m_lastResult.status = ArrangeStatus::NoRooms;
        services::msg(arrangeMessage(ArrangeStatus::NoRooms), title);
        return;
    }
    // Seats dealt by an earlier run may be posted already: a new run replaces them only when the
    // user says so, and Enter answers 否.
    if (const int seats = seatedRows(m_db.cohort, input.examId);
        seats > 0
        && services::ask(rearrangeQuestion(Combo1->currentText(), seats), titles::kWarning, MsgButtons::YesNo, MsgAnswer::No,
                         MsgIcon::Exclamation)
               != MsgAnswer::Yes)
        return;
    // While the run goes on, a request to close the window is refused (QueryUnload) and the
    // buttons do nothing. The bar takes every step and paints every tenth, as the statistics
    // windows do, without letting user input through.
    const WriteScope arranging(QStringLiteral("本次编排"));
    m_running = true;
    WaitCursor wait;
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    ArrangeCallbacks callbacks;
    int steps = 0;
    callbacks.progress = [this, &steps](int value) {
        ProgressBar1->setValue(value);
        if (++steps % 10 == 0)
            windows::letEventsRun();
    };
    callbacks.betweenGroups = [] { windows::letEventsRun(); };
    m_lastResult = arrangeStudents(m_db.cohort, m_db.system, input, m_rng, callbacks);
    m_running = false;
    // Short of seats: the message comes while the hourglass and the bar still show, and they go
    // when it is confirmed; every other ending first puts them away, then reports.
    const bool shortOfSeats = m_lastResult.status == ArrangeStatus::NotEnoughSeats;
    if (shortOfSeats)
        services::msg(arrangeMessage(m_lastResult), title);
    wait.release();
    ProgressBar1->hide();
    if (!shortOfSeats)
        services::msg(arrangeMessage(m_lastResult), title);
}

} // namespace quorvane
