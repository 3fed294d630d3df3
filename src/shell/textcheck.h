#pragma once
#include <QString>
#include <QtGlobal>

class QLineEdit;
class QWidget;

namespace quorvane {

// Width of a text as it is printed and stored: its length in the GBK code page, a Chinese character
// counting 2 and an ASCII character 1; trailing blanks are not counted.
qint16 DisplayWidth(const QString &text);
// True when a character outside 0..9 occurs (trailing blanks are not examined).
bool HasNonDigit(const QString &text);
// True when a character outside a..z, A..Z, 0..9 occurs (trailing blanks are not examined).
bool HasNonAlnum(const QString &text);
// The text without spaces and line feeds (carriage returns, tabs and full-width spaces stay).
QString StripBlanks(const QString &text);

// Keeps a text box's text free of half characters: an unpaired UTF-16 surrogate typed or pasted
// into it becomes U+FFFD at once, before any check reads the text or a statement stores it.
void KeepWellFormed(QLineEdit *box);

// Keeps a window above all others, without moving or resizing it; ClearTopMost takes that back.
void SetTopMost(QWidget *window);
void ClearTopMost(QWidget *window);

// Removes leading and trailing ASCII spaces only (tabs, line feeds and the ideographic space stay).
QString TrimBlanks(const QString &text);
// The decimal number a typed text begins with, blanks, tabs and line feeds skipped anywhere: "12abc" 12, "abc" 0,
// "3班" 3, "1 2" 12, "-4.5e1x" -45.
double Val(const QString &text);

} // namespace quorvane
