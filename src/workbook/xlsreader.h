#pragma once
#include <QByteArray>
#include <QString>

namespace quorvane {

class Workbook;
struct SheetRead;

// The isolated workbook reader: the whole reading of a file (.xlsx: package and XML; .xls:
// compound file, record repairs, FreeXL) runs in the helper program quorvane-xlsreader, started
// for each file with a time limit and a memory limit, while the calling thread waits in an event
// loop of its own that takes no user input (windows keep painting, timers run). A helper that
// crashes, runs past its time or exhausts its memory is stopped and the file refused with a
// message; the program itself never parses a workbook byte.

struct XlsReaderSettings
{
    QString program;            // the helper; empty: the one installed beside the program
    int timeLimitMs = 10000;
    int memoryLimitMb = 300;    // the helper's address space (it needs about 50 MB for a small file)
    int cpuLimitSeconds = 30;   // the helper's processor time (past it the system stops the helper)
};
// The settings every read uses (tests name the helper the build made, or stand-ins).
XlsReaderSettings &xlsReaderSettings();

bool readXlsIsolated(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *out);
// True while a read waits for its helper in that event loop: whatever happens to the windows
// meanwhile (one activated by a click) happens in the middle of the handler that reads.
bool readerWaiting();

// The helper's answer on its standard output, and its reading on the program's side.
QByteArray encodeSheet(bool ok, const SheetRead &read, const Workbook &cells);
bool decodeSheet(const QByteArray &data, int maxRows, int maxCols, Workbook &cells, SheetRead *out, bool *ok);

// Exit codes of the helper besides 0 (answer written).
enum XlsReaderExit { XlsExitUsage = 2, XlsExitNoMemory = 3 };

} // namespace quorvane
