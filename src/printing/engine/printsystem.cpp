#include "printsystem.h"

#include <QLibrary>
#include <QPrinter>
#include <QPrinterInfo>

namespace quorvane {

namespace {
// The few CUPS calls used, resolved at run time: the program does not need CUPS to build or run.
struct CupsOption
{
    char *name;
    char *value;
};
struct CupsDest
{
    char *name;
    char *instance;
    int isDefault;
    int numOptions;
    CupsOption *options;
};
using GetNamedDest = CupsDest *(*)(void *http, const char *name, const char *instance);
using GetOption = const char *(*)(const char *name, int numOptions, CupsOption *options);
using FreeDests = void (*)(int numDests, CupsDest *dests);

struct Cups
{
    GetNamedDest getNamedDest = nullptr;
    GetOption getOption = nullptr;
    FreeDests freeDests = nullptr;
    bool loaded() const { return getNamedDest && getOption && freeDests; }
};

const Cups &cups()
{
    static const Cups c = [] {
        Cups r;
        QLibrary lib(QStringLiteral("cups"), 2);
        if (lib.load()) {
            r.getNamedDest = reinterpret_cast<GetNamedDest>(lib.resolve("cupsGetNamedDest"));
            r.getOption = reinterpret_cast<GetOption>(lib.resolve("cupsGetOption"));
            r.freeDests = reinterpret_cast<FreeDests>(lib.resolve("cupsFreeDests"));
        }
        return r;
    }();
    return c;
}
} // namespace

QStringList SystemPrintSystem::queues()
{
    return QPrinterInfo::availablePrinterNames();
}

QString SystemPrintSystem::defaultQueue()
{
    return QPrinterInfo::defaultPrinterName();
}

QString SystemPrintSystem::refusal(const QString &queue)
{
    if (!queues().contains(queue))
        return QStringLiteral("打印机“%1”已不存在").arg(queue);
    const Cups &c = cups();
    if (!c.loaded())
        return QString();
    CupsDest *dest = c.getNamedDest(nullptr, queue.toLocal8Bit().constData(), nullptr);
    if (!dest)
        return QStringLiteral("打印机“%1”无法连接").arg(queue);
    const char *accepting = c.getOption("printer-is-accepting-jobs", dest->numOptions, dest->options);
    const bool rejects = accepting && qstrcmp(accepting, "false") == 0;
    c.freeDests(1, dest);
    return rejects ? QStringLiteral("打印机“%1”拒绝接受打印任务").arg(queue) : QString();
}

bool SystemPrintSystem::select(QPrinter &printer, const QString &queue)
{
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(queue);
    return printer.outputFormat() == QPrinter::NativeFormat && printer.printerName() == queue && printer.isValid();
}

QString SystemPrintSystem::queueOf(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
}

} // namespace quorvane
