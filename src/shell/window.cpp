#include "shell/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvane {

namespace {
// The program ends when its last window has gone, however it went: through the close box (Qt sees
// to that) or through a window's own 退出 button, which unloads it. Checked once the handler that
// unloaded has finished, so a window that unloads itself and shows the next one (the splash, the
// cohort chooser) does not end the program.
void endIfNoWindowLeft()
{
    QTimer::singleShot(0, qApp, [] {
        if (!QGuiApplication::quitOnLastWindowClosed())
            return;
        const auto tops = QApplication::topLevelWidgets();
        for (const QWidget *w : tops) {
            if (w->isVisible() && w->isWindow() && w->testAttribute(Qt::WA_QuitOnClose)
                && !(w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip))
                return;
        }
        QCoreApplication::quit(); // does nothing unless the program's event loop runs
    });
}
} // namespace

Window::Window(const QString &name, QWidget *parent)
    : QWidget(parent, Qt::Window), m_name(name)
{
    setObjectName(name);
    m_outer = new QVBoxLayout(this);
    m_outer->setContentsMargins(0, 0, 0, 0);
}

Window::~Window() = default;

void Window::Load()
{
    if (m_loaded)
        return;
    delete m_root;
    m_root = new QWidget(this);
    m_outer->addWidget(m_root);
    createControls(m_root);
    m_loaded = true;
    m_loading = true;
    Form_Load();
    m_loading = false;
}

void Window::Show()
{
    if (!m_loaded) {
        Load();
        if (!m_loaded)
            return; // unloaded itself while loading
    }
    show();
    raise();
    activateWindow();
}

void Window::Unload()
{
    if (!m_loaded)
        return;
    Form_Unload();
    m_loaded = false;
    const bool wasVisible = isVisible();
    hide();
    if (wasVisible)
        endIfNoWindowLeft();
}

void Window::showPrintPreview()
{
    static const QString preview = QStringLiteral("printsform");
    if (!windows::hasFactory(preview))
        return;
    // A preview still open for another report closes first (bringing its own window back), so
    // the preview always shows the report just asked for.
    if (Window *open = windows::find(preview); open && open->isLoaded())
        open->Unload();
    Hide();
    windows::show(preview);
}

void Window::closeEvent(QCloseEvent *event)
{
    if (m_loaded && !QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Unload();
}

namespace windows {

namespace {
QHash<QString, Factory> &factories()
{
    static QHash<QString, Factory> f;
    return f;
}
QHash<QString, QPointer<Window>> &instances()
{
    static QHash<QString, QPointer<Window>> i;
    return i;
}
} // namespace

void registerFactory(const QString &name, Factory factory)
{
    factories().insert(name, std::move(factory));
}

bool hasFactory(const QString &name)
{
    return factories().contains(name);
}

Window *find(const QString &name)
{
    return instances().value(name).data();
}

Window *get(const QString &name)
{
    if (Window *w = find(name))
        return w;
    const auto it = factories().constFind(name);
    if (it == factories().cend())
        return nullptr;
    Window *w = (*it)();
    instances().insert(name, w);
    return w;
}

void show(const QString &name)
{
    if (Window *w = get(name))
        w->Show();
}

void unload(const QString &name)
{
    if (Window *w = find(name))
        w->Unload();
}

void destroyAll()
{
    const auto all = instances();
    instances().clear();
    for (const auto &w : all)
        delete w.data();
}

} // namespace windows
} // namespace quorvane
