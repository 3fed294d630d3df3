#include "shell/keys.h"

#include <QEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace quorvane::keys {

namespace {

// An event filter that lives as a child of the control it watches.
class Hook : public QObject
{
public:
    Hook(QObject *control, std::function<bool(QEvent *)> handler) : QObject(control), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

void hook(QObject *control, std::function<bool(QEvent *)> handler)
{
    control->installEventFilter(new Hook(control, std::move(handler)));
}

void noDefault(QPushButton *button)
{
    button->setAutoDefault(false);
    button->setDefault(false);
    if (button->property("quorvaneFocusFrame").toBool())
        return;
    button->setProperty("quorvaneFocusFrame", true);
    // A window's own code moves the focus to a button at the end of an Enter walk: that is a
    // keyboard move, so the button shows its focus frame as after Tab (the style draws the frame
    // only in a window whose focus the keyboard has moved).
    hook(button, [button](QEvent *event) {
        if (event->type() == QEvent::FocusIn
            && static_cast<QFocusEvent *>(event)->reason() == Qt::OtherFocusReason) {
            button->window()->setAttribute(Qt::WA_KeyboardFocusChange);
            button->update();
        }
        return false;
    });
}

void pressOnEnter(QPushButton *button)
{
    noDefault(button);
    hook(button, [button](QEvent *event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *ke = static_cast<QKeyEvent *>(event);
        if (!isEnter(ke))
            return false;
        if (!ke->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    });
}

void onEnter(QWidget *control, std::function<void()> handler)
{
    hook(control, [handler = std::move(handler)](QEvent *event) {
        if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent *>(event)))
            return false;
        handler();
        return true;
    });
}

void onKeyPress(QWidget *control, std::function<void(int keyAscii)> handler)
{
    hook(control, [handler = std::move(handler)](QEvent *event) {
        if (event->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(event);
            if (isEnter(ke)) {
                handler(kEnter);
                return true;
            }
            if (!ke->text().isEmpty() && ke->key() != Qt::Key_Tab && ke->key() != Qt::Key_Backtab)
                handler(ke->text().at(0).unicode());
        } else if (event->type() == QEvent::InputMethod) {
            // Chinese typed through an input method arrives as committed text, not as key presses.
            const QString typed = static_cast<QInputMethodEvent *>(event)->commitString();
            if (!typed.isEmpty())
                handler(typed.at(0).unicode());
        }
        return false;
    });
}

void onGotFocus(QWidget *control, std::function<void()> gotFocus)
{
    hook(control, [control, gotFocus = std::move(gotFocus)](QEvent *event) {
        if (event->type() != QEvent::FocusIn)
            return false;
        // The control takes the focus first (it may select its text), then the handler runs.
        static_cast<QObject *>(control)->event(event);
        gotFocus();
        return true;
    });
}

void onKeyUp(QWidget *control, std::function<void(int keyCode)> handler)
{
    hook(control, [handler = std::move(handler)](QEvent *event) {
        if (event->type() != QEvent::KeyRelease)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down)
            handler(kDown);
        else if (key == Qt::Key_Up)
            handler(kUp);
        return false;
    });
}

void onKeyUpPressedHere(QWidget *control, std::function<void(int keyCode)> handler)
{
    hook(control, [handler = std::move(handler), keyDown = 0](QEvent *event) mutable {
        if (event->type() == QEvent::FocusOut) {
            keyDown = 0;
            return false;
        }
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        auto *ke = static_cast<QKeyEvent *>(event);
        int code = 0;
        if (isEnter(ke))
            code = kEnter;
        else if (ke->key() == Qt::Key_Down)
            code = kDown;
        else if (ke->key() == Qt::Key_Up)
            code = kUp;
        if (!code)
            return false;
        if (event->type() == QEvent::KeyPress) {
            keyDown = code;
            return false;
        }
        if (ke->isAutoRepeat())
            return false;
        const bool pressedHere = keyDown == code;
        keyDown = 0;
        if (pressedHere)
            handler(code);
        return true;
    });
}

void caretToEnd(QLineEdit *box)
{
    box->deselect();
    box->end(false);
}

void limitTyping(QLineEdit *box, int maxChars)
{
    box->setMaxLength(maxChars);
    QObject::connect(box, &QLineEdit::textEdited, box, [box, maxChars](const QString &text) {
        if (text.size() <= maxChars && box->maxLength() > maxChars)
            box->setMaxLength(maxChars);
    });
}

void setTextWhole(QLineEdit *box, const QString &text, int maxChars)
{
    // The limit only restrains typing: the box is widened for the text before it is set, and keeps
    // room for it until the user shortens it.
    if (text.size() > box->maxLength())
        box->setMaxLength(static_cast<int>(text.size()));
    box->setText(text);
    box->setMaxLength(std::max(maxChars, static_cast<int>(text.size())));
}

} // namespace quorvane::keys
