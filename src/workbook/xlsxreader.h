#pragma once
#include <QByteArray>

namespace quorvane {

class Workbook;
struct SheetRead;

// Reads the sheet of an .xlsx package (the active sheet when it is a visible worksheet, else the
// first visible worksheet) into cells; false with a Chinese reason in out->error when it cannot.
bool readXlsx(const QByteArray &data, int maxRows, int maxCols, Workbook &cells, SheetRead *out);

} // namespace quorvane
