#include "arrangement/bpdy2.h"

#include "arrangement/bpdy.h"
#include "arrangement/seatchart.h"
#include "controls/grid/grid.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/sysdb.h"
#include "shell/titles.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvane {

namespace {
const char *const kClassFormat = "|^       学  号|^   姓 名|^班内座号|^文理倾向|^考场号|^座位号|^  考场地点";
const char *const kRoomFormat = "|^座位号|^   姓 名|^       学  号|^    所在班级|^班内座号|^文理倾向";
} // namespace

bpdy2::bpdy2() : Window(QStringLiteral("bpdy2"))
{
    setWindowTitle(QStringLiteral("考场座位表打印"));
}

void bpdy2::createControls(QWidget *root)
{
    setWindowTitle(QStringLiteral("考场座位表打印"));
    auto *lay = new QVBoxLayout(root);
    Frame1 = new QGroupBox(root);
    auto *fl = new QHBoxLayout(Frame1);
    Label1[0] = new QLabel(QStringLiteral("选择班级："), Frame1);
    Combo3 = new QComboBox(Frame1);
    Combo3->setEditable(false);
    Combo3->setMinimumWidth(100);
    Label1[4] = new QLabel(QStringLiteral("年级"), Frame1);
    Label1[1] = new QLabel(QStringLiteral("考试地点："), Frame1);
    Label1[2] = new QLabel(QString(), Frame1);
    Label1[3] = new QLabel(QString(), Frame1);
    Label1[1]->hide();
    Label1[2]->hide();
    Label1[2]->setMinimumWidth(140);
    Label1[3]->setMinimumWidth(110);
    fl->addWidget(Label1[0]);
    fl->addWidget(Combo3);
    fl->addSpacing(12);
    fl->addWidget(Label1[4]);
    fl->addSpacing(12);
    fl->addWidget(Label1[1]);
    fl->addWidget(Label1[2]);
    fl->addStretch(1);
    fl->addWidget(Label1[3]);
    lay->addWidget(Frame1);

    Grid1 = new Grid(root);
    lay->addWidget(Grid1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    VsNetBut1[1] = new QPushButton(QStringLiteral("打印 "), root);
    VsNetBut1[0] = new QPushButton(QStringLiteral("退出 "), root);
    for (int i : {1, 0}) {
        keys::noDefault(VsNetBut1[i]);
        buttons->addWidget(VsNetBut1[i]);
        connect(VsNetBut1[i], &QPushButton::clicked, this, [this, i] { VsNetBut1_Click(i); });
    }
    lay->addLayout(buttons);
    connectChoice(Combo3, this, [this] { Combo3_Click(); });
    resize(760, 560);
}

void bpdy2::Form_Load()
{
    m_examId = gChartExamId;
    m_reportCode = gReportCode == 31 ? 31 : 32;
    m_cohortYear = gCohortYear;
    m_cohortDbFile = gCohortDbFile;
    m_gradeText.clear();
    m_addresses.clear();
    m_examName.clear();
    // The arrangement window that opened the charts holds the cohort they belong to.
    if (auto *arr = windows::find<bpdy>(QStringLiteral("bpdy")); arr && arr->isLoaded()) {
        m_cohortYear = arr->cohortYear();
        m_cohortDbFile = arr->cohortDbFile();
        m_examName = arr->Combo1 ? arr->Combo1->currentText() : QString();
    }
    if (!m_db.open(m_cohortDbFile)) {
        Unload();
        return;
    }
    outnjk();
    const QString title = isClassChart() ? QStringLiteral("班级座位表打印->") : QStringLiteral("考场座位表打印->");
    setWindowTitle(title + m_examName);
    {
        const QSignalBlocker block(Combo3);
        if (isClassChart()) {
            Grid1->setFormatString(QString::fromUtf8(kClassFormat));
            Label1[0]->setText(QStringLiteral("选择班级："));
            Label1[4]->setText(m_gradeText);
            showbj();
        } else {
            Grid1->setFormatString(QString::fromUtf8(kRoomFormat));
            Label1[0]->setText(QStringLiteral("选择考场："));
            Label1[1]->show();
            Label1[2]->show();
            Label1[4]->setText(m_gradeText);
            showkc();
        }
        Grid1->setRows(1);
        fitColumns();
        Combo3->setCurrentIndex(-1);
    }
}

void bpdy2::Form_Unload()
{
    m_db.closeAtUnload();
    windows::show(QStringLiteral("bpdy"));
}

void bpdy2::outnjk()
{
    m_gradeText = seatchart::examGradeName(m_db.system, m_examId);
}

void bpdy2::showbj()
{
    Combo3->clear();
    const sysdb::ClassRange range = sysdb::readClassRange(m_db.system, m_cohortYear);
    for (int i = 0; i < range.bjsum; ++i)
        Combo3->addItem(QString::number(range.startbj + i));
}

void bpdy2::showkc()
{
    Combo3->clear();
    m_addresses.clear();
    for (const QString &id : sysdb::examRoomIds(m_db.system, m_examId)) {
        Combo3->addItem(id);
        m_addresses << outkcname(id);
    }
}

QString bpdy2::outkcname(const QString &roomId)
{
    return seatchart::roomAddress(m_db.system, roomId);
}

void bpdy2::Combo3_Click()
{
    if (isClassChart()) {
        outgrid1();
        return;
    }
    const int index = Combo3->currentIndex();
    Label1[2]->setText(index >= 0 && index < m_addresses.size() ? m_addresses.at(index) : QString());
    outgrid2();
}

void bpdy2::outgrid1()
{
    showRows(seatchart::classRows(m_db.cohort, m_db.system, m_examId, Combo3->currentText().toInt()));
}

void bpdy2::outgrid2()
{
    showRows(seatchart::roomRows(m_db.cohort, m_examId, Combo3->currentText(), m_gradeText));
}

void bpdy2::showRows(const QList<QStringList> &rows)
{
    Grid1->setRows(int(rows.size()) + 1);
    Label1[3]->setText(QStringLiteral("总人数：") + QString::number(rows.size()));
    // Every cell of a row is written, so nothing of the class or room shown before remains.
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            Grid1->setTextMatrix(r + 1, c + 1, rows[r][c]);
    fitColumns();
}

void bpdy2::fitColumns()
{
    const int pad = 16 * Grid::TwipsPerPixel;
    for (int c = 1; c < Grid1->Cols(); ++c) {
        int width = Grid1->textWidthTwips(Grid1->TextMatrix(0, c));
        for (int r = 1; r < Grid1->Rows(); ++r)
            width = std::max(width, Grid1->textWidthTwips(Grid1->TextMatrix(r, c)));
        Grid1->setColWidth(c, width + pad);
    }
}

void bpdy2::VsNetBut1_Click(int index)
{
    if (index == 0) {
        Unload();
        return;
    }
    if (index != 1)
        return;
    if (Grid1->Rows() < 2) {
        services::msg(QStringLiteral("打印数据不能为空！"), titles::kSystem);
        return;
    }
    // The preview lays out the chart kind and exam this window shows, whatever another window
    // has put into the program-wide variables since.
    gReportCode = m_reportCode;
    gChartExamId = m_examId;
    showPrintPreview();
}

} // namespace quorvane
