#include "scores/cjintool.h"

#include "controls/grid/grid.h"
#include "controls/progressbar/XP_ProgressBar.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/outksxx.h"
#include "shell/services.h"
#include "shell/textcheck.h"
#include "shell/titles.h"
#include "shell/waitcursor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScopeGuard>
#include <QTimer>
#include <QValidator>
#include <QVBoxLayout>

namespace quorvane {

using namespace scoresheet;

namespace {
const QString kClassFormat = QStringLiteral("|^   姓  名 |^座号|^分数|^位置");
const QString kRoomFormat = QStringLiteral("|^座位号|^分数|^位置");
const QString kClassCaption = QStringLiteral("班级号:");
const QString kRoomCaption = QStringLiteral("考场号:");
const QString kMarker = QStringLiteral("←");
const QString kTitle = titles::kSystem;      // full-width colon
const QString kTitleAscii = titles::kSystemAscii;  // ASCII colon

// A closing message of a workbook run, shown with the normal pointer although the run's hourglass
// is still set around it.
void closingMsg(const QString &text, const QString &title)
{
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    struct Restore
    {
        bool on;
        ~Restore()
        {
            if (on)
                QGuiApplication::restoreOverrideCursor();
        }
    } restore{gui};
    services::msg(text, title);
}

QLabel *makeLabel(const QString &text, QWidget *parent, const char *color = nullptr, bool bold = false)
{
    auto *l = new QLabel(text, parent);
    if (color)
        l->setStyleSheet(QStringLiteral("color: %1;%2").arg(QLatin1String(color), bold ? QStringLiteral(" font-weight: bold;") : QString()));
    return l;
}

QPushButton *makeButton(const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    keys::noDefault(b);
    return b;
}
} // namespace

// The entry box takes at most 3 typed characters. A text the window itself puts into the box (the
// cell of the row being edited, which an import may have filled with a longer text) is shown
// whole and never cut, so the cell is not changed by walking over it.
class EntryLengthLimit : public QValidator
{
public:
    EntryLengthLimit(QLineEdit *box, int limit) : QValidator(box), m_limit(limit)
    {
        connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_length = text.size(); });
    }
    // Puts a text into the box as the program does, whatever its length.
    void setText(QLineEdit *box, const QString &text)
    {
        m_setting = true;
        box->setText(text);
        m_setting = false;
    }
    State validate(QString &input, int &) const override
    {
        if (m_setting)
            return Acceptable;
        // Typing may not lengthen a text beyond the limit; shortening a longer one is allowed.
        return input.size() > m_limit && input.size() > m_length ? Invalid : Acceptable;
    }

private:
    qsizetype m_limit;
    qsizetype m_length = 0;
    bool m_setting = false;
};

cjintool::cjintool() : Window(QStringLiteral("cjintool"))
{
    setWindowTitle(QStringLiteral("考试成绩输入"));
}

