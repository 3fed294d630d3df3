// Every test program reads workbooks with the helper this build made: the tests say where it is,
// as the installed program finds it beside itself.
#include "workbook/xlsreader.h"

#include <QCoreApplication>

namespace {
void useBuiltReader()
{
    quorvane::xlsReaderSettings().program = QStringLiteral(QUORVANE_WORKBOOK_READER);
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(useBuiltReader)
