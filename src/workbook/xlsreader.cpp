#include "workbook/xlsreader.h"

#include "workbook/workbook.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <csignal>

namespace quorvane {

namespace {

constexpr quint32 kMagic = 0x51584C53; // "QXLS"
constexpr qint32 kVersion = 2;
constexpr qint64 kMaxAnswerBytes = 64LL * 1024 * 1024; // far above 6,000 rows of 256 cells

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");
const QString kTimeLimit = QStringLiteral("读取时间超过限制，文件过大或已损坏");

// Why the helper ended by that signal: ended from outside (by the system or a user), stopped at
// its own processor-time limit, or crashed on the file (a damaged file can make a library crash).
QString reasonOfSignal(int signal)
{
    switch (signal) {
    case SIGKILL:
    case SIGTERM:
    case SIGINT:
    case SIGHUP:
        return QStringLiteral("读取工作簿的程序意外结束，请重试");
    case SIGXCPU:
        return kTimeLimit;
    default:
        return kDamaged;
    }
}

// The helper: the one the settings name, else the one installed beside the program.
QString helperProgram()
{
    const QString set = xlsReaderSettings().program;
    if (!set.isEmpty())
        return set;
    if (!QCoreApplication::instance())
        return QString();
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quorvane-xlsreader"));
    return QFileInfo(beside).isExecutable() ? beside : QString();
}

int gWaits = 0; // reads waiting in their event loop (a timer's handler may read within another's wait)

} // namespace

bool readerWaiting()
{
    return gWaits > 0;
}

XlsReaderSettings &xlsReaderSettings()
{
    static XlsReaderSettings settings;
    return settings;
}

QByteArray encodeSheet(bool ok, const SheetRead &read, const Workbook &cells)
{
    qint32 count = 0;
    cells.forEachCell([&](int, int, const QString &) { ++count; });
    QByteArray out;
    out.reserve(qsizetype(count) * 24); // cell, row, column and a short text each
    QDataStream ds(&out, QIODevice::WriteOnly);
    ds.setVersion(QDataStream::Qt_6_0);
    ds.setByteOrder(QDataStream::LittleEndian); // this machine's own: no character is swapped
    ds << kMagic << kVersion << ok << read.error << read.sheetName << qint32(read.rowsBeyond);
    ds << count;
    cells.forEachCell([&](int r, int c, const QString &t) { ds << qint32(r) << qint32(c) << t; });
    return out;
}

bool decodeSheet(const QByteArray &data, int maxRows, int maxCols, Workbook &cells, SheetRead *out, bool *ok)
{
    QDataStream ds(data);
    ds.setVersion(QDataStream::Qt_6_0);
    ds.setByteOrder(QDataStream::LittleEndian); // this machine's own: no character is swapped
    quint32 magic = 0;
    qint32 version = 0;
    qint32 beyond = 0;
    qint32 count = 0;
    ds >> magic >> version;
    if (magic != kMagic || version != kVersion)
        return false;
    ds >> *ok >> out->error >> out->sheetName >> beyond >> count;
    if (ds.status() != QDataStream::Ok || count < 0 || count > Workbook::kMaxCells)
        return false;
    out->rowsBeyond = std::max(0, beyond);
    cells.reserve(std::min<qsizetype>(count, data.size() / 16)); // a cell takes 16 bytes at least
    for (qint32 i = 0; i < count; ++i) {
        qint32 r = 0;
        qint32 c = 0;
        QString text;
        ds >> r >> c >> text;
        if (ds.status() != QDataStream::Ok || r < 1 || c < 1 || (maxRows > 0 && r > maxRows) || (maxCols > 0 && c > maxCols))
            return false;
        cells.setCell(r, c, validText(text));
    }
    return ds.status() == QDataStream::Ok;
}

bool readXlsIsolated(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *out)
{
    const XlsReaderSettings &settings = xlsReaderSettings();
    const QString program = helperProgram();
    if (program.isEmpty()) {
        out->error = QStringLiteral("找不到读取工作簿的程序quorvane-xlsreader，本系统安装不完整，请重新安装");
        return false;
    }
    QProcess helper;
    helper.setProgram(program);
    helper.setArguments({path, QString::number(maxRows), QString::number(maxCols), QString::number(settings.memoryLimitMb),
                          QString::number(settings.cpuLimitSeconds)});
    helper.setStandardErrorFile(QProcess::nullDevice());
    helper.start(QIODevice::ReadOnly);
    if (!helper.waitForStarted(settings.timeLimitMs)) {
        out->error = QStringLiteral("无法启动读取工作簿的程序quorvane-xlsreader");
        return false;
    }
    // The caller's thread waits in an event loop of its own: its windows keep painting and its
    // timers run, while no input reaches them until the answer is in or the time is up.
    QByteArray answer;
    QString stoppedFor;
    {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
            stoppedFor = QStringLiteral("读取时间超过%1秒，文件过大或已损坏").arg(settings.timeLimitMs / 1000.0, 0, 'g', 3);
            loop.quit();
        });
        QObject::connect(&helper, &QProcess::readyReadStandardOutput, &loop, [&] {
            answer += helper.readAllStandardOutput();
            if (answer.size() > kMaxAnswerBytes) {
                stoppedFor = QStringLiteral("工作簿内容过多，超出了可以读取的范围");
                loop.quit();
            }
        });
        QObject::connect(&helper, &QProcess::finished, &loop, &QEventLoop::quit);
        limit.start(settings.timeLimitMs);
        if (!QCoreApplication::instance()) { // no event loop to wait in
            if (!helper.waitForFinished(settings.timeLimitMs))
                stoppedFor = kTimeLimit;
        } else if (helper.state() == QProcess::Running) {
            struct Waiting
            {
                Waiting() { ++gWaits; }
                ~Waiting() { --gWaits; }
            } waiting;
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        QObject::disconnect(&helper, nullptr, &loop, nullptr);
    }
    if (!stoppedFor.isEmpty()) {
        out->error = stoppedFor;
        helper.kill();
        helper.waitForFinished(5000);
        return false;
    }
    helper.waitForFinished(1000);
    answer += helper.readAllStandardOutput();
    if (helper.exitStatus() != QProcess::NormalExit) {
        out->error = reasonOfSignal(helper.exitCode()); // the code of a crashed process is its signal
        return false;
    }
    if (helper.exitCode() == XlsExitNoMemory) {
        out->error = QStringLiteral("读取所需内存超过限制，文件过大或已损坏");
        return false;
    }
    bool ok = false;
    if (helper.exitCode() != 0 || !decodeSheet(answer, maxRows, maxCols, cells, out, &ok)) {
        cells.close();
        out->error = kDamaged;
        return false;
    }
    if (!ok && out->error.isEmpty())
        out->error = kDamaged;
    return ok;
}

} // namespace quorvane
