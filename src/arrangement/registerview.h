#pragma once

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

} // namespace quorvane
