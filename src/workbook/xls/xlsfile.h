#pragma once
#include <QString>

namespace quorvane {

class Workbook;
struct SheetRead;

// Reads the sheet of an .xls file in this process: the compound file, the repairs of
// xlsrecords.h in a temporary copy, then FreeXL. Only the isolated reader (quorvane-xlsreader)
// calls it: FreeXL reads past its buffers on some damaged files, and this process may die of it.
bool readXlsFile(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *out);

} // namespace quorvane
