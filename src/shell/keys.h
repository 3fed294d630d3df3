#pragma once
#include <functional>

class QEvent;
class QLineEdit;
class QObject;
class QString;
class QPushButton;
class QWidget;

namespace quorvane::keys {

// The keyboard conventions the windows share. Each function hooks one control: the hook belongs
// to the control (it goes when the control goes, at every reload of a window) and sees the
// control's events before the control does. Handlers get the old key codes the windows' handlers
// take: 13 Enter, 38 Up, 40 Down.

constexpr int kEnter = 13;
constexpr int kUp = 38;
constexpr int kDown = 40;

// Runs handler on each event the control gets, before the control; an event for which handler
// returns true goes no further. The building block of the functions below.
void hook(QObject *control, std::function<bool(QEvent *)> handler);

// A button that is never a default button: Enter in a field moves the focus as the window says and
// never presses a button the user did not reach. When the window's code gives it the focus (as the
// Enter walk does) it shows its focus frame.
void noDefault(QPushButton *button);

// A button that is never a default button (noDefault) and that Enter presses when it has the
// focus and is enabled, so that the Enter walk through a window's fields ends in the button it
// leads to. Enter held down presses it once.
void pressOnEnter(QPushButton *button);

// Enter (either key) in the control runs handler; the Enter goes no further.
void onEnter(QWidget *control, std::function<void()> handler);

// Every key typed in the control reaches handler as its character code: Enter as 13 (and goes no
// further), other typed characters as their code before the control takes them, and text
// committed by an input method (Chinese) as the code of its first character. Tab moves the focus
// and types nothing.
void onKeyPress(QWidget *control, std::function<void(int keyAscii)> handler);

// When the control gains the focus it takes it first (a box entered with Tab selects its text),
// then gotFocus runs. A click places the caret afterwards where the user clicked.
void onGotFocus(QWidget *control, std::function<void()> gotFocus);

// Up or Down let go in the control runs handler with 38 or 40; the key still reaches the control.
void onKeyUp(QWidget *control, std::function<void(int keyCode)> handler);

// Enter, Up or Down let go in the control runs handler with 13, 38 or 40, but only when the key
// was also pressed there: the Enter that closes a message box is let go over the control
// afterwards and must not act again. A key held down acts once, when it is let go; the let-go
// goes no further. Leaving the control forgets a key pressed in it.
void onKeyUpPressedHere(QWidget *control, std::function<void(int keyCode)> handler);

// Puts the caret at the end of the box with nothing selected (what a box that gains the focus
// does).
void caretToEnd(QLineEdit *box);

// Limits what the user types into the box to maxChars characters. A longer text the program puts
// in with setTextWhole shows whole; the box takes its limit back once the user has shortened the
// text to fit.
void limitTyping(QLineEdit *box, int maxChars);

// Puts a text into a box limited by limitTyping without cutting it to the limit, so that a longer
// stored value is shown (and later acted on) as it is stored.
void setTextWhole(QLineEdit *box, const QString &text, int maxChars);

} // namespace quorvane::keys
