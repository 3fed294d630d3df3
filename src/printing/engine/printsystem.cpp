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
using Server = const char *(*)();
using Port = int (*)();
using Connect = void *(*)(const char *host, int port, void *addrlist, int family, int encryption, int blocking,
                          int msec, int *cancel);
using Close = void (*)(void *http);

struct Cups
{
    GetNamedDest getNamedDest = nullptr;
    GetOption getOption = nullptr;
    FreeDests freeDests = nullptr;
    Server server = nullptr;
    Port port = nullptr;
    Connect connect = nullptr;
    Close close = nullptr;
    bool loaded() const { return getNamedDest && getOption && freeDests && server && port && connect && close; }
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
            r.server = reinterpret_cast<Server>(lib.resolve("cupsServer"));
            r.port = reinterpret_cast<Port>(lib.resolve("ippPort"));
            r.connect = reinterpret_cast<Connect>(lib.resolve("httpConnect2"));
            r.close = reinterpret_cast<Close>(lib.resolve("httpClose"));
        }
        return r;
    }();
    return c;
}

// The value of one of the queue's attributes as CUPS reports it; empty when CUPS does not know
// the queue. found tells whether it does.
QByteArray destOption(const Cups &c, const QString &queue, const char *name, bool *found = nullptr)
{
    CupsDest *dest = c.getNamedDest(nullptr, queue.toLocal8Bit().constData(), nullptr);
    if (found)
        *found = dest != nullptr;
    if (!dest)
        return QByteArray();
    const QByteArray value(c.getOption(name, dest->numOptions, dest->options));
    c.freeDests(1, dest);
    return value;
}
} // namespace

QString SystemPrintSystem::serviceProblem()
{
    const Cups &c = cups();
    if (!c.loaded())
        return QString();
    // The server the program is set up for (a local socket or a host): a connection is tried, at
    // most a few seconds, blocking, with encryption only if the server asks for it.
    void *http = c.connect(c.server(), c.port(), nullptr, 0 /* any address family */, 0, 1, 3000, nullptr);
    if (!http)
        return QStringLiteral("无法连接打印服务，请确认打印服务已经启动！");
    c.close(http);
    return QString();
}

bool SystemPrintSystem::paused(const QString &queue)
{
    const Cups &c = cups();
    // A queue stopped by its administrator (printer-state 5) keeps the jobs it takes.
    return c.loaded() && destOption(c, queue, "printer-state") == "5";
}

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
    bool found = false;
    const QByteArray accepting = destOption(c, queue, "printer-is-accepting-jobs", &found);
    if (!found)
        return QStringLiteral("打印机“%1”无法连接").arg(queue);
    return accepting == "false" ? QStringLiteral("打印机“%1”拒绝接受打印任务").arg(queue) : QString();
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
