#include "arrangement/register.h"
#include "printing/layouts/register.h"
#include "reports/register.h"
#include "scores/register.h"
#include "shell/register.h"
#include "shell/window.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    quorvane::installFontSubstitutions();
    quorvane::registerShellWindows();
    quorvane::registerArrangementWindows();
    quorvane::registerScoresWindows();
    quorvane::registerReportsWindows();
    quorvane::registerLayoutsWindows();
    quorvane::windows::show(QStringLiteral("load"));
    return app.exec();
}
