#include "shell/main.h"

#include "shell/globals.h"
#include "shell/services.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

// The icon resources are compiled into this static library; the linker keeps them only when
// registered by name (outside any namespace, as Q_INIT_RESOURCE requires).
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace quorvane {

namespace {

// The background of the main window: the program's name on a quiet gradient.
class Background : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(0x2c, 0x4a, 0x74));
        g.setColorAt(1, QColor(0x9c, 0xb8, 0xd8));
        p.fillRect(rect(), g);
        p.setPen(Qt::white);
        QFont f(QStringLiteral("黑体"), 28);
        p.setFont(f);
        p.drawText(rect().adjusted(0, 0, 0, -height() / 5), Qt::AlignCenter, QStringLiteral("Quorvane 考试管理系统"));
        QFont s(QStringLiteral("宋体"), 12);
        p.setFont(s);
        p.drawText(rect().adjusted(0, height() / 5, 0, 0), Qt::AlignCenter,
                   QStringLiteral("考场编排 · 成绩录入 · 成绩统计 · 报表打印"));
    }
};

struct MenuEntry
{
    const char *name;
    const char *caption;
    int code; // 1..13 function code; 0 = own action
};

// The toolbar, in button order after the leading separator: caption (also the tooltip), key, function
// code (0 = help), picture in the icon resources. Both the buttons and the key dispatch read it.
struct ToolEntry
{
    const char *caption;
    const char *key;
    int code;
    const char *icon;
};

const ToolEntry kTools[] = {
    {"考试成绩输入", "l_kscjsl", 5, ":/icons/entry.svg"},
    {"单科统计", "l_dktj", 6, ":/icons/subjectstats.svg"},
    {"总分统计", "l_zftj", 7, ":/icons/totalstats.svg"},
    {"单科成绩册", "l_dkcjc", 8, ":/icons/subjectbook.svg"},
    {"各科成绩册", "l_gkcjc", 9, ":/icons/allbook.svg"},
    {"平均成绩册", "l_pjcjc", 10, ":/icons/averagebook.svg"},
    {"各科成绩对照", "l_gkcjdz", 11, ":/icons/compare.svg"},
    {"成绩分段统计", "l_cjfdtj", 12, ":/icons/bands.svg"},
    {"帮 助", "help", 0, ":/icons/help.svg"},
};

// A picture of the icon resources (linked into this static library, so registered here on first use).
QIcon resourceIcon(const char *path)
{
    static const bool registered = [] {
        initIconResources();
        return true;
    }();
    Q_UNUSED(registered);
    return QIcon(QLatin1String(path));
}

} // namespace

QIcon programIcon()
{
    return resourceIcon(":/icons/allbook.svg");
}

main::main() : Window(QStringLiteral("main"))
{
    setWindowTitle(QStringLiteral("Quorvane(2008)"));
    resize(1024, 700);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QAction *main::menuItem(const QString &name) const { return m_menuItems.value(name); }
QAction *main::toolButton(const QString &key) const { return m_toolButtons.value(key); }

void main::createControls(QWidget *root)
{
    m_menuItems.clear();
    m_toolButtons.clear();
    auto *lay = new QVBoxLayout(root);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    menuBar = new QMenuBar(root);
    lay->setMenuBar(menuBar);

    auto add = [&](QMenu *menu, const MenuEntry &e) {
        QAction *a = menu ? menu->addAction(QString::fromUtf8(e.caption)) : menuBar->addAction(QString::fromUtf8(e.caption));
        a->setObjectName(QLatin1String(e.name));
        m_menuItems.insert(QLatin1String(e.name), a);
        const QString name = QLatin1String(e.name);
        const int code = e.code;
        connect(a, &QAction::triggered, this, [this, name, code] {
            if (code > 0)
                chooseFunction(static_cast<quint8>(code));
            else if (name == QLatin1String("m_xjsz"))
                m_xjsz_Click();
            else if (name == QLatin1String("m_kcsz"))
                m_kcsz_Click();
            else if (name == QLatin1String("m_quit"))
                m_quit_Click();
        });
        return a;
    };
    auto menu = [&](const char *name, const char *caption) {
        QMenu *m = menuBar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QLatin1String(name));
        m_menuItems.insert(QLatin1String(name), m->menuAction());
        return m;
    };

    QMenu *m = menu("m_jbsz", "基本设置");
    add(m, {"m_xjsz", "学届设置", 0});
    add(m, {"m_xxsx", "学生信息", 1});
    m = menu("m_kcgl", "考场管理");
    add(m, {"m_kcsz", "考场设置", 0});
    add(m, {"m_ksbp", "考场编排", 2});
    add(m, {"m_bbdy", "编班打印", 3});
    m = menu("m_kscj", "考试成绩");
    add(m, {"m_gkksxx", "各科考试信息", 4});
    add(m, {"m_kscjsl", "考试成绩输入", 5});
    m = menu("m_cjtj", "成绩统计");
    add(m, {"m_dktj", "单科统计", 6});
    add(m, {"m_zftj", "总分统计", 7});
    m = menu("m_cjdy", "成绩打印");
    add(m, {"m_dkcjc", "单科成绩册", 8});
    add(m, {"m_gkcjc", "各科成绩册", 9});
    add(m, {"m_pjcjc", "平均成绩册", 10});
    m = menu("m_cjfx", "成绩分析");
    add(m, {"m_ggcjdz", "各科成绩对照", 11});
    add(m, {"m_cjfdtj", "成绩分段统计", 12});
    add(nullptr, {"m_cjbq", "成绩标签", 13});
    add(nullptr, {"m_quit", "系统退出", 0});

    VsToolBar1 = new QToolBar(root);
    VsToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    VsToolBar1->setIconSize(QSize(32, 32));
    lay->addWidget(VsToolBar1);
    VsToolBar1->addSeparator(); // button 1
    int index = 2;
    for (const ToolEntry &t : kTools) {
        QAction *a = VsToolBar1->addAction(resourceIcon(t.icon), QString::fromUtf8(t.caption));
        a->setToolTip(QString::fromUtf8(t.caption));
        a->setObjectName(QLatin1String(t.key));
        m_toolButtons.insert(QLatin1String(t.key), a);
        const QString key = QLatin1String(t.key);
        const int i = index++;
        connect(a, &QAction::triggered, this, [this, i, key] { VsToolBar1_ButtonClick(i, key); });
    }

    Picture1 = new Background(root);
    lay->addWidget(Picture1, 1);
}

void main::chooseFunction(quint8 code)
{
    gFunctionCode = code;
    windows::show(QStringLiteral("selectyear"));
}

void main::m_xjsz_Click() { windows::show(QStringLiteral("grad1")); }
void main::m_kcsz_Click() { windows::show(QStringLiteral("kcsz")); }
void main::m_quit_Click() { services::endProgram(); }

void main::VsToolBar1_ButtonClick(int, const QString &key)
{
    for (const ToolEntry &t : kTools) {
        if (key != QLatin1String(t.key))
            continue;
        if (t.code > 0)
            chooseFunction(static_cast<quint8>(t.code));
        else
            services::handler().openHelp(QApplication::applicationDirPath() + QStringLiteral("/help.chm"));
        return;
    }
}

} // namespace quorvane
