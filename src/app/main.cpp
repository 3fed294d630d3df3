#include "arrangement/register.h"
#include "printing/layouts/register.h"
#include "reports/register.h"
#include "scores/register.h"
#include "shell/cohorts.h"
#include "shell/database.h"
#include "shell/main.h"
#include "shell/register.h"
#include "shell/services.h"
#include "shell/window.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    quorvane::useChineseLocaleEnvironment(); // before the application reads the system locale
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    quorvane::installFontSubstitutions();
    // Windows, menus and messages are in Chinese: draw them with the simplified-Chinese forms of the
    // CJK font rather than whatever fallback the desktop picks for Han characters.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), font.family()});
    QApplication::setFont(font);
    QApplication::setWindowIcon(quorvane::programIcon());
    // The toolkit's own dialogs (open and save a workbook, print, page set-up) and the edit menus of
    // text boxes in Chinese, where the translations are installed.
    auto *toolkitTexts = new QTranslator(&app);
    if (toolkitTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(toolkitTexts);
    // One running program per data folder: two programs would each see only their own windows when
    // they check whether a file is in use, and one could delete what the other is saving into.
    if (quorvane::lockDataFolder() == quorvane::FolderLock::HeldByOther) {
        quorvane::services::msg(QStringLiteral("Quorvane 已在运行，请不要重复启动！"), QStringLiteral("警告:"));
        return 1;
    }
    // What a cohort rename cut by a crash left is cleared away while no window uses the files.
    quorvane::cohorts::finishRenamesAtStart();
    quorvane::registerShellWindows();
    quorvane::registerArrangementWindows();
    quorvane::registerScoresWindows();
    quorvane::registerReportsWindows();
    quorvane::registerLayoutsWindows();
    quorvane::windows::show(QStringLiteral("load"));
    const int code = app.exec();
    // The last window has gone (an end through services::endProgram never comes back here and closes
    // the connections itself): closing them writes each file's log back into the file (users copy
    // the .mdb).
    quorvane::closeAllDatabases();
    return code;
}
