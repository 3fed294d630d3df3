#pragma once
#include <QByteArray>
#include <QString>

namespace quorvane {

class Workbook;
struct SheetRead;

// The isolated .xls reader: the whole .xls path (compound file, record repairs, FreeXL) runs in
// the helper program quorvane-xlsreader, started for each file with a time limit and a memory
// limit. A helper that crashes, runs past its time or exhausts its memory is stopped and the
// file refused with a message; the program itself never reads an .xls byte.

struct XlsReaderSettings
{
    QString program;            // the helper; empty: beside the program, else in the build tree
    int timeLimitMs = 10000;
    int memoryLimitMb = 300;    // the helper's address space (it needs about 50 MB for a small file)
};
// The settings every read uses (tests point them elsewhere).
XlsReaderSettings &xlsReaderSettings();

bool readXlsIsolated(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *out);

// The helper's answer on its standard output, and its reading on the program's side.
QByteArray encodeSheet(bool ok, const SheetRead &read, const Workbook &cells);
bool decodeSheet(const QByteArray &data, int maxRows, int maxCols, Workbook &cells, SheetRead *out, bool *ok);

// Exit codes of the helper besides 0 (answer written).
enum XlsReaderExit { XlsExitUsage = 2, XlsExitNoMemory = 3 };

} // namespace quorvane
