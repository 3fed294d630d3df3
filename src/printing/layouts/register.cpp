#include "printing/layouts/register.h"

#include "printing/engine/LumoPrinter.h"
#include "printing/engine/printdialog.h"
#include "printing/layouts/printsform.h"
#include "shell/services.h"

namespace quorvane {

void registerLayoutsWindows()
{
    windows::registerFactory(QStringLiteral("printsform"), [] { return new printsform; });
    // The print control's dialogs and messages go through the program's one dialog service, so
    // they behave like every other dialog of the program (and tests can answer them).
    LumoPrinter::messageHook = [](const QString &text, const QString &caption) { services::msg(text, caption); };
    LumoPrinter::pageSetupHook = [](QPrinter *printer, QWidget *) { return services::handler().pageSetupDialog(printer); };
    LumoPrinter::printDialogHook = [](QPrinter *printer, int, QWidget *control) {
        PrintDialog dialog(printer, qobject_cast<const LumoPrinter *>(control));
        return services::handler().printDialog(dialog);
    };
}

} // namespace quorvane