void cjintool::createControls(QWidget *root)
{
    Label1.fill(nullptr);
    Label3.fill(nullptr);
    auto *lay = new QHBoxLayout(root);

    // Left: the entry grid.
    Grid1 = new Grid(root);
    Grid1->setFocusPolicy(Qt::NoFocus);
    Grid1->setRows(1);
    Grid1->setFormatString(kClassFormat);
    Grid1->setFixedCols(3);
    Grid1->setMinimumWidth(320);
    lay->addWidget(Grid1, 1);
    // A click on the grid (the current row is set by the press) sends the user back to the entry
    // box on that row; handled at the release, also when the mouse was let go over another cell.
    keys::hook(Grid1->viewport(), [this](QEvent *event) {
        if (event->type() == QEvent::MouseButtonRelease) {
            Grid1_Click();
            Grid1_EnterCell();
            Grid1_GotFocus();
        }
        return false;
    });

    // Right: choosers, entry box and buttons.
    auto *side = new QWidget(root);
    auto *form = new QGridLayout(side);
    int row = 0;
    Label1[8] = makeLabel(QStringLiteral("考试名称:"), side);
    Combo2 = new QComboBox(side);
    Combo2->setMinimumWidth(180);
    form->addWidget(Label1[8], row, 0);
    form->addWidget(Combo2, row++, 1);
    Label1[0] = makeLabel(QStringLiteral("考试学科:"), side);
    Combo1 = new QComboBox(side);
    form->addWidget(Label1[0], row, 0);
    form->addWidget(Combo1, row++, 1);
    Label1[1] = makeLabel(kClassCaption, side);
    Combo3 = new QComboBox(side);
    form->addWidget(Label1[1], row, 0);
    form->addWidget(Combo3, row++, 1);
    Label3[3] = makeLabel(QStringLiteral("项  目："), side);
    Combo4 = new QComboBox(side);
    form->addWidget(Label3[3], row, 0);
    form->addWidget(Combo4, row++, 1);
    Label3[5] = makeLabel(QString(), side, "red", true);
    form->addWidget(Label3[5], row++, 0, 1, 2);
    Label3[1] = makeLabel(QStringLiteral("分数制："), side);
    Label3[4] = makeLabel(QString(), side, "blue");
    form->addWidget(Label3[1], row, 0);
    form->addWidget(Label3[4], row++, 1);
    Label3[2] = makeLabel(QStringLiteral("分  数："), side);
    Text1 = new QLineEdit(side);
    m_entryLimit = new EntryLengthLimit(Text1, 3);
    Text1->setValidator(m_entryLimit);
    form->addWidget(Label3[2], row, 0);
    form->addWidget(Text1, row++, 1);
    Check1 = new QCheckBox(QStringLiteral("打印成绩模板"), side);
    form->addWidget(Check1, row++, 0, 1, 2);
    Label3[6] = makeLabel(QStringLiteral("当前成绩已锁定！"), side, "red");
    Label3[6]->setVisible(false);
    form->addWidget(Label3[6], row++, 0, 1, 2);
    Label3[7] = makeLabel(QStringLiteral("分数："), side);
    Label3[8] = makeLabel(QStringLiteral("-1 表示缺考"), side, "red");
    Label3[9] = makeLabel(QStringLiteral("-2 表示作弊"), side, "red");
    form->addWidget(Label3[7], row, 0);
    form->addWidget(Label3[8], row++, 1);
    form->addWidget(Label3[9], row++, 1);
    Label3[0] = makeLabel(QString(), side, "red");
    form->addWidget(Label3[0], row++, 0, 1, 2);

    command3 = makeButton(QStringLiteral("确定保存"), side);
    VsNetBut1 = makeButton(QStringLiteral("分数清零"), side);
    VsNetBut2 = makeButton(QStringLiteral("成绩打印"), side);
    VsNetBut3 = makeButton(QStringLiteral("分数导入"), side);
    VsNetBut4 = makeButton(QStringLiteral("分数导出"), side);
    exitcom = makeButton(QStringLiteral("关闭退出"), side);
    form->addWidget(command3, row, 0);
    form->addWidget(VsNetBut1, row++, 1);
    form->addWidget(VsNetBut2, row, 0);
    form->addWidget(VsNetBut3, row++, 1);
    form->addWidget(VsNetBut4, row, 0);
    form->addWidget(exitcom, row++, 1);

    XP_ProgressBar1 = XP_ProgressBar::createHosted(side);
    XP_ProgressBar1->setMinimumHeight(18);
    XP_ProgressBar1->setVisible(false);
    form->addWidget(XP_ProgressBar1, row++, 0, 1, 2);
    form->setRowStretch(row, 1);
    lay->addWidget(side);

    connect(Combo2, &QComboBox::activated, this, [this](int) { Combo2_Click(); });
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    connect(Combo3, &QComboBox::activated, this, [this](int) { Combo3_Click(); });
    connect(Combo4, &QComboBox::activated, this, [this](int) { Combo4_Click(); });
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    keys::hook(Text1, [this](QEvent *event) {
        if (event->type() == QEvent::FocusIn) {
            // After the click that gave the focus has placed the caret.
            QTimer::singleShot(0, this, [this] {
                if (Text1)
                    Text1_GotFocus();
            });
        }
        return false;
    });
    // Only a key pressed in the box counts: the Enter that closed a message box is let go over
    // the box again and must not run the check (and its message) once more.
    keys::onKeyUpPressedHere(Text1, [this](int keyCode) { Text1_KeyUp(keyCode, 0); });
    // Enter on a button that has the focus presses it (no button is the window's default).
    for (QPushButton *b : {command3, VsNetBut1, VsNetBut2, VsNetBut3, VsNetBut4, exitcom})
        keys::pressOnEnter(b);
    connect(command3, &QPushButton::clicked, this, &cjintool::command3_Click);
    connect(VsNetBut1, &QPushButton::clicked, this, &cjintool::VsNetBut1_Click);
    connect(VsNetBut2, &QPushButton::clicked, this, &cjintool::VsNetBut2_Click);
    connect(VsNetBut3, &QPushButton::clicked, this, &cjintool::VsNetBut3_Click);
    connect(VsNetBut4, &QPushButton::clicked, this, &cjintool::VsNetBut4_Click);
    connect(exitcom, &QPushButton::clicked, this, &cjintool::exitcom_Click);
    resize(760, 560);
}

