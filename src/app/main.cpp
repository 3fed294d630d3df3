#include "arrangement/register.h"
#include "printing/layouts/register.h"
#include "reports/register.h"
#include "scores/register.h"
#include "shell/main.h"
#include "shell/register.h"
#include "shell/window.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
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
    quorvane::registerShellWindows();
    quorvane::registerArrangementWindows();
    quorvane::registerScoresWindows();
    quorvane::registerReportsWindows();
    quorvane::registerLayoutsWindows();
    quorvane::windows::show(QStringLiteral("load"));
    return app.exec();
}
