#pragma once
#include <QColor>
#include <QPageSize>
#include <cmath>

namespace quorvane {

// Colours as the control's interface passes them: 0x00BBGGRR, or 0x80000000 | n for system colour n.
using OleColor = quint32;
constexpr OleColor NoColor = 0xFFFFFFFFu;      // -1: "no fill" / "the surface colour"
constexpr OleColor SysGrayText = 0x80000011u;  // grey text
constexpr OleColor SysButtonText = 0x80000012u;
constexpr OleColor SysWindow = 0x80000005u;
constexpr OleColor SysAppWorkspace = 0x8000000Cu;
constexpr OleColor SysButtonFace = 0x8000000Fu;

namespace lumo {

// One millimetre is 56.6929 twips: this constant, not 1440 / 25.4, in every conversion.
constexpr double TwipsPerMm = 56.6929;

// Rounding to 4 decimal places, halves to even.
inline double round4(double v) { return std::nearbyint(v * 10000.0) / 10000.0; }
// Rounding to a whole number, halves to even.
inline double roundEven(double v) { return std::nearbyint(v); }
// A length that is set: mm -> twips, 4 places, kept as a single-precision number.
inline double mmToTwips(double mm) { return double(float(round4(mm * TwipsPerMm))); }
// A length that is read: twips -> mm, 4 places.
inline float twipsToMm(double twips) { return float(round4(twips / TwipsPerMm)); }

// The colour a 0x00BBGGRR value or a system colour index stands for.
QColor resolveColor(OleColor c);

// The printer's page size of an old paper-size code (9 = A4, 8 = A3, 11 = A5, 1 = Letter, ...).
QPageSize pageSizeForCode(int code, bool *ok);
// The paper-size code of a page size (256 = user-defined when no code matches).
int codeForPageSize(const QPageSize &size);

} // namespace lumo
} // namespace quorvane
