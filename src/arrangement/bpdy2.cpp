#include "arrangement/bpdy2.h"

#include "arrangement/bpdy.h"
#include "controls/grid/grid.h"
#include "shell/codes.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/sysdb.h"
#include "shell/titles.h"

#include <QHBoxLayout>
#include <QHash>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {
const char *const kClassFormat = "|^       学  号|^   姓 名|^班内座号|^文理倾向|^考场号|^座位号|^  考场地点";
const char *const kRoomFormat = "|^座位号|^   姓 名|^       学  号|^    所在班级|^班内座号|^文理倾向";

// A stored value as the chart shows it: empty for Null or empty text, numbers as decimal text.
QString cellText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}
} // namespace

bpdy2::bpdy2() : Window(QStringLiteral("bpdy2"))
{
    setWindowTitle(QStringLiteral("考场座位表打印"));
}

QString bpdy2::streamText(const QVariant &code)
{
    if (code.isNull() || code.toString().trimmed().isEmpty())
        return QString();
    bool ok = false;
    const double v = code.toDouble(&ok);
    if (!ok)
        return QString();
    return codeName(kStreamNames, v);
}

QString bpdy2::gradeTextOf(const QVariant &grade)
{
    const QString text = cellText(grade);
    for (int n = 1; n <= 3; ++n) {
        if (text == QString::number(n))
            return kGradeNames[n - 1];
    }
    return text;
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
    m_gradeText.clear();
    QSqlQuery q = prepare(m_db.system, QStringLiteral("SELECT grade FROM kcbpb WHERE id = ? ORDER BY rowid LIMIT 1"), {m_examId});
    if (q.exec() && q.next())
        m_gradeText = gradeTextOf(q.value(0));
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
    QSqlQuery q = prepare(m_db.system, QStringLiteral("SELECT address FROM kcszb WHERE id = ? ORDER BY rowid LIMIT 1"), {roomId});
    if (q.exec() && q.next() && !q.value(0).isNull())
        return q.value(0).toString();
    return QString();
}

QString bpdy2::outaddress(const QString &roomId)
{
    return outkcname(roomId);
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
    const QString classText = Combo3->currentText();
    QSqlQuery q = prepare(m_db.cohort,
                          QStringLiteral("SELECT stid, name, wlflag, zh, kcbj, kczh FROM stucj WHERE id = ? AND bj = ? ORDER BY stid, rowid"),
                          {m_examId, classText.toInt()});
    QList<QStringList> rows;
    QHash<QString, QString> addresses;
    if (q.exec()) {
        while (q.next()) {
            const QString room = cellText(q.value(4));
            QString address;
            if (!room.isEmpty()) {
                const auto it = addresses.constFind(room);
                address = it != addresses.cend() ? *it : addresses.insert(room, outaddress(room)).value();
            }
            rows.append({cellText(q.value(0)), cellText(q.value(1)), cellText(q.value(3)), streamText(q.value(2)),
                         room, cellText(q.value(5)), address});
        }
    }
    Grid1->setRows(int(rows.size()) + 1);
    Label1[3]->setText(QStringLiteral("总人数：") + QString::number(rows.size()));
    // Every cell of a row is written, so nothing of the class shown before remains.
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 7; ++c)
            Grid1->setTextMatrix(r + 1, c + 1, rows[r][c]);
    fitColumns();
}

void bpdy2::outgrid2()
{
    const QString room = Combo3->currentText();
    QSqlQuery q = prepare(m_db.cohort,
                          QStringLiteral("SELECT kczh, name, stid, bj, zh, wlflag FROM stucj WHERE id = ? AND kcbj = ? ORDER BY kczh, rowid"),
                          {m_examId, room});
    QList<QStringList> rows;
    if (q.exec()) {
        while (q.next())
            rows.append({cellText(q.value(0)), cellText(q.value(1)), cellText(q.value(2)),
                         Label1[4]->text() + QStringLiteral("(") + cellText(q.value(3)) + QStringLiteral(")班"),
                         cellText(q.value(4)), streamText(q.value(5))});
    }
    Grid1->setRows(int(rows.size()) + 1);
    Label1[3]->setText(QStringLiteral("总人数：") + QString::number(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 6; ++c)
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
