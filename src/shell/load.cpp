#include "shell/load.h"

#include "controls/progressbar/XP_ProgressBar.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace quorvane {

load::load() : Window(QStringLiteral("load"))
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Quorvane"));
}

void load::createControls(QWidget *root)
{
    auto *outer = new QVBoxLayout(root);
    auto *frame = new QFrame(root);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    Frame1 = frame;
    auto *lay = new QVBoxLayout(frame);
    auto *title = new QLabel(QStringLiteral("Quorvane 考试管理系统"), frame);
    QFont tf(QStringLiteral("黑体"), 18);
    title->setFont(tf);
    title->setAlignment(Qt::AlignCenter);
    lay->addWidget(title);
    Label1 = new QLabel(QStringLiteral("请稍后，系统正在引导！"), frame);
    Label1->setAlignment(Qt::AlignCenter);
    lay->addWidget(Label1);
    XP_ProgressBar1 = new XP_ProgressBar(frame);
    XP_ProgressBar1->setFixedHeight(18);
    PropertyBag bag = XP_ProgressBar::hostSettings();
    bag.write(QStringLiteral("max"), 50);
    XP_ProgressBar1->ReadProperties(bag);
    lay->addWidget(XP_ProgressBar1);
    outer->addWidget(frame);
    Timer1 = new QTimer(root);
    Timer1->setInterval(20);
    connect(Timer1, &QTimer::timeout, this, &load::Timer1_Timer);
    resize(420, 160);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void load::Form_Load()
{
    m_ticks = 0;
    Timer1->start();
}

void load::Timer1_Timer()
{
    ++m_ticks;
    if (m_ticks != 50)
        XP_ProgressBar1->setValue(m_ticks);
    else
        kkk();
}

void load::kkk()
{
    Timer1->stop();
    Unload();
    windows::show(QStringLiteral("main"));
}

} // namespace quorvane