void cjintool::Form_Load()
{
    m_year = gCohortYear;
    m_dbFile = gCohortDbFile;
    m_examIds.clear();
    m_settings = sysdb::ExamSettings();
    m_curkm = 0;
    m_movedir = 2;
    m_gridContext = SheetContext();
    m_students.clear();
    m_saving = false;
    enableEntry();
    setWindowTitle(QStringLiteral("考试成绩输入"));
    // A missing file is named, one that is there but cannot be opened is a damaged library file;
    // either ends the program.
    m_dbs.open(m_dbFile);
    SetTopMost(this);
    m_examIds = outksxx(m_dbs.system, m_year, Combo2);
    Combo2->setCurrentIndex(-1);
}

void cjintool::Form_Unload()
{
    ClearTopMost(this);
    m_dbs.closeAtUnload();
}

QString cjintool::chosenExamId() const
{
    return Combo2 ? quorvane::chosenExamId(Combo2, m_examIds) : QString();
}

bool cjintool::classModeShown() const
{
    return Label1[1] && Label1[1]->text() == kClassCaption;
}

int cjintool::scoreCol() const { return classModeShown() ? 3 : 2; }
int cjintool::markerCol() const { return classModeShown() ? 4 : 3; }

void cjintool::Combo2_Click()
{
    form_1();
}

void cjintool::form_1()
{
    QStringList subjects;
    const bool found = loadSubjectSettings(m_dbs.system, m_year, chosenExamId(), m_settings, subjects);
    Combo1->clear();
    if (found)
        Combo1->addItems(subjects);
    Combo1->setCurrentIndex(-1);
}

void cjintool::Combo1_Click()
{
    m_curkm = subjectNumber(Combo1->currentText());
    const int k = m_curkm;
    Combo4->clear();
    const sysdb::SubjectSettings &subject = m_settings.subject(k);
    if (fullMark(subject, ScoreItem::Objective) > 0)
        Combo4->addItem(itemText(ScoreItem::Objective));
    if (fullMark(subject, ScoreItem::Subjective) > 0)
        Combo4->addItem(itemText(ScoreItem::Subjective));
    if (fullMark(subject, ScoreItem::Total) > 0)
        Combo4->addItem(itemText(ScoreItem::Total));
    Combo4->setCurrentIndex(-1);

    // Every cell is emptied; the rows stay, but they no longer stand for any student: the old
    // subject's count, full mark and score go, and 保存 and the entry box wait for the next list.
    Grid1->Clear();
    m_students.clear();
    m_gridContext = SheetContext();
    Label3[5]->clear();
    Label3[4]->clear();
    m_entryLimit->setText(Text1, QString());
    if (subject.byClass()) {
        Label1[1]->setText(kClassCaption);
        Grid1->setFormatString(kClassFormat);
        Grid1->setFixedCols(3);
        showbj();
    } else {
        Label1[1]->setText(kRoomCaption);
        Grid1->setFormatString(kRoomFormat);
        Grid1->setCols(4);
        Grid1->setFixedCols(2);
        showkc();
    }

    const bool locked = subject.locked();
    VsNetBut1->setEnabled(!locked);
    Text1->setReadOnly(locked);
    Label3[6]->setVisible(locked);
    enableEntry();
}

