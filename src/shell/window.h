#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QVBoxLayout;

namespace quorvane {

// Base of every window: one program-wide instance per window name. Showing a window that is not
// loaded builds its controls afresh (their design state) and runs Form_Load; showing a loaded one
// only raises it. Unloading runs Form_Unload, hides the window, forgets the loaded state and
// releases the controls (with everything they hold, such as a large grid) once the handler that
// unloaded has returned; members other than the controls (connections, remembered values) keep
// their values. A window opens centred over the main window at its opening size; while it stays
// loaded it keeps the size and place the user gives it, also when it is hidden and shown again.
class Window : public QWidget
{
    Q_OBJECT
public:
    explicit Window(const QString &name, QWidget *parent = nullptr);
    ~Window() override;

    QString windowName() const { return m_name; }
    bool isLoaded() const { return m_loaded; }
    bool isLoading() const { return m_loading; }

    // Loads the window if needed, then shows it modeless and brings it forward. A window that
    // unloaded itself inside Form_Load is not shown.
    void Show();
    // Runs Form_Unload, hides the window and marks it unloaded. Does nothing if not loaded.
    void Unload();
    // Hides a loaded window; it stays loaded.
    void Hide() { hide(); }

    // Loads without showing (tests and windows that are read by others while hidden).
    void Load();

    // Hands this window's report to the print preview: hides this window and shows the preview,
    // which shows this window again when it closes. A preview still open for another report is
    // closed first. While the program has no preview window this window stays in view.
    void showPrintPreview();

protected:
    // Builds the controls in their design state into root. Called at every load; the controls of
    // the previous load have been destroyed.
    virtual void createControls(QWidget *root) = 0;
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // Asked before the user's close request unloads the window; false keeps it open.
    virtual bool QueryUnload() { return true; }
    // The size the window opens at: the size its constructor gave it, else what its controls ask
    // for. A window whose controls ask for too little to be of use gives more.
    virtual QSize openingSize() const;

    void closeEvent(QCloseEvent *event) override;
    // A window shown for the first time since its load is placed first, also when its own
    // Form_Load shows it (the print preview does, to be on screen while it lays out): shown
    // unplaced it would open at no size, and a window of no size is never exposed.
    void setVisible(bool visible) override;
    // Notes the window as the one the user works in when it is shown or activated; not when it is
    // activated while a handler waits for work of its own (a workbook read, long work letting the
    // windows paint): that handler's boxes still belong to its own window.
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Gives the window its opening size and centres it over the main window (over the screen for
    // the main window itself and while the main window is not on screen).
    void place();

    QString m_name;
    bool m_placed = false;          // placed since the last load
    QSize m_constructedSize;        // the size the constructor gave, if it gave one
    bool m_sizeNoted = false;       // m_constructedSize taken (at the first load)
    bool m_loaded = false;
    bool m_loading = false;
    QWidget *m_root = nullptr;
    QVBoxLayout *m_outer = nullptr;
};

// The program-wide window instances, found by the window's name and created on first use through
// a table of factories that each subsystem fills when it is built.
namespace windows {
using Factory = std::function<Window *()>;
void registerFactory(const QString &name, Factory factory);
bool hasFactory(const QString &name);
// The instance, created on first use; nullptr when no window of that name is built.
Window *get(const QString &name);
// The instance if it exists already; nullptr otherwise.
Window *find(const QString &name);
template <class T> T *get(const QString &name) { return dynamic_cast<T *>(get(name)); }
template <class T> T *find(const QString &name) { return dynamic_cast<T *>(find(name)); }
// Creates if needed and shows modeless; a name without a window shows nothing.
void show(const QString &name);
// Unloads if loaded (no-op otherwise).
void unload(const QString &name);
// Destroys every instance (tests start each case from a fresh program).
void destroyAll();
// The work window the user works in: the one last shown or activated, while it is on screen; its
// handlers are what ask for messages and dialogs, also just after a file dialog has closed, when
// no window is active. nullptr when that window has gone.
Window *workWindow();
// Lets the windows paint and the timers run in the middle of long work, without user input; a
// window activated meanwhile is not taken as the window the user works in.
void letEventsRun();
} // namespace windows

} // namespace quorvane
