#pragma once
#include <QString>
#include <QVariant>

namespace quorvane {

// Whether a stored 0 shows as "0" or as an empty cell (score and register cells leave 0 empty).
enum class ZeroShown { Yes, No };

// The one rule by which a stored value shows as the text of a grid cell, a chart or a report:
// Null, an invalid value and an empty text give an empty text; a number gives plain decimal with at
// most 15 significant digits, no trailing zeros and no exponent (the workbook's numberText, so a
// value reads the same on screen, on paper and in an exported workbook); any other value its text.
// With ZeroShown::No a number 0, or a text that reads as the number 0, gives an empty text.
QString valueText(const QVariant &value, ZeroShown zero = ZeroShown::Yes);

} // namespace quorvane
