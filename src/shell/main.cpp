#include "shell/main.h"

#include "shell/globals.h"
#include "shell/services.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

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

enum class Glyph { Entry, SubjectStats, TotalStats, SubjectBook, AllBook, AverageBook, Compare, Bands, Help };

// The toolbar's pictures: a rounded tile in the colour of the button's group (entry, statistics,
// score books, analysis, help) with a white drawing of what the button does.
QPixmap glyphPixmap(Glyph glyph, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    QColor tile;
    switch (glyph) {
    case Glyph::Entry: tile = QColor(0x2e, 0x8b, 0x57); break;
    case Glyph::SubjectStats:
    case Glyph::TotalStats: tile = QColor(0x2a, 0x6f, 0xb5); break;
    case Glyph::SubjectBook:
    case Glyph::AllBook:
    case Glyph::AverageBook: tile = QColor(0xc8, 0x6a, 0x1e); break;
    case Glyph::Compare:
    case Glyph::Bands: tile = QColor(0x7b, 0x4f, 0xa8); break;
    case Glyph::Help: tile = QColor(0x4a, 0x8f, 0x9c); break;
    }
    QLinearGradient g(0, 1, 0, 31);
    g.setColorAt(0, tile.lighter(125));
    g.setColorAt(1, tile.darker(110));
    p.setPen(QPen(tile.darker(140), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);

    const QColor ink = Qt::white;
    QPen pen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    auto bars = [&](std::initializer_list<double> heights, double x0, double w, double gap) {
        double x = x0;
        for (double h : heights) {
            p.drawRect(QRectF(x, 25 - h, w, h));
            x += w + gap;
        }
    };
    auto book = [&] {
        p.setPen(QPen(ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(8, 6, 17, 21), 1.5, 1.5);
        p.drawLine(QPointF(11, 6), QPointF(11, 27));
    };
    switch (glyph) {
    case Glyph::Entry: // a sheet with a pencil
        p.setPen(QPen(ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(7, 6, 14, 20));
        for (double y : {11.0, 15.0, 19.0})
            p.drawLine(QPointF(10, y), QPointF(17, y));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.save();
        p.translate(22, 19);
        p.rotate(45);
        p.drawRect(QRectF(-2, -9, 4, 13));
        p.drawPolygon(QPolygonF({QPointF(-2, 5), QPointF(2, 5), QPointF(0, 9)}));
        p.restore();
        break;
    case Glyph::SubjectStats: // bars, one of them picked out
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 150));
        bars({8, 13, 10}, 7, 5, 1.5);
        p.setBrush(ink);
        p.drawRect(QRectF(13.5, 25 - 17, 5, 17));
        p.setPen(QPen(ink, 1.5));
        p.drawLine(QPointF(6, 25.5), QPointF(26, 25.5));
        break;
    case Glyph::TotalStats: { // a sum sign
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        QPainterPath sigma;
        sigma.moveTo(23, 9);
        sigma.lineTo(23, 7);
        sigma.lineTo(9, 7);
        sigma.lineTo(17, 16);
        sigma.lineTo(9, 25);
        sigma.lineTo(23, 25);
        sigma.lineTo(23, 23);
        p.drawPath(sigma);
        break;
    }
    case Glyph::SubjectBook: // a book with one line of marks
        book();
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 16.5), QPointF(22, 16.5));
        break;
    case Glyph::AllBook: // a book with a table
        book();
        p.setPen(QPen(ink, 1.2));
        for (double y : {11.0, 15.0, 19.0, 23.0})
            p.drawLine(QPointF(13.5, y), QPointF(22.5, y));
        p.drawLine(QPointF(18, 10), QPointF(18, 24));
        break;
    case Glyph::AverageBook: // a book with a level line over uneven marks
        book();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawRect(QRectF(14, 15, 2.5, 8));
        p.drawRect(QRectF(17.5, 11, 2.5, 12));
        p.drawRect(QRectF(21, 17, 2.5, 6));
        p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13, 15.5), QPointF(24.5, 15.5));
        break;
    case Glyph::Compare: // pairs of bars side by side
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            const double x = 7 + i * 6.5;
            const double a[] = {12, 16, 9};
            const double b[] = {9, 12, 14};
            p.setBrush(ink);
            p.drawRect(QRectF(x, 25 - a[i], 2.6, a[i]));
            p.setBrush(QColor(255, 255, 255, 140));
            p.drawRect(QRectF(x + 2.8, 25 - b[i], 2.6, b[i]));
        }
        p.setPen(QPen(ink, 1.5));
        p.drawLine(QPointF(6, 25.5), QPointF(26, 25.5));
        break;
    case Glyph::Bands: // a histogram of score bands
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        bars({4, 9, 15, 12, 6}, 6.5, 3.2, 0.6);
        p.setPen(QPen(ink, 1.5));
        p.drawLine(QPointF(6, 25.5), QPointF(26, 25.5));
        break;
    case Glyph::Help: { // a question mark
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(22);
        f.setBold(true);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return pm;
}

QIcon glyphIcon(Glyph glyph)
{
    QIcon icon;
    for (int size : {32, 64})
        icon.addPixmap(glyphPixmap(glyph, size));
    return icon;
}

struct ToolEntry
{
    const char *caption;
    const char *key;
    int code; // 0 = help
    Glyph glyph;
};

} // namespace

QIcon programIcon()
{
    return glyphIcon(Glyph::AllBook);
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
    static const ToolEntry tools[] = {
        {"考试成绩输入", "l_kscjsl", 5, Glyph::Entry},
        {"单科统计", "l_dktj", 6, Glyph::SubjectStats},
        {"总分统计", "l_zftj", 7, Glyph::TotalStats},
        {"单科成绩册", "l_dkcjc", 8, Glyph::SubjectBook},
        {"各科成绩册", "l_gkcjc", 9, Glyph::AllBook},
        {"平均成绩册", "l_pjcjc", 10, Glyph::AverageBook},
        {"各科成绩对照", "l_gkcjdz", 11, Glyph::Compare},
        {"成绩分段统计", "l_cjfdtj", 12, Glyph::Bands},
        {"帮 助", "help", 0, Glyph::Help},
    };
    int index = 2;
    for (const ToolEntry &t : tools) {
        QAction *a = VsToolBar1->addAction(glyphIcon(t.glyph), QString::fromUtf8(t.caption));
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
    static const char *const keys[] = {"l_kscjsl", "l_dktj", "l_zftj", "l_dkcjc", "l_gkcjc", "l_pjcjc", "l_gkcjdz", "l_cjfdtj"};
    for (int i = 0; i < 8; ++i) {
        if (key == QLatin1String(keys[i])) {
            chooseFunction(static_cast<quint8>(5 + i));
            return;
        }
    }
    if (key == QLatin1String("help"))
        services::handler().openHelp(QApplication::applicationDirPath() + QStringLiteral("/help.chm"));
}

} // namespace quorvane
