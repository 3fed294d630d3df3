#include "shell/selectyear.h"

#include "shell/database.h"
#include "shell/globals.h"
#include "shell/keys.h"
#include "shell/services.h"
#include "shell/titles.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSqlQuery>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvane {

selectyear::selectyear() : Window(QStringLiteral("selectyear"))
{
    setWindowTitle(QStringLiteral("学届选择"));
    resize(320, 130);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString selectyear::windowForFunction(int code)
{
    static const char *const names[] = {"managst", "kcbp", "bpdy", "gkksxx", "cjintool", "makea", "make",
                                        "dkcj", "gkcj", "average", "gkdz", "fdtj", "cjbq"};
    return code >= 1 && code <= 13 ? QLatin1String(names[code - 1]) : QString();
}

void selectyear::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    auto *frame = new QGroupBox(root);
    Frame1 = frame;
    auto *fl = new QHBoxLayout(frame);
    Label1 = new QLabel(QStringLiteral("选择学届:"), frame);
    Combo1 = new QComboBox(frame);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setMinimumWidth(160);
    Combo1->installEventFilter(this);
    Combo1->lineEdit()->installEventFilter(this);
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, [this] { Combo1_Change(); });
    fl->addWidget(Label1);
    fl->addWidget(Combo1, 1);
    lay->addWidget(frame);
    auto *buttons = new QHBoxLayout;
    command1 = new QPushButton(QStringLiteral("确 定"), root);
    exitcom = new QPushButton(QStringLiteral("返 回"), root);
    for (QPushButton *b : {command1, exitcom}) {
        keys::noDefault(b);
        b->installEventFilter(this);
        buttons->addWidget(b);
    }
    lay->addLayout(buttons);
    connect(command1, &QPushButton::clicked, this, &selectyear::command1_Click);
    connect(exitcom, &QPushButton::clicked, this, &selectyear::exitcom_Click);
    resize(320, 130);
}

void selectyear::Form_Load()
{
    m_fileNames.clear();
    m_refused = false;
    WindowDatabases dbs(windowName());
    dbs.open(); // a failure shows its message and ends the program
    QSqlQuery q = prepare(dbs.system, QStringLiteral("SELECT dbyear, dbname FROM dbsystable ORDER BY dbyear DESC"));
    if (!q.exec()) {
        dbs.closeAll();
        services::msg(QStringLiteral("newclasssys.mdb库文件有误!"), titles::kWarning);
        services::endProgram();
    }
    int preselect = -1;
    int i = 0;
    while (q.next()) {
        const QString year = q.value(0).toString();
        Combo1->addItem(year);
        m_fileNames << q.value(1).toString() + QStringLiteral(".mdb");
        if (QString::compare(year, gCohortYear, Qt::CaseInsensitive) >= 0)
            preselect = i;
        ++i;
    }
    q = QSqlQuery();
    dbs.closeAll();
    Combo1->setCurrentIndex(preselect);
    if (preselect < 0)
        Combo1->setEditText(QString());
}

namespace {
// The character code a key press types into a text field, as the list's key-press step sees it:
// printable characters, Backspace (8), Esc (27), Enter (13) and Ctrl with a letter (1 to 26, Ctrl+V
// among them). Keys that type nothing (arrows, page keys, Tab, Delete, function keys, Alt with a key)
// give 0.
int typedCharacter(const QKeyEvent *ke)
{
    const int key = ke->key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return 0;
    default: break;
    }
    const Qt::KeyboardModifiers mods = ke->modifiers();
    if (mods & (Qt::AltModifier | Qt::MetaModifier))
        return 0;
    if (mods & Qt::ControlModifier)
        return key >= Qt::Key_A && key <= Qt::Key_Z ? key - Qt::Key_A + 1 : 0;
    const QString text = ke->text();
    if (text.isEmpty() || text.at(0).unicode() < 32 || text.at(0).unicode() == 127)
        return 0;
    return text.at(0).unicode();
}
} // namespace

bool selectyear::eventFilter(QObject *watched, QEvent *event)
{
    if (Combo1 && (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)) {
        if (watched == Combo1->lineEdit()) {
            m_seenByBox = event;
            QTimer::singleShot(0, this, [this] { m_seenByBox = nullptr; });
        } else if (watched == Combo1 && event == m_seenByBox) {
            m_seenByBox = nullptr;
            return Window::eventFilter(watched, event);
        }
    }
    // Text committed by an input method (Chinese typed in) is typing as well.
    if (event->type() == QEvent::InputMethod && Combo1 && (watched == Combo1 || watched == Combo1->lineEdit())) {
        const QString committed = static_cast<QInputMethodEvent *>(event)->commitString();
        if (!committed.isEmpty())
            Combo1_KeyPress(committed.at(0).unicode());
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return Window::eventFilter(watched, event);
    auto *ke = static_cast<QKeyEvent *>(event);
    // Enter on a focused button presses it: Enter in the list leads to 确定, a second Enter confirms.
    if (auto *button = qobject_cast<QPushButton *>(watched); button && (button == command1 || button == exitcom)) {
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            if (!ke->isAutoRepeat() && button->isEnabled())
                button->click();
            return true;
        }
        return Window::eventFilter(watched, event);
    }
    if (Combo1 && (watched == Combo1 || watched == Combo1->lineEdit())) {
        // Arrow keys, page keys and the like choose from the list; only typed characters are refused.
        const int typed = typedCharacter(ke);
        if (typed == 13) {
            Combo1_KeyPress(13);
            return true;
        }
        if (typed != 0) {
            Combo1_KeyPress(typed);
            return false; // the key itself is not cancelled; the change then clears the text
        }
    }
    return Window::eventFilter(watched, event);
}

void selectyear::Combo1_KeyPress(int keyAscii)
{
    if (keyAscii == 13) {
        command1->setFocus();
        return;
    }
    services::msg(QStringLiteral("请选择相应选项,不能手工输入！"), titles::kSystemAscii);
    m_refused = true;
}

void selectyear::Combo1_Change()
{
    if (m_refused) {
        Combo1->setCurrentIndex(-1);
        Combo1->setEditText(QString());
    }
    m_refused = false;
}

void selectyear::command1_Click()
{
    if (Combo1->currentText().isEmpty()) {
        services::msg(QStringLiteral("请选择相应学届,然后确定！"), titles::kSystemAscii);
        Combo1->setFocus();
        return;
    }
    // Text put in without choosing an item (pasted) names no cohort: the same as nothing chosen.
    const int index = Combo1->currentIndex();
    if (index < 0 || index >= m_fileNames.size() || Combo1->itemText(index) != Combo1->currentText()) {
        services::msg(QStringLiteral("请选择相应学届,然后确定！"), titles::kSystemAscii);
        Combo1->setFocus();
        return;
    }
    const QString file = m_fileNames.at(index);
    if (file.isEmpty() || file == QLatin1String(".mdb")) {
        services::msg(QStringLiteral("您选择") + Combo1->currentText() + QStringLiteral("学届,服务器中对应的数据库不存在！"),
                      titles::kError);
        return;
    }
    gCohortDbFile = file;
    gCohortYear = Combo1->currentText();
    const QString target = windowForFunction(gFunctionCode);
    if (!target.isEmpty())
        windows::show(target);
    Unload();
}

void selectyear::exitcom_Click()
{
    Unload();
}

} // namespace quorvane