void cjintool::enableEntry()
{
    const bool listed = m_gridContext.valid();
    const int k = m_curkm;
    const bool locked = m_settings.subject(k).locked();
    command3->setEnabled(listed && !locked);
    Text1->setEnabled(listed);
    // Rows left by another subject's list stand for nobody: like 保存, printing, exporting and
    // importing wait for the next list. (With no rows, printing says there is nothing to print.)
    const bool stale = !listed && Grid1->Rows() > 1;
    for (QPushButton *b : {VsNetBut2, VsNetBut3, VsNetBut4})
        b->setEnabled(!stale);
}

void cjintool::fitNameColumn()
{
    int widest = 0;
    for (int r = 1; r < Grid1->Rows(); ++r)
        widest = std::max(widest, Grid1->textWidthTwips(Grid1->TextMatrix(r, 1)));
    const int wanted = widest + 14 * Grid::TwipsPerPixel;
    if (widest > 0 && wanted > Grid1->ColWidth(1))
        Grid1->setColWidth(1, wanted);
}

void cjintool::showbj()
{
    const QStringList classes = classList(m_dbs.system, m_year);
    Combo3->clear();
    Combo3->addItems(classes);
    Combo3->setCurrentIndex(-1);
}

void cjintool::showkc()
{
    const QStringList rooms = sysdb::examRoomIds(m_dbs.system, chosenExamId());
    Combo3->clear();
    Combo3->addItems(rooms);
    Combo3->setCurrentIndex(-1);
}

void cjintool::Combo3_Click()
{
    if (Combo4->currentIndex() >= 0)
        Combo4_Click();
}

void cjintool::Combo4_Click()
{
    if (Combo1->currentText().isEmpty()) {
        services::msg(QStringLiteral("学科未选择!"), kTitle);
        Combo1->setFocus();
        return;
    }
    if (Combo3->currentText().isEmpty()) {
        services::msg(QStringLiteral("班级/考场未选择!"), kTitle);
        Combo3->setFocus();
        return;
    }
    const ScoreItem item = itemFromText(Combo4->currentText());
    Label3[4]->setText(QString::number(fullMark(m_settings.subject(m_curkm), item)));
    if (Label1[1]->text() == kClassCaption)
        showgrid1();
    else if (Label1[1]->text() == kRoomCaption)
        showgrid2();
    Text1->setFocus();
}

void cjintool::showgrid1() { showgrid(true); }
void cjintool::showgrid2() { showgrid(false); }

void cjintool::showgrid(bool classMode)
{
    m_movedir = 2;
    SheetContext ctx;
    ctx.examId = chosenExamId();
    ctx.subject = m_curkm;
    ctx.item = itemFromText(Combo4->currentText());
    ctx.classMode = classMode;
    ctx.place = Combo3->currentText();
    const int kstype = m_settings.subject(m_curkm).stream();
    std::vector<SheetRow> rows;
    if (!ctx.valid() || !loadSheetRows(m_dbs.cohort, ctx, kstype, rows))
        return; // no stream setting: the grid stays as it was

    const int n = static_cast<int>(rows.size());
    WaitCursor wait(n > 0);
    if (n > 0) {
        XP_ProgressBar1->setMax(n + 1);
        XP_ProgressBar1->setVisible(true);
    }
    Grid1->Clear();
    Grid1->setFormatString(classMode ? kClassFormat : kRoomFormat);
    if (!classMode)
        Grid1->setCols(4);
    Grid1->setFixedCols(classMode ? 3 : 2);
    Grid1->setRows(n + 1);
    const int scoreColumn = classMode ? 3 : 2;
    for (int r = 1; r <= n; ++r) {
        const SheetRow &s = rows[static_cast<size_t>(r - 1)];
        if (classMode) {
            Grid1->setTextMatrix(r, 1, s.name);
            Grid1->setTextMatrix(r, 2, s.seat);
        } else {
            Grid1->setTextMatrix(r, 1, s.seat);
        }
        Grid1->setTextMatrix(r, scoreColumn, s.score);
        XP_ProgressBar1->setValue(r);
    }
    if (classMode)
        fitNameColumn();
    XP_ProgressBar1->setVisible(false);
    wait.release();
    m_students = std::move(rows);
    m_gridContext = ctx;
    enableEntry();
    if (n > 0) {
        Grid1->setRow(1);
        Grid1->setCol(Grid1->FixedCols());   // the first column that is not fixed: the score
        Grid1->setTextMatrix(1, classMode ? 4 : 3, kMarker);
        // The box shows the new current row's cell, as at every move, so that nothing left in it
        // from the previous list is joined to what is typed for this row.
        m_entryLimit->setText(Text1, Grid1->TextMatrix(1, scoreColumn));
    }
    Label3[5]->setText(QStringLiteral("总人数：") + QString::number(Grid1->Rows() - 1));
}

