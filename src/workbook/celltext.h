#pragma once
#include <QString>
#include <QtGlobal>

namespace quorvane {

// The one rule by which a cell reads as text, for .xlsx and .xls alike.

// The text a number cell shows: plain decimal, at most 15 significant digits, no trailing zeros
// and no exponent (2023007 -> "2023007", 85.5 -> "85.5", 2.4000000000000004 -> "2.4", -0 -> "0").
QString numberText(double value);

// A spreadsheet date serial as text: "yyyy-mm-dd", with " hh:mm:ss" when withTime, or only
// "hh:mm:ss" when timeOnly. date1904 selects the 1904 date system; serial 60 of the 1900 system is
// the non-existent 1900-02-29 that spreadsheets show for it.
QString serialDateText(double serial, bool date1904, bool withTime = false, bool timeOnly = false);

// An ISO 8601 date or date-time as a t="d" cell holds it, shown like a date serial.
QString isoDateText(const QString &value);

// Column letters and row of an A1 reference ("a1", "E12", "$B$3"); false when it is not one
// (more than three letters, more than seven digits, row 0).
bool parseCellRef(const QString &ref, int *row, int *col);

// The text with every unpaired UTF-16 surrogate replaced by U+FFFD, so that what a workbook
// gives is always valid text (the database would otherwise merge a lone surrogate with the
// character after it).
QString validText(QString text);

// Date kinds of number formats.
enum DateKind : quint8 { NotDate = 0, DateOnly = 1, DateTime = 2, TimeOnly = 3 };

// The date kind of a built-in number format, Chinese, Japanese and Korean built-ins included.
DateKind builtinDateKind(int id);
// A custom format is a date when its first section holds y, m, d, h or s outside quotes, escapes
// and brackets; an elapsed-time format ([h]:mm) is a duration, not a date.
DateKind customDateKind(const QString &code);

} // namespace quorvane
