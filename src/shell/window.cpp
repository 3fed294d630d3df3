#include "shell/window.h"

#include "workbook/xlsreader.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

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
    if (!m_sizeNoted) {
        m_sizeNoted = true;
        if (testAttribute(Qt::WA_Resized))
            m_constructedSize = size();
    }
    // A window that sizes itself while building its controls opens at that size; any other at its
    // opening size (place()), not at the size the user gave it before it was unloaded.
    setAttribute(Qt::WA_Resized, false);
    m_placed = false;
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
    // The controls go once the handler that unloaded has returned (it may be one of theirs); the
    // next load builds new ones.
    if (m_root) {
        m_outer->removeWidget(m_root);
        m_root->hide();
        m_root->deleteLater();
        m_root = nullptr;
    }
    if (wasVisible)
        endIfNoWindowLeft();
}

void Window::setVisible(bool visible)
{
    if (visible && !m_placed)
        place();
    QWidget::setVisible(visible);
}

QSize Window::openingSize() const
{
    if (m_constructedSize.isValid())
        return m_constructedSize;
    return sizeHint();
}

void Window::place()
{
    m_placed = true;
    QSize s = (testAttribute(Qt::WA_Resized) ? size() : openingSize()).expandedTo(minimumSizeHint());
    const QWidget *over = nullptr;
    if (Window *mainWindow = windows::find(QStringLiteral("main")); mainWindow && mainWindow != this
        && mainWindow->isVisible())
        over = mainWindow;
    QRect area;
    if (const QScreen *screen = over ? over->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    // The window's frame is taken to be as wide as the main window's.
    const QSize margins = over ? over->frameGeometry().size() - over->size() : QSize(0, 0);
    if (area.isValid())
        s = s.boundedTo(area.size() - margins);
    // Setting both marks them as the program's own, so that showing the window again after a hide
    // keeps what the user made of them instead of working out a size and a place anew.
    resize(s);
    QRect frame(QPoint(0, 0), s + margins);
    frame.moveCenter(over ? over->frameGeometry().center() : area.center());
    if (area.isValid()) {
        frame.moveRight(std::min(frame.right(), area.right()));
        frame.moveBottom(std::min(frame.bottom(), area.bottom()));
        frame.moveLeft(std::max(frame.left(), area.left()));
        frame.moveTop(std::max(frame.top(), area.top()));
    }
    move(frame.topLeft());
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

namespace {
QPointer<Window> &lastWorkWindow()
{
    static QPointer<Window> w;
    return w;
}

int gEventRuns = 0; // letEventsRun calls running
} // namespace

void Window::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    lastWorkWindow() = this;
}

void Window::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && gEventRuns == 0 && !readerWaiting())
        lastWorkWindow() = this;
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

Window *workWindow()
{
    Window *w = lastWorkWindow().data();
    return w && w->isVisible() ? w : nullptr;
}

void letEventsRun()
{
    ++gEventRuns;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    --gEventRuns;
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
