// Every test program reads workbooks with the helper this build made: the tests say where it is,
// as the installed program finds it beside itself.
#include "workbook/xlsreader.h"

#include <QCoreApplication>

namespace {
void useBuiltReader()
{
    quorvane::XlsReaderSettings &settings = quorvane::xlsReaderSettings();
    settings.program = QStringLiteral(QUORVANE_WORKBOOK_READER);
#ifdef QT_TESTLIB_LIB // the test programs (the bench reads with the program's own limit)
    // A test reads under whatever load the machine has, where even a sound read may pass the
    // 10 s stop: what a test checks must not depend on it. Five minutes is far above any read
    // and still stops a helper that hangs. Tests of the stop itself set their own limit.
    settings.timeLimitMs = 5 * 60 * 1000;
#endif
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(useBuiltReader)