void cjintool::Text1_Change()
{
    if (!Grid1 || Grid1->Rows() < 2)
        return;
    const int r = Grid1->Row();
    if (r >= 1 && r < Grid1->Rows())
        Grid1->setTextMatrix(r, scoreCol(), Text1->text());
}

void cjintool::Text1_GotFocus()
{
    Text1->setCursorPosition(static_cast<int>(Text1->text().size()));
}

void cjintool::Text1_KeyUp(int keyCode, int /*shift*/)
{
    if (keyCode == 13 || keyCode == 40) {
        m_movedir = 1;
        checkno();
        Grid1_GotFocus();
    } else if (keyCode == 38) {
        m_movedir = 0;
        checkno();
        Grid1_GotFocus();
    }
}

void cjintool::checkno()
{
    const QString t = Text1->text();
    const QString full = Label3[4]->text();
    switch (checkEntry(t, full)) {
    case EntryCheck::IllegalCharacter:
        services::msg(QStringLiteral("分数含有非法字符!"), kTitleAscii);
        m_movedir = 2;
        Text1->setFocus();
        break;
    case EntryCheck::AboveFullMark:
        services::msg(QStringLiteral("分数不能大于") + full + QStringLiteral("分!"), kTitleAscii);
        m_movedir = 2;
        Text1->setFocus();
        break;
    case EntryCheck::Ok:
        break;
    }
}

void cjintool::Grid1_GotFocus()
{
    const int rows = Grid1->Rows();
    if (rows < 2)
        return;
    int r = Grid1->Row();
    if (r < 1 || r >= rows)
        r = 1;
    if (m_movedir == 1 && r < rows - 1)
        ++r;
    else if (m_movedir == 0 && r > 1)
        --r;
    Grid1->setRow(r);
    Text1->setFocus();
    m_entryLimit->setText(Text1, Grid1->TextMatrix(r, scoreCol()));
    Text1_GotFocus();
    markRow(r);
}

void cjintool::Grid1_Click()
{
    m_movedir = 2;
}

void cjintool::Grid1_EnterCell()
{
    Text1->setFocus();
}

void cjintool::markRow(int row)
{
    Grid1->setTextMatrix(row, markerCol(), kMarker);
    clearpoint();
}

void cjintool::clearpoint()
{
    const int rows = Grid1->Rows();
    if (rows < 2)
        return;
    const int current = Grid1->Row();
    const int col = markerCol();
    for (int r = 1; r < rows; ++r)
        if (r != current)
            Grid1->setTextMatrix(r, col, QString());
}

void cjintool::setChoosersEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(Combo1), static_cast<QWidget *>(Combo2),
                       static_cast<QWidget *>(Combo3), static_cast<QWidget *>(Combo4)})
        w->setEnabled(enabled);
}

