#pragma once

#include <QString>

class QLineEdit;

namespace quorvane {

class Grid;

// What the room register (kcsz) and the exam register (kcbp) show alike.

// Limits what the user types into the box to maxChars characters; a text the program puts in
// stays whole, so that a save refuses it instead of storing a cut value.
void limitTypedLength(QLineEdit *box, int maxChars);

// Widens the columns of a list so that every text shows whole; a column never gets narrower than
// its heading made it.
void fitColumns(Grid *grid);

// The text typed into a box that must be filled, with the blanks around it dropped. When it is
// empty or wider than maxWidth (a Chinese character counting 2), the refusal is shown, the box gets
// the focus and the text given back is empty.
QString requiredText(QLineEdit *box, int maxWidth, const QString &refusal);

// The count typed into a box in whole things: a fraction is dropped, so ".5" counts as none. When
// it is not at least 1, the refusal is shown, the box gets the focus and 0 is given back.
double requiredCount(QLineEdit *box, const QString &refusal);

} // namespace quorvane
