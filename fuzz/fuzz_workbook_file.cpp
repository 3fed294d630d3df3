// libFuzzer target: whole workbook files. A zip package goes through the .xlsx reader as the
// helper program runs it; any input of compound-file size through the .xls container parser and the
// record repairs that the isolated reader runs before FreeXL. (FreeXL itself is left out: it runs
// isolated with limits because it can crash on damaged files; fuzzing it here would only find
// its own faults again.)
#include "workbook/workbook.h"
#include "workbook/xls/xlscontainer.h"
#include "workbook/xls/xlsrecords.h"
#include "workbook/xlsxreader.h"

#include <cstddef>
#include <cstdint>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        Workbook cells;
        SheetRead read;
        readXlsx(bytes, 6000, 256, cells, &read);
    }
    if (size >= 512) {
        XlsStream xs;
        if (readXlsStream(bytes, &xs)) {
            const int sheet = xlsSheetToRead(xs.bytes);
            xlsEncrypted(xs.bytes);
            XlsSheetFound found;
            repairXls(bytes, xs, {sheet < 0 ? 0 : sheet, 6000, 5}, &found);
            repairXls(bytes, std::move(xs), {sheet < 0 ? 0 : sheet, 0, 0}, &found);
        }
    }
    return 0;
}
