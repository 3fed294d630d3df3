// quorvane-xlsreader: reads the sheet of one workbook file (.xlsx or .xls, told by its first
// bytes) for the program, isolated from it.
//   quorvane-xlsreader FILE MAXROWS MAXCOLS MEMORY_MB CPU_SECONDS
// Writes the cells (encodeSheet) to standard output and exits 0; exits 3 when its memory ran
// out. With QUORVANE_READER_REPORT set it also reports its peak memory (see reportPeak). The program stops it when it runs past its time limit; its own limits (address space,
// processor time) make sure it ends even so.
#include "workbook/workbook.h"
#include "workbook/xls/xlsfile.h"
#include "workbook/xlsreader.h"
#include "workbook/xlsxreader.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <new>

#include <sys/resource.h>
#include <unistd.h>

using namespace quorvane;

namespace {

void limit(int resource, rlim_t value, rlim_t hard)
{
    rlimit l{value, hard};
    setrlimit(resource, &l);
}

[[noreturn]] void outOfMemory()
{
    _exit(XlsExitNoMemory);
}

// Where QUORVANE_READER_REPORT names a file (the bench does), the peak memory of this read is
// added to it as a line "peak_kb N".
void reportPeak()
{
    const QString to = qEnvironmentVariable("QUORVANE_READER_REPORT");
    if (to.isEmpty())
        return;
    QFile status(QStringLiteral("/proc/self/status"));
    QFile report(to);
    if (!status.open(QIODevice::ReadOnly) || !report.open(QIODevice::Append))
        return;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            report.write("peak_kb " + line.mid(6).trimmed().split(' ').value(0) + "\n");
}

// The sheet of the file, by its format.
bool readWorkbookFile(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *read)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        read->error = QStringLiteral("文件不存在或无法读取");
        return false;
    }
    if (!isXlsxData(f.peek(8)))
        return readXlsFile(path, maxRows, maxCols, cells, read);
    // The program refused larger files; the file may have grown since.
    if (f.size() > Workbook::kMaxFileBytes) {
        read->error = QStringLiteral("文件过大");
        return false;
    }
    return readXlsx(f.readAll(), maxRows, maxCols, cells, read);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6)
        return XlsExitUsage;
    const long memoryMb = std::strtol(argv[4], nullptr, 10);
    if (memoryMb > 0)
        limit(RLIMIT_AS, rlim_t(memoryMb) * 1024 * 1024, rlim_t(memoryMb) * 1024 * 1024);
    // Past its processor time (30 s unless the program says) SIGXCPU ends the helper, which the
    // program tells from a kill from outside (SIGKILL ends it a second later, should SIGXCPU not).
    const long cpuAsked = std::strtol(argv[5], nullptr, 10);
    const rlim_t cpuSeconds = rlim_t(cpuAsked > 0 ? cpuAsked : 30);
    limit(RLIMIT_CPU, cpuSeconds, cpuSeconds + 1);
    limit(RLIMIT_CORE, 0, 0);
    std::set_new_handler(outOfMemory);

    const QString path = QFile::decodeName(argv[1]);
    const int maxRows = std::max(0, std::atoi(argv[2]));
    const int maxCols = std::max(0, std::atoi(argv[3]));
    try {
        Workbook cells;
        // The columns kept are the workbook's own rule; open() is not used (it would start this
        // helper again), only its cell store.
        SheetRead read;
        bool ok = readWorkbookFile(path, maxRows, maxCols, cells, &read);
        if (ok && cells.overLimits()) {
            ok = false;
            read.error = QStringLiteral("工作簿内容过多，超出了可以读取的范围");
            cells.close();
        }
        const QByteArray answer = encodeSheet(ok, read, cells);
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(answer) != answer.size() || !out.flush())
            return 1;
        reportPeak();
        _exit(0); // the cells need not be freed one by one
    } catch (const std::bad_alloc &) {
        return XlsExitNoMemory;
    }
    return 0;
}
