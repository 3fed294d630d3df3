#include "shell/register.h"

#include "shell/grad1.h"
#include "shell/load.h"
#include "shell/main.h"
#include "shell/managst.h"
#include "shell/selectyear.h"
#include "shell/window.h"

#include <QByteArray>
#include <QFont>
#include <QtGlobal>

namespace quorvane {

void registerShellWindows()
{
    windows::registerFactory(QStringLiteral("load"), [] { return new load; });
    windows::registerFactory(QStringLiteral("main"), [] { return new main; });
    windows::registerFactory(QStringLiteral("selectyear"), [] { return new selectyear; });
    windows::registerFactory(QStringLiteral("grad1"), [] { return new grad1; });
    windows::registerFactory(QStringLiteral("managst"), [] { return new managst; });
}

void installFontSubstitutions()
{
    const QString serif = QStringLiteral("Noto Serif CJK SC");
    const QString sans = QStringLiteral("Noto Sans CJK SC");
    QFont::insertSubstitutions(QStringLiteral("宋体"), {serif, sans});
    QFont::insertSubstitutions(QStringLiteral("SimSun"), {serif, sans});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {sans, serif});
    QFont::insertSubstitutions(QStringLiteral("SimHei"), {sans, serif});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("DejaVu Sans"), sans});
}

void useChineseLocaleEnvironment()
{
    const QByteArray chinese = QByteArrayLiteral("zh_CN.UTF-8");
    auto isChinese = [](const QByteArray &value) { return value.startsWith("zh_"); };
    const QByteArray all = qgetenv("LC_ALL");
    if (!all.isEmpty() && !isChinese(all)) {
        if (qEnvironmentVariableIsEmpty("LC_CTYPE"))
            qputenv("LC_CTYPE", all);
        qunsetenv("LC_ALL");
    }
    for (const char *name : {"LANG", "LC_TIME"})
        if (!isChinese(qgetenv(name)))
            qputenv(name, chinese);
}

} // namespace quorvane