void cjintool::command3_Click()
{
    if (m_saving)
        return;
    const int rows = Grid1->Rows();
    const QString full = Label3[4]->text();
    const int col = scoreCol();
    // The checks walk the rows; once they pass, the row being edited (the marked one) is made
    // current again, so that what is typed next goes into the row the box and the marker show.
    const int editedRow = Grid1->Row();
    for (int r = 1; r < rows; ++r) {
        Grid1->setRow(r);
        const QString s = Grid1->TextMatrix(r, col);
        const EntryCheck check = checkCell(s, full);
        if (check == EntryCheck::Ok)
            continue;
        if (check == EntryCheck::IllegalCharacter)
            services::msg(QStringLiteral("输入分数含有非法字符!"), kTitleAscii);
        else
            services::msg(QStringLiteral("输入分数不能大于") + full + QStringLiteral("分!"), kTitleAscii);
        Text1->setFocus();
        showCurrentCell();
        markRow(r);
        return;
    }
    if (rows > 1)
        Grid1->setRow(editedRow);
    if (services::ask(QStringLiteral("当前列表分数要保存吗？"), kTitle, MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;

    // What is written is fixed now: the sheet the grid was filled for and the cells as they stand.
    const SheetContext ctx = m_gridContext;
    std::vector<SaveRow> save;
    const int students = std::min(rows - 1, static_cast<int>(m_students.size()));
    save.reserve(static_cast<size_t>(std::max(0, students)));
    for (int r = 1; r <= students; ++r) {
        const SheetRow &s = m_students[static_cast<size_t>(r - 1)];
        save.push_back({s.stid, s.rowId, Grid1->TextMatrix(r, col)});
    }

    m_saving = true;
    const bool wasSave = command3->isEnabled();
    const bool wasClear = VsNetBut1->isEnabled();
    const bool wasImport = VsNetBut3->isEnabled();
    setChoosersEnabled(false);
    command3->setEnabled(false);
    VsNetBut1->setEnabled(false);
    VsNetBut3->setEnabled(false);
    XP_ProgressBar1->setMax(std::max(1, rows - 1));
    XP_ProgressBar1->setVisible(true);
    WaitCursor wait;
    QString error;
    const WriteScope saving(QStringLiteral("本次成绩"));
    const bool ok = save.empty() || saveScores(m_dbs.cohort, ctx, save, [this](int r) {
        windows::letEventsRun();
        XP_ProgressBar1->setValue(r);
    }, &error);
    wait.release();
    XP_ProgressBar1->setVisible(false);
    setChoosersEnabled(true);
    command3->setEnabled(wasSave);
    VsNetBut1->setEnabled(wasClear);
    VsNetBut3->setEnabled(wasImport);
    m_saving = false;
    if (ok)
        services::msg(QStringLiteral("保存完毕!"), kTitleAscii);
    else
        services::msg(QStringLiteral("保存失败（") + error + QStringLiteral("），本次分数均未写入数据库，请稍后再试!"), kTitleAscii);
}

void cjintool::VsNetBut1_Click()
{
    const int rows = Grid1->Rows();
    if (rows < 2)
        return;
    const int col = scoreCol();
    for (int r = 1; r < rows; ++r)
        Grid1->setTextMatrix(r, col, QString());
    showCurrentCell();
}

void cjintool::showCurrentCell()
{
    const int r = Grid1->Row();
    if (Grid1->Rows() >= 2 && r >= 1 && r < Grid1->Rows())
        m_entryLimit->setText(Text1, Grid1->TextMatrix(r, scoreCol()));
}

void cjintool::VsNetBut2_Click()
{
    const int rows = Grid1->Rows();
    if (rows <= 1) {
        services::msg(QStringLiteral("当前打印内容不能为空!"), kTitleAscii);
        return;
    }
    if (rows > 72) {
        services::msg(QStringLiteral("当前打印内容过多!"), kTitleAscii);
        return;
    }
    gReportCode = 41;
    showPrintPreview();
}

void cjintool::VsNetBut3_Click()
{
    selectin();
}

void cjintool::VsNetBut4_Click()
{
    selectout();
}

void cjintool::exitcom_Click()
{
    Unload();
}

void cjintool::selectin()
{
    m_excel.selectin([this](const QString &file) { stuinputok0(file); });
}

// The proposed file name names the class or room listed ("3班语文成绩.xlsx", "001考场语文成绩.xlsx"),
// so that one class's sheet is not easily taken for another's.
void cjintool::selectout()
{
    QString name = Combo1->currentText();
    if (m_gridContext.valid())
        name = m_gridContext.place + (m_gridContext.classMode ? QStringLiteral("班") : QStringLiteral("考场"))
            + subjectName(m_gridContext.subject);
    m_excel.selectout(name + QStringLiteral("成绩.xlsx"), [this](const QString &file) { outgrid1(file); });
}

// Writes the grid as shown, without the empty column 0 and the row-marker column: sheet row i
// holds grid row i - 1.
void cjintool::outgrid1(const QString &fileName)
{
    XP_ProgressBar1->setVisible(true);
    const int n = Grid1->Cols() - 2;
    std::vector<QStringList> table;
    for (int i = 0; i < Grid1->Rows(); ++i) {
        QStringList row;
        for (int j = 1; j <= n; ++j)
            row << Grid1->TextMatrix(i, j);
        table.push_back(row);
    }
    int counter = 1;
    QString error;
    const bool ok = writeScoreWorkbook(fileName, table, [&](int) {
        if (counter > 100)
            counter = 1;
        XP_ProgressBar1->setValue(counter);
        ++counter;
    }, &error);
    XP_ProgressBar1->setVisible(false);
    if (!ok) {
        closingMsg(QStringLiteral("无法写入文件“") + QFileInfo(fileName).fileName() + QStringLiteral("”：") + error
                       + QStringLiteral("，成绩未能导出！"),
                   kTitle);
        return;
    }
    closingMsg(QStringLiteral("导出完毕，请认真检查是否正确。"), kTitle);
}

// Puts the score of each sheet row into the grid row of its seat number.
void cjintool::stuinputok0(const QString &fileName)
{
    if (!m_excel.el_openexcel(fileName, LastScoreRow, 3)) // columns A to C
        return;
    XP_ProgressBar1->setVisible(true);
    XP_ProgressBar1->setMax(100);
    int counter = 1;
    m_nameMismatches = 0;
    m_seatIndex = seatIndex();
    const auto dropIndex = qScopeGuard([this] { m_seatIndex.reset(); });
    const bool toTheLimit = readScoreRows(
        [this](const QString &ref) {
            m_excel.el_selsectx(ref);
            return m_excel.ActiveCellText();
        },
        [this](const QString &columnA, const QString &columnB, const QString &columnC) { findgrid(columnA, columnB, columnC); },
        [&](int) {
            ++counter;
            if (counter > 100)
                counter = 1;
            XP_ProgressBar1->setValue(counter);
        });
    XP_ProgressBar1->setVisible(false);
    showCurrentCell();
    QString text = QStringLiteral("导入完毕，请认真检查是否正确。");
    if (m_nameMismatches > 0)
        text += QStringLiteral("\n有") + QString::number(m_nameMismatches)
            + QStringLiteral("行的姓名与列表中同座号学生的姓名不符，未导入。");
    const int beyond = toTheLimit ? m_excel.rowsBeyondLimit() : 0;
    if (beyond > 0)
        text += QStringLiteral("\n另有") + QString::number(beyond) + QStringLiteral("行在第") + QString::number(LastScoreRow)
            + QStringLiteral("行之后，未读入（每次最多读到第") + QString::number(LastScoreRow) + QStringLiteral("行）。");
    closingMsg(text, kTitle);
}

// Room mode places a row by its seat number. Class mode also wants the name of the student on
// that seat: a sheet of another class of the same subject has the same seat numbers, and its
// scores must not land on this class's students. Such rows are counted for the closing message.
void cjintool::findgrid(const QString &columnA, const QString &columnB, const QString &columnC)
{
    std::optional<scoresheet::SeatIndex> single;
    const scoresheet::SeatIndex &index = m_seatIndex ? *m_seatIndex : single.emplace(seatIndex());
    if (Label1[1]->text() == kClassCaption)
        placeByStudent(index, columnA, columnB, columnC);
    else
        placeBySeat(index, columnA, columnB);
}

scoresheet::SeatIndex cjintool::seatIndex() const
{
    // The grid of a class lists name then seat; that of a room the seat first.
    const bool classMode = Label1[1]->text() == kClassCaption;
    std::vector<QString> seats;
    std::vector<QString> names;
    for (int i = 1; i < Grid1->Rows(); ++i) {
        seats.push_back(Grid1->TextMatrix(i, classMode ? 2 : 1));
        if (classMode)
            names.push_back(Grid1->TextMatrix(i, 1));
    }
    return scoresheet::SeatIndex(seats, names);
}

void cjintool::placeBySeat(const scoresheet::SeatIndex &index, const QString &seat, const QString &score)
{
    const int found = index.findSeat(seat);
    if (found >= 0)
        Grid1->setTextMatrix(found + 1, 2, score);
}

void cjintool::placeByStudent(const scoresheet::SeatIndex &index, const QString &name, const QString &seat,
                              const QString &score)
{
    bool nameDiffers = false;
    const int found = index.findStudent(seat, name, &nameDiffers);
    if (found >= 0)
        Grid1->setTextMatrix(found + 1, 3, score);
    else if (nameDiffers)
        ++m_nameMismatches;
}

} // namespace quorvane
